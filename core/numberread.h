// The one conversion of cell text to a number that every consumer uses.
#pragma once

#include <optional>
#include <string_view>

#include "core/real.h"

namespace varnel {

// Accepts, in this order: spaces (character 32 only), an optional sign, decimal
// digits, optionally the decimal separator and more digits, optionally "E" or
// "e" with an optional sign and digits, spaces, and the end of the text. A
// digit or the separator must follow the sign. A value too large for an
// extended real is not a number; a subnormal one reads as its value, and
// only one below the smallest subnormal reads as zero. The result is the
// extended real nearest to the decimal text.
bool ReadNumber(std::string_view text, char decimalSeparator, Real& value);

inline std::optional<Real> ReadNumber(std::string_view text, char decimalSeparator) {
  Real v;
  if (ReadNumber(text, decimalSeparator, v)) return v;
  return std::nullopt;
}

}  // namespace varnel
