#include "chemistry/formula.h"

#include <muParser.h>

#include <cmath>

namespace varnel {
namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The 1-based character (not byte) position of a byte offset in UTF-8 text.
int CharPosition(std::string_view text, std::size_t offset) {
  int pos = 1;
  for (std::size_t k = 0; k < offset && k < text.size(); ++k)
    if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) ++pos;
  return pos;
}

double Mean(const double* v, int n) {
  double s = 0;
  for (int k = 0; k < n; ++k) s += v[k];
  return n > 0 ? s / n : std::nan("");
}
double Sum(const double* v, int n) {
  double s = 0;
  for (int k = 0; k < n; ++k) s += v[k];
  return s;
}
// NaN in, NaN out: a minimum of undefined values is undefined.
double Min(const double* v, int n) {
  double m = v[0];
  for (int k = 1; k < n; ++k) m = std::isnan(m) || std::isnan(v[k]) ? std::nan("") : std::fmin(m, v[k]);
  return m;
}
double Max(const double* v, int n) {
  double m = v[0];
  for (int k = 1; k < n; ++k) m = std::isnan(m) || std::isnan(v[k]) ? std::nan("") : std::fmax(m, v[k]);
  return m;
}
double If(double c, double a, double b) { return std::isnan(c) ? c : (c != 0 ? a : b); }
double Sqrt(double x) { return std::sqrt(x); }
double Exp(double x) { return std::exp(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Abs(double x) { return std::fabs(x); }
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Atan(double x) { return std::atan(x); }

struct FunctionDef {
  const char* Name;
  int Arity;  // -1: any number
};
constexpr FunctionDef Functions[] = {
    {"sqrt", 1},  {"exp", 1}, {"ln", 1},  {"log10", 1}, {"abs", 1}, {"min", -1}, {"max", -1}, {"sum", -1},
    {"mean", -1}, {"if", 3},  {"sin", 1}, {"cos", 1},   {"tan", 1}, {"asin", 1}, {"acos", 1}, {"atan", 1},
};

bool IsFunction(std::string_view name) {
  for (const FunctionDef& f : Functions)
    if (name == f.Name) return true;
  return false;
}

void DefineFunctions(mu::Parser& p) {
  p.ClearFun();
  p.ClearConst();
  p.DefineFun("sqrt", Sqrt);
  p.DefineFun("exp", Exp);
  p.DefineFun("ln", Ln);
  p.DefineFun("log10", Log10);
  p.DefineFun("abs", Abs);
  p.DefineFun("min", Min);
  p.DefineFun("max", Max);
  p.DefineFun("sum", Sum);
  p.DefineFun("mean", Mean);
  p.DefineFun("if", If);
  p.DefineFun("sin", Sin);
  p.DefineFun("cos", Cos);
  p.DefineFun("tan", Tan);
  p.DefineFun("asin", Asin);
  p.DefineFun("acos", Acos);
  p.DefineFun("atan", Atan);
}

// The library's own messages name positions in the text it was given; ours
// name them in the user's text, so only the kind of fault is taken.
std::string Describe(const mu::ParserError& e) {
  switch (e.GetCode()) {
    case mu::ecUNEXPECTED_OPERATOR:
      return "an operator where a value is expected";
    case mu::ecUNASSIGNABLE_TOKEN:
      return "something that is no name, number or operator";
    case mu::ecUNEXPECTED_EOF:
      return "the formula ends too early";
    case mu::ecUNEXPECTED_ARG_SEP:
      return "a comma outside a function's arguments";
    case mu::ecUNEXPECTED_ARG:
    case mu::ecUNEXPECTED_VAL:
    case mu::ecUNEXPECTED_VAR:
      return "a value where an operator is expected";
    case mu::ecUNEXPECTED_PARENS:
      return "a parenthesis out of place";
    case mu::ecMISSING_PARENS:
      return "a parenthesis is not closed";
    case mu::ecUNEXPECTED_FUN:
      return "a function where an operator is expected";
    case mu::ecTOO_MANY_PARAMS:
      return "too many arguments for the function";
    case mu::ecTOO_FEW_PARAMS:
      return "too few arguments for the function";
    case mu::ecEMPTY_EXPRESSION:
      return "the formula is empty";
    case mu::ecUNEXPECTED_CONDITIONAL:
    case mu::ecMISSING_ELSE_CLAUSE:
    case mu::ecMISPLACED_COLON:
      return "an incomplete condition (? :)";
    case mu::ecEXPRESSION_TOO_LONG:
      return "the formula is too long";
    default:
      return "the formula cannot be read";
  }
}

}  // namespace

std::string FormulaError::Text() const {
  std::string out;
  if (!UnknownNames.empty()) {
    out = UnknownNames.size() == 1 ? "Unknown name in the formula: " : "Unknown names in the formula: ";
    for (std::size_t k = 0; k < UnknownNames.size(); ++k) out += (k ? ", " : "") + UnknownNames[k];
    out += ".";
    return out;
  }
  out = Position > 0 ? "Error in the formula at position " + std::to_string(Position) + ": "
                     : "Error in the formula: ";
  return out + Message + ".";
}

Formula::Formula() = default;
Formula::~Formula() = default;
Formula::Formula(Formula&&) noexcept = default;
Formula& Formula::operator=(Formula&&) noexcept = default;

Formula Formula::Compile(std::string_view text, const std::vector<std::string>& names, FormulaError* error) {
  FormulaError fault;
  Formula f;
  // The text the library reads: every variable as an internal name _vK,
  // "and"/"or" as && and ||, "=" and "<>" as == and !=. origin[i] is the
  // byte of the user's text that character i of it came from.
  std::string out;
  std::vector<std::size_t> origin;
  const auto emit = [&out, &origin](std::string_view s, std::size_t from) {
    out += s;
    origin.insert(origin.end(), s.size(), from);
  };
  // at: the byte of the fault, npos for a fault of the whole formula.
  const auto fail = [&](std::size_t at, std::string message) {
    if (error) *error = {at == std::string_view::npos ? 0 : CharPosition(text, at), std::move(message), {}};
    return Formula();
  };
  const auto variable = [&](const std::string& name, std::size_t at) {
    int index = -1;
    for (std::size_t k = 0; k < names.size(); ++k)
      if (names[k] == name) {
        index = static_cast<int>(k);
        break;
      }
    if (index < 0) {
      bool listed = false;
      for (const std::string& u : fault.UnknownNames) listed |= u == name;
      if (!listed) fault.UnknownNames.push_back(name);
      emit("0", at);
      return;
    }
    std::size_t slot = f.inputs_.size();
    for (std::size_t k = 0; k < f.inputs_.size(); ++k)
      if (f.inputs_[k] == index) slot = k;
    if (slot == f.inputs_.size()) f.inputs_.push_back(index);
    emit("_v" + std::to_string(slot), at);
  };

  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      emit(" ", i++);
    } else if (c == '[') {
      std::string name;
      std::size_t j = i + 1;
      bool closed = false;
      while (j < text.size()) {
        if (text[j] == ']') {
          if (j + 1 < text.size() && text[j + 1] == ']') {
            name += ']';
            j += 2;
            continue;
          }
          closed = true;
          break;
        }
        name += text[j++];
      }
      if (!closed) return fail(i, "the name in brackets is not closed with ]");
      variable(name, i);
      i = j + 1;
    } else if (IsIdentStart(c)) {
      std::size_t j = i;
      while (j < text.size() && IsIdentChar(text[j])) ++j;
      const std::string word(text.substr(i, j - i));
      std::size_t k = j;
      while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
      const bool call = k < text.size() && text[k] == '(';
      if (word == "and" || word == "AND") {
        emit("&&", i);
      } else if (word == "or" || word == "OR") {
        emit("||", i);
      } else if (call) {
        if (IsFunction(word)) {
          emit(word, i);
        } else {
          bool listed = false;
          const std::string shown = word + "()";
          for (const std::string& u : fault.UnknownNames) listed |= u == shown;
          if (!listed) fault.UnknownNames.push_back(shown);
          emit("sum", i);
        }
      } else {
        variable(word, i);
      }
      i = j;
    } else if (IsDigit(c) || (c == '.' && i + 1 < text.size() && IsDigit(text[i + 1]))) {
      std::size_t j = i;
      while (j < text.size() && IsDigit(text[j])) ++j;
      if (j < text.size() && text[j] == '.') {
        ++j;
        while (j < text.size() && IsDigit(text[j])) ++j;
      }
      if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (k < text.size() && IsDigit(text[k])) {
          while (k < text.size() && IsDigit(text[k])) ++k;
          j = k;
        }
      }
      for (std::size_t k = i; k < j; ++k) emit(text.substr(k, 1), k);
      i = j;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if (c == '<' && next == '>') {
        emit("!=", i);
        i += 2;
      } else if (next == '=') {
        emit(c == '=' ? "==" : std::string(1, c) + "=", i);
        i += 2;
      } else if (c == '=') {
        emit("==", i++);
      } else if (c == '!') {
        return fail(i, "\"!\" stands only in \"!=\"");
      } else {
        emit(std::string(1, c), i++);
      }
    } else if (c == '&' || c == '|') {
      if (i + 1 < text.size() && text[i + 1] == c) {
        emit(std::string(2, c), i);
        i += 2;
      } else {
        return fail(i, std::string("\"") + c + "\" stands only doubled, as \"" + c + c + "\"");
      }
    } else if (c == '+' || c == '-' || c == '*' || c == '/' || c == '^' || c == '(' || c == ')' || c == ',' ||
               c == '?' || c == ':') {
      emit(std::string(1, c), i++);
    } else {
      std::size_t len = 1;
      const unsigned char u = static_cast<unsigned char>(c);
      if (u >= 0xC0) len = u >= 0xF0 ? 4 : (u >= 0xE0 ? 3 : 2);
      const std::string shown(text.substr(i, std::min(len, text.size() - i)));
      return fail(i, "\"" + shown + "\" has no meaning here (names other than plain words go in brackets)");
    }
  }
  origin.push_back(text.size());
  if (!fault.UnknownNames.empty()) {
    if (error) *error = fault;
    return Formula();
  }
  if (out.find_first_not_of(' ') == std::string::npos)
    return fail(std::string_view::npos, "the formula is empty");

  f.parser_ = std::make_unique<mu::Parser>();
  f.values_ = std::make_unique<double[]>(std::max<std::size_t>(f.inputs_.size(), 1));
  try {
    DefineFunctions(*f.parser_);
    for (std::size_t k = 0; k < f.inputs_.size(); ++k) {
      f.values_[k] = 1;
      f.parser_->DefineVar("_v" + std::to_string(k), &f.values_[k]);
    }
    f.parser_->SetExpr(out);
    // The library reads the text on the first evaluation; its faults show there.
    int results = 0;
    f.parser_->Eval(results);
    if (results != 1)
      return fail(std::string_view::npos,
                  "the formula gives more than one value (a comma outside a function)");
  } catch (const mu::ParserError& e) {
    const int pos = e.GetPos();
    const std::size_t at = pos >= 0 && static_cast<std::size_t>(pos) < origin.size()
                               ? origin[static_cast<std::size_t>(pos)]
                               : text.size();
    Formula none;
    if (error) *error = {pos >= 0 ? CharPosition(text, at) : 0, Describe(e), {}};
    return none;
  }
  return f;
}

double Formula::Evaluate(const double* inputValues) {
  for (std::size_t k = 0; k < inputs_.size(); ++k) values_[k] = inputValues[k];
  try {
    return parser_->Eval();
  } catch (const mu::ParserError&) {
    return std::nan("");
  }
}

std::string FormulaName(std::string_view name) {
  bool plain = !name.empty() && IsIdentStart(name[0]) && !IsFunction(name) && name != "and" && name != "or" &&
               name != "AND" && name != "OR";
  for (char c : name) plain = plain && IsIdentChar(c);
  if (plain) return std::string(name);
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

}  // namespace varnel
