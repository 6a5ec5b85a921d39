// The formula dialog (TVN_Formula): a new variable from a formula over the
// sheet's variables, or new values for the selected one. Made once; it keeps
// the last formula and the way results are written.
#pragma once

#include <QDialog>

#include "chemistry/sheetchemistry.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace varnel {

class Sheet;

class TVN_Formula : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_Formula(QWidget* parent = nullptr);

  QLabel* FLabelTarget;
  QLineEdit* FEditName;
  QLineEdit* FEditFormula;
  QListWidget* FListVariables;
  QRadioButton* FRBShortest;
  QRadioButton* FRBDecimals;
  QSpinBox* FSpinDecimals;

  // A new variable (column 0), or new values for variable column.
  void Prepare(const Sheet& sheet, int column);
  bool NewVariable() const { return column_ == 0; }

  // Typed access for scripts and tests.
  void SetFormula(const QString& text);
  void SetName(const QString& name);
  void SetDecimals(int decimals);  // -1: the shortest exact text
  // Writes the name of list item row into the formula at the cursor.
  void InsertVariable(int row);
  FormulaRequest Request(char decimalSeparator) const;

 private:
  int column_ = 0;
};

}  // namespace varnel
