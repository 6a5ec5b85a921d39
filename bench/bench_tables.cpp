// Reading tables of other programs: a CSV of 100,000 analyses x 30 columns
// (about 25 MB; three text columns, 5% empty cells) and an XLSX workbook of
// 20,000 x 30, each through the program's import entry. The same files are
// read by pandas (read_csv with its C engine; read_excel) in the same run
// when pandas and openpyxl are installed, and the peak memory of a CSV
// import is measured in a process of its own.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "sheet/tableimport.h"

namespace varnel {
namespace {

constexpr int CsvRows = 100000;
constexpr int XlsxRows = 20000;
constexpr int Columns = 30;

// One row of an analysis table: sample, mineral and reference as text, 27
// oxides and cations with two to four decimals, 5% of all cells empty.
template <typename Cell>
void MakeRows(int rows, const Cell& cell) {
  std::mt19937 random(2026);
  std::uniform_real_distribution<double> value(0.0, 60.0);
  std::uniform_int_distribution<int> decimals(2, 4);
  std::bernoulli_distribution empty(0.05);
  const char* minerals[] = {"chromite", "Al-spinel", "magnetite", "hercynite", "picotite"};
  const char* references[] = {"Barnes and Kunilov, 2000", "Roeder and Reynolds, 1991",
                              "Kamenetsky et al., 2001", "Arai, 1992"};
  char number[32];
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < Columns; ++c) {
      if (empty(random)) {
        cell(r, c, std::string(), false);
        continue;
      }
      if (c == 0) {
        cell(r, c, "BK-" + std::to_string(r + 1), false);
      } else if (c == 1) {
        cell(r, c, minerals[r % 5], false);
      } else if (c == Columns - 1) {
        cell(r, c, references[r % 4], false);
      } else {
        std::snprintf(number, sizeof number, "%.*f", decimals(random), value(random));
        cell(r, c, number, true);
      }
    }
}

std::string Name(int c) {
  return c == 0 ? "Sample" : c == 1 ? "Mineral" : c == Columns - 1 ? "Reference" : "Ox" + std::to_string(c);
}

QString MakeCsv(const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("analyses.csv"));
  std::ofstream out(path.toStdString(), std::ios::binary);
  for (int c = 0; c < Columns; ++c) out << (c ? "," : "") << Name(c);
  out << "\r\n";
  std::string line;
  MakeRows(CsvRows, [&](int, int c, const std::string& text, bool) {
    if (c > 0) line += ',';
    if (text.find(',') != std::string::npos)
      line += '"' + text + '"';
    else
      line += text;
    if (c == Columns - 1) {
      out << line << "\r\n";
      line.clear();
    }
  });
  return path;
}

QString MakeXlsx(const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("analyses.xlsx"));
  lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  for (int c = 0; c < Columns; ++c)
    worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), Name(c).c_str(), nullptr);
  MakeRows(XlsxRows, [&](int r, int c, const std::string& text, bool number) {
    if (text.empty()) return;
    const auto row = static_cast<lxw_row_t>(r + 1);
    const auto col = static_cast<lxw_col_t>(c);
    if (number)
      worksheet_write_number(sheet, row, col, std::stod(text), nullptr);
    else
      worksheet_write_string(sheet, row, col, text.c_str(), nullptr);
  });
  workbook_close(book);
  return path;
}

struct Files {
  QTemporaryDir dir;
  QString csv = MakeCsv(dir);
  QString xlsx = MakeXlsx(dir);
};

Files& TheFiles() {
  static Files files;
  return files;
}

void Import(benchmark::State& state, const QString& path, int rows) {
  for (auto _ : state) {
    ImportedTable table;
    const ImportResult r = ImportTable(path, {}, table);
    if (!r.Ok || table.RowCount != rows + 1) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(table.Columns.data());
  }
  state.counters["MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
}

void BM_ImportCsv100kx30(benchmark::State& state) { Import(state, TheFiles().csv, CsvRows); }
void BM_ImportXlsx20kx30(benchmark::State& state) { Import(state, TheFiles().xlsx, XlsxRows); }
BENCHMARK(BM_ImportCsv100kx30)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImportXlsx20kx30)->Unit(benchmark::kMillisecond)->MinTime(2.0);

long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  return -1;
}

// In a fresh process: the resident memory one import adds at its peak.
int PeakMemory(const char* path) {
  const long before = StatusKb("VmRSS:");
  ImportedTable table;
  if (!ImportTable(QString::fromLocal8Bit(path), {}, table).Ok) return 1;
  const long peak = StatusKb("VmHWM:");
  std::printf("%ld\n", peak - before);
  return 0;
}

// The best of five runs of a Python reference, in milliseconds of wall
// time and of CPU time (the CPU time of the same best run), or negative
// numbers when it could not run.
struct Reference {
  double wall = -1, cpu = -1;
};
Reference PythonReference(const char* what, const QString& path) {
  const std::string script = std::string(
                                 "import sys, time\n"
                                 "import pandas as pd\n") +
                             (std::string(what) == "read_excel" ? "import openpyxl\n" : "") +
                             "best = (1e9, 1e9)\n"
                             "for _ in range(5 if sys.argv[1] == 'read_csv' else 2):\n"
                             "    t = time.perf_counter(); c = time.process_time()\n"
                             "    df = pd.read_csv(sys.argv[2], engine='c') if sys.argv[1] == 'read_csv' "
                             "else pd.read_excel(sys.argv[2])\n"
                             "    best = min(best, (time.perf_counter() - t, time.process_time() - c))\n"
                             "print(best[0] * 1000, best[1] * 1000)\n";
  const std::string command =
      "/usr/bin/python3 -c \"" + script + "\" " + what + " '" + path.toStdString() + "' 2>/dev/null";
  std::FILE* p = ::popen(command.c_str(), "r");
  Reference r;
  if (!p) return r;
  if (std::fscanf(p, "%lf %lf", &r.wall, &r.cpu) != 2) r = Reference{};
  if (::pclose(p) != 0) r = Reference{};
  return r;
}

}  // namespace
}  // namespace varnel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc == 3 && std::string(argv[1]) == "--peak-memory") return varnel::PeakMemory(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  using varnel::TheFiles;
  const QString csv = TheFiles().csv;
  const double csvMb = static_cast<double>(QFileInfo(csv).size()) / (1 << 20);
  // Peak memory in a process of its own, so that nothing read before counts.
  const std::string self = QCoreApplication::applicationFilePath().toStdString();
  std::FILE* p = ::popen(("'" + self + "' --peak-memory '" + csv.toStdString() + "'").c_str(), "r");
  long kb = -1;
  if (p && std::fscanf(p, "%ld", &kb) != 1) kb = -1;
  if (p) ::pclose(p);
  std::printf("CSV import peak memory: %.1f MB above start for a %.1f MB file (%.2f x the file; at most 3)\n",
              static_cast<double>(kb) / 1024, csvMb, static_cast<double>(kb) / 1024 / csvMb);

  // The yardsticks, measured now on the same files.
  auto best = [](const QString& path) {
    double ms = 1e300;
    for (int k = 0; k < 5; ++k) {
      const auto t0 = std::chrono::steady_clock::now();
      varnel::ImportedTable table;
      varnel::ImportTable(path, {}, table);
      ms = std::min(ms,
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return ms;
  };
  const double ours = best(csv);
  const double pandasCsv = varnel::PythonReference("read_csv", csv).wall;
  if (pandasCsv < 0)
    std::printf("pandas is not installed: the read_csv reference is skipped\n");
  else
    std::printf(
        "CSV 100,000 x 30: Varnel %.0f ms, pandas read_csv (C engine) %.0f ms: %.2f of pandas' time "
        "(at most 1, aim 0.5)\n",
        ours, pandasCsv, ours / pandasCsv);
  const double oursXlsx = best(TheFiles().xlsx);
  // A workbook is read in a child process: its CPU time counts too.
  const auto cpuMs = [] {
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
      rusage u{};
      ::getrusage(who, &u);
      ms += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
            static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    }
    return ms;
  };
  const double cpu0 = cpuMs();
  for (int k = 0; k < 5; ++k) {
    varnel::ImportedTable table;
    varnel::ImportTable(TheFiles().xlsx, {}, table);
  }
  const double oursCpu = (cpuMs() - cpu0) / 5;
  std::printf("XLSX 20,000 x 30: Varnel %.0f ms wall at best, %.0f ms CPU per import (this process and the "
              "reading child)\n",
              oursXlsx, oursCpu);
  const varnel::Reference pandasXlsx = varnel::PythonReference("read_excel", TheFiles().xlsx);
  if (pandasXlsx.wall < 0)
    std::printf("pandas or openpyxl is not installed: the read_excel reference is skipped\n");
  else
    std::printf(
        "XLSX 20,000 x 30: Varnel %.0f ms, pandas read_excel %.0f ms: %.1f times faster (at least 10); "
        "in CPU time %.0f ms against %.0f ms: %.1f times less\n",
        oursXlsx, pandasXlsx.wall, pandasXlsx.wall / oursXlsx, oursCpu, pandasXlsx.cpu, pandasXlsx.cpu / oursCpu);
  return 0;
}
