#include "wizard/wizardwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/inifile.h"
#include "core/numbertext.h"
#include "sheet/sheet.h"
#include "wizard/optionsdialog.h"
#include "wizard/svplot.h"
#include "wizard/wizardtext.h"

namespace varnel {

// The paint box of the singular-value plot.
class SvPlotBox : public QWidget {
 public:
  explicit SvPlotBox(MatrixWizard& logic, QWidget* parent) : QWidget(parent), logic_(logic) {
    setObjectName(QStringLiteral("MWPaintBoxSValues"));
    setMinimumSize(200, 150);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    std::vector<Real> values;
    for (int i = 1; i <= logic_.State().n; ++i) values.push_back(logic_.SortedSingularValue(i));
    SvPlotColors colors;
    colors.Background = palette().color(QPalette::Dark);
    colors.Text = palette().color(QPalette::Light);
    const char sep = logic_.Context().Environment ? logic_.Context().Environment().DecimalSeparator : '.';
    PaintSingularValues(p, width(), height(), values, logic_.State().GuessZero, sep, colors);
  }

 private:
  MatrixWizard& logic_;
};

namespace {

const int HelpContexts[WizardPageCount] = {7020, 7030, 7040, 7050, 7060};

QLabel* Panel(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Sunken);
  l->setAlignment(Qt::AlignCenter);
  l->setMinimumWidth(60);
  return l;
}

QString DisplayNumber(Real x, int style, char sep) {
  return QString::fromStdString(FormatFNumber(style, x, sep));
}

}  // namespace

TVN_MWiz::TVN_MWiz(Sheet& sheet, Prompter& prompter, ReportWindow& textPad, WizardHost host, QWidget* parent)
    : QWidget(parent, Qt::Window),
      sheet_(sheet),
      prompter_(prompter),
      textPad_(textPad),
      host_(std::move(host)) {
  setObjectName(QStringLiteral("VN_MWiz"));
  setWindowTitle(QStringLiteral("Matrix Analysis Wizard"));
  WizardContext c;
  c.SheetData = &sheet_;
  c.Prompt = &prompter_;
  c.Report = &textPad_;
  c.FontSize = [this] { return textPad_.FontSize(); };
  c.Environment = host_.Environment;
  c.ProcessEvents = [] { QCoreApplication::processEvents(); };
  // Beyond this the TextPad, which keeps several times a text's size for its
  // lines, would grow to gigabytes: such a report is offered to a file.
  c.FileOfferBytes = 32u << 20;
  c.Progress = [this](std::int64_t maximum, std::int64_t position, const QString& label) {
    Progress(maximum, position, label);
  };
  logic_ = std::make_unique<MatrixWizard>(c);
  options_ = std::make_unique<TVN_MWOptions>(this);
  options_->OnStyleChanged = [this](int style) {
    logic_->SetStyle(style);
    ShowSingularValues(logic_->State().Page >= PageModel);
  };
  options_->ShowHelp = host_.ShowHelp;
  tolerance_ = std::make_unique<TVN_MWErrMatrix>(this);
  tolerance_->ShowHelp = host_.ShowHelp;
  if (host_.GridFont) tolerance_->SetGridFont(host_.GridFont());
  BuildPages();
  resize(640, 480);
}

TVN_MWiz::~TVN_MWiz() = default;

QWidget* TVN_MWiz::PlotBox() const { return plot_; }

void TVN_MWiz::BuildPages() {
  auto* layout = new QVBoxLayout(this);
  pages_ = new QStackedWidget(this);
  pages_->addWidget(BuildLabelsPage());
  pages_->addWidget(BuildInputPage());
  pages_->addWidget(BuildSvdPage());
  pages_->addWidget(BuildModelPage());
  pages_->addWidget(BuildReactionsPage());
  layout->addWidget(pages_, 1);

  auto* progressRow = new QHBoxLayout;
  progressLabel_ = new QLabel(this);
  progressLabel_->setObjectName(QStringLiteral("MWLabelPBar"));
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("MWProgressBar"));
  progressRow->addWidget(progressLabel_);
  progressRow->addWidget(progress_, 1);
  progressLabel_->hide();
  progress_->hide();
  layout->addLayout(progressRow);

  auto* buttons = new QHBoxLayout;
  auto* help = new QPushButton(QStringLiteral("&Help"), this);
  help->setObjectName(QStringLiteral("MWTButtonHelp"));
  connect(help, &QPushButton::clicked, this, [this] {
    if (host_.ShowHelp) host_.ShowHelp(HelpContexts[pages_->currentIndex()]);
  });
  // F1 anywhere in the window, whichever control has the focus (a spin box
  // or an edit would keep the key to itself).
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, help, &QPushButton::click);
  textPadButton_ = new QPushButton(QStringLiteral("&TextPad"), this);
  textPadButton_->setObjectName(QStringLiteral("MWTBTxt"));
  textPadButton_->setCheckable(true);
  connect(textPadButton_, &QPushButton::clicked, this, [this] {
    if (host_.ShowTextPad) host_.ShowTextPad();
    textPadButton_->setChecked(true);
  });
  optionsButton_ = new QPushButton(QStringLiteral("&Options"), this);
  optionsButton_->setObjectName(QStringLiteral("MWBOptions"));
  connect(optionsButton_, &QPushButton::clicked, this, &TVN_MWiz::MWOptionsClick);
  back_ = new QPushButton(QStringLiteral("&Back"), this);
  back_->setObjectName(QStringLiteral("MWBBack"));
  connect(back_, &QPushButton::clicked, this, &TVN_MWiz::MWBBackClick);
  next_ = new QPushButton(QStringLiteral("&Next"), this);
  next_->setObjectName(QStringLiteral("MWBNextFinish"));
  next_->setDefault(true);
  connect(next_, &QPushButton::clicked, this, &TVN_MWiz::MWBNextFinishClick);
  cancel_ = new QPushButton(QStringLiteral("&Close"), this);
  cancel_->setObjectName(QStringLiteral("MWBCancel"));
  connect(cancel_, &QPushButton::clicked, this, &TVN_MWiz::MWBCancelClick);
  buttons->addWidget(help);
  buttons->addWidget(textPadButton_);
  buttons->addWidget(optionsButton_);
  buttons->addStretch(1);
  buttons->addWidget(back_);
  buttons->addWidget(next_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
}

QWidget* TVN_MWiz::BuildLabelsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("MWTabSheetLabels"));
  auto* l = new QVBoxLayout(page);
  auto* title = new QLabel(QStringLiteral("Varnel's Matrix Analysis Wizard"), page);
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  title->setFont(bold);
  l->addWidget(title);
  for (const char* text : {"Use the Back and Next buttons to navigate among the five MAW pages.",
                           "Click the Close button to exit at any time. Click the Help button or press F1 "
                           "for help on the current MAW "
                           "page.",
                           "MAW detailed output is written in the TextPad. Click the TextPad button to view "
                           "the TextPad, if not already "
                           "visible.",
                           "Note: To maintain data consistency, DataSheet editing is disabled while the MAW "
                           "is open. Close the MAW if you "
                           "need to resume editing."}) {
    auto* t = new QLabel(QString::fromLatin1(text), page);
    t->setWordWrap(true);
    l->addWidget(t);
  }
  auto* group = new QGroupBox(QStringLiteral(" Labels && Comments "), page);
  auto* form = new QFormLayout(group);
  primary_ = new QComboBox(group);
  primary_->setObjectName(QStringLiteral("CBoxPrimary"));
  secondary_ = new QComboBox(group);
  secondary_->setObjectName(QStringLiteral("CBoxSecondary"));
  form->addRow(QStringLiteral("Case (object) labels are in"), primary_);
  form->addRow(QStringLiteral("Case comments are in"), secondary_);
  connect(primary_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!updating_) logic_->SetLabelColumns(i, logic_->State().CommentColumn);
  });
  connect(secondary_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!updating_) logic_->SetLabelColumns(logic_->State().LabelColumn, i);
  });
  l->addWidget(group);
  l->addStretch(1);
  return page;
}

QWidget* TVN_MWiz::BuildInputPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("MWTabSheetInput"));
  auto* l = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  addButton_ = new QPushButton(QStringLiteral("&Add"), page);
  addButton_->setObjectName(QStringLiteral("MWSButtonAdd"));
  addButton_->setToolTip(QStringLiteral("Add"));
  deleteButton_ = new QPushButton(QStringLiteral("&Delete"), page);
  deleteButton_->setObjectName(QStringLiteral("MWSButtonDelete"));
  deleteButton_->setToolTip(QStringLiteral("Delete"));
  deleteButton_->setEnabled(false);
  casesAdded_ = new QLabel(QStringLiteral("Total cases: 0"), page);
  casesAdded_->setObjectName(QStringLiteral("MWPanelCasesAdded"));
  row->addWidget(addButton_);
  row->addWidget(deleteButton_);
  row->addStretch(1);
  row->addWidget(casesAdded_);
  l->addLayout(row);
  caseList_ = new QTreeWidget(page);
  caseList_->setObjectName(QStringLiteral("MWFnpLBox"));
  caseList_->setRootIsDecorated(false);
  caseList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  caseList_->setHeaderLabels(
      {QStringLiteral("Case"), QStringLiteral("Primary Label"), QStringLiteral("Secondary Label")});
  caseList_->header()->resizeSection(0, 60);
  caseList_->header()->resizeSection(1, 180);
  caseList_->setContextMenuPolicy(Qt::CustomContextMenu);
  if (host_.GridFont) caseList_->setFont(host_.GridFont());
  connect(caseList_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu(caseList_->viewport()->mapToGlobal(p), caseList_); });
  connect(caseList_, &QTreeWidget::itemSelectionChanged, this,
          [this] { deleteButton_->setEnabled(!caseList_->selectedItems().isEmpty()); });
  connect(addButton_, &QPushButton::clicked, this, &TVN_MWiz::MWSButtonAddClick);
  connect(deleteButton_, &QPushButton::clicked, this, &TVN_MWiz::MWSButtonDeleteClick);
  l->addWidget(caseList_, 1);
  return page;
}

QWidget* TVN_MWiz::BuildSvdPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("MWTabSheetSVD"));
  auto* l = new QVBoxLayout(page);
  inputInfo_ = new QLabel(page);
  inputInfo_->setObjectName(QStringLiteral("MWLabelInputInfo"));
  inputInfo_->setWordWrap(true);
  l->addWidget(inputInfo_);
  auto* weights = new QGroupBox(QStringLiteral(" Row weights "), page);
  auto* wl = new QVBoxLayout(weights);
  auto* wrow = new QHBoxLayout;
  weight_ = new QCheckBox(QStringLiteral("&Weight components"), weights);
  weight_->setObjectName(QStringLiteral("MWChkBoxWeight"));
  resetWeights_ = new QPushButton(QStringLiteral("  &Reset weights"), weights);
  resetWeights_->setObjectName(QStringLiteral("MWBBtnResetWeights"));
  outWeighted_ = new QCheckBox(QStringLiteral("Output &weighted matrix"), weights);
  outWeighted_->setObjectName(QStringLiteral("MWChkBoxOutWeighted"));
  wrow->addWidget(weight_);
  wrow->addWidget(resetWeights_);
  wrow->addWidget(outWeighted_);
  wrow->addStretch(1);
  wl->addLayout(wrow);
  weightGrid_ = new QTableWidget(1, 0, weights);
  weightGrid_->setObjectName(QStringLiteral("MWStringGridWeight"));
  weightGrid_->setVerticalHeaderLabels({QStringLiteral("Weight")});
  weightGrid_->setMaximumHeight(weightGrid_->horizontalHeader()->sizeHint().height() +
                                weightGrid_->fontMetrics().height() * 2 + 16);
  wl->addWidget(weightGrid_);
  l->addWidget(weights);
  connect(weight_, &QCheckBox::toggled, this, &TVN_MWiz::MWChkBoxWeightClick);
  connect(resetWeights_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnResetWeightsClick);
  connect(outWeighted_, &QCheckBox::toggled, this, [this](bool on) {
    const WizardState& w = logic_->State();
    logic_->SetOutputs(on, w.OutModel, w.OutTestResiduals);
  });
  connect(weightGrid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!updating_) logic_->WeightEdited(item->column(), item->text());
  });
  weightGrid_->installEventFilter(this);
  MWChkBoxWeightClick();

  l->addStretch(1);
  return page;
}

QWidget* TVN_MWiz::BuildModelPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("MWTabSheetModel"));
  auto* l = new QVBoxLayout(page);
  auto* top = new QHBoxLayout;
  matrixInfo_ = new QGroupBox(QStringLiteral(" Matrix Info "), page);
  auto* info = new QFormLayout(matrixInfo_);
  numericRank_ = Panel(matrixInfo_, "MWPanelNumericRank");
  thresholdRank_ = Panel(matrixInfo_, "MWPanelThresholdRank");
  info->addRow(QStringLiteral("Absolute rank"), numericRank_);
  info->addRow(QStringLiteral("Threshold rank"), thresholdRank_);
  top->addWidget(matrixInfo_);
  guessGroup_ = new QGroupBox(QStringLiteral(" Guess zero threshold "), page);
  auto* gl = new QVBoxLayout(guessGroup_);
  threshold_ = new QLineEdit(QStringLiteral("0.0009"), guessGroup_);
  threshold_->setObjectName(QStringLiteral("MWEditThreshold"));
  threshold_->installEventFilter(this);
  computational_ = new QCheckBox(QStringLiteral("&Computational"), guessGroup_);
  computational_->setObjectName(QStringLiteral("MWChkBoxAdjustThreshold"));
  gl->addWidget(threshold_);
  gl->addWidget(computational_);
  connect(threshold_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString shown = logic_->ThresholdEdited(text, thresholdBefore_);
    if (shown != text) {
      const QSignalBlocker block(threshold_);
      threshold_->setText(shown);
    }
    thresholdBefore_ = threshold_->text();
    RefreshModelPage();
  });
  connect(computational_, &QCheckBox::toggled, this, &TVN_MWiz::MWChkBoxAdjustThresholdClick);
  top->addWidget(guessGroup_);
  auto* model = new QGroupBox(QStringLiteral(" Model "), page);
  auto* ml = new QGridLayout(model);
  desiredRank_ = new QSpinBox(model);
  desiredRank_->setObjectName(QStringLiteral("MWSpinEditDesiredRank"));
  // Typed values count as the arrows do; the box refuses what lies outside
  // its range.
  computeModel_ = new QPushButton(QStringLiteral("&Test Model"), model);
  computeModel_->setObjectName(QStringLiteral("MWBBtnComputeModel"));
  editErr_ = new QPushButton(QStringLiteral("  &Edit tolerance matrix..."), model);
  editErr_->setObjectName(QStringLiteral("MWBBtnEditErr"));
  outModel_ = new QCheckBox(QStringLiteral("Include model in test output"), model);
  outModel_->setObjectName(QStringLiteral("MWChkBoxOutModel"));
  outModel_->setChecked(true);
  outResiduals_ = new QCheckBox(QStringLiteral("Output test resi&duals"), model);
  outResiduals_->setObjectName(QStringLiteral("MWCheckBoxOutTestRes"));
  outResiduals_->setChecked(true);
  ml->addWidget(new QLabel(QStringLiteral("Desired rank"), model), 0, 0);
  ml->addWidget(desiredRank_, 0, 1);
  ml->addWidget(computeModel_, 0, 2);
  ml->addWidget(editErr_, 1, 2);
  ml->addWidget(outModel_, 1, 0, 1, 2);
  ml->addWidget(outResiduals_, 2, 0, 1, 2);
  top->addWidget(model, 1);
  l->addLayout(top);
  connect(desiredRank_, &QSpinBox::valueChanged, this, [this](int k) {
    if (!updating_) logic_->SetDesiredRank(k);
  });
  connect(computeModel_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnComputeModelClick);
  connect(editErr_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnEditErrClick);
  connect(outModel_, &QCheckBox::toggled, this, [this](bool on) {
    const WizardState& w = logic_->State();
    logic_->SetOutputs(w.OutWeighted, on, w.OutTestResiduals);
  });
  connect(outResiduals_, &QCheckBox::toggled, this, [this](bool on) {
    const WizardState& w = logic_->State();
    logic_->SetOutputs(w.OutWeighted, w.OutModel, on);
  });

  auto* svRow = new QHBoxLayout;
  svTitle_ = new QLabel(page);
  svTitle_->setObjectName(QStringLiteral("MWPanelSV"));
  showPlot_ = new QPushButton(QStringLiteral("&View SV Plot"), page);
  showPlot_->setObjectName(QStringLiteral("MWBitBtnShowSVPlot"));
  connect(showPlot_, &QPushButton::clicked, this, &TVN_MWiz::MWBitBtnShowSVPlotClick);
  svRow->addWidget(svTitle_, 1);
  svRow->addWidget(showPlot_);
  l->addLayout(svRow);
  svGrid_ = new QTableWidget(1, 0, page);
  svGrid_->setObjectName(QStringLiteral("MWStringGridSValues"));
  svGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  svGrid_->verticalHeader()->hide();
  svGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  svGrid_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // A header, one row and the scroll bar.
  svGrid_->setFixedHeight(svGrid_->fontMetrics().height() * 4 +
                          svGrid_->horizontalScrollBar()->sizeHint().height() + 2 * svGrid_->frameWidth());
  l->addWidget(svGrid_);
  plot_ = new SvPlotBox(*logic_, page);
  plot_->hide();
  plot_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  l->addWidget(plot_, 1);
  // Without the plot the grid keeps its height and the space goes below.
  spacer_ = new QWidget(page);
  spacer_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  l->addWidget(spacer_, 1);
  return page;
}

QWidget* TVN_MWiz::BuildReactionsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("MWTabSheetReactions"));
  auto* l = new QVBoxLayout(page);
  setup_ = new QTableWidget(3, 0, page);
  setup_->setObjectName(QStringLiteral("MWStringGridReacSetup"));
  setup_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  setup_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  setup_->setVerticalHeaderLabels(
      {QStringLiteral("Phase"), QStringLiteral("In set"), QStringLiteral("Assemblage")});
  setup_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(setup_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu(setup_->viewport()->mapToGlobal(p), setup_); });
  l->addWidget(setup_, 1);
  auto* groups = new QHBoxLayout;
  auto* model = new QGroupBox(QStringLiteral(" Input / Model "), page);
  auto* mf = new QFormLayout(model);
  const char* names[] = {"RPanelTCols",   "RPanelRows",    "RPanelTRank", "RPanelTUniv", "RPanelSetCols",
                         "RPanelSetRank", "RPanelSetUniv", "RPanelColsA", "RPanelColsB"};
  for (int k = 0; k < 9; ++k) panels_[k] = Panel(page, names[k]);
  mf->addRow(QStringLiteral("Columns"), panels_[0]);
  mf->addRow(QStringLiteral("Rows"), panels_[1]);
  mf->addRow(QStringLiteral("Total rank"), panels_[2]);
  mf->addRow(QStringLiteral("Total \"univariants\""), panels_[3]);
  auto* set = new QGroupBox(QStringLiteral(" Working Set "), page);
  auto* sf = new QFormLayout(set);
  sf->addRow(QStringLiteral("Columns in set"), panels_[4]);
  sf->addRow(QStringLiteral("Set rank"), panels_[5]);
  sf->addRow(QStringLiteral("Set \"univariants\""), panels_[6]);
  sf->addRow(QStringLiteral("Columns in assemblage A"), panels_[7]);
  sf->addRow(QStringLiteral("Columns in assemblage B"), panels_[8]);
  groups->addWidget(model);
  groups->addWidget(set);
  auto* commands = new QVBoxLayout;
  rspace_ = new QPushButton(QStringLiteral("&Reaction Space"), page);
  rspace_->setObjectName(QStringLiteral("MWBBtnRSpace"));
  univariants_ = new QPushButton(QStringLiteral("\"&Univariants\""), page);
  univariants_->setObjectName(QStringLiteral("MWBBtnUnivariants"));
  intersect_ = new QPushButton(QStringLiteral("&Intersections"), page);
  intersect_->setObjectName(QStringLiteral("MWBBtnIntersect"));
  intersect_->setEnabled(false);
  commands->addWidget(rspace_);
  commands->addWidget(univariants_);
  commands->addWidget(intersect_);
  saveCsv_ = new QPushButton(QStringLiteral("Save as &CSV..."), page);
  saveCsv_->setObjectName(QStringLiteral("MWBBtnSaveCsv"));
  saveCsv_->setToolTip(
      QStringLiteral("The relations of the last \"Univariants\" or Intersections report, one row each"));
  saveCsv_->setEnabled(false);
  commands->addWidget(saveCsv_);
  commands->addStretch(1);
  groups->addLayout(commands);
  l->addLayout(groups);
  connect(rspace_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnRSpaceClick);
  connect(univariants_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnUnivariantsClick);
  connect(intersect_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnIntersectClick);
  connect(saveCsv_, &QPushButton::clicked, this, &TVN_MWiz::MWBBtnSaveCsvClick);
  return page;
}

void TVN_MWiz::LoadWizardPosition(const IniFile& ini) {
  const QSize screen =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
  const int defTop = screen.height() / 2 - height() / 2;
  const int defLeft = screen.width() / 2 - width() / 2;
  int top = ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("MWTop"), defTop);
  int left = ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("MWLeft"), defLeft);
  if (top >= screen.height()) top = defTop;
  if (left >= screen.width()) left = defLeft;
  move(left, top);
}

void TVN_MWiz::WriteSettings(IniFile& ini, bool) const {
  ini.WriteInteger(QStringLiteral("WinPos"), QStringLiteral("MWTop"), y());
  ini.WriteInteger(QStringLiteral("WinPos"), QStringLiteral("MWLeft"), x());
}

void TVN_MWiz::ShowWizard() {
  show();
  raise();
  activateWindow();
}

int TVN_MWiz::CurrentPage() const { return isVisible() ? logic_->State().Page : -1; }

void TVN_MWiz::AddCases(int, int top, int, int bottom) {
  logic_->AddCases(top, bottom);
  RefreshCaseList();
}

void TVN_MWiz::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (resetOnShow_) ResetOnShow();
}

void TVN_MWiz::ResetOnShow() {
  resetOnShow_ = false;
  logic_->Reset();
  if (host_.TextPadVisible) textPadButton_->setChecked(host_.TextPadVisible());
  {
    const QSignalBlocker a(primary_), b(secondary_);
    const QStringList items = logic_->ColumnChoices();
    primary_->clear();
    secondary_->clear();
    primary_->addItems(items);
    secondary_->addItems(items);
    primary_->setCurrentIndex(logic_->State().LabelColumn);
    secondary_->setCurrentIndex(logic_->State().CommentColumn);
  }
  casesAdded_->setText(QStringLiteral("Total cases: 0"));
  RefreshCaseList();
  casesAdded_->setText(QStringLiteral("Total cases: 0"));
  pages_->setCurrentIndex(PageLabels);
  next_->setText(QStringLiteral("&Next"));
  MWPageControlChange();
  sheet_.WizardOpen = true;
  sheet_.View().UpdateCommands();
  textPad_.SetReadOnly(true);
  reconnectGraphs_ = restoreGraphs_ = false;
  if (sheet_.Prefs.MwGDisconnect) {
    if (host_.GraphsWindow && !host_.GraphsWindow->isMinimized()) {
      graphsState_ = host_.GraphsWindow->windowState();
      host_.GraphsWindow->showMinimized();
      restoreGraphs_ = true;
    }
    if (sheet_.Connected) {
      sheet_.Graph().DisconnectGraphs();
      sheet_.View().UpdateCommands();
      reconnectGraphs_ = true;
    }
  }
}

void TVN_MWiz::closeEvent(QCloseEvent* event) {
  if (logic_->State().Busy) {
    event->ignore();
    return;
  }
  logic_->Close();
  caseList_->clear();
  sheet_.WizardOpen = false;
  sheet_.View().UpdateCommands();
  textPad_.SetReadOnly(false);
  if (reconnectGraphs_) sheet_.Graph().GetWSheetData(false);
  if (restoreGraphs_ && host_.GraphsWindow) host_.GraphsWindow->setWindowState(graphsState_);
  reconnectGraphs_ = restoreGraphs_ = false;
  resetOnShow_ = true;
  event->accept();
}

bool TVN_MWiz::eventFilter(QObject* watched, QEvent* event) {
  if (watched == threshold_) {
    if (event->type() == QEvent::FocusIn) thresholdBefore_ = threshold_->text();
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QString t = key->text();
      const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                           key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                           key->key() == Qt::Key_Home || key->key() == Qt::Key_End ||
                           key->key() == Qt::Key_Tab || (key->modifiers() & Qt::ControlModifier);
      const QChar sep =
          QLatin1Char(logic_->Context().Environment ? logic_->Context().Environment().DecimalSeparator : '.');
      const bool accepted =
          t.size() == 1 && (t[0].isDigit() || t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-') ||
                            t[0] == sep || t[0] == QLatin1Char('E') || t[0] == QLatin1Char('e'));
      if (!accepted && !editing) return true;
      thresholdBefore_ = threshold_->text();
    }
  }
  if (watched == weightGrid_ && event->type() == QEvent::FocusOut) {
    logic_->WeightsDone();
    RefreshWeightGrid();
  }
  return QWidget::eventFilter(watched, event);
}

void TVN_MWiz::MWPageControlChange() {
  const int page = logic_->State().Page;
  pages_->setCurrentIndex(page);
  back_->setEnabled(page != PageLabels);
  if (page == PageInput || page == PageSvd) next_->setEnabled(true);
  next_->setText(page == PageReactions ? QStringLiteral("&Finish") : QStringLiteral("&Next"));
  if (page == PageSvd) inputInfo_->setText(logic_->InputInfoText());
  if (page == PageModel) RefreshModelPage();
  if (page == PageReactions) RefreshReactionsPage();
  sheet_.View().UpdateCommands();
}

void TVN_MWiz::MWBBackClick() {
  logic_->Back();
  MWPageControlChange();
}

void TVN_MWiz::MWBNextFinishClick() {
  if (logic_->State().Page == PageReactions) {
    close();
    return;
  }
  if (logic_->State().Page == PageSvd) {
    // The weight grid may still hold an edit.
    logic_->WeightsDone();
    RefreshWeightGrid();
  }
  const int page = logic_->State().Page;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool moved = logic_->Next();
  QApplication::restoreOverrideCursor();
  if (page == PageLabels) {
    caseList_->headerItem()->setText(1, primary_->currentText());
    caseList_->headerItem()->setText(2, secondary_->currentText());
    RefreshCaseList();
  }
  if (moved && page == PageInput) {
    RefreshWeightGrid();
    tolerance_->Load(logic_->State().ToleranceGrid);
  }
  if (moved && page == PageSvd) {
    ShowSingularValues(true);
    const QSignalBlocker block(threshold_);
    threshold_->setText(logic_->ThresholdText());
  }
  MWPageControlChange();
}

void TVN_MWiz::MWBCancelClick() {
  // While a Reactions command runs the button cancels it; else it closes.
  if (logic_->State().Busy)
    logic_->RequestCancel();
  else
    close();
}

void TVN_MWiz::MWOptionsClick() {
  const WizardOptions before = logic_->State().Options;
  options_->Load(logic_->State().Options, logic_->State().FilterDuplicates, logic_->State().Options.StayOnTop);
  if (prompter_.RunDialog(*options_)) {
    ApplyOptions();
    return;
  }
  CancelOptions(before);
}

void TVN_MWiz::CancelOptions(const WizardOptions& before) {
  // The number style shows while the dialog is open; Cancel takes it back
  // with everything else.
  logic_->SetOptions(before);
  ShowSingularValues(logic_->State().Page >= PageModel);
}

void TVN_MWiz::ApplyOptions() {
  const WizardOptions o = options_->Options();
  const bool tolerances = options_->TolerancesChanged();
  const bool onTop = o.StayOnTop;
  const bool filter = o.FilterDuplicates;
  logic_->SetOptions(o);
  if (tolerances && logic_->State().Page >= PageSvd && logic_->State().m > 0) {
    logic_->FillToleranceGrid();
    tolerance_->Load(logic_->State().ToleranceGrid);
  }
  if (onTop != static_cast<bool>(windowFlags() & Qt::WindowStaysOnTopHint)) ApplyStayOnTop(onTop);
  logic_->SetFilterDuplicates(filter);
  ShowSingularValues(logic_->State().Page >= PageModel);
}

void TVN_MWiz::ApplyStayOnTop(bool onTop) {
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  // Changing the style rebuilds the window: put the choices back.
  const QSignalBlocker a(primary_), b(secondary_);
  primary_->setCurrentIndex(logic_->State().LabelColumn);
  secondary_->setCurrentIndex(logic_->State().CommentColumn);
  if (visible) show();
}

void TVN_MWiz::RefreshCaseList() {
  caseList_->clear();
  for (const QString& item : logic_->CaseList()) {
    const QStringList parts = item.split(QLatin1Char('\t'));
    auto* row = new QTreeWidgetItem(caseList_);
    for (int k = 0; k < parts.size() && k < 3; ++k) row->setText(k, parts[k]);
  }
  casesAdded_->setText(logic_->CasesAddedText());
  deleteButton_->setEnabled(!caseList_->selectedItems().isEmpty());
}

void TVN_MWiz::MWSButtonAddClick() {
  const Selection& s = sheet_.Sel;
  AddCases(s.Left, s.Top, s.Right, s.Bottom);
}

void TVN_MWiz::MWSButtonDeleteClick() {
  std::vector<int> items;
  for (QTreeWidgetItem* item : caseList_->selectedItems())
    items.push_back(caseList_->indexOfTopLevelItem(item));
  logic_->DeleteCases(items);
  RefreshCaseList();
}

void TVN_MWiz::MWChkBoxWeightClick() {
  const bool on = weight_->isChecked();
  logic_->SetWeighting(on);
  weightGrid_->setEnabled(on);
  resetWeights_->setEnabled(on);
  outWeighted_->setEnabled(on);
}

void TVN_MWiz::MWBBtnResetWeightsClick() {
  logic_->ResetWeights();
  RefreshWeightGrid();
}

void TVN_MWiz::RefreshWeightGrid() {
  updating_ = true;
  const int m = logic_->State().m;
  weightGrid_->setColumnCount(m);
  QStringList names;
  for (int i = 1; i <= m; ++i) {
    const std::string_view name = sheet_.Name(logic_->State().VariableColumns[static_cast<std::size_t>(i)]);
    names << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  }
  weightGrid_->setHorizontalHeaderLabels(names);
  for (int i = 1; i <= m; ++i) weightGrid_->setItem(0, i - 1, new QTableWidgetItem(logic_->WeightText(i)));
  updating_ = false;
}

void TVN_MWiz::MWChkBoxAdjustThresholdClick() {
  logic_->SetComputational(computational_->isChecked());
  threshold_->setEnabled(!computational_->isChecked());
  const QSignalBlocker block(threshold_);
  threshold_->setText(logic_->ThresholdText());
  RefreshModelPage();
}

void TVN_MWiz::RefreshModelPage() {
  updating_ = true;
  numericRank_->setText(QString::number(logic_->State().AbsoluteRank));
  thresholdRank_->setText(QString::number(logic_->State().GuessRank));
  desiredRank_->setRange(1, logic_->DesiredRankMaximum());
  desiredRank_->setValue(logic_->State().DesiredRank);
  updating_ = false;
  plot_->update();
}

void TVN_MWiz::ShowSingularValues(bool refill) {
  static const char* samples[] = {"0.0000000", "0.000000000000", "0.000000000000000000000",
                                  "0.0000000000000000000000000"};
  const int style = std::clamp(logic_->State().Options.Style, 0, 3);
  // The sample's width plus the cell's margins.
  svGrid_->horizontalHeader()->setDefaultSectionSize(
      svGrid_->fontMetrics().horizontalAdvance(QString::fromLatin1(samples[style])) + 12);
  if (!refill) return;
  const int n = logic_->State().n;
  svTitle_->setText(logic_->SingularValuesTitle());
  svGrid_->setColumnCount(n);
  QStringList heads;
  const char sep = logic_->Context().Environment ? logic_->Context().Environment().DecimalSeparator : '.';
  for (int i = 1; i <= n; ++i) {
    heads << QString::number(i);
    svGrid_->setItem(0, i - 1,
                     new QTableWidgetItem(DisplayNumber(logic_->SortedSingularValue(i), style, sep)));
  }
  svGrid_->setHorizontalHeaderLabels(heads);
  for (int i = 0; i < n; ++i) svGrid_->setColumnWidth(i, svGrid_->horizontalHeader()->defaultSectionSize());
  plot_->update();
}

void TVN_MWiz::MWBBtnEditErrClick() {
  tolerance_->Load(logic_->State().ToleranceGrid);
  const bool onTop = windowFlags() & Qt::WindowStaysOnTopHint;
  if (onTop) setWindowFlag(Qt::WindowStaysOnTopHint, false);
  const bool accepted = prompter_.RunDialog(*tolerance_);
  if (onTop) {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
  }
  if (accepted) {
    logic_->ReadToleranceGrid(tolerance_->Grid());
    tolerance_->Load(logic_->State().ToleranceGrid);
  }
}

void TVN_MWiz::SetModelBusy(bool busy) {
  for (QPushButton* b : {computeModel_, back_, next_, optionsButton_, cancel_}) b->setEnabled(!busy);
}

void TVN_MWiz::MWBBtnComputeModelClick() {
  SetModelBusy(true);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  logic_->TestModelClick();
  QApplication::restoreOverrideCursor();
  SetModelBusy(false);
}

void TVN_MWiz::MWBitBtnShowSVPlotClick() {
  const bool show = plot_->isHidden();
  plot_->setVisible(show);
  showPlot_->setText(show ? QStringLiteral("&View SV's") : QStringLiteral("&View SV Plot"));
  svGrid_->setVisible(!show);
  svTitle_->setVisible(!show);
  matrixInfo_->setVisible(!show);
  guessGroup_->setVisible(!show);
  spacer_->setVisible(!show);
}

void TVN_MWiz::PopupMenu(const QPoint& global, QWidget* from) {
  QMenu menu(this);
  if (from == caseList_ && logic_->State().Page == PageInput) {
    QAction* del = menu.addAction(QStringLiteral("Delete"), this, &TVN_MWiz::MWSButtonDeleteClick);
    del->setObjectName(QStringLiteral("PMDelete1"));
    del->setEnabled(!caseList_->selectedItems().isEmpty());
  }
  if (from == setup_ && logic_->State().Page == PageReactions) {
    const QList<QTableWidgetSelectionRange> ranges = setup_->selectedRanges();
    if (ranges.isEmpty()) return;
    const QTableWidgetSelectionRange r = ranges.first();
    const int left = r.leftColumn(), right = r.rightColumn();
    const bool setItems = r.topRow() == 1;
    const bool markItems = r.bottomRow() == 2;
    auto set = [this, left, right](MatrixWizard::SetChange change) {
      logic_->ModifySet(change, left, right);
      RefreshReactionsPage();
    };
    auto mark = [this, left, right](MatrixWizard::AssemblageMark m) {
      logic_->ModifyAssemblage(m, left, right);
      RefreshReactionsPage();
    };
    if (setItems) {
      menu.addAction(QStringLiteral("Include in Set"), this,
                     [set] { set(MatrixWizard::SetChange::Include); });
      menu.addAction(QStringLiteral("Exclude from Set"), this,
                     [set] { set(MatrixWizard::SetChange::Exclude); });
      menu.addAction(QStringLiteral("Include All in Set"), this,
                     [set] { set(MatrixWizard::SetChange::IncludeAll); });
    }
    if (setItems && markItems) menu.addSeparator();
    if (markItems) {
      menu.addAction(QStringLiteral("Assemblage A"), this, [mark] { mark(MatrixWizard::AssemblageMark::A); });
      menu.addAction(QStringLiteral("Assemblage B"), this, [mark] { mark(MatrixWizard::AssemblageMark::B); });
      menu.addAction(QStringLiteral("Assemblage Undefined"), this,
                     [mark] { mark(MatrixWizard::AssemblageMark::Undefined); });
    }
  }
  if (!menu.isEmpty()) menu.exec(global);
}

void TVN_MWiz::RefreshReactionsPage() {
  const MatrixWizard& w = *logic_;
  setup_->setColumnCount(static_cast<int>(w.State().SetupGrid.size()));
  for (int c = 0; c < static_cast<int>(w.State().SetupGrid.size()); ++c) {
    const auto& col = w.State().SetupGrid[static_cast<std::size_t>(c)];
    setup_->setItem(0, c, new QTableWidgetItem(col.Name));
    setup_->setItem(1, c, new QTableWidgetItem(col.InSet));
    setup_->setItem(2, c, new QTableWidgetItem(col.Mark));
  }
  const QString texts[] = {w.State().PanelTCols,   w.State().PanelRows,    w.State().PanelTRank, w.State().PanelTUniv, w.State().PanelSetCols,
                           w.State().PanelSetRank, w.State().PanelSetUniv, w.State().PanelColsA, w.State().PanelColsB};
  for (int k = 0; k < 9; ++k) panels_[k]->setText(texts[k]);
  rspace_->setEnabled(w.State().RSpaceEnabled && !w.State().Busy);
  univariants_->setEnabled(w.State().UnivariantsEnabled && !w.State().Busy);
  intersect_->setEnabled(w.State().IntersectEnabled && !w.State().Busy);
  saveCsv_->setEnabled(w.HasRelationsResult() && !w.State().Busy);
}

void TVN_MWiz::Progress(std::int64_t maximum, std::int64_t position, const QString& label) {
  // The bar counts in 32 bits: large counts are shown in proportion.
  const double scale = maximum > 1000000 ? 1000000.0 / static_cast<double>(maximum) : 1.0;
  progress_->setMaximum(static_cast<int>(static_cast<double>(std::max<std::int64_t>(maximum, 1)) * scale));
  progress_->setValue(static_cast<int>(static_cast<double>(position) * scale));
  progressLabel_->setText(label);
}

void TVN_MWiz::SetBusyState(bool busy) {
  rspace_->setEnabled(!busy);
  univariants_->setEnabled(!busy);
  if (busy) intersect_->setEnabled(false);
  saveCsv_->setEnabled(!busy && logic_->HasRelationsResult());
  cancel_->setText(busy ? QStringLiteral("&Cancel") : QStringLiteral("&Close"));
  cancel_->setEnabled(true);
  back_->setVisible(!busy);
  next_->setVisible(!busy);
  optionsButton_->setVisible(!busy);
  progress_->setVisible(busy);
  progressLabel_->setVisible(busy);
  if (busy) {
    progress_->setValue(0);
    progressLabel_->setText(QStringLiteral("Computing ..."));
  }
}

void TVN_MWiz::MWBBtnRSpaceClick() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetBusyState(true);
  // This command cannot be cancelled.
  cancel_->setText(QStringLiteral("Wait"));
  cancel_->setEnabled(false);
  logic_->ReactionSpace();
  QApplication::restoreOverrideCursor();
  SetBusyState(logic_->State().Busy);
  RefreshReactionsPage();
}

void TVN_MWiz::MWBBtnUnivariantsClick() {
  QString path;
  const MatrixWizard::ReportPlace place = logic_->ChooseUnivariantsPlace(path);
  if (place == MatrixWizard::ReportPlace::Nowhere) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetBusyState(true);
  if (place == MatrixWizard::ReportPlace::File)
    logic_->UnivariantsToFile(path);
  else
    logic_->Univariants();
  QApplication::restoreOverrideCursor();
  SetBusyState(logic_->State().Busy);
  RefreshReactionsPage();
}

void TVN_MWiz::MWBBtnSaveCsvClick() {
  const std::optional<QString> path = prompter_.SaveFileName(MatrixWizard::CsvFileSpec());
  if (!path) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetBusyState(true);
  logic_->SaveRelationsCsv(*path);
  QApplication::restoreOverrideCursor();
  SetBusyState(logic_->State().Busy);
  RefreshReactionsPage();
}

void TVN_MWiz::MWBBtnIntersectClick() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetBusyState(true);
  logic_->Intersections();
  QApplication::restoreOverrideCursor();
  SetBusyState(logic_->State().Busy);
  RefreshReactionsPage();
}

}  // namespace varnel
