// The program's own folder and where the user's files go. A copy run from a
// folder the user may write (a build tree, a portable copy) keeps its
// settings file and plot-warnings log beside the executable; an installed
// copy keeps them in the user's configuration and state folders. Tests point
// the program folder at a temporary folder.
#pragma once

#include <QString>

namespace varnel {

// The folder of the executable, with a trailing separator.
QString ProgramDir();
void SetProgramDir(const QString& folder);

// True for a copy installed under a prefix: the executable sits in
// PREFIX/bin and its shared files in PREFIX/share/varnel.
bool InstalledCopy();

// True when the user's files stay in the program folder: it is writable and
// not an installed copy (root could write into /usr/bin, but must not).
bool UserFilesInProgramDir();

// The folder of the settings file: the program folder, or
// $XDG_CONFIG_HOME/varnel/ (default ~/.config/varnel/).
QString SettingsDir();

// SettingsDir() + "VARNEL.INI".
QString SettingsFilePath();

// The plot-warnings log "varnel.log": in the program folder, or in
// $XDG_STATE_HOME/varnel/ (default ~/.local/state/varnel/).
QString WarningsLogPath();

// The folder of the files that come with the program (examples, help):
// PREFIX/share/varnel/ for an installed copy, else the program folder.
QString SharedDataDir();

// The README that describes the program, where the installation put it;
// empty when there is none.
QString ReadmePath();

// Makes the user's configuration or state folder (the first exit of an
// installed copy finds none) when filePath lies in it. Any other folder is
// left alone: one missing beside a portable copy is an error for the save
// to report. False with the reason in error.
bool MakeUserFolderFor(const QString& filePath, QString* error);

}  // namespace varnel
