// The graphs at their largest: 5000 cases painted on a page of 1000 x 707
// pixels, and the recompute every edit runs.
#include <QImage>
#include <QPainter>
#include <random>

#include "bench/bench_gui_main.h"
#include "graphs/graphengine.h"
#include "sheet/sheet.h"
#include "tests/support/scriptedprompter.h"

namespace varnel::bench {
namespace {

// A connected sheet of 5000 cases: four apex variables, labels, colours and
// tie sets of three cases each.
struct PlotBench {
  test::ScriptedPrompter prompter;
  Sheet sheet{prompter};
  GraphEngine engine{sheet, prompter};
  QImage image{1000, 707, QImage::Format_RGB32};
  PageMetrics metrics = SetupPageMetrics(TargetKind::Screen, 1000, 707, 96, PrinterPage{});

  PlotBench() {
    sheet.SetGraphLink(&engine);
    const int cases = 5000;
    sheet.SetSize(9, cases + 1);
    const char* names[] = {"SiO2", "Al2O3", "FeO", "MgO", "Label#", "Color#", "Tielin#", "Symbol#"};
    for (int c = 1; c <= 8; ++c) sheet.SetCell(c, 0, names[c - 1]);
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> d(0.0, 60.0);
    char buf[32];
    for (int r = 1; r <= cases; ++r) {
      sheet.SetCell(0, r, "Y");
      for (int c = 1; c <= 4; ++c) {
        const int n = std::snprintf(buf, sizeof buf, "%.2f", d(gen));
        sheet.SetCell(c, r, std::string_view(buf, static_cast<size_t>(n)));
      }
      sheet.SetCell(5, r, "Gt-" + std::to_string(r));
      sheet.SetCell(6, r, std::to_string(r % 15));
      sheet.SetCell(7, r, std::to_string((r / 3) % 99));
      sheet.SetCell(8, r, std::to_string(r % 15));
    }
    sheet.FirstNew = false;
    sheet.Blank = false;
    engine.GetWSheetData(true);
    GraphSettings& g = engine.Settings;
    g.UseDefaultColor = g.UseDefaultShape = false;
    g.ViewLabels = true;
  }
  ~PlotBench() { sheet.Saved = true; }
  void Paint(PlotPage page) {
    QPainter painter(&image);
    PaintOptions options;
    options.Page = page;
    engine.Page = page;
    engine.Paint(painter, metrics, options);
  }
};

PlotBench& Shared() {
  static PlotBench b;
  return b;
}

void BM_RecomputeOf5000Cases(benchmark::State& state) {
  PlotBench& b = Shared();
  for (auto _ : state) b.engine.Recompute();
  state.counters["cases"] = b.engine.PlotCaseCount();
}
BENCHMARK(BM_RecomputeOf5000Cases)->Unit(benchmark::kMillisecond);

void BM_TriangularPageWithLabels(benchmark::State& state) {
  PlotBench& b = Shared();
  b.engine.Settings.ViewTies = false;
  for (auto _ : state) b.Paint(PlotPage::Triangular);
  state.counters["points"] = b.engine.TriangularPointsDrawn();
}
BENCHMARK(BM_TriangularPageWithLabels)->Unit(benchmark::kMillisecond);

// The same without labels: what the symbols cost alone.
void BM_TriangularPageWithoutLabels(benchmark::State& state) {
  PlotBench& b = Shared();
  b.engine.Settings.ViewLabels = false;
  for (auto _ : state) b.Paint(PlotPage::Triangular);
  b.engine.Settings.ViewLabels = true;
}
BENCHMARK(BM_TriangularPageWithoutLabels)->Unit(benchmark::kMillisecond);

// One frame of a drag: turned by a step, projected, depth-sorted and painted
// with symbols and tie lines (labels off, as while rotating a cloud of 5000).
void BM_RotatingTetrahedronFrame(benchmark::State& state) {
  PlotBench& b = Shared();
  b.engine.Settings.ViewTies = true;
  b.engine.Settings.ViewLabels = false;
  for (auto _ : state) {
    b.engine.Page = PlotPage::Tetrahedral;
    b.engine.ApplyViewKey(ViewKey::Right);
    b.Paint(PlotPage::Tetrahedral);
  }
  state.counters["points"] = b.engine.TetrahedralPointsDrawn();
  b.engine.Settings.ViewLabels = true;
  b.engine.Settings.ViewTies = false;
}
BENCHMARK(BM_RotatingTetrahedronFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel::bench

VARNEL_GUI_BENCHMARK_MAIN()
