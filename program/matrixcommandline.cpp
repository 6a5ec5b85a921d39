#include "program/matrixcommandline.h"

#include <QDateTime>
#include <QFileInfo>
#include <cmath>

#include "app/numberlocale.h"
#include "app/reporttarget.h"
#include "app/version.h"
#include "core/numberread.h"
#include "core/rowweight.h"
#include "matrix/mapping.h"
#include "matrix/matrixreport.h"
#include "program/batchoptions.h"
#include "program/batchsheet.h"

namespace varnel {
namespace {

int RunMatrixReport(bool inverse, const QStringList& args, std::FILE* out, std::FILE* err) {
  const QString name = inverse ? QStringLiteral("inverse") : QStringLiteral("svd");
  CommandParser p(name, name + QStringLiteral(" FILE [options]"),
                  inverse ? QStringLiteral("Matrix inverse report of the chosen cases on standard output.")
                          : QStringLiteral("Singular value decomposition report of the chosen cases on "
                                           "standard output."));
  p.Add(QStringLiteral("cases"), QStringLiteral("case rows of the DataSheet to use (default: all cases)"),
        QStringLiteral("FIRST-LAST"));
  p.Add(QStringLiteral("style"),
        QStringLiteral("number format short|long|max|exp: 4, 6 or 8 decimals, or 13-digit scientific "
                       "(default: short)"),
        QStringLiteral("STYLE"));
  p.Add(QStringLiteral("rows-are-cases"),
        QStringLiteral("one matrix row per case (default: one row per variable)"));
  p.Add(QStringLiteral("case-names"),
        QStringLiteral("column holding case names (default: Label# when present)"),
        QStringLiteral("COLUMN|none"));
  p.Add(QStringLiteral("no-case-numbers"), QStringLiteral("leave out the case numbers"));
  p.Add(QStringLiteral("no-case-names"), QStringLiteral("leave out the case names"));
  p.Add(QStringLiteral("no-variable-names"), QStringLiteral("leave out the variable names"));
  if (!inverse) {
    p.Add(QStringLiteral("w-matrix"), QStringLiteral("print W as a diagonal matrix, not as a vector"));
    p.Add(QStringLiteral("threshold"),
          QStringLiteral("zero threshold of the Matrix Rank line (default 0.009)"), QStringLiteral("X"));
  }
  p.Add(QStringLiteral("decimal-separator"),
        QStringLiteral("decimal separator of numbers read and written (default: the locale's)"),
        QStringLiteral("C"));
  AddImportOptions(p);
  if (!p.Parse(args, out)) return 0;

  MatrixReportOptions options;
  const char separator = p.IsSet(QStringLiteral("decimal-separator"))
                             ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
                             : DecimalSeparator();
  if (p.IsSet(QStringLiteral("style"))) {
    const QStringList styles{QStringLiteral("short"), QStringLiteral("long"), QStringLiteral("max"),
                             QStringLiteral("exp")};
    options.Style = static_cast<int>(styles.indexOf(p.Value(QStringLiteral("style"))));
    if (options.Style < 0) throw UsageError{QStringLiteral("--style takes short, long, max or exp")};
  }
  options.Transpose = !p.IsSet(QStringLiteral("rows-are-cases"));
  options.CaseNumbers = !p.IsSet(QStringLiteral("no-case-numbers"));
  options.CaseNames = !p.IsSet(QStringLiteral("no-case-names"));
  options.VarNames = !p.IsSet(QStringLiteral("no-variable-names"));
  if (!inverse) {
    options.VectorizeW = !p.IsSet(QStringLiteral("w-matrix"));
    if (p.IsSet(QStringLiteral("threshold")))
      options.Threshold = ParseThreshold(p.Value(QStringLiteral("threshold")), separator);
  }
  options.ThresholdText = ThresholdText(options.Threshold, separator);

  BatchSheet batch(err, false, false);
  batch.files.ImportDefaults = ImportOptionsOf(p, separator);
  if (!batch.Load(p.File())) return 1;
  Sheet& sheet = batch.sheet;

  int first = 1, last = sheet.CaseCount();
  if (p.IsSet(QStringLiteral("cases")))
    ParseCases(p.Value(QStringLiteral("cases")), sheet.CaseCount(), first, last);
  sheet.Sel = Selection{1, first, sheet.ColCount() - 1, last};
  if (p.IsSet(QStringLiteral("case-names"))) {
    const QString names = p.Value(QStringLiteral("case-names"));
    options.CaseNameColumn = names == QLatin1String("none") ? 0 : FindColumn(sheet, names);
  } else {
    options.CaseNameColumn = LabelColumn(sheet);
  }

  LinesReport report;
  MatrixCommandContext context;
  context.ShowDialog = [&options](MatrixReportOptions& o) {
    o = options;
    return true;
  };
  context.Report = &report;
  context.FontSize = report.FontSize();
  context.Environment = [&sheet, separator] { return ReportEnvironmentNow(sheet.FileName, separator); };
  const CommandOutcome outcome = inverse ? RunInverseCommand(sheet, context) : RunSvdCommand(sheet, context);
  PrintLines(out, report.lines);
  return outcome == CommandOutcome::Done ? 0 : 1;
}

}  // namespace

int SvdCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  return RunMatrixReport(false, args, out, err);
}

int InverseCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  return RunMatrixReport(true, args, out, err);
}

int MapCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(
      QStringLiteral("map"), QStringLiteral("map FILE --cases FIRST-LAST [options] -o OUT"),
      QStringLiteral("Coordinate mapping: the cases FIRST-LAST define the new variables, one each, in "
                     "terms of the untagged variables; every case of FILE is mapped and the results "
                     "are appended as new tagged variables, written to the data file OUT."));
  p.Add(QStringLiteral("cases"), QStringLiteral("the defining cases (required)"),
        QStringLiteral("FIRST-LAST"));
  p.Add(QStringLiteral("threshold"), QStringLiteral("zero threshold (default 0.0009)"), QStringLiteral("X"));
  p.Add(QStringLiteral("computational"),
        QStringLiteral("use the computational zero of the decomposition instead"));
  p.Add(QStringLiteral("names"),
        QStringLiteral(
            "column naming the new variables (default: Label# when present, else New 1#, New 2#, ...)"),
        QStringLiteral("COLUMN|none"));
  p.Add(QStringLiteral("weights"),
        QStringLiteral("weights of the untagged variables when there are more of them than new variables "
                       "(default 1, or 100 for names with +; separate them with ; when the decimal separator "
                       "is ,)"),
        QStringLiteral("W1,W2,..."));
  p.Add(QStringLiteral("yes"), QStringLiteral("go on when the defining cases are degenerate"));
  p.Add(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("the data file written"),
        QStringLiteral("OUT"));
  p.Add(QStringLiteral("decimal-separator"), QStringLiteral("as for svd"), QStringLiteral("C"));
  AddImportOptions(p);
  if (!p.Parse(args, out)) return 0;

  const char separator = p.IsSet(QStringLiteral("decimal-separator"))
                             ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
                             : DecimalSeparator();
  const QString casesText = p.Value(QStringLiteral("cases"));
  const QString output = p.Value(QStringLiteral("output"));
  const QString weightsText = p.Value(QStringLiteral("weights"));
  const bool computational = p.IsSet(QStringLiteral("computational"));
  if (casesText.isEmpty())
    throw UsageError{QStringLiteral("map needs --cases FIRST-LAST: the cases that define the new variables")};
  if (output.isEmpty()) throw UsageError{QStringLiteral("map needs -o OUT, the data file to write")};
  if (computational && p.IsSet(QStringLiteral("threshold")))
    throw UsageError{QStringLiteral("--threshold and --computational exclude each other")};
  MappingOptions options;
  options.Computational = computational;
  if (p.IsSet(QStringLiteral("threshold")))
    options.Threshold = ParseThreshold(p.Value(QStringLiteral("threshold")), separator);

  BatchSheet batch(err, p.IsSet(QStringLiteral("yes")), true);
  batch.files.ImportDefaults = ImportOptionsOf(p, separator);
  if (!batch.Load(p.File())) return 1;
  Sheet& sheet = batch.sheet;
  ConsolePrompter& prompter = batch.prompter;
  int first = 1, last = 1;
  ParseCases(casesText, sheet.CaseCount(), first, last);
  if (p.IsSet(QStringLiteral("names"))) {
    const QString names = p.Value(QStringLiteral("names"));
    options.NamesColumn = names == QLatin1String("none") ? 0 : FindColumn(sheet, names);
  } else {
    options.NamesColumn = LabelColumn(sheet);
  }
  sheet.Sel = Selection{0, first, sheet.ColCount() - 1, last};
  sheet.RowsMode = true;
  bool weightsRefused = false;
  const MappingOutcome outcome = RunMappingCommand(
      sheet, separator, [&](MappingOptions& o, int nOld, int, bool weighted, const IVector& list) {
        std::vector<Real> weights = o.Weights;
        if (!weightsText.isEmpty()) {
          if (!weighted) {
            weightsRefused = true;
            std::fprintf(err,
                         "varnel: --weights applies only when there are more old variables than new ones\n");
            return false;
          }
          const QStringList parts = weightsText.split(QLatin1Char(separator == ',' ? ';' : ','));
          if (parts.size() != nOld) {
            weightsRefused = true;
            std::fprintf(err, "varnel: --weights needs %d values, one per untagged variable\n", nOld);
            return false;
          }
          for (int k = 0; k < nOld; ++k) {
            Real v;
            if (!ReadNumber(parts[k].trimmed().toStdString(), separator, v)) {
              weightsRefused = true;
              std::fprintf(err, "varnel: weight '%s' is not a number\n", parts[k].toLocal8Bit().constData());
              return false;
            }
            bool zeroed = false;
            weights[static_cast<std::size_t>(k)] = UsableRowWeight(v, zeroed);
            if (zeroed)
              prompter.Message(BoxKind::Warning,
                               QString::fromStdString(
                                   ZeroRowWeightMessage(sheet.Name(list[k + 1]), WeightWarning::Mapping)),
                               Only(Button::Ok));
          }
        }
        const std::vector<Real> kept = weights;
        o = options;
        o.Weights = kept;
        return true;
      });
  if (weightsRefused) return 2;
  if (outcome != MappingOutcome::Done || prompter.refusedQuestion) return 1;
  sheet.Prefs.BackupWanted = false;
  sheet.SetFileName(QFileInfo(output).absoluteFilePath());
  return batch.files.Save1Click() ? 0 : 1;
}

}  // namespace varnel
