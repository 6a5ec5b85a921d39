// The TextPad with a very long report: appending and showing 200,000 lines of
// about 100 characters, scrolling through them, and the memory they take.
#include <QPlainTextEdit>
#include <QScrollBar>

#include "app/textpad.h"
#include "app/textprinting.h"
#include "bench/bench_gui_main.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

QStringList ReportLines(int count) {
  QStringList lines;
  lines.reserve(count);
  for (int k = 0; k < count; ++k)
    lines << QStringLiteral("%1\t 0.%2\t-1.%3\t 2.%4\t 0.%5\t-0.%6\t 3.%7\t Fo%8-En%9 relation")
                 .arg(k, 7)
                 .arg(k % 9973, 8, 10, QLatin1Char('0'))
                 .arg(k % 7919, 8, 10, QLatin1Char('0'))
                 .arg(k % 6007, 8, 10, QLatin1Char('0'))
                 .arg(k % 5003, 8, 10, QLatin1Char('0'))
                 .arg(k % 4001, 8, 10, QLatin1Char('0'))
                 .arg(k % 3001, 8, 10, QLatin1Char('0'))
                 .arg(k % 97)
                 .arg(k % 89);
  return lines;
}

void BM_TextPadReport200k(benchmark::State& state) {
  const QStringList lines = ReportLines(200000);
  qsizetype chars = 0;
  for (const QString& l : lines) chars += l.size() + 2;
  test::ScriptedPrompter prompter;
  TextPrinter printer;
  long grown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto pad = std::make_unique<TVN_Txt>(prompter, printer, TVN_Txt::Environment{});
    pad->resize(800, 600);
    QApplication::processEvents();
    const long before = bench::ResidentBytes();
    state.ResumeTiming();
    pad->StartReport();
    pad->SuspendRepaint(true);
    pad->AppendLines(lines);
    pad->SuspendRepaint(false);
    pad->SetTabStops(8, 76);
    pad->CaretToEnd();
    pad->ShowReport();
    QApplication::processEvents();
    pad->TxtRichEdit()->viewport()->grab();  // one full paint of what shows
    state.PauseTiming();
    // Later rounds reuse memory the first one freed: keep the largest growth.
    grown = std::max(grown, bench::ResidentBytes() - before);
    pad->TxtRichEdit()->document()->setModified(false);
    pad.reset();
    state.ResumeTiming();
  }
  state.counters["text_MB"] = static_cast<double>(chars) / 1e6;
  state.counters["resident_growth_MB"] = static_cast<double>(grown) / 1e6;
  state.counters["growth_per_text"] = static_cast<double>(grown) / static_cast<double>(chars);
}
BENCHMARK(BM_TextPadReport200k)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_TextPadScrollPage(benchmark::State& state) {
  test::ScriptedPrompter prompter;
  TextPrinter printer;
  TVN_Txt pad(prompter, printer, TVN_Txt::Environment{});
  pad.resize(800, 600);
  pad.StartReport();
  pad.AppendLines(ReportLines(200000));
  pad.ShowReport();
  QApplication::processEvents();
  QScrollBar* bar = pad.TxtRichEdit()->verticalScrollBar();
  int step = 0;
  for (auto _ : state) {
    // A page down somewhere in the report, painted.
    bar->setValue((step * 7919) % bar->maximum());
    pad.TxtRichEdit()->viewport()->grab();
    ++step;
  }
  pad.TxtRichEdit()->document()->setModified(false);
}
BENCHMARK(BM_TextPadScrollPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel

VARNEL_GUI_BENCHMARK_MAIN()
