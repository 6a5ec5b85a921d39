#include "core/lu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/computationerror.h"
#include "tests/core/recording_sink.h"

namespace varnel {
namespace {

FMatrix FromRows(std::initializer_list<std::initializer_list<Real>> rows) {
  FMatrix m;
  int i = 1;
  for (const auto& r : rows) {
    int j = 1;
    for (Real x : r) m(i, j++) = x;
    ++i;
  }
  return m;
}

TEST(LU, DiagonalMatrixInvertsWithoutExchanges) {
  FMatrix a = FromRows({{2, 0}, {0, 4}});
  IVector indx;
  Real d = 0;
  FMatrix lu = a;
  EXPECT_EQ(LU_Decomp(lu, 2, indx, d), 0);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(indx[1], 1);
  EXPECT_EQ(indx[2], 2);
  FMatrix y;
  test::RecordingSink sink;
  EXPECT_EQ(InvertFMatrix(a, y, 2, sink), 0);
  EXPECT_EQ(y(1, 1), 0.5L);
  EXPECT_EQ(y(1, 2), 0);
  EXPECT_EQ(y(2, 1), 0);
  EXPECT_EQ(y(2, 2), 0.25L);
  EXPECT_TRUE(sink.boxes.empty());
}

TEST(LU, PermutationExchangesRowsAndIsItsOwnInverse) {
  FMatrix lu = FromRows({{0, 1}, {1, 0}});
  IVector indx;
  Real d = 0;
  EXPECT_EQ(LU_Decomp(lu, 2, indx, d), 0);
  EXPECT_EQ(d, -1);
  EXPECT_EQ(indx[1], 2);
  EXPECT_EQ(indx[2], 2);
  FMatrix a = FromRows({{0, 1}, {1, 0}});
  FMatrix y;
  test::RecordingSink sink;
  EXPECT_EQ(InvertFMatrix(a, y, 2, sink), 0);
  EXPECT_EQ(y(1, 1), 0);
  EXPECT_EQ(y(1, 2), 1);
  EXPECT_EQ(y(2, 1), 1);
  EXPECT_EQ(y(2, 2), 0);
}

TEST(LU, EqualScaledCandidatesPickTheLowerRow) {
  // Column 1 candidates scale to 1 in every row: the last row wins.
  FMatrix lu = FromRows({{1, 0, 0}, {1, 1, 0}, {1, 0, 1}});
  IVector indx;
  Real d = 0;
  EXPECT_EQ(LU_Decomp(lu, 3, indx, d), 0);
  EXPECT_EQ(indx[1], 3);
  EXPECT_EQ(d, -1);
}

TEST(LU, ZeroPivotCompletesButInverseIsRefused) {
  FMatrix lu = FromRows({{1, 2}, {2, 4}});
  IVector indx;
  Real d = 0;
  EXPECT_EQ(LU_Decomp(lu, 2, indx, d), CodeLuZeroPivot);
  EXPECT_EQ(lu(2, 2), 1e-20L);

  FMatrix a = FromRows({{1, 2}, {2, 4}});
  FMatrix y;
  FillFMatrix(y, 2, 2, 7);
  test::RecordingSink sink;
  EXPECT_EQ(InvertFMatrix(a, y, 2, sink), CodeLuZeroPivot);
  EXPECT_EQ(y(1, 1), 7) << "no inverse is written";
  EXPECT_EQ(y(2, 2), 7);
}

TEST(LU, ZeroRowStopsBeforeAnyElimination) {
  FMatrix lu = FromRows({{1, 2}, {0, 0}});
  const FMatrix before = lu;
  IVector indx;
  Real d = 0;
  EXPECT_EQ(LU_Decomp(lu, 2, indx, d), CodeLuSingular);
  EXPECT_EQ(lu(1, 1), before(1, 1));
  EXPECT_EQ(lu(1, 2), before(1, 2));
  FMatrix y;
  test::RecordingSink sink;
  FMatrix a = before;
  EXPECT_EQ(InvertFMatrix(a, y, 2, sink), CodeLuSingular);
}

TEST(LU, InverseOfWellConditionedRandomMatricesIsAccurate) {
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> dist(-1, 1);
  for (int n : {1, 2, 7, 20, 60}) {
    FMatrix a;
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) a(i, j) = dist(gen) + (i == j ? n : 0);  // diagonally dominant
    FMatrix work = a, y;
    test::RecordingSink sink;
    ASSERT_EQ(InvertFMatrix(work, y, n, sink), 0);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) {
        Real s = 0;
        for (int k = 1; k <= n; ++k) s += a(i, k) * y(k, j);
        ASSERT_NEAR(static_cast<double>(s), i == j ? 1.0 : 0.0, 1e-15) << n;
      }
  }
}

TEST(LU, SolveSkipsLeadingZerosAndSolves) {
  FMatrix a = FromRows({{4, 1, 0}, {1, 3, 1}, {0, 1, 2}});
  const FMatrix original = a;
  IVector indx;
  Real d = 0;
  ASSERT_EQ(LU_Decomp(a, 3, indx, d), 0);
  FVector b;
  b[3] = 1;
  test::RecordingSink sink;
  LU_Bksolv(a, 3, indx, b, sink);
  for (int i = 1; i <= 3; ++i) {
    Real s = 0;
    for (int k = 1; k <= 3; ++k) s += original(i, k) * b[k];
    EXPECT_NEAR(static_cast<double>(s), i == 3 ? 1.0 : 0.0, 1e-17);
  }
}

TEST(LU, DivisionByZeroInTheBackPassIsReportedAndTheSolveGoesOn) {
  // An upper factor with a zero on the diagonal, as only a hand-made LU has.
  FMatrix lu = FromRows({{2, 1}, {0, 0}});
  IVector indx;
  indx[1] = 1;
  indx[2] = 2;
  FVector b;
  b[1] = 4;
  b[2] = 1;
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
    IVector indx;
    Real d = 0;
    FMatrix work = a;
    EXPECT_EQ(LU_Decomp(work, 2, indx, d), NonFiniteCode);
    FMatrix y;
    test::RecordingSink sink;
    EXPECT_EQ(InvertFMatrix(a, y, 2, sink), NonFiniteCode);
  }
  // Finite input whose inverse overflows.
  FMatrix tiny = FromRows({{1e-4940L, 0}, {0, 1}});
  FMatrix y;
  test::RecordingSink sink;
  EXPECT_EQ(InvertFMatrix(tiny, y, 2, sink), NonFiniteCode);
}

}  // namespace
}  // namespace varnel
