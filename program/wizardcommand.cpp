// varnel wizard: the Analysis Wizard run on listed cases as a user clicking
// Next would, printing the TextPad text; and varnel merge-relations, which
// joins the keyed parts of a sharded, filtered univariant enumeration.
#include "program/wizardcommand.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <thread>
#include <unordered_set>

#include "app/numberlocale.h"
#include "app/reporttarget.h"
#include "app/version.h"
#include "core/computationerror.h"
#include "core/numberread.h"
#include "program/batchoptions.h"
#include "program/batchsheet.h"
#include "wizard/matrixwizard.h"

namespace varnel {
namespace {

enum class Step { ReactionSpace, Univariants, Intersections };

// The order the reaction commands were given in.
std::vector<Step> StepsInOrder(const QStringList& args) {
  std::vector<Step> steps;
  for (const QString& a : args) {
    if (a == QLatin1String("--reaction-space")) steps.push_back(Step::ReactionSpace);
    if (a == QLatin1String("--univariants")) steps.push_back(Step::Univariants);
    if (a == QLatin1String("--intersections")) steps.push_back(Step::Intersections);
  }
  return steps;
}

// "FIRST-LAST" of 64-bit ranks.
void ParseRange(const QString& text, std::uint64_t& first, std::uint64_t& last) {
  const QStringList ends = text.split(QLatin1Char('-'));
  bool ok1 = false, ok2 = false;
  if (ends.size() == 2) {
    first = ends[0].trimmed().toULongLong(&ok1);
    last = ends[1].trimmed().toULongLong(&ok2);
  }
  if (!ok1 || !ok2 || last < first)
    throw UsageError{QStringLiteral("--range takes FIRST-LAST, 0-based selection ranks with FIRST <= LAST")};
}

std::vector<QString> SplitValues(const QString& text, char separator) {
  const QChar between = separator == ',' ? QLatin1Char(';') : QLatin1Char(',');
  std::vector<QString> out;
  for (const QString& part : text.split(between)) out.push_back(part.trimmed());
  return out;
}

}  // namespace

int WizardCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(
      QStringLiteral("wizard"), QStringLiteral("wizard FILE --cases LIST [options]"),
      QStringLiteral("The Analysis Wizard on the listed cases, as a user pressing Next on each page "
                     "would; the TextPad text is printed at the end."));
  p.Add(QStringLiteral("cases"), QStringLiteral("the cases sent to the wizard (required)"),
        QStringLiteral("LIST"));
  p.Add(QStringLiteral("labels"), QStringLiteral("column of the case labels (default: Label# when present)"),
        QStringLiteral("COLUMN|none"));
  p.Add(QStringLiteral("comments"),
        QStringLiteral("column of the case comments (default: Comment# when present)"),
        QStringLiteral("COLUMN|none"));
  p.Add(
      QStringLiteral("weights"),
      QStringLiteral("row weights, one per untagged variable; turns weighting on (separate them with ; when "
                     "the decimal separator is ,)"),
      QStringLiteral("W1,W2,..."));
  p.Add(QStringLiteral("output-weighted"), QStringLiteral("print the weighted input matrix"));
  p.Add(QStringLiteral("threshold"), QStringLiteral("guess zero threshold (default 0.0009)"),
        QStringLiteral("X"));
  p.Add(QStringLiteral("computational"), QStringLiteral("the guess zero follows the computational zero"));
  p.Add(QStringLiteral("rank"), QStringLiteral("desired model rank (default: the guess rank)"),
        QStringLiteral("K"));
  p.Add(QStringLiteral("test-model"), QStringLiteral("run Test Model on the Model page first"));
  p.Add(QStringLiteral("style"), QStringLiteral("number format short|long|max|exp (default: short)"),
        QStringLiteral("STYLE"));
  p.Add(QStringLiteral("tolerances"),
        QStringLiteral(
            "percent of majors, minors, traces and the exponent of absent entries (default 3,10,30,-3)"),
        QStringLiteral("MAJOR,MINOR,TRACE,ABSENT"));
  p.Add(QStringLiteral("no-model-output"), QStringLiteral("leave the model matrix out of the test"));
  p.Add(QStringLiteral("no-residuals"), QStringLiteral("leave the residuals out of the test"));
  p.Add(QStringLiteral("no-svd-matrices"), QStringLiteral("leave out U, W and V"));
  p.Add(QStringLiteral("set"), QStringLiteral("working set: model columns (default: all)"),
        QStringLiteral("LIST"));
  p.Add(QStringLiteral("a"), QStringLiteral("assemblage A: positions within the working set"),
        QStringLiteral("LIST"));
  p.Add(QStringLiteral("b"), QStringLiteral("assemblage B: positions within the working set"),
        QStringLiteral("LIST"));
  p.Add(QStringLiteral("reaction-space"), QStringLiteral("report the reaction space"));
  p.Add(QStringLiteral("univariants"), QStringLiteral("report the univariant relations"));
  p.Add(QStringLiteral("intersections"), QStringLiteral("report the assemblage relations"));
  p.Add(QStringLiteral("filter-duplicates"), QStringLiteral("print each distinct relation once"));
  p.Add(QStringLiteral("no-normalize"),
        QStringLiteral("do not scale relations to a smallest coefficient of 1"));
  p.Add(
      QStringLiteral("range"),
      QStringLiteral("with --univariants: print only the relation lines of the selections whose 0-based rank "
                     "lies in FIRST-LAST, so that parts run apart join into the full list (with "
                     "--filter-duplicates each line starts with its key and a tab; join the parts with "
                     "varnel merge-relations)"),
      QStringLiteral("FIRST-LAST"));
  p.Add(QStringLiteral("count"),
        QStringLiteral("print the number of univariant selections of the working set"));
  p.Add(QStringLiteral("threads"), QStringLiteral("enumeration threads (default: one per core)"),
        QStringLiteral("N"));
  p.Add(QStringLiteral("yes"), QStringLiteral("answer Yes to the wizard's questions"));
  p.Add(QStringLiteral("decimal-separator"), QStringLiteral("as for svd"), QStringLiteral("C"));
  AddImportOptions(p);
  if (!p.Parse(args, out)) return 0;

  const char separator = p.IsSet(QStringLiteral("decimal-separator"))
                             ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
                             : DecimalSeparator();
  if (!p.IsSet(QStringLiteral("cases"))) throw UsageError{QStringLiteral("wizard needs --cases LIST")};
  if (p.IsSet(QStringLiteral("threshold")) && p.IsSet(QStringLiteral("computational")))
    throw UsageError{QStringLiteral("--threshold and --computational exclude each other")};
  WizardOptions options;
  if (p.IsSet(QStringLiteral("style"))) {
    const QStringList styles{QStringLiteral("short"), QStringLiteral("long"), QStringLiteral("max"),
                             QStringLiteral("exp")};
    options.Style = static_cast<int>(styles.indexOf(p.Value(QStringLiteral("style"))));
    if (options.Style < 0) throw UsageError{QStringLiteral("--style takes short, long, max or exp")};
  }
  if (p.IsSet(QStringLiteral("tolerances"))) {
    const QStringList parts = p.Value(QStringLiteral("tolerances")).split(QLatin1Char(','));
    int values[4] = {};
    bool ok = parts.size() == 4;
    for (int k = 0; ok && k < 4; ++k) values[k] = parts[k].trimmed().toInt(&ok);
    if (!ok || values[0] < 1 || values[0] > 100 || values[1] < 1 || values[1] > 100 || values[2] < 1 ||
        values[2] > 100 || values[3] < -15 || values[3] > 0)
      throw UsageError{
          QStringLiteral("--tolerances takes MAJOR,MINOR,TRACE (1 to 100) and ABSENT (-15 to 0)")};
    options.RelErrMajor = values[0];
    options.RelErrMinor = values[1];
    options.RelErrTrace = values[2];
    options.RelErrAbsent = values[3];
  }
  options.Normalize = !p.IsSet(QStringLiteral("no-normalize"));
  options.OutputSvdMatrices = !p.IsSet(QStringLiteral("no-svd-matrices"));
  const std::vector<Step> steps = StepsInOrder(args);
  const bool ranged = p.IsSet(QStringLiteral("range"));
  std::uint64_t rangeFirst = 0, rangeLast = 0;
  if (ranged) {
    ParseRange(p.Value(QStringLiteral("range")), rangeFirst, rangeLast);
    if (steps.size() != 1 || steps[0] != Step::Univariants)
      throw UsageError{QStringLiteral("--range goes with --univariants alone")};
  }
  int threads = 0;
  if (p.IsSet(QStringLiteral("threads"))) {
    bool ok = false;
    threads = p.Value(QStringLiteral("threads")).toInt(&ok);
    if (!ok || threads < 1 || threads > 256) throw UsageError{QStringLiteral("--threads takes 1 to 256")};
  }

  BatchSheet batch(err, p.IsSet(QStringLiteral("yes")));
  batch.files.ImportDefaults = ImportOptionsOf(p, separator);
  if (!batch.Load(p.File())) return 1;
  Sheet& sheet = batch.sheet;
  const std::vector<int> rows =
      ParseCaseList(p.Value(QStringLiteral("cases")), sheet.CaseCount(), QStringLiteral("--cases"));

  LinesReport report;
  WizardContext context;
  context.SheetData = &sheet;
  context.Prompt = &batch.prompter;
  context.Report = &report;
  context.FontSize = [&report] { return report.FontSize(); };
  context.Environment = [&sheet, separator] { return ReportEnvironmentNow(sheet.FileName, separator); };
  context.Threads = threads;
  MatrixWizard w(context);
  w.Reset();
  w.Options = options;
  w.FilterDuplicates = p.IsSet(QStringLiteral("filter-duplicates"));
  w.OutModel = !p.IsSet(QStringLiteral("no-model-output"));
  w.OutTestResiduals = !p.IsSet(QStringLiteral("no-residuals"));
  auto column = [&](const QString& option) {
    const QString v = p.Value(option);
    return v == QLatin1String("none") ? 0 : FindColumn(sheet, v);
  };
  if (p.IsSet(QStringLiteral("labels"))) w.LabelColumn = column(QStringLiteral("labels"));
  if (p.IsSet(QStringLiteral("comments"))) w.CommentColumn = column(QStringLiteral("comments"));
  // Stops the run at a question that was not answered Yes.
  auto refused = [&] { return batch.prompter.refusedQuestion; };
  auto finish = [&](int status) {
    if (!ranged) PrintLines(out, report.lines);
    return status;
  };

  for (int r : rows) w.AddCases(r, r);
  if (!w.Next() || !w.Next()) return finish(1);

  if (p.IsSet(QStringLiteral("weights"))) {
    const std::vector<QString> weights = SplitValues(p.Value(QStringLiteral("weights")), separator);
    if (static_cast<int>(weights.size()) != w.m)
      throw UsageError{QStringLiteral("--weights takes %1 values, one per untagged variable").arg(w.m)};
    for (int i = 0; i < w.m; ++i) {
      Real v;
      if (!ReadNumber(weights[static_cast<std::size_t>(i)].toStdString(), separator, v))
        throw UsageError{
            QStringLiteral("--weights: %1 is not a number").arg(weights[static_cast<std::size_t>(i)])};
      w.WeightEdited(i, weights[static_cast<std::size_t>(i)]);
    }
    w.WeightOn = true;
    w.WeightsDone();
  }
  w.OutWeighted = p.IsSet(QStringLiteral("output-weighted"));
  if (p.IsSet(QStringLiteral("threshold"))) {
    const QString text = p.Value(QStringLiteral("threshold"));
    const QString before = w.ThresholdText();
    if (w.ThresholdEdited(text, before) == before && text != before)
      throw UsageError{QStringLiteral("--threshold: %1 is not a number").arg(text)};
  }
  if (p.IsSet(QStringLiteral("computational"))) w.SetComputational(true);
  if (!w.Next()) return finish(1);

  if (p.IsSet(QStringLiteral("rank"))) {
    bool ok = false;
    const int k = p.Value(QStringLiteral("rank")).toInt(&ok);
    if (!ok || k < 1 || k > w.DesiredRankMaximum()) {
      std::fprintf(err, "error: --rank must lie between 1 and %d for this input\n", w.DesiredRankMaximum());
      return finish(1);
    }
    w.DesiredRank = k;
  }
  if (p.IsSet(QStringLiteral("test-model"))) {
    w.TestModelClick();
    if (refused()) return finish(1);
  }
  const bool reactions = !steps.empty() || p.IsSet(QStringLiteral("count")) ||
                         p.IsSet(QStringLiteral("set")) || p.IsSet(QStringLiteral("a")) ||
                         p.IsSet(QStringLiteral("b"));
  if (!reactions) return finish(0);
  if (!w.Next()) return finish(1);

  if (p.IsSet(QStringLiteral("set"))) {
    const std::vector<int> members =
        ParseCaseList(p.Value(QStringLiteral("set")), w.n, QStringLiteral("--set"));
    const QSet<int> in(members.begin(), members.end());
    for (int c = 1; c <= w.n && !refused(); ++c)
      if (!in.contains(c)) w.ModifySet(MatrixWizard::SetChange::Exclude, c - 1, c - 1);
    if (refused()) return finish(1);
  }
  for (const char* option : {"a", "b"}) {
    if (!p.IsSet(QLatin1String(option))) continue;
    const auto positions = ParseCaseList(p.Value(QLatin1String(option)), w.SetCount,
                                         QStringLiteral("--") + QLatin1String(option));
    for (int pos : positions) {
      const int c = w.WorkingSet[static_cast<std::size_t>(pos - 1)] - 1;
      w.ModifyAssemblage(option[0] == 'a' ? MatrixWizard::AssemblageMark::A : MatrixWizard::AssemblageMark::B,
                         c, c);
    }
  }
  const UnivariantJob job = w.MakeUnivariantJob(w.FilterDuplicates);
  if (p.IsSet(QStringLiteral("count"))) {
    std::fprintf(out, "%llu\n",
                 static_cast<unsigned long long>(w.SetCount > w.SetRank ? SelectionCount(job) : 0));
    return 0;
  }
  if (ranged) {
    if (w.SetRank < 0 || w.SetCount <= w.SetRank) {
      std::fprintf(err, "error: the working set has no univariant relations (rank %d of %d columns)\n",
                   w.SetRank, w.SetCount);
      return 1;
    }
    // A part of a large enumeration may hold billions of selections: its
    // lines go out block by block rather than being gathered first, and a
    // failed write ends the run instead of computing on for nothing.
    constexpr std::uint64_t BlockSelections = 1 << 16;
    std::atomic<bool> cancel{false};
    const UnivariantStream r = StreamUnivariants(job, rangeFirst, rangeLast, threads, BlockSelections, cancel,
                                                 [out](std::string_view key, std::string_view line) {
                                                   if (!key.empty()) {
                                                     std::fwrite(key.data(), 1, key.size(), out);
                                                     std::fputc('\t', out);
                                                   }
                                                   std::fwrite(line.data(), 1, line.size(), out);
                                                   std::fputc('\n', out);
                                                   return std::ferror(out) == 0;
                                                 });
    std::fflush(out);
    if (r.Stopped) return 1;  // the write error is reported once, by the caller
    if (!r.Failures.empty()) {
      PrompterSink sink(batch.prompter);
      ComputationError(CodeNoConvergence, "OutUnivariant: ", sink);
      std::fprintf(err, "%zu selection(s) printed \" ***Error\", the first at rank %llu\n", r.Failures.size(),
                   static_cast<unsigned long long>(r.Failures.front()));
      return 1;
    }
    return 0;
  }
  int status = 0;
  for (Step s : steps) {
    const bool enabled = s == Step::ReactionSpace ? w.RSpaceEnabled
                         : s == Step::Univariants ? w.UnivariantsEnabled
                                                  : w.IntersectEnabled;
    if (!enabled) {
      std::fprintf(err, "error: %s is not available for this working set%s\n",
                   s == Step::ReactionSpace ? "Reaction Space"
                   : s == Step::Univariants ? "Univariants"
                                            : "Intersections",
                   s == Step::Intersections ? " (both assemblages must have members)" : "");
      status = 1;
      break;
    }
    const CommandOutcome o = s == Step::ReactionSpace ? w.ReactionSpace()
                             : s == Step::Univariants ? w.Univariants()
                                                      : w.Intersections();
    if (o != CommandOutcome::Done) {
      status = 1;
      break;
    }
  }
  return finish(status);
}

int MergeRelationsCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(
      QStringLiteral("merge-relations"), QStringLiteral("merge-relations PART..."),
      QStringLiteral("Joins the parts written by varnel wizard --univariants --filter-duplicates "
                     "--range in the order given, keeping the first line of each relation; the result "
                     "is the relation list of one filtered run."));
  if (!p.Parse(args, out, -1)) return 0;
  const QStringList parts = p.Files();
  if (parts.isEmpty()) throw UsageError{QStringLiteral("merge-relations needs at least one PART")};
  // Everything is read and checked before anything is printed.
  std::vector<QByteArray> lines;
  std::unordered_set<std::string> seen;
  for (const QString& part : parts) {
    QFile f(part);
    if (!f.open(QIODevice::ReadOnly)) {
      std::fprintf(err, "error: cannot read %s: %s\n", part.toLocal8Bit().constData(),
                   f.errorString().toLocal8Bit().constData());
      return 1;
    }
    int number = 0;
    while (!f.atEnd()) {
      QByteArray line = f.readLine();
      ++number;
      if (line.endsWith('\n')) line.chop(1);
      if (line.endsWith('\r')) line.chop(1);
      if (line.isEmpty() && f.atEnd()) break;
      const qsizetype tab = line.indexOf('\t');
      if (tab <= 0) {
        std::fprintf(err, "error: %s:%d is not a keyed relation line\n", part.toLocal8Bit().constData(),
                     number);
        return 1;
      }
      if (seen.insert(line.left(tab).toStdString()).second) lines.push_back(line.mid(tab + 1));
    }
  }
  for (const QByteArray& l : lines) {
    std::fwrite(l.constData(), 1, static_cast<std::size_t>(l.size()), out);
    std::fputc('\n', out);
  }
  std::fflush(out);
  return 0;
}

}  // namespace varnel
