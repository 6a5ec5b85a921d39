#include "datasheet/preferencesfile.h"

#include "app/inifile.h"

namespace varnel {
namespace {

const QString Prefs = QStringLiteral("Prefs");

}  // namespace

void LoadPreferences(const IniFile& ini, Preferences& p) {
  p.ColorCells = ini.ReadInteger(Prefs, QStringLiteral("ColorCells"), p.ColorCells);
  if (p.ColorCells < 0 || p.ColorCells > 2) p.ColorCells = 1;
  p.SavePrefs = ini.ReadBool(Prefs, QStringLiteral("SavePrefs"), p.SavePrefs);
  p.MwGDisconnect = ini.ReadBool(Prefs, QStringLiteral("MwGDisconnect"), p.MwGDisconnect);
  p.AutoConnect = ini.ReadBool(Prefs, QStringLiteral("AutoConnect"), p.AutoConnect);
  p.BackupWanted = ini.ReadBool(Prefs, QStringLiteral("BackupWanted"), p.BackupWanted);
  p.ParseWarnings = ini.ReadBool(Prefs, QStringLiteral("ParseWarnings"), p.ParseWarnings);
  // A sheet needs at least one variable and one case.
  p.DefaultColCount =
      std::max(ini.ReadInteger(Prefs, QStringLiteral("DefaultColCount"), p.DefaultColCount), 1);
  p.DefaultRowCount =
      std::max(ini.ReadInteger(Prefs, QStringLiteral("DefaultRowCount"), p.DefaultRowCount), 1);
  p.SheetFontName = ini.ReadString(Prefs, QStringLiteral("SheetFontName"), p.SheetFontName);
  const int size = ini.ReadInteger(Prefs, QStringLiteral("SheetFontSize"), p.SheetFontSize);
  if (size > 0) p.SheetFontSize = size;
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
