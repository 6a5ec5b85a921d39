#include "datasheet/namedialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace varnel {
namespace {

void AddButtons(QDialog* dialog, QVBoxLayout* layout, bool cancelMnemonic) {
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(QDialogButtonBox::Ok);
  buttons->addButton(cancelMnemonic ? QStringLiteral("&Cancel") : QStringLiteral("Cancel"),
                     QDialogButtonBox::RejectRole);
  buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace

TVN_EVName::TVN_EVName(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_EVName"));
  setWindowTitle(QStringLiteral("Edit Variable Name"));
  auto* layout = new QVBoxLayout(this);
  EVNameEdit = new QLineEdit(this);
  EVNameEdit->setObjectName(QStringLiteral("EVNameEdit"));
  EVNameEdit->setMinimumWidth(220);
  layout->addWidget(EVNameEdit);
  AddButtons(this, layout, false);
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
  AddButtons(this, layout, true);
}

}  // namespace varnel
