#include "core/lu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/computationerror.h"
#include "tests/core/matrices.h"
#include "tests/core/recording_sink.h"

namespace varnel {
namespace {

using test::FromRows;
using test::FromValues;
using test::SameValues;

struct Decomposed {
  int status;
  FMatrix lu;
  IVector indx;
  Real d = 0;
};

Decomposed Decompose(const FMatrix& a, int n) {
  Decomposed r{0, a, {}, 0};
  r.status = LU_Decomp(r.lu, n, r.indx, r.d);
  return r;
}

struct Inverse {
  int status;
  FMatrix y;
  std::size_t boxes;
};

// y starts filled with 7 so that an inverse left unwritten shows.
Inverse Invert(FMatrix a, int n) {
  Inverse r{0, {}, 0};
  FillFMatrix(r.y, n, n, 7);
  test::RecordingSink sink;
  r.status = InvertFMatrix(a, r.y, n, sink);
  r.boxes = sink.boxes.size();
  return r;
}

TEST(LU, DiagonalMatrixInvertsWithoutExchanges) {
  const FMatrix a = FromRows({{2, 0}, {0, 4}});
  const Decomposed lu = Decompose(a, 2);
  EXPECT_EQ(lu.status, 0);
  EXPECT_EQ(lu.d, 1);
  EXPECT_EQ(lu.indx[1], 1);
  EXPECT_EQ(lu.indx[2], 2);
  const Inverse inv = Invert(a, 2);
  EXPECT_EQ(inv.status, 0);
  EXPECT_TRUE(SameValues(inv.y, FromRows({{0.5L, 0}, {0, 0.25L}}), 2, 2));
  EXPECT_EQ(inv.boxes, 0u);
}

TEST(LU, PermutationExchangesRowsAndIsItsOwnInverse) {
  const FMatrix a = FromRows({{0, 1}, {1, 0}});
  const Decomposed lu = Decompose(a, 2);
  EXPECT_EQ(lu.status, 0);
  EXPECT_EQ(lu.d, -1);
  EXPECT_EQ(lu.indx[1], 2);
  EXPECT_EQ(lu.indx[2], 2);
  const Inverse inv = Invert(a, 2);
  EXPECT_EQ(inv.status, 0);
  EXPECT_TRUE(SameValues(inv.y, a, 2, 2));
}

TEST(LU, EqualScaledCandidatesPickTheLowerRow) {
  // Column 1 candidates scale to 1 in every row: the last row wins.
  const Decomposed lu = Decompose(FromRows({{1, 0, 0}, {1, 1, 0}, {1, 0, 1}}), 3);
  EXPECT_EQ(lu.status, 0);
  EXPECT_EQ(lu.indx[1], 3);
  EXPECT_EQ(lu.d, -1);
}

TEST(LU, ZeroPivotCompletesButInverseIsRefused) {
  const FMatrix a = FromRows({{1, 2}, {2, 4}});
  const Decomposed lu = Decompose(a, 2);
  EXPECT_EQ(lu.status, CodeLuZeroPivot);
  EXPECT_EQ(lu.lu(2, 2), 1e-20L);
  const Inverse inv = Invert(a, 2);
  EXPECT_EQ(inv.status, CodeLuZeroPivot);
  EXPECT_TRUE(SameValues(inv.y, FromRows({{7, 7}, {7, 7}}), 2, 2)) << "no inverse is written";
}

TEST(LU, ZeroRowStopsBeforeAnyElimination) {
  const FMatrix a = FromRows({{1, 2}, {0, 0}});
  const Decomposed lu = Decompose(a, 2);
  EXPECT_EQ(lu.status, CodeLuSingular);
  EXPECT_TRUE(SameValues(lu.lu, a, 1, 2));
  EXPECT_EQ(Invert(a, 2).status, CodeLuSingular);
}

TEST(LU, InverseOfWellConditionedRandomMatricesIsAccurate) {
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> dist(-1, 1);
  for (int n : {1, 2, 7, 20, 60}) {
    FMatrix a;
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) a(i, j) = dist(gen) + (i == j ? n : 0);  // diagonally dominant
    const Inverse inv = Invert(a, n);
    ASSERT_EQ(inv.status, 0);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) {
        Real s = 0;
        for (int k = 1; k <= n; ++k) s += a(i, k) * inv.y(k, j);
        ASSERT_NEAR(static_cast<double>(s), i == j ? 1.0 : 0.0, 1e-15) << n;
      }
  }
}

TEST(LU, SolveSkipsLeadingZerosAndSolves) {
  const FMatrix a = FromRows({{4, 1, 0}, {1, 3, 1}, {0, 1, 2}});
  const Decomposed lu = Decompose(a, 3);
  ASSERT_EQ(lu.status, 0);
  FVector b = FromValues({0, 0, 1});
  test::RecordingSink sink;
  LU_Bksolv(lu.lu, 3, lu.indx, b, sink);
  for (int i = 1; i <= 3; ++i) {
    Real s = 0;
    for (int k = 1; k <= 3; ++k) s += a(i, k) * b[k];
    EXPECT_NEAR(static_cast<double>(s), i == 3 ? 1.0 : 0.0, 1e-17);
  }
}

TEST(LU, DivisionByZeroInTheBackPassIsReportedAndTheSolveGoesOn) {
  // An upper factor with a zero on the diagonal, as only a hand-made LU has.
  const FMatrix lu = FromRows({{2, 1}, {0, 0}});
  IVector indx;
  indx[1] = 1;
  indx[2] = 2;
  FVector b = FromValues({4, 1});
  test::RecordingSink sink;
  LU_Bksolv(lu, 2, indx, b, sink);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].kind, BoxKind::Error);
  EXPECT_EQ(sink.boxes[0].text,
            "LU_Bksolv: Unexpected division by zero in (2). Please report to user support.");
  EXPECT_EQ(b[2], 1e4500L);
  EXPECT_EQ(b[1], (4 - 1e4500L) / 2);
}

TEST(LU, NonFiniteInputIsAFailure) {
  for (Real x : {std::numeric_limits<Real>::infinity(), std::numeric_limits<Real>::quiet_NaN()}) {
    FMatrix a = FromRows({{1, 2}, {3, 4}});
    a(2, 1) = x;
    EXPECT_EQ(Decompose(a, 2).status, NonFiniteCode);
    EXPECT_EQ(Invert(a, 2).status, NonFiniteCode);
  }
  // Finite input whose inverse overflows.
  EXPECT_EQ(Invert(FromRows({{1e-4940L, 0}, {0, 1}}), 2).status, NonFiniteCode);
}

}  // namespace
}  // namespace varnel
