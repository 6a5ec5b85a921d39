// The wizard's options: number format, range tolerances, relation output and
// window behaviour.
#pragma once

#include <QDialog>
#include <functional>

#include "wizard/matrixwizard.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace varnel {

class TVN_MWOptions : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_MWOptions(QWidget* parent = nullptr);

  // FormShow: the settings the dialog starts from.
  void Load(const WizardOptions& options, bool filterDuplicates, bool stayOnTop);
  WizardOptions Options() const;
  bool FilterDuplicates() const;
  bool StayOnTop() const;
  bool TolerancesChanged() const { return tolerancesChanged_; }

  void SetStyle(int style);
  void SetTolerances(int major, int minor, int trace, int absent);
  // The coefficient cut-off 1.0E exponent, and whole numbers up to bound.
  void SetCutoff(bool on, int exponent);
  void SetWholeNumbers(bool on, int bound);

  // The number style changed while the dialog is open.
  std::function<void(int style)> OnStyleChanged;
  std::function<void(int context)> ShowHelp;

 private:
  QRadioButton* style_[4] = {};
  QSpinBox* major_ = nullptr;
  QSpinBox* minor_ = nullptr;
  QSpinBox* trace_ = nullptr;
  QSpinBox* absent_ = nullptr;
  QCheckBox* normalize_ = nullptr;
  QCheckBox* filter_ = nullptr;
  QCheckBox* matrices_ = nullptr;
  QCheckBox* onTop_ = nullptr;
  QCheckBox* cutoff_ = nullptr;
  QSpinBox* cutoffExponent_ = nullptr;
  QCheckBox* whole_ = nullptr;
  QSpinBox* wholeBound_ = nullptr;
  bool tolerancesChanged_ = false;
  bool loading_ = false;
};

// The tolerance matrix: one cell per input entry, the case names across and
// the variable names down.
class TVN_MWErrMatrix : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_MWErrMatrix(QWidget* parent = nullptr);
  // grid[row][col], row 0 and column 0 the names.
  void Load(const std::vector<std::vector<QString>>& grid);
  std::vector<std::vector<QString>> Grid() const;
  void SetGridFont(const QFont& font);
  std::function<void(int context)> ShowHelp;

 private:
  QTableWidget* table_ = nullptr;
  std::vector<std::vector<QString>> names_;
};

}  // namespace varnel
