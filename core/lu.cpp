#include "core/lu.h"

#include <cmath>
#include <string>

#include "core/computationerror.h"

namespace varnel {

int LU_Decomp(FMatrix& a, int n, IVector& indx, Real& d) {
  d = 1;
  if (!AllFinite(a, n, n)) return NonFiniteCode;
  int code = 0;
  FVector vv;  // implicit row scales

  for (int i = 1; i <= n; ++i) {
    Real big = 0;
    const Real* row = a.Row(i);
    for (int j = 0; j < n; ++j) {
      const Real t = std::fabs(row[j]);
      if (t > big) big = t;
    }
    if (big == 0) return CodeLuSingular;
    vv[i] = 1 / big;
  }

  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i < j; ++i) {
      const Real* rowI = a.Row(i);
      Real sum = rowI[j - 1];
      for (int k = 1; k < i; ++k) sum -= rowI[k - 1] * a(k, j);
      a(i, j) = sum;
    }
    Real big = 0;
    int imax = j;
    for (int i = j; i <= n; ++i) {
      const Real* rowI = a.Row(i);
      Real sum = rowI[j - 1];
      for (int k = 1; k < j; ++k) sum -= rowI[k - 1] * a(k, j);
      a(i, j) = sum;
      const Real dum = vv[i] * std::fabs(sum);
      if (dum >= big) {
        big = dum;
        imax = i;
      }
    }
    if (j != imax) {
      std::swap(a.a[imax - 1], a.a[j - 1]);
      d = -d;
      vv[imax] = vv[j];
    }
    indx[j] = imax;
    if (a(j, j) == 0) {
      a(j, j) = LuTiny;
      code = CodeLuZeroPivot;
    }
    if (j != n) {
      const Real dum = 1 / a(j, j);
      for (int i = j + 1; i <= n; ++i) a(i, j) *= dum;
    }
  }
  if (!AllFinite(a, n, n)) return NonFiniteCode;
  return code;
}

void LU_Bksolv(const FMatrix& a, int n, const IVector& indx, FVector& b, MessageSink& sink) {
  int ii = 0;
  for (int i = 1; i <= n; ++i) {
    const int ip = indx[i];
    Real sum = b[ip];
    b[ip] = b[i];
    if (ii != 0) {
      const Real* rowI = a.Row(i);
      for (int j = ii; j <= i - 1; ++j) sum -= rowI[j - 1] * b[j];
    } else if (sum != 0) {
      ii = i;
    }
    b[i] = sum;
  }
  for (int i = n; i >= 1; --i) {
    const Real* rowI = a.Row(i);
    Real sum = b[i];
    for (int j = i + 1; j <= n; ++j) sum -= rowI[j - 1] * b[j];
    if (rowI[i - 1] == 0) {
      sink.ShowMessage(BoxKind::Error, "LU_Bksolv: Unexpected division by zero in (" + std::to_string(i) +
                                           "). Please report to user support.");
      b[i] = LuHuge;
    } else {
      b[i] = sum / rowI[i - 1];
    }
  }
}

int InvertFMatrix(FMatrix& a, FMatrix& y, int n, MessageSink& sink) {
  IVector indx;
  Real d = 0;
  const int code = LU_Decomp(a, n, indx, d);
  if (code != 0) return code;
  FVector col;
  FMatrix inverse;  // y is written only once every column is good
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) col[i] = 0;
    col[j] = 1;
    LU_Bksolv(a, n, indx, col, sink);
    for (int i = 1; i <= n; ++i) {
      if (!IsFinite(col[i])) return NonFiniteCode;
    }
    for (int i = 1; i <= n; ++i) inverse(i, j) = col[i];
  }
  CopyFMatrix(inverse, y, n, n);
  return 0;
}

}  // namespace varnel
