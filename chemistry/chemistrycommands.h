// The DataSheet's formula and recalculation commands with their dialogs and
// the TextPad.
#pragma once

#include <memory>

#include "chemistry/formuladialog.h"
#include "chemistry/recalcdialog.h"
#include "sheet/links.h"

namespace varnel {

class ReportTarget;
class Sheet;

class ChemistryCommands : public ChemistryLink {
 public:
  ChemistryCommands(Sheet& sheet, ReportTarget& textPad, QWidget* dialogParent);
  ~ChemistryCommands() override;

  void NewVariableFromFormula1Click() override;
  void ReplaceValuesFromFormula1Click() override;
  void Recalculate1Click() override;

  TVN_Formula& FormulaDialog() { return *formula_; }
  TVN_Recalc& RecalcDialog() { return *recalc_; }

 private:
  void RunFormula(int column);

  Sheet& sheet_;
  ReportTarget& textPad_;
  std::unique_ptr<TVN_Formula> formula_;
  std::unique_ptr<TVN_Recalc> recalc_;
};

}  // namespace varnel
