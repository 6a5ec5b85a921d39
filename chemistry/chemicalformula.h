// Chemical formulas such as "Fe2O3" or "Ca(OH)2": their elements and their
// molar masses from the standard atomic weights.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

struct FormulaElement {
  std::string Symbol;
  int Count = 0;
  bool operator==(const FormulaElement&) const = default;
};

// The elements of a formula in the order they first appear, each once with
// its total count. Nothing when the text is no formula: an unknown element,
// unbalanced parentheses, a zero count, anything but symbols, digits and
// parentheses.
std::optional<std::vector<FormulaElement>> ParseChemicalFormula(std::string_view formula);

// The molar mass in g/mol, or nothing when the text is no formula.
std::optional<double> MolarMass(std::string_view formula);

// How many atoms of the element one formula unit holds (0 when none).
int AtomCount(const std::vector<FormulaElement>& elements, std::string_view symbol);

}  // namespace varnel
