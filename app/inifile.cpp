#include "app/inifile.h"

#include <QFileInfo>

#include "app/atomicfile.h"
#include "app/textcodec.h"

namespace varnel {

IniFile::IniFile(QString path) : path_(std::move(path)) {
  std::string bytes;
  QString error;
  if (!ReadWholeFile(path_, bytes, &error)) {
    // A missing file is an empty one; one that exists and cannot be read
    // must survive the run untouched.
    if (QFileInfo::exists(path_)) {
      unreadable_ = true;
      readError_ = error;
    }
    return;
  }
  Parse(bytes);
}

IniFile::IniFile(QString path, std::string_view bytes) : path_(std::move(path)) { Parse(bytes); }

void IniFile::Parse(std::string_view bytes) {
  utf8_ = IsValidUtf8(bytes);
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  const char* start = p;
  while (p < end) {
    const char c = *p;
    if (c != '\n' && c != '\r') {
      ++p;
      continue;
    }
    const char* text = start;
    const auto textSize = static_cast<qsizetype>(p - start);
    ++p;
    if (c == '\r' && p < end && *p == '\n') ++p;
    lines_.push_back({QByteArray(text, textSize),
                      QByteArray(text + textSize, static_cast<qsizetype>(p - text - textSize))});
    start = p;
  }
  if (start < end) lines_.push_back({QByteArray(start, static_cast<qsizetype>(end - start)), QByteArray()});
  if (!lines_.empty() && !lines_.front().end.isEmpty()) newline_ = lines_.front().end;
}

QByteArray IniFile::Content(std::size_t i) const {
  const QByteArray& text = lines_[i].text;
  if (i == 0 && text.startsWith("\xEF\xBB\xBF")) return text.mid(3);
  return text;
}

// Each line is read as UTF-8 when it is valid UTF-8, otherwise as
// Windows-1252: a file of the old code page may hold lines this program
// wrote in UTF-8 because the code page lacked a character.
QString IniFile::Decode(const QByteArray& bytes) const {
  const std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
  if (IsValidUtf8(view)) return QString::fromUtf8(bytes);
  const std::string utf8 = Windows1252ToUtf8(view);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray IniFile::Encode(const QString& text) const {
  const QByteArray utf8 = text.toUtf8();
  if (utf8_) return utf8;
  // In a file of the old code page, text goes in that code page unless it
  // lacks a character, or the bytes would read back as UTF-8 (see Decode).
  TextEncoding used = TextEncoding::Utf8;
  const std::string bytes = EncodeText(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())),
                                       TextEncoding::Windows1252, &used);
  if (used != TextEncoding::Windows1252 || (bytes != utf8.toStdString() && IsValidUtf8(bytes))) return utf8;
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool IniFile::IsSection(std::size_t i, QString* name) const {
  const QByteArray t = Content(i).trimmed();
  if (t.size() < 2 || !t.startsWith('[') || !t.endsWith(']')) return false;
  if (name) *name = Decode(t.mid(1, t.size() - 2).trimmed());
  return true;
}

bool IniFile::KeyOf(std::size_t i, QByteArray* key, QString* value) const {
  const QByteArray line = Content(i);
  const qsizetype eq = line.indexOf('=');
  if (eq <= 0) return false;
  if (line.trimmed().startsWith(';')) return false;
  if (key) *key = line.left(eq).trimmed();
  if (value) *value = Decode(line.mid(eq + 1).trimmed());
  return true;
}

int IniFile::FindSection(const QString& section) const {
  QString name;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (IsSection(i, &name) && name.compare(section, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

int IniFile::SectionEnd(int header) const {
  auto i = static_cast<std::size_t>(header) + 1;
  while (i < lines_.size() && !IsSection(i)) ++i;
  return static_cast<int>(i);
}

int IniFile::FindKey(int header, const QString& key) const {
  const int end = SectionEnd(header);
  QByteArray k;
  for (int i = header + 1; i < end; ++i)
    if (KeyOf(static_cast<std::size_t>(i), &k, nullptr) && Decode(k).compare(key, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

bool IniFile::HasKey(const QString& section, const QString& key) const {
  const int header = FindSection(section);
  return header >= 0 && FindKey(header, key) >= 0;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const {
  const int header = FindSection(section);
  if (header < 0) return fallback;
  const int line = FindKey(header, key);
  if (line < 0) return fallback;
  QString value;
  KeyOf(static_cast<std::size_t>(line), nullptr, &value);
  return value;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int fallback) const {
  const QString text = ReadString(section, key, QString());
  bool ok = false;
  const int v = text.toInt(&ok, 10);
  return ok ? v : fallback;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::Insert(int at, const QByteArray& text) {
  // The line before a new one gets a break if it was the file's unended last.
  if (at > 0 && lines_[static_cast<std::size_t>(at) - 1].end.isEmpty())
    lines_[static_cast<std::size_t>(at) - 1].end = newline_;
  lines_.insert(lines_.begin() + at, Line{text, newline_});
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  int header = FindSection(section);
  if (header < 0) {
    if (!lines_.empty() && !Content(lines_.size() - 1).trimmed().isEmpty())
      Insert(static_cast<int>(lines_.size()), QByteArray());
    Insert(static_cast<int>(lines_.size()), '[' + Encode(section) + ']');
    Insert(static_cast<int>(lines_.size()), Encode(key) + '=' + Encode(value));
    return;
  }
  const int line = FindKey(header, key);
  if (line >= 0) {
    QByteArray existing;
    KeyOf(static_cast<std::size_t>(line), &existing, nullptr);
    QByteArray& text = lines_[static_cast<std::size_t>(line)].text;
    const bool bom = line == 0 && text.startsWith("\xEF\xBB\xBF");
    text = (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + existing + '=' + Encode(value);
    return;
  }
  // New keys go after the last non-blank line of their section.
  int at = SectionEnd(header);
  while (at > header + 1 && Content(static_cast<std::size_t>(at) - 1).trimmed().isEmpty()) --at;
  Insert(at, Encode(key) + '=' + Encode(value));
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::DeleteKey(const QString& section, const QString& key) {
  const int header = FindSection(section);
  if (header < 0) return;
  const int line = FindKey(header, key);
  if (line >= 0) lines_.erase(lines_.begin() + line);
}

QByteArray IniFile::Bytes() const {
  QByteArray bytes;
  for (const Line& line : lines_) {
    bytes += line.text;
    bytes += line.end;
  }
  return bytes;
}

bool IniFile::Save(QString* error) const {
  if (unreadable_) {
    if (error) *error = readError_;
    return false;
  }
  return SaveFileAtomically(path_, Bytes(), QString(), error);
}

}  // namespace varnel
