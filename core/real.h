// The element type of every computation and the tolerances derived from it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
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

// Reads the exponent field instead of comparing on the FPU: an 80-bit value is
// infinite or undefined exactly when its 15 exponent bits are all ones.
inline bool IsFinite(const Real& x) {
  std::uint16_t top;
  std::memcpy(&top, reinterpret_cast<const unsigned char*>(&x) + 8, sizeof top);
  return (top & 0x7FFF) != 0x7FFF;
}

}  // namespace varnel
