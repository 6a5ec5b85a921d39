// The element type of every computation and the tolerances derived from it.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace varnel {

// 80-bit extended precision on x86-64: a 64-bit mantissa.
using Real = long double;

static_assert(std::numeric_limits<Real>::digits >= 64, "Varnel computes in 80-bit extended precision");

inline constexpr Real RealEpsilon = std::numeric_limits<Real>::epsilon();

// The computational zero of a decomposition is relative to its largest
// singular value: n x max(W) x SvZeroFactor.
inline constexpr Real SvZeroFactor = 1e-14L;

// Replaces an exactly zero pivot in the LU decomposition.
inline constexpr Real LuTiny = 1e-20L;

// What a zero divisor in the LU back substitution leaves in the solution.
inline constexpr Real LuHuge = 1e4500L;

// Infinite and undefined values are the ones no computation may pass on.
inline bool IsFinite(Real x) { return std::isfinite(x); }

}  // namespace varnel
