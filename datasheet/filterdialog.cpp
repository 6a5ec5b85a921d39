#include "datasheet/filterdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

QComboBox* Operators(QWidget* parent, const char* name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems({QStringLiteral("(None)"), QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"),
                 QStringLiteral(">="), QStringLiteral("<="), QStringLiteral("<>")});
  return box;
}

QComboBox* Values(QWidget* parent, const char* name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  // A value typed is the value meant: 10 must not become 10.59 from the list.
  box->setCompleter(nullptr);
  box->setMinimumWidth(160);
  return box;
}

}  // namespace

TVN_Filter::TVN_Filter(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_Filter"));
  setWindowTitle(QStringLiteral("Filter Cases"));
  auto* layout = new QVBoxLayout(this);
  auto* mode = new QHBoxLayout;
  FRBInclude = new QRadioButton(QStringLiteral(" &Include"), this);
  FRBExclude = new QRadioButton(QStringLiteral(" &Exclude"), this);
  FRBInclude->setChecked(true);
  mode->addWidget(FRBInclude);
  mode->addWidget(FRBExclude);
  mode->addWidget(new QLabel(QStringLiteral("the cases where: "), this));
  mode->addStretch();
  layout->addLayout(mode);

  FGroupBoxVarName = new QGroupBox(this);
  FGroupBoxVarName->setObjectName(QStringLiteral("FGroupBoxVarName"));
  auto* grid = new QGridLayout(FGroupBoxVarName);
  FCBRelOp1 = Operators(FGroupBoxVarName, "FCBRelOp1");
  FCBValue1 = Values(FGroupBoxVarName, "FCBValue1");
  grid->addWidget(FCBRelOp1, 0, 0);
  grid->addWidget(FCBValue1, 0, 1);
  auto* combine = new QHBoxLayout;
  FRBAnd = new QRadioButton(QStringLiteral(" &And"), FGroupBoxVarName);
  FRBOr = new QRadioButton(QStringLiteral(" &Or"), FGroupBoxVarName);
  FRBAnd->setChecked(true);
  combine->addWidget(FRBAnd);
  combine->addWidget(FRBOr);
  combine->addStretch();
  grid->addLayout(combine, 1, 0, 1, 2);
  FCBRelOp2 = Operators(FGroupBoxVarName, "FCBRelOp2");
  FCBValue2 = Values(FGroupBoxVarName, "FCBValue2");
  grid->addWidget(FCBRelOp2, 2, 0);
  grid->addWidget(FCBValue2, 2, 1);
  layout->addWidget(FGroupBoxVarName);

  FCheckBValidateSubstring = new QCheckBox(QStringLiteral(" &Validate Substrings"), this);
  layout->addWidget(FCheckBValidateSubstring);

  AddDialogButtons(this, layout);
}

void TVN_Filter::Prepare(const Sheet& sheet, int col) {
  const std::string_view name = sheet.Name(col);
  FGroupBoxVarName->setTitle(QLatin1Char(' ') +
                             QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                             QLatin1Char(' '));
  FCBRelOp1->setCurrentIndex(0);
  FCBRelOp2->setCurrentIndex(0);
  const QStringList values = FilterValues(sheet, col);
  for (QComboBox* box : {FCBValue1, FCBValue2}) {
    box->clear();
    box->addItems(values);
  }
}

std::optional<FilterCondition> TVN_Filter::First(char decimalSeparator) const {
  if (FCBRelOp1->currentIndex() <= 0) return std::nullopt;
  return FilterCondition::Make(FCBRelOp1->currentIndex(), FCBValue1->currentText().toStdString(),
                               FCheckBValidateSubstring->isChecked(), decimalSeparator);
}

std::optional<FilterCondition> TVN_Filter::Second(char decimalSeparator) const {
  if (FCBRelOp2->currentIndex() <= 0) return std::nullopt;
  return FilterCondition::Make(FCBRelOp2->currentIndex(), FCBValue2->currentText().toStdString(),
                               FCheckBValidateSubstring->isChecked(), decimalSeparator);
}

}  // namespace varnel
