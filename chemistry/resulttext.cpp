#include "chemistry/resulttext.h"

#include <charconv>
#include <system_error>

namespace varnel {
namespace {

std::string WithSeparator(const char* first, const char* last, char separator) {
  std::string out(first, last);
  if (separator != '.')
    for (char& c : out)
      if (c == '.') c = separator;
  if (out == "-0") out = "0";
  return out;
}

}  // namespace

std::string ShortestText(double value, char decimalSeparator) {
  if (value == 0) value = 0;  // no "-0"
  char buf[64];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
  return WithSeparator(buf, r.ptr, decimalSeparator);
}

std::string FixedText(double value, int decimals, char decimalSeparator) {
  if (decimals < 0) decimals = 0;
  if (decimals > 17) decimals = 17;
  char buf[400];
  const std::to_chars_result r =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return ShortestText(value, decimalSeparator);
  std::string out = WithSeparator(buf, r.ptr, decimalSeparator);
  // "-0.00" is a zero too.
  if (!out.empty() && out[0] == '-' && out.find_first_not_of("-0.,") == std::string::npos) out.erase(0, 1);
  return out;
}

}  // namespace varnel
