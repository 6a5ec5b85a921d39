#include "core/indexsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tests/core/recording_sink.h"

namespace varnel {
namespace {

TEST(IndexFVector, IndexesAscendingAndSortsUnlessAskedToKeepTheValues) {
  test::RecordingSink sink;
  std::vector<Real> v{3, 1, 2};
  std::vector<std::int32_t> idx(3);
  IndexFVector(v, 3, idx, true, sink);
  EXPECT_EQ(idx, (std::vector<std::int32_t>{2, 3, 1}));
  EXPECT_EQ(v, (std::vector<Real>{3, 1, 2}));
  IndexFVector(v, 3, idx, false, sink);
  EXPECT_EQ(idx, (std::vector<std::int32_t>{2, 3, 1}));
  EXPECT_EQ(v, (std::vector<Real>{1, 2, 3}));
  EXPECT_TRUE(sink.boxes.empty());
}

TEST(IndexFVector, TiesComeOutInTheOrderOfThePartitionNotStably) {
  // Worked by hand through the partition: the middle element is the pivot,
  // the outer two are exchanged, so three equal values index as (3, 2, 1).
  test::RecordingSink sink;
  std::vector<Real> v{1, 1, 1};
  std::vector<std::int32_t> idx(3);
  IndexFVector(v, 3, idx, false, sink);
  EXPECT_EQ(idx, (std::vector<std::int32_t>{3, 2, 1}));

  // (2, 1, 2, 1): pivot 1 at position 2 exchanges positions 1 and 4; the right
  // half (2, 2) is then partitioned again and its two equal values exchanged.
  std::vector<Real> w{2, 1, 2, 1};
  std::vector<std::int32_t> idx4(4);
  IndexFVector(w, 4, idx4, false, sink);
  EXPECT_EQ(idx4, (std::vector<std::int32_t>{4, 2, 1, 3}));
}

TEST(IndexFVector, AgreesWithASortOnRandomValues) {
  test::RecordingSink sink;
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> d(0, 20);  // plenty of ties
  for (int round = 0; round < 200; ++round) {
    const int n = 1 + round % 60;
    std::vector<Real> v(n);
    for (Real& x : v) x = d(gen);
    const std::vector<Real> original = v;
    std::vector<std::int32_t> idx(n);
    IndexFVector(v, n, idx, false, sink);
    ASSERT_TRUE(std::is_sorted(v.begin(), v.end()));
    std::vector<std::int32_t> seen(idx);
    std::sort(seen.begin(), seen.end());
    for (int k = 0; k < n; ++k) {
      ASSERT_EQ(seen[k], k + 1) << "index must be a permutation";
      ASSERT_EQ(original[idx[k] - 1], v[k]);
    }
  }
}

TEST(IndexFVector, TooSmallAnIndexArrayIsReportedAndNothingChanges) {
  test::RecordingSink sink;
  std::vector<Real> v{3, 1, 2};
  std::vector<std::int32_t> idx{9, 9};
  IndexFVector(v, 3, idx, false, sink);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].kind, BoxKind::Error);
  EXPECT_EQ(sink.boxes[0].text, "IndexFVector: Cannot index. Index array is too small.");
  EXPECT_EQ(idx, (std::vector<std::int32_t>{9, 9}));
  EXPECT_EQ(v, (std::vector<Real>{3, 1, 2}));
}

TEST(SelectionsOf, CountsSubsetsAndReportsOverflow) {
  test::RecordingSink sink;
  EXPECT_EQ(SelectionsOf(5, 2, sink), 10);
  EXPECT_EQ(SelectionsOf(5, 5, sink), 1);
  EXPECT_EQ(SelectionsOf(5, 0, sink), 0);
  EXPECT_EQ(SelectionsOf(3, 4, sink), 0);
  EXPECT_EQ(SelectionsOf(60, 1, sink), 60);
  EXPECT_EQ(SelectionsOf(60, 59, sink), 60);
  EXPECT_EQ(SelectionsOf(33, 16, sink), 1166803110);
  EXPECT_EQ(SelectionsOf(40, 7, sink), 18643560);
  EXPECT_TRUE(sink.boxes.empty());

  EXPECT_EQ(SelectionsOf(34, 17, sink), -1);  // 2333606220 does not fit
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].kind, BoxKind::Error);
  EXPECT_EQ(sink.boxes[0].text, "SelectionsOf:  Integer overflow.");
  EXPECT_EQ(SelectionsOf(60, 30, sink), -1);
  EXPECT_EQ(sink.boxes.size(), 2u);
}

}  // namespace
}  // namespace varnel
