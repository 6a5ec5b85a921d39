#include "core/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

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

// The digits of |x| rounded to decimals places, worked out in integers when
// the scaled value lies clearly away from a rounding tie; false otherwise.
// The scaled value is off by at most half a unit in its last place (under
// 0.004 below 1e17), so a fraction that is not within 0.01 of one half rounds
// to the same integer as the exact decimal expansion does.
bool FastFixedDigits(Real ax, int decimals, std::string& out) {
  static constexpr std::uint64_t Pow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
  if (decimals > 8 || !(ax < 1e9L)) return false;
  const std::uint64_t scale = Pow10[decimals];
  const Real y = ax * static_cast<Real>(scale);
  const Real whole = std::floor(y);
  const Real frac = y - whole;
  if (std::fabs(frac - 0.5L) < 0.01L) return false;
  const auto n = static_cast<std::uint64_t>(whole) + (frac > 0.5L ? 1 : 0);
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, n / scale);
  out.append(buf, res.ptr);
  out += '.';
  std::uint64_t f = n % scale;
  char digits[8];
  for (int k = decimals - 1; k >= 0; --k) {
    digits[k] = static_cast<char>('0' + f % 10);
    f /= 10;
  }
  out.append(digits, static_cast<std::size_t>(decimals));
  return true;
}

// Appends the text of x, led by a space or a minus sign; the text is built
// in place so that a report line needs no temporary per number.
void AppendFixed(std::string& out, Real x, int decimals, char decimalSeparator) {
  if (!std::isfinite(x)) {
    out += NonFiniteText(x, true);
    return;
  }
  const std::size_t start = out.size();
  out += ' ';
  if (!FastFixedDigits(std::fabs(x), decimals, out)) {
    char buf[5000];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
  }
  bool allZero = true;
  for (std::size_t k = start + 1; k < out.size(); ++k)
    if (out[k] >= '1' && out[k] <= '9') {
      allZero = false;
      break;
    }
  if (x < 0 && !allZero) out[start] = '-';
  SetSeparator(out, start + 1, decimalSeparator);
}

std::string FixedText(Real x, int decimals, char decimalSeparator) {
  std::string out;
  out.reserve(24);
  AppendFixed(out, x, decimals, decimalSeparator);
  return out;
}

void AppendExp(std::string& out, Real x, char decimalSeparator) {
  if (!std::isfinite(x)) {
    out += NonFiniteText(x, false);
    return;
  }
  if (x == 0) x = 0;  // no sign on a negative zero
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 12);
  const char* e = buf;
  while (e < res.ptr && *e != 'e') ++e;
  const std::size_t start = out.size();
  out.append(static_cast<const char*>(buf), e);
  SetSeparator(out, start, decimalSeparator);
  out += 'E';
  char expSign = '+';
  const char* p = e + 1;
  if (p < res.ptr && (*p == '+' || *p == '-')) expSign = *p++;
  while (p + 1 < res.ptr && *p == '0') ++p;
  out += expSign;
  out.append(p, static_cast<const char*>(res.ptr));
}

std::string ExpText(Real x, char decimalSeparator) {
  std::string out;
  AppendExp(out, x, decimalSeparator);
  return out;
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

void AppendFNumber(std::string& out, int style, Real x, char decimalSeparator) {
  if (style == StyleExp)
    AppendExp(out, x, decimalSeparator);
  else
    AppendFixed(out, x, FixedDecimals(style), decimalSeparator);
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

std::string GeneralNumberFormat(Real value, int digits, int exponentLimit, char sep) {
  if (!IsFinite(value)) return value != value ? "NAN" : (value < 0 ? "-INF" : "INF");
  if (value == 0) return "0";
  char buf[80];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
  const std::string text(buf, res.ptr);
  const bool negative = text[0] == '-';
  const std::size_t e = text.find('e');
  std::string mantissa;
  for (std::size_t k = negative ? 1 : 0; k < e; ++k)
    if (text[k] != '.') mantissa += text[k];
  const int exponent = std::atoi(text.c_str() + e + 1);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= exponentLimit || exponent < -5) {
    out += mantissa[0];
    if (mantissa.size() > 1) out += sep + mantissa.substr(1);
    out += 'E';
    if (exponent < 0) out += '-';
    out += std::to_string(std::abs(exponent));
    return out;
  }
  if (exponent >= 0) {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (mantissa.size() <= intDigits)
      out += mantissa + std::string(intDigits - mantissa.size(), '0');
    else
      out += mantissa.substr(0, intDigits) + sep + mantissa.substr(intDigits);
  } else {
    out += std::string("0") + sep + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
  }
  return out;
}

}  // namespace varnel
