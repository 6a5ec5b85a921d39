#include "sheet/commandstate.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

CommandContext Loaded() {
  CommandContext c;
  c.Blank = false;
  return c;
}

// A misspelt name fails the test instead of reading as "always enabled".
bool On(const char* name, const CommandContext& c) {
  const std::optional<WsCommand> command = CommandByName(QString::fromLatin1(name));
  EXPECT_TRUE(command.has_value()) << "no command named " << name;
  return command && CommandEnabled(*command, c);
}

PopupItemState Popup(const char* name, const CommandContext& c) {
  const std::optional<PopupItem> item = PopupItemByName(QString::fromLatin1(name));
  EXPECT_TRUE(item.has_value()) << "no context menu item named " << name;
  return item ? PopupState(*item, c) : PopupItemState{false, false};
}

TEST(CommandState, EveryCommandHasOneNameAndBack) {
  for (int k = 0; k < WsCommandCount; ++k) {
    const auto command = static_cast<WsCommand>(k);
    EXPECT_EQ(CommandByName(CommandName(command)), command) << CommandName(command).toStdString();
  }
  for (int k = 0; k < PopupItemCount; ++k) {
    const auto item = static_cast<PopupItem>(k);
    EXPECT_EQ(PopupItemByName(PopupItemName(item)), item) << PopupItemName(item).toStdString();
  }
  EXPECT_FALSE(CommandByName(QStringLiteral("Sve1")).has_value());
}

TEST(CommandState, ABlankSheetOffersOnlyWhatNeedsNoData) {
  const CommandContext blank;
  CommandContext blankWithHistory;
  blankWithHistory.HasRecentFiles = true;
  EXPECT_TRUE(On("Reopen1", blankWithHistory));
  for (const char* name : {"New1", "Open1", "AppendFile1", "Exit1", "Preferences1", "IncludeAll1"})
    EXPECT_TRUE(On(name, blank)) << name;
  EXPECT_FALSE(On("Reopen1", CommandContext{})) << "nothing to reopen";
  for (const char* name : {"Save1",
                           "SaveAs1",
                           "WSPrint1",
                           "SaveSelection1",
                           "Copy1",
                           "Cut1",
                           "Clear1",
                           "Connect1",
                           "Disconnect1",
                           "SVD1",
                           "LinearMapping1",
                           "AnalysisWizard1",
                           "PasteBlock1",
                           "IncludeInPlot1",
                           "AddRows1",
                           "AddColumns1",
                           "Tag1",
                           "Filter1",
                           "PlotIn1",
                           "SendToMWizard1",
                           "NewVariableFromFormula1",
                           "ReplaceValuesFromFormula1",
                           "Recalculate1"})
    EXPECT_FALSE(On(name, blank)) << name;
}

TEST(CommandState, EditingAndTheWizardTakeAwayWhatWouldDisturbThem) {
  CommandContext c = Loaded();
  c.ClipboardHasText = true;
  EXPECT_TRUE(On("Copy1", c));
  EXPECT_TRUE(On("Cut1", c));
  EXPECT_TRUE(On("PasteBlock1", c));
  EXPECT_TRUE(On("PasteFile1", c));
  c.Editing = true;
  EXPECT_FALSE(On("Copy1", c));
  EXPECT_FALSE(On("Cut1", c));
  EXPECT_FALSE(On("PasteBlock1", c));
  EXPECT_TRUE(On("PasteFile1", c));
  EXPECT_TRUE(On("Save1", c));
  c.Editing = false;
  c.WizardOpen = true;
  c.WizardPage = 0;
  EXPECT_TRUE(On("Copy1", c));
  EXPECT_FALSE(On("Cut1", c));
  EXPECT_FALSE(On("New1", c));
  EXPECT_FALSE(On("PasteFile1", c));
  EXPECT_FALSE(On("SVD1", c));
  EXPECT_FALSE(On("AnalysisWizard1", c));
  EXPECT_FALSE(On("SendToMWizard1", c));
  c.WizardPage = 1;
  EXPECT_TRUE(On("SendToMWizard1", c));
}

TEST(CommandState, CaseAndVariableCommandsFollowTheSelectionMode) {
  CommandContext c = Loaded();
  c.RowsMode = true;
  for (const char* name :
       {"IncludeInPlot1", "ExcludeFromPlot1", "ToggleCurrentRows1", "AddRows1", "InsertRows1", "DeleteRows1"})
    EXPECT_TRUE(On(name, c)) << name;
  EXPECT_FALSE(On("AddColumns1", c));
  EXPECT_FALSE(On("Tag1", c));
  c.WizardOpen = true;
  EXPECT_TRUE(On("IncludeInPlot1", c));
  EXPECT_FALSE(On("AddRows1", c));

  c = Loaded();
  c.ColumnsMode = true;
  EXPECT_TRUE(On("AddColumns1", c));
  EXPECT_TRUE(On("Filter1", c));
  EXPECT_TRUE(On("Tag1", c));
  EXPECT_FALSE(On("RenameCol1", c)) << "two or more columns";
  EXPECT_FALSE(On("ReplaceValuesFromFormula1", c)) << "two or more columns";
  c.OneColumnWide = true;
  EXPECT_TRUE(On("RenameCol1", c));
  EXPECT_TRUE(On("ReplaceValuesFromFormula1", c));
  EXPECT_TRUE(On("NewVariableFromFormula1", c));
  EXPECT_TRUE(On("Recalculate1", c));
  EXPECT_FALSE(On("PlotIn1", c));
  c.Connected = true;
  EXPECT_TRUE(On("PlotIn1", c));
  EXPECT_TRUE(On("B1", c));
  EXPECT_FALSE(On("Connect1", c));
  EXPECT_TRUE(On("Disconnect1", c));
  c.WizardOpen = true;
  c.WizardPage = 1;
  EXPECT_TRUE(On("Tag1", c)) << "wizard still on an early page";
  c.WizardPage = 2;
  EXPECT_FALSE(On("Tag1", c));
  EXPECT_FALSE(On("RenameCol1", c));
  for (const char* name : {"NewVariableFromFormula1", "ReplaceValuesFromFormula1", "Recalculate1"})
    EXPECT_FALSE(On(name, c)) << name << " adds or rewrites variables";
}

TEST(CommandState, ContextMenuShowsColumnOrRowItemsByMode) {
  CommandContext c = Loaded();
  c.ColumnsMode = true;
  EXPECT_TRUE(Popup("PMTag", c).Visible);
  EXPECT_FALSE(Popup("PMInclude", c).Visible);
  EXPECT_FALSE(Popup("PMPlotIn1", c).Visible);
  EXPECT_FALSE(Popup("PMRenameCol1", c).Enabled);
  c.Connected = true;
  EXPECT_TRUE(Popup("PMPlotIn1", c).Visible);
  c.WizardOpen = true;
  c.WizardPage = 3;
  EXPECT_FALSE(Popup("PMColAdd1", c).Visible);
  EXPECT_FALSE(Popup("PMTag", c).Enabled);
  EXPECT_FALSE(Popup("PMCut", c).Enabled);
  EXPECT_TRUE(Popup("PMCopy", c).Enabled);

  c = Loaded();
  c.RowsMode = true;
  EXPECT_TRUE(Popup("PMInclude", c).Visible);
  EXPECT_TRUE(Popup("PMRowDelete1", c).Visible);
  EXPECT_FALSE(Popup("PMTag", c).Visible);
  EXPECT_FALSE(Popup("PMSendMW1", c).Visible);
  c.WizardOpen = true;
  c.WizardPage = 1;
  EXPECT_TRUE(Popup("PMSendMW1", c).Visible);
  EXPECT_FALSE(Popup("PMRowDelete1", c).Visible);
}

}  // namespace
}  // namespace varnel
