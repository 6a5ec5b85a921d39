#include "app/inifile.h"

#include "app/atomicfile.h"
#include "app/textcodec.h"

namespace varnel {
namespace {

bool IsSectionLine(const QString& line, QString* name = nullptr) {
  const QString t = line.trimmed();
  if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) return false;
  if (name) *name = t.mid(1, t.size() - 2).trimmed();
  return true;
}

bool KeyOf(const QString& line, QString* key, QString* value) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  if (eq <= 0) return false;
  const QString t = line.trimmed();
  if (t.startsWith(QLatin1Char(';'))) return false;
  if (key) *key = line.left(eq).trimmed();
  if (value) *value = line.mid(eq + 1).trimmed();
  return true;
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {
  QByteArray bytes;
  if (!ReadWholeFile(path_, bytes, nullptr)) return;
  const DecodedText text = DecodeText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  for (std::string_view line : SplitLines(text.utf8))
    lines_ << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

int IniFile::FindSection(const QString& section) const {
  QString name;
  for (int i = 0; i < lines_.size(); ++i)
    if (IsSectionLine(lines_[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

int IniFile::SectionEnd(int header) const {
  int i = header + 1;
  while (i < lines_.size() && !IsSectionLine(lines_[i])) ++i;
  return i;
}

int IniFile::FindKey(int header, const QString& key) const {
  const int end = SectionEnd(header);
  QString k;
  for (int i = header + 1; i < end; ++i)
    if (KeyOf(lines_[i], &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) return i;
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
  KeyOf(lines_[line], nullptr, &value);
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

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  int header = FindSection(section);
  if (header < 0) {
    if (!lines_.isEmpty() && !lines_.last().trimmed().isEmpty()) lines_ << QString();
    lines_ << QLatin1Char('[') + section + QLatin1Char(']');
    lines_ << key + QLatin1Char('=') + value;
    return;
  }
  const int line = FindKey(header, key);
  if (line >= 0) {
    QString existing;
    KeyOf(lines_[line], &existing, nullptr);
    lines_[line] = existing + QLatin1Char('=') + value;
    return;
  }
  // New keys go after the last non-blank line of their section.
  int at = SectionEnd(header);
  while (at > header + 1 && lines_[at - 1].trimmed().isEmpty()) --at;
  lines_.insert(at, key + QLatin1Char('=') + value);
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
  if (line >= 0) lines_.removeAt(line);
}

bool IniFile::Save(QString* error) const {
  QByteArray bytes;
  for (const QString& line : lines_) {
    bytes += line.toUtf8();
    bytes += "\r\n";
  }
  return SaveFileAtomically(path_, bytes, QString(), error);
}

}  // namespace varnel
