// The DataSheet's preferences and their defaults.
#pragma once

#include <QString>

namespace varnel {

// The sizes of new sheets the Preferences dialog offers.
inline constexpr int MinSheetSize = 3;
inline constexpr int MaxSheetSize = 9999;
// The largest font size read from the settings file.
inline constexpr int MaxFontPointSize = 999;

struct Preferences {
  int ColorCells = 1;  // 0 none, 1 untagged variables, 2 included cases
  bool SavePrefs = true;
  bool MwGDisconnect = false;
  bool AutoConnect = true;
  bool BackupWanted = true;
  bool ParseWarnings = true;
  int DefaultColCount = 10;
  int DefaultRowCount = 20;
  QString SheetFontName = QStringLiteral("Arial");
  int SheetFontSize = 8;
};

}  // namespace varnel
