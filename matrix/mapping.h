// Coordinate mapping: every case re-expressed in new components defined by
// selected cases, solved in the least-squares sense through the SVD.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/fmatrix.h"
#include "sheet/sheet.h"

namespace varnel {

struct MappingOptions {
  int NamesColumn = 0;         // grid column naming the new variables; 0 for "(None)"
  bool MapAll = false;         // map excluded cases too
  bool Computational = false;  // use the computational zero instead of Threshold
  Real Threshold = 0.0009L;
  std::vector<Real> Weights;  // one per old variable, in weighted mode
};

// The text of a mapped value: up to 8 significant digits, trailing zeros and
// a bare point dropped; fixed when the value has at most 8 integer digits
// and is at least 0.00001 in size, otherwise scientific ("1.5E-7", "2E9").
std::string GeneralNumberText(Real value, char decimalSeparator);

// The weight an old variable starts with: 100 for names with a "+" (such as
// Fe3+), else 1.
Real DefaultWeight(std::string_view name);

// Maps every case (or every included one) of the sheet onto the new
// variables defined by the cases of rows top..bottom, appending them as new
// tagged columns. Returns 0; 4 when a defining case is not numeric; -1
// after the rank step reported an SVD failure; NonFiniteCode when a result
// overflows or is undefined; 1 when memory runs out. Nothing changes unless
// the result is 0 and the degeneracy question, when asked, is answered Yes.
int LinearMapCompute(Sheet& sheet, int top, int bottom, int nOld, int nNew, bool weighted,
                     const IVector& list, const MappingOptions& options, char decimalSeparator,
                     const std::function<void()>& processEvents = {});

// The whole command after its dialog: checks, then the computation, with
// its error boxes. showDialog fills the options (weights already set to
// their defaults) and returns false when cancelled.
enum class MappingOutcome { Done, Refused, Cancelled, Failed };
MappingOutcome RunMappingCommand(Sheet& sheet, char decimalSeparator,
                                 const std::function<bool(MappingOptions&, int nOld, int nNew, bool weighted,
                                                          const IVector& list)>& showDialog,
                                 const std::function<void()>& processEvents = {});

}  // namespace varnel
