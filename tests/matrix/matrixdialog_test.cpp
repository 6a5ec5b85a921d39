#include "matrix/matrixdialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>

#include "app/numberlocale.h"
#include "controls/numericedit.h"
#include "tests/matrix/sheetbuilder.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

TEST(NumericEdit, ClampsWhileTypingAndChecksWhenLeft) {
  test::ScriptedPrompter prompter;
  NumericEdit edit(0, 99999999.9L, 16);
  const QString invalid = QStringLiteral("Invalid zero threshold entry.");
  edit.SetInvalidMessage(invalid, &prompter);
  edit.SetValue(0.009L);
  EXPECT_EQ(edit.text(), QStringLiteral("0.0090000000000000"));

  edit.clear();
  QTest::keyClicks(&edit, QStringLiteral("-"));
  EXPECT_EQ(edit.Value(), 0) << "a lone minus counts as 0";
  QTest::keyClicks(&edit, QStringLiteral("5"));
  EXPECT_EQ(edit.Value(), 0) << "clamped into the range";
  edit.clear();
  QTest::keyClicks(&edit, QStringLiteral("123456789"));
  EXPECT_EQ(edit.Value(), 99999999.9L);

  // Leaving with text out of range: the message, and the last good value back.
  prompter.Expect(BoxKind::Error, invalid, Only(Button::Ok), Button::Ok);
  EXPECT_FALSE(edit.Leave());
  EXPECT_EQ(edit.Value(), 0.009L);
  EXPECT_EQ(edit.text(), QStringLiteral("0.0090000000000000"));

  edit.clear();
  QTest::keyClicks(&edit, QStringLiteral("abc"));
  prompter.Expect(BoxKind::Error, invalid, Only(Button::Ok), Button::Ok);
  EXPECT_FALSE(edit.Leave());

  edit.clear();
  QTest::keyClicks(&edit, QStringLiteral("0.5"));
  EXPECT_TRUE(edit.Leave());
  EXPECT_EQ(edit.Value(), 0.5L);
  EXPECT_EQ(edit.text(), QStringLiteral("0.5000000000000000"));
}

TEST(NumericEdit, UsesTheDecimalSeparator) {
  SetDecimalSeparator(',');
  NumericEdit edit(0, 10, 3);
  edit.SetValue(2.5L);
  EXPECT_EQ(edit.text(), QStringLiteral("2,500"));
  edit.clear();
  QTest::keyClicks(&edit, QStringLiteral("1,25"));
  EXPECT_EQ(edit.Value(), 1.25L);
  SetDecimalSeparator('.');
}

TEST(MatrixDialog, FillsTheCaseNameListAndKeepsItsChoices) {
  test::ScriptedPrompter prompter;
  Sheet sheet(prompter);
  test::Fill(sheet, {{"Comment#", "SiO2", "Label#", "MgO"}, {"x", "1", "a", "2"}});
  TVn_SVD dialog(prompter);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Singular Value Decomposition"));
  dialog.FormShow(sheet);
  ASSERT_EQ(dialog.CBoxCaseNames->count(), 5);
  EXPECT_EQ(dialog.CBoxCaseNames->itemText(0), QStringLiteral("(None)"));
  EXPECT_EQ(dialog.CBoxCaseNames->itemText(1), QStringLiteral("Comment#"));
  EXPECT_EQ(dialog.CBoxCaseNames->currentIndex(), 3) << "Label# preselected";
  EXPECT_TRUE(dialog.ChkBoxCaseNames->isEnabled());
  dialog.CBoxCaseNames->setCurrentIndex(0);
  EXPECT_FALSE(dialog.ChkBoxCaseNames->isEnabled());

  MatrixReportOptions o = dialog.Options();
  EXPECT_TRUE(o.CaseNumbers && o.CaseNames && o.VarNames && o.Transpose && o.VectorizeW);
  EXPECT_EQ(o.Style, StyleShort);
  EXPECT_EQ(o.Threshold, 0.009L);
  EXPECT_EQ(o.ThresholdText, QStringLiteral("0.0090000000000000"));

  dialog.ChkBoxTranspose->setChecked(false);
  dialog.SetStyle(StyleMax);
  dialog.FormShow(sheet);  // a later showing keeps everything but the list
  o = dialog.Options();
  EXPECT_FALSE(o.Transpose);
  EXPECT_EQ(o.Style, StyleMax);
  EXPECT_EQ(o.CaseNameColumn, 3);

  TVn_INV inverse(prompter);
  EXPECT_EQ(inverse.windowTitle(), QStringLiteral("Matrix Inverse"));
  EXPECT_TRUE(inverse.ChkBoxVectorizeW->isHidden());
  EXPECT_TRUE(inverse.ThresholdGroup->isHidden());
  EXPECT_TRUE(inverse.ChkBoxTranspose->isChecked()) << "its own settings";
}

}  // namespace
}  // namespace varnel
