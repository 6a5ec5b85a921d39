// The texts of numbers and matrix rows in reports.
#pragma once

#include <string>

#include "core/fmatrix.h"

namespace varnel {

// The report number styles, in the order report dialogs offer them.
enum NumberStyle : int { StyleShort = 0, StyleLong = 1, StyleMax = 2, StyleExp = 3 };

// Short, Long and Max: fixed with 4, 6 or 8 decimals, led by a space or a minus
// sign (a value that rounds to zero gets the space). Exp: 13 significant digits
// in scientific notation with a minimal exponent, a sign only when negative.
std::string FormatFNumber(int style, Real x, char decimalSeparator);
// The same text appended to out, for lines built in one buffer.
void AppendFNumber(std::string& out, int style, Real x, char decimalSeparator);

// A number in general form: at most `digits` significant digits without
// trailing zeros, fixed-point unless the decimal exponent is at least
// exponentLimit or below -5, then "1,5E-7" style.
std::string GeneralNumberFormat(Real value, int digits, int exponentLimit, char decimalSeparator);

// M(i, 1..n) joined by tabs; in Exp style each element that is not negative is
// led by a space. Empty when n < 1.
std::string FormatFMatrixRow(const FMatrix& m, int i, int n, int style, char decimalSeparator);

// Row i of the n x n diagonal matrix whose element (i, i) is x.
std::string FormatFDiagonalRow(int i, int n, int style, Real x, char decimalSeparator);

}  // namespace varnel
