#include "program/plotcommand.h"

#include <QFileInfo>
#include <algorithm>

#include "app/numberlocale.h"
#include "app/prompter.h"
#include "core/computationerror.h"
#include "core/fmatrix.h"
#include "core/numberread.h"
#include "graphs/graphengine.h"
#include "graphs/graphsettingsfile.h"
#include "graphs/plotpicture.h"
#include "graphs/referencelines.h"
#include "program/batchoptions.h"
#include "program/batchsheet.h"

namespace varnel {
namespace {

// A real option within [low, high].
Real RealOption(const CommandParser& p, const QString& name, char separator, Real low, Real high) {
  const QString text = p.Value(name);
  Real v;
  if (!ReadNumber(text.toStdString(), separator, v) || v < low || v > high)
    throw UsageError{QStringLiteral("--%1 takes a number from %2 to %3, not \"%4\"")
                         .arg(name)
                         .arg(static_cast<double>(low))
                         .arg(static_cast<double>(high))
                         .arg(text)};
  return v;
}

// A page of W x H millimetres, each from 10 to 2000.
QSizeF PageSizeOption(const QString& text, char separator) {
  const QStringList parts = text.split(QLatin1Char('x'));
  Real w = 0, h = 0;
  if (parts.size() != 2 || !ReadNumber(parts[0].trimmed().toStdString(), separator, w) ||
      !ReadNumber(parts[1].trimmed().toStdString(), separator, h) || w < 10 || w > 2000 || h < 10 || h > 2000)
    throw UsageError{
        QStringLiteral("--size takes the page as WxH in millimetres, each from 10 to 2000, not \"%1\"")
            .arg(text)};
  return {static_cast<qreal>(w), static_cast<qreal>(h)};
}

int IntegerOption(const CommandParser& p, const QString& name, int low, int high) {
  bool ok = false;
  const int v = p.Value(name).toInt(&ok);
  if (!ok || v < low || v > high)
    throw UsageError{QStringLiteral("--%1 takes a whole number from %2 to %3").arg(name).arg(low).arg(high)};
  return v;
}

}  // namespace

int PlotCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(
      QStringLiteral("plot"), QStringLiteral("plot FILE [options] -o OUT.(png|bmp|pdf|svg|emf|wmf)"),
      QStringLiteral("Draws the Graphs page of the data file as the window would: the triangle of "
                     "apexes A, B, C, or the tetrahedron of A, B, C, D, with the file's Symbol#, "
                     "Color#, Size#, Label# and Tielin# columns applied. Without --apex the "
                     "apexes are the first untagged variables, as on connecting."));
  p.Add(QStringLiteral("apex"), QStringLiteral("the apex variables by name or number"),
        QStringLiteral("A,B,C[,D]"));
  p.Add(QStringLiteral("cases"), QStringLiteral("the cases to plot, such as 1-9 or 1,3,5-7 (default: all)"),
        QStringLiteral("LIST"));
  p.Add(QStringLiteral("view"), QStringLiteral("triangular, tetrahedral or stereo (default: triangular)"),
        QStringLiteral("VIEW"));
  p.Add(QStringLiteral("alpha"),
        QStringLiteral("turn of the tetrahedron about its vertical axis (default 21)"),
        QStringLiteral("DEG"));
  p.Add(QStringLiteral("theta"), QStringLiteral("tilt of the tetrahedron (default -54)"),
        QStringLiteral("DEG"));
  p.Add(QStringLiteral("eye"), QStringLiteral("distance of the eye, 1 to 30 (default 5)"),
        QStringLiteral("E"));
  p.Add(QStringLiteral("gamma"),
        QStringLiteral("turn between the views of a stereo pair, 0 to 30 (default 5)"),
        QStringLiteral("DEG"));
  p.Add(QStringLiteral("labels"),
        QStringLiteral("write point labels (Label# when present, else case numbers)"));
  p.Add(QStringLiteral("ties"), QStringLiteral("draw the tie lines of the Tielin# column"));
  p.Add(QStringLiteral("negative-points"),
        QStringLiteral("also draw cases whose values sum to a negative number"));
  p.Add(QStringLiteral("width"),
        QStringLiteral("width of a PNG, BMP or SVG picture in pixels (default 1200)"), QStringLiteral("PX"));
  p.Add(QStringLiteral("dpi"),
        QStringLiteral("resolution of a PNG or BMP picture in dots per inch (default 96)"),
        QStringLiteral("N"));
  p.Add(QStringLiteral("size"),
        QStringLiteral("the page in millimetres, such as 180x120 (default: A4 landscape); a PNG or BMP "
                       "picture without --width is this size at --dpi"),
        QStringLiteral("WxH"));
  p.Add(
      QStringLiteral("settings"),
      QStringLiteral("plot settings file (.vng) saved from the Graphs window; the options above override it"),
      QStringLiteral("FILE.vng"));
  p.Add(QStringLiteral("legend"),
        QStringLiteral(
            "draw a key of the symbols in use, named from the cells of COLUMN (none: the shape names)"),
        QStringLiteral("COLUMN"));
  p.Add(QStringLiteral("legend-corner"),
        QStringLiteral("where the key stands: top-left, top-right, bottom-left or bottom-right (default "
                       "top-left); shows the key"),
        QStringLiteral("CORNER"));
  p.Add(QStringLiteral("symbols"),
        QStringLiteral("symbol shapes from COLUMN: shape codes 0-14, or names, each of which gets its own shape"),
        QStringLiteral("COLUMN"));
  p.Add(QStringList{QStringLiteral("colours"), QStringLiteral("colors")},
        QStringLiteral("symbol colours from COLUMN: colour codes 0-14, or names, each of which gets its own "
                       "colour"),
        QStringLiteral("COLUMN"));
  p.Add(QStringLiteral("grid"), QStringLiteral("a grid over the triangle every STEP percent (1 to 50), labelled"),
        QStringLiteral("STEP"));
  p.Add(QStringLiteral("reference"),
        QStringLiteral("reference lines and fields from a file of compositions (see examples/reference)"),
        QStringLiteral("FILE"));
  p.Add(QStringLiteral("opacity"), QStringLiteral("opacity of the symbols, 0.02 to 1 (default 1)"),
        QStringLiteral("X"));
  p.Add(QStringLiteral("density"), QStringLiteral("shade the triangle by the number of points in small cells"));
  p.Add(QStringLiteral("decimal-separator"),
        QStringLiteral("decimal separator of the numbers read (default: the locale's)"), QStringLiteral("C"));
  p.Add(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("the picture to write"),
        QStringLiteral("OUT"));
  AddImportOptions(p);
  if (!p.Parse(args, out)) return 0;

  const char separator = p.IsSet(QStringLiteral("decimal-separator"))
                             ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
                             : DecimalSeparator();
  const QString output = p.Value(QStringLiteral("output"));
  if (output.isEmpty()) throw UsageError{QStringLiteral("plot needs -o OUT, the picture to write")};
  if (PictureFormat(output).isEmpty())
    throw UsageError{QStringLiteral("the picture must be a .png, .bmp, .pdf, .svg, .emf or .wmf file")};
  PictureRequest request;
  request.Path = output;
  if (p.IsSet(QStringLiteral("size")))
    request.PageMm = PageSizeOption(p.Value(QStringLiteral("size")), separator);
  const QString view =
      p.IsSet(QStringLiteral("view")) ? p.Value(QStringLiteral("view")) : QStringLiteral("triangular");
  const QStringList views{QStringLiteral("tetrahedral"), QStringLiteral("stereo"),
                          QStringLiteral("triangular")};
  if (!views.contains(view))
    throw UsageError{QStringLiteral("--view takes triangular, tetrahedral or stereo")};
  request.Page = static_cast<PlotPage>(views.indexOf(view));
  if (p.IsSet(QStringLiteral("width"))) {
    request.Width = IntegerOption(p, QStringLiteral("width"), 16, 20000);
    request.WidthSet = true;
  }
  if (p.IsSet(QStringLiteral("dpi"))) request.Dpi = IntegerOption(p, QStringLiteral("dpi"), 24, 2400);

  BatchSheet batch(err, false, false);
  batch.files.ImportDefaults = ImportOptionsOf(p, separator);
  if (!batch.Load(p.File())) return 1;
  request.DataFileName = QFileInfo(p.File()).fileName();
  Sheet& sheet = batch.sheet;
  GraphEngine engine(sheet, batch.prompter);
  sheet.SetGraphLink(&engine);
  engine.DecimalSep = separator;
  GraphSettings& g = engine.Settings;
  if (p.IsSet(QStringLiteral("settings"))) {
    const QString path = p.Value(QStringLiteral("settings"));
    QString error;
    if (!ReadPlotSettingsFile(path, g, &error)) {
      std::fprintf(err, "varnel: cannot read the plot settings %s: %s\n", path.toLocal8Bit().constData(),
                   error.toLocal8Bit().constData());
      return 1;
    }
  }
  if (p.IsSet(QStringLiteral("legend"))) {
    const QString column = p.Value(QStringLiteral("legend")).trimmed();
    g.ShowLegend = true;
    g.LegendVariable = column.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0 ? QString() : [&] {
      const std::string_view name = sheet.Name(FindColumn(sheet, column));
      return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    }();
  }
  if (p.IsSet(QStringLiteral("legend-corner"))) {
    const QString corner = p.Value(QStringLiteral("legend-corner")).trimmed().toLower();
    const QStringList corners{QStringLiteral("top-left"), QStringLiteral("top-right"),
                              QStringLiteral("bottom-left"), QStringLiteral("bottom-right")};
    if (!corners.contains(corner))
      throw UsageError{QStringLiteral("--legend-corner takes top-left, top-right, bottom-left or bottom-right")};
    g.LegendPlace = static_cast<LegendCorner>(corners.indexOf(corner));
    g.ShowLegend = true;
  }
  if (p.IsSet(QStringLiteral("grid")))
    g.GridStep = RealOption(p, QStringLiteral("grid"), separator, MinGridStep, MaxGridStep);
  if (p.IsSet(QStringLiteral("opacity")))
    g.PointOpacity = RealOption(p, QStringLiteral("opacity"), separator, MinPointOpacity, 1);
  if (p.IsSet(QStringLiteral("density"))) g.DensityShading = true;
  if (p.IsSet(QStringLiteral("reference"))) {
    g.ReferenceFile = p.Value(QStringLiteral("reference"));
    g.References = ReferenceSet{};
  }
  if (!g.ReferenceFile.isEmpty()) {
    QString error;
    if (!ReadReferenceFile(g.ReferenceFile, g.References, &error)) {
      std::fprintf(err, "varnel: cannot read the reference lines %s\n", error.toLocal8Bit().constData());
      return 1;
    }
  }
  ViewAngles& angles = g.View;
  if (p.IsSet(QStringLiteral("alpha")))
    angles.Alpha = RealOption(p, QStringLiteral("alpha"), separator, -3600, 3600) * DegreesToRadians;
  if (p.IsSet(QStringLiteral("theta")))
    angles.Theta = RealOption(p, QStringLiteral("theta"), separator, -3600, 3600) * DegreesToRadians;
  if (p.IsSet(QStringLiteral("gamma")))
    angles.Gamma = RealOption(p, QStringLiteral("gamma"), separator, 0, 30) * DegreesToRadians;
  if (p.IsSet(QStringLiteral("eye")))
    angles.EyeDistance = RealOption(p, QStringLiteral("eye"), separator, 1, 30);
  g.ViewLabels = p.IsSet(QStringLiteral("labels"));
  g.ViewTies = p.IsSet(QStringLiteral("ties"));
  g.PlotNegPoints = p.IsSet(QStringLiteral("negative-points"));

  std::vector<int> apexes;
  if (p.IsSet(QStringLiteral("apex"))) {
    const QStringList names = p.Value(QStringLiteral("apex")).split(QLatin1Char(','));
    if (names.size() < 3 || names.size() > 4)
      throw UsageError{QStringLiteral("--apex takes three or four variables")};
    for (const QString& name : names) {
      apexes.push_back(FindColumn(sheet, name.trimmed()));
      if (std::count(apexes.begin(), apexes.end(), apexes.back()) > 1)
        throw UsageError{QStringLiteral("--apex names \"%1\" twice: a variable stands at one apex").arg(name.trimmed())};
    }
  }
  if (p.IsSet(QStringLiteral("cases"))) {
    const std::vector<int> rows =
        ParseCaseList(p.Value(QStringLiteral("cases")), sheet.CaseCount(), QStringLiteral("--cases"));
    for (int r = 1; r < sheet.RowCount(); ++r) sheet.SetCell(0, r, "N");
    for (int r : rows) sheet.SetCell(0, r, "Y");
  }

  // Connecting selects the apexes and finds the special columns; chosen
  // apexes then take their places.
  g.AutoVarSelect = true;
  engine.GetWSheetData(false);
  if (!apexes.empty()) {
    engine.SetUpdating(true);
    const GraphSelector order[4] = {GraphSelector::A, GraphSelector::B, GraphSelector::C, GraphSelector::D};
    for (std::size_t i = 0; i < 4; ++i) {
      engine.SetSelectorItem(order[i], i < apexes.size() ? apexes[i] : 0);
      engine.ApexChanged(order[i]);
    }
    engine.SetUpdating(false);
    engine.Recompute();
  }
  // Columns chosen for the symbols and colours replace the file's own.
  const auto chooseColumn = [&](const QString& option, GraphSelector selector) {
    if (!p.IsSet(option)) return;
    engine.SetSelectorItem(selector, FindColumn(sheet, p.Value(option).trimmed()));
    engine.SpecialColumnChanged(selector);
  };
  chooseColumn(QStringLiteral("symbols"), GraphSelector::SymbolShape);
  chooseColumn(QStringLiteral("colours"), GraphSelector::SymbolColor);
  // The file's own symbols, colours, sizes and labels, as "From variable".
  g.UseDefaultShape = engine.SelectorItem(GraphSelector::SymbolShape) == 0;
  g.UseDefaultColor = engine.SelectorItem(GraphSelector::SymbolColor) == 0;
  g.UseDefaultSize = engine.SelectorItem(GraphSelector::SymbolSize) == 0;
  g.UseDefaultLabels = engine.SelectorItem(GraphSelector::Label) == 0;
  engine.Page = request.Page;
  const int needed = request.Page == PlotPage::Triangular ? 1 : 2;
  if (engine.PlotKind() == 0 || (needed == 2 && engine.PlotKind() != 2))
    std::fprintf(err, "varnel: only the outline is drawn: the %s needs %s apex variables\n",
                 needed == 1 ? "triangle" : "tetrahedron", needed == 1 ? "three" : "four");

  // A case with no finite position would be drawn somewhere it does not
  // belong: the picture is refused rather than drawn without it.
  if (const int undefined = engine.UndefinedCases(request.Page); undefined > 0) {
    PrompterSink sink(batch.prompter);
    ComputationError(NonFiniteCode, "Plot: ", sink);
    std::fprintf(err, "varnel: %d case(s) have no finite position; %s is not written\n", undefined,
                 output.toLocal8Bit().constData());
    return 1;
  }

  QString error;
  if (!WritePlotPicture(engine, request, &error)) {
    // The save's own reasons name the file already.
    if (error.contains(output))
      std::fprintf(err, "varnel: %s\n", error.toLocal8Bit().constData());
    else
      std::fprintf(err, "varnel: cannot write %s: %s\n", output.toLocal8Bit().constData(),
                   error.toLocal8Bit().constData());
    return 1;
  }
  const int points =
      request.Page == PlotPage::Triangular ? engine.TriangularPointsDrawn() : engine.TetrahedralPointsDrawn();
  std::fprintf(out, "%s: %d of %d cases drawn\n", QFileInfo(output).fileName().toLocal8Bit().constData(), points,
               sheet.CaseCount());
  return 0;
}

}  // namespace varnel
