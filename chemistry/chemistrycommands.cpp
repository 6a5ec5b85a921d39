#include "chemistry/chemistrycommands.h"

#include "app/numberlocale.h"
#include "app/reporttarget.h"
#include "sheet/sheet.h"

namespace varnel {

ChemistryCommands::ChemistryCommands(Sheet& sheet, ReportTarget& textPad, QWidget* dialogParent)
    : sheet_(sheet),
      textPad_(textPad),
      formula_(std::make_unique<TVN_Formula>(dialogParent)),
      recalc_(std::make_unique<TVN_Recalc>(dialogParent)) {}

ChemistryCommands::~ChemistryCommands() = default;

void ChemistryCommands::RunFormula(int column) {
  if (sheet_.WizardOpen) return;
  formula_->Prepare(sheet_, column);
  // The dialog stays up until the formula is computed or the user gives up,
  // so that a mistyped formula can be mended where it stands.
  while (sheet_.Prompt().RunDialog(*formula_)) {
    const CommandOutcome outcome = RunFormulaCommand(sheet_, formula_->Request(DecimalSeparator()));
    if (outcome != CommandOutcome::Refused) return;
  }
}

void ChemistryCommands::NewVariableFromFormula1Click() { RunFormula(0); }

void ChemistryCommands::ReplaceValuesFromFormula1Click() {
  if (!sheet_.ColumnsMode) return;
  RunFormula(std::min(sheet_.Sel.Left, sheet_.Sel.Right));
}

void ChemistryCommands::Recalculate1Click() {
  if (sheet_.WizardOpen) return;
  recalc_->Prepare(sheet_);
  while (sheet_.Prompt().RunDialog(*recalc_)) {
    const CommandOutcome outcome =
        RunRecalcCommand(sheet_, recalc_->Mapping(), recalc_->Options(), recalc_->Style(DecimalSeparator()),
                         &textPad_, ReportEnvironmentNow(sheet_.FileName, DecimalSeparator()));
    if (outcome != CommandOutcome::Refused) return;
  }
}

}  // namespace varnel
