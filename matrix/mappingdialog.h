// The coordinate-mapping dialog (TVN_LMapd), made once and kept for the run.
#pragma once

#include <QDialog>

#include "core/fmatrix.h"
#include "matrix/mapping.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;

namespace varnel {

class NumericEdit;
class Prompter;
class Sheet;

class TVN_LMapd : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_LMapd(Prompter& prompter, QWidget* parent = nullptr);

  QLabel* LMPInfo;
  QComboBox* LMCBoxNewVarNames;
  QCheckBox* LMCheckBoxComputeAll;
  NumericEdit* LMFEditZeroThreshold;
  QCheckBox* LMChkBComputational;
  QLabel* Panel2;
  QTableWidget* LMStringGridWeights;

  // Sets the dialog up for a command: counts, names list and weights.
  void Prepare(const Sheet& sheet, int nOld, int nNew, bool weighted, const IVector& list,
               const std::vector<Real>& weights);
  // Every edit of a weight cell: a number is taken, anything else ignored.
  void LMStringGridWeightsSetEditText(int column, const QString& text);
  // Leaving the grid: absolute values, a zero weight warned about and set to 1.
  void LMStringGridWeightsExit();
  void LMChkBComputationalClick();
  const std::vector<Real>& Weights() const { return weights_; }
  MappingOptions Options() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WriteWeights();
  Prompter& prompter_;
  std::vector<Real> weights_;
  QStringList names_;
};

}  // namespace varnel
