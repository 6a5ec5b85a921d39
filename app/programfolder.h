// The program's own folder: the settings file, the plot-warnings log and the
// help live there. Tests point it at a temporary folder.
#pragma once

#include <QString>

namespace varnel {

// The folder with a trailing separator.
QString ProgramDir();
void SetProgramDir(const QString& folder);

// ProgramDir() + "VARNEL.INI".
QString SettingsFilePath();

}  // namespace varnel
