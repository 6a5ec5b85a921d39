// Speed of the Analysis Wizard's univariant enumeration: every selection of
// ten phases out of twenty on nine components, the relations formatted and
// written as the TextPad receives them.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

#include "app/reporttarget.h"
#include "core/svd.h"
#include "sheet/sheet.h"
#include "wizard/matrixwizard.h"
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

// The decomposition alone, for the same selections on one thread: how much
// of a selection's time the 80-bit arithmetic takes before any text is made.
void BM_DecompositionOnly(benchmark::State& state) {
  TwentyPhases p;
  const std::uint64_t total = SelectionCount(p.job);
  FMatrix a, v;
  FVector w;
  for (auto _ : state) {
    int removed[10];
    UnrankSelection(0, 20, 10, std::span<int>(removed, 10));
    Real sink = 0;
    for (std::uint64_t r = 0; r < total; ++r) {
      int members[10], count = 0, next = 0;
      for (int ph = 1; ph <= 20; ++ph) {
        if (next < 10 && removed[next] == ph) {
          ++next;
          continue;
        }
        members[count++] = ph;
      }
      for (int i = 1; i <= 9; ++i)
        for (int k = 0; k < 10; ++k) a(i, k + 1) = p.set(i, members[k]);
      if (SV_DecompWV(a, v, 9, 10, w) == 0) sink += v(1, 10);
      NextSelection(20, 10, removed);
    }
    benchmark::DoNotOptimize(sink);
  }
  state.counters["per_selection"] =
      benchmark::Counter(static_cast<double>(total),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DecompositionOnly)->Unit(benchmark::kMillisecond)->Iterations(2);

#if defined(__x86_64__) || defined(__i386__)
// What the x87 unit costs on this processor, the floor under the
// decomposition: the latency of the chains that divisions and square roots
// form in each rotation of the QR sweeps, and the throughput of the 80-bit
// loads and stores that every element update needs (there is no 80-bit
// arithmetic with a memory operand, and eight registers hold no matrix).
enum X87Op { OpMulChain, OpDivChain, OpSqrtChain, OpLoad80, OpStore80, OpStoreThenLoad80 };

void BM_X87(benchmark::State& state) {
  constexpr int Ops = 1000;
  alignas(64) static long double cells[16] = {1.0L, 1.0L, 1.0L, 1.0L, 1.0L, 1.0L, 1.0L, 1.0L,
                                              1.0L, 1.0L, 1.0L, 1.0L, 1.0L, 1.0L, 1.0L, 1.0L};
  const auto op = static_cast<X87Op>(state.range(0));
  // One squares, divides by itself and roots to one: no overflow, no
  // special operands on any path.
  long double x = 1.0L;
  for (auto _ : state) {
    for (int k = 0; k < Ops / 4; ++k) {
      switch (op) {
        case OpMulChain:
          asm volatile("fmul %%st(0), %%st\n\tfmul %%st(0), %%st\n\tfmul %%st(0), %%st\n\tfmul %%st(0), %%st"
                       : "+t"(x));
          break;
        case OpDivChain:
          asm volatile(
              "fdivr %%st(0), %%st\n\tfdivr %%st(0), %%st\n\tfdivr %%st(0), %%st\n\tfdivr %%st(0), %%st"
              : "+t"(x));
          break;
        case OpSqrtChain:
          asm volatile("fsqrt\n\tfsqrt\n\tfsqrt\n\tfsqrt" : "+t"(x));
          break;
        case OpLoad80:
          asm volatile(
              "fldt (%0)\n\tfldt 16(%0)\n\tfldt 32(%0)\n\tfldt 48(%0)\n\t"
              "fstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)" ::"r"(cells)
              : "memory");
          break;
        case OpStore80:
          asm volatile(
              "fld1\n\tfstpt 64(%0)\n\tfld1\n\tfstpt 80(%0)\n\tfld1\n\tfstpt 96(%0)\n\t"
              "fld1\n\tfstpt 112(%0)" ::"r"(cells)
              : "memory");
          break;
        case OpStoreThenLoad80:
          asm volatile(
              "fldt (%0)\n\tfstpt (%0)\n\tfldt (%0)\n\tfstpt (%0)\n\t"
              "fldt (%0)\n\tfstpt (%0)\n\tfldt (%0)\n\tfstpt (%0)" ::"r"(cells + 8)
              : "memory");
          break;
      }
    }
    benchmark::DoNotOptimize(x);
  }
  state.counters["per_op"] =
      benchmark::Counter(Ops, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_X87)
    ->Arg(OpMulChain)
    ->Arg(OpDivChain)
    ->Arg(OpSqrtChain)
    ->Arg(OpLoad80)
    ->Arg(OpStore80)
    ->Arg(OpStoreThenLoad80)
    ->ArgName("mul_div_sqrt_latency_load_store_forward");
#endif

// The memory a Univariants report takes in the window: gathered for the
// TextPad, and streamed into a file. The wizard runs on twenty phases of nine
// components (184,756 selections); the resident size is sampled whenever the
// run lets events through, and its peak above the start is reported.
class QuietPrompter final : public Prompter {
 public:
  Button Message(BoxKind, const QString&, Buttons) override { return Button::Ok; }
  std::optional<QString> OpenFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QString> SaveFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QFont> ChooseFont(const QFont&) override { return std::nullopt; }
  std::optional<PrintRange> PrintDialog(QPrinter&, bool) override { return std::nullopt; }
  bool PrinterSetup(QPrinter&) override { return false; }
};

std::int64_t ResidentBytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

void BM_UnivariantsMemory(benchmark::State& state) {
  const bool toFile = state.range(0) != 0;
  QuietPrompter prompter;
  Sheet sheet(prompter);
  TwentyPhases p;
  sheet.SetSize(10, 21);
  for (int i = 1; i <= 9; ++i) sheet.SetCell(i, 0, std::string(1, 'C').append(std::to_string(i)));
  for (int j = 1; j <= 20; ++j)
    for (int i = 1; i <= 9; ++i) sheet.SetCell(i, j, GeneralNumberFormat(p.set(i, j), 18, 20, '.'));
  sheet.SetAllInclusion(true);
  LinesReport report;
  std::int64_t peak = 0;
  WizardContext c;
  c.SheetData = &sheet;
  c.Prompt = &prompter;
  c.Report = &report;
  c.ProcessEvents = [&peak] { peak = std::max(peak, ResidentBytes()); };
  MatrixWizard w(c);
  w.Reset();
  w.AddCases(1, 20);
  for (int k = 0; k < 3; ++k) w.Next();
  w.SetDesiredRank(9);
  w.Next();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("relations.txt"));
  std::int64_t extra = 0;
  for (auto _ : state) {
    report.lines.clear();
    report.lines.squeeze();
    malloc_trim(0);
    const std::int64_t start = ResidentBytes();
    peak = start;
    if (toFile)
      w.UnivariantsToFile(path);
    else
      w.Univariants();
    peak = std::max(peak, ResidentBytes());
    extra = std::max(extra, peak - start);
  }
  state.counters["selections"] = static_cast<double>(SelectionCount(w.MakeUnivariantJob(false)));
  state.counters["peak_extra_MB"] = static_cast<double>(extra) / (1 << 20);
  state.counters["file_MB"] = static_cast<double>(QFile(path).size()) / (1 << 20);
}
BENCHMARK(BM_UnivariantsMemory)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("to_file")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Writes the benchmark's enumeration (keys first when filtered), so that a
// faster enumeration can be compared byte for byte with the lines of the
// code before it, and so that a profiler sees one plain run of the first
// `selections` selections.
int WriteLines(const char* path, int threads, bool filter, std::uint64_t selections, int style, bool raw) {
  TwentyPhases p;
  p.job.FilterDuplicates = filter;
  p.job.Format.Style = style;
  p.job.Format.Normalize = !raw;
  std::atomic<bool> cancel{false};
  const std::uint64_t last = std::min(selections, SelectionCount(p.job)) - 1;
  const UnivariantResult r = FindUnivariants(p.job, 0, last, threads, cancel);
  std::FILE* f = std::fopen(path, "wb");
  if (!f) {
    std::perror(path);
    return 1;
  }
  for (std::size_t k = 0; k < r.Lines.size(); ++k) {
    if (filter) std::fprintf(f, "%s\t", r.Keys[k].c_str());
    std::fprintf(f, "%s\n", r.Lines[k].c_str());
  }
  for (const std::uint64_t rank : r.Failures)
    std::fprintf(f, "failed %llu\n", static_cast<unsigned long long>(rank));
  return std::fclose(f) == 0 ? 0 : 1;
}

// Sets Cancel after `ms` milliseconds of the full enumeration and reports how
// long the workers took to stop.
int MeasureCancel(int threads, int ms) {
  TwentyPhases p;
  std::atomic<bool> cancel{false};
  std::chrono::steady_clock::time_point setAt;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    setAt = std::chrono::steady_clock::now();
    cancel.store(true);
  });
  const UnivariantResult r = FindUnivariants(p.job, 0, SelectionCount(p.job) - 1, threads, cancel);
  const auto stoppedAt = std::chrono::steady_clock::now();
  canceller.join();
  std::printf("cancelled=%d, stopped %.3f ms after Cancel\n", r.Cancelled ? 1 : 0,
              std::chrono::duration<double, std::milli>(stoppedAt - setAt).count());
  return r.Cancelled ? 0 : 1;
}

}  // namespace
}  // namespace varnel

// bench_wizard --cancel-after MS [THREADS] measures how fast Cancel stops.
// bench_wizard --write-lines FILE [--threads N] [--filter] [--selections N]
// [--exp] [--raw] writes the lines (--exp in Exp style, --raw not
// normalised: the null vectors to 13 digits); without --write-lines the
// benchmarks run.
int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--cancel-after") == 0)
    return varnel::MeasureCancel(argc >= 4 ? std::atoi(argv[3]) : 2, std::atoi(argv[2]));
  if (argc >= 3 && std::strcmp(argv[1], "--write-lines") == 0) {
    int threads = 1;
    bool filter = false;
    bool raw = false;
    int style = varnel::StyleShort;
    std::uint64_t selections = UINT64_MAX;
    for (int k = 3; k < argc; ++k) {
      if (std::strcmp(argv[k], "--filter") == 0)
        filter = true;
      else if (std::strcmp(argv[k], "--exp") == 0)
        style = varnel::StyleExp;
      else if (std::strcmp(argv[k], "--raw") == 0)
        raw = true;
      else if (std::strcmp(argv[k], "--threads") == 0 && k + 1 < argc)
        threads = std::atoi(argv[++k]);
      else if (std::strcmp(argv[k], "--selections") == 0 && k + 1 < argc)
        selections = std::strtoull(argv[++k], nullptr, 10);
      else {
        std::fprintf(stderr, "unknown argument %s\n", argv[k]);
        return 2;
      }
    }
    return varnel::WriteLines(argv[2], threads, filter, selections, style, raw);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
