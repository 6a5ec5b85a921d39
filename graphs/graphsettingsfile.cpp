#include "graphs/graphsettingsfile.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "app/desktopfonts.h"
#include "app/inifile.h"
#include "app/numberlocale.h"
#include "app/prompter.h"
#include "core/numberread.h"
#include "core/numbertext.h"
#include "graphs/graphengine.h"
#include "graphs/pagemetrics.h"

namespace varnel {
namespace {

constexpr int MaxFontSize = 999;

const QString Settings = QStringLiteral("Settings");
const QString Options = QStringLiteral("Options");
const QString Export = QStringLiteral("Export");

// An integer key within [low, high]; anything else is the default.
int ReadRanged(const IniFile& ini, const QString& section, const QString& key, int fallback, int low,
               int high) {
  const int v = ini.ReadInteger(section, key, fallback);
  return v < low || v > high ? fallback : v;
}

QString ReadText(const IniFile& ini, const QString& section, const QString& key, const QString& fallback) {
  const QString v = ini.ReadString(section, key, fallback).trimmed();
  return v.isEmpty() ? fallback : v;
}

// A real key: nothing when present but not a number. A missing key reads as
// its default text.
std::optional<Real> ReadReal(const IniFile& ini, const QString& section, const QString& key,
                             const QString& fallback) {
  return ReadSettingsReal(ini.ReadString(section, key, fallback));
}

// Zoom and stereo separation: both read or both 1. Zero, negative, endless
// or absurdly large values would draw nothing, or nothing on the page, or
// turn the page inside out.
void ReadScales(const IniFile& ini, const QString& section, GraphSettings& g) {
  const std::optional<Real> stereo =
      ReadReal(ini, section, QStringLiteral("StereoSFactor"), SettingsRealText(DefaultStereoSFactor));
  const std::optional<Real> scale = ReadReal(ini, section, QStringLiteral("Scale"), QStringLiteral("1"));
  const auto usable = [](const std::optional<Real>& v) {
    return v && std::isfinite(*v) && *v > 0 && *v <= MaxScaleOrSeparation;
  };
  if (usable(stereo) && usable(scale)) {
    g.StereoSFactor = *stereo;
    g.Scale = *scale;
  } else {
    g.StereoSFactor = 1;
    g.Scale = 1;
  }
}

QString ClipFormatText(int format) {
  return format != 0 ? QStringLiteral("Metafile") : QStringLiteral("Bitmap");
}

QString FileFormatText(int format) {
  switch (format) {
    case 0:
      return QStringLiteral("Bitmap");
    case 2:
      return QStringLiteral("Metafile");
    default:
      return QStringLiteral("EnhMetafile");
  }
}

bool Same(const QString& a, const char* b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

}  // namespace

QString SettingsRealText(Real value) {
  return QString::fromStdString(GeneralNumberFormat(value, 15, 15, DecimalSeparator()));
}

std::optional<Real> ReadSettingsReal(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (std::optional<Real> v = ReadNumber(view, DecimalSeparator())) return v;
  if (DecimalSeparator() != '.') return ReadNumber(view, '.');
  return std::nullopt;
}

int BitmapHeight(int width, Real pageAspect) {
  // A page of no shape keeps the bitmap square rather than dividing by nothing.
  if (!(pageAspect > 0)) return std::max(width, 1);
  return std::max(1, RoundPixel(static_cast<Real>(width) / pageAspect));
}

void DeriveBitmapHeights(GraphSettings& g, Real pageAspect) {
  g.ClpBmpHeight = BitmapHeight(g.DefaultClpBMPWidth, pageAspect);
  g.FileBmpHeight = BitmapHeight(g.DefaultFileBMPWidth, pageAspect);
}

void ReadGraphsIniKeys(const IniFile& ini, GraphSettings& g) {
  g.Landscape = ini.ReadBool(Settings, QStringLiteral("Landscape"), true);
  g.PlotNegPoints = ini.ReadBool(Options, QStringLiteral("PlotNegPoints"), false);
  g.ZPOrdering = ini.ReadBool(Options, QStringLiteral("ZPOrdering"), true);
  g.LogTransformWarnings = ini.ReadBool(Options, QStringLiteral("LogTransformWarnings"), false);
  g.AutoVarSelect = ini.ReadBool(Options, QStringLiteral("AutoVarSelect"), true);
  g.ScalePage = ini.ReadBool(Options, QStringLiteral("ScalePage"), true);
  g.MaxTieSets = ReadRanged(ini, Options, QStringLiteral("MaxTieSets"), 99, 0, MaxTieSetsLimit);
  g.DefaultFileBMPWidth =
      ReadRanged(ini, Export, QStringLiteral("DefaultFileBMPWidth"), 1200, MinBitmapWidth, MaxBitmapWidth);
  g.DefaultClpBMPWidth =
      ReadRanged(ini, Export, QStringLiteral("DefaultClpBMPWidth"), 600, MinBitmapWidth, MaxBitmapWidth);
  g.InfinityLineLengthFactor =
      ReadRanged(ini, Settings, QStringLiteral("InfinityLineLengthFactor"), 3, 1, MaxInfinityLength);
  g.DefSymShape = ReadRanged(ini, Settings, QStringLiteral("DefSymShape"), 2, 0, SymbolShapeCount - 1);
  g.DefaultSymbolSize = ReadRanged(ini, Settings, QStringLiteral("DefaultSymbolSize"), 30, 1, MaxSymbolSize);
  g.DefaultDiagramPenWidth =
      ReadRanged(ini, Settings, QStringLiteral("DefaultDiagramPenWidth"), 3, 1, MaxPenWidth);
  g.DefaultTiePenWidth = ReadRanged(ini, Settings, QStringLiteral("DefaultTiePenWidth"), 1, 1, MaxPenWidth);
  g.LabelFont.Name = ReadText(ini, Settings, QStringLiteral("LabelFontName"), DesktopSerifFamily());
  g.LabelFont.Size = ReadRanged(ini, Settings, QStringLiteral("LabelFontSize"), 10, 1, MaxFontSize);
  g.ApexFont.Name = ReadText(ini, Settings, QStringLiteral("ApexFontName"), DesktopSansFamily());
  g.ApexFont.Size = ReadRanged(ini, Settings, QStringLiteral("ApexFontSize"), 14, 1, MaxFontSize);
  ReadScales(ini, Settings, g);
  g.ClipFormat =
      Same(ini.ReadString(Export, QStringLiteral("DefaultClipboardFormat"), QStringLiteral("EnhMetafile")),
           "Metafile")
          ? 1
          : 0;
  const QString file =
      ini.ReadString(Export, QStringLiteral("DefaultFileFormat"), QStringLiteral("EnhMetafile"));
  g.FileFormat = Same(file, "Metafile") ? 2 : Same(file, "EnhMetafile") ? 1 : 0;
}

void WriteGraphsIniKeys(IniFile& ini, const GraphSettings& g) {
  ini.WriteBool(Settings, QStringLiteral("Landscape"), g.Landscape);
  ini.WriteInteger(Settings, QStringLiteral("DefaultSymbolSize"), g.DefaultSymbolSize);
  ini.WriteString(Settings, QStringLiteral("StereoSFactor"), SettingsRealText(g.StereoSFactor));
  ini.WriteString(Settings, QStringLiteral("Scale"), SettingsRealText(g.Scale));
  ini.WriteString(Settings, QStringLiteral("LabelFontName"), g.LabelFont.Name);
  ini.WriteInteger(Settings, QStringLiteral("LabelFontSize"), g.LabelFont.Size);
  ini.WriteString(Settings, QStringLiteral("ApexFontName"), g.ApexFont.Name);
  ini.WriteInteger(Settings, QStringLiteral("ApexFontSize"), g.ApexFont.Size);
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
  ini.WriteString(Export, QStringLiteral("DefaultClipboardFormat"), ClipFormatText(g.ClipFormat));
  ini.WriteString(Export, QStringLiteral("DefaultFileFormat"), FileFormatText(g.FileFormat));
}

void PlotSettingsFromIni(const IniFile& vng, GraphSettings& g) {
  const QString symbol = QStringLiteral("Symbol"), scales = QStringLiteral("Scales"),
                pens = QStringLiteral("Pens"), fonts = QStringLiteral("Fonts"), view = QStringLiteral("3D"),
                legend = QStringLiteral("Legend");
  g.DefaultSymbolSize = ReadRanged(vng, symbol, QStringLiteral("DefaultSymbolSize"), 30, 1, MaxSymbolSize);
  g.DefSymShape = ReadRanged(vng, symbol, QStringLiteral("DefSymShape"), 2, 0, SymbolShapeCount - 1);
  ReadScales(vng, scales, g);
  g.InfinityLineLengthFactor =
      ReadRanged(vng, scales, QStringLiteral("InfinityLineLengthFactor"), 3, 1, MaxInfinityLength);
  g.DefaultDiagramPenWidth =
      ReadRanged(vng, pens, QStringLiteral("DefaultDiagramPenWidth"), 3, 1, MaxPenWidth);
  g.DefaultTiePenWidth = ReadRanged(vng, pens, QStringLiteral("DefaultTiePenWidth"), 1, 1, MaxPenWidth);
  g.LabelFont.Name = ReadText(vng, fonts, QStringLiteral("LabelFontName"), DesktopSerifFamily());
  g.LabelFont.Size = ReadRanged(vng, fonts, QStringLiteral("LabelFontSize"), 8, 1, MaxFontSize);
  g.ApexFont.Name = ReadText(vng, fonts, QStringLiteral("ApexFontName"), DesktopSansFamily());
  g.ApexFont.Size = ReadRanged(vng, fonts, QStringLiteral("ApexFontSize"), 12, 1, MaxFontSize);

  // The view is one whole: a value that is not a number, or an eye inside
  // the tetrahedron or a stereo turn beyond its track bar, gives the
  // default view.
  const std::optional<Real> alpha = ReadReal(vng, view, QStringLiteral("Alpha"), QStringLiteral("21"));
  const std::optional<Real> theta = ReadReal(vng, view, QStringLiteral("Theta"), QStringLiteral("-54"));
  const std::optional<Real> gamma = ReadReal(vng, view, QStringLiteral("Gamma"), QStringLiteral("5"));
  const std::optional<Real> eye = ReadReal(vng, view, QStringLiteral("EyeDistance"), QStringLiteral("5"));
  const bool usable = alpha && theta && gamma && eye && std::isfinite(*alpha) && std::isfinite(*theta) &&
                      *gamma >= 0 && *gamma <= 30 && *eye >= 1 && *eye <= 30;
  g.View = ViewAngles{};
  if (usable) {
    g.View.Alpha = *alpha * DegreesToRadians;
    g.View.Theta = *theta * DegreesToRadians;
    g.View.Gamma = *gamma * DegreesToRadians;
    g.View.EyeDistance = *eye;
  }
  g.ShowLegend = vng.ReadBool(legend, QStringLiteral("Show"), false);
  g.LegendVariable = vng.ReadString(legend, QStringLiteral("NameVariable"), QString()).trimmed();
  ReadPlotExtras(vng, g);
}

void PlotSettingsToIni(IniFile& vng, const GraphSettings& g) {
  const QString symbol = QStringLiteral("Symbol"), scales = QStringLiteral("Scales"),
                pens = QStringLiteral("Pens"), fonts = QStringLiteral("Fonts"), view = QStringLiteral("3D"),
                legend = QStringLiteral("Legend");
  vng.WriteInteger(symbol, QStringLiteral("DefaultSymbolSize"), g.DefaultSymbolSize);
  vng.WriteInteger(symbol, QStringLiteral("DefSymShape"), g.DefSymShape);
  vng.WriteString(scales, QStringLiteral("StereoSFactor"), SettingsRealText(g.StereoSFactor));
  vng.WriteString(scales, QStringLiteral("Scale"), SettingsRealText(g.Scale));
  vng.WriteInteger(scales, QStringLiteral("InfinityLineLengthFactor"), g.InfinityLineLengthFactor);
  vng.WriteInteger(pens, QStringLiteral("DefaultDiagramPenWidth"), g.DefaultDiagramPenWidth);
  vng.WriteInteger(pens, QStringLiteral("DefaultTiePenWidth"), g.DefaultTiePenWidth);
  vng.WriteString(fonts, QStringLiteral("LabelFontName"), g.LabelFont.Name);
  vng.WriteInteger(fonts, QStringLiteral("LabelFontSize"), g.LabelFont.Size);
  vng.WriteString(fonts, QStringLiteral("ApexFontName"), g.ApexFont.Name);
  vng.WriteInteger(fonts, QStringLiteral("ApexFontSize"), g.ApexFont.Size);
  vng.WriteString(view, QStringLiteral("Alpha"), SettingsRealText(g.View.Alpha / DegreesToRadians));
  vng.WriteString(view, QStringLiteral("Theta"), SettingsRealText(g.View.Theta / DegreesToRadians));
  vng.WriteString(view, QStringLiteral("Gamma"), SettingsRealText(g.View.Gamma / DegreesToRadians));
  vng.WriteString(view, QStringLiteral("EyeDistance"), SettingsRealText(g.View.EyeDistance));
  vng.WriteBool(legend, QStringLiteral("Show"), g.ShowLegend);
  vng.WriteString(legend, QStringLiteral("NameVariable"), g.LegendVariable);
  const int corner = static_cast<int>(g.LegendPlace);
  vng.WriteString(legend, QStringLiteral("Corner"), QString::fromLatin1(LegendCornerNames[corner]));
  vng.WriteString(legend, QStringLiteral("X"), SettingsRealText(g.LegendX));
  vng.WriteString(legend, QStringLiteral("Y"), SettingsRealText(g.LegendY));
  vng.WriteBool(legend, QStringLiteral("Transparent"), g.LegendTransparent);
  vng.WriteString(QStringLiteral("Grid"), QStringLiteral("Step"), SettingsRealText(g.GridStep));
  vng.WriteString(QStringLiteral("Reference"), QStringLiteral("File"), g.ReferenceFile);
  vng.WriteString(QStringLiteral("Points"), QStringLiteral("Opacity"), SettingsRealText(g.PointOpacity));
  vng.WriteBool(QStringLiteral("Points"), QStringLiteral("Density"), g.DensityShading);
}

std::optional<LegendCorner> LegendCornerOf(const QString& name) {
  for (int i = 0; i < 5; ++i)
    if (name.compare(QLatin1String(LegendCornerNames[i]), Qt::CaseInsensitive) == 0)
      return static_cast<LegendCorner>(i);
  return std::nullopt;
}

void ReadPlotExtras(const IniFile& vng, GraphSettings& g) {
  const QString legend = QStringLiteral("Legend");
  g.LegendPlace =
      LegendCornerOf(vng.ReadString(legend, QStringLiteral("Corner"), QString()).trimmed()).value_or(LegendCorner::TopLeft);
  const auto fraction = [&](const QString& key) {
    const std::optional<Real> v = ReadReal(vng, legend, key, QStringLiteral("0"));
    return v && *v >= 0 && *v <= 1 ? *v : 0.0L;
  };
  g.LegendX = fraction(QStringLiteral("X"));
  g.LegendY = fraction(QStringLiteral("Y"));
  g.LegendTransparent = vng.ReadBool(legend, QStringLiteral("Transparent"), false);
  const std::optional<Real> step = ReadReal(vng, QStringLiteral("Grid"), QStringLiteral("Step"), QStringLiteral("0"));
  g.GridStep = step && *step >= MinGridStep && *step <= MaxGridStep ? *step : 0;
  g.ReferenceFile = vng.ReadString(QStringLiteral("Reference"), QStringLiteral("File"), QString()).trimmed();
  g.References = ReferenceSet{};
  const std::optional<Real> opacity =
      ReadReal(vng, QStringLiteral("Points"), QStringLiteral("Opacity"), QStringLiteral("1"));
  g.PointOpacity = opacity && *opacity >= MinPointOpacity && *opacity <= 1 ? *opacity : 1;
  g.DensityShading = vng.ReadBool(QStringLiteral("Points"), QStringLiteral("Density"), false);
}

QString ProposedPlotSettingsName(const QString& dataFile) {
  // Only the last extension goes: "run.2.vnp" keeps its "2", and a name that
  // still has a dot gets ".vng" so that the proposal passes the type check.
  QString name = QFileInfo(dataFile).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) name.truncate(dot);
  if (name.contains(QLatin1Char('.'))) name += QStringLiteral(".vng");
  return name;
}

bool SavePlotSettingsCommand(const GraphSettings& g, Prompter& prompter, const QString& dataFile) {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save Plot Settings");
  spec.filter = PlotSettingsFilter;
  spec.defaultSuffix = QStringLiteral("vng");
  spec.initialPath = ProposedPlotSettingsName(dataFile);
  spec.confirmOverwrite = true;
  const std::optional<QString> path = prompter.SaveFileName(spec);
  if (!path) return false;
  const QString name = QFileInfo(*path).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || name.mid(dot).toUpper() != QLatin1String(".VNG")) {
    prompter.Message(
        BoxKind::Error,
        QStringLiteral("Sorry, cannot save to specified file type.\n\rFile type must be <.vng>."),
        Only(Button::Ok));
    return false;
  }
  IniFile vng(*path);
  PlotSettingsToIni(vng, g);
  QString error;
  if (vng.Unreadable()) error = vng.ReadError();
  if (!vng.Unreadable() && vng.Save(&error)) return true;
  prompter.FileError(QStringLiteral("Unable to write to ") + *path + QStringLiteral("\n\r") + error);
  return false;
}

bool ReadPlotSettingsFile(const QString& path, GraphSettings& g, QString* error) {
  if (!QFileInfo(path).exists()) {
    if (error) *error = QStringLiteral("the file does not exist");
    return false;
  }
  const IniFile vng(path);
  if (vng.Unreadable()) {
    if (error) *error = vng.ReadError();
    return false;
  }
  PlotSettingsFromIni(vng, g);
  if (!g.ReferenceFile.isEmpty() && QFileInfo(g.ReferenceFile).isRelative())
    g.ReferenceFile = QFileInfo(path).dir().filePath(g.ReferenceFile);
  return true;
}

bool LoadPlotSettingsCommand(GraphEngine& engine, Prompter& prompter) {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Load Plot Settings");
  spec.filter = PlotSettingsFilter;
  spec.defaultSuffix = QStringLiteral("vng");
  spec.mustExist = true;
  const std::optional<QString> path = prompter.OpenFileName(spec);
  return path && ApplyPlotSettingsFile(engine, prompter, *path);
}

bool ApplyPlotSettingsFile(GraphEngine& engine, Prompter& prompter, const QString& path) {
  QString error;
  if (!ReadPlotSettingsFile(path, engine.Settings, &error)) {
    prompter.FileError(QStringLiteral("Unable to read ") + path + QStringLiteral("\n\r") + error);
    return false;
  }
  QString why;
  if (!engine.LoadReferences(&why))
    prompter.Message(BoxKind::Warning,
                     QStringLiteral("The reference lines of the plot settings could not be read:\n\r") + why,
                     Only(Button::Ok));
  engine.RepaintGraph();
  return true;
}

}  // namespace varnel
