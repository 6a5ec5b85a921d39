// Which DataSheet commands are enabled in which state.
#pragma once

#include <QString>
#include <optional>

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
  bool HasRecentFiles = false;

  bool WizardOnInputPage() const { return WizardOpen && WizardPage == 1; }
  bool WizardEarly() const { return !WizardOpen || WizardPage < 2; }
};

// Every command of the DataSheet's menus; the tool bar offers some of them.
enum class WsCommand {
  New,
  Open,
  Save,
  SaveAs,
  SaveSelection,
  Reopen,
  AppendFile,
  PrintSetup,
  Print,
  Description,
  Exit,
  Cut,
  Copy,
  Paste,
  PasteAsNewFile,
  Clear,
  SelectAll,
  Connect,
  Disconnect,
  Font,
  AdjustColumnWidths,
  ResetColumnWidths,
  HideToolbar,
  Preferences,
  AddCases,
  InsertCases,
  DeleteCases,
  IncludeSelected,
  ExcludeSelected,
  IncludeAll,
  ExcludeAll,
  ToggleSelected,
  ToggleAll,
  Filter,
  SendToWizard,
  CoordinateMapping,
  AddVariables,
  InsertVariables,
  DeleteVariables,
  Tag,
  Untag,
  Rename,
  NewVariableFromFormula,
  ReplaceValuesFromFormula,
  Recalculate,
  PlotIn,
  PlotInA,
  PlotInB,
  PlotInC,
  PlotInD,
  Svd,
  Inverse,
  AnalysisWizard,
  ShowTextPad,
  HelpTopics,
  Introduction,
  HelpOnHelp,
  About,
  WebSite,
};
inline constexpr int WsCommandCount = static_cast<int>(WsCommand::WebSite) + 1;

// The items of the grid's context menu.
enum class PopupItem {
  Cut,
  Copy,
  Paste,
  Clear,
  Separator1,
  Tag,
  Untag,
  Rename,
  PlotIn,
  PlotInA,
  PlotInB,
  PlotInC,
  PlotInD,
  AddVariables,
  InsertVariables,
  DeleteVariables,
  AdjustWidth,
  Separator2,
  Include,
  Exclude,
  Separator3,
  AddCases,
  InsertCases,
  DeleteCases,
  SendToWizard,
};
inline constexpr int PopupItemCount = static_cast<int>(PopupItem::SendToWizard) + 1;

// The object name of a command's menu item ("New1", "SVD1", ...), and back.
QString CommandName(WsCommand command);
std::optional<WsCommand> CommandByName(const QString& name);
QString PopupItemName(PopupItem item);
std::optional<PopupItem> PopupItemByName(const QString& name);

bool CommandEnabled(WsCommand command, const CommandContext& c);

struct PopupItemState {
  bool Visible = true;
  bool Enabled = true;
  bool operator==(const PopupItemState&) const = default;
};

// The grid's context menu, decided each time it opens.
PopupItemState PopupState(PopupItem item, const CommandContext& c);

}  // namespace varnel
