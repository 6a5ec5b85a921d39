// Row weights, as the Analysis Wizard and the coordinate mapping take them
// from the user: one rule for both, and for the command line.
#pragma once

#include <string>
#include <string_view>

#include "core/real.h"

namespace varnel {

// A typed weight as it is used: its absolute value; a zero weight, which
// would wipe out its row, becomes 1 and sets zeroed so that the caller warns.
Real UsableRowWeight(Real typed, bool& zeroed);

// The warning of a zeroed weight. The wizard's box ends in "1.", the
// mapping's in "1.0"; both texts are the program's own and stay as they are.
enum class WeightWarning { Wizard, Mapping };
std::string ZeroRowWeightMessage(std::string_view component, WeightWarning who);

}  // namespace varnel
