// Recalculation of oxide analyses: total iron, normalising, molecular and
// cation proportions, cations per formula unit with Fe3+ by charge balance
// (Droop 1987), Mg# and the AFM coordinates.
#pragma once

#include <string>
#include <vector>

namespace varnel {

enum class IronTotal { AsGiven, AsFeO, AsFe2O3 };

struct RecalcOptions {
  IronTotal Iron = IronTotal::AsGiven;
  bool Normalise = false;
  bool VolatileFree = false;       // with Normalise: H2O, CO2, SO3 and LOI left out
  bool Moles = false;              // molecular proportions, "SiO2 (mol)"
  bool CationProportions = false;  // "Si (cat)"
  int Oxygens = 0;                 // cations per this many oxygens; 0: none
  int Cations = 0;                 // with Fe3ChargeBalance: cations per formula unit
  bool Fe3ChargeBalance = false;
  bool MgNumber = false;
  bool Afm = false;
};

// The common formula units offered: oxygens and the mineral groups.
struct OxygenBasis {
  int Oxygens;
  int Cations;  // the usual cations for Fe3+ by charge balance; 0 when none
  const char* Minerals;
};
const std::vector<OxygenBasis>& CommonOxygenBases();

// One analysis per case: the wt% of each mapped component, row by row
// (values[row * Components.size() + k]); NaN for a value that is not a number.
struct RecalcInput {
  std::vector<int> Components;  // indices into Components(), each at most once
  int Rows = 0;
  std::vector<double> Values;
};

// Why a case has no results.
enum class SkipReason { None, NotANumber, Negative, NoOxides };

struct RecalcColumn {
  std::string Name;
  std::vector<double> Values;  // one per case; NaN: left empty
};

struct RecalcResult {
  std::vector<RecalcColumn> Columns;
  std::vector<SkipReason> Skipped;  // one per case
  int NotANumber = 0, Negative = 0, NoOxides = 0;
  int ClampedAtZero = 0;             // Fe3+ would have been negative
  int ClampedAtTotalFe = 0;          // Fe3+ would have exceeded the iron there is
  int EmptyMgNumber = 0;             // no Mg and no Fe2+
  int EmptyAfm = 0;                  // no Na2O, K2O, iron or MgO
  bool MgNumberFromTotalFe = false;  // Mg# took all iron as Fe2+
};

// Checks the options against the mapping; an empty text when they fit,
// else what is wrong.
std::string CheckRecalcOptions(const RecalcInput& input, const RecalcOptions& options);

RecalcResult Recalculate(const RecalcInput& input, const RecalcOptions& options);

// The name of a cation as recalculated columns show it: "Si", or with its
// charge where the element has more than one oxide ("Fe2+", "Fe3+").
std::string CationLabel(int component);

// The lines of the report: what was computed, on which columns, the
// formula unit and how many cases were skipped and why. sourceNames gives
// the column each mapped component came from.
std::vector<std::string> RecalcReportLines(const RecalcInput& input,
                                           const std::vector<std::string>& sourceNames,
                                           const RecalcOptions& options, const RecalcResult& result);

}  // namespace varnel
