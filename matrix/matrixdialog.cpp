#include "matrix/matrixdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogparts.h"
#include "app/prompter.h"
#include "controls/numericedit.h"
#include "sheet/sheet.h"

namespace varnel {

TVn_SVD::TVn_SVD(Prompter& prompter, QWidget* parent, bool inverse) : QDialog(parent) {
  setObjectName(inverse ? QStringLiteral("Vn_INV") : QStringLiteral("Vn_SVD"));
  setWindowTitle(inverse ? QStringLiteral("Matrix Inverse") : QStringLiteral("Singular Value Decomposition"));
  auto* layout = new QVBoxLayout(this);

  auto* names = new QGroupBox(QStringLiteral(" Case names "), this);
  auto* namesLayout = new QGridLayout(names);
  namesLayout->addWidget(new QLabel(QStringLiteral("Use names contained in:"), names), 0, 0);
  CBoxCaseNames = new QComboBox(names);
  CBoxCaseNames->setObjectName(QStringLiteral("CBoxCaseNames"));
  CBoxCaseNames->setMinimumWidth(140);
  namesLayout->addWidget(CBoxCaseNames, 0, 1);
  ChkBoxCaseNumbers = new QCheckBox(QStringLiteral(" &Output case numbers"), names);
  ChkBoxCaseNames = new QCheckBox(QStringLiteral(" Output case &names"), names);
  namesLayout->addWidget(ChkBoxCaseNumbers, 1, 0);
  namesLayout->addWidget(ChkBoxCaseNames, 1, 1);
  layout->addWidget(names);

  ChkBoxVarNames = new QCheckBox(QStringLiteral(" Output &variable names"), this);
  ChkBoxTranspose = new QCheckBox(QStringLiteral(" &Put rows into columns (transpose)"), this);
  ChkBoxVectorizeW = new QCheckBox(QStringLiteral(" Output &W matrix as a vector"), this);
  for (QCheckBox* box :
       {ChkBoxCaseNumbers, ChkBoxCaseNames, ChkBoxVarNames, ChkBoxTranspose, ChkBoxVectorizeW})
    box->setChecked(true);
  ChkBoxCaseNumbers->setObjectName(QStringLiteral("ChkBoxCaseNumbers"));
  ChkBoxCaseNames->setObjectName(QStringLiteral("ChkBoxCaseNames"));
  ChkBoxVarNames->setObjectName(QStringLiteral("ChkBoxVarNames"));
  ChkBoxTranspose->setObjectName(QStringLiteral("ChkBoxTranspose"));
  ChkBoxVectorizeW->setObjectName(QStringLiteral("ChkBoxVectorizeW"));
  layout->addWidget(ChkBoxVarNames);
  layout->addWidget(ChkBoxTranspose);
  layout->addWidget(ChkBoxVectorizeW);

  auto* format = new QGroupBox(QStringLiteral(" Output number format "), this);
  format->setObjectName(QStringLiteral("RadioGroup1"));
  auto* formatLayout = new QHBoxLayout(format);
  const char* styles[4] = {"&Short", "&Long", "&Max", "&Exp"};
  for (int k = 0; k < 4; ++k) {
    RadioGroup1[k] = new QRadioButton(QString::fromLatin1(styles[k]), format);
    formatLayout->addWidget(RadioGroup1[k]);
  }
  RadioGroup1[0]->setChecked(true);
  layout->addWidget(format);

  ThresholdGroup = new QGroupBox(QStringLiteral(" Zero threshold "), this);
  auto* thresholdLayout = new QHBoxLayout(ThresholdGroup);
  SVDEditThreshold = new NumericEdit(0, 99999999.9L, 16, ThresholdGroup);
  SVDEditThreshold->setObjectName(QStringLiteral("SVDEditThreshold"));
  SVDEditThreshold->SetInvalidMessage(QStringLiteral("Invalid zero threshold entry."), &prompter);
  SVDEditThreshold->SetValue(0.009L);
  thresholdLayout->addWidget(SVDEditThreshold);
  layout->addWidget(ThresholdGroup);

  AddDialogButtons(this, layout);

  if (inverse) {
    ChkBoxVectorizeW->hide();
    ThresholdGroup->hide();
  }
  connect(CBoxCaseNames, &QComboBox::currentIndexChanged, this, &TVn_SVD::CBoxCaseNamesChange);
}

void TVn_SVD::FormShow(const Sheet& sheet) {
  CBoxCaseNames->blockSignals(true);
  CBoxCaseNames->clear();
  int label = 0;
  for (int c = 0; c < sheet.ColCount(); ++c) {
    const std::string_view name = sheet.Name(c);
    CBoxCaseNames->addItem(c == 0 ? QStringLiteral("(None)")
                                  : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (c > 0 && label == 0 && name == "Label#") label = c;
  }
  CBoxCaseNames->setCurrentIndex(label);
  CBoxCaseNames->blockSignals(false);
  CBoxCaseNamesChange();
}

void TVn_SVD::CBoxCaseNamesChange() { ChkBoxCaseNames->setEnabled(CBoxCaseNames->currentIndex() > 0); }

int TVn_SVD::Style() const {
  for (int k = 0; k < 4; ++k)
    if (RadioGroup1[k]->isChecked()) return k;
  return 0;
}

void TVn_SVD::SetStyle(int style) { RadioGroup1[std::clamp(style, 0, 3)]->setChecked(true); }

MatrixReportOptions TVn_SVD::Options() const {
  MatrixReportOptions o;
  o.CaseNameColumn = std::max(CBoxCaseNames->currentIndex(), 0);
  o.CaseNumbers = ChkBoxCaseNumbers->isChecked();
  o.CaseNames = ChkBoxCaseNames->isChecked();
  o.VarNames = ChkBoxVarNames->isChecked();
  o.Transpose = ChkBoxTranspose->isChecked();
  o.VectorizeW = ChkBoxVectorizeW->isChecked();
  o.Style = Style();
  o.Threshold = SVDEditThreshold->Value();
  o.ThresholdText = SVDEditThreshold->text();
  return o;
}

bool TVn_SVD::Run(const Sheet& sheet, MatrixReportOptions& options) {
  FormShow(sheet);
  if (exec() != QDialog::Accepted) return false;
  options = Options();
  return true;
}

}  // namespace varnel
