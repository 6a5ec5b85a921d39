#include "datasheet/preferencesfile.h"

#include "app/inifile.h"
#include "app/prompter.h"

namespace varnel {
namespace {

const QString Prefs = QStringLiteral("Prefs");
const QString Settings = QStringLiteral("Settings");
const QString Options = QStringLiteral("Options");
const QString Export = QStringLiteral("Export");

}  // namespace

void GraphSettingsKeys::Read(const IniFile& ini) {
  Landscape = ini.ReadBool(Settings, QStringLiteral("Landscape"), Landscape);
  DefaultSymbolSize = ini.ReadInteger(Settings, QStringLiteral("DefaultSymbolSize"), DefaultSymbolSize);
  StereoSFactor = ini.ReadString(Settings, QStringLiteral("StereoSFactor"), StereoSFactor);
  Scale = ini.ReadString(Settings, QStringLiteral("Scale"), Scale);
  LabelFontName = ini.ReadString(Settings, QStringLiteral("LabelFontName"), LabelFontName);
  LabelFontSize = ini.ReadInteger(Settings, QStringLiteral("LabelFontSize"), LabelFontSize);
  ApexFontName = ini.ReadString(Settings, QStringLiteral("ApexFontName"), ApexFontName);
  ApexFontSize = ini.ReadInteger(Settings, QStringLiteral("ApexFontSize"), ApexFontSize);
  DefaultDiagramPenWidth =
      ini.ReadInteger(Settings, QStringLiteral("DefaultDiagramPenWidth"), DefaultDiagramPenWidth);
  DefaultTiePenWidth = ini.ReadInteger(Settings, QStringLiteral("DefaultTiePenWidth"), DefaultTiePenWidth);
  DefSymShape = ini.ReadInteger(Settings, QStringLiteral("DefSymShape"), DefSymShape);
  InfinityLineLengthFactor =
      ini.ReadInteger(Settings, QStringLiteral("InfinityLineLengthFactor"), InfinityLineLengthFactor);
  MaxTieSets = ini.ReadInteger(Options, QStringLiteral("MaxTieSets"), MaxTieSets);
  PlotNegPoints = ini.ReadBool(Options, QStringLiteral("PlotNegPoints"), PlotNegPoints);
  ZPOrdering = ini.ReadBool(Options, QStringLiteral("ZPOrdering"), ZPOrdering);
  LogTransformWarnings = ini.ReadBool(Options, QStringLiteral("LogTransformWarnings"), LogTransformWarnings);
  AutoVarSelect = ini.ReadBool(Options, QStringLiteral("AutoVarSelect"), AutoVarSelect);
  ScalePage = ini.ReadBool(Options, QStringLiteral("ScalePage"), ScalePage);
  DefaultFileBMPWidth = ini.ReadInteger(Export, QStringLiteral("DefaultFileBMPWidth"), DefaultFileBMPWidth);
  DefaultClpBMPWidth = ini.ReadInteger(Export, QStringLiteral("DefaultClpBMPWidth"), DefaultClpBMPWidth);
  // The formats are written as the names of what they select.
  const QString clip =
      ini.ReadString(Export, QStringLiteral("DefaultClipboardFormat"), QStringLiteral("EnhMetafile"));
  DefaultClipboardFormat =
      clip == QLatin1String("Metafile") ? QStringLiteral("Metafile") : QStringLiteral("Bitmap");
  const QString file =
      ini.ReadString(Export, QStringLiteral("DefaultFileFormat"), QStringLiteral("EnhMetafile"));
  DefaultFileFormat = file == QLatin1String("Metafile") || file == QLatin1String("EnhMetafile")
                          ? file
                          : QStringLiteral("Bitmap");
}

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

bool SavePreferences(const QString& path, const ExitSettings& s, QString* error) {
  IniFile ini(path);
  if (ini.Unreadable()) {
    if (error) *error = ini.ReadError();
    return false;
  }
  const Preferences& p = s.Prefs;
  if (p.SavePrefs) {
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

    const GraphSettingsKeys& g = s.Graphs;
    ini.WriteBool(Settings, QStringLiteral("Landscape"), g.Landscape);
    ini.WriteInteger(Settings, QStringLiteral("DefaultSymbolSize"), g.DefaultSymbolSize);
    ini.WriteString(Settings, QStringLiteral("StereoSFactor"), g.StereoSFactor);
    ini.WriteString(Settings, QStringLiteral("Scale"), g.Scale);
    ini.WriteString(Settings, QStringLiteral("LabelFontName"), g.LabelFontName);
    ini.WriteInteger(Settings, QStringLiteral("LabelFontSize"), g.LabelFontSize);
    ini.WriteString(Settings, QStringLiteral("ApexFontName"), g.ApexFontName);
    ini.WriteInteger(Settings, QStringLiteral("ApexFontSize"), g.ApexFontSize);
    ini.WriteInteger(Settings, QStringLiteral("DefaultDiagramPenWidth"), g.DefaultDiagramPenWidth);
    ini.WriteInteger(Settings, QStringLiteral("DefaultTiePenWidth"), g.DefaultTiePenWidth);
    ini.WriteInteger(Settings, QStringLiteral("DefSymShape"), g.DefSymShape);
    ini.WriteInteger(Settings, QStringLiteral("InfinityLineLengthFactor"), g.InfinityLineLengthFactor);
    ini.WriteInteger(Options, QStringLiteral("MaxTieSets"), g.MaxTieSets);
    ini.WriteBool(Options, QStringLiteral("PlotNegPoints"), g.PlotNegPoints);
    ini.WriteBool(Options, QStringLiteral("ZPOrdering"), g.ZPOrdering);
    ini.WriteBool(Options, QStringLiteral("LogTransformWarnings"), g.LogTransformWarnings);
    ini.WriteBool(Options, QStringLiteral("AutoVarSelect"), g.AutoVarSelect);
    ini.WriteBool(Options, QStringLiteral("ScalePage"), g.ScalePage);
    ini.WriteInteger(Export, QStringLiteral("DefaultFileBMPWidth"), g.DefaultFileBMPWidth);
    ini.WriteInteger(Export, QStringLiteral("DefaultClpBMPWidth"), g.DefaultClpBMPWidth);
    ini.WriteString(Export, QStringLiteral("DefaultClipboardFormat"), g.DefaultClipboardFormat);
    ini.WriteString(Export, QStringLiteral("DefaultFileFormat"), g.DefaultFileFormat);

    ini.WriteString(Prefs, QStringLiteral("TextPadFontFontName"), s.TextPadFontName);
    ini.WriteInteger(Prefs, QStringLiteral("TextPadFontFontSize"), s.TextPadFontSize);
  }
  WriteWindowBounds(ini, QStringLiteral("DS"), s.DataSheet);
  WriteWindowBounds(ini, QStringLiteral("G"), s.GraphsWindow);
  WriteWindowBounds(ini, QStringLiteral("T"), s.TextPad);
  WriteWindowBounds(ini, QStringLiteral("MW"), WindowBounds{s.WizardTop, s.WizardLeft, 0, 0}, false);
  return ini.Save(error);
}

void SavePreferencesAtExit(const QString& path, const ExitSettings& settings, Prompter& prompter) {
  // A file that exists but cannot be read would lose every line the program
  // does not own if it were written: it is left alone, and the user told.
  const IniFile current(path);
  if (current.Unreadable()) {
    prompter.Message(BoxKind::Error,
                     QStringLiteral("The settings file ") + path +
                         QStringLiteral(" could not be read, so it was left as it was and the settings of "
                                        "this session were not saved.\n\r") +
                         current.ReadError(),
                     Only(Button::Ok));
    return;
  }
  QString error;
  if (!SavePreferences(path, settings, &error))
    prompter.Message(BoxKind::Error,
                     QStringLiteral("Unable to write to ") + path + QStringLiteral("\n\r") + error,
                     Only(Button::Ok));
}

}  // namespace varnel
