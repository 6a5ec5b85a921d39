// Fixed-size extended-precision storage and the element-wise utilities on it.
#pragma once

#include <array>
#include <cstdint>

#include "core/real.h"

namespace varnel {

inline constexpr int MaxMatrixDim = 60;

// A 60 x 60 block of extended reals, row-major, indexed from 1. It is always
// allocated whole; the logical row and column counts travel beside it.
struct FMatrix {
  Real& operator()(int i, int j) { return a[i - 1][j - 1]; }
  const Real& operator()(int i, int j) const { return a[i - 1][j - 1]; }
  Real* Row(int i) { return a[i - 1].data(); }
  const Real* Row(int i) const { return a[i - 1].data(); }

  std::array<std::array<Real, MaxMatrixDim>, MaxMatrixDim> a{};
};

// 60 extended reals indexed from 1. A vector that is printed is the first row
// of an FMatrix; FVector is for everything else.
struct FVector {
  Real& operator()(int k) { return v[k - 1]; }
  const Real& operator()(int k) const { return v[k - 1]; }
  Real& operator[](int k) { return v[k - 1]; }
  const Real& operator[](int k) const { return v[k - 1]; }

  std::array<Real, MaxMatrixDim> v{};
};

// 60 signed 32-bit integers indexed from 1: pivot records, column lists, sort
// indices.
struct IVector {
  std::int32_t& operator[](int k) { return v[k - 1]; }
  const std::int32_t& operator[](int k) const { return v[k - 1]; }

  std::array<std::int32_t, MaxMatrixDim> v{};
};

// The failure code of a computation whose input or result is not a finite
// number: the undefined error, whose text says that a value overflowed or
// is undefined.
inline constexpr int NonFiniteCode = 9;

void FillFMatrix(FMatrix& m, int rows, int cols, Real x);
void CopyFMatrix(const FMatrix& source, FMatrix& dest, int rows, int cols);

// Multiplies (divide false) or divides (divide true) each row i by w[i]. A
// zero divisor, 0/0 included, leaves the rest of its row as it was. Returns 0,
// or NonFiniteCode when an input or a result is not finite.
int ScaleFMatrixRows(FMatrix& m, const FVector& w, int rows, int cols, bool divide);

// c = a - b and c = a / b element by element; c may be a or b. Returns 0, or
// NonFiniteCode for a zero divisor or a result that is not finite.
int SubtractFMatrix(const FMatrix& a, const FMatrix& b, FMatrix& c, int rows, int cols);
int DivideFMatrix(const FMatrix& a, const FMatrix& b, FMatrix& c, int rows, int cols);

// True when every element of the rows x cols block is finite.
bool AllFinite(const FMatrix& m, int rows, int cols);

}  // namespace varnel
