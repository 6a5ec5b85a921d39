#include "app/commandline.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <charconv>
#include <cmath>

#include "app/numberlocale.h"
#include "app/prompter.h"
#include "app/reporttarget.h"
#include "app/version.h"
#include "core/numberread.h"
#include "datasheet/datafiles.h"
#include "datasheet/sheet.h"
#include "matrix/mapping.h"
#include "matrix/matrixreport.h"
#include "matrix/selectionmatrix.h"

namespace varnel {
namespace {

// Messages go to standard error; questions take the answer given on the
// command line, warnings are all shown and reading goes on.
class ConsolePrompter : public Prompter {
 public:
  ConsolePrompter(std::FILE* err, bool yes) : err_(err), yes_(yes) {}
  Button Message(BoxKind kind, const QString& text, Buttons buttons) override {
    const char* label = kind == BoxKind::Error ? "error: " : kind == BoxKind::Warning ? "warning: " : "";
    std::fprintf(err_, "%s%s\n", label, DisplayText(text).toLocal8Bit().constData());
    if (buttons & static_cast<unsigned>(Button::Yes)) {
      if (yes_) return Button::Yes;
      refusedQuestion = true;
      return (buttons & static_cast<unsigned>(Button::No)) ? Button::No : Button::Cancel;
    }
    return Button::Ok;
  }
  std::optional<QString> OpenFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QString> SaveFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QFont> ChooseFont(const QFont&) override { return std::nullopt; }
  std::optional<PrintRange> PrintDialog(QPrinter&, bool) override { return std::nullopt; }
  bool PrinterSetup(QPrinter&) override { return false; }
  bool refusedQuestion = false;

 private:
  std::FILE* err_;
  bool yes_;
};

// A sheet without a window, loaded from a data file as Open loads it.
struct BatchSheet {
  BatchSheet(std::FILE* err, bool yes)
      : prompter(err, yes), sheet(prompter, graph, wizard), files(sheet, nullptr, nullptr) {
    sheet.New1Click();
  }
  bool Load(const QString& file) { return files.LoadDataFile(QFileInfo(file).absoluteFilePath()); }

  ConsolePrompter prompter;
  GraphLink graph;
  WizardLink wizard;
  Sheet sheet;
  DataFiles files;
};

struct UsageError {
  QString text;
};

// The value that follows an option.
QString Next(const QStringList& args, int& i) {
  if (i + 1 >= args.size()) throw UsageError{args[i] + QStringLiteral(" needs a value")};
  return args[++i];
}

// The one character of --decimal-separator.
char ParseSeparator(const QString& s) {
  if (s.size() != 1 || s[0].unicode() > 127 || s[0].isDigit() || s[0] == QLatin1Char('-') ||
      s[0] == QLatin1Char('+'))
    throw UsageError{QStringLiteral("--decimal-separator takes one character such as . or ,")};
  return s[0].toLatin1();
}

// A --threshold value, 0 to 99999999.9.
Real ParseThreshold(const QString& text, char separator) {
  Real t;
  if (!ReadNumber(text.toStdString(), separator, t) || t < 0 || t > 99999999.9L)
    throw UsageError{QStringLiteral("--threshold takes a number from 0 to 99999999.9")};
  return t;
}

// The column of "Label#", or 0.
int LabelColumn(const Sheet& sheet) {
  for (int c = 1; c < sheet.ColCount(); ++c)
    if (sheet.Name(c) == "Label#") return c;
  return 0;
}

// "FIRST-LAST" as two DataSheet case rows.
void ParseCases(const QString& text, int caseCount, int& first, int& last) {
  const QStringList parts = text.split(QLatin1Char('-'));
  bool ok1 = false, ok2 = false;
  if (parts.size() == 2) {
    first = parts[0].toInt(&ok1);
    last = parts[1].toInt(&ok2);
  }
  if (!ok1 || !ok2) throw UsageError{QStringLiteral("--cases takes FIRST-LAST, for example 1-12")};
  if (first < 1 || last < first || last > caseCount)
    throw UsageError{QStringLiteral("--cases %1 is outside the file's cases 1-%2").arg(text).arg(caseCount)};
}

// A column by its name, or by its number.
int FindColumn(const Sheet& sheet, const QString& name) {
  for (int c = 1; c < sheet.ColCount(); ++c)
    if (QString::fromUtf8(sheet.Name(c).data(), static_cast<qsizetype>(sheet.Name(c).size())) == name)
      return c;
  bool ok = false;
  const int c = name.toInt(&ok);
  if (ok && c >= 1 && c < sheet.ColCount()) return c;
  throw UsageError{QStringLiteral("the file has no column \"%1\"").arg(name)};
}

void Print(std::FILE* out, const QStringList& lines) {
  for (const QString& line : lines) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
    std::fputc('\n', out);
  }
  std::fflush(out);
}

int RunMatrixReport(const QString& command, const QStringList& args, std::FILE* out, std::FILE* err) {
  QString file;
  QString casesText;
  QString caseNames;
  bool caseNamesGiven = false;
  MatrixReportOptions options;
  QString thresholdText;
  char separator = DecimalSeparator();
  const bool inverse = command == QLatin1String("inverse");
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--cases")) {
      casesText = Next(args, i);
    } else if (a == QLatin1String("--style")) {
      const QString s = Next(args, i);
      const QStringList styles{QStringLiteral("short"), QStringLiteral("long"), QStringLiteral("max"),
                               QStringLiteral("exp")};
      options.Style = static_cast<int>(styles.indexOf(s));
      if (options.Style < 0) throw UsageError{QStringLiteral("--style takes short, long, max or exp")};
    } else if (a == QLatin1String("--rows-are-cases")) {
      options.Transpose = false;
    } else if (a == QLatin1String("--case-names")) {
      caseNames = Next(args, i);
      caseNamesGiven = true;
    } else if (a == QLatin1String("--no-case-numbers")) {
      options.CaseNumbers = false;
    } else if (a == QLatin1String("--no-case-names")) {
      options.CaseNames = false;
    } else if (a == QLatin1String("--no-variable-names")) {
      options.VarNames = false;
    } else if (a == QLatin1String("--w-matrix") && !inverse) {
      options.VectorizeW = false;
    } else if (a == QLatin1String("--threshold") && !inverse) {
      thresholdText = Next(args, i);
    } else if (a == QLatin1String("--decimal-separator")) {
      separator = ParseSeparator(Next(args, i));
    } else if (a.startsWith(QLatin1String("--"))) {
      throw UsageError{QStringLiteral("unknown option %1 for %2").arg(a, command)};
    } else if (file.isEmpty()) {
      file = a;
    } else {
      throw UsageError{QStringLiteral("only one data file, please")};
    }
  }
  if (file.isEmpty()) throw UsageError{QStringLiteral("%1 needs a data file").arg(command)};
  if (!thresholdText.isEmpty()) options.Threshold = ParseThreshold(thresholdText, separator);
  {
    // The threshold as the dialog shows it: 16 decimals.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, options.Threshold, std::chars_format::fixed, 16);
    options.ThresholdText = QString::fromLatin1(buf, static_cast<qsizetype>(res.ptr - buf));
    options.ThresholdText.replace(QLatin1Char('.'), QLatin1Char(separator));
  }

  BatchSheet batch(err, false);
  if (!batch.Load(file)) return 1;
  Sheet& sheet = batch.sheet;

  int first = 1, last = sheet.CaseCount();
  if (!casesText.isEmpty()) ParseCases(casesText, sheet.CaseCount(), first, last);
  sheet.Sel = Selection{1, first, sheet.ColCount() - 1, last};
  if (caseNamesGiven)
    options.CaseNameColumn = caseNames == QLatin1String("none") ? 0 : FindColumn(sheet, caseNames);
  else
    options.CaseNameColumn = LabelColumn(sheet);

  LinesReport report;
  MatrixCommandContext context;
  context.ShowDialog = [&options](MatrixReportOptions& o) {
    o = options;
    return true;
  };
  context.Report = &report;
  context.FontSize = 8;
  context.Environment = [&sheet, separator] {
    ReportEnvironment env;
    env.FileName = sheet.FileName;
    env.Now = QDateTime::currentDateTime();
    env.Version = VersionString();
    env.DecimalSeparator = separator;
    return env;
  };
  const CommandOutcome outcome = inverse ? RunInverseCommand(sheet, context) : RunSvdCommand(sheet, context);
  Print(out, report.lines);
  return outcome == CommandOutcome::Done ? 0 : 1;
}

int RunMap(const QStringList& args, std::FILE* err) {
  QString file, casesText, names, weightsText, output, thresholdText;
  bool namesGiven = false, computational = false, yes = false;
  char separator = DecimalSeparator();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--cases")) {
      casesText = Next(args, i);
    } else if (a == QLatin1String("--threshold")) {
      thresholdText = Next(args, i);
    } else if (a == QLatin1String("--computational")) {
      computational = true;
    } else if (a == QLatin1String("--names")) {
      names = Next(args, i);
      namesGiven = true;
    } else if (a == QLatin1String("--weights")) {
      weightsText = Next(args, i);
    } else if (a == QLatin1String("--yes")) {
      yes = true;
    } else if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
      output = Next(args, i);
    } else if (a == QLatin1String("--decimal-separator")) {
      separator = ParseSeparator(Next(args, i));
    } else if (a.startsWith(QLatin1Char('-'))) {
      throw UsageError{QStringLiteral("unknown option %1 for map").arg(a)};
    } else if (file.isEmpty()) {
      file = a;
    } else {
      throw UsageError{QStringLiteral("only one data file, please")};
    }
  }
  if (file.isEmpty()) throw UsageError{QStringLiteral("map needs a data file")};
  if (casesText.isEmpty())
    throw UsageError{QStringLiteral("map needs --cases FIRST-LAST: the cases that define the new variables")};
  if (output.isEmpty()) throw UsageError{QStringLiteral("map needs -o OUT, the data file to write")};
  if (computational && !thresholdText.isEmpty())
    throw UsageError{QStringLiteral("--threshold and --computational exclude each other")};
  MappingOptions options;
  options.Computational = computational;
  if (!thresholdText.isEmpty()) options.Threshold = ParseThreshold(thresholdText, separator);

  BatchSheet batch(err, yes);
  if (!batch.Load(file)) return 1;
  Sheet& sheet = batch.sheet;
  ConsolePrompter& prompter = batch.prompter;
  int first = 1, last = 1;
  ParseCases(casesText, sheet.CaseCount(), first, last);
  if (namesGiven)
    options.NamesColumn = names == QLatin1String("none") ? 0 : FindColumn(sheet, names);
  else
    options.NamesColumn = LabelColumn(sheet);
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
            v = std::fabs(v);
            if (v == 0) {
              const std::string_view name = sheet.Name(list[k + 1]);
              prompter.Message(BoxKind::Warning,
                               QStringLiteral("Row Weights: Zero entry for component ") +
                                   QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                                   QStringLiteral("\n\rThis entry will be (re)set to 1.0"),
                               Only(Button::Ok));
              v = 1;
            }
            weights[static_cast<std::size_t>(k)] = v;
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

}  // namespace

bool IsBatchCommand(const QStringList& arguments) {
  if (arguments.isEmpty()) return false;
  static const QStringList commands{QStringLiteral("svd"), QStringLiteral("inverse"),
                                    QStringLiteral("map"), QStringLiteral("--help"),
                                    QStringLiteral("-h"),  QStringLiteral("help")};
  return commands.contains(arguments.first());
}

QString UsageText() {
  return QStringLiteral(
      "Usage:\n"
      "  varnel [FILE]                  start the program, opening the data file FILE\n"
      "  varnel svd FILE [options]      singular value decomposition report on standard output\n"
      "  varnel inverse FILE [options]  matrix inverse report on standard output\n"
      "  varnel map FILE --cases FIRST-LAST [options] -o OUT\n"
      "                                 coordinate mapping, written to the data file OUT\n"
      "  varnel --help                  this text\n"
      "\n"
      "The matrix is made of the untagged variables (names without '#') of the\n"
      "chosen cases, as the DataSheet's SVD and Inverse commands make it; the\n"
      "report is the text the TextPad would hold.\n"
      "\n"
      "Options of svd and inverse:\n"
      "  --cases FIRST-LAST        case rows of the DataSheet to use (default: all cases)\n"
      "  --style short|long|max|exp  number format: 4, 6 or 8 decimals, or 13-digit\n"
      "                            scientific (default: short)\n"
      "  --rows-are-cases          one matrix row per case (default: one row per variable)\n"
      "  --case-names COLUMN|none  column holding case names (default: Label# when present)\n"
      "  --no-case-numbers         leave out the case numbers\n"
      "  --no-case-names           leave out the case names\n"
      "  --no-variable-names       leave out the variable names\n"
      "  --decimal-separator C     decimal separator of numbers read and written\n"
      "                            (default: the locale's)\n"
      "Options of svd only:\n"
      "  --w-matrix                print W as a diagonal matrix, not as a vector\n"
      "  --threshold X             zero threshold of the Matrix Rank line (default 0.009)\n"
      "\n"
      "Options of map (the cases FIRST-LAST define the new variables, one each,\n"
      "in terms of the untagged variables; every case of FILE is mapped and the\n"
      "results are appended as new tagged variables):\n"
      "  --cases FIRST-LAST        the defining cases (required)\n"
      "  --threshold X             zero threshold (default 0.0009)\n"
      "  --computational           use the computational zero of the decomposition instead\n"
      "  --names COLUMN|none       column naming the new variables (default: Label# when\n"
      "                            present, else New 1#, New 2#, ...)\n"
      "  --weights W1,W2,...       weights of the untagged variables when there are more of\n"
      "                            them than new variables (default 1, or 100 for names with +;\n"
      "                            separate them with ; when the decimal separator is ,)\n"
      "  --yes                     go on when the defining cases are degenerate\n"
      "  -o OUT                    the data file written\n"
      "  --decimal-separator C     as above\n"
      "\n"
      "Messages and reading warnings go to standard error. Exit status: 0 done,\n"
      "1 the command or the file was refused, 2 wrong usage.\n");
}

int RunBatchCommand(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  const QString command = arguments.value(0);
  if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
      command == QLatin1String("help")) {
    std::fputs(UsageText().toLocal8Bit().constData(), out);
    return 0;
  }
  try {
    if (command == QLatin1String("svd") || command == QLatin1String("inverse"))
      return RunMatrixReport(command, arguments, out, err);
    if (command == QLatin1String("map")) return RunMap(arguments, err);
    throw UsageError{QStringLiteral("unknown command %1").arg(command)};
  } catch (const UsageError& e) {
    std::fprintf(err, "varnel: %s\nTry 'varnel --help'.\n", e.text.toLocal8Bit().constData());
    return 2;
  }
}

}  // namespace varnel
