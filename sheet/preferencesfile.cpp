#include "sheet/preferencesfile.h"

#include "app/inifile.h"

namespace varnel {
namespace {

const QString Prefs = QStringLiteral("Prefs");

}  // namespace

void LoadPreferences(const IniFile& ini, Preferences& p) {
  const Preferences defaults;
  // A value outside the range the Preferences dialog offers reads as the
  // default: a huge stored sheet size would otherwise exhaust memory at
  // every start.
  auto inRange = [&ini](const char* key, int current, int low, int high, int fallback) {
    const int v = ini.ReadInteger(Prefs, QString::fromLatin1(key), current);
    return v >= low && v <= high ? v : fallback;
  };
  p.ColorCells = inRange("ColorCells", p.ColorCells, 0, 2, defaults.ColorCells);
  p.SavePrefs = ini.ReadBool(Prefs, QStringLiteral("SavePrefs"), p.SavePrefs);
  p.MwGDisconnect = ini.ReadBool(Prefs, QStringLiteral("MwGDisconnect"), p.MwGDisconnect);
  p.AutoConnect = ini.ReadBool(Prefs, QStringLiteral("AutoConnect"), p.AutoConnect);
  p.BackupWanted = ini.ReadBool(Prefs, QStringLiteral("BackupWanted"), p.BackupWanted);
  p.ParseWarnings = ini.ReadBool(Prefs, QStringLiteral("ParseWarnings"), p.ParseWarnings);
  p.DefaultColCount =
      inRange("DefaultColCount", p.DefaultColCount, MinSheetSize, MaxSheetSize, defaults.DefaultColCount);
  p.DefaultRowCount =
      inRange("DefaultRowCount", p.DefaultRowCount, MinSheetSize, MaxSheetSize, defaults.DefaultRowCount);
  p.SheetFontName = ini.ReadString(Prefs, QStringLiteral("SheetFontName"), p.SheetFontName);
  p.SheetFontSize = inRange("SheetFontSize", p.SheetFontSize, 1, MaxFontPointSize, p.SheetFontSize);
}

void WritePreferences(IniFile& ini, const Preferences& p) {
  ini.WriteInteger(Prefs, QStringLiteral("ColorCells"), p.ColorCells);
  ini.WriteBool(Prefs, QStringLiteral("SavePrefs"), p.SavePrefs);
  ini.WriteBool(Prefs, QStringLiteral("MWGDisconnect"), p.MwGDisconnect);
  ini.WriteBool(Prefs, QStringLiteral("AutoConnect"), p.AutoConnect);
  ini.WriteBool(Prefs, QStringLiteral("BackupWanted"), p.BackupWanted);
  ini.WriteBool(Prefs, QStringLiteral("ParseWarnings"), p.ParseWarnings);
  ini.WriteInteger(Prefs, QStringLiteral("DefaultColCount"), p.DefaultColCount);
  ini.WriteInteger(Prefs, QStringLiteral("DefaultRowCount"), p.DefaultRowCount);
  ini.WriteString(Prefs, QStringLiteral("SheetFontName"), p.SheetFontName);
  ini.WriteInteger(Prefs, QStringLiteral("SheetFontSize"), p.SheetFontSize);
}

}  // namespace varnel
