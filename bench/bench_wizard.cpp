// Speed of the Analysis Wizard's univariant enumeration: every selection of
// ten phases out of twenty on nine components, the relations formatted and
// written as the TextPad receives them.
#include <benchmark/benchmark.h>

#include <QStringList>
#include <random>

#include "app/reporttarget.h"
#include "wizard/relations.h"

namespace varnel {
namespace {

struct TwentyPhases {
  TwentyPhases() {
    std::mt19937_64 gen(20);
    std::uniform_real_distribution<double> d(0.0, 60.0);
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 20; ++j) set(i, j) = static_cast<Real>(d(gen));
    job.WorkingSet = &set;
    job.Rows = 9;
    job.SetCount = 20;
    job.SetRank = 9;
    job.Names.push_back("");
    for (int j = 1; j <= 20; ++j) job.Names.push_back("Ph" + std::to_string(j));
  }
  FMatrix set;
  UnivariantJob job;
};

void BM_Univariants20x10(benchmark::State& state) {
  TwentyPhases p;
  p.job.FilterDuplicates = state.range(1) != 0;
  const int threads = static_cast<int>(state.range(0));
  const std::uint64_t total = SelectionCount(p.job);
  std::size_t lines = 0;
  for (auto _ : state) {
    std::atomic<bool> cancel{false};
    UnivariantResult r = FindUnivariants(p.job, 0, total - 1, threads, cancel);
    LinesReport report;
    QStringList block;
    block.reserve(static_cast<qsizetype>(r.Lines.size()));
    for (const std::string& l : r.Lines) block << QString::fromStdString(l);
    report.AppendLines(block);
    lines = static_cast<std::size_t>(report.lines.size());
    benchmark::DoNotOptimize(report.lines);
  }
  state.counters["selections"] = static_cast<double>(total);
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_Univariants20x10)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->ArgNames({"threads", "filter"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
