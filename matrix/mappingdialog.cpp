#include "matrix/mappingdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/dialogparts.h"
#include "app/numberlocale.h"
#include "app/prompter.h"
#include "controls/numericedit.h"
#include "core/numberread.h"
#include "core/rowweight.h"
#include "sheet/sheet.h"

namespace varnel {

TVN_LMapd::TVN_LMapd(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
  setObjectName(QStringLiteral("VN_LMapd"));
  setWindowTitle(QStringLiteral("Coordinate Mapping"));
  auto* layout = new QVBoxLayout(this);
  LMPInfo = new QLabel(this);
  LMPInfo->setObjectName(QStringLiteral("LMPInfo"));
  LMPInfo->setFrameShape(QFrame::StyledPanel);
  LMPInfo->setAlignment(Qt::AlignCenter);
  layout->addWidget(LMPInfo);

  auto* options = new QGroupBox(QStringLiteral(" Options "), this);
  auto* optionsLayout = new QVBoxLayout(options);
  auto* namesRow = new QHBoxLayout;
  namesRow->addWidget(new QLabel(QStringLiteral("New variable names are in:"), options));
  LMCBoxNewVarNames = new QComboBox(options);
  LMCBoxNewVarNames->setObjectName(QStringLiteral("LMCBoxNewVarNames"));
  LMCBoxNewVarNames->setMinimumWidth(140);
  namesRow->addWidget(LMCBoxNewVarNames);
  optionsLayout->addLayout(namesRow);
  LMCheckBoxComputeAll = new QCheckBox(QStringLiteral("Map &all cases"), options);
  optionsLayout->addWidget(LMCheckBoxComputeAll);
  auto* thresholdRow = new QHBoxLayout;
  thresholdRow->addWidget(new QLabel(QStringLiteral("Zero Threshold:"), options));
  LMFEditZeroThreshold = new NumericEdit(0, 99999999.9L, 17, options);
  LMFEditZeroThreshold->setObjectName(QStringLiteral("LMFEditZeroThreshold"));
  LMFEditZeroThreshold->SetInvalidMessage(QStringLiteral("Invalid zero threshold entry."), &prompter);
  LMFEditZeroThreshold->SetValue(0.0009L);
  thresholdRow->addWidget(LMFEditZeroThreshold);
  LMChkBComputational = new QCheckBox(QStringLiteral("&Computational"), options);
  thresholdRow->addWidget(LMChkBComputational);
  optionsLayout->addLayout(thresholdRow);
  layout->addWidget(options);

  Panel2 = new QLabel(QStringLiteral("Weighting factors for old variables (components)"), this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  layout->addWidget(Panel2);
  LMStringGridWeights = new QTableWidget(2, 0, this);
  LMStringGridWeights->setObjectName(QStringLiteral("LMStringGridWeights"));
  LMStringGridWeights->horizontalHeader()->hide();
  LMStringGridWeights->verticalHeader()->hide();
  LMStringGridWeights->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  LMStringGridWeights->setFixedHeight(2 * (fontMetrics().height() + 4) + 24);
  LMStringGridWeights->installEventFilter(this);
  layout->addWidget(LMStringGridWeights);
  connect(LMStringGridWeights, &QTableWidget::cellChanged, this, [this](int row, int column) {
    if (row == 1) LMStringGridWeightsSetEditText(column, LMStringGridWeights->item(1, column)->text());
  });

  QDialogButtonBox* buttons = AddDialogButtons(this, layout);
  // The weights are checked before OK closes the dialog.
  disconnect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    LMStringGridWeightsExit();
    accept();
  });
  connect(LMChkBComputational, &QCheckBox::toggled, this, &TVN_LMapd::LMChkBComputationalClick);
}

void TVN_LMapd::Prepare(const Sheet& sheet, int nOld, int nNew, bool weighted, const IVector& list,
                        const std::vector<Real>& weights) {
  LMCBoxNewVarNames->clear();
  int label = 0;
  for (int c = 0; c < sheet.ColCount(); ++c) {
    const std::string_view name = sheet.Name(c);
    LMCBoxNewVarNames->addItem(c == 0 ? QStringLiteral("(None)")
                                      : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (c > 0 && label == 0 && name == "Label#") label = c;
  }
  LMCBoxNewVarNames->setCurrentIndex(label);
  weights_ = weights;
  names_.clear();
  for (int k = 1; k <= nOld; ++k) {
    const std::string_view name = sheet.Name(list[k]);
    names_ << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  }
  if (weighted) {
    LMPInfo->setText(
        QStringLiteral("Old (untagged) variables: %1  <-->  New variables: %2").arg(nOld).arg(nNew));
    LMStringGridWeights->blockSignals(true);
    LMStringGridWeights->setColumnCount(nOld);
    for (int c = 0; c < nOld; ++c) {
      auto* name = new QTableWidgetItem(names_[c]);
      name->setFlags(name->flags() & ~Qt::ItemIsEditable);
      LMStringGridWeights->setItem(0, c, name);
    }
    LMStringGridWeights->blockSignals(false);
    WriteWeights();
    // Every weight column shows whole, and the grid is as wide as they are
    // (up to the screen's width, past which it scrolls).
    LMStringGridWeights->resizeColumnsToContents();
    int width = 2 * LMStringGridWeights->frameWidth() + 4;
    for (int c = 0; c < nOld; ++c) width += LMStringGridWeights->columnWidth(c);
    const QScreen* screen = this->screen();
    const int most = screen ? screen->availableGeometry().width() * 9 / 10 : 1200;
    LMStringGridWeights->setMinimumWidth(std::min(width, most));
  } else {
    LMPInfo->setText(QStringLiteral("Old (untagged) variables: %1 -- New variables: %2").arg(nOld).arg(nNew));
    LMStringGridWeights->setColumnCount(0);
  }
  Panel2->setVisible(weighted);
  LMStringGridWeights->setVisible(weighted);
  adjustSize();
}

void TVN_LMapd::WriteWeights() {
  LMStringGridWeights->blockSignals(true);
  for (int c = 0; c < static_cast<int>(weights_.size()) && c < LMStringGridWeights->columnCount(); ++c)
    LMStringGridWeights->setItem(
        1, c,
        new QTableWidgetItem(QString::fromStdString(GeneralNumberText(weights_[c], DecimalSeparator()))));
  LMStringGridWeights->blockSignals(false);
}

void TVN_LMapd::LMStringGridWeightsSetEditText(int column, const QString& text) {
  if (column < 0 || column >= static_cast<int>(weights_.size())) return;
  Real v;
  if (ReadNumber(text.toStdString(), DecimalSeparator(), v)) weights_[static_cast<std::size_t>(column)] = v;
}

void TVN_LMapd::LMStringGridWeightsExit() {
  for (std::size_t k = 0; k < weights_.size(); ++k) {
    bool zeroed = false;
    weights_[k] = UsableRowWeight(weights_[k], zeroed);
    if (zeroed)
      prompter_.Message(BoxKind::Warning,
                        QString::fromStdString(ZeroRowWeightMessage(
                            names_.value(static_cast<int>(k)).toStdString(), WeightWarning::Mapping)),
                        Only(Button::Ok));
  }
  WriteWeights();
}

void TVN_LMapd::LMChkBComputationalClick() {
  LMFEditZeroThreshold->setEnabled(!LMChkBComputational->isChecked());
}

bool TVN_LMapd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LMStringGridWeights && event->type() == QEvent::FocusOut) LMStringGridWeightsExit();
  return QDialog::eventFilter(watched, event);
}

MappingOptions TVN_LMapd::Options() const {
  MappingOptions o;
  o.NamesColumn = std::max(LMCBoxNewVarNames->currentIndex(), 0);
  o.MapAll = LMCheckBoxComputeAll->isChecked();
  o.Computational = LMChkBComputational->isChecked();
  o.Threshold = LMFEditZeroThreshold->Value();
  o.Weights = weights_;
  return o;
}

}  // namespace varnel
