#include "sheet/editing.h"

#include <gtest/gtest.h>

#include "sheet/filter.h"
#include "sheet/sheet.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/datasheet/sheetcells.h"
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
  std::string Names(int left, int right) { return test::Row(sheet, 0, left, right); }
  std::string Marks(int first, int last) { return test::Marks(sheet, first, last); }
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
  EXPECT_EQ(Names(1, 3), "SiO2#|Si#O2|A##");
  TagVariables(sheet, false);
  EXPECT_EQ(Names(1, 3), "SiO2|SiO2|A#") << "A# still tagged";
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
  EXPECT_EQ(Marks(2, 4), "NYN") << "a lower-case n is excluded, so it toggles to Y";
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
  // abc and 5,5 compare as text, after 5; the empty cell is smaller.
  EXPECT_EQ(Marks(1, 5), "YYNNY");
  EXPECT_TRUE(sheet.Saved);

  // With Exclude, failing cases keep their marks.
  RunFilter(sheet, 1, FilterCondition::Make(OpEqual, "10", false, '.'), std::nullopt, true, false, '.');
  EXPECT_EQ(Marks(1, 2), "NY");
}

TEST(Filter, SubstringsMatchInsideTheCellAndNumbersAsNumbers) {
  struct Case {
    FilterOperator op;
    const char* value;
    bool inside;
    const char* cell;
    bool passes;
  };
  const Case cases[] = {
      {OpEqual, "Ol", true, "Ol-1", true},      {OpEqual, "Ol", true, "Olivine", true},
      {OpEqual, "Ol", true, "OL", false},       {OpEqual, "Ol", false, "Olivine", false},
      {OpEqual, "Ol", false, "Ol", true},       {OpEqual, "", true, "Ol", false},  // empty never matches
      {OpNone, "Ol", false, "Ol", false},       {OpDifferent, "2", false, "2.5", true},
      {OpLessEqual, "2.5", false, "2.50", true}};
  for (const Case& c : cases)
    EXPECT_EQ(FilterTest(FilterCondition::Make(c.op, c.value, c.inside, '.'), c.cell, '.'), c.passes)
        << "op " << c.op << " '" << c.value << "'" << (c.inside ? " inside " : " whole ") << c.cell;
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
  EXPECT_EQ(Marks(69909, 69920), "NYYYYYYYYYYN") << "beyond case 65535 too";
  EXPECT_EQ(Cell(0, 15), "Y");
  RunFilter(sheet, 1, FilterCondition::Make(OpEqual, "1", false, '.'),
            FilterCondition::Make(OpEqual, "2", false, '.'), false, true, '.');
  EXPECT_EQ(Marks(69901, 69902), "YY") << "Or";
}

TEST_F(EditingTest, FilterValuesAreSortedWithoutCaseAndWithoutTheName) {
  const char* const cells[] = {"Phase", "ol", "Cpx", "OL", "", "phase", "cpx", "cpx", "cpx", "cpx", "cpx"};
  for (int r = 0; r <= 10; ++r) sheet.SetCell(2, r, cells[r]);
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
  EXPECT_EQ(test::Row(sheet, 5, 0, 3), "Y|51||53");
  EXPECT_FALSE(sheet.Saved);
  sheet.Sel = Selection{1, 1, 1, 1};
  PasteText(sheet, "7.5\r\n");
  EXPECT_EQ(Cell(1, 1), "7.5");
  prompter.Expect(
      BoxKind::Error,
      QStringLiteral("The text on the clipboard holds a NUL character in line 2, so it is not text."
                     "\n\rNothing was pasted."),
      Only(Button::Ok), Button::Ok);
  PasteText(sheet, std::string_view("1\r\n2\0\r\n", 7));
  EXPECT_EQ(Cell(1, 1), "7.5");
  EXPECT_EQ(Cell(1, 2), "21") << "nothing of the text was pasted";
}

TEST_F(EditingTest, InsertingCasesMovesTheOthersDown) {
  SelectRows(3, 4);
  InsertCases(sheet);
  EXPECT_EQ(sheet.CaseCount(), 12);
  EXPECT_EQ(test::Row(sheet, 3, 0, 4), "N||||");
  EXPECT_EQ(test::Row(sheet, 4, 0, 4), "N||||");
  EXPECT_EQ(test::Column(sheet, 1, 1, 12), "11|21|||31|41|51|61|71|81|91|101");
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
  EXPECT_EQ(test::Row(sheet, 11, 0, 4), "N||||");
  EXPECT_EQ(test::Row(sheet, 12, 0, 4), "N||||");
  EXPECT_EQ(sheet.Sel, (Selection{1, 11, 4, 12}));
  // The new cases stay selected whole: Add can run again at once.
  EXPECT_TRUE(sheet.RowsMode);
  AddCases(sheet);
  EXPECT_EQ(sheet.CaseCount(), 14);
}

TEST_F(EditingTest, InsertingVariablesKeepsTheSelectorsOnTheirVariables) {
  sheet.Connected = true;
  graph.Chosen(GraphSelector::A) = 3;
  graph.Chosen(GraphSelector::Label) = 1;
  graph.log.clear();
  SelectColumns(2, 3);
  InsertVariables(sheet);
  EXPECT_EQ(sheet.VariableCount(), 6);
  EXPECT_EQ(Names(1, 6), "V1|New 2#|New 3#|V2|V3|V4");
  EXPECT_EQ(graph.Chosen(GraphSelector::A), 5) << "apex A still names V3";
  EXPECT_EQ(graph.Chosen(GraphSelector::Label), 1);
  EXPECT_EQ(graph.log, (std::vector<std::string>{"insert 2 New 2#", "insert 3 New 3#"}));
}

TEST_F(EditingTest, DeletingThePlottedVariableResetsItsApex) {
  sheet.Connected = true;
  graph.Chosen(GraphSelector::B) = 2;
  graph.Chosen(GraphSelector::C) = 4;
  graph.log.clear();
  SelectColumns(2, 2);
  DeleteVariables(sheet);
  EXPECT_EQ(Cell(2, 0), "V3");
  EXPECT_EQ(graph.Chosen(GraphSelector::B), 0) << "(None)";
  EXPECT_EQ(graph.Chosen(GraphSelector::C), 3) << "moves with V4";
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
  EXPECT_EQ(Names(4, 6), "V4|New 5#|New 6#");
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
  EXPECT_EQ(graph.Chosen(GraphSelector::D), 3);
  EXPECT_EQ(graph.log.back(), "apex D");
}

}  // namespace
}  // namespace varnel
