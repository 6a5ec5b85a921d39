// Loading and saving a data file of 100,000 cases x 20 variables (about
// 14 MB): the time until the DataSheet is ready to scroll, the resident
// memory it adds (at its peak while reading, and once loaded) per byte of
// the file, and the time of a save. Also a file of a million short lines
// that each make a reading warning.
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "bench/bench_gui_main.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/sheettable.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

// The largest resident memory this process has had, in bytes.
long PeakResidentBytes() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024;
}

QString TestFile(QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("bench.vnp"));
  QProcess::execute(QStringLiteral(VARNEL_SOURCE_DIR "/bench/make-datafile.sh"), {path});
  return path;
}

void BM_LoadDataFile100kx20(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = TestFile(dir);
  test::ScriptedPrompter prompter;
  long grown = 0;
  long peak = 0;
  bool first = true;
  for (auto _ : state) {
    state.PauseTiming();
    auto sheetData = std::make_unique<Sheet>(prompter);
    auto window = std::make_unique<TVN_Wsheet>(*sheetData, prompter);
    window->resize(900, 600);
    window->show();
    QApplication::processEvents();
    const long before = bench::ResidentBytes();
    state.ResumeTiming();
    if (!window->LoadDataFile(path)) state.SkipWithError("load failed");
    QApplication::processEvents();
    window->Grid()->viewport()->grab();
    state.PauseTiming();
    // Later rounds reuse the memory the first one freed: keep the largest.
    grown = std::max(grown, bench::ResidentBytes() - before);
    // The process's peak so far is the first load's peak (nothing before it
    // used as much).
    if (first) peak = PeakResidentBytes() - before;
    first = false;
    window.reset();
    state.ResumeTiming();
  }
  const double file = static_cast<double>(QFile(path).size());
  state.counters["file_MB"] = file / 1e6;
  state.counters["resident_growth_MB"] = static_cast<double>(grown) / 1e6;
  state.counters["growth_per_file_byte"] = static_cast<double>(grown) / file;
  state.counters["peak_growth_per_file_byte"] = static_cast<double>(peak) / file;
}
BENCHMARK(BM_LoadDataFile100kx20)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveDataFile100kx20(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = TestFile(dir);
  test::ScriptedPrompter prompter;
  Sheet windowSheet(prompter);
  TVN_Wsheet window(windowSheet, prompter);
  window.LoadDataFile(path);
  window.Data().Prefs.BackupWanted = true;
  for (auto _ : state) {
    window.Data().Saved = false;
    if (!window.Files().Save1Click()) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveDataFile100kx20)->Unit(benchmark::kMillisecond)->Iterations(5);

// One million lines with one value of three: each is "too few values". A
// warning text kept for every line once took gigabytes; now the first 100
// are kept and the rest counted.
void BM_LoadMillionBadLines(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bad.vnp"));
  {
    QByteArray text = "A\tB\tC\r\n";
    for (int k = 0; k < 1'000'000; ++k) text += "1.5\r\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) state.SkipWithError("cannot write");
  }
  test::ScriptedPrompter prompter;
  prompter.AnswerAnyWith(Button::Ok);
  long grown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto sheetData = std::make_unique<Sheet>(prompter);
    auto window = std::make_unique<TVN_Wsheet>(*sheetData, prompter);
    QApplication::processEvents();
    const long before = bench::ResidentBytes();
    state.ResumeTiming();
    if (!window->LoadDataFile(path)) state.SkipWithError("load failed");
    state.PauseTiming();
    grown = std::max(grown, bench::ResidentBytes() - before);
    if (prompter.shown.size() != 101) state.SkipWithError("not 100 warnings and a count");
    prompter.shown.clear();
    window.reset();
    state.ResumeTiming();
  }
  state.counters["file_MB"] = static_cast<double>(QFile(path).size()) / 1e6;
  state.counters["resident_growth_MB"] = static_cast<double>(grown) / 1e6;
}
BENCHMARK(BM_LoadMillionBadLines)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace varnel

VARNEL_GUI_BENCHMARK_MAIN()
