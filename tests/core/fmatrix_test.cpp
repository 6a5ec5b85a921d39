#include "core/fmatrix.h"

#include <gtest/gtest.h>

#include <limits>

namespace varnel {
namespace {

constexpr Real Inf = std::numeric_limits<Real>::infinity();
const Real NaN = std::numeric_limits<Real>::quiet_NaN();

TEST(FMatrix, IsZeroFilledAndOneBasedRowMajor) {
  FMatrix m;
  EXPECT_EQ(sizeof(m.a), 60u * 60u * sizeof(Real));
  for (int i = 1; i <= 60; ++i)
    for (int j = 1; j <= 60; ++j) ASSERT_EQ(m(i, j), 0);
  m(2, 3) = 7;
  EXPECT_EQ(m.Row(2)[2], 7);
  EXPECT_EQ(m.a[1][2], 7);
}

TEST(FMatrix, FillAndCopyTouchOnlyTheLogicalBlock) {
  FMatrix m;
  FillFMatrix(m, 2, 3, 5);
  EXPECT_EQ(m(2, 3), 5);
  EXPECT_EQ(m(3, 1), 0);
  EXPECT_EQ(m(1, 4), 0);
  FMatrix d;
  FillFMatrix(d, 60, 60, -1);
  CopyFMatrix(m, d, 2, 2);
  EXPECT_EQ(d(1, 1), 5);
  EXPECT_EQ(d(2, 2), 5);
  EXPECT_EQ(d(2, 3), -1);
}

TEST(ScaleFMatrixRows, ZeroWeightLeavesItsRowWhenDividingAndClearsItWhenMultiplying) {
  FMatrix m;
  m(1, 1) = 4;
  m(1, 2) = 6;
  m(2, 1) = 1;
  m(2, 2) = 1;
  FVector w;
  w[1] = 2;
  w[2] = 0;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 2, 2, true), 0);
  EXPECT_EQ(m(1, 1), 2);
  EXPECT_EQ(m(1, 2), 3);
  EXPECT_EQ(m(2, 1), 1);
  EXPECT_EQ(m(2, 2), 1);

  EXPECT_EQ(ScaleFMatrixRows(m, w, 2, 2, false), 0);
  EXPECT_EQ(m(1, 1), 4);
  EXPECT_EQ(m(2, 1), 0);
  EXPECT_EQ(m(2, 2), 0);
}

TEST(ScaleFMatrixRows, ZeroOverZeroIsTreatedLikeADivisionByZero) {
  FMatrix m;  // row 1 is all zeros
  m(2, 1) = 3;
  FVector w;
  w[1] = 0;
  w[2] = 3;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 2, 2, true), 0);
  EXPECT_EQ(m(1, 1), 0);
  EXPECT_EQ(m(1, 2), 0);
  EXPECT_EQ(m(2, 1), 1);
}

TEST(ScaleFMatrixRows, NonFiniteWeightsOrResultsAreReported) {
  FMatrix m;
  m(1, 1) = 1;
  FVector w;
  w[1] = Inf;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 1, 1, false), NonFiniteCode);
  w[1] = NaN;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 1, 1, true), NonFiniteCode);
  m(1, 1) = std::numeric_limits<Real>::max();
  w[1] = 2;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 1, 1, false), NonFiniteCode);
  EXPECT_EQ(m(1, 1), std::numeric_limits<Real>::max()) << "an overflowing element keeps its value";
}

TEST(SubtractAndDivide, ElementWiseWithFailuresReported) {
  FMatrix a, b, c;
  a(1, 1) = 6;
  a(1, 2) = 1;
  b(1, 1) = 2;
  b(1, 2) = 4;
  EXPECT_EQ(SubtractFMatrix(a, b, c, 1, 2), 0);
  EXPECT_EQ(c(1, 1), 4);
  EXPECT_EQ(c(1, 2), -3);
  EXPECT_EQ(DivideFMatrix(a, b, c, 1, 2), 0);
  EXPECT_EQ(c(1, 1), 3);
  EXPECT_EQ(c(1, 2), 0.25L);

  b(1, 2) = 0;
  EXPECT_EQ(DivideFMatrix(a, b, c, 1, 2), NonFiniteCode);
  a(1, 2) = 0;
  EXPECT_EQ(DivideFMatrix(a, b, c, 1, 2), NonFiniteCode) << "0/0";
  a(1, 1) = Inf;
  EXPECT_EQ(SubtractFMatrix(a, a, c, 1, 1), NonFiniteCode);
}

}  // namespace
}  // namespace varnel
