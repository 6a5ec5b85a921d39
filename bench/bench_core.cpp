// Speed of the numerical core: decompositions, inverse and number reading.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/lu.h"
#include "core/numberread.h"
#include "core/svd.h"

namespace varnel {
namespace {

// This machine is shared: report the best of several runs beside the mean.
double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

FMatrix RandomMatrix(int rows, int cols, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> d(0.0, 100.0);
  FMatrix m;
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) m(i, j) = d(gen);
  return m;
}

void BM_SvDecomp(benchmark::State& state) {
  const int m = static_cast<int>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  const FMatrix input = RandomMatrix(m, n, 42);
  FMatrix a, v;
  FVector w;
  for (auto _ : state) {
    CopyFMatrix(input, a, m, n);
    benchmark::DoNotOptimize(SV_Decomp(a, v, m, n, w));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SvDecomp)
    ->Args({20, 8})
    ->Args({60, 60})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Min);

void BM_InvertFMatrix(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  FMatrix input = RandomMatrix(n, n, 7);
  for (int i = 1; i <= n; ++i) input(i, i) += 1000;
  FMatrix a, y;
  SilentSink sink;
  for (auto _ : state) {
    CopyFMatrix(input, a, n, n);
    benchmark::DoNotOptimize(InvertFMatrix(a, y, n, sink));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_InvertFMatrix)
    ->Arg(60)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Min);

// Short numbers as a DataSheet of oxide analyses holds them.
std::vector<std::string> ShortNumbers() {
  std::mt19937 gen(1);
  std::uniform_real_distribution<double> d(0.0, 100.0);
  std::vector<std::string> texts;
  char buf[32];
  for (int k = 0; k < 4096; ++k) {
    std::snprintf(buf, sizeof buf, "%.*f", 1 + k % 3, d(gen));
    texts.emplace_back(buf);
  }
  return texts;
}

void BM_ReadNumber(benchmark::State& state) {
  const std::vector<std::string> texts = ShortNumbers();
  std::size_t k = 0;
  Real v;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadNumber(texts[k], '.', v));
    benchmark::DoNotOptimize(v);
    k = (k + 1) & 4095;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadNumber)->Repetitions(5)->ComputeStatistics("min", Min);

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
