#include "datasheet/commandstate.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

CommandContext Loaded() {
  CommandContext c;
  c.Blank = false;
  return c;
}

bool On(const char* name, const CommandContext& c) { return CommandEnabled(QString::fromLatin1(name), c); }

TEST(CommandState, ABlankSheetOffersOnlyWhatNeedsNoData) {
  const CommandContext blank;
  for (const char* name : {"New1", "Open1", "Reopen1", "AppendFile1", "Exit1", "Preferences1", "IncludeAll1"})
    EXPECT_TRUE(On(name, blank)) << name;
  for (const char* name :
       {"Save1",       "SaveAs1",        "WSPrint1",    "SaveSelection1", "Copy1",          "Cut1",
        "Clear1",      "Connect1",       "Disconnect1", "SVD1",           "LinearMapping1", "AnalysisWizard1",
        "PasteBlock1", "IncludeInPlot1", "AddRows1",    "AddColumns1",    "Tag1",           "Filter1",
        "PlotIn1",     "SendToMWizard1"})
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
  EXPECT_TRUE(On("WSTButtonSendToMAW", c));
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
  c.OneColumnWide = true;
  EXPECT_TRUE(On("RenameCol1", c));
  EXPECT_FALSE(On("PlotIn1", c));
  c.Connected = true;
  EXPECT_TRUE(On("PlotIn1", c));
  EXPECT_TRUE(On("WSTButtonPlotIn", c));
  EXPECT_FALSE(On("Connect1", c));
  EXPECT_TRUE(On("Disconnect1", c));
  c.WizardOpen = true;
  c.WizardPage = 1;
  EXPECT_TRUE(On("Tag1", c)) << "wizard still on an early page";
  c.WizardPage = 2;
  EXPECT_FALSE(On("Tag1", c));
  EXPECT_FALSE(On("RenameCol1", c));
}

TEST(CommandState, ContextMenuShowsColumnOrRowItemsByMode) {
  CommandContext c = Loaded();
  c.ColumnsMode = true;
  EXPECT_TRUE(PopupState(QStringLiteral("PMTag"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMInclude"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMPlotIn1"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMRenameCol1"), c).Enabled);
  c.Connected = true;
  EXPECT_TRUE(PopupState(QStringLiteral("PMPlotIn1"), c).Visible);
  c.WizardOpen = true;
  c.WizardPage = 3;
  EXPECT_FALSE(PopupState(QStringLiteral("PMColAdd1"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMTag"), c).Enabled);
  EXPECT_FALSE(PopupState(QStringLiteral("PMCut"), c).Enabled);
  EXPECT_TRUE(PopupState(QStringLiteral("PMCopy"), c).Enabled);

  c = Loaded();
  c.RowsMode = true;
  EXPECT_TRUE(PopupState(QStringLiteral("PMInclude"), c).Visible);
  EXPECT_TRUE(PopupState(QStringLiteral("PMRowDelete1"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMTag"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMSendMW1"), c).Visible);
  c.WizardOpen = true;
  c.WizardPage = 1;
  EXPECT_TRUE(PopupState(QStringLiteral("PMSendMW1"), c).Visible);
  EXPECT_FALSE(PopupState(QStringLiteral("PMRowDelete1"), c).Visible);
}

}  // namespace
}  // namespace varnel
