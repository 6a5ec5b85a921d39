// Arbitrary texts through the number reader: an accepted text is a finite
// value, the one the C library reads from the same text, with either
// decimal separator; a refused one is refused with the other separator too
// once the separators are swapped.
#include <locale.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/numberread.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  varnel::Real point = 0;
  const bool accepted = varnel::ReadNumber(text, '.', point);

  std::string swapped = text;
  for (char& c : swapped) {
    if (c == '.')
      c = ',';
    else if (c == ',')
      c = '.';
  }
  varnel::Real comma = 0;
  const bool acceptedComma = varnel::ReadNumber(swapped, ',', comma);
  Check(accepted == acceptedComma);
  if (!accepted) return 0;
  Check(varnel::IsFinite(point));
  Check(point == comma || (point != point && comma != comma));

  // The C library's correctly rounded reading of the same digits.
  std::string plain;
  for (const char c : text)
    if (c != ' ') plain.push_back(c);
  if (plain.empty() || plain == "." || plain == "+." || plain == "-.") return 0;
  char* end = nullptr;
  const varnel::Real reference = strtold_l(plain.c_str(), &end, CLocale());
  if (end != plain.c_str() + plain.size()) return 0;  // forms strtold does not take, such as "5.e3"
  Check(reference == point);
  return 0;
}
