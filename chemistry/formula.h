// Formulas over the sheet's variables ("Na2O + K2O", "100 * MgO / ([SiO2 (wt%)]
// + 1)"), evaluated by muparser in double precision (its value type).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mu {
class Parser;
}

namespace varnel {

// Why a formula cannot be evaluated. Position: the 1-based character of the
// formula where the fault was found, 0 when it has none.
struct FormulaError {
  int Position = 0;
  std::string Message;
  std::vector<std::string> UnknownNames;  // names that are no variable or function
  // The whole text for a message box.
  std::string Text() const;
};

// A formula compiled against a list of variable names. A plain identifier
// (letters, digits, "_", not starting with a digit) names a variable as it
// stands; any name in square brackets ("[SiO2 (wt%)]", "[Label#]"; "]]"
// inside stands for "]"). Functions: sqrt, exp, ln, log10, abs, min, max,
// sum, mean, if(condition, a, b), sin, cos, tan, asin, acos, atan; operators
// + - * / ^, comparisons = == <> != < > <= >=, and / && and or / ||;
// numbers with "." as the decimal point, "," between arguments.
class Formula {
 public:
  ~Formula();
  Formula(Formula&&) noexcept;
  Formula& operator=(Formula&&) noexcept;

  // The formula, or what is wrong with it.
  static Formula Compile(std::string_view text, const std::vector<std::string>& variableNames,
                         FormulaError* error);
  bool Valid() const { return parser_ != nullptr; }

  // The variables the formula reads (indices into the names), each once.
  const std::vector<int>& Inputs() const { return inputs_; }

  // The value for the inputs' values, in the order of Inputs().
  double Evaluate(const double* inputValues);

 private:
  Formula();
  std::unique_ptr<mu::Parser> parser_;
  std::vector<int> inputs_;
  std::unique_ptr<double[]> values_;
};

// The text a variable name is written as in a formula: as it stands when it
// is a plain identifier, else in brackets.
std::string FormulaName(std::string_view variableName);

}  // namespace varnel
