#include "app/settingsexit.h"

#include "app/inifile.h"
#include "app/programfolder.h"
#include "app/prompter.h"
#include "app/settingssection.h"

namespace varnel {

bool SaveSettingsAtExit(const SettingsRegistry& registry, const QString& path, bool savePrefs,
                        Prompter& prompter) {
  const IniFile current(path);
  if (current.Unreadable()) {
    prompter.Message(BoxKind::Error,
                     QStringLiteral("The settings file ") + path +
                         QStringLiteral(" could not be read, so it was left as it was and the settings of "
                                        "this session were not saved.\n\r") +
                         current.ReadError(),
                     Only(Button::Ok));
    return false;
  }
  QString error;
  if (MakeUserFolderFor(path, &error) && registry.WriteAll(path, savePrefs, &error)) return true;
  prompter.Message(BoxKind::Error,
                   QStringLiteral("Unable to write to ") + path + QStringLiteral("\n\r") + error,
                   Only(Button::Ok));
  return false;
}

}  // namespace varnel
