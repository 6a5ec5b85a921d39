#include "sheet/sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/filename.h"

namespace varnel {
namespace {

// Re-reads a selector in the graph engine by its kind.
void RereadSelector(GraphLink& graph, GraphSelector s) {
  if (IsApexSelector(s))
    graph.ApexChanged(s);
  else
    graph.SpecialColumnChanged(s);
}

}  // namespace

Sheet::Sheet(Prompter& prompter, GraphLink* graph) : prompter_(prompter) {
  SetGraphLink(graph);
  SetSize(2, 2);
}

void Sheet::SetSize(int colCount, int rowCount) {
  ++edits_;
  colCount = std::max(colCount, 1);
  rowCount = std::max(rowCount, 1);
  columns_.resize(static_cast<std::size_t>(colCount));
  for (auto& column : columns_) column.resize(static_cast<std::size_t>(rowCount));
  rowCount_ = rowCount;
}

void Sheet::InsertRows(int at, int count) {
  ++edits_;
  if (count <= 0) return;
  at = std::clamp(at, 1, rowCount_);
  view_->BeginChange(SheetView::Change::InsertRows, at, count);
  for (auto& column : columns_)
    column.insert(column.begin() + at, static_cast<std::size_t>(count), CellText());
  rowCount_ += count;
  view_->EndChange();
}

void Sheet::ReserveRows(int rowCount) {
  for (auto& column : columns_) column.reserve(static_cast<std::size_t>(std::max(rowCount, 0)));
}

void Sheet::RemoveRows(int at, int count) {
  ++edits_;
  at = std::clamp(at, 1, rowCount_);
  count = std::min(count, rowCount_ - at);
  if (count <= 0) return;
  view_->BeginChange(SheetView::Change::RemoveRows, at, count);
  for (auto& column : columns_) column.erase(column.begin() + at, column.begin() + at + count);
  rowCount_ -= count;
  view_->EndChange();
}

void Sheet::InsertColumns(int at, int count) {
  ++edits_;
  if (count <= 0) return;
  at = std::clamp(at, 1, ColCount());
  view_->BeginChange(SheetView::Change::InsertColumns, at, count);
  columns_.insert(columns_.begin() + at, static_cast<std::size_t>(count),
                  std::vector<CellText>(static_cast<std::size_t>(rowCount_)));
  view_->EndChange();
}

void Sheet::RemoveColumns(int at, int count) {
  ++edits_;
  at = std::clamp(at, 1, ColCount());
  count = std::min(count, ColCount() - at);
  if (count <= 0) return;
  view_->BeginChange(SheetView::Change::RemoveColumns, at, count);
  columns_.erase(columns_.begin() + at, columns_.begin() + at + count);
  view_->EndChange();
}

void Sheet::AdoptGrid(Columns&& columns, int rowCount) {
  ++edits_;
  view_->BeginChange(SheetView::Change::Reset, 0, 0);
  columns_ = std::move(columns);
  rowCount_ = rowCount;
  if (columns_.empty()) SetSize(1, rowCount);
  view_->EndChange();
}

std::size_t Sheet::MemoryBytes() const {
  std::size_t bytes = columns_.capacity() * sizeof(std::vector<CellText>);
  for (const auto& column : columns_) {
    bytes += column.capacity() * sizeof(CellText);
    for (const CellText& cell : column)
      if (cell.OnHeap()) bytes += cell.View().size();
  }
  return bytes;
}

void Sheet::RecountIncluded() {
  includedCount_ = 0;
  included_.assign(static_cast<std::size_t>(std::max(rowCount_, 1)), 0);
  for (int r = 1; r < rowCount_; ++r) {
    const bool in = Cell(0, r) == "Y";
    included_[static_cast<std::size_t>(r)] = in;
    if (in) ++includedCount_;
  }
  if (Connected && !FirstNew && !graph_->Updating()) graph_->RepaintGraph();
  view_->CellsChanged(0, 1, 0, rowCount_ - 1);
  view_->UpdateStatusBar();
}

void Sheet::MarkNumberColumns(std::vector<int> columns) {
  numberColumns_ = std::move(columns);
  numbersAt_ = edits_;
}

bool Sheet::KnownNumbers(int col) const {
  return numbersAt_ == edits_ && std::find(numberColumns_.begin(), numberColumns_.end(), col) != numberColumns_.end();
}

void Sheet::SetAllInclusion(bool include) {
  const std::string_view mark = include ? "Y" : "N";
  for (int r = 1; r < rowCount_; ++r) SetCell(0, r, mark);
  RecountIncluded();
}

void Sheet::ClearAllCells() {
  ++edits_;
  view_->SetBusy(true);
  for (auto& column : columns_)
    for (CellText& cell : column) cell.Clear();
  Blank = true;
  view_->CellsChanged(0, 0, ColCount() - 1, rowCount_ - 1);
  view_->UpdateCommands();
  view_->SetBusy(false);
}

Button Sheet::AskSaveChanges() {
  if (Saved) return Button::No;
  return prompter_.Message(
      BoxKind::Confirmation,
      QStringLiteral("DataSheet file ") + FileName + QStringLiteral(" has changed.\n\rSave modifications?"),
      Button::Yes | Button::No | Button::Cancel);
}

bool Sheet::New1Click() {
  if (!FirstNew) {
    const Button answer = AskSaveChanges();
    if (answer == Button::Cancel) return false;
    // A save that did not happen (cancelled or failed) must not be followed by
    // throwing the data away.
    if (answer == Button::Yes && !view_->SaveSheet()) return false;
  }
  SetFileName(QStringLiteral("Untitled"));
  Saved = true;
  if (!FirstNew) {
    graph_->DisconnectGraphs();
    view_->EndCellEdit();
    ClearAllCells();
    HeaderLine.clear();
  }
  Sel = Selection{1, 1, 1, 1};
  ColumnsMode = RowsMode = false;
  view_->BeginChange(SheetView::Change::Reset, 0, 0);
  columns_.clear();
  rowCount_ = 0;
  SetSize(std::max(Prefs.DefaultColCount, 1) + 1, std::max(Prefs.DefaultRowCount, 1) + 1);
  for (int c = 1; c < ColCount(); ++c) SetCell(c, 0, "Var_" + std::to_string(c) + "#");
  view_->EndChange();
  view_->SizeInclusionColumn(true);
  SetAllInclusion(false);
  view_->SelectionChanged();
  view_->UpdateCommands();
  FirstNew = false;
  return true;
}

void Sheet::SetFileName(const QString& path) {
  FileName = path;
  view_->CaptionsChanged();
}

QString Sheet::SheetCaption() const { return FileNameOnly(FileName) + QStringLiteral(" - VarnelData"); }

QString Sheet::AppTitle() const { return FileNameOnly(FileName) + QStringLiteral(" - Varnel"); }

std::array<QString, 3> Sheet::StatusTexts() const {
  QString points;
  if (!Connected)
    points = QStringLiteral("Discon.");
  else if (graph_->ViewPoints())
    points = QString::number(graph_->PointsDrawn());
  else
    points = QStringLiteral("?");
  return {points, QString::number(includedCount_), QString::number(CaseCount())};
}

void Sheet::RenameGraphVariable(int col, const std::string& name) {
  if (!Connected) return;
  graph_->SetSelectorItemText(col, name);
}

void Sheet::RefreshGraphSelectors() {
  if (!Connected) return;
  graph_->SetUpdating(true);
  RecountIncluded();
  for (GraphSelector s : AllGraphSelectors)
    if (graph_->SelectorItem(s) != 0) RereadSelector(*graph_, s);
  graph_->SetUpdating(false);
  graph_->Recompute();
}

void Sheet::MouseDown(int col, int row, bool shift) {
  if (!shift) {
    AnchorRow = row;
    AnchorCol = col;
    if (col == 0 && row >= 1) {
      Sel = Selection{0, row, ColCount() - 1, row};
      RowsMode = true;
      ColumnsMode = false;
      view_->SelectionChanged();
    } else if (row == 0 && col >= 1) {
      Sel = Selection{col, 0, col, rowCount_ - 1};
      ColumnsMode = true;
      RowsMode = false;
      view_->SelectionChanged();
    } else if (col >= 1 && row >= 1) {
      // A single cell ends whole-case and whole-variable selection, so that
      // typing edits it.
      Sel = Selection{col, row, col, row};
      RowsMode = ColumnsMode = false;
    }
  } else if (RowsMode && col == 0 && row >= 1) {
    Sel = Selection{0, std::min(AnchorRow, row), ColCount() - 1, std::max(AnchorRow, row)};
    view_->SelectionChanged();
  } else if (ColumnsMode && row == 0 && col >= 1) {
    Sel = Selection{std::min(AnchorCol, col), 0, std::max(AnchorCol, col), rowCount_ - 1};
    view_->SelectionChanged();
  } else if (row >= 1 && col >= 1) {
    RowsMode = ColumnsMode = false;
  }
  view_->UpdateCommands();
}

void Sheet::MouseDrag(int col, int row) {
  if (AnchorCol == 0 && AnchorRow >= 1 && RowsMode) {
    int r = row;
    if (r == 0) r = 1;
    if (r < 0 || r >= rowCount_) r = rowCount_ - 1;
    Sel = Selection{0, std::min(AnchorRow, r), ColCount() - 1, std::max(AnchorRow, r)};
    view_->SelectionChanged();
  } else if (AnchorRow == 0 && AnchorCol >= 1 && ColumnsMode) {
    int c = col;
    if (c == 0) c = 1;
    if (c < 0 || c >= ColCount()) c = ColCount() - 1;
    Sel = Selection{std::min(AnchorCol, c), 0, std::max(AnchorCol, c), rowCount_ - 1};
    view_->SelectionChanged();
  }
}

void Sheet::MouseUp(int col, int row, bool dragged) {
  if (AnchorRow == 0 && AnchorCol == 0) {
    if (col == 0 && row == 0) SelectAll();
    return;
  }
  if (dragged) MouseDrag(col, row);
}

void Sheet::CellSelected(int col, int row) {
  if (RowsMode) {
    if (!(col == ColCount() - 1 && ShiftHeld)) {
      RowsMode = false;
      if (Sel.Left == 0) Sel.Left = 1;
    }
  } else if (ColumnsMode) {
    if (row == rowCount_ - 1 && ShiftHeld) {
      ShiftHeld = false;
    } else {
      ColumnsMode = false;
      if (Sel.Top == 0) Sel.Top = 1;
    }
  }
  ShiftHeld = false;
  view_->UpdateCommands();
}

int Sheet::ExtendRows(int delta) {
  const int anchor = AnchorRow;
  int moving = Sel.Top == anchor ? Sel.Bottom : Sel.Top;
  moving = std::clamp(moving + delta, 1, rowCount_ - 1);
  Sel = Selection{0, std::min(anchor, moving), ColCount() - 1, std::max(anchor, moving)};
  view_->SelectionChanged();
  return moving;
}

int Sheet::ExtendColumns(int delta) {
  const int anchor = AnchorCol;
  int moving = Sel.Left == anchor ? Sel.Right : Sel.Left;
  moving = std::clamp(moving + delta, 1, ColCount() - 1);
  Sel = Selection{std::min(anchor, moving), 0, std::max(anchor, moving), rowCount_ - 1};
  view_->SelectionChanged();
  return moving;
}

bool Sheet::TakeCellSelection(int left, int top, int right, int bottom) {
  if (RowsMode || ColumnsMode) return false;
  Sel = Selection{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  view_->UpdateCommands();
  return true;
}

void Sheet::SelectAll() {
  Sel = Selection{1, 0, ColCount() - 1, rowCount_ - 1};
  ColumnsMode = true;
  RowsMode = false;
  view_->SelectionChanged();
  view_->UpdateCommands();
}

void Sheet::CommitCellEdit(int col, int row, std::string_view text) {
  view_->EndCellEdit();
  if (text == EditStartText) return;
  SetCell(col, row, text);
  Saved = false;
  if (!text.empty()) Blank = false;
  view_->CellsChanged(col, row, col, row);
  view_->UpdateCommands();
  if (Connected) {
    SelectorRefresh = true;
    for (GraphSelector s : AllGraphSelectors)
      if (graph_->SelectorItem(s) == col) RereadSelector(*graph_, s);
    SelectorRefresh = false;
    graph_->Recompute();
  }
}

int InclusionDigits(int caseCount) {
  if (caseCount < 1) return 12;
  int k = 3;
  long long limit = 10;
  while (caseCount >= limit && k < 12) {
    ++k;
    limit *= 10;
  }
  return k;
}

int AdjustInclusionWidth(int w, int pointSize) {
  if (pointSize < 8) return w + 8;
  if (pointSize <= 11) return w + 5;
  if (pointSize <= 15) return w;
  if (pointSize <= 18) return w - 4;
  return w - 8;
}

std::array<int, 3> CellTintFor(int r, int g, int b, bool paletteDisplay) {
  if (paletteDisplay) return {r, g, b};
  auto lighten = [](int c) {
    return c + static_cast<int>(std::nearbyint(static_cast<long double>(255 - c) / 2.5L));
  };
  return {lighten(r), lighten(g), lighten(b)};
}

std::array<int, 3> VisibleCellTint(std::array<int, 3> tint, std::array<int, 3> base,
                                   std::array<int, 3> highlight) {
  int difference = 0;
  for (int k = 0; k < 3; ++k) difference = std::max(difference, std::abs(tint[k] - base[k]));
  if (difference >= MinimumTintContrast) return tint;
  // A pale button face (most current styles) would leave the tint nearly
  // the cells' own colour: a touch of the selection colour shows it.
  std::array<int, 3> mixed{};
  for (int k = 0; k < 3; ++k) mixed[k] = (base[k] * 82 + highlight[k] * 18 + 50) / 100;
  return mixed;
}

}  // namespace varnel
