// Coefficients of a relation as a petrologist writes them: the rounding noise
// of the data dropped below a cut-off, and the smallest whole numbers that
// reproduce what remains.
#pragma once

#include <span>

#include "core/real.h"

namespace varnel {

// The tolerance of whole numbers when no cut-off is set: composition data in
// moles typed from formulas reproduce whole-number reactions far closer.
inline constexpr Real DefaultWholeTolerance = 1e-6L;
// The largest whole coefficient looked for when none is chosen.
inline constexpr int DefaultWholeBound = 100;
inline constexpr int MaxWholeBound = 100000;

// Sets to zero every coefficient whose magnitude is below relative x the
// largest magnitude of x; relative <= 0 changes nothing. Returns how many
// coefficients were dropped.
int DropSmallCoefficients(std::span<Real> x, Real relative);

// Scales x to the smallest whole numbers proportional to it: the smallest
// multiplier that puts every coefficient within tolerance x the largest of a
// whole number, with the largest whole number at most bound. The signs are
// kept and a zero stays zero. Returns false and leaves x as it was when no
// multiplier up to the bound fits (or x is all zeros).
bool ToWholeNumbers(std::span<Real> x, Real tolerance, int bound);

}  // namespace varnel
