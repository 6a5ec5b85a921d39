// Molar masses, oxide names and the recalculation of analyses. Expected
// values come from the tests' own small calculations: analyses are made
// from known mineral formulae with the atomic weights typed here, and the
// recalculation must give the formulae back.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "chemistry/chemicalformula.h"
#include "chemistry/oxides.h"
#include "chemistry/recalculation.h"

namespace varnel {
namespace {

// IUPAC 2021 standard atomic weights (conventional values for O, Mg, Si, H).
const std::map<std::string, double> W = {
    {"O", 15.999},  {"Si", 28.085},    {"Ti", 47.867},      {"Al", 26.9815384}, {"Cr", 51.9961},
    {"Fe", 55.845}, {"Mn", 54.938043}, {"Mg", 24.305},      {"Ca", 40.078},     {"Na", 22.98976928},
    {"K", 39.0983}, {"Ni", 58.6934},   {"P", 30.973761998}, {"H", 1.008},       {"C", 12.011},
};

TEST(MolarMass, OxidesAgainstTheAtomicWeights) {
  struct Case {
    const char* formula;
    double expected;
  };
  const Case cases[] = {
      {"SiO2", W.at("Si") + 2 * W.at("O")},
      {"Al2O3", 2 * W.at("Al") + 3 * W.at("O")},
      {"Fe2O3", 2 * W.at("Fe") + 3 * W.at("O")},
      {"FeO", W.at("Fe") + W.at("O")},
      {"P2O5", 2 * W.at("P") + 5 * W.at("O")},
      {"K2O", 2 * W.at("K") + W.at("O")},
      {"Na2O", 2 * W.at("Na") + W.at("O")},
      {"H2O", 2 * W.at("H") + W.at("O")},
      {"CO2", W.at("C") + 2 * W.at("O")},
      {"Ca(OH)2", W.at("Ca") + 2 * (W.at("O") + W.at("H"))},
      {"Mg3Al2(SiO4)3", 3 * W.at("Mg") + 2 * W.at("Al") + 3 * (W.at("Si") + 4 * W.at("O"))},
  };
  for (const Case& c : cases) {
    const auto m = MolarMass(c.formula);
    ASSERT_TRUE(m) << c.formula;
    EXPECT_NEAR(*m, c.expected, 1e-12 * c.expected) << c.formula;
  }
  // Familiar figures, to four decimals.
  EXPECT_NEAR(*MolarMass("SiO2"), 60.0830, 5e-5);
  EXPECT_NEAR(*MolarMass("Fe2O3"), 159.6870, 5e-5);
  EXPECT_NEAR(*MolarMass("MgO"), 40.3040, 5e-5);
  // The FeO / Fe2O3 factor follows from the masses.
  EXPECT_NEAR(FeOPerFe2O3(), 2 * (W.at("Fe") + W.at("O")) / (2 * W.at("Fe") + 3 * W.at("O")), 1e-15);
  EXPECT_NEAR(FeOPerFe2O3(), 0.8998, 5e-5);

  for (const char* bad :
       {"", "fe2o3", "Xx2", "Fe2O3)", "(Fe", "O0", "Fe 2O3", "SiO2 ", "()", "Tc2O7", "H99999999"})
    EXPECT_FALSE(MolarMass(bad)) << bad;
  const auto elements = ParseChemicalFormula("Ca(OH)2");
  ASSERT_TRUE(elements);
  EXPECT_EQ(*elements, (std::vector<FormulaElement>{{"Ca", 1}, {"O", 2}, {"H", 2}}));
}

TEST(Oxides, TableFollowsTheFormulas) {
  struct Case {
    const char* formula;
    const char* cation;
    int cations, oxygens, charge;
  };
  const Case cases[] = {{"SiO2", "Si", 1, 2, 4},  {"Al2O3", "Al", 2, 3, 3}, {"Fe2O3", "Fe", 2, 3, 3},
                        {"FeO", "Fe", 1, 1, 2},   {"Na2O", "Na", 2, 1, 1},  {"P2O5", "P", 2, 5, 5},
                        {"Cr2O3", "Cr", 2, 3, 3}, {"TiO2", "Ti", 1, 2, 4}};
  for (const Case& c : cases) {
    const int k = ComponentIndex(c.formula);
    ASSERT_GE(k, 0) << c.formula;
    const Component& comp = Components()[static_cast<std::size_t>(k)];
    EXPECT_EQ(comp.Cation, c.cation);
    EXPECT_EQ(comp.Cations, c.cations) << c.formula;
    EXPECT_EQ(comp.Oxygens, c.oxygens) << c.formula;
    EXPECT_EQ(comp.Charge, c.charge) << c.formula;
  }
  EXPECT_EQ(CationLabel(ComponentIndex("FeO")), "Fe2+");
  EXPECT_EQ(CationLabel(ComponentIndex("Fe2O3")), "Fe3+");
  EXPECT_EQ(CationLabel(ComponentIndex("SiO2")), "Si");
}

TEST(Oxides, RecognisesDecoratedColumnNames) {
  struct Case {
    const char* name;
    const char* formula;  // nullptr: not recognised
    bool total;
  };
  const Case cases[] = {
      {"SiO2", "SiO2", false},
      {"sio2", "SiO2", false},
      {"SIO2", "SiO2", false},
      {"SiO2_pct", "SiO2", false},
      {"SiO2 (wt%)", "SiO2", false},
      {"SiO2 wt.%", "SiO2", false},
      {"SiO2 wt%", "SiO2", false},
      {"SiO2%", "SiO2", false},
      {"SiO2 [wt%]", "SiO2", false},
      {" Al2O3 ", "Al2O3", false},
      {"Al2O3_wt", "Al2O3", false},
      {"MgO#", "MgO", false},
      {"FeOt", "FeO", true},
      {"FeO*", "FeO", true},
      {"FeOT", "FeO", true},
      {"FeO(t)", "FeO", true},
      {"FeO total", "FeO", true},
      {"FeOtot (wt%)", "FeO", true},
      {"Fe2O3T", "Fe2O3", true},
      {"Fe2O3 (total)", "Fe2O3", true},
      {"FeO", "FeO", false},
      {"LOI", "LOI", false},
      {"l.o.i.", "LOI", false},
      {"P2O5", "P2O5", false},
      {"F", "F", false},
      {"Cl", "Cl", false},
      {"CO2", "CO2", false},
      {"CoO", "CoO", false},
      {"cr2o3", "Cr2O3", false},
      {"H2O", "H2O", false},
      {"Si (6 O)", nullptr, false},
      {"SiO2 (mol)", nullptr, false},
      {"Mg#", nullptr, false},
      {"Label#", nullptr, false},
      {"Rb ppm", nullptr, false},
      {"SiO2 ppm", nullptr, false},
      {"Total", nullptr, false},
      {"Sample", nullptr, false},
      {"MgOt", nullptr, false},
      {"", nullptr, false},
      {"Si", nullptr, false},
      {"Fe", nullptr, false},
  };
  for (const Case& c : cases) {
    const auto r = RecogniseComponent(c.name);
    if (!c.formula) {
      EXPECT_FALSE(r) << c.name;
      continue;
    }
    ASSERT_TRUE(r) << c.name;
    EXPECT_EQ(Components()[static_cast<std::size_t>(r->Component)].Formula, c.formula) << c.name;
    EXPECT_EQ(r->TotalIron, c.total) << c.name;
  }
}

// An analysis made from a mineral formula: apfu of each cation, the oxide it
// sits in (cations and oxygens per oxide). Iron is given as FeO in total.
struct Site {
  std::string Oxide, Cation;
  int PerOxide, Oxygens;
  double Apfu;
};

double OxideMass(const Site& s) { return s.PerOxide * W.at(s.Cation) + s.Oxygens * W.at("O"); }

// wt% of each oxide, summed over sites of the same oxide, normalised to 100.
std::map<std::string, double> WtPercent(const std::vector<Site>& sites) {
  std::map<std::string, double> mass;
  double total = 0;
  for (const Site& s : sites) {
    const double m = s.Apfu / s.PerOxide * OxideMass(s);
    mass[s.Oxide] += m;
    total += m;
  }
  for (auto& [oxide, m] : mass) m *= 100 / total;
  return mass;
}

RecalcInput InputOf(const std::vector<std::map<std::string, double>>& analyses) {
  RecalcInput in;
  for (const auto& [oxide, v] : analyses.front()) in.Components.push_back(ComponentIndex(oxide));
  in.Rows = static_cast<int>(analyses.size());
  for (const auto& a : analyses)
    for (const auto& [oxide, v] : a) in.Values.push_back(v);
  return in;
}

const RecalcColumn& Column(const RecalcResult& r, const std::string& name) {
  for (const RecalcColumn& c : r.Columns)
    if (c.Name == name) return c;
  ADD_FAILURE() << "no column " << name;
  static const RecalcColumn none{"", std::vector<double>(8, std::nan(""))};
  return none;
}

TEST(Recalculation, TextbookMineralsGiveTheirFormulaeBack) {
  struct Mineral {
    const char* name;
    int oxygens, cations;  // cations 0: no Fe3+ estimate
    std::vector<Site> sites;
    double fe3;  // expected Fe3+ apfu
  };
  const Mineral minerals[] = {
      {"olivine Fo90 on 4 O",
       4,
       0,
       {{"MgO", "Mg", 1, 1, 1.8}, {"FeO", "Fe", 1, 1, 0.2}, {"SiO2", "Si", 1, 2, 1.0}},
       0},
      {"clinopyroxene on 6 O, 4 cations",
       6,
       4,
       {{"SiO2", "Si", 1, 2, 1.9},
        {"Al2O3", "Al", 2, 3, 0.2},
        {"FeO", "Fe", 1, 1, 0.1 + 0.1},
        {"MgO", "Mg", 1, 1, 0.8},
        {"CaO", "Ca", 1, 1, 0.8},
        {"Na2O", "Na", 2, 1, 0.1}},
       0.1},
      {"garnet on 12 O, 8 cations",
       12,
       8,
       {{"SiO2", "Si", 1, 2, 3.0},
        {"Al2O3", "Al", 2, 3, 1.4},
        {"FeO", "Fe", 1, 1, 0.8 + 0.6},
        {"MgO", "Mg", 1, 1, 0.2},
        {"CaO", "Ca", 1, 1, 2.0}},
       0.6},
      {"spinel on 4 O, 3 cations",
       4,
       3,
       {{"Al2O3", "Al", 2, 3, 1.2},
        {"Cr2O3", "Cr", 2, 3, 0.4},
        {"FeO", "Fe", 1, 1, 0.4 + 0.4},
        {"MgO", "Mg", 1, 1, 0.6}},
       0.4},
  };
  for (const Mineral& m : minerals) {
    SCOPED_TRACE(m.name);
    RecalcOptions o;
    o.Oxygens = m.oxygens;
    o.Cations = m.cations;
    o.Fe3ChargeBalance = m.cations > 0;
    o.MgNumber = true;
    const RecalcInput in = InputOf({WtPercent(m.sites)});
    ASSERT_EQ(CheckRecalcOptions(in, o), "");
    const RecalcResult r = Recalculate(in, o);
    const std::string basis = " (" + std::to_string(m.oxygens) + " O)";
    double fe2 = 0, mg = 0, sum = 0;
    for (const Site& s : m.sites) {
      sum += s.Apfu;
      if (s.Cation == "Fe") {
        fe2 = s.Apfu - m.fe3;
        EXPECT_NEAR(Column(r, "Fe2+" + basis).Values[0], fe2, 1e-12);
        continue;
      }
      if (s.Cation == "Mg") mg = s.Apfu;
      EXPECT_NEAR(Column(r, s.Cation + basis).Values[0], s.Apfu, 1e-12) << s.Cation;
    }
    EXPECT_NEAR(Column(r, "Sum" + basis).Values[0], sum, 1e-12);
    EXPECT_NEAR(Column(r, "Mg#").Values[0], 100 * mg / (mg + fe2), 1e-10);
    if (o.Fe3ChargeBalance) {
      EXPECT_NEAR(Column(r, "Fe3+" + basis).Values[0], m.fe3, 1e-12);
      EXPECT_NEAR(Column(r, "Fe3+/(Fe2+ + Fe3+)").Values[0], m.fe3 / (fe2 + m.fe3), 1e-12);
      EXPECT_EQ(r.ClampedAtZero + r.ClampedAtTotalFe, 0);
    }
  }
}

TEST(Recalculation, WithoutFe3AllIronIsFerrousOnTheOxygenBasis) {
  // The pyroxene above with its Fe3+ counted as Fe2+: 5.95 oxygens for 4
  // cations, so each cation is scaled by 6 / 5.95.
  const std::map<std::string, double> cpx = WtPercent({{"SiO2", "Si", 1, 2, 1.9},
                                                       {"Al2O3", "Al", 2, 3, 0.2},
                                                       {"FeO", "Fe", 1, 1, 0.2},
                                                       {"MgO", "Mg", 1, 1, 0.8},
                                                       {"CaO", "Ca", 1, 1, 0.8},
                                                       {"Na2O", "Na", 2, 1, 0.1}});
  RecalcOptions o;
  o.Oxygens = 6;
  const RecalcResult r = Recalculate(InputOf({cpx}), o);
  const double k = 6 / 5.95;
  EXPECT_NEAR(Column(r, "Si (6 O)").Values[0], 1.9 * k, 1e-12);
  EXPECT_NEAR(Column(r, "Fe2+ (6 O)").Values[0], 0.2 * k, 1e-12);
  EXPECT_NEAR(Column(r, "Sum (6 O)").Values[0], 4 * k, 1e-12);
  for (const RecalcColumn& c : r.Columns) EXPECT_NE(c.Name, "Fe3+ (6 O)");
}

TEST(Recalculation, Fe3ClampsAndSkippedCasesAreCounted) {
  RecalcOptions o;
  o.Oxygens = 4;
  o.Cations = 3;
  o.Fe3ChargeBalance = true;
  // A spinel with too many cations for its oxygens and little iron gives
  // Fe3+ beyond its iron; a silica-rich "olivine" has too few cations,
  // hence Fe3+ below zero.
  const std::map<std::string, double> ferric = WtPercent({{"Al2O3", "Al", 2, 3, 1.9},
                                                          {"FeO", "Fe", 1, 1, 0.05},
                                                          {"MgO", "Mg", 1, 1, 1.2},
                                                          {"SiO2", "Si", 1, 2, 0.0}});
  const std::map<std::string, double> silica = WtPercent({{"Al2O3", "Al", 2, 3, 0.0},
                                                          {"FeO", "Fe", 1, 1, 0.2},
                                                          {"MgO", "Mg", 1, 1, 1.6},
                                                          {"SiO2", "Si", 1, 2, 1.1}});
  std::vector<std::map<std::string, double>> rows = {ferric, silica, ferric, silica};
  rows[2]["MgO"] = std::nan("");
  rows[3]["SiO2"] = -1;
  const RecalcInput in = InputOf(rows);
  const RecalcResult r = Recalculate(in, o);
  EXPECT_EQ(r.ClampedAtTotalFe, 1);
  EXPECT_EQ(r.ClampedAtZero, 1);
  EXPECT_EQ(r.NotANumber, 1);
  EXPECT_EQ(r.Negative, 1);
  // Clamped at the iron there is: all of it ferric, on 4 oxygens: 1.2 Mg,
  // 0.05 Fe3+, 1.9 Al = 4.125 O.
  EXPECT_EQ(Column(r, "Fe2+ (4 O)").Values[0], 0);
  EXPECT_NEAR(Column(r, "Fe3+ (4 O)").Values[0], 0.05 * 4 / 4.125, 1e-12);
  EXPECT_NEAR(Column(r, "Mg (4 O)").Values[0], 1.2 * 4 / 4.125, 1e-12);
  EXPECT_EQ(Column(r, "Fe3+/(Fe2+ + Fe3+)").Values[0], 1);
  // Clamped at zero: all ferrous, on 4 oxygens: 1.6 Mg, 0.2 Fe, 1.1 Si = 4 O.
  EXPECT_EQ(Column(r, "Fe3+ (4 O)").Values[1], 0);
  EXPECT_NEAR(Column(r, "Fe2+ (4 O)").Values[1], 0.2 * 4 / 4.0, 1e-12);
  for (const RecalcColumn& c : r.Columns) {
    EXPECT_TRUE(std::isnan(c.Values[2])) << c.Name;
    EXPECT_TRUE(std::isnan(c.Values[3])) << c.Name;
  }
  const std::vector<std::string> lines = RecalcReportLines(in, {}, o, r);
  const auto has = [&lines](const std::string& text) {
    for (const std::string& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("Fe3+ clamped at 0 in 1 case and at the total iron in 1 case"));
  EXPECT_TRUE(
      has("Cases: 2 recalculated, 2 skipped (1 with a value that is not a number, 1 with a negative value)"));
  EXPECT_TRUE(has("for 4 oxygens and 3 cations"));
}

TEST(Recalculation, NormalisingTotalIronMolesAndAfm) {
  // 90 wt% in all, 10 of it volatile.
  const std::map<std::string, double> a = {{"SiO2", 45}, {"MgO", 27}, {"FeO", 5}, {"Fe2O3", 2},
                                           {"Na2O", 1},  {"H2O", 6},  {"LOI", 4}};
  RecalcOptions o;
  o.Iron = IronTotal::AsFeO;
  o.Normalise = true;
  o.Moles = true;
  o.Afm = true;
  const RecalcInput in = InputOf({a});
  RecalcResult r = Recalculate(in, o);
  const double f = 2 * (W.at("Fe") + W.at("O")) / (2 * W.at("Fe") + 3 * W.at("O"));
  const double feot = 5 + 2 * f;
  const double total = 45 + 27 + feot + 1 + 6 + 4;
  EXPECT_NEAR(Column(r, "FeO (total)").Values[0], feot, 1e-12);
  EXPECT_NEAR(Column(r, "SiO2 (norm)").Values[0], 45 * 100 / total, 1e-12);
  EXPECT_NEAR(Column(r, "LOI (norm)").Values[0], 4 * 100 / total, 1e-12);
  EXPECT_NEAR(Column(r, "SiO2 (mol)").Values[0], 45 * 100 / total / (W.at("Si") + 2 * W.at("O")), 1e-12);
  EXPECT_NEAR(Column(r, "H2O (mol)").Values[0], 6 * 100 / total / (2 * W.at("H") + W.at("O")), 1e-12);
  const double afm = 1 + feot + 27;
  EXPECT_NEAR(Column(r, "A (AFM)").Values[0], 100 * 1 / afm, 1e-12);
  EXPECT_NEAR(Column(r, "F (AFM)").Values[0], 100 * feot / afm, 1e-12);
  EXPECT_NEAR(Column(r, "M (AFM)").Values[0], 100 * 27 / afm, 1e-12);
  for (const RecalcColumn& c : r.Columns) EXPECT_NE(c.Name, "Fe2O3 (norm)");

  o.VolatileFree = true;
  r = Recalculate(in, o);
  const double dry = 45 + 27 + feot + 1;
  EXPECT_NEAR(Column(r, "SiO2 (norm, vf)").Values[0], 45 * 100 / dry, 1e-12);
  EXPECT_NEAR(Column(r, "FeO (norm, vf)").Values[0], feot * 100 / dry, 1e-12);
  for (const RecalcColumn& c : r.Columns) {
    EXPECT_NE(c.Name, "H2O (norm, vf)");
    EXPECT_NE(c.Name, "LOI (norm, vf)");
  }

  o = RecalcOptions{};
  o.Iron = IronTotal::AsFe2O3;
  r = Recalculate(in, o);
  EXPECT_NEAR(Column(r, "Fe2O3 (total)").Values[0], 2 + 5 / f, 1e-12);
}

TEST(Recalculation, OptionsThatCannotWorkAreRefused) {
  RecalcInput in;
  in.Components = {ComponentIndex("SiO2"), ComponentIndex("MgO")};
  RecalcOptions o;
  EXPECT_EQ(CheckRecalcOptions(in, o), "Nothing to compute: choose at least one recalculation.");
  o.Oxygens = 4;
  o.Fe3ChargeBalance = true;
  o.Cations = 3;
  EXPECT_EQ(CheckRecalcOptions(in, o), "Fe3+ by charge balance needs an iron column (FeO or Fe2O3).");
  in.Components.push_back(ComponentIndex("MgO"));
  EXPECT_EQ(CheckRecalcOptions(in, o), "Two columns are mapped to MgO.");
  in.Components = {ComponentIndex("H2O")};
  EXPECT_EQ(CheckRecalcOptions(in, o), "No column holds a cation oxide.");
}

}  // namespace
}  // namespace varnel
