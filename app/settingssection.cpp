#include "app/settingssection.h"

#include "app/inifile.h"

namespace varnel {

bool SettingsRegistry::WriteAll(const QString& path, bool savePrefs, QString* error) const {
  // The file is read again: the recent-files list is written into it as it
  // changes, and those lines must survive.
  IniFile ini(path);
  for (const SettingsSection* section : sections_) section->WriteSettings(ini, savePrefs);
  return ini.Save(error);
}

}  // namespace varnel
