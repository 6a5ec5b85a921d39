#include "sheet/commandstate.h"

#include <array>

namespace varnel {
namespace {

// The names of the menu items, in the order of the enumeration.
constexpr std::array<const char*, WsCommandCount> CommandNames = {
    "New1",
    "Open1",
    "Save1",
    "SaveAs1",
    "SaveSelection1",
    "Reopen1",
    "AppendFile1",
    "PrintSetup1",
    "WSPrint1",
    "HeaderLine1",
    "Exit1",
    "Cut1",
    "Copy1",
    "PasteBlock1",
    "PasteFile1",
    "Clear1",
    "SelectAllCells1",
    "Connect1",
    "Disconnect1",
    "Font1",
    "AdjustColWidth1",
    "ResetDefaultColumnWidths1",
    "HideToolbar1",
    "Preferences1",
    "AddRows1",
    "InsertRows1",
    "DeleteRows1",
    "IncludeInPlot1",
    "ExcludeFromPlot1",
    "IncludeAll1",
    "ExcludeAll1",
    "ToggleCurrentRows1",
    "Toggleallrows1",
    "Filter1",
    "SendToMWizard1",
    "LinearMapping1",
    "AddColumns1",
    "InsertColumns1",
    "DeleteColumns1",
    "Tag1",
    "Untag1",
    "RenameCol1",
    "NewVariableFromFormula1",
    "ReplaceValuesFromFormula1",
    "Recalculate1",
    "PlotIn1",
    "A1",
    "B1",
    "C1",
    "D1",
    "SVD1",
    "Inverse1",
    "AnalysisWizard1",
    "ShowTextPad1",
    "HelpTopics1",
    "Quickstart1",
    "HelponHelp1",
    "About1",
    "WebSite1",
};

constexpr std::array<const char*, PopupItemCount> PopupNames = {
    "PMCut",        "PMCopy",       "PMPaste",        "PMClear",   "PMN1",      "PMTag",     "PMUntag",
    "PMRenameCol1", "PMPlotIn1",    "PMA1",           "PMB1",      "PMC1",      "PMD1",      "PMColAdd1",
    "PMColInsert1", "PMColDelete1", "PMAdjustWidth1", "PMN2",      "PMInclude", "PMExclude", "PMN3",
    "PMRowAdd1",    "PMRowInsert1", "PMRowDelete1",   "PMSendMW1",
};

}  // namespace

QString CommandName(WsCommand command) {
  return QString::fromLatin1(CommandNames[static_cast<std::size_t>(command)]);
}

std::optional<WsCommand> CommandByName(const QString& name) {
  for (int k = 0; k < WsCommandCount; ++k)
    if (name == QLatin1String(CommandNames[static_cast<std::size_t>(k)])) return static_cast<WsCommand>(k);
  return std::nullopt;
}

QString PopupItemName(PopupItem item) {
  return QString::fromLatin1(PopupNames[static_cast<std::size_t>(item)]);
}

std::optional<PopupItem> PopupItemByName(const QString& name) {
  for (int k = 0; k < PopupItemCount; ++k)
    if (name == QLatin1String(PopupNames[static_cast<std::size_t>(k)])) return static_cast<PopupItem>(k);
  return std::nullopt;
}

// Every command has its case and there is no default: a command added to
// the enumeration without a rule does not compile without a warning.
bool CommandEnabled(WsCommand command, const CommandContext& c) {
  using C = WsCommand;
  switch (command) {
    case C::New:
    case C::Open:
    case C::AppendFile:
      return !c.WizardOpen;
    case C::Reopen:
      return !c.WizardOpen && c.HasRecentFiles;
    case C::Save:
    case C::SaveAs:
    case C::Print:
      return !c.Blank;
    case C::SaveSelection:
    case C::Copy:
      return !c.Blank && !c.Editing;
    case C::Cut:
    case C::Clear:
      return !c.Blank && !c.Editing && !c.WizardOpen;
    case C::PasteAsNewFile:
      return c.ClipboardHasText && !c.WizardOpen;
    case C::Paste:
      return c.ClipboardHasText && !c.WizardOpen && !c.Editing;
    case C::Connect:
      return !c.Blank && !c.Connected;
    case C::Disconnect:
      return c.Connected;
    case C::IncludeSelected:
    case C::ExcludeSelected:
    case C::ToggleSelected:
      return c.RowsMode;
    case C::AddCases:
    case C::InsertCases:
    case C::DeleteCases:
      return c.RowsMode && !c.WizardOpen;
    case C::AddVariables:
    case C::InsertVariables:
    case C::DeleteVariables:
      return c.ColumnsMode && !c.WizardOpen;
    case C::Rename:
      return c.ColumnsMode && !c.WizardOpen && c.OneColumnWide;
    case C::NewVariableFromFormula:
    case C::Recalculate:
      return !c.WizardOpen && !c.Blank;
    case C::ReplaceValuesFromFormula:
      return c.ColumnsMode && c.OneColumnWide && !c.WizardOpen && !c.Blank;
    case C::Tag:
    case C::Untag:
      return c.ColumnsMode && c.WizardEarly();
    case C::Filter:
      return c.ColumnsMode && !c.Blank;
    case C::PlotIn:
    case C::PlotInA:
    case C::PlotInB:
    case C::PlotInC:
    case C::PlotInD:
      return c.Connected && c.ColumnsMode && !c.Blank;
    case C::CoordinateMapping:
    case C::Svd:
    case C::Inverse:
    case C::AnalysisWizard:
      return !c.WizardOpen && !c.Blank;
    case C::SendToWizard:
      return c.WizardOnInputPage();
    case C::PrintSetup:
    case C::Description:
    case C::Exit:
    case C::SelectAll:
    case C::Font:
    case C::AdjustColumnWidths:
    case C::ResetColumnWidths:
    case C::HideToolbar:
    case C::Preferences:
    case C::IncludeAll:
    case C::ExcludeAll:
    case C::ToggleAll:
    case C::ShowTextPad:
    case C::HelpTopics:
    case C::Introduction:
    case C::HelpOnHelp:
    case C::About:
    case C::WebSite:
      return true;
  }
  return true;
}

PopupItemState PopupState(PopupItem item, const CommandContext& c) {
  using P = PopupItem;
  const bool columns = c.ColumnsMode;
  const bool rows = c.RowsMode;
  switch (item) {
    case P::Cut:
    case P::Clear:
      return {true, !c.WizardOpen && !c.Blank};
    case P::Copy:
      return {true, !c.Blank};
    case P::Paste:
      return {true, c.ClipboardHasText && !c.WizardOpen};
    case P::Separator1:
    case P::AdjustWidth:
      return {columns, true};
    case P::Tag:
    case P::Untag:
      return {columns, c.WizardEarly()};
    case P::PlotIn:
      return {columns && c.Connected, true};
    case P::PlotInA:
    case P::PlotInB:
    case P::PlotInC:
    case P::PlotInD:
      return {true, true};
    case P::AddVariables:
    case P::InsertVariables:
    case P::DeleteVariables:
      return {columns && !c.WizardOpen, true};
    case P::Rename:
      return {columns && !c.WizardOpen, c.OneColumnWide};
    case P::Separator2:
    case P::Separator3:
    case P::Include:
    case P::Exclude:
      return {rows, true};
    case P::AddCases:
    case P::InsertCases:
    case P::DeleteCases:
      return {rows && !c.WizardOpen, true};
    case P::SendToWizard:
      return {c.WizardOnInputPage() && !c.Blank, true};
  }
  return {};
}

}  // namespace varnel
