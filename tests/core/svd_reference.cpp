#include "tests/core/svd_reference.h"

#include <cmath>

namespace varnel::test {
namespace {

Real Pythag(Real a, Real b) {
  const Real absa = std::fabs(a), absb = std::fabs(b);
  if (absa > absb) return absa * std::sqrt(1 + (absb / absa) * (absb / absa));
  return absb == 0 ? 0 : absb * std::sqrt(1 + (absa / absb) * (absa / absb));
}

Real Sign(Real a, Real b) { return b >= 0 ? std::fabs(a) : -std::fabs(a); }

}  // namespace

int ReferenceSvd(FMatrix& a, FMatrix& v, int m, int n, FVector& w) {
  FVector rv1;
  Real g = 0, scale = 0, anorm = 0, s, f, h, c, x, y, z;
  int l = 1, nm = 0;
  for (int i = 1; i <= n; i++) {
    l = i + 1;
    rv1[i] = scale * g;
    g = s = scale = 0;
    if (i <= m) {
      for (int k = i; k <= m; k++) scale += std::fabs(a(k, i));
      if (scale != 0) {
        for (int k = i; k <= m; k++) {
          a(k, i) /= scale;
          s += a(k, i) * a(k, i);
        }
        f = a(i, i);
        g = -Sign(std::sqrt(s), f);
        h = f * g - s;
        a(i, i) = f - g;
        for (int j = l; j <= n; j++) {
          s = 0;
          for (int k = i; k <= m; k++) s += a(k, i) * a(k, j);
          f = s / h;
          for (int k = i; k <= m; k++) a(k, j) += f * a(k, i);
        }
        for (int k = i; k <= m; k++) a(k, i) *= scale;
      }
    }
    w[i] = scale * g;
    g = s = scale = 0;
    if (i <= m && i != n) {
      for (int k = l; k <= n; k++) scale += std::fabs(a(i, k));
      if (scale != 0) {
        for (int k = l; k <= n; k++) {
          a(i, k) /= scale;
          s += a(i, k) * a(i, k);
        }
        f = a(i, l);
        g = -Sign(std::sqrt(s), f);
        h = f * g - s;
        a(i, l) = f - g;
        for (int k = l; k <= n; k++) rv1[k] = a(i, k) / h;
        for (int j = l; j <= m; j++) {
          s = 0;
          for (int k = l; k <= n; k++) s += a(j, k) * a(i, k);
          for (int k = l; k <= n; k++) a(j, k) += s * rv1[k];
        }
        for (int k = l; k <= n; k++) a(i, k) *= scale;
      }
    }
    const Real t = std::fabs(w[i]) + std::fabs(rv1[i]);
    anorm = anorm >= t ? anorm : t;
  }
  for (int i = n; i >= 1; i--) {
    if (i < n) {
      if (g != 0) {
        for (int j = l; j <= n; j++) v(j, i) = (a(i, j) / a(i, l)) / g;
        for (int j = l; j <= n; j++) {
          s = 0;
          for (int k = l; k <= n; k++) s += a(i, k) * v(k, j);
          for (int k = l; k <= n; k++) v(k, j) += s * v(k, i);
        }
      }
      for (int j = l; j <= n; j++) v(i, j) = v(j, i) = 0;
    }
    v(i, i) = 1;
    g = rv1[i];
    l = i;
  }
  for (int i = (m < n ? m : n); i >= 1; i--) {
    l = i + 1;
    g = w[i];
    for (int j = l; j <= n; j++) a(i, j) = 0;
    if (g != 0) {
      g = 1 / g;
      for (int j = l; j <= n; j++) {
        s = 0;
        for (int k = l; k <= m; k++) s += a(k, i) * a(k, j);
        f = (s / a(i, i)) * g;
        for (int k = i; k <= m; k++) a(k, j) += f * a(k, i);
      }
      for (int j = i; j <= m; j++) a(j, i) *= g;
    } else {
      for (int j = i; j <= m; j++) a(j, i) = 0;
    }
    ++a(i, i);
  }
  for (int k = n; k >= 1; k--) {
    for (int its = 1; its <= 30; its++) {
      bool flag = true;
      for (l = k; l >= 1; l--) {
        nm = l - 1;
        if (std::fabs(rv1[l]) + anorm == anorm) {
          flag = false;
          break;
        }
        if (std::fabs(w[nm]) + anorm == anorm) break;
      }
      if (flag) {
        c = 0;
        s = 1;
        for (int i = l; i <= k; i++) {
          f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (std::fabs(f) + anorm == anorm) break;
          g = w[i];
          h = Pythag(f, g);
          w[i] = h;
          h = 1 / h;
          c = g * h;
          s = -f * h;
          for (int j = 1; j <= m; j++) {
            y = a(j, nm);
            z = a(j, i);
            a(j, nm) = y * c + z * s;
            a(j, i) = z * c - y * s;
          }
        }
      }
      z = w[k];
      if (l == k) {
        if (z < 0) {
          w[k] = -z;
          for (int j = 1; j <= n; j++) v(j, k) = -v(j, k);
        }
        break;
      }
      if (its == 30) return 6;
      x = w[l];
      nm = k - 1;
      y = w[nm];
      g = rv1[nm];
      h = rv1[k];
      f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
      g = Pythag(f, 1);
      f = ((x - z) * (x + z) + h * ((y / (f + Sign(g, f))) - h)) / x;
      c = s = 1;
      for (int j = l; j <= nm; j++) {
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
        for (int jj = 1; jj <= n; jj++) {
          x = v(jj, j);
          z = v(jj, i);
          v(jj, j) = x * c + z * s;
          v(jj, i) = z * c - x * s;
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
        for (int jj = 1; jj <= m; jj++) {
          y = a(jj, j);
          z = a(jj, i);
          a(jj, j) = y * c + z * s;
          a(jj, i) = z * c - y * s;
        }
      }
      rv1[l] = 0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return 0;
}

}  // namespace varnel::test
