// Which DataSheet commands are enabled in which state.
#pragma once

#include <QString>

namespace varnel {

struct CommandContext {
  bool WizardOpen = false;
  bool Blank = true;
  bool Editing = false;
  bool ClipboardHasText = false;
  bool Connected = false;
  bool RowsMode = false;
  bool ColumnsMode = false;
  int WizardPage = -1;  // the page the wizard shows, -1 when closed
  bool OneColumnWide = false;

  bool WizardOnInputPage() const { return WizardOpen && WizardPage == 1; }
  bool WizardEarly() const { return !WizardOpen || WizardPage < 2; }
};

// The enabled state of a menu item or tool button by its name; commands the
// table does not name are always enabled.
bool CommandEnabled(const QString& name, const CommandContext& c);

struct PopupItemState {
  bool Visible = true;
  bool Enabled = true;
};

// The grid's context menu, decided each time it opens.
PopupItemState PopupState(const QString& name, const CommandContext& c);

}  // namespace varnel
