#include "program/chemistrycommand.h"

#include <QFileInfo>
#include <algorithm>

#include "app/numberlocale.h"
#include "app/reporttarget.h"
#include "chemistry/oxides.h"
#include "chemistry/sheetchemistry.h"
#include "program/batchoptions.h"
#include "program/batchsheet.h"
#include "sheet/sheetexport.h"

namespace varnel {
namespace {

char Separator(const CommandParser& p) {
  return p.IsSet(QStringLiteral("decimal-separator"))
             ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
             : DecimalSeparator();
}

ResultStyle StyleOf(const CommandParser& p, char separator) {
  ResultStyle style;
  style.Separator = separator;
  if (p.IsSet(QStringLiteral("decimals"))) {
    bool ok = false;
    style.Decimals = p.Value(QStringLiteral("decimals")).toInt(&ok);
    if (!ok || style.Decimals < 0 || style.Decimals > 17)
      throw UsageError{QStringLiteral("--decimals takes a whole number from 0 to 17")};
  }
  return style;
}

void AddCommonOptions(CommandParser& p) {
  p.Add(
      QStringLiteral("decimals"),
      QStringLiteral("write results with N decimals (default: the shortest text that reads back to the same "
                     "value)"),
      QStringLiteral("N"));
  p.Add(QStringLiteral("yes"), QStringLiteral("replace existing tagged or label variables without asking"));
  p.Add(QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("the file written: a data file, or a table for other programs (.csv, .xlsx)"),
        QStringLiteral("OUT"));
  p.Add(QStringLiteral("decimal-separator"),
        QStringLiteral("decimal separator of numbers read and written (default: the locale's)"),
        QStringLiteral("C"));
  AddImportOptions(p);
}

// Writes the sheet as its extension says: a table for other programs
// (.csv, .xlsx) or a Varnel data file. Formats the program cannot write are
// refused rather than written in the wrong one under their name.
int Save(BatchSheet& batch, const QString& output, char separator, std::FILE* err) {
  const QString suffix = QFileInfo(output).suffix().toLower();
  if (suffix == QLatin1String("csv") || suffix == QLatin1String("xlsx")) {
    QString error;
    if (ExportSheet(batch.sheet, QFileInfo(output).absoluteFilePath(), false, separator, &error)) return 0;
    std::fprintf(err, "varnel: %s\n", DisplayText(error).toLocal8Bit().constData());
    return 1;
  }
  if (suffix == QLatin1String("xls") || suffix == QLatin1String("ods")) {
    std::fprintf(err, "varnel: %s: the result is written as .vnp, .csv or .xlsx\n",
                 output.toLocal8Bit().constData());
    return 1;
  }
  batch.sheet.Prefs.BackupWanted = false;
  batch.sheet.SetFileName(QFileInfo(output).absoluteFilePath());
  return batch.files.Save1Click() ? 0 : 1;
}

int PositiveNumber(const QString& text, const QString& option) {
  bool ok = false;
  const int n = text.toInt(&ok);
  if (!ok || n < 1 || n > 1000)
    throw UsageError{QStringLiteral("%1 takes a whole number from 1 to 1000").arg(option)};
  return n;
}

}  // namespace

int ComputeCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(
      QStringLiteral("compute"), QStringLiteral("compute FILE --new NAME=FORMULA ... -o OUT"),
      QStringLiteral("Adds variables computed by formulas over the variables of FILE, in the order "
                     "given (a formula may use the variables made before it), and writes the data "
                     "file OUT. Names that are not plain words go in brackets: [SiO2 (wt%)]."));
  p.Add(QStringLiteral("new"), QStringLiteral("a new variable NAME computed by FORMULA (repeatable)"),
        QStringLiteral("NAME=FORMULA"));
  p.Add(QStringLiteral("replace"),
        QStringLiteral("new values of the existing variable NAME computed by FORMULA (repeatable)"),
        QStringLiteral("NAME=FORMULA"));
  AddCommonOptions(p);
  if (!p.Parse(args, out)) return 0;
  const char separator = Separator(p);
  const ResultStyle style = StyleOf(p, separator);
  const QString output = p.Value(QStringLiteral("output"));
  if (output.isEmpty()) throw UsageError{QStringLiteral("compute needs -o OUT, the data file to write")};
  // The formulas in the order they were given, new and replaced alike.
  struct Step {
    bool replace;
    QString name, formula;
  };
  std::vector<Step> steps;
  const QStringList news = p.Parser().values(QStringLiteral("new"));
  const QStringList replaces = p.Parser().values(QStringLiteral("replace"));
  qsizetype n = 0, r = 0;
  for (const QString& a : args) {
    const bool isNew = a == QLatin1String("--new") || a.startsWith(QLatin1String("--new="));
    const bool isReplace = a == QLatin1String("--replace") || a.startsWith(QLatin1String("--replace="));
    const QString value = isNew && n < news.size()           ? news[n++]
                          : isReplace && r < replaces.size() ? replaces[r++]
                                                             : QString();
    if (!isNew && !isReplace) continue;
    const qsizetype eq = value.indexOf(QLatin1Char('='));
    if (eq <= 0)
      throw UsageError{QStringLiteral("--%1 takes NAME=FORMULA")
                           .arg(isNew ? QStringLiteral("new") : QStringLiteral("replace"))};
    steps.push_back({isReplace, value.left(eq).trimmed(), value.mid(eq + 1)});
  }
  if (steps.empty()) throw UsageError{QStringLiteral("compute needs at least one --new NAME=FORMULA")};

  BatchSheet batch(err, p.IsSet(QStringLiteral("yes")), true);
  batch.files.ImportDefaults = ImportOptionsOf(p, separator);
  if (!batch.Load(p.File())) return 1;
  for (const Step& s : steps) {
    FormulaRequest request;
    request.Text = s.formula.toStdString();
    request.Style = style;
    request.NewVariable = !s.replace;
    request.Name = s.name.toStdString();
    if (s.replace) {
      request.Column = ColumnNamed(batch.sheet, request.Name);
      if (request.Column == 0) {
        std::fprintf(err, "varnel: there is no variable %s to replace\n", s.name.toLocal8Bit().constData());
        return 1;
      }
    }
    if (RunFormulaCommand(batch.sheet, request) != CommandOutcome::Done) return 1;
  }
  return Save(batch, output, separator, err);
}

int RecalcCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(
      QStringLiteral("recalc"),
      QStringLiteral("recalc FILE [--oxygens N [--cations T --fe3 charge-balance]] [--fe-total FeO|Fe2O3] "
                     "[--normalise [--volatile-free]] [--moles] ... -o OUT"),
      QStringLiteral(
          "Recalculates the oxide analyses of FILE (its untagged columns named after oxides, such "
          "as SiO2, Al2O3 (wt%), FeOt) and writes the data file OUT with the new columns; the report "
          "goes to standard output."));
  p.Add(QStringLiteral("oxygens"), QStringLiteral("cations per N oxygens"), QStringLiteral("N"));
  p.Add(QStringLiteral("cations"), QStringLiteral("cations per formula unit for Fe3+ by charge balance"),
        QStringLiteral("T"));
  p.Add(QStringLiteral("fe3"), QStringLiteral("Fe3+ estimate: charge-balance (Droop 1987)"),
        QStringLiteral("METHOD"));
  p.Add(QStringLiteral("fe-total"), QStringLiteral("total iron as FeO or as Fe2O3"),
        QStringLiteral("FeO|Fe2O3"));
  p.Add(QStringLiteral("normalise"), QStringLiteral("normalise to 100 wt%"));
  p.Add(QStringLiteral("volatile-free"), QStringLiteral("with --normalise: leave out H2O, CO2, SO3 and LOI"));
  p.Add(QStringLiteral("moles"), QStringLiteral("molecular proportions (wt% / molar mass)"));
  p.Add(QStringLiteral("cation-proportions"), QStringLiteral("cation proportions"));
  p.Add(QStringLiteral("mg-number"), QStringLiteral("Mg# = 100 Mg / (Mg + Fe2+) in moles"));
  p.Add(QStringLiteral("afm"), QStringLiteral("the AFM coordinates (Na2O + K2O, FeO total, MgO)"));
  p.Add(QStringLiteral("columns"),
        QStringLiteral("the columns to use, separated by commas (default: every untagged column)"),
        QStringLiteral("A,B,..."));
  p.Add(QStringLiteral("map"), QStringLiteral("column COLUMN holds OXIDE, or none (repeatable)"),
        QStringLiteral("COLUMN=OXIDE"));
  AddCommonOptions(p);
  if (!p.Parse(args, out)) return 0;
  const char separator = Separator(p);
  const ResultStyle style = StyleOf(p, separator);
  const QString output = p.Value(QStringLiteral("output"));
  if (output.isEmpty()) throw UsageError{QStringLiteral("recalc needs -o OUT, the data file to write")};
  RecalcOptions o;
  if (p.IsSet(QStringLiteral("oxygens")))
    o.Oxygens = PositiveNumber(p.Value(QStringLiteral("oxygens")), QStringLiteral("--oxygens"));
  if (p.IsSet(QStringLiteral("fe3"))) {
    if (p.Value(QStringLiteral("fe3")) != QLatin1String("charge-balance"))
      throw UsageError{QStringLiteral("--fe3 takes charge-balance")};
    if (!p.IsSet(QStringLiteral("cations")))
      throw UsageError{QStringLiteral("--fe3 charge-balance needs --cations T")};
    o.Fe3ChargeBalance = true;
  }
  if (p.IsSet(QStringLiteral("cations"))) {
    o.Cations = PositiveNumber(p.Value(QStringLiteral("cations")), QStringLiteral("--cations"));
    o.Fe3ChargeBalance = true;
  }
  if (o.Fe3ChargeBalance && o.Oxygens == 0)
    throw UsageError{QStringLiteral("Fe3+ by charge balance needs --oxygens N")};
  if (p.IsSet(QStringLiteral("fe-total"))) {
    const QString v = p.Value(QStringLiteral("fe-total"));
    if (v.compare(QLatin1String("FeO"), Qt::CaseInsensitive) == 0)
      o.Iron = IronTotal::AsFeO;
    else if (v.compare(QLatin1String("Fe2O3"), Qt::CaseInsensitive) == 0)
      o.Iron = IronTotal::AsFe2O3;
    else
      throw UsageError{QStringLiteral("--fe-total takes FeO or Fe2O3")};
  }
  o.Normalise = p.IsSet(QStringLiteral("normalise"));
  o.VolatileFree = p.IsSet(QStringLiteral("volatile-free"));
  if (o.VolatileFree && !o.Normalise)
    throw UsageError{QStringLiteral("--volatile-free goes with --normalise")};
  o.Moles = p.IsSet(QStringLiteral("moles"));
  o.CationProportions = p.IsSet(QStringLiteral("cation-proportions"));
  o.MgNumber = p.IsSet(QStringLiteral("mg-number"));
  o.Afm = p.IsSet(QStringLiteral("afm"));
  if (o.Oxygens == 0 && o.Iron == IronTotal::AsGiven && !o.Normalise && !o.Moles && !o.CationProportions &&
      !o.MgNumber && !o.Afm)
    throw UsageError{QStringLiteral("recalc needs something to compute: --oxygens, --fe-total, --normalise, "
                                    "--moles, --cation-proportions, --mg-number or --afm")};

  BatchSheet batch(err, p.IsSet(QStringLiteral("yes")), true);
  batch.files.ImportDefaults = ImportOptionsOf(p, separator);
  if (!batch.Load(p.File())) return 1;
  Sheet& sheet = batch.sheet;
  std::vector<ColumnMapping> mapping = DefaultMapping(sheet);
  if (p.IsSet(QStringLiteral("columns"))) {
    // The columns named, in that order, as a selection in the window.
    std::vector<int> cols;
    for (const QString& name : p.Value(QStringLiteral("columns")).split(QLatin1Char(',')))
      cols.push_back(FindColumn(sheet, name.trimmed()));
    mapping.clear();
    for (int c : cols) {
      const auto r = RecogniseComponent(sheet.Name(c));
      mapping.push_back({c, r ? r->Component : -1});
    }
  }
  for (const QString& m : p.Parser().values(QStringLiteral("map"))) {
    const qsizetype eq = m.lastIndexOf(QLatin1Char('='));
    if (eq <= 0) throw UsageError{QStringLiteral("--map takes COLUMN=OXIDE")};
    const int col = FindColumn(sheet, m.left(eq).trimmed());
    const QString oxide = m.mid(eq + 1).trimmed();
    int component = -1;
    if (oxide != QLatin1String("none")) {
      component = ComponentIndex(oxide.toStdString());
      if (component < 0) throw UsageError{QStringLiteral("--map: %1 is no oxide Varnel knows").arg(oxide)};
    }
    bool found = false;
    for (ColumnMapping& cm : mapping)
      if (cm.Column == col) {
        cm.Component = component;
        found = true;
      }
    if (!found) mapping.push_back({col, component});
  }
  LinesReport report;
  const CommandOutcome outcome =
      RunRecalcCommand(sheet, mapping, o, style, &report, ReportEnvironmentNow(sheet.FileName, separator));
  PrintLines(out, report.lines);
  if (outcome != CommandOutcome::Done) return 1;
  return Save(batch, output, separator, err);
}

}  // namespace varnel
