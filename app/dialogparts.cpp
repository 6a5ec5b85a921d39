#include "app/dialogparts.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMainWindow>
#include <QMessageBox>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolBar>
#include <algorithm>

#include "app/programfolder.h"
#include "app/prompter.h"

namespace varnel {

QString HelpNotInstalledText() {
  QString text = QStringLiteral(
      "The Varnel help is not installed on this system.\n\r"
      "The README file that comes with Varnel describes the program.");
  const QString readme = ReadmePath();
  if (!readme.isEmpty()) text += QStringLiteral("\n\r") + readme;
  return text;
}

QDialogButtonBox* AddDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& cancelCaption) {
  auto* buttons = new QDialogButtonBox(dialog);
  buttons->addButton(QDialogButtonBox::Ok);
  buttons->addButton(cancelCaption, QDialogButtonBox::RejectRole);
  buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  // The Help button and F1 say what the Help menu says.
  const auto help = [dialog] {
    QMessageBox::information(dialog, QStringLiteral("Varnel"), DisplayText(HelpNotInstalledText()));
  };
  QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog, help);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, dialog);
  QObject::connect(f1, &QShortcut::activated, dialog, help);
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
