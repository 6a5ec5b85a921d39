#include "app/dialogparts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QMainWindow>
#include <QToolBar>

namespace varnel {

QString FileNameOnly(const QString& path) { return QFileInfo(path).fileName(); }

QDialogButtonBox* AddDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& cancelCaption) {
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(QDialogButtonBox::Ok);
  buttons->addButton(cancelCaption, QDialogButtonBox::RejectRole);
  buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  return buttons;
}

QToolBar* AddFixedToolBar(QMainWindow* window, const QString& name) {
  QToolBar* bar = window->addToolBar(QStringLiteral("Tools"));
  bar->setObjectName(name);
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setIconSize(QSize(20, 20));
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  return bar;
}

}  // namespace varnel
