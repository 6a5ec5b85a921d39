// The SVD dialog (TVn_SVD) and, with the W and threshold controls hidden, the
// matrix-inverse dialog (TVn_INV). Each is made once and keeps its choices.
#pragma once

#include <QDialog>

#include "matrix/matrixreport.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QRadioButton;

namespace varnel {

class NumericEdit;
class Prompter;
class Sheet;

class TVn_SVD : public QDialog {
  Q_OBJECT
 public:
  explicit TVn_SVD(Prompter& prompter, QWidget* parent = nullptr, bool inverse = false);

  QComboBox* CBoxCaseNames;
  QCheckBox* ChkBoxCaseNumbers;
  QCheckBox* ChkBoxCaseNames;
  QCheckBox* ChkBoxVarNames;
  QCheckBox* ChkBoxTranspose;
  QCheckBox* ChkBoxVectorizeW;
  QRadioButton* RadioGroup1[4];
  QGroupBox* ThresholdGroup;
  NumericEdit* SVDEditThreshold;

  // Refills the case-name list from the sheet's names ("(None)" first,
  // "Label#" chosen when there is one).
  void FormShow(const Sheet& sheet);
  void CBoxCaseNamesChange();
  int Style() const;
  void SetStyle(int style);
  // The choices as the report takes them.
  MatrixReportOptions Options() const;
};

// The inverse dialog: the same window without W and the zero threshold.
class TVn_INV : public TVn_SVD {
  Q_OBJECT
 public:
  explicit TVn_INV(Prompter& prompter, QWidget* parent = nullptr) : TVn_SVD(prompter, parent, true) {}
};

}  // namespace varnel
