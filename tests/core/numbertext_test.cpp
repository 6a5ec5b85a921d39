#include "core/numbertext.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(FormatFNumber, FixedStylesLeadWithASpaceOrAMinus) {
  EXPECT_EQ(FormatFNumber(StyleShort, 1.5L, '.'), " 1.5000");
  EXPECT_EQ(FormatFNumber(StyleShort, -2, '.'), "-2.0000");
  EXPECT_EQ(FormatFNumber(StyleShort, 0, '.'), " 0.0000");
  EXPECT_EQ(FormatFNumber(StyleLong, 1.5L, '.'), " 1.500000");
  EXPECT_EQ(FormatFNumber(StyleLong, 0, '.'), " 0.000000");
  EXPECT_EQ(FormatFNumber(StyleMax, 1.5L, '.'), " 1.50000000");
  EXPECT_EQ(FormatFNumber(StyleMax, 0, '.'), " 0.00000000");
  EXPECT_EQ(FormatFNumber(StyleShort, 1234567.25L, '.'), " 1234567.2500") << "no thousands separators";
  EXPECT_EQ(FormatFNumber(StyleShort, 1.5L, ','), " 1,5000");
  EXPECT_EQ(FormatFNumber(StyleMax, -0.125L, ','), "-0,12500000");
}

TEST(FormatFNumber, RoundsToNearestAndNeverPrintsMinusZero) {
  EXPECT_EQ(FormatFNumber(StyleShort, 0.99996L, '.'), " 1.0000");
  EXPECT_EQ(FormatFNumber(StyleShort, 2.00004L, '.'), " 2.0000");
  EXPECT_EQ(FormatFNumber(StyleShort, 0.00005000001L, '.'), " 0.0001");
  EXPECT_EQ(FormatFNumber(StyleShort, 0.03125L, '.'), " 0.0312") << "exact tie goes to even";
  EXPECT_EQ(FormatFNumber(StyleShort, -0.00004L, '.'), " 0.0000");
  EXPECT_EQ(FormatFNumber(StyleLong, -0.0000004L, '.'), " 0.000000");
  EXPECT_EQ(FormatFNumber(StyleShort, -0.0L, '.'), " 0.0000");
  EXPECT_EQ(FormatFNumber(StyleShort, -0.00005000001L, '.'), "-0.0001");
  // The full 64-bit mantissa reaches the text.
  EXPECT_EQ(FormatFNumber(StyleMax, 12345678901.123456789L, '.'), " 12345678901.12345679");
}

TEST(FormatFNumber, ExpStyleHasThirteenDigitsAndAShortExponent) {
  EXPECT_EQ(FormatFNumber(StyleExp, 1.5L, '.'), "1.500000000000E+0");
  EXPECT_EQ(FormatFNumber(StyleExp, -0.00025L, '.'), "-2.500000000000E-4");
  EXPECT_EQ(FormatFNumber(StyleExp, 0, '.'), "0.000000000000E+0");
  EXPECT_EQ(FormatFNumber(StyleExp, -0.0L, '.'), "0.000000000000E+0");
  EXPECT_EQ(FormatFNumber(StyleExp, 12345, ','), "1,234500000000E+4");
  EXPECT_EQ(FormatFNumber(StyleExp, 1e100L, '.'), "1.000000000000E+100");
  EXPECT_EQ(FormatFNumber(StyleExp, 2.5e-4000L, '.'), "2.500000000000E-4000");
  EXPECT_EQ(FormatFNumber(StyleExp, 9.99999999999999L, '.'), "1.000000000000E+1");
  EXPECT_EQ(FormatFNumber(StyleExp, 1.0L / 3, '.'), "3.333333333333E-1");
}

TEST(FormatFMatrixRow, JoinsElementsWithTabs) {
  FMatrix m;
  m(2, 1) = 1;
  m(2, 2) = -0.5L;
  m(2, 3) = 0;
  EXPECT_EQ(FormatFMatrixRow(m, 2, 3, StyleShort, '.'), " 1.0000\t-0.5000\t 0.0000");
  EXPECT_EQ(FormatFMatrixRow(m, 2, 3, StyleExp, '.'),
            " 1.000000000000E+0\t-5.000000000000E-1\t 0.000000000000E+0");
  EXPECT_EQ(FormatFMatrixRow(m, 2, 1, StyleLong, ','), " 1,000000");
  EXPECT_EQ(FormatFMatrixRow(m, 2, 0, StyleShort, '.'), "");
  EXPECT_EQ(FormatFMatrixRow(m, 2, -1, StyleShort, '.'), "");
}

TEST(FormatFDiagonalRow, WritesFixedZerosOffTheDiagonal) {
  EXPECT_EQ(FormatFDiagonalRow(1, 3, StyleExp, 2, '.'),
            " 2.000000000000E+0\t 0.00000000000000000E+0\t 0.000000000000E+0");
  EXPECT_EQ(FormatFDiagonalRow(3, 3, StyleExp, -2, '.'),
            " 0.00000000000000000E+0\t 0.00000000000000000E+0\t-2.000000000000E+0");
  EXPECT_EQ(FormatFDiagonalRow(2, 3, StyleShort, 9.5L, '.'), " 0.0000\t 9.5000\t 0.0000");
  EXPECT_EQ(FormatFDiagonalRow(1, 2, StyleLong, 1, ','), " 1,000000\t 0,000000");
  EXPECT_EQ(FormatFDiagonalRow(2, 2, StyleMax, 0, '.'), " 0.00000000\t 0.00000000");
}

}  // namespace
}  // namespace varnel
