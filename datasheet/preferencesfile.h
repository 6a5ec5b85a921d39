// The DataSheet's side of the settings file: its preferences, read when its
// window is made, and the whole file's keys written at exit.
#pragma once

#include <QString>

#include "app/windowplacement.h"
#include "datasheet/preferences.h"

namespace varnel {

class IniFile;
class Prompter;

// The Graphs keys of the settings file. The DataSheet writes them at exit;
// until the graph engine keeps them, they are written back as they were read.
struct GraphSettingsKeys {
  bool Landscape = true;
  int DefaultSymbolSize = 30;
  QString StereoSFactor = QStringLiteral("1");
  QString Scale = QStringLiteral("1");
  QString LabelFontName = QStringLiteral("Times New Roman");
  int LabelFontSize = 10;
  QString ApexFontName = QStringLiteral("Arial");
  int ApexFontSize = 14;
  int DefaultDiagramPenWidth = 3;
  int DefaultTiePenWidth = 1;
  int DefSymShape = 2;
  int InfinityLineLengthFactor = 3;
  int MaxTieSets = 99;
  bool PlotNegPoints = false;
  bool ZPOrdering = true;
  bool LogTransformWarnings = false;
  bool AutoVarSelect = true;
  bool ScalePage = true;
  int DefaultFileBMPWidth = 1200;
  int DefaultClpBMPWidth = 600;
  QString DefaultClipboardFormat = QStringLiteral("Bitmap");
  QString DefaultFileFormat = QStringLiteral("EnhMetafile");

  void Read(const IniFile& ini);
};

// The "Prefs" keys, with the fields' current values as defaults.
void LoadPreferences(const IniFile& ini, Preferences& prefs);

// Everything the exit routine writes.
struct ExitSettings {
  Preferences Prefs;
  QString TextPadFontName;
  int TextPadFontSize = 8;
  GraphSettingsKeys Graphs;
  WindowBounds DataSheet, GraphsWindow, TextPad;
  int WizardTop = 0, WizardLeft = 0;
};

// Writes the settings file at path: the "Prefs", Graphs and TextPad font keys
// when SavePrefs is on, the window positions always; every other line of the
// file stays byte for byte. False, with the reason in error, when the file
// could not be written, or exists but could not be read (it is then left as
// it was).
bool SavePreferences(const QString& path, const ExitSettings& settings, QString* error = nullptr);

// SavePreferences, with the message "Unable to write to " + path and the
// system's reason when the file cannot be written, or one that says the file
// was left alone when it could not be read. The program closes either way.
void SavePreferencesAtExit(const QString& path, const ExitSettings& settings, Prompter& prompter);

}  // namespace varnel
