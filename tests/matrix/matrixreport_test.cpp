#include "matrix/matrixreport.h"

#include <gtest/gtest.h>

#include "app/reporttarget.h"
#include "app/textpad.h"
#include "app/textprinting.h"
#include "sheet/datafile.h"
#include "tests/matrix/sheetbuilder.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

const QDateTime When(QDate(2026, 12, 6), QTime(10, 15, 30));

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() {
    // diag(1, 3) as two variables of two cases.
    test::Fill(sheet, {{"Label#", "SiO2", "MgO"}, {"A", "1", "0"}, {"B", "0", "3"}});
    context.ShowDialog = [this](MatrixReportOptions& o) {
      o = options;
      return accept;
    };
    context.Report = &report;
    context.FontSize = 10;
    context.Environment = [] {
      ReportEnvironment env;
      env.FileName = QStringLiteral("/data/rocks.vnp");
      env.Now = When;
      env.Version = QStringLiteral("9.9");
      return env;
    };
    options.CaseNameColumn = 1;
  }

  QStringList Header(const QString& title) {
    const QString file = QStringLiteral("File: rocks.vnp - Computed on ") + DateTimeText(When);
    return {title + QStringLiteral(" (Varnel 9.9)"), file, QString(file.size(), QLatin1Char('-'))};
  }
  QString Rule() { return QString(Header(QString())[1].size(), QLatin1Char('-')); }
  // How a transposed report of two cases begins: up to the input matrix.
  QStringList Opening(const QString& title, const char* names, const char* row1, const char* row2) {
    return Header(title) << QStringLiteral(" 1\t 2\t Cases") << Rule() << QString::fromLatin1(names) << Rule()
                         << QString() << QStringLiteral(" INPUT MATRIX:") << QStringLiteral("--------------")
                         << QString::fromLatin1(row1) << QString::fromLatin1(row2);
  }

  test::ScriptedPrompter prompter;
  Sheet sheet{prompter};
  LinesReport report;
  MatrixCommandContext context;
  MatrixReportOptions options;
  bool accept = true;
};

TEST_F(ReportTest, TransposedShortReportLineForLine) {
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  QStringList expected = Opening(QStringLiteral("Singular Value Decomposition (SVD) results."),
                                 " A\t B\t Label#", " 1.0000\t 0.0000\t SiO2", " 0.0000\t 3.0000\t MgO");
  expected << QString() << QStringLiteral(" MATRIX U:") << QStringLiteral("----------")
           << QStringLiteral("-1.0000\t 0.0000") << QStringLiteral(" 0.0000\t-1.0000") << QString()
           << QStringLiteral(" SINGULAR VALUES W: ") << QString(29, QLatin1Char('-'))
           << QStringLiteral(" 1.0000\t 3.0000") << QString() << QStringLiteral(" MATRIX V:")
           << QStringLiteral("----------") << QStringLiteral("-1.0000\t 0.0000")
           << QStringLiteral(" 0.0000\t-1.0000") << QString() << QStringLiteral(" MATRIX PROPERTIES:")
           << QStringLiteral("-------------------")
           << QStringLiteral(
                  "Absolute Matrix Rank is 2 (up to a computational zero threshold of 6.000000000000E-14).")
           << QStringLiteral("Matrix Rank is 2 (up to the specified zero threshold [0.0090000000000000]).");
  EXPECT_EQ(report.lines, expected);
  EXPECT_TRUE(report.started);
  EXPECT_TRUE(report.shown);
  EXPECT_EQ(report.tabCount, 4) << "cases + 2";
  EXPECT_EQ(report.tabWidth, 10 * 56 / 8);
}

TEST_F(ReportTest, RowsAsCasesWithWAsAMatrixInEveryStyle) {
  options.Transpose = false;
  options.VectorizeW = false;
  const struct {
    int style;
    const char* row1;
    const char* wRow1;
    const char* wRow2;
    int tab;
  } styles[] = {
      {StyleShort, " 1.0000\t 0.0000\t A\t 1", " 1.0000\t 0.0000", " 0.0000\t 3.0000", 70},
      {StyleLong, " 1.000000\t 0.000000\t A\t 1", " 1.000000\t 0.000000", " 0.000000\t 3.000000", 95},
      {StyleMax, " 1.00000000\t 0.00000000\t A\t 1", " 1.00000000\t 0.00000000", " 0.00000000\t 3.00000000",
       140},
      {StyleExp, " 1.000000000000E+0\t 0.000000000000E+0\t A\t 1", " 1.000000000000E+0\t 0.000000000000E+0",
       " 0.00000000000000000E+0\t 3.000000000000E+0", 160},
  };
  for (const auto& s : styles) {
    options.Style = s.style;
    ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
    const QStringList& l = report.lines;
    EXPECT_EQ(l[3], QStringLiteral("SiO2\tMgO")) << "names without spaces";
    EXPECT_EQ(l[4], Rule());
    EXPECT_EQ(l[8], QString::fromLatin1(s.row1)) << s.style;
    const int w = static_cast<int>(l.indexOf(QStringLiteral(" MATRIX W: ")));
    ASSERT_GT(w, 0);
    EXPECT_EQ(l[w + 1], QStringLiteral("----------"));
    EXPECT_EQ(l[w + 2], QString::fromLatin1(s.wRow1)) << s.style;
    EXPECT_EQ(l[w + 3], QString::fromLatin1(s.wRow2)) << s.style;
    EXPECT_EQ(report.tabWidth, s.tab);
  }
}

TEST_F(ReportTest, LabelOptionsLeaveOutWhatIsUnchecked) {
  options.CaseNumbers = false;
  options.VarNames = false;
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  EXPECT_EQ(report.lines[3], QStringLiteral(" A\t B\t Label#"));
  EXPECT_EQ(report.lines[8], QStringLiteral(" 1.0000\t 0.0000"));
  options.CaseNameColumn = 0;  // "(None)": no names though the box stays checked
  options.CaseNumbers = true;
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  EXPECT_EQ(report.lines[3], QStringLiteral(" 1\t 2\t Cases"));
  EXPECT_EQ(report.lines[5], QString());
}

TEST_F(ReportTest, FewerRowsThanColumnsPrintsThePaddedU) {
  // Three cases of two variables, transposed: 2 x 3, decomposed as 3 x 3.
  test::Fill(sheet, {{"SiO2", "MgO"}, {"1", "4"}, {"2", "5"}, {"3", "6"}});
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  const QStringList& l = report.lines;
  const int u = static_cast<int>(l.indexOf(QStringLiteral(" MATRIX U:")));
  ASSERT_GT(u, 0);
  EXPECT_EQ(l[u + 5], QString()) << "three rows of U";
  EXPECT_EQ(l[u + 4], QStringLiteral(" 0.0000\t 0.0000\t-1.0000"));
  const int w = static_cast<int>(l.indexOf(QStringLiteral(" SINGULAR VALUES W: ")));
  EXPECT_EQ(l[w + 2].count(QLatin1Char('\t')), 2) << "three values";
  EXPECT_TRUE(l.contains(
      QStringLiteral("Matrix Rank is 2 (up to the specified zero threshold [0.0090000000000000]).")));
  EXPECT_TRUE(l.last(2).first().startsWith(QStringLiteral("Absolute Matrix Rank is 2 ")));
  EXPECT_EQ(report.tabCount, 5);
}

TEST_F(ReportTest, ASingularValueExactlyAtTheThresholdCountsAsZero) {
  test::Fill(sheet, {{"SiO2", "MgO"}, {"1", "0"}, {"0", "0.009"}});
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  EXPECT_EQ(report.lines.last(),
            QStringLiteral("Matrix Rank is 1 (up to the specified zero threshold [0.0090000000000000])."));
  options.Threshold = 0.0089L;
  options.ThresholdText = QStringLiteral("0.0089000000000000");
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  EXPECT_EQ(report.lines.last(),
            QStringLiteral("Matrix Rank is 2 (up to the specified zero threshold [0.0089000000000000])."));
}

TEST_F(ReportTest, ANonNumericCellLeavesOnlyTheErrorLine) {
  sheet.SetCell(3, 2, "n.d.");
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("SVD: Found missing or non-numeric values within the input selection.\n\r"
                                 "Please, check the selection and try again."),
                  Only(Button::Ok), Button::Ok);
  EXPECT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Failed);
  EXPECT_EQ(report.lines,
            QStringList({QString(), QStringLiteral("***ERROR: SVD COMPUTATION COULD NOT BE COMPLETED***")}));
  EXPECT_TRUE(report.shown);
}

TEST_F(ReportTest, SizeChecksComeBeforeTheDialogAndCancelChangesNothing) {
  sheet.Sel = Selection{1, 2, 2, 2};
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("SVD: Could not build a matrix from DataSheet selection.\n\r"
                                 "Please, check the selection and try again."),
                  Only(Button::Ok), Button::Ok);
  bool asked = false;
  context.ShowDialog = [&asked](MatrixReportOptions&) { return asked = true; };
  EXPECT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Refused);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(report.started);

  sheet.Sel = Selection{1, 1, 2, 2};
  context.ShowDialog = [](MatrixReportOptions&) { return false; };
  EXPECT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Cancelled);
  EXPECT_FALSE(report.started) << "the TextPad is untouched";
}

TEST_F(ReportTest, InverseOfASquareSelection) {
  test::Fill(sheet, {{"Label#", "X", "Y"}, {"p", "2", "0"}, {"q", "0", "4"}});
  ASSERT_EQ(RunInverseCommand(sheet, context), CommandOutcome::Done);
  QStringList expected = Opening(QStringLiteral("Matrix Inverse computation results."), " p\t q\t Label#",
                                 " 2.0000\t 0.0000\t X", " 0.0000\t 4.0000\t Y");
  expected << QString() << QStringLiteral(" INVERSE OF INPUT MATRIX:") << QString(25, QLatin1Char('-'))
           << QStringLiteral(" 0.5000\t 0.0000") << QStringLiteral(" 0.0000\t 0.2500");
  EXPECT_EQ(report.lines, expected);
  options.Style = StyleExp;
  ASSERT_EQ(RunInverseCommand(sheet, context), CommandOutcome::Done);
  EXPECT_EQ(report.lines.last(), QStringLiteral(" 0.000000000000E+0\t 2.500000000000E-1"));
}

TEST_F(ReportTest, InverseRefusesANonSquareSelection) {
  test::Fill(sheet, {{"A", "B", "C", "D"}, {"1", "2", "3", "4"}, {"5", "6", "7", "8"}, {"9", "1", "2", "3"}});
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("Number of untagged variables must be equal to that of selected rows.\n\r"
                                 "Currently there are 4 untagged variables and 3 selected rows."),
                  Only(Button::Ok), Button::Ok);
  EXPECT_EQ(RunInverseCommand(sheet, context), CommandOutcome::Refused);
  EXPECT_FALSE(report.started);
}

TEST_F(ReportTest, ALinearlyDependentSelectionGivesTheZeroPivotWarningAndNoInverse) {
  test::Fill(sheet, {{"X", "Y"}, {"1", "2"}, {"2", "4"}});
  prompter.Expect(
      BoxKind::Warning,
      QStringLiteral("Matrix Inverse: Warning: one or more zero pivot elements were arrived at during "
                     "computation of the LU decomposition.\n\rSystem could be ill-conditioned. An SVD "
                     "check is suggested."),
      Only(Button::Ok), Button::Ok);
  EXPECT_EQ(RunInverseCommand(sheet, context), CommandOutcome::Failed);
  EXPECT_FALSE(report.lines.contains(QStringLiteral(" INVERSE OF INPUT MATRIX:")));
  EXPECT_EQ(report.lines.last(),
            QStringLiteral("***ERROR: COMPUTATION OF MATRIX INVERSE COULD NOT BE COMPLETED***"));
  EXPECT_EQ(report.lines[report.lines.size() - 2], QString());
  EXPECT_TRUE(report.lines.contains(QStringLiteral(" INPUT MATRIX:"))) << "the input matrix stays";
}

TEST_F(ReportTest, TheTextPadHoldsTheReportWithItsTabStops) {
  TextPrinter printer;
  TVN_Txt pad(prompter, printer, TVN_Txt::Environment{});
  pad.AppendLines({QStringLiteral("old text")});
  context.Report = &pad;
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("TextPad file Untitled has changed.\n\rSave modifications?"),
                  Button::Yes | Button::No, Button::No);
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  LinesReport lines;
  context.Report = &lines;
  ASSERT_EQ(RunSvdCommand(sheet, context), CommandOutcome::Done);
  EXPECT_EQ(pad.Lines(), lines.lines);
  EXPECT_EQ(pad.TabStopCount(), 4);
  EXPECT_EQ(pad.TabStopWidth(), 70);
  EXPECT_TRUE(pad.isVisible());
}

}  // namespace
}  // namespace varnel
