// The univariant enumeration against lines written before it was made fast.
// Its speed comes from reordering memory walks and skipping unused work, never
// from changing a single rounding, so every printed digit must stay as it was.
// The golden file was written by the plain enumeration; it is not to be
// rewritten to make a faster one pass.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "wizard/relations.h"

namespace varnel {
namespace {

// Values with two decimals from an integer hash: the same on every library,
// unlike the standard distributions.
Real Value(int i, int j, int salt) {
  std::uint32_t h = static_cast<std::uint32_t>(i * 7919 + j * 104729 + salt * 1299709);
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<Real>(h % 6000u) / 100;
}

struct Case {
  const char* title;
  int rows, cols, rank, style;
  char separator;
  bool normalize, filter;
  int zeroColumn;  // 0: none
};

// Exp without normalising prints the raw null vectors to 13 digits; the others
// cover a taller matrix than wide (full-rank selections), selections of
// lower rank, a zero column, the keys of the filter and both separators.
const Case Cases[] = {
    {"raw exp", 6, 10, 6, StyleExp, '.', false, false, 0},
    {"max filtered", 6, 10, 6, StyleMax, '.', true, true, 7},
    {"tall long", 6, 9, 4, StyleLong, ',', true, false, 7},
    {"bench shape", 9, 12, 9, StyleExp, ',', true, false, 0},
};

std::string Enumerate(const Case& k, int threads) {
  FMatrix set;
  for (int i = 1; i <= k.rows; ++i)
    for (int j = 1; j <= k.cols; ++j) set(i, j) = Value(i, j, k.rows * 100 + k.cols);
  // Column 4 depends on columns 1 and 2, a zero column gives one-phase
  // relations: selections holding them are of lower rank.
  for (int i = 1; i <= k.rows; ++i) {
    set(i, 4) = set(i, 1) + 2 * set(i, 2);
    if (k.zeroColumn > 0) set(i, k.zeroColumn) = 0;
  }
  UnivariantJob job;
  job.WorkingSet = &set;
  job.Rows = k.rows;
  job.SetCount = k.cols;
  job.SetRank = k.rank;
  job.Names.push_back("");
  for (int j = 1; j <= k.cols; ++j) job.Names.push_back("P" + std::to_string(j));
  job.Format.Style = k.style;
  job.Format.DecimalSeparator = k.separator;
  job.Format.Normalize = k.normalize;
  job.FilterDuplicates = k.filter;
  std::atomic<bool> cancel{false};
  const UnivariantResult r = FindUnivariants(job, 0, SelectionCount(job) - 1, threads, cancel);
  std::string text = std::string("== ") + k.title + "\n";
  for (std::size_t n = 0; n < r.Lines.size(); ++n) {
    if (k.filter) text += r.Keys[n] + "\t";
    text += r.Lines[n] + "\n";
  }
  for (const std::uint64_t rank : r.Failures) text += "failed " + std::to_string(rank) + "\n";
  return text;
}

TEST(UnivariantGolden, EveryDigitIsTheOneThePlainEnumerationPrinted) {
  std::ifstream in(VARNEL_SOURCE_DIR "/tests/wizard/data/univariants.golden", std::ios::binary);
  std::stringstream golden;
  golden << in.rdbuf();
  EXPECT_TRUE(in) << "the golden file is missing";
  for (const int threads : {1, 2}) {
    std::string text;
    for (const Case& k : Cases) text += Enumerate(k, threads);
    if (text != golden.str()) {
      std::ofstream("univariants.actual", std::ios::binary) << text;
      FAIL() << "the enumeration with " << threads
             << " threads differs from the golden file; its text is in univariants.actual";
    }
  }
}

}  // namespace
}  // namespace varnel
