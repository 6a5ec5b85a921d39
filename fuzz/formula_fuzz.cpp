// Formula texts against a sheet of odd variable names and values. The first
// line is the formula, each further line a variable name. Whatever the text,
// compiling either gives a formula whose inputs are variables of the list
// (each once) or an error whose position lies within the text; evaluating
// gives a number or NaN; each name written as a formula reads back as that
// variable; finite results are written as texts that read back exactly.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "chemistry/formula.h"
#include "chemistry/resulttext.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

int Chars(const std::string& s) {
  int n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t k = 0; k <= input.size(); ++k)
    if (k == input.size() || input[k] == '\n') {
      lines.push_back(input.substr(start, k - start));
      start = k + 1;
    }
  const std::string text = lines.front();
  std::vector<std::string> names(lines.begin() + 1, lines.end());
  if (names.size() > 64) names.resize(64);

  varnel::FormulaError error;
  varnel::Formula f = varnel::Formula::Compile(text, names, &error);
  if (!f.Valid()) {
    Check(error.Position >= 0 && error.Position <= Chars(text) + 1);
    Check(!error.Text().empty());
  } else {
    const std::vector<int>& inputs = f.Inputs();
    for (std::size_t a = 0; a < inputs.size(); ++a) {
      Check(inputs[a] >= 0 && inputs[a] < static_cast<int>(names.size()));
      for (std::size_t b = 0; b < a; ++b) Check(inputs[a] != inputs[b]);
    }
    const double sets[][4] = {{0, 1, -1, 2.5},
                              {1e308, -1e308, 1e-310, 0.1},
                              {std::numeric_limits<double>::quiet_NaN(), 3, 7, -0.0}};
    std::vector<double> values(inputs.size());
    for (const auto& set : sets) {
      for (std::size_t k = 0; k < values.size(); ++k) values[k] = set[k % 4];
      const double v = f.Evaluate(values.data());
      if (!std::isfinite(v)) continue;
      const std::string written = varnel::ShortestText(v, '.');
      double back = 0;
      const auto r = std::from_chars(written.data(), written.data() + written.size(), back);
      Check(r.ec == std::errc() && r.ptr == written.data() + written.size() && back == (v == 0 ? 0.0 : v));
    }
  }
  // Every name, written as a formula, reads as the first variable of that name.
  for (std::size_t k = 0; k < names.size() && k < 8; ++k) {
    std::size_t first = 0;
    while (names[first] != names[k]) ++first;
    varnel::Formula g = varnel::Formula::Compile(varnel::FormulaName(names[k]), names, &error);
    Check(g.Valid() && g.Inputs().size() == 1 && g.Inputs()[0] == static_cast<int>(first));
  }
  return 0;
}
