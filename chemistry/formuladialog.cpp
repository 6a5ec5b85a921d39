#include "chemistry/formuladialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "chemistry/formula.h"
#include "sheet/sheet.h"

namespace varnel {

TVN_Formula::TVN_Formula(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_Formula"));
  auto* layout = new QVBoxLayout(this);
  FLabelTarget = new QLabel(this);
  FLabelTarget->setObjectName(QStringLiteral("FLabelTarget"));
  FEditName = new QLineEdit(this);
  FEditName->setObjectName(QStringLiteral("FEditName"));
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(FLabelTarget);
  nameRow->addWidget(FEditName, 1);
  layout->addLayout(nameRow);

  auto* formulaLabel = new QLabel(QStringLiteral("&Formula:"), this);
  FEditFormula = new QLineEdit(this);
  FEditFormula->setObjectName(QStringLiteral("FEditFormula"));
  FEditFormula->setMinimumWidth(420);
  FEditFormula->setPlaceholderText(QStringLiteral("e.g. Na2O + K2O  or  100 * [MgO (wt%)] / 40.304"));
  formulaLabel->setBuddy(FEditFormula);
  layout->addWidget(formulaLabel);
  layout->addWidget(FEditFormula);

  auto* listLabel = new QLabel(QStringLiteral("&Variables (double-click to insert):"), this);
  FListVariables = new QListWidget(this);
  FListVariables->setObjectName(QStringLiteral("FListVariables"));
  FListVariables->setMinimumHeight(120);
  listLabel->setBuddy(FListVariables);
  layout->addWidget(listLabel);
  layout->addWidget(FListVariables, 1);
  connect(FListVariables, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { InsertVariable(FListVariables->row(item)); });

  auto* help = new QLabel(
      QStringLiteral("+ - * / ^ ( ), sqrt exp ln log10 abs min max sum mean, if(condition, a, b),\n"
                     "= <> < > <= >= and or. Names that are not plain words go in brackets: [SiO2 (wt%)]."),
      this);
  help->setObjectName(QStringLiteral("FLabelHelp"));
  layout->addWidget(help);

  auto* style = new QHBoxLayout;
  style->addWidget(new QLabel(QStringLiteral("Results:"), this));
  FRBShortest = new QRadioButton(QStringLiteral("&Exact (shortest text)"), this);
  FRBShortest->setObjectName(QStringLiteral("FRBShortest"));
  FRBDecimals = new QRadioButton(QStringLiteral("&Decimals:"), this);
  FRBDecimals->setObjectName(QStringLiteral("FRBDecimals"));
  FSpinDecimals = new QSpinBox(this);
  FSpinDecimals->setObjectName(QStringLiteral("FSpinDecimals"));
  FSpinDecimals->setRange(0, 17);
  FSpinDecimals->setValue(4);
  FRBShortest->setChecked(true);
  auto* group = new QButtonGroup(this);
  group->addButton(FRBShortest);
  group->addButton(FRBDecimals);
  style->addWidget(FRBShortest);
  style->addWidget(FRBDecimals);
  style->addWidget(FSpinDecimals);
  style->addStretch();
  layout->addLayout(style);
  AddDialogButtons(this, layout);
}

void TVN_Formula::Prepare(const Sheet& sheet, int column) {
  column_ = column;
  FListVariables->clear();
  for (int c = 1; c < sheet.ColCount(); ++c) {
    const std::string_view name = sheet.Name(c);
    FListVariables->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  if (column == 0) {
    setWindowTitle(QStringLiteral("New Variable From Formula"));
    FLabelTarget->setText(QStringLiteral("&Name of the new variable:"));
    FLabelTarget->setBuddy(FEditName);
    FEditName->setVisible(true);
  } else {
    setWindowTitle(QStringLiteral("Replace Values From Formula"));
    const std::string_view name = sheet.Name(column);
    FLabelTarget->setText(QStringLiteral("New values of the variable %1")
                              .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
    FEditName->setVisible(false);
  }
  FEditFormula->setFocus();
}

void TVN_Formula::SetFormula(const QString& text) { FEditFormula->setText(text); }
void TVN_Formula::SetName(const QString& name) { FEditName->setText(name); }

void TVN_Formula::SetDecimals(int decimals) {
  if (decimals < 0) {
    FRBShortest->setChecked(true);
  } else {
    FRBDecimals->setChecked(true);
    FSpinDecimals->setValue(decimals);
  }
}

void TVN_Formula::InsertVariable(int row) {
  QListWidgetItem* item = FListVariables->item(row);
  if (!item) return;
  FEditFormula->insert(QString::fromStdString(FormulaName(item->text().toStdString())));
  FEditFormula->setFocus();
}

FormulaRequest TVN_Formula::Request(char decimalSeparator) const {
  FormulaRequest r;
  r.Text = FEditFormula->text().toStdString();
  r.NewVariable = column_ == 0;
  r.Name = FEditName->text().trimmed().toStdString();
  r.Column = column_;
  r.Style.Decimals = FRBDecimals->isChecked() ? FSpinDecimals->value() : -1;
  r.Style.Separator = decimalSeparator;
  return r;
}

}  // namespace varnel
