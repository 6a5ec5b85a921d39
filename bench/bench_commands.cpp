// The DataSheet's editing commands on 100,000 cases x 20 variables, each up
// to the repainted grid: insert and delete 10 cases, add a variable, clear a
// whole variable, a one- and a two-condition filter, and copying the whole
// sheet to the clipboard.
#include <QClipboard>
#include <random>

#include "app/numberlocale.h"
#include "bench/bigsheet.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/sheettable.h"
#include "sheet/editing.h"
#include "sheet/filter.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

using Big = bench::BigSheet;

Big& TheSheet() {
  static Big* big = new Big(20, 100000);
  return *big;
}

void BM_InsertTenCases(benchmark::State& state) {
  Big& b = TheSheet();
  for (auto _ : state) {
    b.S().Sel = Selection{0, 500, 20, 509};
    b.S().RowsMode = true;
    InsertCases(b.S());
    b.Paint();
    state.PauseTiming();
    b.S().RemoveRows(500, 10);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_InsertTenCases)->Unit(benchmark::kMillisecond);

void BM_DeleteTenCases(benchmark::State& state) {
  Big& b = TheSheet();
  for (auto _ : state) {
    b.S().Sel = Selection{0, 500, 20, 509};
    b.S().RowsMode = true;
    DeleteCases(b.S());
    b.Paint();
    state.PauseTiming();
    b.S().InsertRows(500, 10);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteTenCases)->Unit(benchmark::kMillisecond);

void BM_AddVariable(benchmark::State& state) {
  Big& b = TheSheet();
  for (auto _ : state) {
    b.S().Sel = Selection{3, 0, 3, b.S().RowCount() - 1};
    b.S().ColumnsMode = true;
    AddVariables(b.S());
    b.Paint();
    state.PauseTiming();
    b.S().RemoveColumns(b.S().ColCount() - 1, 1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddVariable)->Unit(benchmark::kMillisecond);

void BM_ClearWholeVariable(benchmark::State& state) {
  Big& b = TheSheet();
  for (auto _ : state) {
    b.S().Sel = Selection{7, 0, 7, b.S().RowCount() - 1};
    b.S().ColumnsMode = true;
    ClearSelection(b.S());
    b.Paint();
  }
}
BENCHMARK(BM_ClearWholeVariable)->Unit(benchmark::kMillisecond);

void BM_FilterOneCondition(benchmark::State& state) {
  Big& b = TheSheet();
  const auto c = FilterCondition::Make(OpGreater, "50", false, '.');
  for (auto _ : state) {
    RunFilter(b.S(), 2, c, std::nullopt, true, false, '.');
    b.Paint();
  }
}
BENCHMARK(BM_FilterOneCondition)->Unit(benchmark::kMillisecond);

void BM_FilterTwoConditions(benchmark::State& state) {
  Big& b = TheSheet();
  const auto low = FilterCondition::Make(OpGreater, "25", false, '.');
  const auto high = FilterCondition::Make(OpLessEqual, "75", false, '.');
  for (auto _ : state) {
    RunFilter(b.S(), 3, low, high, true, true, '.');
    b.Paint();
  }
}
BENCHMARK(BM_FilterTwoConditions)->Unit(benchmark::kMillisecond);

void BM_CopyWholeSheet(benchmark::State& state) {
  Big& b = TheSheet();
  for (auto _ : state) {
    b.S().SelectAll();
    b.window.Copy1Click();
  }
  state.counters["clipboard_MB"] = static_cast<double>(QApplication::clipboard()->text().size()) / 1e6;
}
BENCHMARK(BM_CopyWholeSheet)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace varnel

VARNEL_GUI_BENCHMARK_MAIN()
