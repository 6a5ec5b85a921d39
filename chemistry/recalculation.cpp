#include "chemistry/recalculation.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "chemistry/oxides.h"
#include "chemistry/resulttext.h"

namespace varnel {
namespace {

constexpr double Empty = std::numeric_limits<double>::quiet_NaN();
using L = long double;

bool Has(const std::vector<int>& list, int k) {
  for (int x : list)
    if (x == k) return true;
  return false;
}

// A molar mass or factor as the report shows it: ten significant digits,
// as many as the atomic weights carry (56.077, not 56.077000000000005).
std::string Digits10(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
  return std::string(buf, r.ptr);
}

// "1 case", "3 cases".
std::string CaseCount(int n) { return std::to_string(n) + (n == 1 ? " case" : " cases"); }

}  // namespace

const std::vector<OxygenBasis>& CommonOxygenBases() {
  static const std::vector<OxygenBasis> bases = {
      {4, 3, "olivine, spinel"}, {6, 4, "pyroxene"},          {8, 5, "feldspar"},
      {12, 8, "garnet"},         {22, 0, "mica (anhydrous)"}, {23, 0, "amphibole (anhydrous)"},
  };
  return bases;
}

std::string CationLabel(int component) {
  const std::vector<Component>& all = Components();
  const Component& c = all[static_cast<std::size_t>(component)];
  int oxides = 0;
  for (const Component& other : all)
    if (other.Cation == c.Cation) ++oxides;
  return oxides > 1 ? c.Cation + std::to_string(c.Charge) + "+" : c.Cation;
}

std::string CheckRecalcOptions(const RecalcInput& input, const RecalcOptions& o) {
  const std::vector<Component>& all = Components();
  for (std::size_t a = 0; a < input.Components.size(); ++a) {
    const int k = input.Components[a];
    if (k < 0 || k >= static_cast<int>(all.size())) return "A column is mapped to no component.";
    for (std::size_t b = 0; b < a; ++b)
      if (input.Components[b] == k)
        return "Two columns are mapped to " + all[static_cast<std::size_t>(k)].Formula + ".";
  }
  bool anyOxide = false;
  for (int k : input.Components) anyOxide |= all[static_cast<std::size_t>(k)].Kind == ComponentKind::Oxide;
  if (!anyOxide) return "No column holds a cation oxide.";
  if (o.Oxygens < 0 || o.Oxygens > 1000) return "The number of oxygens must lie between 1 and 1000.";
  if (o.Fe3ChargeBalance) {
    if (o.Oxygens == 0) return "Fe3+ by charge balance needs the number of oxygens.";
    if (o.Cations < 1 || o.Cations > 1000)
      return "Fe3+ by charge balance needs the number of cations (1 to 1000).";
    if (!Has(input.Components, ComponentIndex("FeO")) && !Has(input.Components, ComponentIndex("Fe2O3")))
      return "Fe3+ by charge balance needs an iron column (FeO or Fe2O3).";
  }
  if (o.MgNumber && !Has(input.Components, ComponentIndex("MgO"))) return "Mg# needs an MgO column.";
  if (!o.Normalise && !o.Moles && !o.CationProportions && o.Oxygens == 0 && !o.MgNumber && !o.Afm &&
      o.Iron == IronTotal::AsGiven)
    return "Nothing to compute: choose at least one recalculation.";
  return {};
}

RecalcResult Recalculate(const RecalcInput& input, const RecalcOptions& o) {
  const std::vector<Component>& all = Components();
  const int table = static_cast<int>(all.size());
  const int nc = static_cast<int>(input.Components.size());
  const int iFeO = ComponentIndex("FeO"), iFe2O3 = ComponentIndex("Fe2O3");
  const int iMgO = ComponentIndex("MgO"), iNa2O = ComponentIndex("Na2O"), iK2O = ComponentIndex("K2O");
  const L f = FeOPerFe2O3();
  const bool hadFeO = Has(input.Components, iFeO), hadFe2O3 = Has(input.Components, iFe2O3);
  const bool anyIron = hadFeO || hadFe2O3;

  // The components after the iron step, in the table's order.
  std::vector<int> present;
  for (int k = 0; k < table; ++k) {
    bool in = Has(input.Components, k);
    if (anyIron && o.Iron == IronTotal::AsFeO) in = k == iFeO ? true : (k == iFe2O3 ? false : in);
    if (anyIron && o.Iron == IronTotal::AsFe2O3) in = k == iFe2O3 ? true : (k == iFeO ? false : in);
    if (in) present.push_back(k);
  }
  const auto kind = [&all](int k) { return all[static_cast<std::size_t>(k)].Kind; };
  std::vector<int> normalised, moles, cations;
  for (int k : present) {
    if (!(o.VolatileFree && kind(k) == ComponentKind::Volatile)) normalised.push_back(k);
    if (all[static_cast<std::size_t>(k)].Formula != "LOI") moles.push_back(k);
    if (kind(k) == ComponentKind::Oxide) cations.push_back(k);
  }
  // For cations with Fe3+ by charge balance, all iron first counts as FeO.
  std::vector<int> perOxygen;
  if (o.Oxygens > 0) {
    for (int k : cations)
      if (!(o.Fe3ChargeBalance && (k == iFeO || k == iFe2O3))) perOxygen.push_back(k);
  }

  RecalcResult r;
  const std::size_t rows = static_cast<std::size_t>(std::max(input.Rows, 0));
  r.Skipped.assign(rows, SkipReason::None);
  const auto add = [&r, rows](std::string name) {
    r.Columns.push_back({std::move(name), std::vector<double>(rows, Empty)});
    return r.Columns.size() - 1;
  };
  std::size_t colTotalIron = 0;
  if (anyIron && o.Iron == IronTotal::AsFeO) colTotalIron = add("FeO (total)");
  if (anyIron && o.Iron == IronTotal::AsFe2O3) colTotalIron = add("Fe2O3 (total)");
  const std::string normTag = o.VolatileFree ? " (norm, vf)" : " (norm)";
  const std::size_t colNorm = r.Columns.size();
  if (o.Normalise)
    for (int k : normalised) add(all[static_cast<std::size_t>(k)].Formula + normTag);
  const std::size_t colMol = r.Columns.size();
  if (o.Moles)
    for (int k : moles) add(all[static_cast<std::size_t>(k)].Formula + " (mol)");
  const std::size_t colCat = r.Columns.size();
  if (o.CationProportions)
    for (int k : cations) add(CationLabel(k) + " (cat)");
  const std::string basis = " (" + std::to_string(o.Oxygens) + " O)";
  const std::size_t colPfu = r.Columns.size();
  std::size_t colFe2 = 0, colFe3 = 0, colSum = 0, colRatio = 0;
  if (o.Oxygens > 0) {
    for (int k : perOxygen) add(CationLabel(k) + basis);
    if (o.Fe3ChargeBalance) {
      colFe2 = add("Fe2+" + basis);
      colFe3 = add("Fe3+" + basis);
    }
    colSum = add("Sum" + basis);
    if (o.Fe3ChargeBalance) colRatio = add("Fe3+/(Fe2+ + Fe3+)");
  }
  std::size_t colMg = 0, colA = 0;
  if (o.MgNumber) {
    colMg = add("Mg#");
    r.MgNumberFromTotalFe = !o.Fe3ChargeBalance && anyIron &&
                            (o.Iron == IronTotal::AsFe2O3 || (o.Iron == IronTotal::AsGiven && !hadFeO));
  }
  if (o.Afm) {
    colA = add("A (AFM)");
    add("F (AFM)");
    add("M (AFM)");
  }

  std::vector<L> a(static_cast<std::size_t>(table), 0);
  for (std::size_t row = 0; row < rows; ++row) {
    const double* w = input.Values.data() + row * static_cast<std::size_t>(nc);
    SkipReason why = SkipReason::None;
    for (int j = 0; j < nc; ++j) {
      if (std::isnan(w[j]))
        why = SkipReason::NotANumber;
      else if (why == SkipReason::None && (w[j] < 0 || !std::isfinite(w[j])))
        why = SkipReason::Negative;
    }
    if (why == SkipReason::None) {
      for (int k : input.Components) a[static_cast<std::size_t>(k)] = 0;
      a[static_cast<std::size_t>(iFeO)] = a[static_cast<std::size_t>(iFe2O3)] = 0;
      for (int j = 0; j < nc; ++j)
        a[static_cast<std::size_t>(input.Components[static_cast<std::size_t>(j)])] = w[j];
      L feo = a[static_cast<std::size_t>(iFeO)], fe2o3 = a[static_cast<std::size_t>(iFe2O3)];
      const L totalFeO = feo + f * fe2o3;
      // AFM from the analysis as given; its proportions do not change with normalising.
      if (o.Afm) {
        const L A = a[static_cast<std::size_t>(iNa2O)] + a[static_cast<std::size_t>(iK2O)], F = totalFeO,
                M = a[static_cast<std::size_t>(iMgO)];
        const L s = A + F + M;
        if (s > 0) {
          r.Columns[colA].Values[row] = static_cast<double>(100 * A / s);
          r.Columns[colA + 1].Values[row] = static_cast<double>(100 * F / s);
          r.Columns[colA + 2].Values[row] = static_cast<double>(100 * M / s);
        } else {
          ++r.EmptyAfm;
        }
      }
      if (anyIron && o.Iron == IronTotal::AsFeO) {
        a[static_cast<std::size_t>(iFeO)] = totalFeO;
        a[static_cast<std::size_t>(iFe2O3)] = 0;
        r.Columns[colTotalIron].Values[row] = static_cast<double>(totalFeO);
      } else if (anyIron && o.Iron == IronTotal::AsFe2O3) {
        a[static_cast<std::size_t>(iFe2O3)] = totalFeO / f;
        a[static_cast<std::size_t>(iFeO)] = 0;
        r.Columns[colTotalIron].Values[row] = static_cast<double>(totalFeO / f);
      }
      L sum = 0;
      for (int k : normalised) sum += a[static_cast<std::size_t>(k)];
      L cationOxides = 0;
      for (int k : cations) cationOxides += a[static_cast<std::size_t>(k)];
      if (!(sum > 0) || !(cationOxides > 0)) why = SkipReason::NoOxides;
      if (why == SkipReason::None) {
        const L scale = o.Normalise ? 100 / sum : 1;
        if (o.Normalise) {
          for (std::size_t j = 0; j < normalised.size(); ++j)
            r.Columns[colNorm + j].Values[row] =
                static_cast<double>(a[static_cast<std::size_t>(normalised[j])] * scale);
        }
        const auto mol = [&](int k) {
          const Component& c = all[static_cast<std::size_t>(k)];
          return a[static_cast<std::size_t>(k)] * scale / static_cast<L>(c.MolarMass);
        };
        if (o.Moles)
          for (std::size_t j = 0; j < moles.size(); ++j)
            r.Columns[colMol + j].Values[row] = static_cast<double>(mol(moles[j]));
        if (o.CationProportions)
          for (std::size_t j = 0; j < cations.size(); ++j)
            r.Columns[colCat + j].Values[row] =
                static_cast<double>(mol(cations[j]) * all[static_cast<std::size_t>(cations[j])].Cations);
        L mgPfu = 0, fe2Pfu = 0;
        bool pfu = false;
        if (o.Oxygens > 0) {
          // Oxygens and cations of the analysis, iron as FeO with charge balance.
          L oxygens = 0;
          for (int k : perOxygen) oxygens += mol(k) * all[static_cast<std::size_t>(k)].Oxygens;
          L ironMol = 0;
          if (o.Fe3ChargeBalance) {
            ironMol = (a[static_cast<std::size_t>(iFeO)] + f * a[static_cast<std::size_t>(iFe2O3)]) * scale /
                      static_cast<L>(all[static_cast<std::size_t>(iFeO)].MolarMass);
            oxygens += ironMol;
          }
          const L n = o.Oxygens;
          L factor = n / oxygens;
          L cationSum = 0;
          for (int k : perOxygen) cationSum += mol(k) * all[static_cast<std::size_t>(k)].Cations * factor;
          L fe2 = 0, fe3 = 0;
          if (o.Fe3ChargeBalance) {
            const L fe = ironMol * factor;
            const L s = cationSum + fe;
            const L t = o.Cations;
            const L estimate = 2 * n * (1 - t / s);
            if (estimate <= 0) {
              fe2 = fe;
              if (estimate < 0) ++r.ClampedAtZero;
            } else if (estimate >= fe) {
              // All iron ferric: the formula on N oxygens with Fe as Fe2O3.
              if (estimate > fe) ++r.ClampedAtTotalFe;
              factor = n / (oxygens + ironMol / 2);
              fe3 = ironMol * factor;
            } else {
              // Droop: the formula normalised to T cations holds F = 2N(1 - T/S) Fe3+.
              factor *= t / s;
              fe3 = estimate;
              fe2 = ironMol * factor - estimate;
            }
            cationSum = 0;
            for (int k : perOxygen) cationSum += mol(k) * all[static_cast<std::size_t>(k)].Cations * factor;
            cationSum += fe2 + fe3;
            r.Columns[colFe2].Values[row] = static_cast<double>(fe2);
            r.Columns[colFe3].Values[row] = static_cast<double>(fe3);
            if (fe2 + fe3 > 0) r.Columns[colRatio].Values[row] = static_cast<double>(fe3 / (fe2 + fe3));
          }
          for (std::size_t j = 0; j < perOxygen.size(); ++j) {
            const int k = perOxygen[j];
            const L v = mol(k) * all[static_cast<std::size_t>(k)].Cations * factor;
            r.Columns[colPfu + j].Values[row] = static_cast<double>(v);
            if (k == iMgO) mgPfu = v;
            if (k == iFeO) fe2Pfu = v;
          }
          r.Columns[colSum].Values[row] = static_cast<double>(cationSum);
          if (o.Fe3ChargeBalance) fe2Pfu = fe2;
          pfu = true;
        }
        if (o.MgNumber) {
          // Mg and Fe2+ in moles; any common factor cancels.
          L mg = mgPfu, fe2 = fe2Pfu;
          if (!pfu || !o.Fe3ChargeBalance) {
            mg = mol(iMgO);
            fe2 = r.MgNumberFromTotalFe
                      ? (a[static_cast<std::size_t>(iFeO)] + f * a[static_cast<std::size_t>(iFe2O3)]) *
                            scale / static_cast<L>(all[static_cast<std::size_t>(iFeO)].MolarMass)
                      : mol(iFeO);
          }
          if (mg + fe2 > 0)
            r.Columns[colMg].Values[row] = static_cast<double>(100 * mg / (mg + fe2));
          else
            ++r.EmptyMgNumber;
        }
      }
    }
    if (why != SkipReason::None) {
      r.Skipped[row] = why;
      for (RecalcColumn& c : r.Columns) c.Values[row] = Empty;
      (why == SkipReason::NotANumber ? r.NotANumber
       : why == SkipReason::Negative ? r.Negative
                                     : r.NoOxides)++;
    }
  }
  return r;
}

std::vector<std::string> RecalcReportLines(const RecalcInput& input,
                                           const std::vector<std::string>& sourceNames,
                                           const RecalcOptions& o, const RecalcResult& r) {
  const std::vector<Component>& all = Components();
  std::vector<std::string> lines;
  std::string mapping = "Columns: ";
  for (std::size_t j = 0; j < input.Components.size(); ++j) {
    const Component& c = all[static_cast<std::size_t>(input.Components[j])];
    if (j > 0) mapping += ", ";
    mapping += c.Formula;
    if (j < sourceNames.size() && sourceNames[j] != c.Formula) mapping += " = " + sourceNames[j];
  }
  lines.push_back(mapping);
  std::string masses = "Molar masses (g/mol, IUPAC 2021 standard atomic weights): ";
  bool first = true;
  for (int k : input.Components) {
    const Component& c = all[static_cast<std::size_t>(k)];
    if (c.MolarMass <= 0) continue;
    masses += (first ? "" : ", ") + c.Formula + " " + Digits10(c.MolarMass);
    first = false;
  }
  lines.push_back(masses);
  const std::string factor = Digits10(FeOPerFe2O3());
  if (o.Iron == IronTotal::AsFeO) lines.push_back("Total iron as FeO = FeO + " + factor + " Fe2O3");
  if (o.Iron == IronTotal::AsFe2O3) lines.push_back("Total iron as Fe2O3 = Fe2O3 + FeO / " + factor);
  if (o.Normalise)
    lines.push_back(o.VolatileFree
                        ? "Normalised to 100 wt% on a volatile-free basis (H2O, CO2, SO3 and LOI left out)"
                        : "Normalised to 100 wt%");
  if (o.Moles) lines.push_back("Molecular proportions: wt% / molar mass (moles per 100 g)");
  if (o.CationProportions) lines.push_back("Cation proportions: molecular proportion x cations per oxide");
  if (o.Oxygens > 0) {
    lines.push_back("Cations per " + std::to_string(o.Oxygens) +
                    " oxygens (H2O, CO2, SO3, LOI, F and Cl left out)");
    if (o.Fe3ChargeBalance) {
      lines.push_back("Fe3+ by charge balance (Droop 1987) for " + std::to_string(o.Oxygens) +
                      " oxygens and " + std::to_string(o.Cations) +
                      " cations: Fe3+ = 2 N (1 - T/S), all iron first taken as FeO");
      lines.push_back("Fe3+ clamped at 0 in " + CaseCount(r.ClampedAtZero) + " and at the total iron in " +
                      CaseCount(r.ClampedAtTotalFe));
    }
  }
  if (o.MgNumber)
    lines.push_back(r.MgNumberFromTotalFe ? "Mg# = 100 Mg / (Mg + Fe) in moles, all iron taken as Fe2+"
                                          : "Mg# = 100 Mg / (Mg + Fe2+) in moles");
  if (o.Afm)
    lines.push_back("AFM: A = Na2O + K2O, F = FeO + " + factor + " Fe2O3, M = MgO (wt%), summed to 100");
  std::string added = "Added columns: ";
  for (std::size_t j = 0; j < r.Columns.size(); ++j) added += (j ? ", " : "") + r.Columns[j].Name;
  lines.push_back(added);
  const int cases = static_cast<int>(r.Skipped.size());
  const int skipped = r.NotANumber + r.Negative + r.NoOxides;
  std::string counts =
      "Cases: " + std::to_string(cases - skipped) + " recalculated, " + std::to_string(skipped) + " skipped";
  if (skipped > 0) {
    std::string why;
    const auto reason = [&why](int n, const char* text) {
      if (n > 0) why += (why.empty() ? "" : ", ") + std::to_string(n) + " " + text;
    };
    reason(r.NotANumber, "with a value that is not a number");
    reason(r.Negative, "with a negative value");
    reason(r.NoOxides, "without any oxide");
    counts += " (" + why + ")";
  }
  lines.push_back(counts);
  if (r.EmptyMgNumber > 0)
    lines.push_back("Mg# left empty in " + CaseCount(r.EmptyMgNumber) + " without Mg and Fe2+");
  if (r.EmptyAfm > 0)
    lines.push_back("AFM left empty in " + CaseCount(r.EmptyAfm) + " without Na2O, K2O, iron and MgO");
  return lines;
}

}  // namespace varnel
