// Pieces every window and dialog of the program shares.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QBoxLayout;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QToolBar;
class QMainWindow;

namespace varnel {


// OK, Cancel and Help at the foot of a dialog: OK accepts, Cancel rejects,
// Help (and F1) open the dialog's page of the manual (see app/help.h).
QDialogButtonBox* AddDialogButtons(QDialog* dialog, QBoxLayout* layout,
                                   const QString& cancelCaption = QStringLiteral("&Cancel"));

// The part of the primary screen that windows may take (without panels and
// docks of the desktop).
QRect AvailableArea();

// A fixed tool bar of flat 20-pixel buttons with no context menu.
QToolBar* AddFixedToolBar(QMainWindow* window, const QString& name);

// Shows items in a list box, refilled only when they differ from what it
// holds (so its open list and place stay), and selects index (clamped to the
// list), all without the box's change signals.
void ShowListItems(QComboBox* box, const QStringList& items, int index);

}  // namespace varnel
