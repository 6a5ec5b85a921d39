#include "wizard/wizardtext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace varnel {

std::string GeneralText(Real value, char sep) {
  if (!IsFinite(value)) return value != value ? "NAN" : (value < 0 ? "-INF" : "INF");
  if (value == 0) return "0";
  char buf[80];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  const std::string text(buf, res.ptr);
  const bool negative = text[0] == '-';
  const std::size_t e = text.find('e');
  std::string digits;
  for (std::size_t k = negative ? 1 : 0; k < e; ++k)
    if (text[k] != '.') digits += text[k];
  const int exponent = std::atoi(text.c_str() + e + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) out += sep + digits.substr(1);
    out += 'E';
    if (exponent < 0) out += '-';
    out += std::to_string(std::abs(exponent));
    return out;
  }
  if (exponent >= 0) {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits)
      out += digits + std::string(intDigits - digits.size(), '0');
    else
      out += digits.substr(0, intDigits) + sep + digits.substr(intDigits);
  } else {
    out += std::string("0") + sep + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  return out;
}

std::string CompZeroText(Real value, char sep) {
  if (!IsFinite(value)) return GeneralText(value, sep);
  char buf[80];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 17);
  std::string text(buf, res.ptr);
  const std::size_t e = text.find('e');
  std::string mantissa = text.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  if (dot != std::string::npos) mantissa[dot] = sep;
  const int exponent = std::atoi(text.c_str() + e + 1);
  return mantissa + 'E' + (exponent < 0 ? '-' : '+') + std::to_string(std::abs(exponent));
}

std::string AbsentToleranceText(int exponent, char sep) {
  return std::string("1") + sep + "0E" + std::to_string(exponent);
}

}  // namespace varnel
