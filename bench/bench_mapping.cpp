// Coordinate mapping of 100,000 cases of 20 variables onto 10 new components,
// in the DataSheet window, up to the repainted grid.
#include <QElapsedTimer>
#include <random>

#include "bench/bench_gui_main.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/sheettable.h"
#include "matrix/mapping.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

void BM_Map100kCasesOnto10(benchmark::State& state) {
  test::ScriptedPrompter prompter;
  GraphLink graph;
  WizardLink wizard;
  TVN_Wsheet window(prompter, graph, wizard);
  Sheet& s = window.Data();
  s.Prefs.DefaultColCount = 20;
  s.Prefs.DefaultRowCount = 100000;
  s.New1Click();
  bench::FillShortNumbers(s, 20, 100000);
  s.Blank = false;
  s.SetAllInclusion(true);
  window.resize(900, 600);
  window.show();
  QApplication::processEvents();
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
    window.Grid()->viewport()->grab();
    state.PauseTiming();
    s.RemoveColumns(21, s.ColCount() - 21);
    state.ResumeTiming();
  }
  s.Saved = true;
}
BENCHMARK(BM_Map100kCasesOnto10)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace varnel

VARNEL_GUI_BENCHMARK_MAIN()
