#include "core/fmatrix.h"

namespace varnel {

void FillFMatrix(FMatrix& m, int rows, int cols, Real x) {
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) m(i, j) = x;
}

void CopyFMatrix(const FMatrix& source, FMatrix& dest, int rows, int cols) {
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) dest(i, j) = source(i, j);
}

int ScaleFMatrixRows(FMatrix& m, const FVector& w, int rows, int cols, bool divide) {
  int code = 0;
  for (int i = 1; i <= rows; ++i) {
    const Real weight = w[i];
    if (!IsFinite(weight)) {
      code = NonFiniteCode;
      continue;
    }
    for (int j = 1; j <= cols; ++j) {
      if (divide && weight == 0) break;  // the row keeps its old values
      const Real r = divide ? m(i, j) / weight : m(i, j) * weight;
      if (!IsFinite(r)) {
        code = NonFiniteCode;
        break;
      }
      m(i, j) = r;
    }
  }
  return code;
}

int SubtractFMatrix(const FMatrix& a, const FMatrix& b, FMatrix& c, int rows, int cols) {
  int code = 0;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) {
      c(i, j) = a(i, j) - b(i, j);
      if (!IsFinite(c(i, j))) code = NonFiniteCode;
    }
  return code;
}

int DivideFMatrix(const FMatrix& a, const FMatrix& b, FMatrix& c, int rows, int cols) {
  int code = 0;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) {
      if (b(i, j) == 0) {
        code = NonFiniteCode;  // the element keeps its old value
        continue;
      }
      c(i, j) = a(i, j) / b(i, j);
      if (!IsFinite(c(i, j))) code = NonFiniteCode;
    }
  return code;
}

bool AllFinite(const FMatrix& m, int rows, int cols) {
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j)
      if (!IsFinite(m(i, j))) return false;
  return true;
}

}  // namespace varnel
