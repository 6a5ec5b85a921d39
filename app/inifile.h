// The settings file: sections and keys matched without regard to case; a
// write changes only its own line and keeps every other line, byte for byte,
// in its order.
#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>
#include <vector>

namespace varnel {

class IniFile {
 public:
  // Reads the file when it exists; a missing or unreadable file is empty.
  explicit IniFile(QString path);
  // The settings held in bytes, as if read from a file at path.
  IniFile(QString path, std::string_view bytes);

  const QString& Path() const { return path_; }
  // The file exists but could not be read: it is never overwritten.
  bool Unreadable() const { return unreadable_; }
  const QString& ReadError() const { return readError_; }

  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
  // A value that is not a whole number gives the fallback.
  int ReadInteger(const QString& section, const QString& key, int fallback) const;
  // Any non-zero integer is true.
  bool ReadBool(const QString& section, const QString& key, bool fallback) const;
  bool HasKey(const QString& section, const QString& key) const;

  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);
  void DeleteKey(const QString& section, const QString& key);

  // The whole file as it would be written.
  QByteArray Bytes() const;
  // Writes the file atomically; false with the reason in error. A file that
  // could not be read is left as it was.
  bool Save(QString* error = nullptr) const;

 private:
  struct Line {
    QByteArray text;  // as read, without its line break
    QByteArray end;   // "\r\n", "\n", "\r", or empty for a last line without one
  };

  void Parse(std::string_view bytes);
  QByteArray Content(std::size_t i) const;  // the line without a leading byte-order mark
  QString Decode(const QByteArray& bytes) const;
  QByteArray Encode(const QString& text) const;
  bool IsSection(std::size_t i, QString* name = nullptr) const;
  bool KeyOf(std::size_t i, QByteArray* key, QString* value) const;
  int FindSection(const QString& section) const;  // line index of "[...]", or -1
  int SectionEnd(int header) const;               // first line after the section
  int FindKey(int header, const QString& key) const;
  void Insert(int at, const QByteArray& text);

  QString path_;
  std::vector<Line> lines_;
  QByteArray newline_ = "\r\n";  // the break of new lines: the file's first one
  bool utf8_ = true;             // else new text goes in Windows-1252 where it can
  bool unreadable_ = false;
  QString readError_;
};

}  // namespace varnel
