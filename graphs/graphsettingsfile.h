// The graph settings kept in files: the Graphs keys of the settings file,
// and the plot settings files (.vng) the user saves and loads.
#pragma once

#include <QString>
#include <optional>

#include "graphs/graphsettings.h"

namespace varnel {

class IniFile;
class Prompter;
class GraphEngine;

// A real as the settings files hold it: general form, up to 15 significant
// digits, the system's decimal separator.
QString SettingsRealText(Real value);
// Reads what SettingsRealText writes; a point is accepted too, so that a file
// written under another locale still reads. Nothing for a non-number.
std::optional<Real> ReadSettingsReal(const QString& text);

// The program's settings file (VARNEL.INI).
// The "Settings", "Options" and "Export" keys: missing, unreadable or
// out-of-range values take their defaults; a "Scale" or "StereoSFactor" that
// is not a usable number sets both to 1.
void ReadGraphsIniKeys(const IniFile& ini, GraphSettings& g);
// Writes the same keys, each section in its fixed order.
void WriteGraphsIniKeys(IniFile& ini, const GraphSettings& g);

// A plot settings file's contents, already read into vng: every key is read,
// a missing one with its default (the font sizes default to 8 and 12 here). The scales and the four view
// values fall back as groups.
void PlotSettingsFromIni(const IniFile& vng, GraphSettings& g);
// The keys beyond the classic ones: the legend's place, the grid, the
// reference file, the points' opacity and density shading. Missing or
// unusable values take their defaults.
void ReadPlotExtras(const IniFile& vng, GraphSettings& g);
inline constexpr const char* LegendCornerNames[5] = {"TopLeft", "TopRight", "BottomLeft", "BottomRight",
                                                      "Placed"};
std::optional<LegendCorner> LegendCornerOf(const QString& name);
void PlotSettingsToIni(IniFile& vng, const GraphSettings& g);

// The name the save dialog proposes for the data file's plot settings: the
// name without folder and without its extension.
QString ProposedPlotSettingsName(const QString& dataFile);

inline const QString PlotSettingsFilter = QStringLiteral("Varnel Graph configuration file (*.vng)|*.vng");

// "&Save Plot Settings ...": asks for the file and writes it atomically;
// true when written.
bool SavePlotSettingsCommand(const GraphSettings& g, Prompter& prompter, const QString& dataFile);
// "&Load Plot Settings ...": asks for the file, reads it into the engine's
// settings and repaints; true when read.
bool LoadPlotSettingsCommand(GraphEngine& engine, Prompter& prompter);
// The same for a file already chosen (one opened from the desktop).
bool ApplyPlotSettingsFile(GraphEngine& engine, Prompter& prompter, const QString& path);
// Reads a plot settings file into g; false with the reason when the file
// cannot be read (g is then unchanged).
bool ReadPlotSettingsFile(const QString& path, GraphSettings& g, QString* error);

}  // namespace varnel
