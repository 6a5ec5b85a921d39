#include "wizard/wizardwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "sheet/sheet.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"
#include "tests/wizard/wizardsheet.h"
#include "wizard/optionsdialog.h"

namespace varnel {
namespace {

class WizardWindowTest : public ::testing::Test {
 protected:
  WizardWindowTest() : sheet(prompter) {
    test::FillSheet(sheet, {{"Label#", "X", "Y", "Z", "Comment#"},
                            {"Fo", "1", "0", "0", "a"},
                            {"En", "1", "1", "0", "b"},
                            {"Qz", "0", "1", "0", "c"},
                            {"Sp", "0", "0", "1", "d"}});
    WizardHost host;
    host.Environment = [] {
      ReportEnvironment e;
      e.Version = QStringLiteral("1");
      return e;
    };
    window = std::make_unique<TVN_MWiz>(sheet, prompter, textPad, host);
    sheet.SetWizardLink(window.get());
  }
  template <typename T>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Shows the wizard with every case added and steps to the Model page.
  void ShowModelPage() {
    window->show();
    window->AddCases(1, 1, 5, 4);
    for (int k = 0; k < 3; ++k) window->MWBNextFinishClick();
  }

  test::ScriptedPrompter prompter;
  Sheet sheet;
  LinesReport textPad;
  std::unique_ptr<TVN_MWiz> window;
};

TEST_F(WizardWindowTest, ShowingResetsAndClosingReleasesTheSheetAndTextPad) {
  window->show();
  EXPECT_TRUE(sheet.WizardOpen);
  EXPECT_TRUE(textPad.readOnly);
  EXPECT_EQ(window->CurrentPage(), 0);
  EXPECT_EQ(Find<QComboBox>("CBoxPrimary")->currentText(), QStringLiteral("Label#"));
  EXPECT_EQ(Find<QComboBox>("CBoxSecondary")->currentText(), QStringLiteral("Comment#"));
  EXPECT_EQ(Find<QComboBox>("CBoxPrimary")->itemText(0), QStringLiteral("(None)"));
  EXPECT_FALSE(Find<QPushButton>("MWBBack")->isEnabled());
  sheet.Wizard().AddCases(1, 0, 5, 4);
  EXPECT_EQ(Find<QTreeWidget>("MWFnpLBox")->topLevelItemCount(), 4);
  EXPECT_EQ(Find<QLabel>("MWPanelCasesAdded")->text(), QStringLiteral("Total cases:  4"));
  window->close();
  EXPECT_FALSE(sheet.WizardOpen);
  EXPECT_FALSE(textPad.readOnly);
  EXPECT_EQ(window->CurrentPage(), -1);
}

TEST_F(WizardWindowTest, NextThroughThePagesToTheReactions) {
  window->show();
  window->AddCases(1, 1, 5, 4);
  window->MWBNextFinishClick();
  EXPECT_EQ(window->Pages()->currentIndex(), PageInput);
  EXPECT_EQ(Find<QTreeWidget>("MWFnpLBox")->topLevelItem(0)->text(1), QStringLiteral("Fo"));
  EXPECT_EQ(Find<QTreeWidget>("MWFnpLBox")->topLevelItem(0)->text(2), QStringLiteral("a"));
  window->MWBNextFinishClick();
  EXPECT_EQ(window->Pages()->currentIndex(), PageSvd);
  EXPECT_EQ(Find<QTableWidget>("MWStringGridWeight")->columnCount(), 3);
  EXPECT_FALSE(Find<QTableWidget>("MWStringGridWeight")->isEnabled());
  Find<QCheckBox>("MWChkBoxWeight")->setChecked(true);
  EXPECT_TRUE(Find<QTableWidget>("MWStringGridWeight")->isEnabled());
  Find<QCheckBox>("MWChkBoxWeight")->setChecked(false);
  window->MWBNextFinishClick();
  EXPECT_EQ(window->Pages()->currentIndex(), PageModel);
  EXPECT_EQ(Find<QLabel>("MWPanelNumericRank")->text(), QStringLiteral("3"));
  EXPECT_EQ(Find<QSpinBox>("MWSpinEditDesiredRank")->maximum(), 3);
  EXPECT_EQ(Find<QTableWidget>("MWStringGridSValues")->columnCount(), 4);
  EXPECT_EQ(Find<QLabel>("MWPanelSV")->text(), QStringLiteral("Singular Values of Input [3 by 4] Matrix"));
  // The plot replaces the grid and back.
  window->MWBitBtnShowSVPlotClick();
  EXPECT_FALSE(window->PlotBox()->isHidden());
  EXPECT_TRUE(Find<QTableWidget>("MWStringGridSValues")->isHidden());
  window->MWBitBtnShowSVPlotClick();
  EXPECT_TRUE(window->PlotBox()->isHidden());
  window->MWBNextFinishClick();
  EXPECT_EQ(window->Pages()->currentIndex(), PageReactions);
  EXPECT_EQ(Find<QPushButton>("MWBNextFinish")->text(), QStringLiteral("&Finish"));
  EXPECT_EQ(Find<QTableWidget>("MWStringGridReacSetup")->item(1, 0)->text(), QStringLiteral(" Yes"));
  EXPECT_EQ(Find<QLabel>("RPanelTUniv")->text(), QStringLiteral("1"));
  EXPECT_TRUE(Find<QPushButton>("MWBBtnUnivariants")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("MWBBtnIntersect")->isEnabled());
  const auto before = textPad.lines.size();
  window->MWBBtnUnivariantsClick();
  EXPECT_GT(textPad.lines.size(), before);
  EXPECT_EQ(Find<QPushButton>("MWBCancel")->text(), QStringLiteral("&Close"));
  window->MWBNextFinishClick();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(WizardWindowTest, NumberStyleRefillsTheSingularValuesOnTheModelPage) {
  ShowModelPage();
  auto* grid = Find<QTableWidget>("MWStringGridSValues");
  const QString shortText = grid->item(0, 0)->text();
  window->OptionsDialog().SetStyle(StyleLong);
  EXPECT_EQ(shortText.size() + 2, grid->item(0, 0)->text().size());
  // A tolerance change on page 3 recomputes the grid from defaults.
  std::vector<std::vector<QString>> typed = window->Logic().State().ToleranceGrid;
  typed[1][1] = QStringLiteral("5");
  window->Logic().ReadToleranceGrid(typed);
  window->OptionsDialog().Load(window->Logic().State().Options, false, false);
  window->OptionsDialog().SetTolerances(4, 10, 30, -3);
  window->ApplyOptions();
  EXPECT_EQ(window->Logic().State().ToleranceGrid[1][1], QStringLiteral("0.04"));
  // Keeping the wizard on top keeps the label choices.
  window->OptionsDialog().Load(window->Logic().State().Options, false, true);
  window->ApplyOptions();
  EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Find<QComboBox>("CBoxPrimary")->currentIndex(), 1);
}

TEST_F(WizardWindowTest, TheOptionsButtonRunsTheDialogThroughThePrompter) {
  ShowModelPage();
  auto* grid = Find<QTableWidget>("MWStringGridSValues");
  const QString shortText = grid->item(0, 0)->text();
  prompter.AnswerDialog([](QDialog& d) {
    EXPECT_EQ(d.objectName(), QStringLiteral("VN_MWOptions"));
    static_cast<TVN_MWOptions&>(d).SetStyle(StyleLong);
    return true;
  });
  Find<QPushButton>("MWBOptions")->click();
  EXPECT_EQ(prompter.shownDialogs, std::vector<QString>{QStringLiteral("VN_MWOptions")});
  EXPECT_EQ(window->Logic().State().Options.Style, StyleLong);
  const QString longText = grid->item(0, 0)->text();
  EXPECT_EQ(shortText.size() + 2, longText.size());
  // Cancel takes back the style the dialog showed while it was open.
  prompter.AnswerDialog([](QDialog& d) {
    static_cast<TVN_MWOptions&>(d).SetStyle(StyleMax);
    return false;
  });
  Find<QPushButton>("MWBOptions")->click();
  EXPECT_EQ(window->Logic().State().Options.Style, StyleLong);
  EXPECT_EQ(grid->item(0, 0)->text(), longText);
}

TEST_F(WizardWindowTest, TheThresholdEditTakesOnlyNumberKeys) {
  ShowModelPage();
  auto* edit = Find<QLineEdit>("MWEditThreshold");
  EXPECT_EQ(edit->text(), QStringLiteral("0.0009"));
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("x2"));
  EXPECT_EQ(edit->text(), QStringLiteral("2"));
  EXPECT_EQ(window->Logic().State().GuessZero, 2);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("-"));
  EXPECT_EQ(edit->text(), QStringLiteral("2"));  // not a number: the text before comes back
  // A negative number is turned positive.
  edit->setCursorPosition(0);
  QTest::keyClicks(edit, QStringLiteral("-"));
  EXPECT_EQ(edit->text(), QStringLiteral("2"));
  EXPECT_EQ(window->Logic().State().GuessZero, 2);
  edit->setText(QString());
  QTest::keyClicks(edit, QStringLiteral("3"));
  EXPECT_EQ(window->Logic().State().GuessZero, 3);
  Find<QCheckBox>("MWChkBoxAdjustThreshold")->setChecked(true);
  EXPECT_FALSE(edit->isEnabled());
  Find<QCheckBox>("MWChkBoxAdjustThreshold")->setChecked(false);
  EXPECT_EQ(edit->text(), QStringLiteral("3"));
}

TEST_F(WizardWindowTest, TheDesiredRankTakesTypedNumbersWithinItsRange) {
  ShowModelPage();
  auto* spin = Find<QSpinBox>("MWSpinEditDesiredRank");
  auto* edit = spin->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  EXPECT_FALSE(edit->isReadOnly());
  ASSERT_EQ(spin->maximum(), 3);
  spin->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("2"));
  EXPECT_EQ(window->Logic().State().DesiredRank, 2);
  // Beyond the range (and not a number at all) the box refuses the keys.
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("7x"));
  EXPECT_EQ(spin->value(), 2);
  EXPECT_EQ(window->Logic().State().DesiredRank, 2);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("1"));
  EXPECT_EQ(window->Logic().State().DesiredRank, 1);
  // The arrows still step it.
  spin->stepUp();
  EXPECT_EQ(window->Logic().State().DesiredRank, 2);
}

TEST_F(WizardWindowTest, OptionsCancelTakesBackEverythingAndOkAppliesTheRelationOutput) {
  ShowModelPage();
  TVN_MWOptions& dialog = window->OptionsDialog();
  auto* grid = Find<QTableWidget>("MWStringGridSValues");
  const QString shortText = grid->item(0, 0)->text();
  // The style shows at once while the dialog is open; Cancel puts it back.
  const WizardOptions before = window->Logic().State().Options;
  dialog.Load(before, false, false);
  dialog.SetStyle(StyleMax);
  dialog.SetCutoff(true, -3);
  EXPECT_NE(grid->item(0, 0)->text(), shortText);
  window->CancelOptions(before);
  EXPECT_EQ(grid->item(0, 0)->text(), shortText);
  EXPECT_EQ(window->Logic().State().Options.Style, StyleShort);
  EXPECT_EQ(window->Logic().State().Options.MinCoefficient, 0);
  // The dialog's own Cancel button rejects it.
  auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("ButtonCancel"));
  ASSERT_NE(cancel, nullptr);
  dialog.open();
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  // OK takes the cut-off and whole numbers into the relations.
  dialog.Load(window->Logic().State().Options, false, false);
  dialog.SetCutoff(true, -4);
  dialog.SetWholeNumbers(true, 50);
  window->ApplyOptions();
  const RelationFormat f = window->Logic().Format();
  EXPECT_EQ(f.MinCoefficient, 1e-4L);
  EXPECT_TRUE(f.WholeNumbers);
  EXPECT_EQ(f.WholeBound, 50);
  // Loading the dialog again shows what is in force.
  dialog.Load(window->Logic().State().Options, false, false);
  EXPECT_EQ(dialog.Options().MinCoefficient, 1e-4L);
  EXPECT_TRUE(dialog.Options().WholeNumbers);
  window->MWBNextFinishClick();
  window->MWBBtnUnivariantsClick();
  // The decomposition is deterministic, and so is the sign of the relation.
  EXPECT_EQ(textPad.lines.last().toStdString(), " 1\t-1\t 1\t 0\t | Fo + Qz = En");
}

TEST_F(WizardWindowTest, TheReactionsPageSavesItsLastRelationsAsCsv) {
  ShowModelPage();
  window->MWBNextFinishClick();
  auto* save = Find<QPushButton>("MWBBtnSaveCsv");
  EXPECT_FALSE(save->isEnabled());
  window->MWBBtnUnivariantsClick();
  EXPECT_TRUE(save->isEnabled());
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("relations.csv"));
  prompter.AnswerSave(path);
  window->MWBBtnSaveCsvClick();
  ASSERT_FALSE(prompter.dialogs.empty());
  EXPECT_EQ(prompter.dialogs.back().defaultSuffix, QStringLiteral("csv"));
  const QByteArray csv = test::ReadFile(path);
  EXPECT_TRUE(csv.startsWith("selection,degenerate,rank,Fo,En,Qz,Sp\r\n[],no,3,")) << csv.toStdString();
  // Cancelling the dialog writes nothing.
  QFile::remove(path);
  prompter.AnswerSave(std::nullopt);
  window->MWBBtnSaveCsvClick();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(save->isEnabled());
}

}  // namespace
}  // namespace varnel
