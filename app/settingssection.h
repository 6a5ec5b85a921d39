// Each subsystem keeps its own keys of the settings file: it reads them when
// its window is made and writes them when the program closes. Start-up
// registers every owner, so that the exit routine needs to know none of them.
#pragma once

#include <QString>
#include <vector>

namespace varnel {

class IniFile;

class SettingsSection {
 public:
  virtual ~SettingsSection() = default;
  // Missing or unusable values keep their defaults.
  virtual void ReadSettings(const IniFile& ini) = 0;
  // Window positions are written always; everything else only when the
  // user wants preferences saved.
  virtual void WriteSettings(IniFile& ini, bool savePrefs) const = 0;
};

// The owners of the settings file's keys, in the order they were made.
class SettingsRegistry {
 public:
  void Register(const SettingsSection* section) { sections_.push_back(section); }
  // Writes every owner's keys into the file at path, keeping every other
  // line; false with the reason in error when the file could not be written.
  bool WriteAll(const QString& path, bool savePrefs, QString* error = nullptr) const;

 private:
  std::vector<const SettingsSection*> sections_;
};

}  // namespace varnel
