#include "core/rowweight.h"

#include <gtest/gtest.h>

#include <limits>

namespace varnel {
namespace {

TEST(RowWeight, AbsoluteValueAndZeroBecomesOneWithAWarning) {
  struct Case {
    Real typed, used;
    bool zeroed;
  };
  const Case cases[] = {
      {2.5L, 2.5L, false},
      {-3, 3, false},
      {0, 1, true},
      {-0.0L, 1, true},
      {1e-300L, 1e-300L, false},
      {std::numeric_limits<Real>::denorm_min(), std::numeric_limits<Real>::denorm_min(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.typed));
    bool zeroed = !c.zeroed;
    EXPECT_EQ(UsableRowWeight(c.typed, zeroed), c.used);
    EXPECT_EQ(zeroed, c.zeroed);
  }
}

TEST(RowWeight, TheTwoWarningsKeepTheirOwnEndings) {
  EXPECT_EQ(ZeroRowWeightMessage("MgO", WeightWarning::Wizard),
            "Row Weights: Zero entry for component MgO\n\rThis entry will be (re)set to 1.");
  EXPECT_EQ(ZeroRowWeightMessage("Al2O3+", WeightWarning::Mapping),
            "Row Weights: Zero entry for component Al2O3+\n\rThis entry will be (re)set to 1.0");
}

}  // namespace
}  // namespace varnel
