#include "matrix/mapping.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "controls/numericedit.h"
#include "matrix/mappingdialog.h"
#include "program/commandline.h"
#include "sheet/filecommands.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/matrix/sheetbuilder.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

class MappingTest : public ::testing::Test {
 protected:
  std::string Cell(int c, int r) { return std::string(sheet.Cell(c, r)); }
  // The texts of row r from column first to column last.
  std::vector<std::string> Row(int r, int first, int last) {
    std::vector<std::string> texts;
    for (int c = first; c <= last; ++c) texts.push_back(Cell(c, r));
    return texts;
  }
  // Selects the defining cases as whole rows and runs the command with the
  // dialog's defaults changed by adjust.
  MappingOutcome Map(int top, int bottom, const std::function<void(MappingOptions&)>& adjust = {}) {
    sheet.Sel = Selection{0, top, sheet.ColCount() - 1, bottom};
    sheet.RowsMode = true;
    return RunMappingCommand(sheet, '.',
                             [&](MappingOptions& o, int nOld, int nNew, bool weighted, const IVector&) {
                               seenOld = nOld;
                               seenNew = nNew;
                               seenWeighted = weighted;
                               seenWeights = o.Weights;
                               if (adjust) adjust(o);
                               return true;
                             });
  }

  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet{prompter, &graph};
  int seenOld = 0, seenNew = 0;
  bool seenWeighted = false;
  std::vector<Real> seenWeights;
};

TEST_F(MappingTest, LeastSquaresOverThreeOldVariables) {
  test::Fill(sheet, {{"Label#", "X", "Y", "Z"},
                     {"A", "1", "0", "0"},
                     {"B", "0", "1", "1"},
                     {"p", "2", "3", "3"},
                     {"q", "0", "1", "0"}});
  ASSERT_EQ(Map(1, 2, [](MappingOptions& o) { o.NamesColumn = 1; }), MappingOutcome::Done);
  EXPECT_TRUE(seenWeighted);
  EXPECT_EQ(seenWeights, (std::vector<Real>{1, 1, 1}));
  ASSERT_EQ(sheet.ColCount(), 7);
  EXPECT_EQ(Row(0, 5, 6), (std::vector<std::string>{"A#", "B#"}));
  EXPECT_EQ(Row(1, 5, 6), (std::vector<std::string>{"1", "0"}));
  EXPECT_EQ(Row(3, 5, 6), (std::vector<std::string>{"2", "3"}));
  EXPECT_EQ(Row(4, 5, 6), (std::vector<std::string>{"0", "0.5"}));
  EXPECT_FALSE(sheet.Saved);
  EXPECT_TRUE(sheet.ColumnsMode);
  EXPECT_EQ(sheet.Sel, (Selection{5, 1, 6, 4}));
}

TEST_F(MappingTest, AResultThatOverflowsIsTheUndefinedErrorAndChangesNothing) {
  // Tiny defining cases, kept by a zero threshold: mapping a large case
  // gives amounts beyond the extended range.
  test::Fill(sheet, {{"Label#", "X", "Y"},
                     {"A", "1e-4900", "0"},
                     {"B", "0", "1e-4900"},
                     {"p", "1e100", "1"},
                     {"q", "1", "1"}});
  sheet.SetAllInclusion(true);
  sheet.Saved = true;
  prompter.Expect(
      BoxKind::Error,
      QStringLiteral("Linear Mapping: Undefined computation error: a value overflowed or is undefined "
                     "(not a finite number).\n\rPlease, check the input values and try again."),
      Only(Button::Ok), Button::Ok);
  EXPECT_EQ(Map(1, 2, [](MappingOptions& o) { o.Threshold = 0; }), MappingOutcome::Failed);
  EXPECT_EQ(sheet.ColCount(), 4) << "no column added";
  EXPECT_TRUE(sheet.Saved);
  EXPECT_TRUE(sheet.RowsMode) << "the selection is as it was";

  // Without the offending case the same mapping is done.
  sheet.SetCell(0, 3, "N");
  sheet.RecountIncluded();
  ASSERT_EQ(Map(1, 2, [](MappingOptions& o) { o.Threshold = 0; }), MappingOutcome::Done);
  EXPECT_EQ(Cell(4, 4), "1E4900");
  EXPECT_EQ(Cell(4, 3), "") << "excluded";
}

TEST_F(MappingTest, EqualCountsGiveTheExactInverseWithoutWeights) {
  test::Fill(sheet, {{"X", "Y"}, {"2", "1"}, {"1", "3"}, {"7", "11"}});
  ASSERT_EQ(Map(1, 2, [](MappingOptions& o) { o.NamesColumn = 0; }), MappingOutcome::Done);
  EXPECT_FALSE(seenWeighted);
  EXPECT_TRUE(seenWeights.empty());
  // (7, 11) = 2 (2, 1) + 3 (1, 3)
  EXPECT_EQ(Row(3, 3, 4), (std::vector<std::string>{"2", "3"}));
  EXPECT_EQ(Row(0, 3, 4), (std::vector<std::string>{"New 1#", "New 2#"}));
}

TEST_F(MappingTest, AVariableWithAPlusWeighsAHundredTimesMore) {
  test::Fill(sheet, {{"X", "Fe3+", "Z"}, {"1", "1", "0"}, {"0", "0", "1"}, {"1", "3", "5"}});
  ASSERT_EQ(Map(1, 2), MappingOutcome::Done);
  EXPECT_EQ(seenWeights, (std::vector<Real>{1, 100, 1}));
  // Minimising (y - 1)^2 + 100^2 (y - 3)^2 gives y = (1 + 30000) / 10001.
  EXPECT_EQ(Cell(4, 3), "2.9998");
  EXPECT_EQ(Cell(5, 3), "5");
}

TEST_F(MappingTest, IdenticalDefiningCasesAskAndNoChangesNothing) {
  test::Fill(sheet, {{"X", "Y", "Z"}, {"1", "2", "3"}, {"1", "2", "3"}, {"4", "5", "6"}});
  sheet.Saved = true;
  prompter.Expect(
      BoxKind::Warning,
      QStringLiteral("Warning: Input transformation matrix contains intrinsic degeneracies.\n\rContinue?"),
      Button::Yes | Button::No, Button::No);
  EXPECT_EQ(Map(1, 2), MappingOutcome::Done);
  EXPECT_EQ(sheet.ColCount(), 4);
  EXPECT_TRUE(sheet.Saved);
  prompter.AnswerNext(Button::Yes);
  EXPECT_EQ(Map(1, 2), MappingOutcome::Done);
  EXPECT_EQ(sheet.ColCount(), 6);
}

TEST_F(MappingTest, ExcludedAndNonNumericCasesStayEmpty) {
  test::Fill(sheet, {{"X", "Y"}, {"1", "0"}, {"0", "1"}, {"5", "6"}, {"7", "n.d."}, {"8", "9"}});
  sheet.SetCell(0, 5, "N");
  sheet.RecountIncluded();
  ASSERT_EQ(Map(1, 2), MappingOutcome::Done);
  EXPECT_EQ(Cell(3, 3), "5");
  EXPECT_EQ(Cell(3, 4), "") << "not a number: no message, no value";
  EXPECT_EQ(Cell(3, 5), "") << "excluded";
  ASSERT_EQ(Map(1, 2, [](MappingOptions& o) { o.MapAll = true; }), MappingOutcome::Done);
  EXPECT_EQ(Cell(5, 5), "8");
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MappingTest, CasesBeyondTheMirrorCountByTheirOwnMark) {
  sheet.SetSize(3, 5003);
  sheet.SetCell(1, 0, "X");
  sheet.SetCell(2, 0, "Y");
  for (int r = 1; r <= 5002; ++r) {
    sheet.SetCell(1, r, r == 2 ? "0" : "1");
    sheet.SetCell(2, r, r == 1 ? "0" : "1");
    sheet.SetCell(0, r, "Y");
  }
  sheet.SetCell(0, 5002, "N");
  sheet.RecountIncluded();
  ASSERT_EQ(Map(1, 2), MappingOutcome::Done);
  EXPECT_EQ(Cell(3, 5001), "1");
  EXPECT_EQ(Cell(3, 5002), "") << "excluded by its own mark";
}

TEST_F(MappingTest, RefusesWithoutWholeCasesOrWithATooSmallSelection) {
  test::Fill(sheet, {{"X", "Y"}, {"1", "0"}, {"0", "1"}});
  sheet.RowsMode = false;
  prompter.Expect(
      BoxKind::Information,
      QStringLiteral("Variable Mapping: This command requires that a contiguous range of rows has been "
                     "previously selected. The cases comprised in this range should specify the composition "
                     "of the new variables in terms of the current set. See help for the Mapping command "
                     "for more information."),
      Only(Button::Ok), Button::Ok);
  EXPECT_EQ(
      RunMappingCommand(sheet, '.', [](MappingOptions&, int, int, bool, const IVector&) { return true; }),
      MappingOutcome::Refused);
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("Linear Mapping: Could not build a matrix from DataSheet selection.\n\r"
                                 "Please, check the selection and try again."),
                  Only(Button::Ok), Button::Ok);
  EXPECT_EQ(Map(1, 1), MappingOutcome::Refused);
  sheet.SetCell(1, 2, "x");
  prompter.Expect(
      BoxKind::Error,
      QStringLiteral("Linear Mapping: Found missing or non-numeric values within the input selection.\n\r"
                     "Please, check the selection and try again."),
      Only(Button::Ok), Button::Ok);
  EXPECT_EQ(Map(1, 2), MappingOutcome::Failed);
  EXPECT_EQ(sheet.ColCount(), 3);
}

TEST_F(MappingTest, NewNamesReachTheGraphSelectors) {
  test::Fill(sheet, {{"X", "Y"}, {"1", "0"}, {"0", "1"}});
  sheet.Connected = true;
  graph.log.clear();
  ASSERT_EQ(Map(1, 2), MappingOutcome::Done);
  EXPECT_EQ(graph.log, (std::vector<std::string>{"append New 1#", "append New 2#"}));
}

TEST(GeneralNumberText, EightSignificantDigitsFixedOrScientific) {
  EXPECT_EQ(GeneralNumberText(2, '.'), "2");
  EXPECT_EQ(GeneralNumberText(0.5L, '.'), "0.5");
  EXPECT_EQ(GeneralNumberText(1.0L / 3, '.'), "0.33333333");
  EXPECT_EQ(GeneralNumberText(-2.0L / 3, '.'), "-0.66666667");
  EXPECT_EQ(GeneralNumberText(12345678, '.'), "12345678");
  EXPECT_EQ(GeneralNumberText(123456789, '.'), "1.2345679E8");
  EXPECT_EQ(GeneralNumberText(99999999.6L, '.'), "1E8");
  EXPECT_EQ(GeneralNumberText(0.00001L, '.'), "0.00001");
  EXPECT_EQ(GeneralNumberText(0.000001234L, '.'), "1.234E-6");
  EXPECT_EQ(GeneralNumberText(1500.25L, ','), "1500,25");
  EXPECT_EQ(GeneralNumberText(-0.0L, '.'), "0");
  EXPECT_EQ(GeneralNumberText(1e-300L, '.'), "1E-300");
}

TEST(MappingDialog, WeightsStartByNameAndZeroIsWarnedAbout) {
  test::ScriptedPrompter prompter;
  Sheet sheet(prompter);
  test::Fill(sheet, {{"Label#", "SiO2", "Fe3+", "MgO"}, {"a", "1", "2", "3"}, {"b", "4", "5", "6"}});
  IVector list;
  list[1] = 2;
  list[2] = 3;
  list[3] = 4;
  TVN_LMapd dialog(prompter);
  dialog.Prepare(sheet, 3, 2, true, list, {1, 100, 1});
  EXPECT_EQ(dialog.LMPInfo->text(), QStringLiteral("Old (untagged) variables: 3  <-->  New variables: 2"));
  EXPECT_EQ(dialog.LMStringGridWeights->columnCount(), 3);
  EXPECT_EQ(dialog.LMStringGridWeights->item(0, 1)->text(), QStringLiteral("Fe3+"));
  EXPECT_EQ(dialog.LMStringGridWeights->item(1, 1)->text(), QStringLiteral("100"));
  EXPECT_EQ(dialog.LMCBoxNewVarNames->currentIndex(), 1) << "Label#";
  EXPECT_EQ(dialog.LMFEditZeroThreshold->text(), QStringLiteral("0.00090000000000000"));

  dialog.LMStringGridWeights->item(1, 0)->setText(QStringLiteral("-2.5"));
  dialog.LMStringGridWeights->item(1, 2)->setText(QStringLiteral("0"));
  dialog.LMStringGridWeights->item(1, 1)->setText(QStringLiteral("abc"));
  prompter.Expect(
      BoxKind::Warning,
      QStringLiteral("Row Weights: Zero entry for component MgO\n\rThis entry will be (re)set to 1.0"),
      Only(Button::Ok), Button::Ok);
  dialog.LMStringGridWeightsExit();
  EXPECT_EQ(dialog.Weights(), (std::vector<Real>{2.5L, 100, 1}));
  EXPECT_EQ(dialog.LMStringGridWeights->item(1, 0)->text(), QStringLiteral("2.5"));
  EXPECT_EQ(dialog.LMStringGridWeights->item(1, 1)->text(), QStringLiteral("100"));

  dialog.LMChkBComputational->setChecked(true);
  EXPECT_FALSE(dialog.LMFEditZeroThreshold->isEnabled());
  EXPECT_TRUE(dialog.Options().Computational);

  dialog.Prepare(sheet, 2, 2, false, list, {});
  EXPECT_EQ(dialog.LMPInfo->text(), QStringLiteral("Old (untagged) variables: 2 -- New variables: 2"));
  EXPECT_TRUE(dialog.LMStringGridWeights->isHidden());
  EXPECT_TRUE(dialog.Panel2->isHidden());
}

TEST(MapCommand, WritesTheSameCellsAsTheWindowCommand) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("g.vnp"));
  test::WriteFileOrFail(in,
                        "Label#\tSiO2\tFeO\tMgO\r\nFo\t42.71\t0\t57.29\r\nFa\t29.49\t70.51\t0\r\n"
                        "Ol\t40.8\t9.8\t49.4\r\nx\t40\tn.d.\t50\r\n");
  const QString out = dir.filePath(QStringLiteral("mapped.vnp"));
  std::FILE* sink = std::tmpfile();
  // "map in <options> -o out"
  const auto map = [&](const QStringList& options) {
    return RunBatchCommand(
        QStringList{QStringLiteral("map"), in} + options + QStringList{QStringLiteral("-o"), out}, sink,
        sink);
  };
  EXPECT_EQ(map({QStringLiteral("--cases"), QStringLiteral("1-2")}), 0);
  test::ScriptedPrompter prompter;
  const auto load = [](Sheet& sheet, const QString& path) {
    sheet.New1Click();
    return DataFiles(sheet, nullptr, nullptr).LoadDataFile(path);
  };
  Sheet mapped(prompter), direct(prompter);
  ASSERT_TRUE(load(mapped, out));
  ASSERT_TRUE(load(direct, in));
  direct.Sel = Selection{0, 1, direct.ColCount() - 1, 2};
  direct.RowsMode = true;
  ASSERT_EQ(RunMappingCommand(direct, '.',
                              [](MappingOptions& o, int, int, bool, const IVector&) {
                                o.NamesColumn = 1;
                                return true;
                              }),
            MappingOutcome::Done);
  ASSERT_EQ(mapped.ColCount(), direct.ColCount());
  for (int r = 0; r < direct.RowCount(); ++r)
    for (int c = 1; c < direct.ColCount(); ++c)
      EXPECT_EQ(mapped.Cell(c, r), direct.Cell(c, r)) << c << "," << r;
  EXPECT_EQ(mapped.Name(5), "Fo#");
  EXPECT_EQ(mapped.Cell(5, 4), "");

  // Degenerate definitions are refused unless --yes.
  EXPECT_EQ(map({QStringLiteral("--cases"), QStringLiteral("2-2")}), 1);
  EXPECT_EQ(map({QStringLiteral("--cases"), QStringLiteral("1-2"), QStringLiteral("--weights"),
                 QStringLiteral("1,2")}),
            2)
      << "three weights are needed";
  EXPECT_EQ(map({}), 2);
  std::fclose(sink);
}

}  // namespace
}  // namespace varnel
