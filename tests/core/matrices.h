// Matrices for the numeric tests, written out or drawn at random.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <random>

#include "core/fmatrix.h"

namespace varnel::test {

// A matrix from its rows, from (1, 1); the rest stays zero.
inline FMatrix FromRows(std::initializer_list<std::initializer_list<Real>> rows) {
  FMatrix m;
  int i = 1;
  for (const auto& r : rows) {
    int j = 1;
    for (Real x : r) m(i, j++) = x;
    ++i;
  }
  return m;
}

// Elements in (-1, 1) with bits below a double's precision set too.
inline FMatrix RandomMatrix(std::mt19937_64& gen, int rows, int cols) {
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  FMatrix m;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) m(i, j) = static_cast<Real>(d(gen)) + static_cast<Real>(d(gen)) * 1e-17L;
  return m;
}

// A vector from its elements, from 1.
inline FVector FromValues(std::initializer_list<Real> values) {
  FVector v;
  int k = 1;
  for (Real x : values) v[k++] = x;
  return v;
}

// The 80 bits of an extended real, without the padding after them.
inline bool SameBits(const Real& a, const Real& b) { return std::memcmp(&a, &b, 10) == 0; }

// Whether the rows x cols blocks of a and b are equal, bit for bit or by value
// (where 0 and -0 are the same).
inline ::testing::AssertionResult SameBlock(const FMatrix& a, const FMatrix& b, int rows, int cols,
                                            bool bits) {
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j)
      if (bits ? !SameBits(a(i, j), b(i, j)) : a(i, j) != b(i, j))
        return ::testing::AssertionFailure()
               << "element (" << i << ", " << j << "): " << a(i, j) << " against " << b(i, j);
  return ::testing::AssertionSuccess();
}
inline ::testing::AssertionResult SameBits(const FMatrix& a, const FMatrix& b, int rows, int cols) {
  return SameBlock(a, b, rows, cols, true);
}
inline ::testing::AssertionResult SameValues(const FMatrix& a, const FMatrix& b, int rows, int cols) {
  return SameBlock(a, b, rows, cols, false);
}

}  // namespace varnel::test
