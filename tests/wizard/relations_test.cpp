#include "wizard/relations.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/files.h"

namespace varnel {
namespace {

// A working set from its columns (each a list of the rows' values).
struct SetBuilder {
  explicit SetBuilder(const std::vector<std::vector<Real>>& columns) {
    job.SetCount = static_cast<int>(columns.size());
    job.Rows = static_cast<int>(columns[0].size());
    for (int c = 1; c <= job.SetCount; ++c)
      for (int i = 1; i <= job.Rows; ++i)
        matrix(i, c) = columns[static_cast<std::size_t>(c - 1)][static_cast<std::size_t>(i - 1)];
    job.WorkingSet = &matrix;
    job.Names.push_back("");
    for (int c = 1; c <= job.SetCount; ++c) job.Names.push_back("P" + std::to_string(c));
  }
  UnivariantResult Run(int rank, bool filter = false) {
    job.SetRank = rank;
    job.FilterDuplicates = filter;
    return Find(0, SelectionCount(job) - 1, 1);
  }
  UnivariantResult Find(std::uint64_t first, std::uint64_t last, int threads) {
    std::atomic<bool> cancel{false};
    return FindUnivariants(job, first, last, threads, cancel);
  }
  FMatrix matrix;
  UnivariantJob job;
};

std::vector<std::string> Labels(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines)
    if (!l.empty() && l[0] == '[') out.push_back(l);
  return out;
}

TEST(Relations, SelectionLabelsComeInLexicographicOrderOfTheLeftOutPositions) {
  // Four and five phases in a plane (rank 2): selections of three.
  SetBuilder four({{1, 0}, {0, 1}, {1, 1}, {1, 2}});
  EXPECT_EQ(Labels(four.Run(2).Lines), (std::vector<std::string>{"[1]", "[2]", "[3]", "[4]"}));
  SetBuilder five({{1, 0}, {0, 1}, {1, 1}, {1, 2}, {2, 1}});
  EXPECT_EQ(Labels(five.Run(2).Lines),
            (std::vector<std::string>{"[1, 2]", "[1, 3]", "[1, 4]", "[1, 5]", "[2, 3]", "[2, 4]", "[2, 5]",
                                      "[3, 4]", "[3, 5]", "[4, 5]"}));
  // setCount = r + 1: one selection that leaves nothing out.
  SetBuilder three({{1, 0}, {0, 1}, {1, 1}});
  const auto r = three.Run(2);
  ASSERT_EQ(r.Lines.size(), 2u);
  EXPECT_EQ(r.Lines[0], "[]");
  EXPECT_EQ(r.Lines[1], "-1.0000\t-1.0000\t 1.0000\t |  1.0000 P3 =  1.0000 P1 +  1.0000 P2");
}

TEST(Relations, UnrankingMatchesTheEnumerationOrder) {
  int removed[3];
  const int expected[][3] = {{1, 2, 3}, {1, 2, 4}, {1, 2, 5}, {1, 3, 4}, {1, 3, 5},
                             {1, 4, 5}, {2, 3, 4}, {2, 3, 5}, {2, 4, 5}, {3, 4, 5}};
  for (std::uint64_t k = 0; k < 10; ++k) {
    UnrankSelection(k, 5, 3, removed);
    EXPECT_EQ(std::vector<int>(removed, removed + 3), std::vector<int>(expected[k], expected[k] + 3)) << k;
  }
  EXPECT_EQ(Binomial(20, 10), 184756u);
  EXPECT_EQ(Binomial(40, 20), 137846528820u);
  EXPECT_EQ(Binomial(63, 31), 916312070471295267u);
  EXPECT_EQ(Binomial(3, 4), 0u);
}

TEST(Relations, DegenerateSelectionIsMarkedAndPrintsTwoRelations) {
  // P1, P2, P4 are parallel: leaving out P3 gives a selection of rank 1.
  SetBuilder set({{1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {3, 0, 0}});
  const auto r = set.Run(2);
  const auto it = std::find(r.Lines.begin(), r.Lines.end(), "[3] D(r = 1)");
  ASSERT_NE(it, r.Lines.end());
  ASSERT_LT(it + 2, r.Lines.end());
  EXPECT_NE((it + 1)->find(" | "), std::string::npos);
  EXPECT_NE((it + 2)->find(" | "), std::string::npos);
  if (it + 3 != r.Lines.end()) {
    EXPECT_EQ((it + 3)->front(), '[');
  }
  // Every relation has one field per working-set column and a zero for P3.
  const std::string& line = *(it + 1);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4);
  EXPECT_EQ(line.substr(line.find('\t', line.find('\t') + 1) + 1, 7), " 0.0000");
}

TEST(Relations, FullRankSelectionGivesAnErrorLine) {
  // The set is given rank 2 while its three columns are independent: the one
  // selection has no null vector.
  SetBuilder set({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  const auto r = set.Run(2);  // claimed rank 2, true rank 3
  ASSERT_EQ(r.Lines.size(), 2u);
  EXPECT_EQ(r.Lines[0], "[]");
  EXPECT_EQ(r.Lines[1], " ***Error");
}

TEST(Relations, KeysKeepSignsButNotTheOverallSign) {
  const std::vector<int> members{1, 2, 3};
  std::vector<Real> a{1, 1, -1}, b{-1, -1, 1}, c{1, -1, -1};
  EXPECT_EQ(RelationKey(a, members, 3, '.'), RelationKey(b, members, 3, '.'));
  EXPECT_NE(RelationKey(a, members, 3, '.'), RelationKey(c, members, 3, '.'));
  // A leading zero does not decide the sign.
  std::vector<Real> d{0, 2, -1}, e{0, -2, 1};
  EXPECT_EQ(RelationKey(d, members, 3, '.'), RelationKey(e, members, 3, '.'));
}

struct Streamed {
  std::vector<std::string> keys, lines;
  UnivariantStream result;
};

Streamed Stream(const UnivariantJob& job, std::uint64_t block, std::size_t stopAfter = SIZE_MAX) {
  Streamed s;
  std::atomic<bool> cancel{false};
  s.result = StreamUnivariants(job, 0, SelectionCount(job) - 1, 2, block, cancel,
                               [&s, stopAfter](std::string_view key, std::string_view line) {
                                 s.keys.emplace_back(key);
                                 s.lines.emplace_back(line);
                                 return s.lines.size() < stopAfter;
                               });
  return s;
}

TEST(Relations, FilteringPrintsEachRelationOnceWhateverItsSign) {
  // P3 = 2 P2 twice over, P1 = P4 / 2 twice over: four selections, two relations.
  SetBuilder set({{1, 0}, {0, 1}, {0, 2}, {2, 0}});
  const auto all = set.Run(2);
  EXPECT_EQ(Labels(all.Lines).size(), 4u);
  const auto filtered = set.Run(2, true);
  ASSERT_EQ(filtered.Lines.size(), 2u);
  ASSERT_EQ(filtered.Keys.size(), 2u);
  for (const auto& l : filtered.Lines) EXPECT_EQ(l.front(), ' ');
  EXPECT_NE(filtered.Keys[0], filtered.Keys[1]);
  // Streamed a selection at a time, a relation met again in a later block
  // is not printed again.
  const Streamed one = Stream(set.job, 1);
  EXPECT_EQ(one.lines, filtered.Lines);
  EXPECT_EQ(one.keys, filtered.Keys);
}

TEST(Relations, NormalisationMakesTheSmallestCoefficientOne) {
  std::vector<Real> x{0.5L, 0, -0.25L};
  NormalizeRelation(x);
  EXPECT_EQ(x[0], 2);
  EXPECT_EQ(x[1], 0);
  EXPECT_EQ(x[2], -1);
  std::vector<Real> zero{0, 0};
  NormalizeRelation(zero);
  EXPECT_EQ(zero[0], 0);
  RelationFormat f;
  const std::vector<int> members{1, 3};
  std::vector<Real> y{2, -1};
  EXPECT_EQ(CoefficientRow(y, members, 3, f), " 2.0000\t 0.0000\t-1.0000");
  EXPECT_EQ(RelationEquation(y, members, {"", "Fo", "En", "Qz"}, f), " 2.0000 Fo =  1.0000 Qz");
  f.DecimalSeparator = ',';
  EXPECT_EQ(CoefficientRow(y, members, 3, f), " 2,0000\t 0,0000\t-1,0000");
}

// Random columns are independent: a set of rank `rows`.
SetBuilder RandomSet(int rows, int cols, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> d(0.0, 60.0);
  std::vector<std::vector<Real>> columns(static_cast<std::size_t>(cols),
                                         std::vector<Real>(static_cast<std::size_t>(rows)));
  for (auto& c : columns)
    for (auto& v : c) v = static_cast<Real>(d(gen));
  SetBuilder set(columns);
  set.job.SetRank = rows;
  return set;
}

TEST(Relations, ThreadsAndRangesGiveTheSequentialLines) {
  SetBuilder set = RandomSet(6, 12, 7);
  const std::uint64_t total = SelectionCount(set.job);
  ASSERT_EQ(total, Binomial(12, 5));
  const auto one = set.Find(0, total - 1, 1);
  EXPECT_EQ(set.Find(0, total - 1, 4).Lines, one.Lines);
  EXPECT_EQ(one.Lines.size(), 2 * total);
  // Shards of uneven size, concatenated.
  std::vector<std::string> joined;
  const std::uint64_t cuts[] = {0, 1, 300, 301, 700, total};
  for (int k = 0; k + 1 < 6; ++k) {
    const auto part = set.Find(cuts[k], cuts[k + 1] - 1, 2);
    joined.insert(joined.end(), part.Lines.begin(), part.Lines.end());
  }
  EXPECT_EQ(joined, one.Lines);
  set.job.FilterDuplicates = true;
  const auto f1 = set.Find(0, total - 1, 1);
  const auto f3 = set.Find(0, total - 1, 3);
  EXPECT_EQ(f1.Lines, f3.Lines);
  EXPECT_EQ(f1.Keys, f3.Keys);
}

TEST(Relations, StreamedBlocksGiveTheLinesOfOneRun) {
  SetBuilder set = RandomSet(6, 12, 11);
  const std::uint64_t total = SelectionCount(set.job);
  for (const bool filter : {false, true}) {
    set.job.FilterDuplicates = filter;
    const auto whole = set.Find(0, total - 1, 1);
    for (const std::uint64_t block : {std::uint64_t{1}, std::uint64_t{7}, total, total + 5}) {
      const Streamed s = Stream(set.job, block);
      EXPECT_EQ(s.lines, whole.Lines) << "block " << block;
      if (filter) {
        EXPECT_EQ(s.keys, whole.Keys) << "block " << block;
      }
      EXPECT_FALSE(s.result.Stopped);
      EXPECT_FALSE(s.result.Cancelled);
    }
  }
  // The receiver ends it: no line after the one it refused.
  set.job.FilterDuplicates = false;
  const Streamed cut = Stream(set.job, 5, 3);
  EXPECT_TRUE(cut.result.Stopped);
  EXPECT_EQ(cut.lines.size(), 3u);
}

// The system refuses threads (a process limit, a container): the work goes
// to the threads it gives, down to the calling thread alone, and the lines
// are those of one thread. The limit is set in a child process run as an
// unprivileged user, for whom it counts.
TEST(Relations, RefusedThreadsFallBackToFewerAndToTheCallingThread) {
  if (geteuid() != 0) GTEST_SKIP() << "becoming another user to limit its processes needs root";
  SetBuilder set = RandomSet(5, 12, 5);
  const std::uint64_t total = SelectionCount(set.job);
  for (const bool filter : {false, true}) {
    set.job.FilterDuplicates = filter;
    const UnivariantResult one = set.Find(0, total - 1, 1);
    ASSERT_FALSE(one.Lines.empty());
    // 1: no thread at all; 2 and 3: some of the four asked for.
    for (const rlim_t processes : {1, 2, 3}) {
      SCOPED_TRACE("filter " + std::to_string(filter) + ", processes " + std::to_string(processes));
      const int status = test::RunInChild([&] {
        if (!test::BecomeNobody()) return 2;
        const struct rlimit limit{processes, processes};
        if (setrlimit(RLIMIT_NPROC, &limit) != 0) return 3;
        std::atomic<bool> cancel{false};
        int polls = 0;
        const UnivariantResult r =
            FindUnivariants(set.job, 0, total - 1, 4, cancel, [&](std::uint64_t) { ++polls; });
        if (r.Lines != one.Lines || r.Keys != one.Keys || r.Cancelled) return 1;
        // On the calling thread alone the window still gets its events.
        return processes == 1 && polls == 0 ? 4 : 0;
      });
      EXPECT_EQ(status, 0);
    }
  }
}

TEST(Relations, CancelStopsTheEnumerationWithNoLines) {
  // Far more selections than any machine gets through before the first poll,
  // so that the poll is sure to come while the workers run.
  SetBuilder set = RandomSet(6, 24, 3);
  ASSERT_EQ(SelectionCount(set.job), Binomial(24, 17));
  std::atomic<bool> cancel{false};
  int polls = 0;
  std::uint64_t doneAtCancel = 0;
  const auto r = FindUnivariants(set.job, 0, SelectionCount(set.job) - 1, 2, cancel, [&](std::uint64_t done) {
    ++polls;
    doneAtCancel = done;
    cancel.store(true);
  });
  EXPECT_TRUE(r.Cancelled);
  EXPECT_TRUE(r.Lines.empty());
  EXPECT_GE(polls, 1);
  EXPECT_LT(doneAtCancel, SelectionCount(set.job));

  // Cancel set before the start: nothing runs.
  const auto before = FindUnivariants(set.job, 0, 99, 2, cancel);
  EXPECT_TRUE(before.Cancelled);
  EXPECT_TRUE(before.Lines.empty());
}

TEST(Relations, AssemblageSeparation) {
  const std::vector<int> a{1}, b{2};
  EXPECT_TRUE(SeparatesAssemblages(" 1.0000\t-1.0000\t |  1.0000 X =  1.0000 Y", 2, a, b, '.'));
  EXPECT_FALSE(SeparatesAssemblages(" 1.0000\t 1.0000\t |  1.0000 X +  1.0000 Y = ", 2, a, b, '.'));
  // Zeros are on both sides.
  EXPECT_TRUE(SeparatesAssemblages(" 0.0000\t 0.0000\t 1.0000\t | x", 3, a, b, '.'));
  EXPECT_TRUE(SeparatesAssemblages(" 1,0000\t-2,0000\t | x", 2, a, b, ','));
  // A coefficient that prints as zero counts as zero.
  EXPECT_TRUE(SeparatesAssemblages("-0.0000\t 1.0000\t | x", 2, {1, 2}, {}, '.'));
}

}  // namespace
}  // namespace varnel
