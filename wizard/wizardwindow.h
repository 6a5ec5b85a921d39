// The Matrix Analysis Wizard window: five pages driven by Back and Next over
// the wizard's logic.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/settingssection.h"
#include "sheet/links.h"
#include "wizard/matrixwizard.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;
class QGroupBox;

namespace varnel {

class Sheet;
class TVN_MWOptions;
class TVN_MWErrMatrix;

// What the window needs of the windows around it.
struct WizardHost {
  std::function<void()> ShowTextPad;
  std::function<bool()> TextPadVisible;
  std::function<ReportEnvironment()> Environment;
  std::function<QFont()> GridFont;
  std::function<void(int context)> ShowHelp;
  QWidget* GraphsWindow = nullptr;
};

class SvPlotBox;

class TVN_MWiz : public QWidget, public WizardLink, public SettingsSection {
  Q_OBJECT
 public:
  TVN_MWiz(Sheet& sheet, Prompter& prompter, ReportWindow& textPad, WizardHost host,
           QWidget* parent = nullptr);
  ~TVN_MWiz() override;

  MatrixWizard& Logic() { return *logic_; }
  TVN_MWOptions& OptionsDialog() { return *options_; }
  TVN_MWErrMatrix& ToleranceDialog() { return *tolerance_; }

  // WizardLink
  void StartAfresh() override { resetOnShow_ = true; }
  void ShowWizard() override;
  int CurrentPage() const override;
  void AddCases(int left, int top, int right, int bottom) override;

  // Window position keys "MWTop" / "MWLeft" of section "WinPos": a value
  // off the screen becomes the centred default.
  void ReadSettings(const IniFile& ini) override { LoadWizardPosition(ini); }
  void WriteSettings(IniFile& ini, bool savePrefs) const override;
  void LoadWizardPosition(const IniFile& ini);

  // Handlers, public so that tests drive the window as a user would.
  void MWBBackClick();
  void MWBNextFinishClick();
  void MWBCancelClick();
  void MWOptionsClick();
  void MWSButtonAddClick();
  void MWSButtonDeleteClick();
  void MWChkBoxWeightClick();
  void MWBBtnResetWeightsClick();
  void MWChkBoxAdjustThresholdClick();
  void MWBBtnEditErrClick();
  void MWBBtnComputeModelClick();
  void MWBitBtnShowSVPlotClick();
  void MWBBtnRSpaceClick();
  void MWBBtnUnivariantsClick();
  void MWBBtnIntersectClick();
  void MWBBtnSaveCsvClick();
  void ApplyOptions();                              // what closing the options dialog with OK does
  void CancelOptions(const WizardOptions& before);  // and with Cancel
  void ShowSingularValues(bool refill);

  QStackedWidget* Pages() const { return pages_; }
  QWidget* PlotBox() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPages();
  QWidget* BuildLabelsPage();
  QWidget* BuildInputPage();
  QWidget* BuildSvdPage();
  QWidget* BuildModelPage();
  QWidget* BuildReactionsPage();
  void ResetOnShow();
  void MWPageControlChange();
  void RefreshCaseList();
  void RefreshWeightGrid();
  void RefreshModelPage();
  void RefreshReactionsPage();
  void SetBusyState(bool busy);
  void SetModelBusy(bool busy);
  void PopupMenu(const QPoint& global, QWidget* from);
  void ApplyStayOnTop(bool onTop);
  void Progress(std::int64_t maximum, std::int64_t position, const QString& label);

  Sheet& sheet_;
  Prompter& prompter_;
  ReportWindow& textPad_;
  WizardHost host_;
  std::unique_ptr<MatrixWizard> logic_;
  std::unique_ptr<TVN_MWOptions> options_;
  std::unique_ptr<TVN_MWErrMatrix> tolerance_;
  bool resetOnShow_ = true;
  bool reconnectGraphs_ = false;
  bool restoreGraphs_ = false;
  Qt::WindowStates graphsState_;
  QString thresholdBefore_;
  bool updating_ = false;

  QStackedWidget* pages_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* optionsButton_ = nullptr;
  QPushButton* textPadButton_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  // Labels page
  QComboBox* primary_ = nullptr;
  QComboBox* secondary_ = nullptr;
  // Input page
  QTreeWidget* caseList_ = nullptr;
  QLabel* casesAdded_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  // SVD page
  QLabel* inputInfo_ = nullptr;
  QCheckBox* weight_ = nullptr;
  QPushButton* resetWeights_ = nullptr;
  QCheckBox* outWeighted_ = nullptr;
  QTableWidget* weightGrid_ = nullptr;
  QLineEdit* threshold_ = nullptr;
  QCheckBox* computational_ = nullptr;
  // Model page
  QLabel* numericRank_ = nullptr;
  QLabel* thresholdRank_ = nullptr;
  QSpinBox* desiredRank_ = nullptr;
  QPushButton* computeModel_ = nullptr;
  QPushButton* editErr_ = nullptr;
  QCheckBox* outModel_ = nullptr;
  QCheckBox* outResiduals_ = nullptr;
  QLabel* svTitle_ = nullptr;
  QTableWidget* svGrid_ = nullptr;
  QPushButton* showPlot_ = nullptr;
  SvPlotBox* plot_ = nullptr;
  QWidget* spacer_ = nullptr;
  QGroupBox* matrixInfo_ = nullptr;
  QGroupBox* guessGroup_ = nullptr;
  // Reactions page
  QTableWidget* setup_ = nullptr;
  QLabel* panels_[9] = {};
  QPushButton* rspace_ = nullptr;
  QPushButton* univariants_ = nullptr;
  QPushButton* intersect_ = nullptr;
  QPushButton* saveCsv_ = nullptr;
};

}  // namespace varnel
