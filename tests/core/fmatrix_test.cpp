#include "core/fmatrix.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/core/matrices.h"

namespace varnel {
namespace {

using test::FromRows;
using test::FromValues;
using test::SameValues;

constexpr Real Inf = std::numeric_limits<Real>::infinity();
const Real NaN = std::numeric_limits<Real>::quiet_NaN();

TEST(FMatrix, IsZeroFilledAndOneBasedRowMajor) {
  FMatrix m;
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
  FMatrix m = FromRows({{4, 6}, {1, 1}});
  const FVector w = FromValues({2, 0});
  EXPECT_EQ(ScaleFMatrixRows(m, w, 2, 2, true), 0);
  EXPECT_TRUE(SameValues(m, FromRows({{2, 3}, {1, 1}}), 2, 2));
  EXPECT_EQ(ScaleFMatrixRows(m, w, 2, 2, false), 0);
  EXPECT_TRUE(SameValues(m, FromRows({{4, 6}, {0, 0}}), 2, 2));
}

TEST(ScaleFMatrixRows, ZeroOverZeroIsTreatedLikeADivisionByZero) {
  FMatrix m = FromRows({{0, 0}, {3, 0}});
  EXPECT_EQ(ScaleFMatrixRows(m, FromValues({0, 3}), 2, 2, true), 0);
  EXPECT_TRUE(SameValues(m, FromRows({{0, 0}, {1, 0}}), 2, 2));
}

TEST(ScaleFMatrixRows, NonFiniteWeightsOrResultsAreReported) {
  FMatrix m = FromRows({{1}});
  FVector w = FromValues({Inf});
  EXPECT_EQ(ScaleFMatrixRows(m, w, 1, 1, false), NonFiniteCode);
  w[1] = NaN;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 1, 1, true), NonFiniteCode);
  m(1, 1) = std::numeric_limits<Real>::max();
  w[1] = 2;
  EXPECT_EQ(ScaleFMatrixRows(m, w, 1, 1, false), NonFiniteCode);
  EXPECT_EQ(m(1, 1), std::numeric_limits<Real>::max()) << "an overflowing element keeps its value";
}

TEST(SubtractAndDivide, ElementWiseWithFailuresReported) {
  FMatrix a = FromRows({{6, 1}}), b = FromRows({{2, 4}}), c;
  EXPECT_EQ(SubtractFMatrix(a, b, c, 1, 2), 0);
  EXPECT_TRUE(SameValues(c, FromRows({{4, -3}}), 1, 2));
  EXPECT_EQ(DivideFMatrix(a, b, c, 1, 2), 0);
  EXPECT_TRUE(SameValues(c, FromRows({{3, 0.25L}}), 1, 2));

  b(1, 2) = 0;
  EXPECT_EQ(DivideFMatrix(a, b, c, 1, 2), NonFiniteCode);
  a(1, 2) = 0;
  EXPECT_EQ(DivideFMatrix(a, b, c, 1, 2), NonFiniteCode) << "0/0";
  a(1, 1) = Inf;
  EXPECT_EQ(SubtractFMatrix(a, a, c, 1, 1), NonFiniteCode);
}

}  // namespace
}  // namespace varnel
