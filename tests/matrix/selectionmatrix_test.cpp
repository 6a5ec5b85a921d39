#include "matrix/selectionmatrix.h"

#include <gtest/gtest.h>

#include "core/computationerror.h"
#include "tests/matrix/sheetbuilder.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

struct SelectionTest : ::testing::Test {
  test::ScriptedPrompter prompter;
  Sheet sheet{prompter};
};

TEST_F(SelectionTest, OnlyUntaggedVariablesEnterTheMatrix) {
  test::Fill(sheet, {{"Label#", "SiO2", "Fe#2", "#MgO", "MgO", "CaO"},
                     {"a", "1", "x", "y", "2", "3"},
                     {"b", "4", "", "", "5", "6"}});
  IVector list;
  EXPECT_EQ(UntaggedVariables(sheet, list), 3);
  EXPECT_EQ(list[1], 2);
  EXPECT_EQ(list[2], 5);
  EXPECT_EQ(list[3], 6);

  FMatrix m;
  EXPECT_EQ(SelectionToFMatrix(sheet, m, 1, 2, false, list, 3, '.'), 0) << "empty tagged cells do not matter";
  EXPECT_EQ(m(1, 1), 1);
  EXPECT_EQ(m(2, 3), 6);
  FMatrix t;
  EXPECT_EQ(SelectionToFMatrix(sheet, t, 1, 2, true, list, 3, '.'), 0);
  EXPECT_EQ(t(1, 2), 4) << "transposed: row k is variable k";
  EXPECT_EQ(t(3, 1), 3);
  EXPECT_EQ(t(3, 3), 0) << "3 variables x 2 cases";

  sheet.SetCell(5, 2, "");
  EXPECT_EQ(SelectionToFMatrix(sheet, m, 1, 2, false, list, 3, '.'), CodeNotNumeric);
  sheet.SetCell(5, 2, "5,5");
  EXPECT_EQ(SelectionToFMatrix(sheet, m, 1, 2, false, list, 3, '.'), CodeNotNumeric);
  EXPECT_EQ(SelectionToFMatrix(sheet, m, 1, 2, false, list, 3, ','), 0);
  EXPECT_EQ(m(2, 2), 5.5L);
}

TEST_F(SelectionTest, SizeChecksRefuseTooSmallAndTooLargeSelections) {
  test::Fill(sheet, {{"A", "B"}, {"1", "2"}, {"3", "4"}});
  IVector list;
  int cases = 0, variables = 0;
  EXPECT_EQ(CheckMatrixSize(sheet, Selection{1, 1, 1, 1}, cases, variables, list), CodeNoMatrix);
  EXPECT_EQ(cases, 1);
  EXPECT_EQ(CheckMatrixSize(sheet, Selection{1, 0, 2, 2}, cases, variables, list), 0)
      << "row 0 counts as case 1";
  EXPECT_EQ(cases, 2);
  sheet.SetCell(2, 0, "B#");
  EXPECT_EQ(CheckMatrixSize(sheet, Selection{1, 1, 2, 2}, cases, variables, list), CodeNoMatrix);
  EXPECT_EQ(variables, 1);

  sheet.SetSize(62, 62);
  for (int c = 1; c < 62; ++c) sheet.SetCell(c, 0, "V" + std::to_string(c));
  EXPECT_EQ(CheckMatrixSize(sheet, Selection{1, 1, 1, 60}, cases, variables, list), CodeTooLarge)
      << "61 variables";
  EXPECT_EQ(variables, 61);
  EXPECT_EQ(list[60], 60) << "only the first 60 are listed";
  sheet.SetCell(61, 0, "V61#");
  EXPECT_EQ(CheckMatrixSize(sheet, Selection{1, 1, 1, 60}, cases, variables, list), 0) << "60 x 60";
  EXPECT_EQ(CheckMatrixSize(sheet, Selection{1, 1, 1, 61}, cases, variables, list), CodeTooLarge)
      << "61 cases";
}

}  // namespace
}  // namespace varnel
