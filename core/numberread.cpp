#include "core/numberread.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>

namespace varnel {
namespace {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// 10^0 .. 10^27 are exact in a 64-bit mantissa (5^27 < 2^64).
constexpr int MaxExactPow10 = 27;
constexpr Real Pow10[MaxExactPow10 + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
    1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// Exponents beyond this are clamped; they are far outside the extended range
// whatever the mantissa, and clamping keeps the arithmetic below from overflowing.
constexpr std::int64_t ExponentClamp = 1'000'000'000'000'000;

}  // namespace

bool ReadNumber(std::string_view text, char decimalSeparator, Real& value) {
  const char* p = text.data();
  const char* const end = p + text.size();

  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';

  const char* intBegin = p;
  while (p < end && IsDigit(*p)) ++p;
  const char* intEnd = p;
  const char* fracBegin = p;
  const char* fracEnd = p;
  bool separator = false;
  if (p < end && *p == decimalSeparator) {
    separator = true;
    fracBegin = ++p;
    while (p < end && IsDigit(*p)) ++p;
    fracEnd = p;
  }
  if (intBegin == intEnd && !separator) return false;

  std::int64_t exponent = 0;
  if (p < end && (*p == 'E' || *p == 'e')) {
    ++p;
    bool expNegative = false;
    if (p < end && (*p == '+' || *p == '-')) expNegative = *p++ == '-';
    if (p == end || !IsDigit(*p)) return false;
    while (p < end && IsDigit(*p)) {
      if (exponent < ExponentClamp) exponent = exponent * 10 + (*p - '0');
      ++p;
    }
    if (expNegative) exponent = -exponent;
  }
  while (p < end && *p == ' ') ++p;
  if (p != end) return false;

  // Significant digits: the integer and fraction digits without leading zeros.
  std::uint64_t mantissa = 0;
  int significant = 0;
  bool exact = true;              // every significant digit went into the mantissa
  std::int64_t decimalShift = 0;  // value = mantissa x 10^(exponent + decimalShift)
  long leadingPosition = 0;       // decimal position of the first significant digit
  auto take = [&](const char* from, const char* to, bool fraction) {
    for (const char* q = from; q < to; ++q) {
      const int d = *q - '0';
      if (significant == 0 && d == 0) {
        // A leading zero after the separator still moves the point.
        if (fraction) {
          --leadingPosition;
          --decimalShift;
        }
        continue;
      }
      if (significant == 0) leadingPosition += fraction ? 0 : (to - q);
      if (significant < 19) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(d);
        if (fraction) --decimalShift;
      } else {
        if (d != 0) exact = false;
        if (!fraction) ++decimalShift;
      }
      ++significant;
    }
  };
  take(intBegin, intEnd, false);
  take(fracBegin, fracEnd, true);

  if (mantissa == 0 && exact) {
    value = 0;
    return true;
  }

  const std::int64_t e10 = exponent + decimalShift;
  if (exact && e10 >= -MaxExactPow10 && e10 <= MaxExactPow10) {
    const Real m = static_cast<Real>(mantissa);
    value = e10 >= 0 ? m * Pow10[e10] : m / Pow10[-e10];
    if (negative) value = -value;
    return true;
  }

  // The rare long or extreme number: a normalised copy for the library's
  // correctly rounded conversion, which never looks at the C locale.
  std::string norm;
  norm.reserve(static_cast<std::size_t>(end - text.data()) + 24);
  norm.append(intBegin, intEnd);
  if (norm.empty()) norm.push_back('0');
  if (fracBegin != fracEnd) {
    norm.push_back('.');
    norm.append(fracBegin, fracEnd);
  }
  norm.push_back('e');
  norm += std::to_string(exponent);
  Real v = 0;
  const auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Beyond the range at the top is not a number; below it, the value is zero.
    if (exponent + leadingPosition > 0) return false;
    value = 0;
    return true;
  }
  if (res.ec != std::errc() || res.ptr != norm.data() + norm.size()) return false;
  if (!IsFinite(v)) return false;
  value = negative ? -v : v;
  return true;
}

}  // namespace varnel
