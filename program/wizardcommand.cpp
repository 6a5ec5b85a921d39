// varnel wizard: the Analysis Wizard run on listed cases as a user clicking
// Next would, printing the TextPad text; and varnel merge-relations, which
// joins the keyed parts of a sharded, filtered univariant enumeration.
#include "program/wizardcommand.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <thread>
#include <tuple>
#include <unordered_set>

#include "app/numberlocale.h"
#include "app/reporttarget.h"
#include "app/version.h"
#include "core/computationerror.h"
#include "core/numberread.h"
#include "program/batchoptions.h"
#include "program/batchsheet.h"
#include "wizard/matrixwizard.h"
#include "wizard/relationmerge.h"
#include "wizard/wholenumbers.h"

namespace varnel {
namespace {

enum class Step { ReactionSpace, Univariants, Intersections };

// Everything varnel wizard was told, checked as far as it can be without the
// data file.
struct WizardCommandOptions {
  QString File;
  char Separator = '.';
  QString Cases;
  std::optional<QString> Labels, Comments;  // a column, or "none"
  std::optional<std::vector<QString>> Weights;
  bool OutputWeighted = false;
  std::optional<QString> Threshold;
  bool Computational = false;
  std::optional<QString> Rank;  // checked against the input's rank
  bool TestModel = false;
  WizardOptions Options;
  bool FilterDuplicates = false;
  bool OutModel = true;
  bool OutResiduals = true;
  std::optional<QString> Set, A, B;
  // The reaction commands in the order they were given.
  std::vector<Step> Steps;
  bool Ranged = false;
  std::uint64_t RangeFirst = 0, RangeLast = 0;
  RowFormat Rows = RowFormat::None;  // --format tsv or json
  bool Count = false;
  int Threads = 0;
  bool Yes = false;
  TableImportOptions Import;  // how a table of another program is read
};

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

std::optional<QString> OptionalValue(const CommandParser& p, const QString& name) {
  if (!p.IsSet(name)) return std::nullopt;
  return p.Value(name);
}

// The options of the command line; nothing when --help was printed. Wrong
// usage throws UsageError.
std::optional<WizardCommandOptions> ReadWizardOptions(const QStringList& args, std::FILE* out) {
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
  AddImportOptions(p);
  if (!p.Parse(args, out)) return std::nullopt;

  WizardCommandOptions o;
  o.File = p.File();
  o.Separator = p.IsSet(QStringLiteral("decimal-separator"))
                    ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
                    : DecimalSeparator();
  o.Import = ImportOptionsOf(p, o.Separator);
  if (!p.IsSet(QStringLiteral("cases"))) throw UsageError{QStringLiteral("wizard needs --cases LIST")};
  o.Cases = p.Value(QStringLiteral("cases"));
  if (p.IsSet(QStringLiteral("threshold")) && p.IsSet(QStringLiteral("computational")))
    throw UsageError{QStringLiteral("--threshold and --computational exclude each other")};
  if (p.IsSet(QStringLiteral("style"))) {
    const QStringList styles{QStringLiteral("short"), QStringLiteral("long"), QStringLiteral("max"),
                             QStringLiteral("exp")};
    o.Options.Style = static_cast<int>(styles.indexOf(p.Value(QStringLiteral("style"))));
    if (o.Options.Style < 0) throw UsageError{QStringLiteral("--style takes short, long, max or exp")};
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
    o.Options.RelErrMajor = values[0];
    o.Options.RelErrMinor = values[1];
    o.Options.RelErrTrace = values[2];
    o.Options.RelErrAbsent = values[3];
  }
  o.Options.Normalize = !p.IsSet(QStringLiteral("no-normalize"));
  o.Options.OutputSvdMatrices = !p.IsSet(QStringLiteral("no-svd-matrices"));
  if (p.IsSet(QStringLiteral("min-coefficient"))) {
    const QString text = p.Value(QStringLiteral("min-coefficient"));
    Real x = 0;
    if (!ReadNumber(text.toStdString(), o.Separator, x) || !(x > 0 && x < 1))
      throw UsageError{QStringLiteral("--min-coefficient takes a number between 0 and 1, not %1").arg(text)};
    o.Options.MinCoefficient = x;
  }
  o.Options.WholeNumbers = p.IsSet(QStringLiteral("integers"));
  if (p.IsSet(QStringLiteral("integer-bound"))) {
    bool ok = false;
    o.Options.WholeBound = p.Value(QStringLiteral("integer-bound")).toInt(&ok);
    if (!ok || o.Options.WholeBound < 1 || o.Options.WholeBound > MaxWholeBound)
      throw UsageError{QStringLiteral("--integer-bound takes 1 to %1").arg(MaxWholeBound)};
    if (!o.Options.WholeNumbers) throw UsageError{QStringLiteral("--integer-bound goes with --integers")};
  }
  // The parser reads -univariants as --univariants; the steps come from what
  // it recognised, in the order given.
  for (const QString& name : p.OptionNames()) {
    if (name == QLatin1String("reaction-space")) o.Steps.push_back(Step::ReactionSpace);
    if (name == QLatin1String("univariants")) o.Steps.push_back(Step::Univariants);
    if (name == QLatin1String("intersections")) o.Steps.push_back(Step::Intersections);
  }
  o.Ranged = p.IsSet(QStringLiteral("range"));
  if (o.Ranged) {
    ParseRange(p.Value(QStringLiteral("range")), o.RangeFirst, o.RangeLast);
    if (o.Steps.size() != 1 || o.Steps[0] != Step::Univariants)
      throw UsageError{QStringLiteral("--range goes with --univariants alone")};
  }
  if (p.IsSet(QStringLiteral("format"))) {
    const QString f = p.Value(QStringLiteral("format"));
    if (f == QLatin1String("tsv"))
      o.Rows = RowFormat::Tsv;
    else if (f == QLatin1String("json"))
      o.Rows = RowFormat::Json;
    else if (f != QLatin1String("text"))
      throw UsageError{QStringLiteral("--format takes text, tsv or json")};
    if (o.Rows != RowFormat::None &&
        (o.Steps.size() != 1 || (o.Steps[0] != Step::Univariants && o.Steps[0] != Step::Intersections)))
      throw UsageError{
          QStringLiteral("--format tsv or json goes with --univariants or --intersections alone")};
  }
  if (p.IsSet(QStringLiteral("threads"))) {
    bool ok = false;
    o.Threads = p.Value(QStringLiteral("threads")).toInt(&ok);
    if (!ok || o.Threads < 1 || o.Threads > 256) throw UsageError{QStringLiteral("--threads takes 1 to 256")};
  }
  o.Labels = OptionalValue(p, QStringLiteral("labels"));
  o.Comments = OptionalValue(p, QStringLiteral("comments"));
  if (p.IsSet(QStringLiteral("weights")))
    o.Weights = SplitValues(p.Value(QStringLiteral("weights")), o.Separator);
  o.OutputWeighted = p.IsSet(QStringLiteral("output-weighted"));
  o.Threshold = OptionalValue(p, QStringLiteral("threshold"));
  o.Computational = p.IsSet(QStringLiteral("computational"));
  o.Rank = OptionalValue(p, QStringLiteral("rank"));
  o.TestModel = p.IsSet(QStringLiteral("test-model"));
  o.FilterDuplicates = p.IsSet(QStringLiteral("filter-duplicates"));
  o.OutModel = !p.IsSet(QStringLiteral("no-model-output"));
  o.OutResiduals = !p.IsSet(QStringLiteral("no-residuals"));
  o.Set = OptionalValue(p, QStringLiteral("set"));
  o.A = OptionalValue(p, QStringLiteral("a"));
  o.B = OptionalValue(p, QStringLiteral("b"));
  o.Count = p.IsSet(QStringLiteral("count"));
  o.Yes = p.IsSet(QStringLiteral("yes"));
  return o;
}

// The relation lines of a sharded enumeration's part, or the relations as
// rows of data: they go straight to out as they are found.
int PrintRelations(MatrixWizard& w, const WizardCommandOptions& o, ConsolePrompter& prompter, std::FILE* out,
                   std::FILE* err) {
  const bool intersections = o.Steps[0] == Step::Intersections;
  if (intersections ? !w.State().IntersectEnabled : w.State().SetRank < 0 || w.State().SetCount <= w.State().SetRank) {
    if (intersections)
      std::fprintf(err,
                   "error: Intersections is not available for this working set (both assemblages must "
                   "have members)\n");
    else
      std::fprintf(err, "error: the working set has no univariant relations (rank %d of %d columns)\n",
                   w.State().SetRank, w.State().SetCount);
    return 1;
  }
  UnivariantJob job = w.MakeUnivariantJob(w.State().FilterDuplicates || intersections);
  job.RowOutput = o.Rows;
  std::uint64_t first = o.RangeFirst, last = o.RangeLast;
  if (!o.Ranged) {
    first = 0;
    last = SelectionCount(job) - 1;
    // A part has no header, so that parts join into one table.
    const std::string header = RowsHeader(o.Rows, job.Names, job.SetCount, o.Separator);
    if (!header.empty()) std::fprintf(out, "%s\n", header.c_str());
  }
  // A part of a large enumeration may hold billions of selections: its
  // lines go out block by block rather than being gathered first, and a
  // failed write ends the run instead of computing on for nothing.
  constexpr std::uint64_t BlockSelections = 1 << 16;
  std::atomic<bool> cancel{false};
  const auto print = [&](const StreamedRelation& r) {
    const std::string_view text = o.Rows == RowFormat::None ? r.Line : r.Row;
    if (text.empty()) return true;  // a selection's label has no row of its own
    if (intersections &&
        !SeparatesAssemblages(std::string(r.Line), w.State().SetCount, w.State().AssemblageA, w.State().AssemblageB, o.Separator))
      return true;
    if (o.Ranged && !r.Key.empty()) {
      std::fwrite(r.Key.data(), 1, r.Key.size(), out);
      std::fputc('\t', out);
    }
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
    return std::ferror(out) == 0;
  };
  const UnivariantStream r = StreamRelations(job, first, last, o.Threads, BlockSelections, cancel, print);
  std::fflush(out);
  if (r.Stopped) return 1;  // the write error is reported once, by the caller
  if (!r.Failures.empty()) {
    PrompterSink sink(prompter);
    ComputationError(CodeNoConvergence, "OutUnivariant: ", sink);
    std::fprintf(err, "%zu selection(s) printed \" ***Error\", the first at rank %llu\n", r.Failures.size(),
                 static_cast<unsigned long long>(r.Failures.front()));
    return 1;
  }
  return 0;
}

// Drives the wizard through its pages as a user clicking Next would: 0 done,
// 1 when the file, a page or a question refused (usage errors that need the
// data, such as the number of weights, still throw UsageError).
int RunWizard(const WizardCommandOptions& o, std::FILE* out, std::FILE* err) {
  BatchSheet batch(err, o.Yes, true);
  batch.files.ImportDefaults = o.Import;
  if (!batch.Load(o.File)) return 1;
  Sheet& sheet = batch.sheet;
  const std::vector<int> rows = ParseCaseList(o.Cases, sheet.CaseCount(), QStringLiteral("--cases"));

  LinesReport report;
  WizardContext context;
  context.SheetData = &sheet;
  context.Prompt = &batch.prompter;
  context.Report = &report;
  context.FontSize = [&report] { return report.FontSize(); };
  const char separator = o.Separator;
  context.Environment = [&sheet, separator] { return ReportEnvironmentNow(sheet.FileName, separator); };
  context.Threads = o.Threads;
  context.WideSelectionCounts = true;
  MatrixWizard w(context);
  w.Reset();
  w.SetOptions(o.Options);
  w.SetFilterDuplicates(o.FilterDuplicates);
  w.SetOutputs(false, o.OutModel, o.OutResiduals);
  auto column = [&](const QString& v) { return v == QLatin1String("none") ? 0 : FindColumn(sheet, v); };
  w.SetLabelColumns(o.Labels ? column(*o.Labels) : w.State().LabelColumn,
                    o.Comments ? column(*o.Comments) : w.State().CommentColumn);
  // Stops the run at a question that was not answered Yes.
  auto refused = [&] { return batch.prompter.refusedQuestion; };
  auto finish = [&](int status) {
    if (!o.Ranged && o.Rows == RowFormat::None) PrintLines(out, report.lines);
    return status;
  };

  for (int r : rows) w.AddCases(r, r);
  if (!w.Next() || !w.Next()) return finish(1);

  if (o.Weights) {
    const std::vector<QString>& weights = *o.Weights;
    if (static_cast<int>(weights.size()) != w.State().m)
      throw UsageError{QStringLiteral("--weights takes %1 values, one per untagged variable").arg(w.State().m)};
    for (int i = 0; i < w.State().m; ++i) {
      const QString& text = weights[static_cast<std::size_t>(i)];
      Real v;
      if (!ReadNumber(text.toStdString(), separator, v))
        throw UsageError{QStringLiteral("--weights: %1 is not a number").arg(text)};
      w.WeightEdited(i, text);
    }
    w.SetWeighting(true);
    w.WeightsDone();
  }
  w.SetOutputs(o.OutputWeighted, o.OutModel, o.OutResiduals);
  if (o.Threshold) {
    const QString before = w.ThresholdText();
    if (w.ThresholdEdited(*o.Threshold, before) == before && *o.Threshold != before)
      throw UsageError{QStringLiteral("--threshold: %1 is not a number").arg(*o.Threshold)};
  }
  if (o.Computational) w.SetComputational(true);
  if (!w.Next()) return finish(1);

  if (o.Rank) {
    bool ok = false;
    const int k = o.Rank->toInt(&ok);
    if (!ok || !w.SetDesiredRank(k)) {
      std::fprintf(err, "error: --rank must lie between 1 and %d for this input\n", w.DesiredRankMaximum());
      return finish(1);
    }
  }
  if (o.TestModel) {
    w.TestModelClick();
    if (refused()) return finish(1);
  }
  const bool reactions = !o.Steps.empty() || o.Count || o.Set || o.A || o.B;
  if (!reactions) return finish(0);
  if (!w.Next()) return finish(1);

  if (o.Set) {
    const std::vector<int> members = ParseCaseList(*o.Set, w.State().n, QStringLiteral("--set"));
    const QSet<int> in(members.begin(), members.end());
    for (int c = 1; c <= w.State().n && !refused(); ++c)
      if (!in.contains(c)) w.ModifySet(MatrixWizard::SetChange::Exclude, c - 1, c - 1);
    if (refused()) return finish(1);
  }
  for (const auto& [list, mark, option] : {std::tuple{&o.A, MatrixWizard::AssemblageMark::A, "--a"},
                                           std::tuple{&o.B, MatrixWizard::AssemblageMark::B, "--b"}}) {
    if (!*list) continue;
    for (int pos : ParseCaseList(**list, w.State().SetCount, QLatin1String(option))) {
      const int c = w.State().WorkingSet[static_cast<std::size_t>(pos - 1)] - 1;
      w.ModifyAssemblage(mark, c, c);
    }
  }
  if (o.Count) {
    const UnivariantJob job = w.MakeUnivariantJob(w.State().FilterDuplicates);
    std::fprintf(out, "%llu\n",
                 static_cast<unsigned long long>(w.State().SetCount > w.State().SetRank ? SelectionCount(job) : 0));
    return 0;
  }
  if (o.Ranged || o.Rows != RowFormat::None) return PrintRelations(w, o, batch.prompter, out, err);
  int status = 0;
  for (Step s : o.Steps) {
    const bool enabled = s == Step::ReactionSpace ? w.State().RSpaceEnabled
                         : s == Step::Univariants ? w.State().UnivariantsEnabled
                                                  : w.State().IntersectEnabled;
    if (!enabled) {
      std::fprintf(err, "error: %s is not available for this working set%s\n",
                   s == Step::ReactionSpace ? "Reaction Space"
                   : s == Step::Univariants ? "Univariants"
                                            : "Intersections",
                   s == Step::Intersections ? " (both assemblages must have members)" : "");
      status = 1;
      break;
    }
    const CommandOutcome outcome = s == Step::ReactionSpace ? w.ReactionSpace()
                                   : s == Step::Univariants ? w.Univariants()
                                                            : w.Intersections();
    if (outcome != CommandOutcome::Done) {
      status = 1;
      break;
    }
  }
  return finish(status);
}

}  // namespace

int WizardCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  const std::optional<WizardCommandOptions> options = ReadWizardOptions(args, out);
  return options ? RunWizard(*options, out, err) : 0;
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
  return MergeRelationParts(parts, out, err);
}

}  // namespace varnel
