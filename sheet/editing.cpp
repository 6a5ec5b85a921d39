#include "sheet/editing.h"

#include <algorithm>
#include <array>

#include "sheet/datafile.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

std::string NewName(int col) { return "New " + std::to_string(col) + "#"; }

const QString BlankQuestionCases =
    QStringLiteral("Current selection comprises all cases.\n\rShould a blank DataSheet be created?");
const QString BlankQuestionVariables =
    QStringLiteral("Current selection comprises all variables.\n\rShould a blank DataSheet be created?");

// Asks whether to start afresh; runs New on Yes.
void OfferBlankSheet(Sheet& sheet, const QString& question) {
  if (sheet.Prompt().Message(BoxKind::Confirmation, question, Button::Yes | Button::Cancel) != Button::Yes)
    return;
  sheet.View().ProcessEvents();
  sheet.New1Click();
}

void AfterCaseCountChange(Sheet& sheet) {
  if (sheet.Connected) {
    sheet.Graph().SetPlotCaseCount(sheet.CaseCount());
    sheet.RefreshGraphSelectors();
  } else {
    sheet.RecountIncluded();
  }
}

}  // namespace

void TagVariables(Sheet& sheet, bool tag) {
  const int left = std::max(std::min(sheet.Sel.Left, sheet.Sel.Right), 1);
  const int right = std::min(std::max(sheet.Sel.Left, sheet.Sel.Right), sheet.ColCount() - 1);
  for (int c = left; c <= right; ++c) {
    std::string name(sheet.Name(c));
    const std::size_t hash = name.find('#');
    if (tag && hash == std::string::npos)
      name += '#';
    else if (!tag && hash != std::string::npos)
      name.erase(hash, 1);
    else
      continue;
    sheet.SetCell(c, 0, name);
    sheet.RenameGraphVariable(c, name);
    sheet.Saved = false;
  }
  sheet.View().CellsChanged(left, 0, right, sheet.RowCount() - 1);
  sheet.View().UpdateCommands();
}

void ChangeSelectedInclusion(Sheet& sheet, InclusionChange change) {
  const int top = std::max(std::min(sheet.Sel.Top, sheet.Sel.Bottom), 1);
  const int bottom = std::min(std::max(sheet.Sel.Top, sheet.Sel.Bottom), sheet.RowCount() - 1);
  for (int r = top; r <= bottom; ++r) {
    bool yes = change == InclusionChange::Include;
    if (change == InclusionChange::Toggle) yes = sheet.Cell(0, r) != "Y";
    sheet.SetCell(0, r, yes ? "Y" : "N");
  }
  sheet.RecountIncluded();
}

void ToggleAllInclusion(Sheet& sheet) {
  for (int r = 1; r < sheet.RowCount(); ++r) sheet.SetCell(0, r, sheet.Cell(0, r) == "Y" ? "N" : "Y");
  sheet.RecountIncluded();
}

std::string CopyText(const Sheet& sheet) {
  const Selection s = sheet.Sel;
  std::string out;
  GridToLines(sheet, std::max(s.Left, 1), s.Top, s.Right, s.Bottom, out);
  return out;
}

void PasteText(Sheet& sheet, std::string_view text) {
  if (!PastableText(sheet, text)) return;
  WorkLines work;
  work.SetText(std::string(text));
  Selection s = sheet.Sel;
  s.Left = std::max(s.Left, 1);
  PasteLines(sheet, work.lines, s.Left, s.Top, s.Right, s.Bottom);
}

void ClearSelection(Sheet& sheet) {
  const Selection s = sheet.Sel;
  const int left = std::max(s.Left, 1), top = std::max(s.Top, 1);
  for (int c = left; c <= s.Right; ++c)
    for (int r = top; r <= s.Bottom; ++r) sheet.SetCell(c, r, "");
  sheet.Saved = false;
  sheet.View().CellsChanged(left, top, s.Right, s.Bottom);
  sheet.View().UpdateCommands();
  sheet.RefreshGraphSelectors();
}

namespace {

// Inserts n excluded empty cases before row at; the selection is set by the
// caller before the marks are recounted.
void InsertEmptyCases(Sheet& sheet, int at, int n, const Selection& selection) {
  sheet.InsertRows(at, n);
  sheet.View().SizeInclusionColumn(false);
  for (int r = at; r < at + n; ++r) sheet.SetCell(0, r, "N");
  if (sheet.Connected) sheet.Graph().SetPlotCaseCount(sheet.CaseCount());
  sheet.Sel = selection;
  sheet.ColumnsMode = false;
  sheet.View().SelectionChanged();
  sheet.View().UpdateCommands();
  sheet.Saved = false;
  if (sheet.Connected)
    sheet.RefreshGraphSelectors();
  else
    sheet.RecountIncluded();
}

}  // namespace

void AddCases(Sheet& sheet) {
  const int n = std::abs(sheet.Sel.Bottom - sheet.Sel.Top) + 1;
  const int first = sheet.RowCount();
  // The new cases are selected whole, so the Cases commands stay available
  // for them (another Add adds as many again).
  InsertEmptyCases(sheet, first, n, Selection{1, first, sheet.ColCount() - 1, first + n - 1});
}

void InsertCases(Sheet& sheet) {
  sheet.View().SetBusy(true);
  const Selection kept = sheet.Sel;
  const int top = std::max(std::min(kept.Top, kept.Bottom), 1);
  InsertEmptyCases(sheet, top, std::abs(kept.Bottom - kept.Top) + 1, kept);
  sheet.View().SetBusy(false);
}

void DeleteCases(Sheet& sheet) {
  const int top = std::max(std::min(sheet.Sel.Top, sheet.Sel.Bottom), 1);
  const int bottom = std::min(std::max(sheet.Sel.Top, sheet.Sel.Bottom), sheet.RowCount() - 1);
  const int n = bottom - top + 1;
  if (n >= sheet.CaseCount()) {
    OfferBlankSheet(sheet, BlankQuestionCases);
    return;
  }
  sheet.View().SetBusy(true);
  sheet.RemoveRows(top, n);
  sheet.Sel = Selection{1, std::max(top - 1, 1), 1, std::max(top - 1, 1)};
  sheet.View().SizeInclusionColumn(false);
  sheet.RowsMode = sheet.ColumnsMode = false;
  sheet.View().SelectionChanged();
  sheet.View().UpdateCommands();
  sheet.Saved = false;
  AfterCaseCountChange(sheet);
  sheet.View().SetBusy(false);
}

void AddVariables(Sheet& sheet) {
  const int n = std::abs(sheet.Sel.Right - sheet.Sel.Left) + 1;
  const int first = sheet.ColCount();
  sheet.InsertColumns(first, n);
  sheet.Sel = Selection{first, 1, first + n - 1, sheet.RowCount() - 1};
  sheet.RowsMode = false;
  sheet.Saved = false;
  for (int c = first; c < first + n; ++c) {
    const std::string name = NewName(c);
    sheet.SetCell(c, 0, name);
    if (sheet.Connected) sheet.Graph().AppendSelectorItem(name);
  }
  sheet.View().CellsChanged(first, 0, first + n - 1, 0);
  sheet.View().SelectionChanged();
  sheet.View().UpdateCommands();
}

void InsertVariables(Sheet& sheet) {
  sheet.View().SetBusy(true);
  std::array<int, GraphSelectorCount> chosen{};
  if (sheet.Connected)
    for (GraphSelector s : AllGraphSelectors)
      chosen[static_cast<std::size_t>(s)] = sheet.Graph().SelectorItem(s);
  const Selection kept = sheet.Sel;
  const int left = std::max(std::min(kept.Left, kept.Right), 1);
  const int n = std::abs(kept.Right - kept.Left) + 1;
  sheet.InsertColumns(left, n);
  sheet.Sel = kept;
  sheet.RowsMode = false;
  sheet.Saved = false;
  for (int c = left; c < left + n; ++c) {
    const std::string name = NewName(c);
    sheet.SetCell(c, 0, name);
    if (sheet.Connected) sheet.Graph().InsertSelectorItem(c, name);
  }
  // Selectors keep pointing at the same variables.
  if (sheet.Connected)
    for (GraphSelector s : AllGraphSelectors)
      if (chosen[static_cast<std::size_t>(s)] >= left)
        sheet.Graph().SetSelectorItem(s, chosen[static_cast<std::size_t>(s)] + n);
  sheet.View().CellsChanged(left, 0, sheet.ColCount() - 1, 0);
  sheet.View().SelectionChanged();
  sheet.View().UpdateCommands();
  sheet.View().SetBusy(false);
}

void DeleteVariables(Sheet& sheet) {
  const int left = std::max(std::min(sheet.Sel.Left, sheet.Sel.Right), 1);
  const int right = std::min(std::max(sheet.Sel.Left, sheet.Sel.Right), sheet.ColCount() - 1);
  const int n = right - left + 1;
  if (n >= sheet.VariableCount()) {
    OfferBlankSheet(sheet, BlankQuestionVariables);
    return;
  }
  sheet.View().SetBusy(true);
  std::array<int, GraphSelectorCount> chosen{};
  if (sheet.Connected)
    for (GraphSelector s : AllGraphSelectors)
      chosen[static_cast<std::size_t>(s)] = sheet.Graph().SelectorItem(s);
  sheet.RemoveColumns(left, n);
  sheet.Sel = Selection{std::max(left - 1, 1), 1, std::max(left - 1, 1), 1};
  sheet.ColumnsMode = false;
  sheet.View().SelectionChanged();
  sheet.View().UpdateCommands();
  sheet.Saved = false;
  if (sheet.Connected) {
    GraphLink& g = sheet.Graph();
    g.SetUpdating(true);
    bool reset = false;
    for (GraphSelector s : AllGraphSelectors) {
      const int item = chosen[static_cast<std::size_t>(s)];
      if (item >= left && item <= right) {
        g.SetSelectorItem(s, 0);
        if (IsApexSelector(s))
          g.ApexChanged(s);
        else
          g.SpecialColumnChanged(s);
        reset = true;
      }
    }
    for (int c = right; c >= left; --c) g.RemoveSelectorItem(c);
    // Selectors beyond the deleted variables keep pointing at theirs.
    for (GraphSelector s : AllGraphSelectors) {
      const int item = chosen[static_cast<std::size_t>(s)];
      if (item > right) g.SetSelectorItem(s, item - n);
    }
    g.SetUpdating(false);
    if (reset) g.Recompute();
  }
  sheet.View().SetBusy(false);
}

void RenameVariable(Sheet& sheet, int col, std::string_view name) {
  if (sheet.Name(col) == name) return;
  sheet.SetCell(col, 0, name);
  sheet.Saved = false;
  sheet.RenameGraphVariable(col, std::string(name));
  sheet.View().CellsChanged(col, 0, col, sheet.RowCount() - 1);
}

void PlotIn(Sheet& sheet, GraphSelector apex) {
  sheet.Graph().SetSelectorItem(apex, std::max(sheet.Sel.Left, 1));
  sheet.Graph().ApexChanged(apex);
}

}  // namespace varnel
