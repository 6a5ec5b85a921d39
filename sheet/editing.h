// The DataSheet's editing commands on the sheet: tags, inclusion, the
// clipboard texts, adding, inserting and deleting cases and variables, and
// renaming. Each keeps the graph engine's variable selectors in step.
#pragma once

#include <string>
#include <string_view>

#include "sheet/links.h"

namespace varnel {

class Sheet;

// Tag (append "#" to names without one) or untag (remove the first "#") the
// variables of the selected columns.
void TagVariables(Sheet& sheet, bool tag);

enum class InclusionChange { Include, Exclude, Toggle };
// The selected cases (rows min(Top, Bottom)..max(Top, Bottom)).
void ChangeSelectedInclusion(Sheet& sheet, InclusionChange change);
// Every case: "Y" for "N" and "N" for "Y" (anything not exactly "Y" counts
// as excluded).
void ToggleAllInclusion(Sheet& sheet);

// The tab-separated text of the selection (column 0 never), lines ended by
// CR LF.
std::string CopyText(const Sheet& sheet);
// Places clipboard text at the selection's top-left cell.
void PasteText(Sheet& sheet, std::string_view text);
// Empties the selected cells (never names or inclusion marks).
void ClearSelection(Sheet& sheet);

// Cases: as many as are selected. addTail: the Add command's own selection and
// marks (false when Add is a step of Insert). Delete of every case asks
// whether to start a blank sheet.
void AddCases(Sheet& sheet);
void InsertCases(Sheet& sheet);
void DeleteCases(Sheet& sheet);

// Variables: as many as are selected.
void AddVariables(Sheet& sheet);
void InsertVariables(Sheet& sheet);
void DeleteVariables(Sheet& sheet);

// Renames variable col; the name is taken as typed ("#" tags it).
void RenameVariable(Sheet& sheet, int col, std::string_view name);

// Plot In: the selection's left variable into an apex selector.
void PlotIn(Sheet& sheet, GraphSelector apex);

}  // namespace varnel
