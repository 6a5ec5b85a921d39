#include "core/svd.h"

#include <cmath>

#include "core/computationerror.h"

namespace varnel {
namespace {

inline Real Pythag(Real a, Real b) {
  const Real absa = std::fabs(a);
  const Real absb = std::fabs(b);
  const Real p = absa > absb ? absa : absb;
  const Real q = absa > absb ? absb : absa;
  if (p == 0) return 0;
  const Real r = q / p;
  return p * std::sqrt(1 + r * r);
}

inline Real Sign(Real a, Real b) { return b >= 0 ? std::fabs(a) : -std::fabs(a); }

// Sums of products over a column index are gathered for all target columns at
// once, walking the rows in order. Every single sum still adds its terms in
// the same order as the textbook loop, so the results are the same to the
// last bit; only the memory is walked along rows instead of down columns.

// The rotations of one QR sweep act on neighbouring columns p, p + 1 of U or
// V in turn. Their angles do not depend on U and V, so a sweep first works
// out all of them and then applies the whole chain along each row: every
// element sees the same operations in the same order as when each rotation
// walks its two columns, but is loaded and stored once per sweep.
void ApplySweep(FMatrix& x, int rows, int first, int last, const Real* c, const Real* s) {
  // Each row's chain depends on its carry; two rows at a time overlap them.
  int r = 1;
  for (; r + 1 <= rows; r += 2) {
    Real* row0 = x.Row(r);
    Real* row1 = x.Row(r + 1);
    Real carry0 = row0[first - 1];
    Real carry1 = row1[first - 1];
    for (int j = first; j <= last; ++j) {
      const Real cj = c[j];
      const Real sj = s[j];
      const Real y0 = carry0;
      const Real z0 = row0[j];
      const Real y1 = carry1;
      const Real z1 = row1[j];
      row0[j - 1] = y0 * cj + z0 * sj;
      carry0 = z0 * cj - y0 * sj;
      row1[j - 1] = y1 * cj + z1 * sj;
      carry1 = z1 * cj - y1 * sj;
    }
    row0[last] = carry0;
    row1[last] = carry1;
  }
  for (; r <= rows; ++r) {
    Real* row = x.Row(r);
    Real carry = row[first - 1];
    for (int j = first; j <= last; ++j) {
      const Real y = carry;
      const Real z = row[j];
      row[j - 1] = y * c[j] + z * s[j];
      carry = z * c[j] - y * s[j];
    }
    row[last] = carry;
  }
}

// The cancelling rotations pair one fixed column p with columns first..last.
void ApplyCancellation(FMatrix& x, int rows, int p, int first, int last, const Real* c, const Real* s) {
  for (int r = 1; r <= rows; ++r) {
    Real* row = x.Row(r);
    Real carry = row[p - 1];
    for (int i = first; i <= last; ++i) {
      const Real y = carry;
      const Real z = row[i - 1];
      carry = y * c[i] + z * s[i];
      row[i - 1] = z * c[i] - y * s[i];
    }
    row[p - 1] = carry;
  }
}

// sums[j] := the sum over k = k0..k1 of coef[k] x m(k, j), for j = j0..j1.
// Four columns are summed together so that the running sums stay in
// registers while row k is read along; each sum still adds its terms in
// increasing k, exactly as the one-column-at-a-time loop does.
void ColumnSums(const FMatrix& m, const Real* coef, int k0, int k1, int j0, int j1, Real* sums) {
  int j = j0;
  for (; j + 3 <= j1; j += 4) {
    Real s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int k = k0; k <= k1; ++k) {
      const Real c = coef[k];
      const Real* r = m.Row(k) + (j - 1);
      s0 += c * r[0];
      s1 += c * r[1];
      s2 += c * r[2];
      s3 += c * r[3];
    }
    sums[j] = s0;
    sums[j + 1] = s1;
    sums[j + 2] = s2;
    sums[j + 3] = s3;
  }
  for (; j <= j1; ++j) {
    Real s = 0;
    for (int k = k0; k <= k1; ++k) s += coef[k] * m(k, j);
    sums[j] = s;
  }
}

// m(k, j) += sums[j] x coef[k] for k = k0..k1, j = j0..j1, four columns at a
// time so that their multipliers stay in registers.
void ColumnUpdate(FMatrix& m, const Real* coef, int k0, int k1, int j0, int j1, const Real* sums) {
  int j = j0;
  for (; j + 3 <= j1; j += 4) {
    const Real s0 = sums[j], s1 = sums[j + 1], s2 = sums[j + 2], s3 = sums[j + 3];
    for (int k = k0; k <= k1; ++k) {
      const Real c = coef[k];
      Real* r = m.Row(k) + (j - 1);
      r[0] += s0 * c;
      r[1] += s1 * c;
      r[2] += s2 * c;
      r[3] += s3 * c;
    }
  }
  for (; j <= j1; ++j) {
    const Real sj = sums[j];
    for (int k = k0; k <= k1; ++k) m(k, j) += sj * coef[k];
  }
}

// W and V never read what the left-hand accumulation and the rotations of U
// write, so a caller that needs no U skips them and still gets W and V to the
// last bit.
template <bool WithU>
int Decompose(FMatrix& a, FMatrix& v, int m, int n, FVector& w) {
  if (n < 1 || m < 1) return 0;
  if (!AllFinite(a, m, n)) return NonFiniteCode;

  FVector rv1;  // the superdiagonal
  Real sums[MaxMatrixDim + 1];
  Real coef[MaxMatrixDim + 1];
  Real g = 0, scale = 0, anorm = 0;
  int l = 1;

  // Householder reduction to bidiagonal form.
  for (int i = 1; i <= n; ++i) {
    l = i + 1;
    rv1[i] = scale * g;
    g = 0;
    Real s = 0;
    scale = 0;
    if (i <= m) {
      for (int k = i; k <= m; ++k) scale += std::fabs(a(k, i));
      if (scale != 0) {
        for (int k = i; k <= m; ++k) {
          a(k, i) /= scale;
          s += a(k, i) * a(k, i);
        }
        const Real f = a(i, i);
        g = -Sign(std::sqrt(s), f);
        const Real h = f * g - s;
        a(i, i) = f - g;
        if (l <= n) {
          for (int k = i; k <= m; ++k) coef[k] = a(k, i);
          ColumnSums(a, coef, i, m, l, n, sums);
          for (int j = l; j <= n; ++j) sums[j] = sums[j] / h;
          ColumnUpdate(a, coef, i, m, l, n, sums);
        }
        for (int k = i; k <= m; ++k) a(k, i) *= scale;
      }
    }
    w[i] = scale * g;
    g = 0;
    s = 0;
    scale = 0;
    if (i <= m && i != n) {
      Real* rowI = a.Row(i);
      for (int k = l; k <= n; ++k) scale += std::fabs(rowI[k - 1]);
      if (scale != 0) {
        for (int k = l; k <= n; ++k) {
          rowI[k - 1] /= scale;
          s += rowI[k - 1] * rowI[k - 1];
        }
        const Real f = rowI[l - 1];
        g = -Sign(std::sqrt(s), f);
        const Real h = f * g - s;
        rowI[l - 1] = f - g;
        for (int k = l; k <= n; ++k) rv1[k] = rowI[k - 1] / h;
        // Rows are independent here: two at a time keep two sums in flight.
        int j = l;
        for (; j + 1 <= m; j += 2) {
          Real* rowJ = a.Row(j);
          Real* rowJ1 = a.Row(j + 1);
          Real sj = 0;
          Real sj1 = 0;
          for (int k = l; k <= n; ++k) {
            sj += rowJ[k - 1] * rowI[k - 1];
            sj1 += rowJ1[k - 1] * rowI[k - 1];
          }
          for (int k = l; k <= n; ++k) {
            rowJ[k - 1] += sj * rv1[k];
            rowJ1[k - 1] += sj1 * rv1[k];
          }
        }
        for (; j <= m; ++j) {
          Real* rowJ = a.Row(j);
          Real sj = 0;
          for (int k = l; k <= n; ++k) sj += rowJ[k - 1] * rowI[k - 1];
          for (int k = l; k <= n; ++k) rowJ[k - 1] += sj * rv1[k];
        }
        for (int k = l; k <= n; ++k) rowI[k - 1] *= scale;
      }
    }
    const Real norm = std::fabs(w[i]) + std::fabs(rv1[i]);
    anorm = anorm >= norm ? anorm : norm;
  }

  // Accumulation of the right-hand transformations.
  for (int i = n; i >= 1; --i) {
    if (i < n) {
      if (g != 0) {
        const Real* rowI = a.Row(i);
        for (int j = l; j <= n; ++j) v(j, i) = (rowI[j - 1] / rowI[l - 1]) / g;
        for (int k = l; k <= n; ++k) coef[k] = rowI[k - 1];
        ColumnSums(v, coef, l, n, l, n, sums);
        for (int k = l; k <= n; ++k) coef[k] = v(k, i);
        ColumnUpdate(v, coef, l, n, l, n, sums);
      }
      for (int j = l; j <= n; ++j) {
        v(i, j) = 0;
        v(j, i) = 0;
      }
    }
    v(i, i) = 1;
    g = rv1[i];
    l = i;
  }

  // Accumulation of the left-hand transformations.
  for (int i = (m < n ? m : n); WithU && i >= 1; --i) {
    l = i + 1;
    g = w[i];
    for (int j = l; j <= n; ++j) a(i, j) = 0;
    if (g != 0) {
      g = 1 / g;
      if (l <= n) {
        for (int k = i; k <= m; ++k) coef[k] = a(k, i);
        ColumnSums(a, coef, l, m, l, n, sums);
        const Real aii = a(i, i);
        for (int j = l; j <= n; ++j) sums[j] = (sums[j] / aii) * g;
        ColumnUpdate(a, coef, i, m, l, n, sums);
      }
      for (int j = i; j <= m; ++j) a(j, i) *= g;
    } else {
      for (int j = i; j <= m; ++j) a(j, i) = 0;
    }
    a(i, i) += 1;
  }

  // Diagonalisation of the bidiagonal form.
  Real cu[MaxMatrixDim + 1], su[MaxMatrixDim + 1];  // rotations of U in one sweep
  Real cv[MaxMatrixDim + 1], sv[MaxMatrixDim + 1];  // rotations of V in one sweep
  int code = 0;
  for (int k = n; k >= 1 && code == 0; --k) {
    for (int its = 1; its <= 30; ++its) {
      bool flag = true;
      int nm = 0;
      for (l = k; l >= 1; --l) {
        nm = l - 1;
        // rv1[1] is always 0, so l = 1 always splits; an undefined anorm
        // must not carry the search below the first element.
        if (l == 1 || std::fabs(rv1[l]) + anorm == anorm) {
          flag = false;
          break;
        }
        if (std::fabs(w[nm]) + anorm == anorm) break;
      }
      if (flag) {
        Real c = 0;
        Real s = 1;
        int last = l - 1;
        for (int i = l; i <= k; ++i) {
          const Real f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (std::fabs(f) + anorm == anorm) break;
          const Real gg = w[i];
          Real h = Pythag(f, gg);
          w[i] = h;
          h = 1 / h;
          c = gg * h;
          s = -f * h;
          if constexpr (WithU) {
            cu[i] = c;
            su[i] = s;
          }
          last = i;
        }
        if (WithU && last >= l) ApplyCancellation(a, m, nm, l, last, cu, su);
      }
      Real z = w[k];
      if (l == k) {
        if (z < 0) {
          w[k] = -z;
          for (int j = 1; j <= n; ++j) v(j, k) = -v(j, k);
        }
        break;
      }
      if (its == 30) {
        // An overflow in the iteration also ends here; it is no failure to
        // converge and must not be reported as one.
        code = CodeNoConvergence;
        for (int q = 1; q <= n; ++q)
          if (!IsFinite(w[q]) || !IsFinite(rv1[q])) code = NonFiniteCode;
        break;
      }
      Real x = w[l];
      nm = k - 1;
      Real y = w[nm];
      g = rv1[nm];
      Real h = rv1[k];
      Real f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
      g = Pythag(f, 1);
      f = ((x - z) * (x + z) + h * ((y / (f + Sign(g, f))) - h)) / x;
      Real c = 1;
      Real s = 1;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = Pythag(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        if constexpr (WithU) {
          cv[j] = c;
          sv[j] = s;
        } else {
          // Without U the rotation of V goes here, between the divisions
          // and square roots of the sweep, and runs while they are under way.
          for (int r = 1; r <= n; ++r) {
            Real* row = v.Row(r);
            const Real vy = row[j - 1];
            const Real vz = row[j];
            row[j - 1] = vy * c + vz * s;
            row[j] = vz * c - vy * s;
          }
        }
        z = Pythag(f, h);
        w[j] = z;
        if (z != 0) {
          z = 1 / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        if constexpr (WithU) {
          cu[j] = c;
          su[j] = s;
        }
      }
      if constexpr (WithU) {
        ApplySweep(v, n, l, nm, cv, sv);
        ApplySweep(a, m, l, nm, cu, su);
      }
      rv1[l] = 0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  if (code != 0) return code;

  for (int k = 1; k <= n; ++k)
    if (!IsFinite(w[k])) return NonFiniteCode;
  if ((WithU && !AllFinite(a, m, n)) || !AllFinite(v, n, n)) return NonFiniteCode;
  return 0;
}

}  // namespace

int SV_Decomp(FMatrix& a, FMatrix& v, int m, int n, FVector& w) { return Decompose<true>(a, v, m, n, w); }

int SV_DecompWV(FMatrix& a, FMatrix& v, int m, int n, FVector& w) { return Decompose<false>(a, v, m, n, w); }

Real SV_ZeroThreshold(const FVector& w, int n) {
  Real wmax = w[1];
  for (int k = 2; k <= n; ++k)
    if (w[k] > wmax) wmax = w[k];
  return static_cast<Real>(n) * wmax * SvZeroFactor;
}

int Rank(FMatrix& a, FMatrix& v, FVector& w, int rows, int cols, int& dimension, Real& threshold,
         MessageSink& sink) {
  threshold = 0;
  dimension = cols;
  if (rows < 1 || cols < 1) return 0;
  if (rows == 1 || cols == 1) return 1;
  if (cols < rows) dimension = rows;
  const int code = SV_Decomp(a, v, dimension, cols, w);
  if (code != 0) {
    ComputationError(code, "Rank: ", sink);
    return -1;
  }
  threshold = SV_ZeroThreshold(w, cols);
  int zeros = 0;
  for (int i = 1; i <= cols; ++i)
    if (w[i] <= threshold) ++zeros;
  return cols - zeros;
}

void SV_Compose(const FMatrix& u, const FMatrix& v, FMatrix& c, int n, int m, const FVector& w) {
  for (int i = 1; i <= m; ++i) {
    const Real* ui = u.Row(i);
    for (int j = 1; j <= n; ++j) {
      const Real* vj = v.Row(j);
      Real sum = 0;
      for (int k = 1; k <= n; ++k) sum += (w[k] * ui[k - 1]) * vj[k - 1];
      c(i, j) = sum;
    }
  }
}

void SV_Bksolv(const FMatrix& u, const FMatrix& v, const FVector& w, int n, int m, FVector& x,
               const FVector& b) {
  FVector t;
  for (int j = 1; j <= n; ++j) {
    Real s = 0;
    if (w[j] != 0) {
      for (int i = 1; i <= m; ++i) s += u(i, j) * b[i];
      s /= w[j];
    }
    t[j] = s;
  }
  for (int j = 1; j <= n; ++j) {
    Real s = 0;
    for (int jj = 1; jj <= n; ++jj) s += v(j, jj) * t[jj];
    x[j] = s;
  }
}

}  // namespace varnel
