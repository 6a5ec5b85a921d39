// Pieces every window and dialog of the program shares.
#pragma once

#include <QString>
#include <QStringList>

class QBoxLayout;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QToolBar;
class QMainWindow;

namespace varnel {

// What Help says while there is no help to show, naming the README when the
// installation has one.
QString HelpNotInstalledText();

// OK, Cancel and Help at the foot of a dialog: OK accepts, Cancel rejects,
// Help (and F1) say what the Help menu says.
QDialogButtonBox* AddDialogButtons(QDialog* dialog, QBoxLayout* layout,
                                   const QString& cancelCaption = QStringLiteral("&Cancel"));

// A fixed tool bar of flat 20-pixel buttons with no context menu.
QToolBar* AddFixedToolBar(QMainWindow* window, const QString& name);

// Shows items in a list box, refilled only when they differ from what it
// holds (so its open list and place stay), and selects index (clamped to the
// list), all without the box's change signals.
void ShowListItems(QComboBox* box, const QStringList& items, int index);

}  // namespace varnel
