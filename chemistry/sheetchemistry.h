// Formulas and recalculations applied to the DataSheet: reading the cells,
// writing the result columns (asking before tagged or label columns are
// overwritten) and the messages and report of each command.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "app/reportparts.h"
#include "chemistry/recalculation.h"
#include "chemistry/resulttext.h"
#include "sheet/celltext.h"

namespace varnel {

class ReportTarget;
class Sheet;

// A result column for the sheet: a new variable, or the values of the one
// of the same name.
struct ResultColumn {
  std::string Name;
  std::vector<CellText> Cells;  // one per case
};

// The column of this name (1..ColCount-1), or 0.
int ColumnNamed(const Sheet& sheet, std::string_view name);
// Whether a column holds any cell text that is not a number: case names,
// comments, symbols.
bool HoldsLabels(const Sheet& sheet, int col, char decimalSeparator);

// Writes the columns: each replaces the values of the variable of its name,
// or is appended as a new variable. Replacing a tagged variable, one that
// holds labels, or (askAlways) any existing one asks first; No/Cancel writes
// nothing at all. Returns false then.
bool WriteResultColumns(Sheet& sheet, std::vector<ResultColumn>& columns, char decimalSeparator,
                        bool askAlways);

struct FormulaRequest {
  std::string Text;
  bool NewVariable = true;
  std::string Name;  // the new variable's name
  int Column = 0;    // the variable whose values are replaced
  ResultStyle Style;
};

struct FormulaRun {
  int Computed = 0;
  int NotNumbers = 0;  // an input was not a number
  int NotFinite = 0;   // the result was not finite
};

// "Formula computed for N cases." and why others were left empty.
QString FormulaRunMessage(const FormulaRun& run);

// Compiles the formula against the sheet's variable names, evaluates it for
// every case and writes the results. Errors (syntax, unknown names, no name)
// are shown as error boxes; the counts after the run as an information box.
CommandOutcome RunFormulaCommand(Sheet& sheet, const FormulaRequest& request, FormulaRun* run = nullptr);

// The columns a recalculation starts from: the selected variables when one
// of them names an oxide, else every untagged one, each with the component its name stands for (-1: none).
struct ColumnMapping {
  int Column = 0;
  int Component = -1;
  bool operator==(const ColumnMapping&) const = default;
};
std::vector<ColumnMapping> RecalcCandidates(const Sheet& sheet);
// The mapping used: one column per component, the first one that names it.
std::vector<ColumnMapping> DefaultMapping(const Sheet& sheet);

struct RecalcRun {
  RecalcResult Result;
  int DetectionMarks = 0;  // "<0.01", "n.d.", "bdl" ... read as 0
  std::vector<std::string> ReportLines;
};

// Recalculates the mapped columns of every case, writes the result columns
// and the report. Options that do not fit the mapping are shown as an
// error box.
CommandOutcome RunRecalcCommand(Sheet& sheet, const std::vector<ColumnMapping>& mapping,
                                const RecalcOptions& options, const ResultStyle& style, ReportTarget* report,
                                const ReportEnvironment& env, RecalcRun* run = nullptr);

}  // namespace varnel
