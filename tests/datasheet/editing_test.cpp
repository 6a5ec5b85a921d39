#include "datasheet/editing.h"

#include <gtest/gtest.h>

#include "datasheet/filter.h"
#include "datasheet/sheet.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

class EditingTest : public ::testing::Test {
 protected:
  EditingTest() {
    sheet.Prefs.DefaultColCount = 4;
    sheet.Prefs.DefaultRowCount = 10;
    sheet.New1Click();
    for (int c = 1; c <= 4; ++c) sheet.SetCell(c, 0, "V" + std::to_string(c));
    for (int r = 1; r <= 10; ++r)
      for (int c = 1; c <= 4; ++c) sheet.SetCell(c, r, std::to_string(r * 10 + c));
    sheet.SetAllInclusion(true);
    sheet.Blank = false;
  }
  std::string Cell(int c, int r) { return std::string(sheet.Cell(c, r)); }
  void SelectColumns(int left, int right) {
    sheet.Sel = Selection{left, 0, right, sheet.RowCount() - 1};
    sheet.ColumnsMode = true;
    sheet.RowsMode = false;
  }
  void SelectRows(int top, int bottom) {
    sheet.Sel = Selection{0, top, sheet.ColCount() - 1, bottom};
    sheet.RowsMode = true;
    sheet.ColumnsMode = false;
  }

  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet{prompter, &graph};
};

TEST_F(EditingTest, TagsAreAddedAndTheFirstOneRemoved) {
  sheet.SetCell(1, 0, "SiO2");
  sheet.SetCell(2, 0, "Si#O2");
  sheet.SetCell(3, 0, "A##");
  SelectColumns(1, 3);
  TagVariables(sheet, true);
  EXPECT_EQ(Cell(1, 0), "SiO2#");
  EXPECT_EQ(Cell(2, 0), "Si#O2");
  TagVariables(sheet, false);
  EXPECT_EQ(Cell(1, 0), "SiO2");
  EXPECT_EQ(Cell(2, 0), "SiO2");
  EXPECT_EQ(Cell(3, 0), "A#") << "still tagged";
  EXPECT_FALSE(sheet.Saved) << "the names are part of the file";

  sheet.Connected = true;
  graph.log.clear();
  SelectColumns(4, 4);
  TagVariables(sheet, true);
  EXPECT_EQ(graph.log, std::vector<std::string>{"rename 4 V4#"});
}

TEST_F(EditingTest, InclusionOfTheSelectedCases) {
  sheet.SetCell(0, 3, "n");
  SelectRows(2, 4);
  ChangeSelectedInclusion(sheet, InclusionChange::Toggle);
  EXPECT_EQ(Cell(0, 2), "N");
  EXPECT_EQ(Cell(0, 3), "Y") << "a lower-case n is excluded, so it toggles to Y";
  EXPECT_EQ(Cell(0, 4), "N");
  ChangeSelectedInclusion(sheet, InclusionChange::Exclude);
  EXPECT_EQ(sheet.IncludedCount(), 7);
  ToggleAllInclusion(sheet);
  EXPECT_EQ(sheet.IncludedCount(), 3);
  EXPECT_TRUE(sheet.Saved);
}

TEST_F(EditingTest, FilterComparesNumbersAndFallsBackToText) {
  sheet.SetCell(1, 1, "10");
  sheet.SetCell(1, 2, "abc");
  sheet.SetCell(1, 3, "");
  sheet.SetCell(1, 4, "4");
  sheet.SetCell(1, 5, "5,5");  // the wrong separator: text
  sheet.SetAllInclusion(false);
  RunFilter(sheet, 1, FilterCondition::Make(OpGreater, "5", false, '.'), std::nullopt, true, true, '.');
  EXPECT_EQ(Cell(0, 1), "Y");
  EXPECT_EQ(Cell(0, 2), "Y") << "abc compared as text sorts after 5";
  EXPECT_EQ(Cell(0, 3), "N") << "the empty cell is smaller";
  EXPECT_EQ(Cell(0, 4), "N");
  EXPECT_EQ(Cell(0, 5), "Y") << "'5,5' > '5' as text";
  EXPECT_TRUE(sheet.Saved);

  // With Exclude, failing cases keep their marks.
  RunFilter(sheet, 1, FilterCondition::Make(OpEqual, "10", false, '.'), std::nullopt, true, false, '.');
  EXPECT_EQ(Cell(0, 1), "N");
  EXPECT_EQ(Cell(0, 2), "Y");
}

TEST_F(EditingTest, ValidateSubstringsMatchesInsideTheCell) {
  sheet.SetCell(1, 1, "Ol-1");
  sheet.SetCell(1, 2, "Olivine");
  sheet.SetCell(1, 3, "OL");
  sheet.SetCell(1, 4, "Ol");
  const FilterCondition inside = FilterCondition::Make(OpEqual, "Ol", true, '.');
  const FilterCondition whole = FilterCondition::Make(OpEqual, "Ol", false, '.');
  EXPECT_TRUE(FilterTest(inside, "Ol-1", '.'));
  EXPECT_TRUE(FilterTest(inside, "Olivine", '.'));
  EXPECT_FALSE(FilterTest(inside, "OL", '.'));
  EXPECT_FALSE(FilterTest(whole, "Olivine", '.'));
  EXPECT_TRUE(FilterTest(whole, "Ol", '.'));
  EXPECT_FALSE(FilterTest(FilterCondition::Make(OpEqual, "", true, '.'), "Ol", '.')) << "empty never matches";
  EXPECT_FALSE(FilterTest(FilterCondition::Make(OpNone, "Ol", false, '.'), "Ol", '.'));
  EXPECT_TRUE(FilterTest(FilterCondition::Make(OpDifferent, "2", false, '.'), "2.5", '.'));
  EXPECT_TRUE(FilterTest(FilterCondition::Make(OpLessEqual, "2.5", false, '.'), "2.50", '.'));
}

TEST_F(EditingTest, TwoConditionsCoverEveryCaseOfALargeSheet) {
  sheet.SetSize(3, 70001);
  for (int r = 1; r <= 70000; ++r) {
    sheet.SetCell(1, r, std::to_string(r % 100));
    sheet.SetCell(0, r, "N");
  }
  const auto low = FilterCondition::Make(OpGreaterEqual, "10", false, '.');
  const auto high = FilterCondition::Make(OpLess, "20", false, '.');
  RunFilter(sheet, 1, low, high, true, true, '.');
  EXPECT_EQ(Cell(0, 69915), "Y") << "beyond case 65535 too";
  EXPECT_EQ(Cell(0, 69925), "N");
  EXPECT_EQ(Cell(0, 15), "Y");
  RunFilter(sheet, 1, FilterCondition::Make(OpEqual, "1", false, '.'),
            FilterCondition::Make(OpEqual, "2", false, '.'), false, true, '.');
  EXPECT_EQ(Cell(0, 69901), "Y") << "Or";
  EXPECT_EQ(Cell(0, 69902), "Y");
}

TEST_F(EditingTest, FilterValuesAreSortedWithoutCaseAndWithoutTheName) {
  sheet.SetCell(2, 0, "Phase");
  sheet.SetCell(2, 1, "ol");
  sheet.SetCell(2, 2, "Cpx");
  sheet.SetCell(2, 3, "OL");
  sheet.SetCell(2, 4, "");
  sheet.SetCell(2, 5, "phase");
  for (int r = 6; r <= 10; ++r) sheet.SetCell(2, r, "cpx");
  EXPECT_EQ(FilterValues(sheet, 2), QStringList({QString(), QStringLiteral("Cpx"), QStringLiteral("ol")}));
}

TEST_F(EditingTest, CopyLeavesOutTheInclusionColumnAndKeepsTheNameRow) {
  sheet.Sel = Selection{0, 2, 2, 3};
  EXPECT_EQ(CopyText(sheet), "21\t22\r\n31\t32\r\n");
  SelectColumns(3, 3);
  const std::string column = CopyText(sheet);
  EXPECT_EQ(column.substr(0, 8), "V3\r\n13\r\n");
}

TEST_F(EditingTest, ClearEmptiesCellsButNeverNamesOrMarks) {
  SelectColumns(2, 2);
  ClearSelection(sheet);
  EXPECT_EQ(Cell(2, 0), "V2");
  EXPECT_EQ(Cell(2, 5), "");
  EXPECT_EQ(Cell(0, 5), "Y");
  EXPECT_EQ(Cell(3, 5), "53");
  EXPECT_FALSE(sheet.Saved);
  sheet.Sel = Selection{1, 1, 1, 1};
  PasteText(sheet, "7.5\r\n");
  EXPECT_EQ(Cell(1, 1), "7.5");
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("The text on the clipboard holds a NUL character in line 2, so it is not "
                                 "text.\n\rNothing was pasted."),
                  Only(Button::Ok), Button::Ok);
  PasteText(sheet, std::string_view("1\r\n2\0\r\n", 7));
  EXPECT_EQ(Cell(1, 1), "7.5");
  EXPECT_EQ(Cell(1, 2), "21") << "nothing of the text was pasted";
}

TEST_F(EditingTest, InsertingCasesMovesTheOthersDown) {
  SelectRows(3, 4);
  InsertCases(sheet);
  EXPECT_EQ(sheet.CaseCount(), 12);
  EXPECT_EQ(Cell(1, 3), "");
  EXPECT_EQ(Cell(4, 4), "");
  EXPECT_EQ(Cell(0, 3), "N");
  EXPECT_EQ(Cell(0, 4), "N");
  EXPECT_EQ(Cell(1, 5), "31");
  EXPECT_EQ(Cell(1, 12), "101");
  EXPECT_EQ(sheet.Sel, (Selection{0, 3, 4, 4}));
  EXPECT_FALSE(sheet.Saved);
  EXPECT_EQ(sheet.IncludedCount(), 10);
}

TEST_F(EditingTest, DeletingCasesSelectsTheCaseBefore) {
  SelectRows(5, 7);
  DeleteCases(sheet);
  EXPECT_EQ(sheet.CaseCount(), 7);
  EXPECT_EQ(Cell(1, 5), "81");
  EXPECT_EQ(sheet.Sel, (Selection{1, 4, 1, 4}));
  EXPECT_FALSE(sheet.RowsMode);

  SelectRows(1, 7);
  prompter.Expect(
      BoxKind::Confirmation,
      QStringLiteral("Current selection comprises all cases.\n\rShould a blank DataSheet be created?"),
      Button::Yes | Button::Cancel, Button::Cancel);
  DeleteCases(sheet);
  EXPECT_EQ(sheet.CaseCount(), 7) << "Cancel keeps the data";
}

TEST_F(EditingTest, AddingCasesAppendsExcludedEmptyOnes) {
  SelectRows(2, 3);
  AddCases(sheet);
  EXPECT_EQ(sheet.CaseCount(), 12);
  EXPECT_EQ(Cell(0, 11), "N");
  EXPECT_EQ(Cell(1, 12), "");
  EXPECT_EQ(sheet.Sel, (Selection{1, 11, 4, 12}));
}

TEST_F(EditingTest, InsertingVariablesKeepsTheSelectorsOnTheirVariables) {
  sheet.Connected = true;
  graph.chosen[static_cast<int>(GraphSelector::A)] = 3;
  graph.chosen[static_cast<int>(GraphSelector::Label)] = 1;
  graph.log.clear();
  SelectColumns(2, 3);
  InsertVariables(sheet);
  EXPECT_EQ(sheet.VariableCount(), 6);
  EXPECT_EQ(Cell(2, 0), "New 2#");
  EXPECT_EQ(Cell(3, 0), "New 3#");
  EXPECT_EQ(Cell(5, 0), "V3");
  EXPECT_EQ(graph.chosen[static_cast<int>(GraphSelector::A)], 5) << "apex A still names V3";
  EXPECT_EQ(graph.chosen[static_cast<int>(GraphSelector::Label)], 1);
  EXPECT_EQ(graph.log, (std::vector<std::string>{"insert 2 New 2#", "insert 3 New 3#"}));
}

TEST_F(EditingTest, DeletingThePlottedVariableResetsItsApex) {
  sheet.Connected = true;
  graph.chosen[static_cast<int>(GraphSelector::B)] = 2;
  graph.chosen[static_cast<int>(GraphSelector::C)] = 4;
  graph.log.clear();
  SelectColumns(2, 2);
  DeleteVariables(sheet);
  EXPECT_EQ(Cell(2, 0), "V3");
  EXPECT_EQ(graph.chosen[static_cast<int>(GraphSelector::B)], 0) << "(None)";
  EXPECT_EQ(graph.chosen[static_cast<int>(GraphSelector::C)], 3) << "moves with V4";
  EXPECT_EQ(graph.log,
            (std::vector<std::string>{"updating on", "apex B", "remove 2", "updating off", "recompute"}));
  EXPECT_EQ(sheet.Sel, (Selection{1, 1, 1, 1}));

  SelectColumns(1, 3);
  prompter.Expect(
      BoxKind::Confirmation,
      QStringLiteral("Current selection comprises all variables.\n\rShould a blank DataSheet be created?"),
      Button::Yes | Button::Cancel, Button::Yes);
  prompter.Expect(BoxKind::Confirmation,
                  QStringLiteral("DataSheet file Untitled has changed.\n\rSave modifications?"),
                  Button::Yes | Button::No | Button::Cancel, Button::No);
  DeleteVariables(sheet);
  EXPECT_TRUE(sheet.Blank) << "a blank sheet after Yes";
}

TEST_F(EditingTest, AddedVariablesAreNamedAndTagged) {
  sheet.Connected = true;
  graph.log.clear();
  SelectColumns(1, 2);
  AddVariables(sheet);
  EXPECT_EQ(Cell(5, 0), "New 5#");
  EXPECT_EQ(Cell(6, 0), "New 6#");
  EXPECT_EQ(sheet.Sel, (Selection{5, 1, 6, 10}));
  EXPECT_EQ(graph.log, (std::vector<std::string>{"append New 5#", "append New 6#"}));
}

TEST_F(EditingTest, RenamingTakesTheTextAsTyped) {
  sheet.SetCell(1, 0, "MgO#");
  RenameVariable(sheet, 1, "MgO");
  EXPECT_FALSE(sheet.IsTagged(1));
  EXPECT_FALSE(sheet.Saved);
  sheet.Saved = true;
  sheet.Connected = true;
  sheet.Sel = Selection{3, 0, 3, 10};
  PlotIn(sheet, GraphSelector::D);
  EXPECT_EQ(graph.chosen[static_cast<int>(GraphSelector::D)], 3);
  EXPECT_EQ(graph.log.back(), "apex D");
}

}  // namespace
}  // namespace varnel
