// The Reactions page of the Analysis Wizard: the working set and the two
// assemblages chosen from the model's columns, and the Reaction Space,
// Univariants and Intersections commands over it.
#include <algorithm>
#include <cmath>

#include "core/computationerror.h"
#include "core/indexsort.h"
#include "core/svd.h"
#include "sheet/sheet.h"
#include "wizard/matrixwizard.h"
#include "wizard/wizardlines.h"

namespace varnel {

using namespace wizardlines;

void MatrixWizard::SetupReactionsPage() {
  const int k = DesiredRank;
  PrompterSink sink(*ctx_.Prompt);
  if (!ModelIsInput && !RebuildSet) {
    const bool excluded = std::any_of(SetupGrid.begin(), SetupGrid.end(),
                                      [](const SetupColumn& c) { return c.InSet != YesMark; });
    if (excluded &&
        ctx_.Prompt->Message(
            BoxKind::Warning,
            QStringLiteral("Warning: Current matrix is a model matrix.") + Break +
                QStringLiteral(
                    "You might get undesired results if any phases are kept excluded from the working set.") +
                Break + QStringLiteral("Include all phases again?"),
            Button::Yes | Button::No) == Button::Yes)
      for (auto& c : SetupGrid) c.InSet = YesMark;
  }
  if (RebuildSet) {
    RebuildSet = false;
    SetupGrid.assign(static_cast<std::size_t>(n), {});
    for (int c = 1; c <= n; ++c) {
      const int row = CaseRows[static_cast<std::size_t>(c)];
      SetupGrid[static_cast<std::size_t>(c - 1)] = {
          LabelColumn > 0 ? CellText(LabelColumn, row) : QString::number(row), YesMark, UndefMark};
    }
    PanelColsA = PanelColsB = QStringLiteral("0");
    PanelRows = QString::number(m);
    PanelTCols = PanelSetCols = QString::number(n);
    PanelTRank = PanelSetRank = QString::number(k);
    PanelTUniv = PanelSetUniv = QString::number(CountSelections(n, k + 1, sink));
    WorkingSet.clear();
    for (int c = 1; c <= n; ++c) WorkingSet.push_back(c);
    SetCount = n;
    FillFMatrix(*WorkingSetMatrix, MaxMatrixDim, MaxMatrixDim, 0);
    CopyFMatrix(*ModelMatrix, *WorkingSetMatrix, m, n);
    SetNames = CaseNames;
    SetRank = k;
    QStringList heads;
    for (int c = 1; c <= n; ++c) heads << QLatin1Char(' ') + CaseNames[c];
    SetHeaderLine = heads.join(QLatin1Char('\t'));
    AssemblageA.clear();
    AssemblageB.clear();
    RSpaceEnabled = UnivariantsEnabled = true;
    IntersectEnabled = false;
  } else {
    PanelTRank = QString::number(k);
    PanelTUniv = QString::number(CountSelections(n, k + 1, sink));
    ModifySet(SetChange::Include, 0, -1, true);
  }
}

void MatrixWizard::ModifySet(SetChange change, int left, int right, bool fromWizard) {
  const int count = static_cast<int>(SetupGrid.size());
  if (!fromWizard) {
    if (change == SetChange::IncludeAll) {
      for (auto& c : SetupGrid) c.InSet = YesMark;
    } else {
      if (change == SetChange::Exclude && !ModelIsInput &&
          ctx_.Prompt->Message(
              BoxKind::Warning,
              QStringLiteral("Warning: Current matrix is a model matrix.") + Break +
                  QStringLiteral(
                      "You might get undesired results if any phases are excluded from the working set.") +
                  Break + QStringLiteral("Proceed anyway?"),
              Button::Yes | Button::No) != Button::Yes)
        return;
      for (int c = std::max(left, 0); c <= std::min(right, count - 1); ++c)
        SetupGrid[static_cast<std::size_t>(c)].InSet = change == SetChange::Include ? YesMark : NoMark;
    }
  }
  std::vector<int> set;
  QStringList names{QStringLiteral("Working set")}, heads;
  for (int c = 1; c <= count; ++c)
    if (SetupGrid[static_cast<std::size_t>(c - 1)].InSet == YesMark) {
      set.push_back(c);
      names << CaseNames.value(c);
      heads << CaseNames.value(c);
    }
  if (set != WorkingSet || fromWizard) {
    WorkingSet = set;
    SetCount = static_cast<int>(set.size());
    SetNames = names;
    SetHeaderLine = heads.join(QLatin1Char('\t'));
    FillFMatrix(*WorkingSetMatrix, MaxMatrixDim, MaxMatrixDim, 0);
    for (int k = 0; k < SetCount; ++k)
      for (int i = 1; i <= m; ++i)
        (*WorkingSetMatrix)(i, k + 1) = (*ModelMatrix)(i, set[static_cast<std::size_t>(k)]);
    UpdateSetInfo(true);
  }
}

void MatrixWizard::ModifyAssemblage(AssemblageMark mark, int left, int right) {
  const QString text = mark == AssemblageMark::A   ? QStringLiteral(" A")
                       : mark == AssemblageMark::B ? QStringLiteral(" B")
                                                   : UndefMark;
  for (int c = std::max(left, 0); c <= std::min(right, static_cast<int>(SetupGrid.size()) - 1); ++c)
    SetupGrid[static_cast<std::size_t>(c)].Mark = text;
  UpdateSetInfo(false);
}

void MatrixWizard::UpdateSetInfo(bool setChanged) {
  const QString error = QStringLiteral("*E*");
  if (setChanged) {
    PanelSetCols = QString::number(SetCount);
    PrompterSink sink(*ctx_.Prompt);
    auto copy = std::make_unique<FMatrix>(*WorkingSetMatrix);
    auto v = std::make_unique<FMatrix>();
    FVector w;
    int dimension = 0;
    Real threshold = 0;
    SetRank = Rank(*copy, *v, w, m, SetCount, dimension, threshold, sink);
    if (SetRank < 0) {
      PanelSetRank = PanelSetUniv = error;
    } else {
      PanelSetRank = QString::number(SetRank);
      const std::int64_t u = CountSelections(SetCount, SetRank + 1, sink);
      PanelSetUniv = u < 0 ? error : QString::number(u);
    }
  }
  AssemblageA.clear();
  AssemblageB.clear();
  AssemblageLine.clear();
  int p = 0;
  for (int c : WorkingSet) {
    ++p;
    const QString& mark = SetupGrid[static_cast<std::size_t>(c - 1)].Mark;
    AssemblageLine += mark + QLatin1Char('\t');
    if (mark == QStringLiteral(" A")) AssemblageA.push_back(p);
    if (mark == QStringLiteral(" B")) AssemblageB.push_back(p);
  }
  AssemblageLine += QStringLiteral("(assemblage)");
  PanelColsA = QString::number(AssemblageA.size());
  PanelColsB = QString::number(AssemblageB.size());
  const int d = SetRank < 0 ? -1 : SetCount - SetRank;
  RSpaceEnabled = d > 0;
  UnivariantsEnabled = d > 0 && PanelSetUniv != error;
  IntersectEnabled = d > 0 && !AssemblageA.empty() && !AssemblageB.empty() && PanelSetUniv != error;
}

RelationFormat MatrixWizard::Format() const {
  RelationFormat f{Options.Style, Sep(), Options.Normalize};
  f.MinCoefficient = Options.MinCoefficient;
  f.WholeNumbers = Options.WholeNumbers;
  f.WholeBound = Options.WholeBound;
  return f;
}

std::string MatrixWizard::FormatRelation(std::vector<Real>& x, const std::vector<int>& members,
                                         bool normalise) {
  const RelationFormat f = Format();
  const bool whole = ShapeRelation(x, f, normalise);
  if (FilterDuplicates) RelationKeys.insert(RelationKey(x, members, SetCount, f.DecimalSeparator));
  std::vector<std::string> names;
  for (const QString& s : SetNames) names.push_back(s.toStdString());
  return CoefficientRow(x, members, SetCount, f, whole) + "\t | " +
         RelationEquation(x, members, names, f, whole);
}

CommandOutcome MatrixWizard::ReactionSpace() {
  Busy = true;
  const bool intersect = IntersectEnabled;
  ProgressTo(100, 0, QStringLiteral("Computing ..."));
  Events();
  OpenReactionReport(
      QStringLiteral(" REACTION SPACE"),
      {QStringLiteral(" Null space of the working set has %1 dimension(s).").arg(SetCount - SetRank)}, {});
  ProgressTo(100, 20, QStringLiteral("Computing ..."));

  const int d = std::max(m, SetCount);
  auto u = std::make_unique<FMatrix>();
  auto v = std::make_unique<FMatrix>();
  FVector w;
  Real threshold = 0;
  CommandOutcome outcome = CommandOutcome::Done;
  if (DesiredRank == AbsoluteRank && SetCount == n) {
    *u = *WorkMatrix;
    *v = *VMatrix;
    w = SingularValues;
    threshold = CompZero;
  } else {
    *u = *WorkingSetMatrix;
    const int code = SV_Decomp(*u, *v, d, SetCount, w);
    if (code != 0) {
      PrompterSink sink(*ctx_.Prompt);
      ComputationError(code, "Reaction Space: ", sink);
      outcome = CommandOutcome::Failed;
    } else {
      threshold = SV_ZeroThreshold(w, SetCount);
    }
  }
  if (outcome == CommandOutcome::Done) {
    ProgressTo(100, 50, QStringLiteral("Computing ..."));
    ReportBuffer << QString() << QStringLiteral(" SVD of working set:");
    if (Options.OutputSvdMatrices) {
      WriteMatrix(*u, d, QStringLiteral(" U:"), false, SetCount);
      FMatrix wRow;
      for (int j = 1; j <= SetCount; ++j) wRow(1, j) = w[j];
      WriteMatrix(wRow, 1, QStringLiteral(" W:"), false, SetCount);
      WriteMatrix(*v, SetCount, QStringLiteral(" V:"), false, SetCount);
    }
    ProgressTo(100, 60, QStringLiteral("Computing ..."));
    ReportBuffer << QString()
                 << QStringLiteral(" Independent reaction set: (basis vectors for the null space)")
                 << QString() << SetHeaderLine;
    std::vector<int> all;
    for (int c = 1; c <= SetCount; ++c) all.push_back(c);
    for (int j = 1; j <= SetCount; ++j) {
      if (w[j] > threshold) continue;
      std::vector<Real> x(static_cast<std::size_t>(SetCount));
      for (int i = 1; i <= SetCount; ++i)
        x[static_cast<std::size_t>(i - 1)] = std::fabs((*v)(i, j)) > threshold ? (*v)(i, j) : Real{0};
      ReportBuffer << Q(FormatRelation(x, all, false));
    }
    ProgressTo(100, 60, QStringLiteral("Writing to TextPad ..."));
    Events();
    ProgressTo(100, 80, QStringLiteral("Writing to TextPad ..."));
    Events();
    AppendReport(SetCount);
    ProgressTo(100, 100, QStringLiteral("Writing to TextPad ..."));
  }
  Events();
  Busy = false;
  IntersectEnabled = intersect;
  ReportBuffer.clear();
  RelationKeys.clear();
  return outcome;
}

UnivariantJob MatrixWizard::MakeUnivariantJob(bool filter) const {
  UnivariantJob job;
  job.WorkingSet = WorkingSetMatrix.get();
  job.Rows = m;
  job.SetCount = SetCount;
  job.SetRank = SetRank;
  for (const QString& s : SetNames) job.Names.push_back(s.toStdString());
  job.Format = Format();
  job.FilterDuplicates = filter;
  return job;
}

namespace {

// The failures of single selections, reported as the enumeration found them.
void ReportFailures(const UnivariantResult& r, Prompter& prompt) {
  PrompterSink sink(prompt);
  for (std::size_t k = 0; k < r.Failures.size(); ++k) {
    ComputationError(CodeNoConvergence, "Rank: ", sink);
    ComputationError(CodeNoConvergence, "OutUnivariant: ", sink);
  }
}

}  // namespace

CommandOutcome MatrixWizard::Univariants() {
  Busy = true;
  const bool intersect = IntersectEnabled;
  const UnivariantJob job = MakeUnivariantJob(FilterDuplicates);
  const std::uint64_t total = SelectionCount(job);
  ProgressTo(static_cast<std::int64_t>(std::min<std::uint64_t>(total, INT64_MAX)), 0,
             QStringLiteral("Computing ..."));
  cancel_.store(false);
  UnivariantResult result =
      FindUnivariants(job, 0, total == 0 ? 0 : total - 1, ctx_.Threads, cancel_, [&](std::uint64_t done) {
        Events();
        ProgressTo(static_cast<std::int64_t>(total), static_cast<std::int64_t>(done),
                   QStringLiteral("Computing ..."));
      });
  CommandOutcome outcome = CommandOutcome::Done;
  if (result.Cancelled) {
    cancel_.store(false);
    outcome = CommandOutcome::Cancelled;
  } else {
    ReportFailures(result, *ctx_.Prompt);
    UnivariantHead(result.Lines.size());
    if (!WriteLinesCancellable(ReportBuffer, result.Lines, SetCount))
      outcome = CommandOutcome::Cancelled;
    else
      RememberRelations(false);
  }
  Events();
  Busy = false;
  IntersectEnabled = intersect;
  ReportBuffer.clear();
  return outcome;
}

void MatrixWizard::UnivariantHead(std::size_t filteredTotal) {
  OpenReactionReport(
      QStringLiteral(" \"UNIVARIANT\" RELATIONS (null/reaction space of rank+1 column selections)"), {}, {});
  ReportBuffer << QString() << QStringLiteral(" Rank of Working Set is: ") + PanelSetRank
               << QStringLiteral(" Working Set contains ") + PanelSetUniv +
                      QStringLiteral(" rank+1 column selections (\"univariants\")");
  if (FilterDuplicates)
    ReportBuffer
        << QStringLiteral(" \"Univariant\" relation(s): (filtered, totalling %1)").arg(filteredTotal);
  else
    ReportBuffer << QStringLiteral(" \"Univariant\" relation(s): (unfiltered)");
  ReportBuffer << QString() << SetHeaderLine;
}

CommandOutcome MatrixWizard::Intersections() {
  const bool filter = FilterDuplicates;
  FilterDuplicates = true;
  Busy = true;
  const bool intersect = IntersectEnabled;
  const UnivariantJob job = MakeUnivariantJob(true);
  const std::uint64_t total = SelectionCount(job);
  cancel_.store(false);
  // The distinct relations stream past block by block and only those that
  // separate the assemblages are kept: a working set of any size needs
  // memory for them (and the keys of the relations met) alone.
  constexpr std::uint64_t BlockSelections = 1 << 14;
  std::vector<std::string> survivors;
  const char separator = Sep();
  const UnivariantStream run = StreamRelations(
      job, 0, total == 0 ? 0 : total - 1, ctx_.Threads, BlockSelections, cancel_,
      [&](const StreamedRelation& r) {
        const std::string line(r.Line);
        if (SeparatesAssemblages(line, SetCount, AssemblageA, AssemblageB, separator))
          survivors.push_back(line);
        return true;
      },
      [&](std::uint64_t done) {
        Events();
        ProgressTo(static_cast<std::int64_t>(total), static_cast<std::int64_t>(done),
                   QStringLiteral("Computing ..."));
      });
  CommandOutcome outcome = CommandOutcome::Done;
  auto finish = [&] {
    Events();
    Busy = false;
    IntersectEnabled = intersect;
    FilterDuplicates = filter;
    ReportBuffer.clear();
    return outcome;
  };
  if (run.Cancelled) {
    cancel_.store(false);
    outcome = CommandOutcome::Cancelled;
    return finish();
  }
  {
    UnivariantResult failures;
    failures.Failures = run.Failures;
    ReportFailures(failures, *ctx_.Prompt);
  }
  // The relations were sorted as they came; Cancel is still heard before
  // anything is written.
  ProgressTo(static_cast<std::int64_t>(survivors.size()), static_cast<std::int64_t>(survivors.size()),
             QStringLiteral("Looking for incompatibilities ..."));
  Events();
  if (cancel_.load()) {
    cancel_.store(false);
    outcome = CommandOutcome::Cancelled;
    return finish();
  }
  OpenReactionReport(QStringLiteral(" ASSEMBLAGE RELATIONS"), {}, {QString(), AssemblageLine});
  if (survivors.empty())
    ReportBuffer << QString() << QStringLiteral(" -- No incompatibilities were found.");
  else
    ReportBuffer << QString()
                 << QStringLiteral(" Found %1 assemblage incompatibilities:").arg(survivors.size())
                 << QString() << AssemblageLine << SetHeaderLine;
  if (!WriteLinesCancellable(ReportBuffer, survivors, SetCount))
    outcome = CommandOutcome::Cancelled;
  else
    RememberRelations(true);
  return finish();
}

}  // namespace varnel
