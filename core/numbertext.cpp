#include "core/numbertext.h"

#include <charconv>
#include <cmath>

namespace varnel {
namespace {

int FixedDecimals(int style) {
  switch (style) {
    case StyleShort:
      return 4;
    case StyleLong:
      return 6;
    default:
      return 8;
  }
}

void SetSeparator(std::string& text, std::size_t from, char decimalSeparator) {
  const std::size_t dot = text.find('.', from);
  if (dot != std::string::npos) text[dot] = decimalSeparator;
}

std::string NonFiniteText(Real x, bool leadingSpace) {
  if (std::isnan(x)) return leadingSpace ? " NaN" : "NaN";
  if (x < 0) return "-Inf";
  return leadingSpace ? " Inf" : "Inf";
}

std::string FixedText(Real x, int decimals, char decimalSeparator) {
  if (!std::isfinite(x)) return NonFiniteText(x, true);
  char buf[5000];
  std::string out(1, ' ');
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, decimals);
  out.append(buf, res.ptr);
  bool allZero = true;
  for (std::size_t k = 1; k < out.size(); ++k)
    if (out[k] >= '1' && out[k] <= '9') {
      allZero = false;
      break;
    }
  if (x < 0 && !allZero) out[0] = '-';
  SetSeparator(out, 1, decimalSeparator);
  return out;
}

std::string ExpText(Real x, char decimalSeparator) {
  if (!std::isfinite(x)) return NonFiniteText(x, false);
  if (x == 0) x = 0;  // no sign on a negative zero
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 12);
  std::string mantissa;
  std::string exponent;
  const char* e = buf;
  while (e < res.ptr && *e != 'e') ++e;
  mantissa.assign(static_cast<const char*>(buf), e);
  SetSeparator(mantissa, 0, decimalSeparator);
  char expSign = '+';
  const char* p = e + 1;
  if (p < res.ptr && (*p == '+' || *p == '-')) expSign = *p++;
  while (p + 1 < res.ptr && *p == '0') ++p;
  exponent.assign(p, static_cast<const char*>(res.ptr));
  return mantissa + 'E' + expSign + exponent;
}

std::string RowElement(int style, Real x, char decimalSeparator) {
  if (style == StyleExp) {
    std::string t = ExpText(x, decimalSeparator);
    if (t[0] != '-') t.insert(t.begin(), ' ');
    return t;
  }
  return FixedText(x, FixedDecimals(style), decimalSeparator);
}

}  // namespace

std::string FormatFNumber(int style, Real x, char decimalSeparator) {
  if (style == StyleExp) return ExpText(x, decimalSeparator);
  return FixedText(x, FixedDecimals(style), decimalSeparator);
}

std::string FormatFMatrixRow(const FMatrix& m, int i, int n, int style, char decimalSeparator) {
  std::string out;
  for (int j = 1; j <= n; ++j) {
    if (j > 1) out += '\t';
    out += RowElement(style, m(i, j), decimalSeparator);
  }
  return out;
}

std::string FormatFDiagonalRow(int i, int n, int style, Real x, char decimalSeparator) {
  std::string zero;
  std::string lastZero;
  if (style == StyleExp) {
    zero = " 0" + std::string(1, decimalSeparator) + std::string(17, '0') + "E+0";
    lastZero = " 0" + std::string(1, decimalSeparator) + std::string(12, '0') + "E+0";
  } else {
    zero = " 0" + std::string(1, decimalSeparator) + std::string(FixedDecimals(style), '0');
    lastZero = zero;
  }
  std::string out;
  for (int j = 1; j <= n; ++j) {
    if (j > 1) out += '\t';
    if (j == i)
      out += RowElement(style, x, decimalSeparator);
    else
      out += j < n ? zero : lastZero;
  }
  return out;
}

}  // namespace varnel
