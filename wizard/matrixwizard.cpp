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
#include "wizard/wizardtext.h"

namespace varnel {
namespace {

const QString Break = QStringLiteral("\n\r");
const QString Rule75 = QString(75, QLatin1Char('-'));
const QString Stars75 = QString(75, QLatin1Char('*'));
const QString YesMark = QStringLiteral(" Yes");
const QString NoMark = QStringLiteral(" No");
const QString UndefMark = QStringLiteral(" Undef.");

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A rule of macrons, one under each character of a title.
QString Macrons(const QString& title) { return QString(title.size(), QChar(0xAF)); }

QString Pad5(int row) { return QStringLiteral("%1").arg(row, 5, 10, QLatin1Char('0')); }

}  // namespace

Abundance AbundanceClass(Real x, Real total) {
  if (x == 0) return Abundance::Absent;
  const Real r = x / total;
  if (r > 0.1L) return Abundance::Major;
  if (r > 0.01L) return Abundance::Minor;
  return Abundance::Trace;
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

int MatrixWizard::TabWidth() const {
  return ReportTabWidth(ctx_.FontSize ? ctx_.FontSize() : 8, Options.Style);
}

void MatrixWizard::WriteReportHeader() {
  ReportTarget& t = *ctx_.Report;
  t.StartReport();
  const ReportEnvironment env = ctx_.Environment ? ctx_.Environment() : ReportEnvironment{};
  QStringList lines;
  lines << QStringLiteral("Matrix analysis results. (Varnel ") + env.Version + QLatin1Char(')');
  lines << QStringLiteral("File: ") + QFileInfo(env.FileName).fileName() + QStringLiteral(" - Computed on ") +
               DateTimeText(env.Now);
  lines << Rule75;
  QStringList numbers, comments;
  for (int j = 1; j <= n; ++j)
    numbers << QLatin1Char(' ') + QString::number(CaseRows[static_cast<std::size_t>(j)]);
  lines << numbers.join(QLatin1Char('\t')) + QStringLiteral("\t (Case numbers)") << Rule75;
  if (LabelColumn > 0) lines << ColumnHeaderLine << Rule75;
  if (CommentColumn > 0) {
    for (int j = 1; j <= n; ++j)
      comments << QLatin1Char(' ') + CellText(CommentColumn, CaseRows[static_cast<std::size_t>(j)]);
    lines << comments.join(QLatin1Char('\t')) + QStringLiteral("\t ") + Name(CommentColumn) << Rule75;
  }
  t.AppendLines(lines);
  t.SetTabStops(n + 2, TabWidth());
  t.CaretToEnd();
  t.ShowReport();
  ReportBuffer.clear();
}

void MatrixWizard::WriteMatrix(const FMatrix& mat, int rows, const QString& title, bool withLabels,
                               int cols) {
  ReportBuffer << QString() << title;
  const char sep = Sep();
  for (int i = 1; i <= rows; ++i) {
    QString line = Q(FormatFMatrixRow(mat, i, cols, Options.Style, sep));
    if (withLabels) line += QStringLiteral("\t ") + Name(VariableColumns[static_cast<std::size_t>(i)]);
    ReportBuffer << line;
  }
}

void MatrixWizard::AppendPlain() {
  ctx_.Report->AppendLines(ReportBuffer);
  ctx_.Report->CaretToEnd();
  ReportBuffer.clear();
}

void MatrixWizard::AppendReport(int columns) {
  ReportTarget& t = *ctx_.Report;
  const int p = t.BlockStart();
  t.AppendLines(ReportBuffer);
  t.SetBlockTabStops(p, columns + 2, TabWidth());
  t.CaretToEnd();
  ReportBuffer.clear();
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
  QString shown = text;
  if (v < 0) {
    GuessZero = -v;
    shown = Q(GeneralText(GuessZero, Sep()));
  } else {
    GuessZero = v;
  }
  thresholdText_ = shown;
  CountGuessRank();
  return shown;
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
    PanelTUniv = PanelSetUniv = QString::number(SelectionsOf(n, k + 1, sink));
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
    PanelTUniv = QString::number(SelectionsOf(n, k + 1, sink));
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
      const std::int32_t u = SelectionsOf(SetCount, SetRank + 1, sink);
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
  ReportBuffer.clear();
  ReportBuffer
      << QString() << Stars75 << QString() << QStringLiteral(" REACTION SPACE")
      << Macrons(QStringLiteral(" REACTION SPACE"))
      << QStringLiteral(" Matrix is a working set of %1 columns out of %2 in the current input model.")
             .arg(SetCount)
             .arg(n)
      << QStringLiteral(" Null space of the working set has %1 dimension(s).").arg(SetCount - SetRank)
      << QStringLiteral(" Working Set:");
  if (WeightOn) ReportBuffer << QStringLiteral(" (Working set is derived from weighted input)");
  WriteMatrix(*WorkingSetMatrix, m, SetHeaderLine, true, SetCount);
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

bool MatrixWizard::WriteLinesCancellable(const QStringList& head, const std::vector<std::string>& tail,
                                         int tabColumns) {
  ReportTarget& t = *ctx_.Report;
  const auto total = static_cast<std::int64_t>(head.size() + static_cast<qsizetype>(tail.size()));
  ProgressTo(total + 1, 0, QStringLiteral("Writing to TextPad ..."));
  Events();
  t.SuspendRepaint(true);
  const int p = t.BlockStart();
  QStringList block;
  std::int64_t written = 0;
  auto flush = [&] {
    t.AppendLines(block);
    written += block.size();
    block.clear();
  };
  auto cancelled = [&](std::int64_t index) {
    // Events run every few lines; the flag is read before every line.
    if (index % 64 == 0) {
      Events();
      ProgressTo(total + 1, written + block.size(), QStringLiteral("Writing to TextPad ..."));
    }
    if (!cancel_.load()) return false;
    cancel_.store(false);
    flush();
    t.AppendLines({QStringLiteral(" ***OUTPUT ABORTED BY USER: LIST MAY BE INCOMPLETE***")});
    t.SuspendRepaint(false);
    return true;
  };
  std::int64_t index = 0;
  for (const QString& line : head) {
    if (cancelled(index++)) return false;
    block << line;
  }
  for (const std::string& line : tail) {
    if (cancelled(index++)) return false;
    block << QString::fromStdString(line);
    if (block.size() >= 4096) flush();
  }
  flush();
  t.SetBlockTabStops(p, tabColumns + 2, TabWidth());
  t.CaretToEnd();
  t.SuspendRepaint(false);
  return true;
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
  ReportBuffer.clear();
  const QString title =
      QStringLiteral(" \"UNIVARIANT\" RELATIONS (null/reaction space of rank+1 column selections)");
  ReportBuffer << QString() << Stars75 << QString() << title << Macrons(title)
               << QStringLiteral(
                      " Matrix is a working set of %1 columns out of %2 in the current input model.")
                      .arg(SetCount)
                      .arg(n)
               << QStringLiteral(" Working Set:");
  if (WeightOn) ReportBuffer << QStringLiteral(" (Working set is derived from weighted input)");
  WriteMatrix(*WorkingSetMatrix, m, SetHeaderLine, true, SetCount);
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
  ReportBuffer.clear();
  ReportBuffer << QString() << Stars75 << QString() << QStringLiteral(" ASSEMBLAGE RELATIONS")
               << Macrons(QStringLiteral(" ASSEMBLAGE RELATIONS"))
               << QStringLiteral(
                      " Matrix is a working set of %1 columns out of %2 in the current input model.")
                      .arg(SetCount)
                      .arg(n)
               << QStringLiteral(" Working Set:");
  if (WeightOn) ReportBuffer << QStringLiteral(" (Working set is derived from weighted input)");
  ReportBuffer << QString() << AssemblageLine;
  WriteMatrix(*WorkingSetMatrix, m, SetHeaderLine, true, SetCount);
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
