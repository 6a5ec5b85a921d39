// A formula reader of our own: the formulas are the few dozen oxides and
// simple salts of rock and mineral analyses, and no library packaged for the
// system reads just chemical formulas (the chemistry toolkits that do are far
// larger than what they would be used for here).
#include "chemistry/chemicalformula.h"

#include "chemistry/atomicweights.h"

namespace varnel {
namespace {

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Counts above this are no mineral formula; the limit keeps sums from overflowing.
constexpr long MaxCount = 100000;

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool Read(std::vector<FormulaElement>& out) {
    if (!Group(out, 1, 0) || pos_ != text_.size()) return false;
    return !out.empty();
  }

 private:
  // Reads elements and parenthesised groups until the end or a ")".
  bool Group(std::vector<FormulaElement>& out, long multiplier, int depth) {
    if (depth > 8) return false;
    bool any = false;
    while (pos_ < text_.size() && text_[pos_] != ')') {
      if (text_[pos_] == '(') {
        ++pos_;
        std::vector<FormulaElement> inner;
        if (!Group(inner, 1, depth + 1) || pos_ >= text_.size() || text_[pos_] != ')') return false;
        ++pos_;
        long count = 1;
        if (!Count(count)) return false;
        for (const FormulaElement& e : inner)
          if (!Add(out, e.Symbol, static_cast<long>(e.Count) * count * multiplier)) return false;
      } else if (IsUpper(text_[pos_])) {
        std::size_t end = pos_ + 1;
        while (end < text_.size() && IsLower(text_[end]) && end - pos_ < 2) ++end;
        const std::string symbol(text_.substr(pos_, end - pos_));
        if (!AtomicWeight(symbol)) return false;
        pos_ = end;
        long count = 1;
        if (!Count(count) || !Add(out, symbol, count * multiplier)) return false;
      } else {
        return false;
      }
      any = true;
    }
    return any;
  }

  bool Count(long& count) {
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return true;
    count = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      count = count * 10 + (text_[pos_++] - '0');
      if (count > MaxCount) return false;
    }
    return count > 0;
  }

  static bool Add(std::vector<FormulaElement>& out, const std::string& symbol, long count) {
    if (count > MaxCount) return false;
    for (FormulaElement& e : out)
      if (e.Symbol == symbol) {
        if (e.Count + count > MaxCount) return false;
        e.Count += static_cast<int>(count);
        return true;
      }
    out.push_back({symbol, static_cast<int>(count)});
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::vector<FormulaElement>> ParseChemicalFormula(std::string_view formula) {
  std::vector<FormulaElement> out;
  if (!Reader(formula).Read(out)) return std::nullopt;
  return out;
}

std::optional<double> MolarMass(std::string_view formula) {
  const auto elements = ParseChemicalFormula(formula);
  if (!elements) return std::nullopt;
  // Summed in extended precision, so that the mass is the double nearest to
  // the exact sum of the table's decimals (40.078 + 15.999 gives 56.077).
  long double sum = 0;
  for (const FormulaElement& e : *elements)
    sum += e.Count * static_cast<long double>(*AtomicWeight(e.Symbol));
  return static_cast<double>(sum);
}

int AtomCount(const std::vector<FormulaElement>& elements, std::string_view symbol) {
  for (const FormulaElement& e : elements)
    if (e.Symbol == symbol) return e.Count;
  return 0;
}

}  // namespace varnel
