// The DataSheet's data and state: the grid of text cells, the inclusion marks
// and their mirror, the flags, the selection and the operations on them that
// need no window.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/prompter.h"
#include "app/textcodec.h"
#include "sheet/celltext.h"
#include "sheet/links.h"
#include "sheet/preferences.h"

namespace varnel {

struct Selection {
  int Left = 1, Top = 1, Right = 1, Bottom = 1;
  bool operator==(const Selection&) const = default;
};

// How the window follows the sheet. Every hook has a harmless default, so a
// sheet can live without a window in tests and batch commands.
class SheetView {
 public:
  virtual ~SheetView() = default;
  virtual void UpdateCommands() {}
  virtual void UpdateStatusBar() {}
  virtual void CaptionsChanged() {}
  virtual void SizeInclusionColumn(bool /*measureFont*/) {}
  virtual void EndCellEdit() {}
  virtual void SelectionChanged() {}
  // Scrolls so that columns first..last show, as many as fit, the last first.
  virtual void ShowColumns(int /*first*/, int /*last*/) {}
  // Makes columns first..last at least as wide as their widest cell.
  virtual void WidenColumns(int /*first*/, int /*last*/) {}
  virtual void SetBusy(bool) {}
  virtual void ProcessEvents() {}
  // Runs the Save command; false when it was cancelled or failed.
  virtual bool SaveSheet() { return false; }

  // Structure: a reset, or rows / columns inserted or removed at a position
  // (grid indices). Begin comes before the change, End after it.
  enum class Change { Reset, InsertRows, RemoveRows, InsertColumns, RemoveColumns };
  virtual void BeginChange(Change, int /*first*/, int /*count*/) {}
  virtual void EndChange() {}
  virtual void CellsChanged(int /*left*/, int /*top*/, int /*right*/, int /*bottom*/) {}
};

// Keeps the window busy (hourglass, no repaints of the status) while it
// lives, so that every way out of a command ends the busy state.
class BusyGuard {
 public:
  explicit BusyGuard(SheetView& view) : view_(view) { view_.SetBusy(true); }
  ~BusyGuard() { view_.SetBusy(false); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  SheetView& view_;
};

class Sheet {
 public:
  explicit Sheet(Prompter& prompter, GraphLink* graph = nullptr);
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;

  void SetView(SheetView* view) { view_ = view ? view : &nullView_; }
  SheetView& View() const { return *view_; }
  Prompter& Prompt() const { return prompter_; }
  GraphLink& Graph() const { return *graph_; }
  WizardLink& Wizard() const { return *wizard_; }
  bool HasGraphEngine() const { return graph_ != &nullGraph_; }
  bool HasWizard() const { return wizard_ != &nullWizard_; }
  // The subsystems after the DataSheet; nullptr puts the null object back.
  void SetGraphLink(GraphLink* link) { graph_ = link ? link : &nullGraph_; }
  void SetWizardLink(WizardLink* link) { wizard_ = link ? link : &nullWizard_; }

  // The grid: (column, row), both 0-based; row 0 holds the names, column 0
  // the inclusion marks.
  int ColCount() const { return static_cast<int>(columns_.size()); }
  int RowCount() const { return rowCount_; }
  int CaseCount() const { return rowCount_ - 1; }
  int VariableCount() const { return ColCount() - 1; }
  std::string_view Cell(int col, int row) const { return columns_[col][row].View(); }
  void SetCell(int col, int row, std::string_view text) {
    columns_[col][row].Assign(text);
    ++edits_;
  }
  // A column's cells to be written at once (from several threads, each
  // its own rows); counts as a change.
  std::vector<CellText>& ColumnToWrite(int col) {
    ++edits_;
    return columns_[static_cast<std::size_t>(col)];
  }
  // Counts every change of cells or of the grid's shape.
  std::uint64_t Edits() const { return edits_; }
  // Columns a computation has just filled with numbers (or empty cells):
  // known to hold no labels until anything in the sheet changes.
  void MarkNumberColumns(std::vector<int> columns);
  bool KnownNumbers(int col) const;
  std::string_view Name(int col) const { return Cell(col, 0); }
  static bool IsTaggedName(std::string_view name) { return name.find('#') != std::string_view::npos; }
  bool IsTagged(int col) const { return IsTaggedName(Name(col)); }

  // Resizing keeps the cells that stay and empties the new ones.
  void SetSize(int colCount, int rowCount);
  void InsertRows(int at, int count);
  // Room for rowCount rows in every column, so that inserting up to there
  // cannot run out of memory half-way.
  void ReserveRows(int rowCount);
  void RemoveRows(int at, int count);
  void InsertColumns(int at, int count);
  void RemoveColumns(int at, int count);
  std::size_t MemoryBytes() const;
  using Columns = std::vector<std::vector<CellText>>;
  // Replaces the whole grid (every column must hold rowCount cells).
  void AdoptGrid(Columns&& columns, int rowCount);

  // Inclusion: the mark in column 0 is the truth; the mirror, rebuilt by
  // RecountIncluded, covers every case. Rows added since count by their own
  // mark.
  bool Included(int row) const {
    return static_cast<std::size_t>(row) < included_.size() ? included_[static_cast<std::size_t>(row)] != 0
                                                             : row > 0 && row < rowCount_ && Cell(0, row) == "Y";
  }
  int IncludedCount() const { return includedCount_; }
  void RecountIncluded();
  void SetAllInclusion(bool include);

  void ClearAllCells();
  // Yes, No or Cancel; No without asking when nothing is unsaved.
  Button AskSaveChanges();
  // Makes a blank sheet; false when the user cancelled.
  bool New1Click();

  QString SheetCaption() const;  // "name - VarnelData"
  QString AppTitle() const;      // "name - Varnel"
  void SetFileName(const QString& path);
  // The texts of the status panels 0..2.
  std::array<QString, 3> StatusTexts() const;

  // Graph upkeep; both do nothing unless connected.
  void RenameGraphVariable(int col, const std::string& name);
  void RefreshGraphSelectors();

  // Mouse selection on grid cells; (-1, -1) is outside the cells.
  void MouseDown(int col, int row, bool shift);
  void MouseDrag(int col, int row);
  void MouseUp(int col, int row, bool dragged);
  // The grid moved its current cell by keyboard or a click on a data cell.
  void CellSelected(int col, int row);
  void SelectAll();
  // Shift+arrow keys over whole cases (rows) or whole variables (columns):
  // the end away from the anchor moves by delta, within the sheet. Returns
  // the row or column that moved, for scrolling to it.
  int ExtendRows(int delta);
  int ExtendColumns(int delta);
  // The grid's own selection of cells (grid indices, inclusive) outside the
  // whole-case and whole-variable modes; false when a mode keeps its own.
  bool TakeCellSelection(int left, int top, int right, int bottom);

  // A committed cell edit: text is what the editor holds at commit.
  void CommitCellEdit(int col, int row, std::string_view text);

  // The sheet's state.
  QString FileName = QStringLiteral("Untitled");
  QString HeaderLine;
  bool Blank = true;
  bool Saved = true;
  bool Connected = false;
  bool WizardOpen = false;
  bool FirstNew = true;
  bool ColumnsMode = false;
  bool RowsMode = false;
  int AnchorRow = 0;
  int AnchorCol = 0;
  bool ShiftHeld = false;
  std::string EditStartText;
  std::string EditLastText;
  bool SelectorRefresh = false;
  bool PrintAbort = false;
  Selection Sel;
  Preferences Prefs;
  QString BackupExt = QStringLiteral(".BAK");
  // The encoding the data file was read in; a save writes it back so.
  TextEncoding FileEncoding = TextEncoding::Utf8;

 private:
  Prompter& prompter_;
  mutable NullGraphLink nullGraph_;
  mutable NullWizardLink nullWizard_;
  GraphLink* graph_ = &nullGraph_;
  WizardLink* wizard_ = &nullWizard_;
  mutable SheetView nullView_;
  SheetView* view_ = &nullView_;

  std::vector<std::vector<CellText>> columns_;
  std::uint64_t edits_ = 0;
  std::vector<int> numberColumns_;
  std::uint64_t numbersAt_ = ~std::uint64_t{0};
  int rowCount_ = 0;
  std::vector<char> included_;
  int includedCount_ = 0;
};

// The width rule of the inclusion column: a string of this many eights.
int InclusionDigits(int caseCount);
// Its measured width w adjusted by the grid font's point size.
int AdjustInclusionWidth(int w, int pointSize);
// The tint of highlighted cells from the button-face colour (r, g, b); a
// palette display keeps the button-face colour itself.
std::array<int, 3> CellTintFor(int r, int g, int b, bool paletteDisplay);
// A tint closer than this (in any channel) to the cells' colour cannot be seen.
inline constexpr int MinimumTintContrast = 20;
// The tint as shown: itself when it stands out from the cells' colour base,
// else base with a little of the highlight colour mixed in.
std::array<int, 3> VisibleCellTint(std::array<int, 3> tint, std::array<int, 3> base,
                                   std::array<int, 3> highlight);

}  // namespace varnel
