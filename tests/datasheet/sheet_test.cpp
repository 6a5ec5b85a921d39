#include "sheet/sheet.h"

#include <gtest/gtest.h>

#include "tests/datasheet/recordinggraph.h"
#include "tests/datasheet/sheetcells.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

const QString SaveQuestion = QStringLiteral("DataSheet file Untitled has changed.\n\rSave modifications?");

struct SheetTest : ::testing::Test {
  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet{prompter, &graph};
  SheetTest() { EXPECT_TRUE(sheet.New1Click()); }
};

TEST_F(SheetTest, ANewSheetHasTheTaggedVariablesAndExcludedCasesOfThePreferredSize) {
  EXPECT_EQ(sheet.ColCount(), 11);
  EXPECT_EQ(sheet.RowCount(), 21);
  EXPECT_EQ(test::Row(sheet, 0, 0, 10),
            "|Var_1#|Var_2#|Var_3#|Var_4#|Var_5#|Var_6#|Var_7#|Var_8#|Var_9#|Var_10#");
  EXPECT_EQ(test::Marks(sheet, 1, 20), std::string(20, 'N'));
  EXPECT_EQ(sheet.IncludedCount(), 0);
  EXPECT_EQ(sheet.StatusTexts(),
            (std::array<QString, 3>{QStringLiteral("Discon."), QStringLiteral("0"), QStringLiteral("20")}));
  EXPECT_TRUE(sheet.Blank);
  EXPECT_TRUE(sheet.Saved);
  EXPECT_FALSE(sheet.FirstNew);
  EXPECT_EQ(sheet.FileName, QStringLiteral("Untitled"));
  EXPECT_EQ(sheet.SheetCaption(), QStringLiteral("Untitled - VarnelData"));
  EXPECT_EQ(sheet.AppTitle(), QStringLiteral("Untitled - Varnel"));
  EXPECT_EQ(sheet.Sel, (Selection{1, 1, 1, 1}));

  // New follows the preferred size.
  sheet.Prefs.DefaultColCount = 3;
  sheet.Prefs.DefaultRowCount = 5;
  ASSERT_TRUE(sheet.New1Click());
  EXPECT_EQ(sheet.ColCount(), 4);
  EXPECT_EQ(sheet.RowCount(), 6);
  EXPECT_EQ(sheet.Name(3), "Var_3#");
}

TEST_F(SheetTest, TagsAreAHashAnywhereInTheNameAndOnlyTheExactTextYIncludes) {
  for (const char* tagged : {"Si#O2", "Label#"}) EXPECT_TRUE(Sheet::IsTaggedName(tagged)) << tagged;
  for (const char* plain : {"SiO2", ""}) EXPECT_FALSE(Sheet::IsTaggedName(plain)) << plain;

  const char* const marks[] = {"Y", "y", " Y", "Y ", "Y"};
  for (int r = 1; r <= 5; ++r) sheet.SetCell(0, r, marks[r - 1]);
  sheet.RecountIncluded();
  EXPECT_EQ(sheet.IncludedCount(), 2);
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(sheet.Included(r), r == 1 || r == 5) << "'" << marks[r - 1] << "'";
  EXPECT_EQ(sheet.StatusTexts()[1], QStringLiteral("2"));
}

TEST_F(SheetTest, TheMirrorCountsEveryCase) {
  sheet.SetSize(3, 12001);
  sheet.SetAllInclusion(true);
  EXPECT_EQ(sheet.IncludedCount(), 12000);
  EXPECT_TRUE(sheet.Included(5000));
  EXPECT_TRUE(sheet.Included(12000));
  EXPECT_FALSE(sheet.Included(12001)) << "no such case";
  EXPECT_FALSE(sheet.Included(0));
  sheet.SetCell(0, 6000, "N");
  sheet.RecountIncluded();
  EXPECT_FALSE(sheet.Included(6000));
  EXPECT_EQ(sheet.IncludedCount(), 11999);
  sheet.InsertRows(12001, 1);
  sheet.SetCell(0, 12001, "Y");
  EXPECT_TRUE(sheet.Included(12001)) << "a case added since the recount counts by its own mark";
  EXPECT_EQ(sheet.Cell(0, 5999), "Y") << "every mark is kept";
  EXPECT_EQ(sheet.StatusTexts()[2], QStringLiteral("12001"));
  sheet.SetSize(3, 11);
  sheet.RecountIncluded();
  EXPECT_EQ(sheet.IncludedCount(), 10);
  EXPECT_FALSE(sheet.Included(11)) << "rows that went away are not mirrored";
}

TEST_F(SheetTest, InclusionColumnWidthFollowsTheDigitsOfTheCaseCount) {
  // Case counts and their digits.
  const std::pair<int, int> digits[] = {{0, 12},     {1, 3},          {9, 3},          {12, 4},
                                        {99, 4},     {100, 5},        {9999, 6},       {10000, 7},
                                        {100000, 8}, {999999999, 11}, {1000000000, 12}};
  for (const auto& [cases, expected] : digits)
    EXPECT_EQ(InclusionDigits(cases), expected) << cases << " cases";
  // Digits and the width of a column of 30.
  const std::pair<int, int> widths[] = {{7, 38}, {8, 35}, {11, 35}, {12, 30}, {16, 26}, {19, 22}};
  for (const auto& [n, expected] : widths) EXPECT_EQ(AdjustInclusionWidth(30, n), expected) << n << " digits";
}

TEST_F(SheetTest, CellTintLightensTheButtonFace) {
  EXPECT_EQ(CellTintFor(240, 240, 240, false), (std::array<int, 3>{246, 246, 246}));
  EXPECT_EQ(CellTintFor(0, 100, 255, false), (std::array<int, 3>{102, 162, 255}));
  EXPECT_EQ(CellTintFor(212, 208, 200, true), (std::array<int, 3>{212, 208, 200}));
  // A classic grey face gives a tint that stands out from white cells...
  const std::array<int, 3> white{255, 255, 255}, blue{48, 140, 198};
  EXPECT_EQ(VisibleCellTint(CellTintFor(212, 208, 200, false), white, blue),
            CellTintFor(212, 208, 200, false));
  // ...a pale one (245 against 255) is replaced by one that can be seen.
  const std::array<int, 3> pale = VisibleCellTint(CellTintFor(239, 239, 239, false), white, blue);
  EXPECT_EQ(pale, (std::array<int, 3>{218, 234, 245}));
  int contrast = 0;
  for (int k = 0; k < 3; ++k) contrast = std::max(contrast, 255 - pale[k]);
  EXPECT_GE(contrast, MinimumTintContrast);
}

TEST_F(SheetTest, NewAsksFirstAndKeepsTheDataUnlessAllowed) {
  EXPECT_EQ(sheet.AskSaveChanges(), Button::No) << "saved data: nothing to ask";
  sheet.SetCell(1, 1, "47.3");
  sheet.Saved = false;
  sheet.Blank = false;
  prompter.Expect(BoxKind::Confirmation, SaveQuestion, Button::Yes | Button::No | Button::Cancel,
                  Button::Cancel);
  EXPECT_EQ(sheet.AskSaveChanges(), Button::Cancel);
  prompter.Expect(BoxKind::Confirmation, SaveQuestion, Button::Yes | Button::No | Button::Cancel,
                  Button::Cancel);
  EXPECT_FALSE(sheet.New1Click());
  EXPECT_EQ(sheet.Cell(1, 1), "47.3");

  // Yes with a save that does not happen (no window here to save) keeps the
  // data too: nothing is thrown away unsaved.
  prompter.Expect(BoxKind::Confirmation, SaveQuestion, Button::Yes | Button::No | Button::Cancel,
                  Button::Yes);
  EXPECT_FALSE(sheet.New1Click());
  EXPECT_EQ(sheet.Cell(1, 1), "47.3");

  sheet.Connected = true;
  prompter.Expect(BoxKind::Confirmation, SaveQuestion, Button::Yes | Button::No | Button::Cancel, Button::No);
  EXPECT_TRUE(sheet.New1Click());
  EXPECT_EQ(sheet.Cell(1, 1), "");
  EXPECT_TRUE(sheet.Blank);
  EXPECT_TRUE(sheet.Saved);
  EXPECT_NE(std::find(graph.log.begin(), graph.log.end(), "disconnect"), graph.log.end());
}

TEST_F(SheetTest, ClickingHeadersSelectsWholeCasesAndVariables) {
  sheet.MouseDown(0, 3, false);
  EXPECT_EQ(sheet.Sel, (Selection{0, 3, 10, 3}));
  EXPECT_TRUE(sheet.RowsMode);
  EXPECT_FALSE(sheet.ColumnsMode);
  sheet.MouseDown(0, 7, true);
  EXPECT_EQ(sheet.Sel, (Selection{0, 3, 10, 7})) << "Shift extends from the anchor";
  sheet.MouseDown(0, 1, true);
  EXPECT_EQ(sheet.Sel, (Selection{0, 1, 10, 3})) << "also upwards";

  sheet.MouseDown(4, 0, false);
  EXPECT_EQ(sheet.Sel, (Selection{4, 0, 4, 20}));
  EXPECT_TRUE(sheet.ColumnsMode);
  EXPECT_FALSE(sheet.RowsMode);
  sheet.MouseDown(2, 0, true);
  EXPECT_EQ(sheet.Sel, (Selection{2, 0, 4, 20}));

  sheet.MouseDown(0, 5, true);  // Shift on a row header while whole variables are selected
  EXPECT_TRUE(sheet.ColumnsMode) << "nothing changes";
  sheet.MouseDown(3, 3, true);  // Shift on an ordinary cell
  EXPECT_FALSE(sheet.ColumnsMode);
  EXPECT_FALSE(sheet.RowsMode);
}

TEST_F(SheetTest, DraggingFromAHeaderSelectsWholeRowsOrColumns) {
  sheet.MouseDown(0, 5, false);
  sheet.MouseDrag(3, 8);
  EXPECT_EQ(sheet.Sel, (Selection{0, 5, 10, 8}));
  sheet.MouseDrag(0, 0);  // over the name row: counts as case 1
  EXPECT_EQ(sheet.Sel, (Selection{0, 1, 10, 5}));
  sheet.MouseUp(-1, -1, true);  // released outside the cells: to the last case
  EXPECT_EQ(sheet.Sel, (Selection{0, 5, 10, 20}));
  EXPECT_TRUE(sheet.RowsMode);

  sheet.MouseDown(6, 0, false);
  sheet.MouseDrag(0, 4);  // over the inclusion column: counts as variable 1
  EXPECT_EQ(sheet.Sel, (Selection{1, 0, 6, 20}));
  sheet.MouseUp(-1, 2, true);
  EXPECT_EQ(sheet.Sel, (Selection{6, 0, 10, 20}));
}

TEST_F(SheetTest, ReleasingOnTheCornerSelectsAll) {
  sheet.MouseDown(0, 0, false);
  sheet.MouseUp(0, 0, false);
  EXPECT_EQ(sheet.Sel, (Selection{1, 0, 10, 20}));
  EXPECT_TRUE(sheet.ColumnsMode);
  sheet.MouseDown(2, 2, false);
  sheet.CellSelected(2, 2);
  sheet.MouseDown(0, 0, false);
  sheet.MouseUp(3, 3, true);  // released elsewhere: nothing
  EXPECT_FALSE(sheet.ColumnsMode);
}

TEST_F(SheetTest, MovingTheCurrentCellEndsTheModesUnlessShiftKeepsThem) {
  sheet.MouseDown(0, 4, false);
  sheet.ShiftHeld = true;
  sheet.CellSelected(10, 5);  // last column with Shift: the case selection goes on
  EXPECT_TRUE(sheet.RowsMode);
  EXPECT_FALSE(sheet.ShiftHeld);
  sheet.CellSelected(3, 5);
  EXPECT_FALSE(sheet.RowsMode);
  EXPECT_EQ(sheet.Sel.Left, 1);

  sheet.MouseDown(2, 0, false);
  sheet.ShiftHeld = true;
  sheet.CellSelected(2, 20);
  EXPECT_TRUE(sheet.ColumnsMode);
  sheet.CellSelected(2, 7);
  EXPECT_FALSE(sheet.ColumnsMode);
  EXPECT_EQ(sheet.Sel.Top, 1);
}

TEST_F(SheetTest, ACommittedEditMarksTheSheetOnlyWhenTheTextChanged) {
  sheet.EditStartText = "";
  sheet.CommitCellEdit(2, 2, "");
  EXPECT_TRUE(sheet.Saved);
  EXPECT_TRUE(sheet.Blank);

  sheet.CommitCellEdit(2, 2, "51.2");
  EXPECT_EQ(sheet.Cell(2, 2), "51.2");
  EXPECT_FALSE(sheet.Saved);
  EXPECT_FALSE(sheet.Blank);
}

TEST_F(SheetTest, EmptyingACellDoesNotMakeTheSheetNonBlank) {
  sheet.SetCell(1, 1, "x");
  sheet.EditStartText = "x";
  sheet.CommitCellEdit(1, 1, "");
  EXPECT_FALSE(sheet.Saved);
  EXPECT_TRUE(sheet.Blank);
}

TEST_F(SheetTest, AnEditInAPlottedColumnRereadsItsSelectorsOnce) {
  sheet.Connected = true;
  graph.Chosen(GraphSelector::B) = 3;
  graph.Chosen(GraphSelector::Label) = 3;
  graph.Chosen(GraphSelector::A) = 2;
  graph.selectorRefresh = &sheet.SelectorRefresh;
  graph.log.clear();
  sheet.EditStartText = "";
  sheet.CommitCellEdit(3, 5, "12.5");
  EXPECT_EQ(graph.log, (std::vector<std::string>{"apex B", "special Label", "recompute"}));
  EXPECT_TRUE(graph.sawSelectorRefresh);
  EXPECT_FALSE(sheet.SelectorRefresh);
}

TEST_F(SheetTest, GraphUpkeepHappensOnlyWhileConnected) {
  graph.Chosen(GraphSelector::C) = 4;
  graph.Chosen(GraphSelector::TieLine) = 1;
  graph.log.clear();
  sheet.RenameGraphVariable(4, "MgO");
  sheet.RefreshGraphSelectors();
  EXPECT_TRUE(graph.log.empty());

  sheet.Connected = true;
  sheet.RenameGraphVariable(4, "MgO");
  sheet.RefreshGraphSelectors();
  EXPECT_EQ(graph.log, (std::vector<std::string>{"rename 4 MgO", "updating on", "apex C", "special Tie",
                                                 "updating off", "recompute"}))
      << "no repaint per step while updating";
}

TEST_F(SheetTest, StructureChangesKeepCellsInPlace) {
  sheet.SetCell(1, 1, "a");
  sheet.SetCell(1, 2, "b");
  sheet.SetCell(2, 2, "c");
  sheet.InsertRows(2, 2);
  EXPECT_EQ(sheet.RowCount(), 23);
  EXPECT_EQ(test::Column(sheet, 1, 1, 4), "a|||b");
  sheet.RemoveRows(2, 2);
  EXPECT_EQ(sheet.Cell(1, 2), "b");
  sheet.InsertColumns(2, 1);
  EXPECT_EQ(sheet.Cell(3, 2), "c");
  EXPECT_EQ(sheet.Name(3), "Var_2#");
  sheet.RemoveColumns(1, 2);
  EXPECT_EQ(sheet.Cell(1, 2), "c");
  EXPECT_EQ(sheet.ColCount(), 10);
}

TEST_F(SheetTest, CellsAreStoredCompactly) {
  sheet.SetSize(21, 100001);
  for (int c = 1; c <= 20; ++c)
    for (int r = 1; r <= 100000; ++r) sheet.SetCell(c, r, "12.345");
  // Short cells live inline: 16 bytes each for 6 characters and a tab.
  EXPECT_LT(sheet.MemoryBytes(), 4u * 100000u * 20u * 7u);
  sheet.SetCell(5, 5, "a cell text that is much longer than sixteen bytes");
  EXPECT_EQ(sheet.Cell(5, 5), "a cell text that is much longer than sixteen bytes");
}

TEST_F(SheetTest, ShiftArrowsMoveTheFarEndOfAWholeCaseOrVariableSelection) {
  sheet.MouseDown(0, 5, false);
  EXPECT_EQ(sheet.ExtendRows(1), 6);
  EXPECT_EQ(sheet.Sel, (Selection{0, 5, 10, 6}));
  EXPECT_EQ(sheet.ExtendRows(-3), 3) << "past the anchor the other end moves";
  EXPECT_EQ(sheet.Sel, (Selection{0, 3, 10, 5}));
  EXPECT_EQ(sheet.ExtendRows(-10), 1) << "never above the first case";
  EXPECT_EQ(sheet.ExtendRows(100), 20) << "never below the last";
  EXPECT_EQ(sheet.Sel, (Selection{0, 5, 10, 20}));

  sheet.MouseDown(4, 0, false);
  EXPECT_EQ(sheet.ExtendColumns(2), 6);
  EXPECT_EQ(sheet.Sel, (Selection{4, 0, 6, 20}));
  EXPECT_EQ(sheet.ExtendColumns(-9), 1);
  EXPECT_EQ(sheet.Sel, (Selection{1, 0, 4, 20}));
  EXPECT_FALSE(sheet.TakeCellSelection(2, 2, 3, 3)) << "whole variables keep their selection";

  sheet.MouseDown(3, 3, false);
  EXPECT_TRUE(sheet.TakeCellSelection(5, 7, 2, 4));
  EXPECT_EQ(sheet.Sel, (Selection{2, 4, 5, 7}));
}

// A cell given its own text, or a part of it, keeps that text: the old
// storage may go only after the copy.
TEST(CellText, TakesItsOwnTextOrAPartOfIt) {
  const std::string longText = "olivine with spinel inclusions, rim analysis";
  for (const std::string& text : {std::string("Opx"), longText}) {
    CellText cell(text);
    cell.Assign(cell.View());
    EXPECT_EQ(cell.View(), text);
    cell = cell;  // through the copy assignment as well
    EXPECT_EQ(cell.View(), text);
  }
  CellText cell(longText);
  cell.Assign(cell.View().substr(8, 4));  // short, from the heap
  EXPECT_EQ(cell.View(), "with");
  EXPECT_FALSE(cell.OnHeap());
  CellText other(longText);
  other.Assign(other.View().substr(2, 30));  // long, from the heap
  EXPECT_EQ(other.View(), longText.substr(2, 30));
}

TEST(CellText, AssignReusingOverwritesAHeapTextThatFitsAndOtherwiseAssigns) {
  const struct {
    std::string before, after;
    bool sameBlock;  // the heap block kept
  } cases[] = {
      {"0.12345678901234567", "0.98765432109876543", true},  // the same length
      {"0.12345678901234567", "0.1234567890123456", true},   // shorter, still long
      {"0.1234567890123456", "1.2345678901234567e-05", false},  // longer than the block
      {"0.12345678901234567", "0.5", false},                 // short: held inline
      {"0.5", "0.12345678901234567", false},                 // from inline to the heap
      {"", "0.12345678901234567", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before + " -> " + c.after);
    CellText cell(c.before);
    const void* block = cell.OnHeap() ? cell.View().data() : nullptr;
    cell.AssignReusing(c.after);
    EXPECT_EQ(cell.View(), c.after);
    EXPECT_EQ(cell.OnHeap(), c.after.size() > CellText::InlineCapacity);
    if (c.sameBlock) {
      EXPECT_EQ(cell.View().data(), block);
    }
    CellText copy(cell);
    EXPECT_EQ(copy.View(), c.after);
  }
}

}  // namespace
}  // namespace varnel
