// The Recalculate dialog (TVN_Recalc): the oxide each column was recognised
// as (changeable), and what to compute. Made once; it keeps its choices.
#pragma once

#include <QDialog>
#include <vector>

#include "chemistry/recalculation.h"
#include "chemistry/sheetchemistry.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace varnel {

class Sheet;

class TVN_Recalc : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_Recalc(QWidget* parent = nullptr);

  QTableWidget* RTableMapping;
  QComboBox* RCBIron;
  QCheckBox* RCheckNormalise;
  QCheckBox* RCheckVolatileFree;
  QCheckBox* RCheckMoles;
  QCheckBox* RCheckCationProportions;
  QCheckBox* RCheckOxygens;
  QComboBox* RCBBasis;
  QSpinBox* RSpinOxygens;
  QCheckBox* RCheckFe3;
  QSpinBox* RSpinCations;
  QCheckBox* RCheckMgNumber;
  QCheckBox* RCheckAfm;
  QRadioButton* RRBShortest;
  QRadioButton* RRBDecimals;
  QSpinBox* RSpinDecimals;

  // Fills the mapping with the candidate columns and what they were
  // recognised as.
  void Prepare(const Sheet& sheet);

  // Typed access for scripts and tests.
  int MappingRows() const;
  // The component of mapping row (-1: not used), and setting it.
  int RowComponent(int row) const;
  void SetRowComponent(int row, int component);
  std::vector<ColumnMapping> Mapping() const;
  void SetOptions(const RecalcOptions& options);
  RecalcOptions Options() const;
  void SetDecimals(int decimals);  // -1: the shortest exact text
  ResultStyle Style(char decimalSeparator) const;

 private:
  void UpdateEnabled();
  std::vector<int> columns_;
  QObject* wheelToList_ = nullptr;
};

}  // namespace varnel
