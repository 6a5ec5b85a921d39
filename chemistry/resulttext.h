// The texts computed results are written as.
#pragma once

#include <string>

namespace varnel {

// The shortest decimal text that reads back to the same double: "0.1",
// "1e-07", "12345.678"; the decimal point is the given separator. Minus
// zero is written "0".
std::string ShortestText(double value, char decimalSeparator);

// The value rounded to this many decimals (0..17), "-0" written "0".
std::string FixedText(double value, int decimals, char decimalSeparator);

// How results are written: the shortest exact text, or a number of decimals.
struct ResultStyle {
  int Decimals = -1;  // -1: shortest exact text
  char Separator = '.';
  std::string Text(double value) const {
    return Decimals < 0 ? ShortestText(value, Separator) : FixedText(value, Decimals, Separator);
  }
};

}  // namespace varnel
