// Number texts of the Analysis Wizard that the report styles do not cover.
#pragma once

#include <string>

#include "core/real.h"

namespace varnel {

// The general form: up to 15 significant digits, trailing zeros and a bare
// separator dropped; scientific ("1.5E-7", "2E20") below 0.00001 or from
// 1E15 on. 1 is "1".
std::string GeneralText(Real value, char decimalSeparator);

// Scientific with 18 significant digits, the exponent signed and without
// leading zeros: "1.23000000000000000E-14".
std::string CompZeroText(Real value, char decimalSeparator);

// The text of the absent tolerance, "1.0E-3" for the exponent -3, with the
// user's separator so that it reads back under any locale.
std::string AbsentToleranceText(int exponent, char decimalSeparator);

}  // namespace varnel
