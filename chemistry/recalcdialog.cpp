#include "chemistry/recalcdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "chemistry/oxides.h"
#include "sheet/sheet.h"

namespace varnel {

namespace {

// A combo box in a list takes the mouse wheel only when it has the focus;
// otherwise the wheel scrolls the list, as it does over any other cell, and
// cannot change an oxide unseen.
class WheelToList : public QObject {
 public:
  explicit WheelToList(QAbstractScrollArea* list) : QObject(list), list_(list) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    auto* box = qobject_cast<QWidget*>(watched);
    if (box && box->hasFocus()) return false;
    QCoreApplication::sendEvent(list_->viewport(), event);
    return true;
  }

 private:
  QAbstractScrollArea* list_;
};

}  // namespace

TVN_Recalc::TVN_Recalc(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_Recalc"));
  setWindowTitle(QStringLiteral("Recalculate Analyses"));
  auto* top = new QHBoxLayout;
  auto* mapBox = new QGroupBox(QStringLiteral("Columns and their oxides"), this);
  auto* mapLayout = new QVBoxLayout(mapBox);
  RTableMapping = new QTableWidget(0, 2, mapBox);
  RTableMapping->setObjectName(QStringLiteral("RTableMapping"));
  RTableMapping->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Oxide")});
  RTableMapping->horizontalHeader()->setStretchLastSection(true);
  RTableMapping->verticalHeader()->setVisible(false);
  RTableMapping->setSelectionMode(QAbstractItemView::NoSelection);
  RTableMapping->setMinimumWidth(260);
  wheelToList_ = new WheelToList(RTableMapping);
  mapLayout->addWidget(RTableMapping);
  top->addWidget(mapBox, 1);

  auto* optBox = new QGroupBox(QStringLiteral("Compute"), this);
  auto* grid = new QGridLayout(optBox);
  int row = 0;
  auto* ironLabel = new QLabel(QStringLiteral("&Iron:"), optBox);
  grid->addWidget(ironLabel, row, 0);
  RCBIron = new QComboBox(optBox);
  ironLabel->setBuddy(RCBIron);
  RCBIron->setObjectName(QStringLiteral("RCBIron"));
  RCBIron->addItems({QStringLiteral("as given"), QStringLiteral("total iron as FeO"),
                     QStringLiteral("total iron as Fe2O3")});
  grid->addWidget(RCBIron, row++, 1, 1, 2);
  const auto check = [optBox](const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, optBox);
    box->setObjectName(QString::fromLatin1(name));
    return box;
  };
  RCheckNormalise = check("RCheckNormalise", QStringLiteral("&Normalise to 100 wt%"));
  grid->addWidget(RCheckNormalise, row++, 0, 1, 3);
  RCheckVolatileFree =
      check("RCheckVolatileFree", QStringLiteral("&volatile-free (H2O, CO2, SO3, LOI left out)"));
  grid->addWidget(RCheckVolatileFree, row++, 0, 1, 3, Qt::AlignLeft);
  RCheckVolatileFree->setContentsMargins(20, 0, 0, 0);
  RCheckMoles = check("RCheckMoles", QStringLiteral("&Molecular proportions (mol)"));
  grid->addWidget(RCheckMoles, row++, 0, 1, 3);
  RCheckCationProportions = check("RCheckCationProportions", QStringLiteral("Cation &proportions (cat)"));
  grid->addWidget(RCheckCationProportions, row++, 0, 1, 3);
  RCheckOxygens = check("RCheckOxygens", QStringLiteral("Cations per &oxygens:"));
  RSpinOxygens = new QSpinBox(optBox);
  RSpinOxygens->setObjectName(QStringLiteral("RSpinOxygens"));
  RSpinOxygens->setRange(1, 1000);
  RSpinOxygens->setValue(6);
  RCBBasis = new QComboBox(optBox);
  RCBBasis->setObjectName(QStringLiteral("RCBBasis"));
  RCBBasis->addItem(QStringLiteral("(common)"));
  for (const OxygenBasis& b : CommonOxygenBases())
    RCBBasis->addItem(QStringLiteral("%1 O: %2").arg(b.Oxygens).arg(QString::fromLatin1(b.Minerals)));
  grid->addWidget(RCheckOxygens, row, 0);
  grid->addWidget(RSpinOxygens, row, 1);
  grid->addWidget(RCBBasis, row++, 2);
  RCheckFe3 = check("RCheckFe3", QStringLiteral("&Fe3+ by charge balance, cations:"));
  RSpinCations = new QSpinBox(optBox);
  RSpinCations->setObjectName(QStringLiteral("RSpinCations"));
  RSpinCations->setRange(1, 1000);
  RSpinCations->setValue(4);
  grid->addWidget(RCheckFe3, row, 0);
  grid->addWidget(RSpinCations, row, 1);
  grid->addWidget(new QLabel(QStringLiteral("(Droop 1987)"), optBox), row++, 2);
  RCheckMgNumber = check("RCheckMgNumber", QStringLiteral("M&g# = 100 Mg / (Mg + Fe2+)"));
  grid->addWidget(RCheckMgNumber, row++, 0, 1, 3);
  RCheckAfm = check("RCheckAfm", QStringLiteral("&AFM coordinates"));
  grid->addWidget(RCheckAfm, row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  top->addWidget(optBox);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  auto* style = new QHBoxLayout;
  style->addWidget(new QLabel(QStringLiteral("Results:"), this));
  RRBShortest = new QRadioButton(QStringLiteral("&Exact (shortest text)"), this);
  RRBShortest->setObjectName(QStringLiteral("RRBShortest"));
  RRBDecimals = new QRadioButton(QStringLiteral("&Decimals:"), this);
  RRBDecimals->setObjectName(QStringLiteral("RRBDecimals"));
  RSpinDecimals = new QSpinBox(this);
  RSpinDecimals->setObjectName(QStringLiteral("RSpinDecimals"));
  RSpinDecimals->setRange(0, 17);
  RSpinDecimals->setValue(4);
  RRBShortest->setChecked(true);
  auto* group = new QButtonGroup(this);
  group->addButton(RRBShortest);
  group->addButton(RRBDecimals);
  style->addWidget(RRBShortest);
  style->addWidget(RRBDecimals);
  style->addWidget(RSpinDecimals);
  style->addStretch();
  layout->addLayout(style);
  AddDialogButtons(this, layout);

  connect(RCBBasis, &QComboBox::activated, this, [this](int index) {
    if (index < 1) return;
    const OxygenBasis& b = CommonOxygenBases()[static_cast<std::size_t>(index - 1)];
    RSpinOxygens->setValue(b.Oxygens);
    RCheckOxygens->setChecked(true);
    if (b.Cations > 0) RSpinCations->setValue(b.Cations);
  });
  for (QCheckBox* box : {RCheckNormalise, RCheckOxygens, RCheckFe3})
    connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
  RCheckOxygens->setChecked(true);
  UpdateEnabled();
}

void TVN_Recalc::UpdateEnabled() {
  RCheckVolatileFree->setEnabled(RCheckNormalise->isChecked());
  RSpinOxygens->setEnabled(RCheckOxygens->isChecked());
  RCBBasis->setEnabled(RCheckOxygens->isChecked());
  RCheckFe3->setEnabled(RCheckOxygens->isChecked());
  RSpinCations->setEnabled(RCheckOxygens->isChecked() && RCheckFe3->isChecked());
}

void TVN_Recalc::Prepare(const Sheet& sheet) {
  const std::vector<ColumnMapping> mapping = DefaultMapping(sheet);
  columns_.clear();
  // The boxes of an earlier showing go now: a replaced cell widget is only
  // deleted later, which under the dialog's own event loop means after it
  // closes, and until then the old box would lie over the new one.
  for (int r = 0; r < RTableMapping->rowCount(); ++r)
    if (QWidget* old = RTableMapping->cellWidget(r, 1)) {
      RTableMapping->removeCellWidget(r, 1);
      delete old;
    }
  RTableMapping->setRowCount(static_cast<int>(mapping.size()));
  const std::vector<Component>& all = Components();
  for (int r = 0; r < static_cast<int>(mapping.size()); ++r) {
    const ColumnMapping& m = mapping[static_cast<std::size_t>(r)];
    columns_.push_back(m.Column);
    const std::string_view name = sheet.Name(m.Column);
    auto* item = new QTableWidgetItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    item->setFlags(Qt::ItemIsEnabled);
    RTableMapping->setItem(r, 0, item);
    auto* box = new QComboBox(RTableMapping);
    box->addItem(QStringLiteral("(not used)"), -1);
    for (std::size_t k = 0; k < all.size(); ++k)
      box->addItem(QString::fromStdString(all[k].Formula), static_cast<int>(k));
    box->setCurrentIndex(m.Component + 1);
    box->setFocusPolicy(Qt::StrongFocus);
    box->installEventFilter(wheelToList_);
    RTableMapping->setCellWidget(r, 1, box);
  }
  RTableMapping->resizeColumnToContents(0);
}

int TVN_Recalc::MappingRows() const { return static_cast<int>(columns_.size()); }

int TVN_Recalc::RowComponent(int row) const {
  const auto* box = qobject_cast<QComboBox*>(RTableMapping->cellWidget(row, 1));
  return box ? box->currentData().toInt() : -1;
}

void TVN_Recalc::SetRowComponent(int row, int component) {
  if (auto* box = qobject_cast<QComboBox*>(RTableMapping->cellWidget(row, 1)))
    box->setCurrentIndex(component + 1);
}

std::vector<ColumnMapping> TVN_Recalc::Mapping() const {
  std::vector<ColumnMapping> out;
  for (int r = 0; r < MappingRows(); ++r)
    out.push_back({columns_[static_cast<std::size_t>(r)], RowComponent(r)});
  return out;
}

void TVN_Recalc::SetOptions(const RecalcOptions& o) {
  RCBIron->setCurrentIndex(static_cast<int>(o.Iron));
  RCheckNormalise->setChecked(o.Normalise);
  RCheckVolatileFree->setChecked(o.VolatileFree);
  RCheckMoles->setChecked(o.Moles);
  RCheckCationProportions->setChecked(o.CationProportions);
  RCheckOxygens->setChecked(o.Oxygens > 0);
  if (o.Oxygens > 0) RSpinOxygens->setValue(o.Oxygens);
  RCheckFe3->setChecked(o.Fe3ChargeBalance);
  if (o.Cations > 0) RSpinCations->setValue(o.Cations);
  RCheckMgNumber->setChecked(o.MgNumber);
  RCheckAfm->setChecked(o.Afm);
  UpdateEnabled();
}

RecalcOptions TVN_Recalc::Options() const {
  RecalcOptions o;
  o.Iron = static_cast<IronTotal>(RCBIron->currentIndex());
  o.Normalise = RCheckNormalise->isChecked();
  o.VolatileFree = o.Normalise && RCheckVolatileFree->isChecked();
  o.Moles = RCheckMoles->isChecked();
  o.CationProportions = RCheckCationProportions->isChecked();
  o.Oxygens = RCheckOxygens->isChecked() ? RSpinOxygens->value() : 0;
  o.Fe3ChargeBalance = o.Oxygens > 0 && RCheckFe3->isChecked();
  o.Cations = o.Fe3ChargeBalance ? RSpinCations->value() : 0;
  o.MgNumber = RCheckMgNumber->isChecked();
  o.Afm = RCheckAfm->isChecked();
  return o;
}

void TVN_Recalc::SetDecimals(int decimals) {
  if (decimals < 0) {
    RRBShortest->setChecked(true);
  } else {
    RRBDecimals->setChecked(true);
    RSpinDecimals->setValue(decimals);
  }
}

ResultStyle TVN_Recalc::Style(char decimalSeparator) const {
  ResultStyle s;
  s.Decimals = RRBDecimals->isChecked() ? RSpinDecimals->value() : -1;
  s.Separator = decimalSeparator;
  return s;
}

}  // namespace varnel
