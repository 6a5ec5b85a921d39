// The graphs with real-sized datasets: 100,000 cases in the triangle with
// their own symbols, one frame of the turning tetrahedron of 100,000 cases,
// and 1,000,000 cases connected, projected, drawn and written to a PNG.
// bench/matplotlib_ternary.py draws the same points with matplotlib in the
// same run, and times the whole `varnel plot` command beside it.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <random>

#include "bench/bench_gui_main.h"
#include "graphs/graphengine.h"
#include "graphs/plotpicture.h"
#include "sheet/sheet.h"
#include "tests/support/scriptedprompter.h"

namespace varnel::bench {
namespace {

// A connected sheet of analyses: four oxides, a mineral name (eight kinds,
// for the categories' shapes and colours) and an inclusion mark each.
struct CloudBench {
  test::ScriptedPrompter prompter;
  Sheet sheet{prompter};
  GraphEngine engine{sheet, prompter};
  QImage image{1000, 707, QImage::Format_RGB32};
  PageMetrics metrics = SetupPageMetrics(TargetKind::Screen, 1000, 707, 96, PrinterPage{});

  explicit CloudBench(int cases, bool connect = true) {
    sheet.SetGraphLink(&engine);
    sheet.SetSize(6, cases + 1);
    const char* names[] = {"SiO2", "MgO", "FeO", "Al2O3", "Mineral#"};
    const char* minerals[] = {"olivine", "opx",         "cpx",       "garnet",
                              "spinel",  "plagioclase", "amphibole", "mica"};
    for (int c = 1; c <= 5; ++c) sheet.SetCell(c, 0, names[c - 1]);
    std::mt19937 gen(11);
    std::gamma_distribution<double> d(2.0, 10.0);
    char buf[32];
    for (int r = 1; r <= cases; ++r) {
      sheet.SetCell(0, r, "Y");
      for (int c = 1; c <= 4; ++c) {
        const int n = std::snprintf(buf, sizeof buf, "%.2f", d(gen));
        sheet.SetCell(c, r, std::string_view(buf, static_cast<size_t>(n)));
      }
      sheet.SetCell(5, r, minerals[gen() % 8]);
    }
    sheet.FirstNew = false;
    sheet.Blank = false;
    if (connect) Connect();
  }
  void Connect() {
    engine.GetWSheetData(true);
    // Shapes and colours from the mineral names, as "From variable".
    engine.SetSelectorItem(GraphSelector::SymbolShape, 5);
    engine.SpecialColumnChanged(GraphSelector::SymbolShape);
    engine.SetSelectorItem(GraphSelector::SymbolColor, 5);
    engine.SpecialColumnChanged(GraphSelector::SymbolColor);
    engine.Settings.UseDefaultShape = false;
    engine.Settings.UseDefaultColor = false;
  }
  ~CloudBench() { sheet.Saved = true; }
  void Paint(PlotPage page) {
    QPainter painter(&image);
    PaintOptions options;
    options.Page = page;
    engine.Page = page;
    engine.Paint(painter, metrics, options);
  }
};

CloudBench& HundredThousand() {
  static CloudBench b(100000);
  return b;
}

// Target: at most 30 ms a page.
void BM_Triangle100000CasesWithSymbols(benchmark::State& state) {
  CloudBench& b = HundredThousand();
  for (auto _ : state) b.Paint(PlotPage::Triangular);
  state.counters["points"] = b.engine.TriangularPointsDrawn();
  state.counters["covered"] = b.engine.SymbolsCoveredInLastPaint();
}
BENCHMARK(BM_Triangle100000CasesWithSymbols)->Unit(benchmark::kMillisecond);

// The same cases with one default symbol, as matplotlib's plain scatter:
// a tenth of its drawing time is the aim.
void BM_Triangle100000CasesPlain(benchmark::State& state) {
  CloudBench& b = HundredThousand();
  b.engine.Settings.UseDefaultShape = true;
  b.engine.Settings.UseDefaultColor = true;
  for (auto _ : state) b.Paint(PlotPage::Triangular);
  state.counters["covered"] = b.engine.SymbolsCoveredInLastPaint();
  b.engine.Settings.UseDefaultShape = false;
  b.engine.Settings.UseDefaultColor = false;
}
BENCHMARK(BM_Triangle100000CasesPlain)->Unit(benchmark::kMillisecond);

// The same with the symbols half transparent and the density beneath.
void BM_Triangle100000CasesFadedWithDensity(benchmark::State& state) {
  CloudBench& b = HundredThousand();
  b.engine.Settings.PointOpacity = 0.5L;
  b.engine.Settings.DensityShading = true;
  for (auto _ : state) b.Paint(PlotPage::Triangular);
  b.engine.Settings.PointOpacity = 1;
  b.engine.Settings.DensityShading = false;
}
BENCHMARK(BM_Triangle100000CasesFadedWithDensity)->Unit(benchmark::kMillisecond);

// Target: one frame of a drag (turned a step, projected, depth-sorted,
// painted) in at most 33 ms.
void BM_RotatingTetrahedron100000CasesFrame(benchmark::State& state) {
  CloudBench& b = HundredThousand();
  for (auto _ : state) {
    b.engine.Page = PlotPage::Tetrahedral;
    b.engine.ApplyViewKey(ViewKey::Right);
    b.Paint(PlotPage::Tetrahedral);
  }
  state.counters["points"] = b.engine.TetrahedralPointsDrawn();
}
BENCHMARK(BM_RotatingTetrahedron100000CasesFrame)->Unit(benchmark::kMillisecond);

// Target: 1,000,000 cases read from the sheet, projected, drawn and written
// to a PNG of 1200 pixels in at most 1 s.
void BM_MillionCasesToPng(benchmark::State& state) {
  static CloudBench b(1000000, false);
  QTemporaryDir dir;
  PictureRequest request;
  request.Path = dir.filePath(QStringLiteral("million.png"));
  for (auto _ : state) {
    b.Connect();
    QString error;
    if (!WritePlotPicture(b.engine, request, &error)) state.SkipWithError(error.toStdString().c_str());
  }
  state.counters["points"] = b.engine.TriangularPointsDrawn();
  state.counters["covered"] = b.engine.SymbolsCoveredInLastPaint();
}
BENCHMARK(BM_MillionCasesToPng)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace varnel::bench

VARNEL_GUI_BENCHMARK_MAIN()
