// The settings file: sections and keys matched without regard to case; a
// write changes only its own line and keeps every other line in its order.
#pragma once

#include <QString>
#include <QStringList>

namespace varnel {

class IniFile {
 public:
  // Reads the file when it exists; a missing or unreadable file is empty.
  explicit IniFile(QString path);

  const QString& Path() const { return path_; }

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

  // Writes the file atomically; false with the system's reason in error.
  bool Save(QString* error = nullptr) const;

 private:
  int FindSection(const QString& section) const;  // line index of "[...]", or -1
  int SectionEnd(int header) const;               // first line after the section
  int FindKey(int header, const QString& key) const;

  QString path_;
  QStringList lines_;
};

}  // namespace varnel
