#include "core/svd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/computationerror.h"
#include "tests/core/matrices.h"
#include "tests/core/recording_sink.h"
#include "tests/core/svd_reference.h"

namespace varnel {
namespace {

using test::FromRows;
using test::FromValues;
using test::RandomMatrix;
using test::SameBits;

Real MaxW(const FVector& w, int n) {
  Real mx = 0;
  for (int k = 1; k <= n; ++k) mx = std::max(mx, w[k]);
  return mx;
}

// Largest |A - U diag(W) V^T| over the m x n block.
Real RebuildError(const FMatrix& a, const FMatrix& u, const FMatrix& v, const FVector& w, int m, int n) {
  FMatrix c;
  SV_Compose(u, v, c, n, m, w);
  Real err = 0;
  for (int i = 1; i <= m; ++i)
    for (int j = 1; j <= n; ++j) err = std::max(err, std::fabs(a(i, j) - c(i, j)));
  return err;
}

// Largest |X^T X - I| over the columns 1..n of X (rows 1..rows).
Real OrthonormalityError(const FMatrix& x, int rows, int n) {
  Real err = 0;
  for (int p = 1; p <= n; ++p)
    for (int q = 1; q <= n; ++q) {
      Real s = 0;
      for (int i = 1; i <= rows; ++i) s += x(i, p) * x(i, q);
      err = std::max(err, std::fabs(s - (p == q ? 1 : 0)));
    }
  return err;
}

TEST(SV_Decomp, TwoByTwoIdentityComesOutWithNegatedFactors) {
  FMatrix a = FromRows({{1, 0}, {0, 1}});
  FMatrix v;
  FVector w;
  ASSERT_EQ(SV_Decomp(a, v, 2, 2, w), 0);
  EXPECT_EQ(w[1], 1);
  EXPECT_EQ(w[2], 1);
  const FMatrix minusI = FromRows({{-1, 0}, {0, -1}});
  EXPECT_TRUE(test::SameValues(a, minusI, 2, 2)) << "U";
  EXPECT_TRUE(test::SameValues(v, minusI, 2, 2)) << "V";
  EXPECT_EQ(SV_ZeroThreshold(w, 2), 2 * 1e-14L);
}

TEST(SV_Decomp, LeavesTheSingularValuesUnsorted) {
  FMatrix d = FromRows({{1, 0}, {0, 3}});
  FMatrix v;
  FVector w;
  ASSERT_EQ(SV_Decomp(d, v, 2, 2, w), 0);
  EXPECT_NEAR(static_cast<double>(w[1]), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(w[2]), 3.0, 1e-15);

  FMatrix a = FromRows({{1, 2}, {3, 4}, {5, 6}});
  ASSERT_EQ(SV_Decomp(a, v, 3, 2, w), 0);
  EXPECT_NEAR(static_cast<double>(w[1]), 0.514301, 5e-7);
  EXPECT_NEAR(static_cast<double>(w[2]), 9.525518, 5e-7);
}

TEST(SV_Decomp, FewerRowsThanColumnsIsPaddedWithZeroRows) {
  FMatrix a = FromRows({{1, 2, 3}, {4, 5, 6}});
  const FMatrix original = a;
  FMatrix v;
  FVector w;
  int dimension = 0;
  Real threshold = -1;
  test::RecordingSink sink;
  EXPECT_EQ(Rank(a, v, w, 2, 3, dimension, threshold, sink), 2);
  EXPECT_EQ(dimension, 3);
  EXPECT_NEAR(static_cast<double>(w[1]), 9.508032, 5e-7);
  EXPECT_NEAR(static_cast<double>(w[2]), 0.772870, 5e-7);
  EXPECT_EQ(w[3], 0);
  EXPECT_EQ(a(1, 3), 0);
  EXPECT_EQ(a(2, 3), 0);
  EXPECT_EQ(a(3, 3), -1);
  EXPECT_LE(RebuildError(original, a, v, w, 3, 3), 1e-17L);
  EXPECT_TRUE(sink.boxes.empty());
}

TEST(Rank, CountsValuesStrictlyAboveTheComputationalZero) {
  test::RecordingSink sink;
  int dimension = 0;
  Real threshold = 0;
  FMatrix v;
  FVector w;

  FMatrix dependent = FromRows({{1, 2}, {2, 4}, {3, 6}});
  EXPECT_EQ(Rank(dependent, v, w, 3, 2, dimension, threshold, sink), 1);
  EXPECT_EQ(dimension, 3);
  EXPECT_GT(threshold, 0);
  EXPECT_LE(std::min(w[1], w[2]), threshold);

  FMatrix identity = FromRows({{1, 0}, {0, 1}});
  EXPECT_EQ(Rank(identity, v, w, 2, 2, dimension, threshold, sink), 2);
  EXPECT_EQ(threshold, 2e-14L);

  FMatrix zeros;
  EXPECT_EQ(Rank(zeros, v, w, 1, 5, dimension, threshold, sink), 1) << "one row";
  EXPECT_EQ(dimension, 5);
  EXPECT_EQ(threshold, 0);
  EXPECT_EQ(Rank(zeros, v, w, 7, 1, dimension, threshold, sink), 1) << "one column";
  EXPECT_EQ(dimension, 1);
  EXPECT_EQ(Rank(zeros, v, w, 0, 3, dimension, threshold, sink), 0);
  EXPECT_EQ(Rank(zeros, v, w, 3, 0, dimension, threshold, sink), 0);
  EXPECT_EQ(Rank(zeros, v, w, 3, 3, dimension, threshold, sink), 0) << "all zero: every W at the zero";
  EXPECT_TRUE(sink.boxes.empty());
}

TEST(Rank, ProductOfRandomFactorsHasTheirInnerDimension) {
  std::mt19937_64 gen(2024);
  test::RecordingSink sink;
  const int shapes[][3] = {{10, 3, 8}, {60, 5, 60}, {60, 59, 60}, {20, 8, 8}, {8, 4, 20}, {45, 12, 30}};
  for (const auto& s : shapes) {
    const int m = s[0], r = s[1], n = s[2];
    const FMatrix x = RandomMatrix(gen, m, r);
    const FMatrix y = RandomMatrix(gen, r, n);
    FMatrix a;
    for (int i = 1; i <= m; ++i)
      for (int j = 1; j <= n; ++j) {
        Real sum = 0;
        for (int k = 1; k <= r; ++k) sum += x(i, k) * y(k, j);
        a(i, j) = sum;
      }
    FMatrix v;
    FVector w;
    int dimension = 0;
    Real threshold = 0;
    EXPECT_EQ(Rank(a, v, w, m, n, dimension, threshold, sink), r) << m << "x" << r << "x" << n;
    EXPECT_EQ(dimension, std::max(m, n));
  }
  EXPECT_TRUE(sink.boxes.empty());
}

TEST(SV_Decomp, RebuildsRandomMatricesWithOrthonormalFactors) {
  std::mt19937_64 gen(1);
  const int shapes[][2] = {{1, 1},   {2, 2},  {5, 3},   {20, 8},  {8, 20},  {33, 33},
                           {60, 60}, {60, 1}, {60, 17}, {17, 60}, {59, 60}, {3, 60}};
  for (const auto& s : shapes) {
    const int rows = s[0], cols = s[1];
    const int m = std::max(rows, cols), n = cols;
    const FMatrix a = RandomMatrix(gen, rows, cols);
    FMatrix u = a;
    FMatrix v;
    FVector w;
    ASSERT_EQ(SV_Decomp(u, v, m, n, w), 0) << rows << "x" << cols;
    for (int k = 1; k <= n; ++k) ASSERT_GE(w[k], 0);
    const Real wmax = MaxW(w, n);
    EXPECT_LE(RebuildError(a, u, v, w, m, n), 1e-16L * wmax) << rows << "x" << cols;
    EXPECT_LE(OrthonormalityError(v, n, n), 1e-16L) << rows << "x" << cols;
    // Columns of U that belong to zero singular values are zero columns, so
    // only those of non-zero values are orthonormal.
    int nonzero = 0;
    for (int k = 1; k <= n; ++k) nonzero += w[k] > SV_ZeroThreshold(w, n);
    if (nonzero == n) {
      EXPECT_LE(OrthonormalityError(u, m, n), 1e-16L) << rows << "x" << cols;
    }
  }
}

TEST(SV_Decomp, MatchesTheTextbookLoopsBitForBit) {
  std::mt19937_64 gen(99);
  const int shapes[][2] = {{4, 4}, {20, 8}, {60, 60}, {60, 30}, {30, 60}, {13, 13}};
  for (const auto& s : shapes) {
    const int rows = s[0], cols = s[1];
    const int m = std::max(rows, cols), n = cols;
    FMatrix a = RandomMatrix(gen, rows, cols);
    // Rank-deficient inputs take the cancelling branch of the iteration.
    if (rows > 3) {
      for (int j = 1; j <= cols; ++j) a(2, j) = 3 * a(1, j);
    }
    if (cols > 6) {
      for (int i = 1; i <= rows; ++i) a(i, 3) = a(i, 5) = a(i, 6) = 0;
    }
    FMatrix u1 = a, u2 = a, v1, v2;
    FVector w1, w2;
    ASSERT_EQ(SV_Decomp(u1, v1, m, n, w1), 0);
    ASSERT_EQ(test::ReferenceSvd(u2, v2, m, n, w2), 0);
    for (int j = 1; j <= n; ++j) ASSERT_TRUE(SameBits(w1[j], w2[j])) << "W " << rows << "x" << cols;
    ASSERT_TRUE(SameBits(u1, u2, m, n)) << "U " << rows << "x" << cols;
    ASSERT_TRUE(SameBits(v1, v2, n, n)) << "V " << rows << "x" << cols;
  }
}

TEST(SV_Decomp, MatchesTheTextbookLoopsOnBidiagonalsWithZeroDiagonals) {
  // Zeros on the diagonal of a bidiagonal matrix make the iteration cancel a
  // superdiagonal element by a chain of rotations.
  const int n = 12;
  for (int zeroAt : {1, 2, 5, 11}) {
    FMatrix a;
    for (int i = 1; i <= n; ++i) {
      a(i, i) = i == zeroAt || i == zeroAt + 1 ? 0 : 1 + i * 0.37L;
      if (i < n) a(i, i + 1) = 2 - i * 0.11L;
    }
    FMatrix u1 = a, u2 = a, v1, v2;
    FVector w1, w2;
    ASSERT_EQ(SV_Decomp(u1, v1, n, n, w1), 0);
    ASSERT_EQ(test::ReferenceSvd(u2, v2, n, n, w2), 0);
    for (int i = 1; i <= n; ++i) ASSERT_TRUE(SameBits(w1[i], w2[i])) << zeroAt;
    ASSERT_TRUE(SameBits(u1, u2, n, n)) << zeroAt;
    ASSERT_TRUE(SameBits(v1, v2, n, n)) << zeroAt;
    EXPECT_LE(RebuildError(a, u1, v1, w1, n, n), 1e-17L);
  }
}

TEST(SV_DecompWV, GivesTheSameWAndVBitForBit) {
  std::mt19937_64 gen(11);
  for (const auto& [rows, cols] : {std::pair{9, 10}, std::pair{10, 10}, std::pair{30, 12}, std::pair{6, 6}}) {
    FMatrix a = RandomMatrix(gen, rows, cols);
    // A dependent column makes the iteration meet a zero singular value too.
    for (int i = 1; i <= rows; ++i) a(i, cols) = a(i, 1) + 2 * a(i, 2);
    FMatrix b = a;
    FMatrix va, vb;
    FVector wa, wb;
    const int d = std::max(rows, cols);
    ASSERT_EQ(SV_Decomp(a, va, d, cols, wa), 0);
    ASSERT_EQ(SV_DecompWV(b, vb, d, cols, wb), 0);
    for (int j = 1; j <= cols; ++j) EXPECT_TRUE(SameBits(wa[j], wb[j])) << rows << "x" << cols << " W" << j;
    EXPECT_TRUE(SameBits(va, vb, cols, cols)) << rows << "x" << cols << " V";
  }
}

TEST(SV_DecompWV, FewerRowsThanColumnsMatchTheZeroPaddedMatrix) {
  std::mt19937_64 gen(5);
  for (const auto& [rows, cols] : {std::pair{9, 10}, std::pair{5, 12}, std::pair{1, 4}, std::pair{7, 8}}) {
    FMatrix a = RandomMatrix(gen, rows, cols);
    // Dependent and zero columns make the iteration meet zero singular values
    // and cancel superdiagonal elements.
    for (int i = 1; i <= rows; ++i) {
      a(i, 2) = a(i, 1) - a(i, cols);
      if (cols > 4) a(i, 4) = 0;
    }
    FMatrix padded = a;  // rows below `rows` are zero
    FMatrix unread = a;
    // Whatever the unread rows hold must not matter.
    for (int i = rows + 1; i <= cols; ++i)
      for (int j = 1; j <= cols; ++j) unread(i, j) = 1e30L;
    FMatrix vp, vs;
    FVector wp, ws;
    ASSERT_EQ(SV_Decomp(padded, vp, cols, cols, wp), 0);
    ASSERT_EQ(SV_DecompWV(unread, vs, rows, cols, ws), 0);
    for (int j = 1; j <= cols; ++j) EXPECT_TRUE(SameBits(wp[j], ws[j])) << rows << "x" << cols << " W" << j;
    EXPECT_TRUE(SameBits(vp, vs, cols, cols)) << rows << "x" << cols << " V";
    for (int i = rows + 1; i <= cols; ++i) EXPECT_EQ(unread(i, 1), 1e30L);
  }
}

TEST(SV_Decomp, NonFiniteInputOrOverflowIsAFailure) {
  const Real bad[] = {std::numeric_limits<Real>::infinity(), -std::numeric_limits<Real>::infinity(),
                      std::numeric_limits<Real>::quiet_NaN()};
  for (Real x : bad) {
    FMatrix a = FromRows({{1, 2}, {3, 4}, {5, 6}});
    a(2, 2) = x;
    FMatrix v;
    FVector w;
    EXPECT_EQ(SV_Decomp(a, v, 3, 2, w), NonFiniteCode);

    FMatrix b = FromRows({{1, 2}, {3, 4}});
    b(1, 1) = x;
    test::RecordingSink sink;
    int dimension = 0;
    Real threshold = 0;
    EXPECT_EQ(Rank(b, v, w, 2, 2, dimension, threshold, sink), -1);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, ComputationErrorMessage(NonFiniteCode, "Rank: ").text);
    EXPECT_NE(sink.boxes[0].text.find("Undefined computation error"), std::string::npos);
  }
  // Large values whose squares stay in range decompose...
  FMatrix large = FromRows({{1e2400L, 2e2400L}, {3e2400L, -1e2400L}});
  FMatrix v;
  FVector w;
  EXPECT_EQ(SV_Decomp(large, v, 2, 2, w), 0);
  // ...finite input whose squares overflow in the iteration is the undefined
  // error, not a failure to converge...
  FMatrix larger = FromRows({{1e4000L, 2e4000L}, {3e4000L, -1e4000L}});
  EXPECT_EQ(SV_Decomp(larger, v, 2, 2, w), NonFiniteCode);
  // ...and so is input whose column sums leave the extended range.
  FMatrix huge = FromRows({{1e4932L, 1e4932L}, {1e4932L, -1e4932L}});
  EXPECT_EQ(SV_Decomp(huge, v, 2, 2, w), NonFiniteCode);
}

TEST(SV_Bksolv, GivesTheLeastSquaresSolution) {
  std::mt19937_64 gen(5);
  for (int trial = 0; trial < 10; ++trial) {
    const int m = 12 + trial, n = 5;
    const FMatrix a = RandomMatrix(gen, m, n);
    FVector b;
    std::uniform_real_distribution<double> d(-1, 1);
    for (int i = 1; i <= m; ++i) b[i] = d(gen);
    FMatrix u = a, v;
    FVector w, x;
    ASSERT_EQ(SV_Decomp(u, v, m, n, w), 0);
    SV_Bksolv(u, v, w, n, m, x, b);
    // The residual is orthogonal to every column of A.
    for (int j = 1; j <= n; ++j) {
      Real dot = 0;
      for (int i = 1; i <= m; ++i) {
        Real ax = 0;
        for (int k = 1; k <= n; ++k) ax += a(i, k) * x[k];
        dot += a(i, j) * (ax - b[i]);
      }
      EXPECT_LE(std::fabs(dot), 1e-16L);
    }
  }
}

TEST(SV_Bksolv, LeavesOutZeroedSingularValues) {
  // A consistent system with a repeated column: the minimum-norm solution
  // splits the weight equally between the two equal columns.
  FMatrix a = FromRows({{1, 1, 0}, {2, 2, 1}, {0, 0, 3}, {1, 1, 1}});
  FMatrix u = a, v;
  FVector w, x;
  FVector b = FromValues({2, 5, 3, 3});  // = 1*col1 + 1*col2 + 1*col3
  ASSERT_EQ(SV_Decomp(u, v, 4, 3, w), 0);
  const Real t = SV_ZeroThreshold(w, 3);
  for (int k = 1; k <= 3; ++k)
    if (w[k] <= t) w[k] = 0;
  SV_Bksolv(u, v, w, 3, 4, x, b);
  EXPECT_NEAR(static_cast<double>(x[1]), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(x[2]), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(x[3]), 1.0, 1e-15);
}

TEST(SV_Compose, ZeroingSingularValuesGivesAModelOfLowerRank) {
  std::mt19937_64 gen(11);
  const FMatrix a = RandomMatrix(gen, 10, 6);
  FMatrix u = a, v;
  FVector w;
  ASSERT_EQ(SV_Decomp(u, v, 10, 6, w), 0);
  FVector w3 = w;
  std::vector<int> order{1, 2, 3, 4, 5, 6};
  std::sort(order.begin(), order.end(), [&](int p, int q) { return w[p] < w[q]; });
  for (int k = 0; k < 3; ++k) w3[order[k]] = 0;
  FMatrix model;
  SV_Compose(u, v, model, 6, 10, w3);
  FMatrix mv;
  FVector mw;
  int dimension = 0;
  Real threshold = 0;
  test::RecordingSink sink;
  EXPECT_EQ(Rank(model, mv, mw, 10, 6, dimension, threshold, sink), 3);
}

}  // namespace
}  // namespace varnel
