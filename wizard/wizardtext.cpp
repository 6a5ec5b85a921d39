#include "wizard/wizardtext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/numbertext.h"

namespace varnel {

std::string GeneralText(Real value, char sep) { return GeneralNumberFormat(value, 15, 15, sep); }

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
