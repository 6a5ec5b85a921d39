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
#include "wizard/wholenumbers.h"

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
  p.Add(QStringLiteral("min-coefficient"),
        QStringLiteral("a coefficient below X times the largest of its relation prints as zero and takes no "
                       "part in the scaling (0 < X < 1; default: off)"),
        QStringLiteral("X"));
  p.Add(QStringLiteral("integers"),
        QStringLiteral("write each relation with the smallest whole coefficients that reproduce it within "
                       "the cut-off (1E-6 without one); relations that none fit keep their scaled form"));
  p.Add(QStringLiteral("integer-bound"),
        QStringLiteral("with --integers: the largest whole coefficient looked for (default 100)"),
        QStringLiteral("N"));
  p.Add(
      QStringLiteral("range"),
      QStringLiteral("with --univariants: print only the relation lines of the selections whose 0-based rank "
                     "lies in FIRST-LAST, so that parts run apart join into the full list (with "
                     "--filter-duplicates each line starts with its key and a tab; join the parts with "
                     "varnel merge-relations)"),
      QStringLiteral("FIRST-LAST"));
  p.Add(QStringLiteral("format"),
        QStringLiteral("with --univariants or --intersections alone: text (default), or one row per "
                       "relation as tsv (a header line, then selection, degenerate, rank and one "
                       "coefficient per working-set phase) or json (one object per line)"),
        QStringLiteral("FORMAT"));
  p.Add(QStringLiteral("count"),
        QStringLiteral("print the number of univariant selections of the working set"));
  p.Add(QStringLiteral("threads"), QStringLiteral("enumeration threads (default: one per core)"),
        QStringLiteral("N"));
  p.Add(QStringLiteral("yes"), QStringLiteral("answer Yes to the wizard's questions"));
  p.Add(QStringLiteral("decimal-separator"), QStringLiteral("as for svd"), QStringLiteral("C"));
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
  if (p.IsSet(QStringLiteral("min-coefficient"))) {
    const QString text = p.Value(QStringLiteral("min-coefficient"));
    Real x = 0;
    if (!ReadNumber(text.toStdString(), separator, x) || !(x > 0 && x < 1))
      throw UsageError{QStringLiteral("--min-coefficient takes a number between 0 and 1, not %1").arg(text)};
    options.MinCoefficient = x;
  }
  options.WholeNumbers = p.IsSet(QStringLiteral("integers"));
  if (p.IsSet(QStringLiteral("integer-bound"))) {
    bool ok = false;
    options.WholeBound = p.Value(QStringLiteral("integer-bound")).toInt(&ok);
    if (!ok || options.WholeBound < 1 || options.WholeBound > MaxWholeBound)
      throw UsageError{QStringLiteral("--integer-bound takes 1 to %1").arg(MaxWholeBound)};
    if (!options.WholeNumbers) throw UsageError{QStringLiteral("--integer-bound goes with --integers")};
  }
  options.OutputSvdMatrices = !p.IsSet(QStringLiteral("no-svd-matrices"));
  const std::vector<Step> steps = StepsInOrder(args);
  const bool ranged = p.IsSet(QStringLiteral("range"));
  RowFormat rowFormat = RowFormat::None;
  if (p.IsSet(QStringLiteral("format"))) {
    const QString f = p.Value(QStringLiteral("format"));
    if (f == QLatin1String("tsv"))
      rowFormat = RowFormat::Tsv;
    else if (f == QLatin1String("json"))
      rowFormat = RowFormat::Json;
    else if (f != QLatin1String("text"))
      throw UsageError{QStringLiteral("--format takes text, tsv or json")};
    if (rowFormat != RowFormat::None &&
        (steps.size() != 1 || (steps[0] != Step::Univariants && steps[0] != Step::Intersections)))
      throw UsageError{QStringLiteral("--format tsv or json goes with --univariants or --intersections alone")};
  }
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
    if (!ranged && rowFormat == RowFormat::None) PrintLines(out, report.lines);
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
  if (ranged || rowFormat != RowFormat::None) {
    const bool intersections = steps[0] == Step::Intersections;
    if (intersections ? !w.IntersectEnabled : w.SetRank < 0 || w.SetCount <= w.SetRank) {
      if (intersections)
        std::fprintf(err, "error: Intersections is not available for this working set (both assemblages "
                          "must have members)\n");
      else
        std::fprintf(err, "error: the working set has no univariant relations (rank %d of %d columns)\n",
                     w.SetRank, w.SetCount);
      return 1;
    }
    UnivariantJob streamJob = w.MakeUnivariantJob(w.FilterDuplicates || intersections);
    streamJob.RowOutput = rowFormat;
    if (!ranged) {
      rangeFirst = 0;
      rangeLast = SelectionCount(streamJob) - 1;
      // A part has no header, so that parts join into one table.
      const std::string header = RowsHeader(rowFormat, streamJob.Names, streamJob.SetCount, separator);
      if (!header.empty()) std::fprintf(out, "%s\n", header.c_str());
    }
    // A part of a large enumeration may hold billions of selections: its
    // lines go out block by block rather than being gathered first, and a
    // failed write ends the run instead of computing on for nothing.
    constexpr std::uint64_t BlockSelections = 1 << 16;
    std::atomic<bool> cancel{false};
    const auto print = [&](const StreamedRelation& r) {
      const std::string_view text = rowFormat == RowFormat::None ? r.Line : r.Row;
      if (text.empty()) return true;  // a selection's label has no data row
      if (intersections && !SeparatesAssemblages(std::string(r.Line), w.SetCount, w.AssemblageA,
                                                 w.AssemblageB, separator))
        return true;
      if (ranged && !r.Key.empty()) {
        std::fwrite(r.Key.data(), 1, r.Key.size(), out);
        std::fputc('\t', out);
      }
      std::fwrite(text.data(), 1, text.size(), out);
      std::fputc('\n', out);
      return std::ferror(out) == 0;
    };
    const UnivariantStream r =
        StreamRelations(streamJob, rangeFirst, rangeLast, threads, BlockSelections, cancel, print);
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
