#include "wizard/wholenumbers.h"

#include <algorithm>
#include <cmath>

namespace varnel {

int DropSmallCoefficients(std::span<Real> x, Real relative) {
  if (!(relative > 0)) return 0;
  Real largest = 0;
  for (const Real v : x) largest = std::max(largest, std::fabs(v));
  const Real below = relative * largest;
  int dropped = 0;
  for (Real& v : x)
    if (v != 0 && std::fabs(v) < below) {
      v = 0;
      ++dropped;
    }
  return dropped;
}

bool ToWholeNumbers(std::span<Real> x, Real tolerance, int bound) {
  Real largest = 0, smallest = 0;
  for (const Real v : x) {
    const Real a = std::fabs(v);
    if (!std::isfinite(a)) return false;
    if (a == 0) continue;
    largest = std::max(largest, a);
    smallest = smallest == 0 ? a : std::min(smallest, a);
  }
  if (largest == 0) return false;
  // With the smallest coefficient at 1, every whole-number form is k x the
  // relation for a whole k (its smallest entry is k): trying k = 1, 2, ...
  // finds the smallest one first.
  const Real top = largest / smallest;
  for (int k = 1; static_cast<Real>(k) * top <= bound + 0.5L; ++k) {
    const Real allowed = tolerance * static_cast<Real>(k) * top;
    bool fits = true;
    for (const Real v : x) {
      if (v == 0) continue;
      const Real scaled = static_cast<Real>(k) * v / smallest;
      if (std::fabs(scaled - std::nearbyint(scaled)) > allowed) {
        fits = false;
        break;
      }
    }
    if (!fits) continue;
    for (Real& v : x)
      if (v != 0) v = std::nearbyint(static_cast<Real>(k) * v / smallest);
    return true;
  }
  return false;
}

}  // namespace varnel
