#include "core/numbertext.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

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

TEST(AppendFNumber, AppendsTheSameTextAndLeavesWhatWasThere) {
  // The text before holds a dot, a minus sign and digits: the separator, the
  // sign and the zero test of the appended number must look at its own text.
  const std::string before = "-1.5\t";
  const Real values[] = {0,
                         -0.0L,
                         1.5L,
                         -2,
                         0.00004L,
                         -0.00004L,
                         1e12L,
                         -123.456789L,
                         2.5e-300L,
                         std::numeric_limits<Real>::infinity(),
                         std::numeric_limits<Real>::quiet_NaN()};
  for (const int style : {StyleShort, StyleLong, StyleMax, StyleExp})
    for (const char separator : {'.', ','})
      for (const Real x : values) {
        std::string out = before;
        AppendFNumber(out, style, x, separator);
        EXPECT_EQ(out, before + FormatFNumber(style, x, separator)) << style << " " << static_cast<double>(x);
      }
  std::string out = "0.0";
  AppendFNumber(out, StyleShort, -0.00004L, ',');
  EXPECT_EQ(out, "0.0 0,0000");
  AppendFNumber(out, StyleExp, -1.25L, ',');
  EXPECT_EQ(out, "0.0 0,0000-1,250000000000E+0");
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

// The fixed styles agree with the exact decimal expansion everywhere: at
// random magnitudes, on rounding ties and just beside them.
TEST(FormatFNumber, FixedStylesRoundTheExactBinaryValue) {
  std::mt19937_64 gen(5);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  auto exact = [](Real x, int decimals) {
    char buf[5000];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, decimals);
    std::string digits(buf, res.ptr);
    const bool zero = digits.find_first_of("123456789") == std::string::npos;
    return std::string(1, x < 0 && !zero ? '-' : ' ') + digits;
  };
  std::vector<Real> values;
  for (int k = 0; k < 200000; ++k)
    values.push_back(static_cast<Real>(mantissa(gen)) * std::pow(10.0L, static_cast<Real>(exponent(gen))));
  for (const Real tie : {0.00005L, 0.00015L, 1.00025L, 2.5e-7L, 0.125L, 1234.56785L, 0.000049999999L}) {
    values.push_back(tie);
    values.push_back(-tie);
    values.push_back(std::nextafter(tie, Real{1}));
    values.push_back(std::nextafter(tie, Real{0}));
  }
  const int styles[] = {StyleShort, StyleLong, StyleMax};
  const int decimals[] = {4, 6, 8};
  for (const Real x : values)
    for (int s = 0; s < 3; ++s)
      ASSERT_EQ(FormatFNumber(styles[s], x, '.'), exact(x, decimals[s])) << static_cast<double>(x);
}

// The general form the mapping results (8 digits) and the wizard's values
// (15 digits) are written in.
TEST(GeneralNumberFormat, FixedOrExponentByTheLimits) {
  struct Case {
    Real value;
    int digits, limit;
    const char* text;
  };
  const Case cases[] = {
      {0.50409537123L, 8, 8, "0,50409537"},
      {-0.0336999781L, 8, 8, "-0,033699978"},
      {12345678.4L, 8, 8, "12345678"},
      {123456784.0L, 8, 8, "1,2345678E8"},
      {0.00000123L, 8, 8, "1,23E-6"},
      {0.0000123L, 8, 8, "0,0000123"},
      {2.5L, 15, 15, "2,5"},
      {1e15L, 15, 15, "1E15"},
      {0, 8, 8, "0"},
      {100, 8, 8, "100"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GeneralNumberFormat(c.value, c.digits, c.limit, ','), c.text) << c.text;
  EXPECT_EQ(GeneralNumberFormat(-std::numeric_limits<Real>::infinity(), 8, 8, '.'), "-INF");
}

}  // namespace
}  // namespace varnel
