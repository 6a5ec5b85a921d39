// The Filter dialog (TVN_Filter): include or exclude the cases that meet one
// or two conditions on a variable. Made once; it keeps its And/Or,
// Include/Exclude and Validate Substrings choices.
#pragma once

#include <QDialog>
#include <optional>

#include "sheet/filter.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QRadioButton;

namespace varnel {

class Sheet;

class TVN_Filter : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_Filter(QWidget* parent = nullptr);

  QRadioButton* FRBInclude;
  QRadioButton* FRBExclude;
  QGroupBox* FGroupBoxVarName;
  QComboBox* FCBRelOp1;
  QComboBox* FCBValue1;
  QRadioButton* FRBAnd;
  QRadioButton* FRBOr;
  QComboBox* FCBRelOp2;
  QComboBox* FCBValue2;
  QCheckBox* FCheckBValidateSubstring;

  // Prepares the dialog for variable col.
  void Prepare(const Sheet& sheet, int col);
  // The conditions chosen; nothing when the first operator is "(None)".
  std::optional<FilterCondition> First(char decimalSeparator) const;
  std::optional<FilterCondition> Second(char decimalSeparator) const;
};

}  // namespace varnel
