// Coordinate mapping of 100,000 cases of 20 variables onto 10 new components,
// in the DataSheet window, up to the repainted grid.
#include <QElapsedTimer>
#include <random>

#include "bench/bigsheet.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/sheettable.h"
#include "matrix/mapping.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

void BM_Map100kCasesOnto10(benchmark::State& state) {
  bench::BigSheet big(20, 100000);
  Sheet& s = big.S();
  for (auto _ : state) {
    s.Sel = Selection{0, 1, s.ColCount() - 1, 10};
    s.RowsMode = true;
    QElapsedTimer since;
    since.start();
    const MappingOutcome outcome = RunMappingCommand(
        s, '.', [](MappingOptions&, int, int, bool, const IVector&) { return true; },
        [&since] {
          if (since.elapsed() > 50) {
            QApplication::processEvents();
            since.restart();
          }
        });
    if (outcome != MappingOutcome::Done) state.SkipWithError("mapping failed");
    big.Paint();
    state.PauseTiming();
    s.RemoveColumns(21, s.ColCount() - 21);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Map100kCasesOnto10)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace varnel

VARNEL_GUI_BENCHMARK_MAIN()
