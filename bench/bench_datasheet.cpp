// The DataSheet with 100,000 cases: memory of the cells, and the time of the
// things a user does in the window (scroll, select a variable, select all,
// type into a cell), each measured up to the repainted grid.
#include <QScrollBar>
#include <random>

#include "bench/bigsheet.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/sheettable.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

void BM_CellMemory100kx20(benchmark::State& state) {
  test::ScriptedPrompter prompter;
  std::size_t text = 0, held = 0;
  long grown = 0;
  for (auto _ : state) {
    const long before = bench::ResidentBytes();
    Sheet sheet(prompter);
    sheet.SetSize(21, 100001);
    text = bench::FillShortNumbers(sheet, 20, 100000);
    held = sheet.MemoryBytes();
    grown = bench::ResidentBytes() - before;
  }
  state.counters["text_MB"] = static_cast<double>(text) / 1e6;
  state.counters["cells_MB"] = static_cast<double>(held) / 1e6;
  state.counters["cells_per_text"] = static_cast<double>(held) / static_cast<double>(text);
  state.counters["resident_per_text"] = static_cast<double>(grown) / static_cast<double>(text);
}
BENCHMARK(BM_CellMemory100kx20)->Unit(benchmark::kMillisecond)->Iterations(1);

// One window of 100,000 cases by 60 variables, shared by the interaction
// benchmarks.
bench::BigSheet& Big() {
  static bench::BigSheet* big = new bench::BigSheet(60, 100000);
  return *big;
}

void BM_ScrollAndPaint(benchmark::State& state) {
  bench::BigSheet& big = Big();
  QScrollBar* v = big.window.Grid()->verticalScrollBar();
  QScrollBar* h = big.window.Grid()->horizontalScrollBar();
  int step = 0;
  for (auto _ : state) {
    v->setValue((step * 7919) % (v->maximum() + 1));
    h->setValue((step * 13) % (h->maximum() + 1));
    big.Paint();
    ++step;
  }
}
BENCHMARK(BM_ScrollAndPaint)->Unit(benchmark::kMillisecond);

void BM_SelectWholeVariable(benchmark::State& state) {
  bench::BigSheet& big = Big();
  int col = 1;
  for (auto _ : state) {
    big.window.Data().MouseDown(col, 0, false);
    big.Paint();
    col = col % 60 + 1;
  }
}
BENCHMARK(BM_SelectWholeVariable)->Unit(benchmark::kMillisecond);

void BM_SelectAll(benchmark::State& state) {
  bench::BigSheet& big = Big();
  for (auto _ : state) {
    big.window.SelectAllCells1Click();
    big.Paint();
    big.window.Data().MouseDown(2, 2, false);
    big.window.Data().CellSelected(2, 2);
  }
}
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);

void BM_TypeIntoCell(benchmark::State& state) {
  bench::BigSheet& big = Big();
  Sheet& s = big.window.Data();
  int row = 1;
  for (auto _ : state) {
    s.EditStartText = std::string(s.Cell(5, row));
    s.CommitCellEdit(5, row, "12.75");
    big.Paint();
    row = row % 100000 + 1;
  }
}
BENCHMARK(BM_TypeIntoCell)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel

VARNEL_GUI_BENCHMARK_MAIN()
