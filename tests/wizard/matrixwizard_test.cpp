#include "wizard/matrixwizard.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <limits>

#include "core/svd.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"
#include "tests/wizard/wizardsheet.h"
#include "wizard/wizardtext.h"

namespace varnel {
namespace {

using test::LinesAre;
using test::ScriptedPrompter;

const QString Rule = QString(75, QLatin1Char('-'));

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() : sheet(prompter) {}

  using Rows = std::vector<std::vector<std::string>>;
  void Fill(const Rows& rows) { test::FillSheet(sheet, rows); }
  void Standard() { Fill(StandardRows); }
  const Rows StandardRows{{"Label#", "X", "Y", "Z", "Comment#"},
                          {"P1", "1", "0", "0", "first"},
                          {"P2", "0", "1", "0", "second"},
                          {"P3", "1", "1", "0", "third"},
                          {"P4", "0", "0", "2", "fourth"}};

  MatrixWizard& Make(char sep = '.') {
    WizardContext c;
    c.SheetData = &sheet;
    c.Prompt = &prompter;
    c.Report = &report;
    c.FontSize = [] { return 10; };
    c.Environment = [sep] {
      ReportEnvironment e;
      e.FileName = QStringLiteral("/data/rocks.vnp");
      e.Now = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
      e.Version = QStringLiteral("9.9");
      e.DecimalSeparator = sep;
      return e;
    };
    c.Threads = 2;
    wizard = std::make_unique<MatrixWizard>(c);
    wizard->Reset();
    return *wizard;
  }

  // A wizard on these rows with every case added, on the Model page.
  MatrixWizard& AtModel(const Rows& rows) {
    Fill(rows);
    MatrixWizard& w = Make();
    w.AddCases(1, sheet.RowCount() - 1);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(w.Next());
    EXPECT_EQ(w.State().Page, PageModel);
    return w;
  }
  MatrixWizard& AtModel() { return AtModel(StandardRows); }
  // The next box, with an OK button only.
  void ExpectOk(BoxKind kind, const char* text) {
    prompter.Expect(kind, QString::fromUtf8(text), Only(Button::Ok), Button::Ok);
  }

  ScriptedPrompter prompter;
  Sheet sheet;
  LinesReport report;
  std::unique_ptr<MatrixWizard> wizard;
};

TEST_F(WizardTest, ReportHeaderAndInputMatrixWithLabelsAndComments) {
  Standard();
  MatrixWizard& w = Make();
  EXPECT_EQ(w.State().LabelColumn, 1);
  EXPECT_EQ(w.State().CommentColumn, 5);
  w.AddCases(0, 4);
  ASSERT_TRUE(w.Next());
  ASSERT_TRUE(w.Next());
  const QStringList expected{
      "Matrix analysis results. (Varnel 9.9)",
      "File: rocks.vnp - Computed on " + DateTimeText(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
      Rule,
      " 1\t 2\t 3\t 4\t (Case numbers)",
      Rule,
      " P1\t P2\t P3\t P4\t Label#",
      Rule,
      " first\t second\t third\t fourth\t Comment#",
      Rule,
      "",
      " INPUT MATRIX:",
      " 1.0000\t 0.0000\t 1.0000\t 0.0000\t X",
      " 0.0000\t 1.0000\t 1.0000\t 0.0000\t Y",
      " 0.0000\t 0.0000\t 0.0000\t 2.0000\t Z",
  };
  EXPECT_EQ(report.lines, expected);
  EXPECT_EQ(report.tabCount, 6);
  EXPECT_EQ(report.tabWidth, 10 * 56 / 8);
  EXPECT_EQ(w.State().Page, PageSvd);
  EXPECT_EQ(
      w.InputInfoText(),
      QStringLiteral("Input matrix has 3 rows (from untagged variables) and 4 columns (from added cases)."));

  // Back and Next again without changes: no new report.
  report.started = false;
  w.Back();
  ASSERT_TRUE(w.Next());
  EXPECT_FALSE(report.started);
  EXPECT_EQ(report.lines.size(), expected.size());

  // A new label column on page 0 marks the input changed: the report restarts.
  w.Back();
  w.Back();
  w.SetLabelColumns(0, 0);
  ASSERT_TRUE(w.Next());
  EXPECT_EQ(w.CaseList()[0], QStringLiteral(" 00001\t"));
  ASSERT_TRUE(w.Next());
  EXPECT_TRUE(report.started);
  EXPECT_TRUE(LinesAre(report.lines, {{3, " 1\t 2\t 3\t 4\t (Case numbers)"}, {5, ""}}));
  EXPECT_EQ(w.State().ColumnHeaderLine, QStringLiteral(" 1\t 2\t 3\t 4\t (Case numbers)"));
}

TEST_F(WizardTest, RankLinesAndSvdMatrices) {
  MatrixWizard& w = AtModel();
  const int start = static_cast<int>(report.lines.indexOf(QStringLiteral(" MATRIX U:")));
  ASSERT_GT(start, 0);
  EXPECT_TRUE(LinesAre(report.lines.mid(start), {{5, ""}, {6, " SINGULAR VALUES [W]:"}, {9, " MATRIX V:"}}));
  EXPECT_EQ(w.State().AbsoluteRank, 3);
  EXPECT_EQ(w.State().GuessRank, 3);
  EXPECT_EQ(w.DesiredRankMaximum(), 3);
  EXPECT_EQ(w.State().DesiredRank, 3);
  EXPECT_NEAR(static_cast<double>(w.SortedSingularValue(1)), 2.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(w.SortedSingularValue(2)), std::sqrt(3.0), 1e-15);
  const QString rank = report.lines[report.lines.size() - 2];
  EXPECT_EQ(rank,
            QStringLiteral(" Absolute rank of Input Matrix is 3 (up to a computational zero threshold of ") +
                QString::fromStdString(CompZeroText(w.State().CompZero, '.')) + QStringLiteral(")."));
  EXPECT_TRUE(rank.contains(QRegularExpression(QStringLiteral("of \\d\\.\\d{17}E-1[34]\\)\\.$"))))
      << rank.toStdString();
  EXPECT_EQ(report.lines.last(),
            QStringLiteral(" Possible rank of Input Matrix is 3 (up to specified zero threshold: 0.0009)."));
  EXPECT_EQ(w.SingularValuesTitle(), QStringLiteral("Singular Values of Input [3 by 4] Matrix"));
}

TEST(WizardText, CompZeroAndGeneralTexts) {
  EXPECT_EQ(CompZeroText(1.5L, '.'), "1.50000000000000000E+0");
  EXPECT_EQ(CompZeroText(0.00125L, ','), "1,25000000000000000E-3");
  EXPECT_EQ(GeneralText(1, '.'), "1");
  EXPECT_EQ(GeneralText(0.0009L, '.'), "0.0009");
  EXPECT_EQ(GeneralText(-2.5L, ','), "-2,5");
  EXPECT_EQ(GeneralText(0.3L, '.'), "0.3");
  EXPECT_EQ(GeneralText(1.5e-7L, '.'), "1.5E-7");
  EXPECT_EQ(GeneralText(2e20L, '.'), "2E20");
  EXPECT_EQ(GeneralText(123456789012345.0L, '.'), "123456789012345");
}

TEST_F(WizardTest, WeightingLinesAndZeroWeight) {
  MatrixWizard& w = AtModel();
  w.Back();
  w.SetWeighting(true);
  w.SetOutputs(true, w.State().OutModel, w.State().OutTestResiduals);
  w.WeightEdited(0, QStringLiteral("-2"));
  w.WeightEdited(1, QStringLiteral("abc"));  // ignored
  w.WeightEdited(2, QStringLiteral("0"));
  ExpectOk(BoxKind::Warning, "Row Weights: Zero entry for component Z\n\rThis entry will be (re)set to 1.");
  w.WeightsDone();
  EXPECT_EQ(w.WeightText(1), QStringLiteral("2"));
  EXPECT_EQ(w.WeightText(3), QStringLiteral("1"));
  const auto before = report.lines.size();
  ASSERT_TRUE(w.Next());
  const QStringList added = report.lines.mid(before);
  ASSERT_GE(added.size(), 12);
  EXPECT_TRUE(LinesAre(added, {{0, ""},
                               {1, " ****ROW WEIGHTING IS ENABLED"},
                               {2, " ** New weights are in effect."},
                               {3, ""},
                               {4, " Current Row Weights:"},
                               {5, " 2.0000\t 1.0000\t 1.0000"},
                               {7, " WEIGHTED INPUT MATRIX:"},
                               {8, " 2.0000\t 0.0000\t 2.0000\t 0.0000\t X"}}));

  // Unchanged weights: straight on, nothing written.
  w.Back();
  const auto same = report.lines.size();
  ASSERT_TRUE(w.Next());
  EXPECT_EQ(report.lines.size(), same);

  // Weighting off redoes the decomposition.
  w.Back();
  w.SetWeighting(false);
  ASSERT_TRUE(w.Next());
  EXPECT_TRUE(
      LinesAre(report.lines.mid(same), {{0, ""}, {1, " ****ROW WEIGHTING IS DISABLED"}, {3, " MATRIX U:"}}));
}

TEST_F(WizardTest, GuessZeroEditsAndTheComputationalBox) {
  MatrixWizard& w = AtModel();
  EXPECT_EQ(w.ThresholdEdited(QStringLiteral("x"), QStringLiteral("0.0009")), QStringLiteral("0.0009"));
  EXPECT_EQ(w.ThresholdEdited(QStringLiteral("-1.8"), QStringLiteral("0.0009")), QStringLiteral("1.8"));
  EXPECT_EQ(w.State().GuessZero, 1.8L);
  EXPECT_EQ(w.State().GuessRank, 1);  // 2 stays above, sqrt 3 and 1 fall
  EXPECT_EQ(w.State().DesiredRank, 1);
  EXPECT_EQ(w.ThresholdEdited(QStringLiteral("1.0"), QStringLiteral("1.8")), QStringLiteral("1.0"));
  w.SetThreshold(w.SortedSingularValue(3));
  EXPECT_EQ(w.State().GuessRank, 2);  // a value equal to the threshold counts as zero
  w.SetThreshold(1);
  w.SetComputational(true);
  EXPECT_EQ(w.State().GuessZero, w.State().CompZero);
  EXPECT_EQ(w.State().GuessRank, 3);
  // New input while the box is checked: the guess zero follows the new
  // decomposition.
  sheet.SetCell(4, 4, "20");
  for (int k = 0; k < 3; ++k) w.Back();
  w.SetLabelColumns(0, w.State().CommentColumn);
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(w.Next());
  EXPECT_EQ(w.State().GuessZero, w.State().CompZero);
  EXPECT_EQ(w.State().CompZero, 4 * 20 * SvZeroFactor);
  w.SetComputational(false);
  EXPECT_EQ(w.State().GuessZero, 1.0L);
}

TEST_F(WizardTest, DesiredRankMaximumForFullColumnRank) {
  MatrixWizard& w = AtModel({{"A", "B", "C", "D", "E"},
                             {"1", "0", "0", "0", "0"},
                             {"0", "1", "0", "0", "0"},
                             {"0", "0", "1", "0", "0"},
                             {"0", "0", "0", "1", "0"},
                             {"0", "0", "0", "0", "1"}});
  EXPECT_EQ(w.State().AbsoluteRank, 5);
  EXPECT_EQ(w.DesiredRankMaximum(), 4);
  EXPECT_EQ(w.State().DesiredRank, 4);
}

TEST_F(WizardTest, CaseListRefusalsAndLimits) {
  Fill({{"A", "B"}, {"1", "2"}, {"3", "4"}});
  MatrixWizard& w = Make();
  w.AddCases(1, 1);
  w.AddCases(1, 1);
  EXPECT_EQ(w.CaseList().size(), 1);
  ASSERT_TRUE(w.Next());
  ExpectOk(BoxKind::Error,
           "Not enough cases or untagged variables.\n\rPlease, check the selection and try again.");
  EXPECT_FALSE(w.Next());
  EXPECT_EQ(w.State().Page, PageInput);

  // 61 untagged variables are refused.
  std::vector<std::vector<std::string>> wide(3);
  for (int c = 0; c < 61; ++c) {
    wide[0].push_back("V" + std::to_string(c));
    wide[1].push_back("1");
    wide[2].push_back("2");
  }
  Fill(wide);
  w.AddCases(1, 2);
  ExpectOk(BoxKind::Error,
           "There are too many untagged variables. Maximun is 60.\n\rPlease, check DataSheet and try again.");
  EXPECT_FALSE(w.Next());

  // 70 rows keep the 60 lowest after a warning; rows from 100000 on read back whole.
  sheet.SetSize(3, 100002);
  MatrixWizard& w2 = Make();
  ExpectOk(BoxKind::Warning, "Too many cases added. Maximun is 60.\n\rExcess cases will be ignored.");
  w2.AddCases(99931, 100001);
  EXPECT_EQ(w2.CaseList().size(), 60);
  EXPECT_EQ(w2.State().CaseRows[1], 99931);
  EXPECT_EQ(w2.State().CaseRows[60], 99990);
  MatrixWizard& w3 = Make();
  w3.AddCases(100000, 100001);
  w3.AddCases(99999, 99999);
  EXPECT_EQ(w3.CaseList()[0], QStringLiteral(" 99999\t"));
  EXPECT_EQ(w3.CaseList()[1], QStringLiteral(" 100000\t"));
  EXPECT_EQ(w3.State().CaseRows[2], 100000);
  EXPECT_EQ(w3.State().CaseRows[3], 100001);
  w3.DeleteCases({0, 2});
  EXPECT_EQ(w3.State().CaseRows.size(), 2u);
  EXPECT_EQ(w3.State().CaseRows[1], 100000);
}

TEST_F(WizardTest, NonNumericCellStopsTheBuild) {
  Standard();
  sheet.SetCell(3, 2, "n/a");
  MatrixWizard& w = Make();
  w.AddCases(1, 4);
  ASSERT_TRUE(w.Next());
  ExpectOk(BoxKind::Error,
           "Analysis Wizard: Found missing or non-numeric values within the input selection.\n\r"
           "Please, check the selection and try again.");
  EXPECT_FALSE(w.Next());
  EXPECT_TRUE(w.State().InputChanged);
  EXPECT_TRUE(report.lines.isEmpty());
}

TEST_F(WizardTest, ToleranceClassesAndAbsentText) {
  // Column totals 100: 10 is minor, 1 is trace, 89 major, 0 absent.
  Fill({{"A", "B", "C", "D"}, {"89", "10", "1", "0"}, {"50", "50", "0", "0"}});
  MatrixWizard& w = Make(',');
  w.AddCases(1, 2);
  ASSERT_TRUE(w.Next());
  ASSERT_TRUE(w.Next());
  EXPECT_EQ(AbundanceClass(10, 100), Abundance::Minor);
  EXPECT_EQ(AbundanceClass(1, 100), Abundance::Trace);
  EXPECT_EQ(AbundanceClass(10.0001L, 100), Abundance::Major);
  const auto& g = w.State().ToleranceGrid;
  EXPECT_EQ(g[0][1], QStringLiteral("1"));
  EXPECT_EQ(g[1][0], QStringLiteral("A"));
  EXPECT_EQ(g[1][1], QStringLiteral("2,67"));  // 3 % of 89
  EXPECT_EQ(g[2][1], QStringLiteral("1"));     // 10 % of 10
  EXPECT_EQ(g[3][1], QStringLiteral("0,3"));   // 30 % of 1
  EXPECT_EQ(g[4][1], QStringLiteral("1,0E-3"));
  EXPECT_EQ(g[4][2], QStringLiteral("1,0E-3"));
  // The absent tolerance is 1e-3 under a decimal comma too.
  EXPECT_EQ((*w.State().ToleranceMatrix)(4, 1), 1e-3L);
  WizardOptions absentOne = w.State().Options;
  absentOne.RelErrAbsent = 0;
  w.SetOptions(absentOne);
  w.FillToleranceGrid();
  EXPECT_EQ(w.State().ToleranceGrid[4][1], QStringLiteral("1,0E0"));
  EXPECT_EQ((*w.State().ToleranceMatrix)(4, 1), 1);
  // Typed tolerances: a non-number becomes 1e-15 with its text, a zero keeps its text.
  std::vector<std::vector<QString>> typed = w.State().ToleranceGrid;
  typed[1][1] = QStringLiteral("abc");
  typed[2][1] = QStringLiteral("0");
  w.ReadToleranceGrid(typed);
  EXPECT_EQ(w.State().ToleranceGrid[1][1], QStringLiteral("1,0e-15"));
  EXPECT_EQ((*w.State().ToleranceMatrix)(1, 1), 1e-15L);
  EXPECT_EQ(w.State().ToleranceGrid[2][1], QStringLiteral("0"));
  EXPECT_EQ((*w.State().ToleranceMatrix)(2, 1), 1e-15L);
}

// The window and the command line change the wizard only through its
// setters, which keep the state within what the pages allow.
TEST_F(WizardTest, SettersKeepTheStateConsistent) {
  MatrixWizard& w = AtModel();
  ASSERT_EQ(w.DesiredRankMaximum(), 3);
  struct RankCase {
    int asked;
    bool taken;
    int after;
  };
  for (const RankCase& c : {RankCase{2, true, 2}, RankCase{0, false, 2}, RankCase{4, false, 2},
                            RankCase{-1, false, 2}, RankCase{3, true, 3}, RankCase{1, true, 1}}) {
    SCOPED_TRACE(c.asked);
    EXPECT_EQ(w.SetDesiredRank(c.asked), c.taken);
    EXPECT_EQ(w.State().DesiredRank, c.after);
  }
  // Label columns outside the sheet (columns 1 to 5; 0 holds the case
  // numbers) mean none.
  struct ColumnCase {
    int label, comment, labelAfter, commentAfter;
  };
  for (const ColumnCase& c : {ColumnCase{1, 5, 1, 5}, ColumnCase{6, -2, 0, 0}, ColumnCase{4, 99, 4, 0}}) {
    w.SetLabelColumns(c.label, c.comment);
    EXPECT_EQ(w.State().LabelColumn, c.labelAfter) << c.label;
    EXPECT_EQ(w.State().CommentColumn, c.commentAfter) << c.comment;
  }
  // Options out of their ranges are brought back to them.
  WizardOptions o;
  o.Style = 7;
  o.WholeBound = 0;
  o.MinCoefficient = -0.5L;
  w.SetOptions(o);
  EXPECT_EQ(w.State().Options.Style, StyleExp);
  EXPECT_EQ(w.State().Options.WholeBound, 1);
  EXPECT_EQ(w.State().Options.MinCoefficient, 0);
  o.MinCoefficient = 1e-4L;
  o.Style = StyleLong;
  w.SetOptions(o);
  EXPECT_EQ(w.State().Options.MinCoefficient, 1e-4L);
  EXPECT_EQ(w.State().Options.Style, StyleLong);
  // A tolerance grid of another shape is not taken.
  const auto grid = w.State().ToleranceGrid;
  ASSERT_GT(grid.size(), 2u);
  auto shorter = grid;
  shorter.pop_back();
  shorter[1][1] = QStringLiteral("7");
  w.ReadToleranceGrid(shorter);
  EXPECT_EQ(w.State().ToleranceGrid, grid);
  auto narrower = grid;
  narrower[2].pop_back();
  w.ReadToleranceGrid(narrower);
  EXPECT_EQ(w.State().ToleranceGrid, grid);
  // A negative threshold counts by its size and shows it.
  w.SetThreshold(-1.5L);
  EXPECT_EQ(w.State().GuessZero, 1.5L);
  EXPECT_EQ(w.ThresholdText(), QStringLiteral("1.5"));
}

TEST_F(WizardTest, TestModelQuestionsAndBlocks) {
  MatrixWizard& w = AtModel();
  ASSERT_TRUE(w.SetDesiredRank(3));
  ExpectOk(BoxKind::Information, "Input matrix rank is already 3.\n\rNo need to test.");
  EXPECT_EQ(w.TestModelClick(), CommandOutcome::Refused);
  ASSERT_TRUE(w.SetDesiredRank(2));
  const auto before = report.lines.size();
  EXPECT_EQ(w.TestModelClick(), CommandOutcome::Done);
  const QStringList block = report.lines.mid(before);
  EXPECT_EQ(block.size(), 23);
  EXPECT_TRUE(LinesAre(block, {{0, ""},
                               {1, "TEST: Model matrix of rank 2"},
                               {2, ""},
                               {3, " Model matrix:"},
                               {4, ""},
                               {5, " P1\t P2\t P3\t P4\t Label#"},
                               // Rank 2 drops the smallest singular value (1, the X - Y direction).
                               {6, " 0.5000\t 0.5000\t 1.0000\t 0.0000\t X"},
                               {10, " Matrix of residuals (Model - Input):"},
                               {13, "-0.5000\t 0.5000\t 0.0000\t 0.0000\t X"},
                               {17, " Matrix of residual/tolerance ratios:"},
                               // X of P1 is major (tolerance 3 % of 1), X of P2 absent (1e-3).
                               {20, "-16.6667\t 500.0000\t 0.0000\t 0.0000\t X"}}));
  EXPECT_EQ(report.tabCount, 6);

  // The same rank again asks first; No leaves the TextPad as it was.
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("A model matrix of rank 2 has been already tested.\n\rProceed anyway ?"),
                  Button::Yes | Button::No, Button::No);
  const auto count = report.lines.size();
  EXPECT_EQ(w.TestModelClick(), CommandOutcome::Declined);
  EXPECT_EQ(report.lines.size(), count);

  // Both output boxes off: the title and the ratio matrix only.
  w.SetOutputs(w.State().OutWeighted, false, false);
  prompter.AnswerNext(Button::Yes);
  EXPECT_EQ(w.TestModelClick(), CommandOutcome::Done);
  EXPECT_EQ(report.lines.size(), count + 9);
  EXPECT_EQ(report.lines[count + 3], QStringLiteral(" Matrix of residual/tolerance ratios:"));

  // A rank below the guess rank asks before going on.
  prompter.Expect(
      BoxKind::Warning,
      QStringLiteral("Requested model rank is lower than input threshold rank.\n\r"
                     "Model matrix might deviate substantially from input matrix.\n\rProceed anyway ?"),
      Button::Yes | Button::No, Button::No);
  EXPECT_FALSE(w.Next());
  EXPECT_EQ(w.State().Page, PageModel);
}

TEST_F(WizardTest, ReactionSpaceOfTheWholeInput) {
  MatrixWizard& w = AtModel();
  ASSERT_TRUE(w.Next());
  EXPECT_EQ(w.State().Page, PageReactions);
  EXPECT_TRUE(w.State().ModelIsInput);
  EXPECT_EQ(w.State().PanelTUniv, QStringLiteral("1"));
  EXPECT_EQ(w.State().SetHeaderLine, QStringLiteral(" P1\t P2\t P3\t P4"));
  const auto before = report.lines.size();
  EXPECT_EQ(w.ReactionSpace(), CommandOutcome::Done);
  const QStringList block = report.lines.mid(before);
  const int end = static_cast<int>(block.size());
  EXPECT_TRUE(
      LinesAre(block, {{1, QString(75, QLatin1Char('*'))},
                       {3, " REACTION SPACE"},
                       {4, QString(15, QChar(0xAF))},
                       {5, " Matrix is a working set of 4 columns out of 4 in the current input model."},
                       {6, " Null space of the working set has 1 dimension(s)."},
                       {7, " Working Set:"},
                       {9, " P1\t P2\t P3\t P4"},
                       {10, " 1.0000\t 0.0000\t 1.0000\t 0.0000\t X"},
                       {14, " SVD of working set:"},
                       {16, " U:"},
                       {end - 4, " Independent reaction set: (basis vectors for the null space)"},
                       {end - 3, ""},
                       {end - 2, " P1\t P2\t P3\t P4"}}));
  // The decomposition is deterministic, and so is the sign of the basis vector.
  EXPECT_EQ(block.last().toStdString(),
            "-0.5774\t-0.5774\t 0.5774\t 0.0000\t |  0.5774 P3 =  0.5774 P1 +  0.5774 P2");
}

TEST_F(WizardTest, UnivariantsAndAssemblages) {
  // Three phases on a line through two components plus a fourth.
  MatrixWizard& w = AtModel({{"Label#", "X", "Y", "Z"},
                             {"Fo", "1", "0", "0"},
                             {"En", "1", "1", "0"},
                             {"Qz", "0", "1", "0"},
                             {"Sp", "0", "0", "1"}});
  ASSERT_TRUE(w.Next());
  // Set rank 3, four columns: one selection "[]".
  const auto before = report.lines.size();
  EXPECT_EQ(w.Univariants(), CommandOutcome::Done);
  const QStringList block = report.lines.mid(before);
  ASSERT_EQ(block.size(), 20);
  EXPECT_TRUE(
      LinesAre(block, {{3, " \"UNIVARIANT\" RELATIONS (null/reaction space of rank+1 column selections)"},
                       {4, QString(73, QChar(0xAF))},
                       {13, " Rank of Working Set is: 3"},
                       {14, " Working Set contains 1 rank+1 column selections (\"univariants\")"},
                       {15, " \"Univariant\" relation(s): (unfiltered)"},
                       {17, " Fo\t En\t Qz\t Sp"},
                       {18, "[]"}}));
  // The decomposition is deterministic, and so is the sign of the relation.
  EXPECT_EQ(block[19].toStdString(),
            " 1.0000\t-1.0000\t 1.0000\t 0.0000\t |  1.0000 Fo +  1.0000 Qz =  1.0000 En");

  // Assemblages: A = {En}, B = {Fo, Qz} are separated by that relation.
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::A, 1, 1);
  EXPECT_FALSE(w.State().IntersectEnabled);
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::B, 0, 0);
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::B, 2, 2);
  EXPECT_TRUE(w.State().IntersectEnabled);
  EXPECT_EQ(w.State().AssemblageLine, QStringLiteral(" B\t A\t B\t Undef.\t(assemblage)"));
  const auto start = report.lines.size();
  EXPECT_EQ(w.Intersections(), CommandOutcome::Done);
  const QStringList found = report.lines.mid(start);
  EXPECT_TRUE(LinesAre(found, {{3, " ASSEMBLAGE RELATIONS"},
                               {4, QString(21, QChar(0xAF))},
                               {8, " B\t A\t B\t Undef.\t(assemblage)"}}));
  EXPECT_TRUE(found.contains(QStringLiteral(" Found 1 assemblage incompatibilities:")));
  EXPECT_EQ(w.State().FilterDuplicates, false);

  // En with Qz against Fo: not separated.
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::A, 2, 2);
  const auto again = report.lines.size();
  EXPECT_EQ(w.Intersections(), CommandOutcome::Done);
  EXPECT_EQ(report.lines.last(), QStringLiteral(" -- No incompatibilities were found."));
  EXPECT_GT(report.lines.size(), again);
}

TEST_F(WizardTest, ExcludingFromAModelSetAsksFirst) {
  MatrixWizard& w = AtModel({{"Label#", "X", "Y", "Z"},
                             {"Fo", "1", "0", "0.001"},
                             {"En", "1", "1", "0"},
                             {"Qz", "0", "1", "0"},
                             {"Sp", "0", "0", "1"}});
  ASSERT_TRUE(w.SetDesiredRank(2));                 // below the absolute rank: a model matrix
  prompter.AnswerNext(Button::Yes);  // lower than the guess rank
  ASSERT_TRUE(w.Next());
  EXPECT_FALSE(w.State().ModelIsInput);
  prompter.Expect(
      BoxKind::Warning,
      QStringLiteral("Warning: Current matrix is a model matrix.\n\rYou might get undesired results if any "
                     "phases are excluded from the working set.\n\rProceed anyway?"),
      Button::Yes | Button::No, Button::No);
  w.ModifySet(MatrixWizard::SetChange::Exclude, 3, 3);
  EXPECT_EQ(w.State().SetCount, 4);
  prompter.AnswerNext(Button::Yes);
  w.ModifySet(MatrixWizard::SetChange::Exclude, 3, 3);
  EXPECT_EQ(w.State().SetCount, 3);
  EXPECT_EQ(w.State().SetHeaderLine, QStringLiteral("Fo\tEn\tQz"));
  // A set of one column has rank 1 and no commands.
  prompter.AnswerNext(Button::Yes);
  w.ModifySet(MatrixWizard::SetChange::Exclude, 1, 2);
  EXPECT_EQ(w.State().SetCount, 1);
  EXPECT_EQ(w.State().PanelSetRank, QStringLiteral("1"));
  EXPECT_FALSE(w.State().RSpaceEnabled);
  EXPECT_FALSE(w.State().UnivariantsEnabled);
}

// The four phases whose one relation is Fo + Qz = En, on the Reactions page.
const std::vector<std::vector<std::string>> LineOfThree{{"Label#", "X", "Y", "Z"},
                                                        {"Fo", "1", "0", "0"},
                                                        {"En", "1", "1", "0"},
                                                        {"Qz", "0", "1", "0"},
                                                        {"Sp", "0", "0", "1"}};

// A file's text lines, written with CR LF.
QStringList FileLines(const QString& path) {
  QString text = QString::fromUtf8(test::ReadFile(path));
  EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
  text.chop(2);
  return text.split(QStringLiteral("\r\n"));
}

TEST_F(WizardTest, ALargeUnivariantsReportIsOfferedToAFile) {
  MatrixWizard& w = AtModel(LineOfThree);
  ASSERT_TRUE(w.Next());
  QString path;
  // Without a size to offer at, and below it, the report goes to the TextPad.
  EXPECT_EQ(w.ChooseUnivariantsPlace(path), MatrixWizard::ReportPlace::TextPad);
  w.Context().FileOfferBytes = 1 << 20;
  EXPECT_EQ(w.ChooseUnivariantsPlace(path), MatrixWizard::ReportPlace::TextPad);
  // Above it, the question: Cancel, No, Yes with the dialog cancelled, Yes.
  w.Context().FileOfferBytes = 10;
  const QString question = QStringLiteral(
      "The \"Univariant\" relations of 1 selections would make about 1 MB of text, too much to keep in the "
      "TextPad.\n\rWrite them straight into a file instead? (No keeps them in the TextPad.)");
  const Buttons three = Button::Yes | Button::No | Button::Cancel;
  prompter.Expect(BoxKind::Confirmation, question, three, Button::Cancel);
  EXPECT_EQ(w.ChooseUnivariantsPlace(path), MatrixWizard::ReportPlace::Nowhere);
  prompter.Expect(BoxKind::Confirmation, question, three, Button::No);
  EXPECT_EQ(w.ChooseUnivariantsPlace(path), MatrixWizard::ReportPlace::TextPad);
  prompter.Expect(BoxKind::Confirmation, question, three, Button::Yes);
  prompter.AnswerSave(std::nullopt);
  EXPECT_EQ(w.ChooseUnivariantsPlace(path), MatrixWizard::ReportPlace::Nowhere);
  prompter.Expect(BoxKind::Confirmation, question, three, Button::Yes);
  prompter.AnswerSave(QStringLiteral("/data/relations.txt"));
  EXPECT_EQ(w.ChooseUnivariantsPlace(path), MatrixWizard::ReportPlace::File);
  EXPECT_EQ(path, QStringLiteral("/data/relations.txt"));
  ASSERT_FALSE(prompter.dialogs.empty());
  EXPECT_EQ(prompter.dialogs.back().title, QStringLiteral("Write Relations To"));
  EXPECT_TRUE(prompter.dialogs.back().confirmOverwrite);
}

TEST_F(WizardTest, AUnivariantsFileHoldsTheReportAndTheTextPadItsHead) {
  MatrixWizard& w = AtModel(LineOfThree);
  ASSERT_TRUE(w.Next());
  QTemporaryDir dir;
  for (const bool filter : {false, true}) {
    SCOPED_TRACE(filter ? "filtered" : "unfiltered");
    w.SetFilterDuplicates(filter);
    const auto before = report.lines.size();
    ASSERT_EQ(w.Univariants(), CommandOutcome::Done);
    const QStringList text = report.lines.mid(before);
    const QString path = dir.filePath(QStringLiteral("relations.txt"));
    const auto start = report.lines.size();
    ASSERT_EQ(w.UnivariantsToFile(path), CommandOutcome::Done);
    EXPECT_EQ(FileLines(path), text) << "the file holds what the TextPad would";
    // The TextPad: the head without the names line, then the counts and
    // the file.
    const QStringList pad = report.lines.mid(start);
    const int head = static_cast<int>(text.size()) - (filter ? 2 : 3);
    ASSERT_EQ(pad.size(), head + 2);
    EXPECT_EQ(pad.mid(0, head), text.mid(0, head));
    EXPECT_EQ(pad[head],
              filter
                  ? QStringLiteral(" 1 line(s) from 1 selection(s), 1 of them relations, are in the file")
                  : QStringLiteral(" 2 line(s) from 1 selection(s), 1 of them relations, are in the file"));
    EXPECT_EQ(pad[head + 1], QLatin1Char(' ') + QDir::toNativeSeparators(path));
  }
  // A folder that does not exist: an error box, nothing written, the
  // TextPad as it was.
  const auto lines = report.lines.size();
  prompter.AnswerNext(Button::Ok);
  EXPECT_EQ(w.UnivariantsToFile(dir.filePath(QStringLiteral("no/such/folder/r.txt"))),
            CommandOutcome::Failed);
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().kind, BoxKind::Error);
  EXPECT_TRUE(prompter.shown.back().text.startsWith(QStringLiteral("Cannot write ")));
  EXPECT_EQ(report.lines.size(), lines);
  EXPECT_FALSE(w.State().Busy);
}

TEST_F(WizardTest, TheLastRelationsSaveAsCsvRows) {
  MatrixWizard& w = AtModel(LineOfThree);
  ASSERT_TRUE(w.Next());
  EXPECT_FALSE(w.HasRelationsResult());
  ASSERT_EQ(w.Univariants(), CommandOutcome::Done);
  ASSERT_TRUE(w.HasRelationsResult());
  const QString relation = report.lines.last();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("relations.csv"));
  ASSERT_EQ(w.SaveRelationsCsv(path), CommandOutcome::Done);
  const QStringList rows = FileLines(path);
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(rows[0], QStringLiteral("selection,degenerate,rank,Fo,En,Qz,Sp"));
  // The coefficients of the report's relation line, without its spaces.
  QStringList fields = relation.section(QLatin1Char('|'), 0, 0).split(QLatin1Char('\t'));
  fields.removeLast();
  for (QString& f : fields) f = f.trimmed();
  EXPECT_EQ(rows[1], QStringLiteral("[],no,3,") + fields.join(QLatin1Char(',')));
  // Intersections that find nothing leave a header alone.
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::A, 1, 2);
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::B, 0, 0);
  ASSERT_EQ(w.Intersections(), CommandOutcome::Done);
  EXPECT_EQ(report.lines.last(), QStringLiteral(" -- No incompatibilities were found."));
  ASSERT_EQ(w.SaveRelationsCsv(path), CommandOutcome::Done);
  EXPECT_EQ(FileLines(path), QStringList{rows[0]});
}

TEST_F(WizardTest, AStreamedFileUnderAnAddressSpaceLimitHoldsTheTextReport) {
  if (test::AddressSanitizerBuild)
    GTEST_SKIP() << "an address-space limit cannot work under AddressSanitizer";
  // 18 phases on 8 components: 48,620 selections of nine, each with one
  // relation line and its label.
  Rows rows{{"Label#", "A", "B", "C", "D", "E", "F", "G", "H"}};
  for (int c = 1; c <= 18; ++c) {
    std::vector<std::string> row{"Phase" + std::to_string(c)};
    for (int i = 1; i <= 8; ++i) row.push_back(std::to_string(((c * 37 + i * i * 11 + c * i * 5) % 97) + 1));
    rows.push_back(row);
  }
  MatrixWizard& w = AtModel(rows);
  ASSERT_TRUE(w.SetDesiredRank(8));
  ASSERT_TRUE(w.Next());
  ASSERT_EQ(w.State().SetRank, 8);
  ASSERT_EQ(w.State().PanelSetUniv, QStringLiteral("48620"));

  // The same run in a child whose address space may grow by 48 MB: written
  // to the file (15.7 MB) it fits, gathered for the TextPad (some 80 MB) it
  // does not. Each child is a fresh run of this test up to it, so that it
  // starts from a small heap, not from one that earlier tests grew and freed
  // and that it could take again; the file's name comes to it from here.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* const FileVariable = "VARNEL_TEST_STREAMED_FILE";
  std::optional<QTemporaryDir> dir;
  QString path = qEnvironmentVariable(FileVariable);
  if (path.isEmpty()) {
    dir.emplace();
    path = dir->filePath(QStringLiteral("relations.txt"));
    qputenv(FileVariable, QFile::encodeName(path));
  }
  enum { Written = 0, Failed = 1, NotRun = 2 };
  auto limited = [&](bool toFile) {
    // Worker threads share the one heap: an arena of their own reserves
    // 64 MB at once, and without one each allocation would take pages of
    // its own.
    mallopt(M_ARENA_MAX, 1);
    struct rlimit limit;
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = test::AddressSpaceInUse() + (48u << 20);
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(NotRun);
    int status = Failed;
    try {
      const CommandOutcome o = toFile ? w.UnivariantsToFile(path) : w.Univariants();
      if (o == CommandOutcome::Done) status = Written;
    } catch (...) {
    }
    _exit(status);
  };
  EXPECT_EXIT(limited(true), testing::ExitedWithCode(Written), "");
  EXPECT_EXIT(
      limited(false), [](int status) { return !WIFEXITED(status) || WEXITSTATUS(status) != Written; }, "")
      << "the limit is tight enough to matter";
  qunsetenv(FileVariable);
  // Only now, unlimited, the report the TextPad gets.
  const auto before = report.lines.size();
  ASSERT_EQ(w.Univariants(), CommandOutcome::Done);
  const QStringList text = report.lines.mid(before);
  ASSERT_GE(text.size(), 2 * 48620);
  EXPECT_EQ(FileLines(path), text);
}
// Four components and nine phases in general position: 126 selections of five,
// two lines each, more than one block of the report writer.
const std::vector<std::vector<std::string>> NinePhases{
    {"Label#", "A", "B", "C", "D"}, {"P1", "5", "1", "2", "3"}, {"P2", "1", "7", "3", "2"},
    {"P3", "2", "2", "9", "1"},     {"P4", "3", "1", "1", "8"}, {"P5", "4", "6", "2", "2"},
    {"P6", "1", "3", "5", "7"},     {"P7", "6", "2", "7", "1"}, {"P8", "2", "5", "1", "6"},
    {"P9", "3", "4", "4", "4"}};

TEST_F(WizardTest, CancelWhileWritingEndsTheListWithTheAbortLine) {
  MatrixWizard& w = AtModel(NinePhases);
  ASSERT_TRUE(w.Next());
  ASSERT_TRUE(w.State().UnivariantsEnabled);
  const auto start = report.lines.size();
  ASSERT_EQ(w.Univariants(), CommandOutcome::Done);
  const QStringList whole = report.lines.mid(start);
  ASSERT_GT(whole.size(), 130);

  // The writer polls every 64 lines; Cancel pressed at the second poll keeps
  // the 64 lines written so far and adds the abort line, nothing else.
  w.Context().Progress = [&w](std::int64_t, std::int64_t position, const QString& label) {
    if (label == QLatin1String("Writing to TextPad ...") && position == 64) w.RequestCancel();
  };
  const auto before = report.lines.size();
  EXPECT_EQ(w.Univariants(), CommandOutcome::Cancelled);
  const QStringList cut = report.lines.mid(before);
  ASSERT_EQ(cut.size(), 65);
  EXPECT_EQ(cut.mid(0, 64), whole.mid(0, 64));
  EXPECT_EQ(cut.last(), QStringLiteral(" ***OUTPUT ABORTED BY USER: LIST MAY BE INCOMPLETE***"));
  EXPECT_FALSE(w.State().Busy);
  EXPECT_TRUE(w.State().UnivariantsEnabled);

  // The flag was used up: the next run writes the whole list again.
  w.Context().Progress = nullptr;
  const auto again = report.lines.size();
  EXPECT_EQ(w.Univariants(), CommandOutcome::Done);
  EXPECT_EQ(report.lines.mid(again), whole);
}

TEST_F(WizardTest, CancelWhileLookingForIncompatibilitiesWritesNothingAndRestoresTheState) {
  MatrixWizard& w = AtModel(NinePhases);
  ASSERT_TRUE(w.Next());
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::A, 0, 1);
  w.ModifyAssemblage(MatrixWizard::AssemblageMark::B, 2, 4);
  ASSERT_TRUE(w.State().IntersectEnabled);
  ASSERT_FALSE(w.State().FilterDuplicates);
  w.Context().Progress = [&w](std::int64_t, std::int64_t, const QString& label) {
    if (label == QLatin1String("Looking for incompatibilities ...")) w.RequestCancel();
  };
  const auto before = report.lines.size();
  EXPECT_EQ(w.Intersections(), CommandOutcome::Cancelled);
  EXPECT_EQ(report.lines.size(), before);
  EXPECT_FALSE(w.State().Busy);
  EXPECT_TRUE(w.State().IntersectEnabled);
  EXPECT_FALSE(w.State().FilterDuplicates);  // Intersections filters only for itself
  w.Context().Progress = nullptr;
  EXPECT_EQ(w.Intersections(), CommandOutcome::Done);
  EXPECT_GT(report.lines.size(), before);
}

TEST_F(WizardTest, ASelectionThatCannotBeDecomposedIsReportedAndMarked) {
  MatrixWizard& w = AtModel();
  ASSERT_TRUE(w.Next());
  ASSERT_EQ(w.State().SetCount, 4);
  // A value that is no number in one column makes every selection holding
  // that column fail; each failure shows the two boxes of the enumeration.
  (*w.State().WorkingSetMatrix)(1, 4) = std::numeric_limits<Real>::quiet_NaN();
  const QString failure = QStringLiteral(
      "SVD failure. Routine could not converge after 30 iterations.\n\rPlease, check the input matrix and "
      "try "
      "again.");
  ExpectOk(BoxKind::Error, ("Rank: " + failure).toUtf8().constData());
  ExpectOk(BoxKind::Error, ("OutUnivariant: " + failure).toUtf8().constData());
  const auto before = report.lines.size();
  EXPECT_EQ(w.Univariants(), CommandOutcome::Done);
  const QStringList block = report.lines.mid(before);
  ASSERT_GE(block.size(), 2);
  EXPECT_EQ(block[block.size() - 2], QStringLiteral("[]"));
  EXPECT_EQ(block.last(), QStringLiteral(" ***Error"));
}

}  // namespace
}  // namespace varnel
