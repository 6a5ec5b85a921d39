#include "wizard/optionsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "wizard/wholenumbers.h"

namespace varnel {

TVN_MWOptions::TVN_MWOptions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_MWOptions"));
  setWindowTitle(QStringLiteral("Matrix Wizard Options"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* nf = new QGroupBox(QStringLiteral(" Output number format "), this);
  nf->setObjectName(QStringLiteral("MWRGroupNF"));
  auto* nfLayout = new QVBoxLayout(nf);
  const char* captions[] = {"&Short (4)", "&Long (6)", "&Max (8)", "&Exponential (12)"};
  for (int k = 0; k < 4; ++k) {
    style_[k] = new QRadioButton(QString::fromLatin1(captions[k]), nf);
    nfLayout->addWidget(style_[k]);
    connect(style_[k], &QRadioButton::toggled, this, [this, k](bool on) {
      if (on && !loading_ && OnStyleChanged) OnStyleChanged(k);
    });
  }
  style_[0]->setChecked(true);
  top->addWidget(nf);
  auto* tol = new QGroupBox(QStringLiteral(" Range tolerances "), this);
  auto* form = new QFormLayout(tol);
  auto spin = [&](const char* name, int lo, int hi, int value, const char* caption) {
    auto* s = new QSpinBox(tol);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(lo, hi);
    s->setValue(value);
    form->addRow(s, new QLabel(QString::fromLatin1(caption), tol));
    connect(s, &QSpinBox::valueChanged, this, [this] {
      if (!loading_) tolerancesChanged_ = true;
    });
    return s;
  };
  major_ = spin("MWSpinEditRelErrMajor", 1, 100, 3, "% majors (10-100)");
  minor_ = spin("MWSpinEditRelErrMinor", 1, 100, 10, "% minors (1-10)");
  trace_ = spin("MWSpinEditRelErrTrace", 1, 100, 30, "% traces (0-1)");
  absent_ = spin("MWSpinEditRelErrAbsent", -15, 0, -3, "Absent (1.0E)");
  top->addWidget(tol);
  layout->addLayout(top);
  auto* reactions = new QGroupBox(QStringLiteral(" Reactions "), this);
  auto* rl = new QVBoxLayout(reactions);
  normalize_ = new QCheckBox(QStringLiteral("&Normalize coefficients"), reactions);
  normalize_->setObjectName(QStringLiteral("MWOpChkBoxReacNormalize"));
  normalize_->setChecked(true);
  filter_ = new QCheckBox(QStringLiteral("&Filter duplicates"), reactions);
  filter_->setObjectName(QStringLiteral("MWOpChkBoxFilterRDups"));
  rl->addWidget(normalize_);
  rl->addWidget(filter_);
  auto* cutRow = new QHBoxLayout;
  cutoff_ = new QCheckBox(QStringLiteral("&Drop coefficients below 1.0E"), reactions);
  cutoff_->setObjectName(QStringLiteral("MWOpChkBoxCutoff"));
  cutoffExponent_ = new QSpinBox(reactions);
  cutoffExponent_->setObjectName(QStringLiteral("MWOpSpinEditCutoff"));
  cutoffExponent_->setRange(-15, -1);
  cutoffExponent_->setValue(-4);
  cutRow->addWidget(cutoff_);
  cutRow->addWidget(cutoffExponent_);
  cutRow->addWidget(new QLabel(QStringLiteral("x the largest"), reactions));
  cutRow->addStretch(1);
  rl->addLayout(cutRow);
  auto* wholeRow = new QHBoxLayout;
  whole_ = new QCheckBox(QStringLiteral("&Whole numbers up to"), reactions);
  whole_->setObjectName(QStringLiteral("MWOpChkBoxWholeNumbers"));
  wholeBound_ = new QSpinBox(reactions);
  wholeBound_->setObjectName(QStringLiteral("MWOpSpinEditWholeBound"));
  wholeBound_->setRange(1, MaxWholeBound);
  wholeBound_->setValue(DefaultWholeBound);
  wholeRow->addWidget(whole_);
  wholeRow->addWidget(wholeBound_);
  wholeRow->addStretch(1);
  rl->addLayout(wholeRow);
  auto* explain = new QLabel(
      QStringLiteral(
          "A coefficient below the cut-off times the largest of its relation is rounding noise: "
          "it prints as zero and takes no part in the scaling. Whole numbers are the smallest that "
          "reproduce a relation within the cut-off (1.0E-6 without one); a relation they do not "
          "fit keeps its scaled form."),
      reactions);
  explain->setObjectName(QStringLiteral("MWOpLabelCutoff"));
  explain->setWordWrap(true);
  rl->addWidget(explain);
  auto follow = [this] {
    cutoffExponent_->setEnabled(cutoff_->isChecked());
    wholeBound_->setEnabled(whole_->isChecked());
  };
  connect(cutoff_, &QCheckBox::toggled, this, follow);
  connect(whole_, &QCheckBox::toggled, this, follow);
  follow();
  layout->addWidget(reactions);
  matrices_ = new QCheckBox(QStringLiteral("&Output SVD matrices"), this);
  matrices_->setObjectName(QStringLiteral("MWChkBoxOutMatrices"));
  matrices_->setChecked(true);
  onTop_ = new QCheckBox(QStringLiteral("&Keep Wizard on Top"), this);
  onTop_->setObjectName(QStringLiteral("MWOpCheckBoxStayOnTop"));
  layout->addWidget(matrices_);
  layout->addWidget(onTop_);
  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("Button2"));
  auto* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("ButtonCancel"));
  auto* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  help->setObjectName(QStringLiteral("Button1"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp(7070);
  });
  layout->addWidget(buttons);
}

void TVN_MWOptions::Load(const WizardOptions& o, bool filterDuplicates, bool stayOnTop) {
  loading_ = true;
  style_[std::clamp(o.Style, 0, 3)]->setChecked(true);
  major_->setValue(o.RelErrMajor);
  minor_->setValue(o.RelErrMinor);
  trace_->setValue(o.RelErrTrace);
  absent_->setValue(o.RelErrAbsent);
  normalize_->setChecked(o.Normalize);
  matrices_->setChecked(o.OutputSvdMatrices);
  filter_->setChecked(filterDuplicates);
  onTop_->setChecked(stayOnTop);
  cutoff_->setChecked(o.MinCoefficient > 0);
  if (o.MinCoefficient > 0)
    cutoffExponent_->setValue(
        static_cast<int>(std::lround(std::log10(static_cast<double>(o.MinCoefficient)))));
  whole_->setChecked(o.WholeNumbers);
  wholeBound_->setValue(o.WholeBound);
  tolerancesChanged_ = false;
  loading_ = false;
}

WizardOptions TVN_MWOptions::Options() const {
  WizardOptions o;
  for (int k = 0; k < 4; ++k)
    if (style_[k]->isChecked()) o.Style = k;
  o.RelErrMajor = major_->value();
  o.RelErrMinor = minor_->value();
  o.RelErrTrace = trace_->value();
  o.RelErrAbsent = absent_->value();
  o.Normalize = normalize_->isChecked();
  o.FilterDuplicates = filter_->isChecked();
  o.OutputSvdMatrices = matrices_->isChecked();
  o.StayOnTop = onTop_->isChecked();
  o.MinCoefficient = cutoff_->isChecked() ? std::pow(10.0L, cutoffExponent_->value()) : Real{0};
  o.WholeNumbers = whole_->isChecked();
  o.WholeBound = wholeBound_->value();
  return o;
}

bool TVN_MWOptions::FilterDuplicates() const { return filter_->isChecked(); }
bool TVN_MWOptions::StayOnTop() const { return onTop_->isChecked(); }
void TVN_MWOptions::SetCutoff(bool on, int exponent) {
  cutoff_->setChecked(on);
  cutoffExponent_->setValue(exponent);
}
void TVN_MWOptions::SetWholeNumbers(bool on, int bound) {
  whole_->setChecked(on);
  wholeBound_->setValue(bound);
}
void TVN_MWOptions::SetStyle(int style) { style_[std::clamp(style, 0, 3)]->setChecked(true); }
void TVN_MWOptions::SetTolerances(int major, int minor, int trace, int absent) {
  major_->setValue(major);
  minor_->setValue(minor);
  trace_->setValue(trace);
  absent_->setValue(absent);
}

TVN_MWErrMatrix::TVN_MWErrMatrix(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_MWErrMatrix"));
  setWindowTitle(QStringLiteral("Tolerance Matrix"));
  auto* layout = new QVBoxLayout(this);
  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("MWStringGridErr"));
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  layout->addWidget(table_);
  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("MWErrMButtonOK"));
  buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
  auto* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp(7080);
  });
  layout->addWidget(buttons);
  resize(560, 360);
}

void TVN_MWErrMatrix::SetGridFont(const QFont& font) { table_->setFont(font); }

void TVN_MWErrMatrix::Load(const std::vector<std::vector<QString>>& grid) {
  names_ = grid;
  const int rows = grid.empty() ? 0 : static_cast<int>(grid.size()) - 1;
  const int cols = grid.empty() ? 0 : static_cast<int>(grid[0].size()) - 1;
  table_->clear();
  table_->setRowCount(rows);
  table_->setColumnCount(cols);
  QStringList across, down;
  for (int j = 1; j <= cols; ++j) across << grid[0][static_cast<std::size_t>(j)];
  for (int i = 1; i <= rows; ++i) down << grid[static_cast<std::size_t>(i)][0];
  table_->setHorizontalHeaderLabels(across);
  table_->setVerticalHeaderLabels(down);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j)
      table_->setItem(i - 1, j - 1,
                      new QTableWidgetItem(grid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]));
}

std::vector<std::vector<QString>> TVN_MWErrMatrix::Grid() const {
  std::vector<std::vector<QString>> grid = names_;
  for (int i = 1; i < static_cast<int>(grid.size()); ++i)
    for (int j = 1; j < static_cast<int>(grid[static_cast<std::size_t>(i)].size()); ++j) {
      const QTableWidgetItem* item = table_->item(i - 1, j - 1);
      grid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = item ? item->text() : QString();
    }
  return grid;
}

}  // namespace varnel
