#include "wizard/wholenumbers.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "wizard/relations.h"

namespace varnel {
namespace {

std::vector<Real> Scaled(std::vector<Real> x, Real by) {
  for (Real& v : x) v *= by;
  return x;
}

TEST(WholeNumbers, SmallestWholeCoefficientsWithinTheBound) {
  const Real nan = std::numeric_limits<Real>::quiet_NaN();
  struct Case {
    const char* what;
    std::vector<Real> x;
    Real tolerance;
    int bound;
    std::vector<Real> expected;  // empty: none fits, x unchanged
  };
  const Case cases[] = {
      {"a reaction scaled by an odd factor", Scaled({1, 6, -1, -3}, 0.1234567L), 1e-9L, 100, {1, 6, -1, -3}},
      {"halves", {1, 1.5L, -2.5L}, 1e-9L, 100, {2, 3, -5}},
      {"smallest is not first", {3, -2}, 1e-9L, 100, {3, -2}},
      {"thirds and sevenths", {1.0L / 3, -1.0L / 7}, 1e-9L, 100, {7, -3}},
      {"the bound is on the largest whole number", {1.0L / 3, -1.0L / 7}, 1e-9L, 7, {7, -3}},
      {"just below it none fits", {1.0L / 3, -1.0L / 7}, 1e-9L, 6, {}},
      {"zeros stay zero", {0, 2, -4}, 1e-9L, 100, {0, 1, -2}},
      {"noise within the tolerance", {1 + 1e-8L, 6, -1, -3 - 2e-8L}, 1e-6L, 100, {1, 6, -1, -3}},
      {"noise beyond it", {1 + 1e-3L, 6, -1, -3}, 1e-6L, 100, {}},
      {"a coarser tolerance takes it", {1 + 1e-3L, 6, -1, -3}, 1e-3L, 100, {1, 6, -1, -3}},
      {"irrational ratio", {1, -1.4142135623730951L}, 1e-6L, 100, {}},
      {"all zero", {0, 0}, 1e-6L, 100, {}},
      {"not a number", {1, nan}, 1e-6L, 100, {}},
  };
  for (const Case& c : cases) {
    std::vector<Real> x = c.x;
    const bool found = ToWholeNumbers(x, c.tolerance, c.bound);
    EXPECT_EQ(found, !c.expected.empty()) << c.what;
    if (found) {
      EXPECT_EQ(x, c.expected) << c.what;
    } else {
      ASSERT_EQ(x.size(), c.x.size());
      for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] == x[i]) {
          EXPECT_EQ(x[i], c.x[i]) << c.what << " changed coefficient " << i;
        }
      }
    }
  }
}

TEST(WholeNumbers, CutOffDropsNoiseRelativeToTheLargest) {
  // The peridotite relation whose spinel coefficient is rounding noise.
  const std::vector<Real> relation{78244.1767L, 58518.7131L, -84388.9549L, -52384.0251L, -1};
  struct Case {
    Real relative;
    int dropped;
  };
  for (const Case c : {Case{0, 0}, Case{-1, 0}, Case{1e-5L, 0}, Case{1e-4L, 1}, Case{0.7L, 3}}) {
    std::vector<Real> x = relation;
    EXPECT_EQ(DropSmallCoefficients(x, c.relative), c.dropped) << static_cast<double>(c.relative);
    int zeros = 0;
    for (const Real v : x) zeros += v == 0;
    EXPECT_EQ(zeros, c.dropped);
    EXPECT_EQ(x[2], relation[2]);  // the largest always stays
  }
}

TEST(WholeNumbers, ShapingAppliesTheCutOffBeforeScaling) {
  RelationFormat f;
  const std::vector<int> members{1, 2, 3};
  const std::vector<std::string> names{"", "En", "Sp", "Py"};
  // Normalised without a cut-off, the noise becomes the unit of the relation.
  std::vector<Real> x{0.5L, -3.6e-6L, -0.25L};
  EXPECT_FALSE(ShapeRelation(x, f, true));
  EXPECT_EQ(RelationEquation(x, members, names, f), " 138888.8889 En =  1.0000 Sp +  69444.4444 Py");
  // With it, the noise drops out and takes no part in the scaling.
  f.MinCoefficient = 1e-4L;
  x = {0.5L, -3.6e-6L, -0.25L};
  EXPECT_FALSE(ShapeRelation(x, f, true));
  EXPECT_EQ(CoefficientRow(x, members, 3, f), " 2.0000\t 0.0000\t-1.0000");
  EXPECT_EQ(RelationEquation(x, members, names, f), " 2.0000 En =  1.0000 Py");
  // Not normalising (the reaction space) keeps the scale but drops the noise.
  x = {0.5L, -3.6e-6L, -0.25L};
  EXPECT_FALSE(ShapeRelation(x, f, false));
  EXPECT_EQ(CoefficientRow(x, members, 3, f), " 0.5000\t 0.0000\t-0.2500");
  // Whole numbers print without decimals, a coefficient of 1 without a number.
  f.WholeNumbers = true;
  x = {0.5L, -3.6e-6L, -0.25L};
  EXPECT_TRUE(ShapeRelation(x, f, false));
  EXPECT_EQ(CoefficientRow(x, members, 3, f, true), " 2\t 0\t-1");
  EXPECT_EQ(RelationEquation(x, members, names, f, true), "2 En = Py");
  // A relation no whole numbers fit keeps its scaled form.
  f.WholeBound = 1;
  x = {0.5L, -3.6e-6L, -0.25L};
  EXPECT_FALSE(ShapeRelation(x, f, true));
  EXPECT_EQ(RelationEquation(x, members, names, f), " 2.0000 En =  1.0000 Py");
}

// Oxide moles per formula unit (SiO2, Al2O3, MgO, CaO) of enstatite MgSiO3,
// diopside CaMgSi2O6, pyrope Mg3Al2Si3O12 and grossular Ca3Al2Si3O12.
struct EndMembers {
  EndMembers() {
    const Real columns[4][4] = {{1, 0, 1, 0}, {2, 0, 1, 1}, {3, 1, 3, 0}, {3, 1, 0, 3}};
    for (int c = 1; c <= 4; ++c)
      for (int i = 1; i <= 4; ++i) matrix(i, c) = columns[c - 1][i - 1];
    job.WorkingSet = &matrix;
    job.Rows = 4;
    job.SetCount = 4;
    job.SetRank = 3;
    job.Names = {"", "En", "Di", "Py", "Grs"};
  }
  std::vector<std::string> Lines() {
    std::atomic<bool> cancel{false};
    return FindUnivariants(job, 0, 0, 1, cancel).Lines;
  }
  FMatrix matrix;
  UnivariantJob job;
};

TEST(WholeNumbers, KnownReactionAmongEndMembersInMoles) {
  EndMembers set;
  set.job.Format.WholeNumbers = true;
  const auto lines = set.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[]");
  // Grs + 6 En = Py + 3 Di, in either orientation.
  EXPECT_TRUE(lines[1] == " 6\t-3\t-1\t 1\t | 6 En + Grs = 3 Di + Py" ||
              lines[1] == "-6\t 3\t 1\t-1\t | 3 Di + Py = 6 En + Grs")
      << lines[1];
  // Off, the same relation is normalised as before.
  set.job.Format.WholeNumbers = false;
  const auto scaled = set.Lines();
  EXPECT_TRUE(
      scaled[1] ==
          " 6.0000\t-3.0000\t-1.0000\t 1.0000\t |  6.0000 En +  1.0000 Grs =  3.0000 Di +  1.0000 Py" ||
      scaled[1] ==
          "-6.0000\t 3.0000\t 1.0000\t-1.0000\t |  3.0000 Di +  1.0000 Py =  6.0000 En +  1.0000 Grs")
      << scaled[1];
  // Whole numbers up to 5 do not reach the 6 of enstatite: the scaled form.
  set.job.Format.WholeNumbers = true;
  set.job.Format.WholeBound = 5;
  EXPECT_EQ(set.Lines(), scaled);
}

}  // namespace
}  // namespace varnel
