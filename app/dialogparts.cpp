#include "app/dialogparts.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolBar>
#include <algorithm>

#include "app/help.h"

namespace varnel {

QDialogButtonBox* AddDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& cancelCaption) {
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(QDialogButtonBox::Ok);
  buttons->addButton(cancelCaption, QDialogButtonBox::RejectRole);
  buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  // The Help button and F1 open the dialog's page of the manual, found by
  // the dialog's form name.
  const auto help = [dialog] { ShowHelp(HelpSectionOfForm(dialog->objectName())); };
  QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog, help);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, dialog);
  QObject::connect(f1, &QShortcut::activated, dialog, help);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  return buttons;
}

QRect AvailableArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
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

void ShowListItems(QComboBox* box, const QStringList& items, int index) {
  const QSignalBlocker block(box);
  bool same = box->count() == items.size();
  for (int k = 0; same && k < items.size(); ++k) same = box->itemText(k) == items[k];
  if (!same) {
    box->clear();
    box->addItems(items);
  }
  box->setCurrentIndex(items.isEmpty() ? -1 : std::clamp(index, 0, static_cast<int>(items.size()) - 1));
}

}  // namespace varnel
