#include "core/numberread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace varnel {
namespace {

struct Accepted {
  const char* text;
  Real value;
};

// Written with "." as the separator; the comma table is derived from it.
const Accepted AcceptedTexts[] = {
    {"0", 0},
    {"1", 1},
    {"+1", 1},
    {"-1", -1},
    {"42.5", 42.5L},
    {".5", 0.5L},
    {"-.5", -0.5L},
    {"5.", 5},
    {".", 0},
    {"+.", 0},
    {"  7", 7},
    {"7   ", 7},
    {"  -7.25  ", -7.25L},
    {"1e3", 1000},
    {"1E3", 1000},
    {"1e+3", 1000},
    {"2.5e-3", 0.0025L},
    {"-2.5E-3", -0.0025L},
    {".5e1", 5},
    {"007", 7},
    {"0.000", 0},
    {"-0", 0},
    {"1e-5000", 0},
    {"1e4900", 1e4900L},
    {"123456789012345678", 123456789012345678.0L},
    {"0.1", 0.1L},
    {"3.14159265358979323846", 3.14159265358979323846L},
    {"0.30000000000000000000000000001", 0.3L},
    {"100000000000000000000000000000", 1e29L},
    {"1e-30", 1e-30L},
    {"18446744073709551615", 18446744073709551615.0L},
    {"0.009", 0.009L},
    {"-0.05", -0.05L},
    {"000.0001234", 0.0001234L},
    {"0.0000000000000000000000000000123456789", 1.23456789e-29L},
    {"0.00012e3", 0.12L},
    {"10.010", 10.01L},
};

const char* const RefusedTexts[] = {
    "",        " ",    "+",   "-",   "e5",     "E",       "1e",  "1e+", "1.2.3",
    "1,000.5", "abc",  "12a", "a12", "\t1",    "1\t",     "1 2", "- 1", "+-1",
    "1e5.5",   "0x10", "inf", "nan", "1e5000", "-1e5000", "1..", "..1", "1 e5",
};

std::string WithComma(std::string s) {
  for (char& c : s)
    if (c == '.') c = ',';
  return s;
}

TEST(ReadNumber, AcceptsTheGrammarWithEitherSeparator) {
  for (const Accepted& a : AcceptedTexts) {
    Real v = -99;
    ASSERT_TRUE(ReadNumber(a.text, '.', v)) << a.text;
    EXPECT_EQ(v, a.value) << a.text;
    const std::string comma = WithComma(a.text);
    Real w = -99;
    ASSERT_TRUE(ReadNumber(comma, ',', w)) << comma;
    EXPECT_EQ(w, a.value) << comma;
  }
}

TEST(ReadNumber, RefusesEverythingElse) {
  for (const char* text : RefusedTexts) {
    EXPECT_FALSE(ReadNumber(text, '.').has_value()) << "'" << text << "'";
    EXPECT_FALSE(ReadNumber(WithComma(text), ',').has_value()) << "'" << WithComma(text) << "'";
  }
}

TEST(ReadNumber, TheOtherSeparatorIsNotANumber) {
  EXPECT_FALSE(ReadNumber("1.5", ',').has_value());
  EXPECT_FALSE(ReadNumber("1,5", '.').has_value());
  EXPECT_EQ(ReadNumber("1,5", ',').value(), 1.5L);
}

TEST(ReadNumber, GivesTheNearestExtendedReal) {
  // Values that are not exact in binary must come out as the nearest 80-bit
  // value, which is what the compiler makes of the same literal.
  EXPECT_EQ(ReadNumber("0.1", '.').value(), 0.1L);
  EXPECT_NE(ReadNumber("0.1", '.').value(), static_cast<Real>(0.1)) << "not rounded through double";
  EXPECT_EQ(ReadNumber("2.2250738585072014e-308", '.').value(), 2.2250738585072014e-308L);
  EXPECT_EQ(ReadNumber("9.999999999999999999e27", '.').value(), 9.999999999999999999e27L);
  EXPECT_EQ(ReadNumber("1.18973149535723176502e+4932", '.').value(), 1.18973149535723176502e+4932L);
  EXPECT_EQ(ReadNumber("12345678901234567890123", '.').value(), 12345678901234567890123.0L);
  EXPECT_EQ(ReadNumber("  -6.02214076E23 ", '.').value(), -6.02214076E23L);
}

TEST(ReadNumber, AgreesWithTheCLibraryOnRandomDecimalTexts) {
  // Leading zeros, long fractions, exponents: the fast path and the slow one
  // must both give the value strtold gives for the same text.
  std::mt19937_64 gen(17);
  auto digits = [&gen](int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += static_cast<char>('0' + gen() % 10);
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    if (gen() % 3 == 0) text += '-';
    text += std::string(gen() % 4, '0') + digits(static_cast<int>(gen() % 12));
    if (gen() % 2) text += "." + std::string(gen() % 6, '0') + digits(static_cast<int>(gen() % 25));
    if (text.find_first_of("0123456789") == std::string::npos) text += "0";
    if (gen() % 3 == 0) text += "e" + std::to_string(static_cast<int>(gen() % 80) - 40);
    const Real expected = std::strtold(text.c_str(), nullptr);
    Real got = -1;
    ASSERT_TRUE(ReadNumber(text, '.', got)) << text;
    ASSERT_EQ(got, expected == 0 ? 0 : expected) << text;
  }
}

TEST(ReadNumber, LongTextsAndHugeExponentsDoNotMisbehave) {
  const std::string zeros(100000, '0');
  EXPECT_EQ(ReadNumber(zeros + "1", '.').value(), 1);
  EXPECT_EQ(ReadNumber("0." + zeros + "1e100001", '.').value(), 1);
  EXPECT_FALSE(ReadNumber("1" + zeros, '.').has_value()) << "10^100000 is out of range";
  EXPECT_EQ(ReadNumber("1e-99999999999999999999", '.').value(), 0);
  EXPECT_FALSE(ReadNumber("1e99999999999999999999", '.').has_value());
  EXPECT_FALSE(ReadNumber(zeros + "x", '.').has_value());
}

TEST(ReadNumber, SubnormalValuesReadAsTheirValue) {
  const Real smallestNormal = std::numeric_limits<Real>::min();
  const Real smallestSubnormal = std::numeric_limits<Real>::denorm_min();
  // Written as the reports write them, then read back.
  for (const Real x : {4.5e-4935L, -4.5e-4935L, 1e-4940L, smallestNormal / 2, smallestSubnormal * 3}) {
    char text[64];
    std::snprintf(text, sizeof text, "%.25Le", x);
    Real got = 0;
    ASSERT_TRUE(ReadNumber(text, '.', got)) << text;
    EXPECT_EQ(got, x) << text;
    EXPECT_NE(got, 0) << text;
    EXPECT_EQ(ReadNumber(WithComma(text), ',').value(), x) << text;
  }
  EXPECT_EQ(ReadNumber("4.5e-4935", '.').value(), 4.5e-4935L);
  // Only below the smallest subnormal (about 3.6e-4951) does a value become 0.
  EXPECT_EQ(ReadNumber("1e-4952", '.').value(), 0);
  EXPECT_EQ(ReadNumber("-1e-4960", '.').value(), 0);
}

}  // namespace
}  // namespace varnel
