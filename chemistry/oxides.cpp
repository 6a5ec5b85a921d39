#include "chemistry/oxides.h"

#include <algorithm>
#include <cctype>

#include "chemistry/chemicalformula.h"

namespace varnel {
namespace {

struct Row {
  const char* Formula;
  ComponentKind Kind;
};

// Cation oxides by their usual place in an analysis, then volatiles and
// halogens. Cations, oxygens and molar masses come from the formulas.
constexpr Row Rows[] = {
    {"SiO2", ComponentKind::Oxide},   {"TiO2", ComponentKind::Oxide},   {"ZrO2", ComponentKind::Oxide},
    {"HfO2", ComponentKind::Oxide},   {"SnO2", ComponentKind::Oxide},   {"ThO2", ComponentKind::Oxide},
    {"UO2", ComponentKind::Oxide},    {"GeO2", ComponentKind::Oxide},   {"Al2O3", ComponentKind::Oxide},
    {"B2O3", ComponentKind::Oxide},   {"Sc2O3", ComponentKind::Oxide},  {"Cr2O3", ComponentKind::Oxide},
    {"V2O3", ComponentKind::Oxide},   {"Y2O3", ComponentKind::Oxide},   {"La2O3", ComponentKind::Oxide},
    {"Ce2O3", ComponentKind::Oxide},  {"Pr2O3", ComponentKind::Oxide},  {"Nd2O3", ComponentKind::Oxide},
    {"Sm2O3", ComponentKind::Oxide},  {"Gd2O3", ComponentKind::Oxide},  {"Dy2O3", ComponentKind::Oxide},
    {"Yb2O3", ComponentKind::Oxide},  {"Ga2O3", ComponentKind::Oxide},  {"Fe2O3", ComponentKind::Oxide},
    {"Mn2O3", ComponentKind::Oxide},  {"FeO", ComponentKind::Oxide},    {"MnO", ComponentKind::Oxide},
    {"NiO", ComponentKind::Oxide},    {"CoO", ComponentKind::Oxide},    {"CuO", ComponentKind::Oxide},
    {"ZnO", ComponentKind::Oxide},    {"PbO", ComponentKind::Oxide},    {"MgO", ComponentKind::Oxide},
    {"BeO", ComponentKind::Oxide},    {"CaO", ComponentKind::Oxide},    {"SrO", ComponentKind::Oxide},
    {"BaO", ComponentKind::Oxide},    {"Li2O", ComponentKind::Oxide},   {"Na2O", ComponentKind::Oxide},
    {"K2O", ComponentKind::Oxide},    {"Rb2O", ComponentKind::Oxide},   {"Cs2O", ComponentKind::Oxide},
    {"Nb2O5", ComponentKind::Oxide},  {"Ta2O5", ComponentKind::Oxide},  {"P2O5", ComponentKind::Oxide},
    {"As2O5", ComponentKind::Oxide},  {"WO3", ComponentKind::Oxide},    {"MoO3", ComponentKind::Oxide},
    {"H2O", ComponentKind::Volatile}, {"CO2", ComponentKind::Volatile}, {"SO3", ComponentKind::Volatile},
    {"LOI", ComponentKind::Volatile}, {"F", ComponentKind::Halogen},    {"Cl", ComponentKind::Halogen},
};

std::vector<Component> MakeComponents() {
  std::vector<Component> out;
  for (const Row& r : Rows) {
    Component c;
    c.Formula = r.Formula;
    c.Kind = r.Kind;
    if (c.Formula != "LOI") {
      const auto elements = ParseChemicalFormula(c.Formula);
      c.MolarMass = *MolarMass(c.Formula);
      if (r.Kind != ComponentKind::Halogen) {
        c.Oxygens = AtomCount(*elements, "O");
        for (const FormulaElement& e : *elements)
          if (e.Symbol != "O") {
            c.Cation = e.Symbol;
            c.Cations = e.Count;
          }
        if (c.Cations > 0) c.Charge = 2 * c.Oxygens / c.Cations;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Strips spaces, underscores, dots, hyphens and tags from both ends.
void TrimDecoration(std::string& s) {
  const auto junk = [](char c) {
    return c == ' ' || c == '_' || c == '.' || c == '-' || c == '#' || c == '\t';
  };
  while (!s.empty() && junk(s.back())) s.pop_back();
  std::size_t start = 0;
  while (start < s.size() && junk(s[start])) ++start;
  s.erase(0, start);
}

// Removes one trailing unit for weight per cent, bracketed or not.
bool StripUnit(std::string& s) {
  static const char* const Units[] = {"(wt%)", "[wt%]",   "(wt.%)", "[wt.%]", "(wt. %)", "(wt %)",
                                      "(%)",   "[%]",     "(pct)",  "(wt)",   "wt.%",    "wt. %",
                                      "wt %",  "wt%",     "wtpct",  "wt.pct", "pct",     "percent",
                                      "mass%", "(mass%)", "%",      "wt"};
  for (const char* u : Units)
    if (EndsWith(s, u)) {
      s.erase(s.size() - std::string_view(u).size());
      TrimDecoration(s);
      return true;
    }
  return false;
}

// Removes a total-iron mark.
bool StripTotal(std::string& s) {
  static const char* const Marks[] = {"(total)", "(tot)", "(t)", "total", "tot", "*", "t"};
  for (const char* m : Marks)
    if (EndsWith(s, m) && s.size() > std::string_view(m).size()) {
      s.erase(s.size() - std::string_view(m).size());
      TrimDecoration(s);
      return true;
    }
  return false;
}

}  // namespace

const std::vector<Component>& Components() {
  static const std::vector<Component> components = MakeComponents();
  return components;
}

int ComponentIndex(std::string_view formula) {
  const std::vector<Component>& all = Components();
  for (std::size_t k = 0; k < all.size(); ++k)
    if (all[k].Formula == formula) return static_cast<int>(k);
  return -1;
}

std::optional<Recognised> RecogniseComponent(std::string_view columnName) {
  std::string s = Lower(columnName);
  TrimDecoration(s);
  if (s.empty()) return std::nullopt;
  // Other units: never weight per cent of an oxide.
  for (const char* other : {"ppm", "ppb", "mol", "cat", "apfu"})
    if (s.find(other) != std::string::npos) return std::nullopt;
  StripUnit(s);
  const auto find = [](const std::string& name) {
    const std::vector<Component>& all = Components();
    for (std::size_t k = 0; k < all.size(); ++k)
      if (Lower(all[k].Formula) == name) return static_cast<int>(k);
    return -1;
  };
  if (s == "l.o.i" || s == "l.o.i." || s == "loss on ignition")
    return Recognised{ComponentIndex("LOI"), false};
  int k = find(s);
  if (k >= 0) return Recognised{k, false};
  // Total iron: "FeOt", "FeO*", "Fe2O3(T)", "FeO total", also before a unit.
  std::string t = s;
  if (StripTotal(t)) {
    StripUnit(t);
    k = find(t);
    const std::string& f = k >= 0 ? Components()[static_cast<std::size_t>(k)].Formula : std::string();
    if (f == "FeO" || f == "Fe2O3") return Recognised{k, true};
  }
  return std::nullopt;
}

double FeOPerFe2O3() {
  static const double factor = 2 * *MolarMass("FeO") / *MolarMass("Fe2O3");
  return factor;
}

}  // namespace varnel
