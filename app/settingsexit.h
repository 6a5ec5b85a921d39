// Writing the settings file when the program closes.
#pragma once

#include <QString>

namespace varnel {

class Prompter;
class SettingsRegistry;

// Writes every owner's keys into the settings file at path. A file that
// exists but cannot be read is left alone (writing it would lose every line
// the program does not own) and the user is told so; a file that cannot be
// written is reported with the system's reason. The program closes either
// way. True when the file was written.
bool SaveSettingsAtExit(const SettingsRegistry& registry, const QString& path, bool savePrefs,
                        Prompter& prompter);

}  // namespace varnel
