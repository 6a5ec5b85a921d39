// Formulas over named variables, and the texts results are written as.
#include "chemistry/formula.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "chemistry/resulttext.h"

namespace varnel {
namespace {

const std::vector<std::string> Names = {"Na2O", "K2O", "SiO2 (wt%)", "Label#", "a]b", "min", "x", "_y2"};

double Eval(const std::string& text, std::vector<double> values = {}) {
  FormulaError e;
  Formula f = Formula::Compile(text, Names, &e);
  EXPECT_TRUE(f.Valid()) << text << ": " << e.Text();
  if (!f.Valid()) return std::nan("");
  // values by name index; the formula takes them in the order of its inputs.
  std::vector<double> in;
  for (int k : f.Inputs()) in.push_back(values.at(static_cast<std::size_t>(k)));
  return f.Evaluate(in.data());
}

TEST(Formula, PrecedenceFunctionsAndNames) {
  const std::vector<double> v = {3.5, 1.25, 50, 7, 2, 10, 4, -6};
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"1 + 2 * 3", 7},
      {"(1 + 2) * 3", 9},
      {"10 / 4", 2.5},
      {"2 ^ 3 ^ 2", 512},
      {"-2 ^ 2", -4},
      {"2 * -3", -6},
      {"1 - 2 - 3", -4},
      {"8 / 2 / 2", 2},
      {"1.5e2 + .5", 150.5},
      {"Na2O + K2O", 4.75},
      {"[SiO2 (wt%)] * 2", 100},
      {"[Label#] + 1", 8},
      {"[a]]b]", 2},
      {"[min] + min(3, 1, 2)", 11},
      {"x^2 + _y2", 10},
      {"Na2O+K2O", 4.75},
      {"sqrt(16) + abs(-3)", 7},
      {"ln(exp(2))", 2},
      {"log10(1000)", 3},
      {"max(1, x, 2)", 4},
      {"sum(1, 2, 3, x)", 10},
      {"mean(1, 2, 3)", 2},
      {"if(x > 3, 10, 20)", 10},
      {"if(x < 3, 10, 20)", 20},
      {"x = 4", 1},
      {"x == 5", 0},
      {"x <> 4", 0},
      {"x != 5", 1},
      {"x >= 4 and Na2O < 3", 0},
      {"x >= 4 or Na2O < 3", 1},
      {"x <= 4 && x > 3.9", 1},
      {"x > 5 || 0", 0},
      {"x > 3 ? 1 : 2", 1},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Eval(c.text, v), c.expected) << c.text;
  // Each name once among the inputs, in order of appearance.
  FormulaError e;
  const Formula f = Formula::Compile("x + Na2O * x + [x]", Names, &e);
  EXPECT_EQ(f.Inputs(), (std::vector<int>{6, 0}));
}

TEST(Formula, ResultsThatAreNotFiniteStayNotFinite) {
  const std::vector<double> v = {0, 1, 50, 7, 2, 10, -4, 0};
  EXPECT_TRUE(std::isinf(Eval("1 / Na2O", v)));
  EXPECT_TRUE(std::isnan(Eval("sqrt(x)", v)));
  EXPECT_TRUE(std::isnan(Eval("ln(x)", v)));
  EXPECT_TRUE(std::isnan(Eval("min(1, 0/0)", v)));
  EXPECT_TRUE(std::isnan(Eval("if(0/0, 1, 2)", v)));
}

TEST(Formula, ErrorsNamePositionsAndUnknownNames) {
  struct Case {
    const char* text;
    int position;
    const char* message;
  };
  const Case cases[] = {
      {"", 0, "Error in the formula: the formula is empty."},
      {"   ", 0, "Error in the formula: the formula is empty."},
      {"[SiO2 (wt%) + 1", 1,
       "Error in the formula at position 1: the name in brackets is not closed with ]."},
      {"x $ 2", 3,
       "Error in the formula at position 3: \"$\" has no meaning here (names other than plain words go in "
       "brackets)."},
      {"Na2O + é", 8,
       "Error in the formula at position 8: \"é\" has no meaning here (names other than plain words go in "
       "brackets)."},
      {"x & 1", 3, "Error in the formula at position 3: \"&\" stands only doubled, as \"&&\"."},
      {"1, 2", 0,
       "Error in the formula: the formula gives more than one value (a comma outside a function)."},
  };
  for (const Case& c : cases) {
    FormulaError e;
    const Formula f = Formula::Compile(c.text, Names, &e);
    EXPECT_FALSE(f.Valid()) << c.text;
    EXPECT_EQ(e.Position, c.position) << c.text;
    EXPECT_EQ(e.Text(), c.message) << c.text;
  }
  // The library's faults, at their place in the user's text (bracketed
  // names are longer there than in the text the library reads).
  struct Pos {
    const char* text;
    int lo, hi;  // the position lies in lo..hi
  };
  const Pos positions[] = {
      {"[SiO2 (wt%)] + * 2", 14, 16}, {"sqrt(x", 1, 7},   {"x + (2 * 3", 1, 11}, {"[SiO2 (wt%)] x", 13, 14},
      {"min(1, 2) max(3)", 10, 11},   {"if(1, 2)", 1, 9}, {"x + )", 5, 5},
  };
  for (const Pos& p : positions) {
    FormulaError e;
    EXPECT_FALSE(Formula::Compile(p.text, Names, &e).Valid()) << p.text;
    EXPECT_GE(e.Position, p.lo) << p.text << ": " << e.Text();
    EXPECT_LE(e.Position, p.hi) << p.text << ": " << e.Text();
    EXPECT_TRUE(e.UnknownNames.empty());
  }
  FormulaError e;
  EXPECT_FALSE(Formula::Compile("Na2O + FeO + [Mg #] + FeO + log(2) + na2o", Names, &e).Valid());
  EXPECT_EQ(e.UnknownNames, (std::vector<std::string>{"FeO", "Mg #", "log()", "na2o"}));
  EXPECT_EQ(e.Text(), "Unknown names in the formula: FeO, Mg #, log(), na2o.");
}

TEST(Formula, NamesAreWrittenPlainOrInBrackets) {
  struct Case {
    const char* name;
    const char* written;
  };
  const Case cases[] = {{"Na2O", "Na2O"},       {"_x", "_x"},      {"SiO2 (wt%)", "[SiO2 (wt%)]"},
                        {"Label#", "[Label#]"}, {"a]b", "[a]]b]"}, {"2x", "[2x]"},
                        {"min", "[min]"},       {"and", "[and]"},  {"", "[]"},
                        {"Fe3+", "[Fe3+]"}};
  for (const Case& c : cases) {
    EXPECT_EQ(FormulaName(c.name), c.written);
    // and the written name reads back as that variable
    if (*c.name) {
      FormulaError e;
      const Formula f = Formula::Compile(FormulaName(c.name), {"other", c.name}, &e);
      ASSERT_TRUE(f.Valid()) << c.name << ": " << e.Text();
      EXPECT_EQ(f.Inputs(), std::vector<int>{1}) << c.name;
    }
  }
}

TEST(ResultText, ShortestTextReadsBackToTheSameValue) {
  EXPECT_EQ(ShortestText(0.1, '.'), "0.1");
  EXPECT_EQ(ShortestText(0.1, ','), "0,1");
  EXPECT_EQ(ShortestText(-0.0, '.'), "0");
  EXPECT_EQ(ShortestText(100, '.'), "100");
  EXPECT_EQ(ShortestText(1e-7, '.'), "1e-07");
  EXPECT_EQ(ShortestText(0.1 + 0.2, '.'), "0.30000000000000004");
  EXPECT_EQ(FixedText(2.0 / 3, 3, ','), "0,667");
  EXPECT_EQ(FixedText(-0.0001, 2, '.'), "0.00");
  EXPECT_EQ(FixedText(2.5, 0, '.'), "2");
  std::mt19937_64 rng(27);
  std::uniform_int_distribution<std::uint64_t> bits;
  for (int k = 0; k < 100000; ++k) {
    std::uint64_t b = bits(rng);
    double v;
    std::memcpy(&v, &b, sizeof v);
    if (!std::isfinite(v)) continue;
    if (k % 2) v = std::ldexp(static_cast<double>(b % 1000000007) / 1000, static_cast<int>(b % 20) - 10);
    const std::string text = ShortestText(v, '.');
    double back = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_EQ(r.ec, std::errc()) << text;
    ASSERT_EQ(r.ptr, text.data() + text.size()) << text;
    ASSERT_EQ(back, v == 0 ? 0.0 : v) << text;
    // and no shorter text would do: one digit fewer reads back to another value
    const std::size_t e = text.find('e');
    const std::string mantissa = text.substr(0, e);
    std::size_t digits = 0;
    bool leading = true;
    for (char c : mantissa) {
      if (c < '0' || c > '9' || (leading && c == '0')) continue;
      leading = false;
      ++digits;
    }
    if (digits > 1 && mantissa.find('.') != std::string::npos) {
      char buf[64];
      const auto shorter = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific,
                                         static_cast<int>(digits) - 2);
      double s = 0;
      std::from_chars(buf, shorter.ptr, s);
      ASSERT_NE(s, v) << text;
    }
  }
}

}  // namespace
}  // namespace varnel
