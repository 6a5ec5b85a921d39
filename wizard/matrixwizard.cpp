#include "wizard/matrixwizard.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "core/computationerror.h"
#include "core/indexsort.h"
#include "core/numberread.h"
#include "core/rowweight.h"
#include "core/svd.h"
#include "sheet/sheet.h"
#include "wizard/wizardlines.h"
#include "wizard/wizardtext.h"

namespace varnel {

using namespace wizardlines;

Abundance AbundanceClass(Real x, Real total) {
  if (x == 0) return Abundance::Absent;
  const Real r = x / total;
  if (r > 0.1L) return Abundance::Major;
  if (r > 0.01L) return Abundance::Minor;
  return Abundance::Trace;
}

std::int64_t MatrixWizard::CountSelections(int columns, int k, MessageSink& sink) const {
  if (!ctx_.WideSelectionCounts) return SelectionsOf(columns, k, sink);
  if (columns < k || k < 1) return 0;
  // C(60, 30), the largest count of a wizard matrix, is about 1.2e17.
  return static_cast<std::int64_t>(std::min<std::uint64_t>(Binomial(columns, k), INT64_MAX));
}

MatrixWizard::MatrixWizard(WizardContext context) : ctx_(std::move(context)) {
  for (int i = 1; i <= MaxMatrixDim; ++i) RowWeights[i] = 1;
  InputMatrix = std::make_unique<FMatrix>();
  WorkMatrix = std::make_unique<FMatrix>();
  VMatrix = std::make_unique<FMatrix>();
  ModelMatrix = std::make_unique<FMatrix>();
  ToleranceMatrix = std::make_unique<FMatrix>();
  WorkingSetMatrix = std::make_unique<FMatrix>();
}

char MatrixWizard::Sep() const { return ctx_.Environment ? ctx_.Environment().DecimalSeparator : '.'; }

QString MatrixWizard::Name(int col) const {
  if (col < 0 || col >= ctx_.SheetData->ColCount()) return {};
  return Q(ctx_.SheetData->Name(col));
}

QString MatrixWizard::CellText(int col, int row) const {
  const Sheet& s = *ctx_.SheetData;
  if (col < 0 || col >= s.ColCount() || row < 0 || row >= s.RowCount()) return {};
  return Q(s.Cell(col, row));
}

void MatrixWizard::Events() const {
  if (ctx_.ProcessEvents) ctx_.ProcessEvents();
}

void MatrixWizard::ProgressTo(std::int64_t maximum, std::int64_t position, const QString& label) const {
  if (ctx_.Progress) ctx_.Progress(maximum, position, label);
}

QStringList MatrixWizard::ColumnChoices() const {
  QStringList items;
  for (int c = 0; c < ctx_.SheetData->ColCount(); ++c) items << Name(c);
  if (!items.isEmpty()) items[0] = QStringLiteral("(None)");
  return items;
}

void MatrixWizard::SetLabelColumns(int label, int comment) {
  const int columns = ctx_.SheetData ? ctx_.SheetData->ColCount() : 0;
  auto within = [columns](int c) { return c > 0 && c < columns ? c : 0; };
  LabelColumn = within(label);
  CommentColumn = within(comment);
}

void MatrixWizard::SetWeighting(bool on) { WeightOn = on; }

void MatrixWizard::SetOutputs(bool weighted, bool model, bool testResiduals) {
  OutWeighted = weighted;
  OutModel = model;
  OutTestResiduals = testResiduals;
}

bool MatrixWizard::SetDesiredRank(int rank) {
  if (rank < 1 || rank > desiredMax_) return false;
  DesiredRank = rank;
  return true;
}

void MatrixWizard::SetOptions(const WizardOptions& options) {
  Options = options;
  SetStyle(options.Style);
  Options.WholeBound = std::max(Options.WholeBound, 1);
  if (!(Options.MinCoefficient >= 0 && Options.MinCoefficient < 1)) Options.MinCoefficient = 0;
}

void MatrixWizard::SetStyle(int style) { Options.Style = std::clamp(style, 0, 3); }

void MatrixWizard::SetFilterDuplicates(bool on) { FilterDuplicates = on; }

void MatrixWizard::Reset() {
  InputMatrix = std::make_unique<FMatrix>();
  WorkMatrix = std::make_unique<FMatrix>();
  VMatrix = std::make_unique<FMatrix>();
  ModelMatrix = std::make_unique<FMatrix>();
  ToleranceMatrix = std::make_unique<FMatrix>();
  WorkingSetMatrix = std::make_unique<FMatrix>();
  SingularValues = FVector{};
  Page = PageLabels;
  const QStringList names = ColumnChoices();
  LabelColumn = CommentColumn = 0;
  for (int c = 1; c < names.size(); ++c)
    if (names[c].compare(QStringLiteral("Label#"), Qt::CaseInsensitive) == 0) {
      LabelColumn = c;
      break;
    }
  for (int c = 1; c < names.size(); ++c)
    if (names[c].compare(QStringLiteral("Comment#"), Qt::CaseInsensitive) == 0) {
      CommentColumn = c;
      break;
    }
  AppliedLabelColumn = AppliedCommentColumn = 0;
  m = n = 0;
  InputChanged = NewInput = RebuildSet = WeightsChanged = true;
  WeightingWasOn = false;
  ModelIsInput = true;
  Busy = false;
  cancel_.store(false);
  lastBuiltRows_.clear();
  lastBuiltColumns_.clear();
  RefreshCaseCount();
}

void MatrixWizard::Close() {
  caseList_.clear();
  CaseNames.clear();
  ReportBuffer.clear();
  RelationKeys.clear();
  CaseRows.assign(1, 0);
}

int MatrixWizard::ItemRow(const QString& item) {
  // The row number runs from after the leading space up to the tab, so that
  // rows of six digits and more read back whole.
  const qsizetype tab = item.indexOf(QLatin1Char('\t'));
  return item.mid(1, tab < 0 ? -1 : tab - 1).trimmed().toInt();
}

QString MatrixWizard::CasesAddedText() const {
  return QStringLiteral("Total cases:  ") + QString::number(caseList_.size());
}

void MatrixWizard::RefreshCaseCount() {
  CaseRows.assign(1, 0);
  for (const QString& item : caseList_) CaseRows.push_back(ItemRow(item));
}

void MatrixWizard::AddCases(int top, int bottom) {
  const Sheet& s = *ctx_.SheetData;
  if (top == 0) top = 1;
  bottom = std::min(bottom, s.RowCount() - 1);
  // Items sort by row number first, which is their text order while rows have
  // five digits.
  auto less = [](const QString& a, const QString& b) {
    const int ra = ItemRow(a), rb = ItemRow(b);
    return ra != rb ? ra < rb : a < b;
  };
  for (int r = top; r <= bottom; ++r) {
    QString label = LabelColumn >= 1 ? CellText(LabelColumn, r) : QString();
    if (CommentColumn > 0) label += QLatin1Char('\t') + CellText(CommentColumn, r);
    const QString item = QLatin1Char(' ') + Pad5(r) + QLatin1Char('\t') + label;
    const auto at = std::lower_bound(caseList_.begin(), caseList_.end(), item, less);
    if (at != caseList_.end() && *at == item) continue;
    caseList_.insert(at, item);
  }
  if (caseList_.size() > MaxMatrixDim) {
    ctx_.Prompt->Message(BoxKind::Warning,
                         QStringLiteral("Too many cases added. Maximun is %1.").arg(MaxMatrixDim) + Break +
                             QStringLiteral("Excess cases will be ignored."),
                         Only(Button::Ok));
    while (caseList_.size() > MaxMatrixDim) caseList_.removeLast();
  }
  RefreshCaseCount();
}

void MatrixWizard::DeleteCases(const std::vector<int>& itemIndexes) {
  std::vector<int> sorted = itemIndexes;
  std::sort(sorted.rbegin(), sorted.rend());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (int k : sorted)
    if (k >= 0 && k < caseList_.size()) caseList_.removeAt(k);
  RefreshCaseCount();
}

void MatrixWizard::RelabelCases() {
  QStringList items;
  for (std::size_t k = 1; k < CaseRows.size(); ++k) {
    const int r = CaseRows[k];
    QString label = LabelColumn >= 1 ? CellText(LabelColumn, r) : QString();
    if (CommentColumn > 0) label += QLatin1Char('\t') + CellText(CommentColumn, r);
    items << QLatin1Char(' ') + Pad5(r) + QLatin1Char('\t') + label;
  }
  caseList_ = items;
}

bool MatrixWizard::Next() {
  switch (Page) {
    case PageLabels:
      return NextOnLabels();
    case PageInput:
      return NextOnInput();
    case PageSvd:
      return NextOnSvd();
    case PageModel:
      return NextOnModel();
    default:
      return false;
  }
}

void MatrixWizard::Back() {
  if (Page > 0) --Page;
}

bool MatrixWizard::NextOnLabels() {
  if (LabelColumn != AppliedLabelColumn || CommentColumn != AppliedCommentColumn) {
    RelabelCases();
    AppliedLabelColumn = LabelColumn;
    AppliedCommentColumn = CommentColumn;
    InputChanged = true;
  }
  Page = PageInput;
  return true;
}

int MatrixWizard::BuildInputMatrix() {
  CaseNames.clear();
  QStringList heads;
  if (LabelColumn > 0) {
    CaseNames << Name(LabelColumn);
    for (int j = 1; j <= n; ++j) CaseNames << CellText(LabelColumn, CaseRows[static_cast<std::size_t>(j)]);
  } else {
    CaseNames << QString();
    for (int j = 1; j <= n; ++j) CaseNames << QString::number(CaseRows[static_cast<std::size_t>(j)]);
  }
  for (int j = 1; j <= n; ++j) heads << QLatin1Char(' ') + CaseNames[j];
  ColumnHeaderLine =
      heads.join(QLatin1Char('\t')) +
      (LabelColumn > 0 ? QStringLiteral("\t ") + Name(LabelColumn) : QStringLiteral("\t (Case numbers)"));
  const char sep = Sep();
  for (int i = 1; i <= m; ++i)
    for (int j = 1; j <= n; ++j) {
      Real v;
      const Sheet& s = *ctx_.SheetData;
      const int col = VariableColumns[static_cast<std::size_t>(i)];
      const int row = CaseRows[static_cast<std::size_t>(j)];
      if (row >= s.RowCount() || !ReadNumber(s.Cell(col, row), sep, v)) return CodeNotNumeric;
      (*InputMatrix)(i, j) = v;
    }
  return CodeSuccess;
}

bool MatrixWizard::NextOnInput() {
  const Sheet& s = *ctx_.SheetData;
  std::vector<int> columns(1, 0);
  for (int c = 1; c < s.ColCount(); ++c)
    if (!s.IsTagged(c)) columns.push_back(c);
  const int v = static_cast<int>(columns.size()) - 1;
  if (caseList_.size() < 2 || v < 2) {
    ctx_.Prompt->Message(BoxKind::Error,
                         QStringLiteral("Not enough cases or untagged variables.") + Break +
                             QStringLiteral("Please, check the selection and try again."),
                         Only(Button::Ok));
    return false;
  }
  if (v > MaxMatrixDim) {
    ctx_.Prompt->Message(
        BoxKind::Error,
        QStringLiteral("There are too many untagged variables. Maximun is %1.").arg(MaxMatrixDim) + Break +
            QStringLiteral("Please, check DataSheet and try again."),
        Only(Button::Ok));
    return false;
  }
  if (caseList_.size() != n) {
    n = static_cast<int>(caseList_.size());
    InputChanged = true;
  } else if (lastBuiltRows_ != CaseRows) {
    InputChanged = true;
  }
  m = v;
  VariableColumns = columns;
  if (lastBuiltColumns_ != columns) InputChanged = true;

  if (InputChanged) {
    FillFMatrix(*InputMatrix, MaxMatrixDim, MaxMatrixDim, 0);
    const int code = BuildInputMatrix();
    if (code != CodeSuccess) {
      PrompterSink sink(*ctx_.Prompt);
      ComputationError(code, "Analysis Wizard: ", sink);
      return false;
    }
    InputChanged = false;
    lastBuiltRows_ = CaseRows;
    lastBuiltColumns_ = columns;
    ToleranceGrid.assign(static_cast<std::size_t>(m) + 1,
                         std::vector<QString>(static_cast<std::size_t>(n) + 1));
    for (int j = 1; j <= n; ++j) ToleranceGrid[0][static_cast<std::size_t>(j)] = CaseNames[j];
    for (int i = 1; i <= m; ++i)
      ToleranceGrid[static_cast<std::size_t>(i)][0] = Name(columns[static_cast<std::size_t>(i)]);
    FillToleranceGrid();
    for (int i = 1; i <= MaxMatrixDim; ++i) RowWeights[i] = 1;
    WriteReportHeader();
    WriteMatrix(*InputMatrix, m, QStringLiteral(" INPUT MATRIX:"), true, n);
    AppendPlain();
    NewInput = true;
    WeightsChanged = true;
  }
  Page = PageSvd;
  return true;
}

QString MatrixWizard::InputInfoText() const {
  return QStringLiteral(
             "Input matrix has %1 rows (from untagged variables) and %2 columns (from added cases).")
      .arg(m)
      .arg(n);
}

bool MatrixWizard::NextOnSvd() {
  ReportBuffer.clear();
  bool changed = false;
  if (!WeightOn && WeightingWasOn) {
    WeightingWasOn = false;
    ReportBuffer << QString() << QStringLiteral(" ****ROW WEIGHTING IS DISABLED");
    changed = true;
  } else if (WeightOn && !WeightingWasOn) {
    WeightingWasOn = true;
    ReportBuffer << QString() << QStringLiteral(" ****ROW WEIGHTING IS ENABLED");
    changed = true;
  }
  if (changed || NewInput || (WeightsChanged && WeightOn)) {
    FillFMatrix(*WorkMatrix, MaxMatrixDim, MaxMatrixDim, 0);
    CopyFMatrix(*InputMatrix, *WorkMatrix, m, n);
    if (WeightOn) {
      ScaleFMatrixRows(*WorkMatrix, RowWeights, m, n, false);
      if (WeightsChanged) ReportBuffer << QStringLiteral(" ** New weights are in effect.");
      FMatrix weights;
      for (int i = 1; i <= m; ++i) weights(1, i) = RowWeights[i];
      WriteMatrix(weights, 1, QStringLiteral(" Current Row Weights:"), false, m);
      if (OutWeighted) WriteMatrix(*WorkMatrix, m, QStringLiteral(" WEIGHTED INPUT MATRIX:"), true, n);
      WeightsChanged = false;
    }
    PrompterSink sink(*ctx_.Prompt);
    Real threshold = 0;
    const int r = Rank(*WorkMatrix, *VMatrix, SingularValues, m, n, Dimension, threshold, sink);
    if (r < 0) {
      ReportBuffer.clear();
      return false;
    }
    CompZero = threshold;
    AbsoluteRank = r;
    desiredMax_ = std::max(1, r == n ? r - 1 : r);
    // The computational guess zero follows every new decomposition.
    if (Computational) GuessZero = CompZero;
    CountGuessRank();
    if (Options.OutputSvdMatrices) {
      WriteMatrix(*WorkMatrix, Dimension, QStringLiteral(" MATRIX U:"), false, n);
      FMatrix w;
      for (int j = 1; j <= n; ++j) w(1, j) = SingularValues[j];
      WriteMatrix(w, 1, QStringLiteral(" SINGULAR VALUES [W]:"), false, n);
      WriteMatrix(*VMatrix, n, QStringLiteral(" MATRIX V:"), false, n);
    }
    std::vector<Real> values(SingularValues.v.begin(), SingularValues.v.begin() + n);
    std::vector<std::int32_t> index(static_cast<std::size_t>(n));
    IndexFVector(values, n, index, true, sink);
    SortIndex.assign(index.begin(), index.end());
    ReportBuffer << QString()
                 << QStringLiteral(
                        " Absolute rank of Input Matrix is %1 (up to a computational zero threshold of %2).")
                        .arg(r)
                        .arg(Q(CompZeroText(CompZero, Sep())));
    if (GuessZero > CompZero)
      ReportBuffer << QStringLiteral(
                          " Possible rank of Input Matrix is %1 (up to specified zero threshold: %2).")
                          .arg(GuessRank)
                          .arg(ThresholdText());
    AppendPlain();
    TestedRanks.clear();
    TestedRank = 0;
    if (NewInput) {
      NewInput = false;
      RebuildSet = true;
    }
  }
  ReportBuffer.clear();
  Page = PageModel;
  return true;
}

Real MatrixWizard::SortedSingularValue(int i) const {
  if (i < 1 || i > n || static_cast<int>(SortIndex.size()) < n) return 0;
  return SingularValues[SortIndex[static_cast<std::size_t>(n - i)]];
}

QString MatrixWizard::SingularValuesTitle() const {
  return QStringLiteral("Singular Values of Input [%1 by %2] Matrix").arg(m).arg(n);
}

void MatrixWizard::CountGuessRank() {
  int count = 0;
  for (int j = 1; j <= n; ++j)
    if (SingularValues[j] > CompZero && SingularValues[j] <= GuessZero) ++count;
  GuessRank = AbsoluteRank - count;
  DesiredRank = std::clamp(GuessRank, 1, desiredMax_);
}

QString MatrixWizard::ThresholdText() const {
  return thresholdText_.isNull() ? Q(GeneralText(GuessZero, Sep())) : thresholdText_;
}

QString MatrixWizard::ThresholdEdited(const QString& text, const QString& previousText) {
  Real v;
  if (!ReadNumber(text.toStdString(), Sep(), v)) return previousText;
  if (v < 0) {
    SetThreshold(-v);
    return thresholdText_;
  }
  SetThreshold(v);
  thresholdText_ = text;
  return text;
}

void MatrixWizard::SetThreshold(Real zero) {
  GuessZero = std::fabs(zero);
  thresholdText_ = Q(GeneralText(GuessZero, Sep()));
  CountGuessRank();
}

void MatrixWizard::SetComputational(bool checked) {
  Computational = checked;
  if (checked) {
    SavedGuessZero = GuessZero;
    GuessZero = CompZero;
  } else {
    GuessZero = SavedGuessZero;
  }
  thresholdText_ = Q(GeneralText(GuessZero, Sep()));
  CountGuessRank();
}

void MatrixWizard::WeightEdited(int column, const QString& text) {
  Real v;
  if (column < 0 || column >= MaxMatrixDim || !ReadNumber(text.toStdString(), Sep(), v)) return;
  RowWeights[column + 1] = v;
  WeightsChanged = true;
}

void MatrixWizard::WeightsDone() {
  for (int i = 1; i <= m; ++i) {
    bool zeroed = false;
    RowWeights[i] = UsableRowWeight(RowWeights[i], zeroed);
    if (zeroed)
      ctx_.Prompt->Message(
          BoxKind::Warning,
          QString::fromStdString(ZeroRowWeightMessage(
              Name(VariableColumns[static_cast<std::size_t>(i)]).toStdString(), WeightWarning::Wizard)),
          Only(Button::Ok));
  }
}

void MatrixWizard::ResetWeights() {
  for (int i = 1; i <= MaxMatrixDim; ++i) RowWeights[i] = 1;
  WeightsChanged = true;
}

QString MatrixWizard::WeightText(int i) const { return Q(GeneralText(RowWeights[i], Sep())); }

void MatrixWizard::FillToleranceGrid() {
  const char sep = Sep();
  Real absent = 0;
  ReadNumber("1e" + std::to_string(Options.RelErrAbsent), '.', absent);
  std::vector<std::pair<int, int>> absentCells;
  for (int j = 1; j <= n; ++j) {
    Real total = 0;
    for (int i = 1; i <= m; ++i) total += std::fabs((*InputMatrix)(i, j));
    for (int i = 1; i <= m; ++i) {
      const Real a = (*InputMatrix)(i, j);
      QString& cell = ToleranceGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
      int percent = 0;
      switch (AbundanceClass(std::fabs(a), total)) {
        case Abundance::Absent:
          cell = Q(AbsentToleranceText(Options.RelErrAbsent, sep));
          absentCells.emplace_back(i, j);
          continue;
        case Abundance::Major:
          percent = Options.RelErrMajor;
          break;
        case Abundance::Minor:
          percent = Options.RelErrMinor;
          break;
        case Abundance::Trace:
          percent = Options.RelErrTrace;
          break;
      }
      cell = Q(GeneralText(std::fabs(static_cast<Real>(percent) * a / 100), sep));
    }
  }
  ReadToleranceGrid();
  for (const auto& [i, j] : absentCells) (*ToleranceMatrix)(i, j) = absent;
}

void MatrixWizard::ReadToleranceGrid(std::vector<std::vector<QString>> grid) {
  // A grid of another shape belongs to another model: nothing is taken.
  if (grid.size() != ToleranceGrid.size()) return;
  for (std::size_t i = 0; i < grid.size(); ++i)
    if (grid[i].size() != ToleranceGrid[i].size()) return;
  ToleranceGrid = std::move(grid);
  ReadToleranceGrid();
}

void MatrixWizard::ReadToleranceGrid() {
  const char sep = Sep();
  for (int i = 1; i <= m; ++i)
    for (int j = 1; j <= n; ++j) {
      QString& cell = ToleranceGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
      Real v;
      if (!ReadNumber(cell.toStdString(), sep, v)) {
        cell = QStringLiteral("1") + QLatin1Char(sep) + QStringLiteral("0e-15");
        v = 1e-15L;
      } else if (v == 0) {
        v = 1e-15L;
      }
      (*ToleranceMatrix)(i, j) = std::fabs(v);
    }
}

bool MatrixWizard::TestModel(bool withOutput) {
  const int k = DesiredRank;
  FVector w = SingularValues;
  for (int t = 0; t <= n - k - 1 && t < static_cast<int>(SortIndex.size()); ++t)
    w[SortIndex[static_cast<std::size_t>(t)]] = 0;
  SV_Compose(*WorkMatrix, *VMatrix, *ModelMatrix, n, m, w);
  if (!withOutput) return true;
  ReportBuffer.clear();
  ReportBuffer << QString() << QStringLiteral("TEST: Model matrix of rank %1").arg(k);
  if (WeightOn) ScaleFMatrixRows(*ModelMatrix, RowWeights, m, n, true);
  if (OutModel) {
    ReportBuffer << QString() << QStringLiteral(" Model matrix:");
    WriteMatrix(*ModelMatrix, m, ColumnHeaderLine, true, n);
  }
  auto r = std::make_unique<FMatrix>();
  SubtractFMatrix(*ModelMatrix, *InputMatrix, *r, m, n);
  if (OutTestResiduals) {
    ReportBuffer << QString() << QStringLiteral(" Matrix of residuals (Model - Input):");
    WriteMatrix(*r, m, ColumnHeaderLine, true, n);
  }
  DivideFMatrix(*r, *ToleranceMatrix, *r, m, n);
  ReportBuffer << QString() << QStringLiteral(" Matrix of residual/tolerance ratios:");
  WriteMatrix(*r, m, ColumnHeaderLine, true, n);
  AppendReport(n);
  return true;
}

CommandOutcome MatrixWizard::TestModelClick() {
  const int k = DesiredRank;
  if (k == AbsoluteRank) {
    ctx_.Prompt->Message(BoxKind::Information,
                         QStringLiteral("Input matrix rank is already %1.").arg(k) + Break +
                             QStringLiteral("No need to test."),
                         Only(Button::Ok));
    return CommandOutcome::Refused;
  }
  if (TestedRanks.count(k) &&
      ctx_.Prompt->Message(BoxKind::Confirmation,
                           QStringLiteral("A model matrix of rank %1 has been already tested.").arg(k) +
                               Break + QStringLiteral("Proceed anyway ?"),
                           Button::Yes | Button::No) != Button::Yes)
    return CommandOutcome::Declined;
  Busy = true;
  TestModel(true);
  TestedRanks.insert(k);
  TestedRank = k;
  Busy = false;
  return CommandOutcome::Done;
}

bool MatrixWizard::NextOnModel() {
  const int k = DesiredRank;
  if (k == AbsoluteRank) {
    ModelIsInput = true;
    CopyFMatrix(*InputMatrix, *ModelMatrix, m, n);
    if (WeightOn) ScaleFMatrixRows(*ModelMatrix, RowWeights, m, n, false);
    TestedRank = k;
  } else {
    if (k < GuessRank &&
        ctx_.Prompt->Message(
            BoxKind::Warning,
            QStringLiteral("Requested model rank is lower than input threshold rank.") + Break +
                QStringLiteral("Model matrix might deviate substantially from input matrix.") + Break +
                QStringLiteral("Proceed anyway ?"),
            Button::Yes | Button::No) != Button::Yes)
      return false;
    if (k != TestedRank) TestModel(false);
    ModelIsInput = false;
  }
  SetupReactionsPage();
  Page = PageReactions;
  return true;
}

// ---- Reactions page ----

}  // namespace varnel
