#include "datasheet/namedialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogparts.h"

namespace varnel {

TVN_EVName::TVN_EVName(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_EVName"));
  setWindowTitle(QStringLiteral("Edit Variable Name"));
  auto* layout = new QVBoxLayout(this);
  EVNameEdit = new QLineEdit(this);
  EVNameEdit->setObjectName(QStringLiteral("EVNameEdit"));
  EVNameEdit->setMinimumWidth(220);
  layout->addWidget(EVNameEdit);
  AddDialogButtons(this, layout, QStringLiteral("Cancel"));
}

TVN_EditHeaderLine::TVN_EditHeaderLine(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_EditHeaderLine"));
  setWindowTitle(QStringLiteral("File Description"));
  auto* layout = new QVBoxLayout(this);
  Caption = new QLabel(this);
  layout->addWidget(Caption);
  EditHeaderLine = new QLineEdit(this);
  EditHeaderLine->setObjectName(QStringLiteral("EditHeaderLine"));
  EditHeaderLine->setMaxLength(255);
  EditHeaderLine->setMinimumWidth(360);
  layout->addWidget(EditHeaderLine);
  AddDialogButtons(this, layout);
}

}  // namespace varnel
