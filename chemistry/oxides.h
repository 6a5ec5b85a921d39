// The components of rock and mineral analyses (oxides, volatiles, halogens)
// and the recognition of the columns that hold them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

enum class ComponentKind {
  Oxide,     // a cation oxide: counts in cations per formula unit
  Volatile,  // H2O, CO2, SO3, LOI: left out of volatile-free sums and of cations
  Halogen,   // F, Cl: in sums, not in cations per oxygens
};

struct Component {
  std::string Formula;  // "Al2O3"; "LOI" for the loss on ignition
  ComponentKind Kind = ComponentKind::Oxide;
  std::string Cation;    // "Al"; empty for LOI and the halogens
  int Cations = 0;       // cations per formula unit of the oxide
  int Oxygens = 0;       // oxygens per formula unit
  int Charge = 0;        // the cation's charge, 2 Oxygens / Cations
  double MolarMass = 0;  // from the formula and the atomic weights; 0 for LOI
};

// Every component the recognition knows, in the order recalculated columns
// follow (the usual order of analyses).
const std::vector<Component>& Components();
// A component by its formula ("FeO"), exact; -1 when unknown.
int ComponentIndex(std::string_view formula);

// The component a column name stands for, or nothing. Case does not
// matter, and common decorations are allowed around the formula: units
// ("SiO2 (wt%)", "SiO2 wt.%", "SiO2_pct", "SiO2 [%]", "SiO2%"), a tag "#",
// and for iron the total-iron marks ("FeOt", "FeO*", "FeOT", "FeO(tot)",
// "Fe2O3 total"). Names in other units (ppm, mol) are not oxides in wt%.
struct Recognised {
  int Component = -1;
  bool TotalIron = false;  // the name marks total iron
};
std::optional<Recognised> RecogniseComponent(std::string_view columnName);

// 2 M(FeO) / M(Fe2O3): wt% Fe2O3 times this is the same iron as wt% FeO.
double FeOPerFe2O3();

}  // namespace varnel
