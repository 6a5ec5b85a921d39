// Entry point of the benchmarks that need windows: an offscreen QApplication.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

namespace varnel::bench {

// Resident memory of this process in bytes.
inline long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Fills variables 1..cols of cases 1..rows (names "Ox1".. in row 0, every
// case included) with short numbers of 1 to 3 decimals such as an oxide
// analysis holds; returns the bytes those cells take in a data file.
template <typename SheetT>
std::size_t FillShortNumbers(SheetT& sheet, int cols, int rows) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> d(0.0, 100.0);
  std::size_t text = 0;
  char buf[32];
  for (int c = 1; c <= cols; ++c) sheet.SetCell(c, 0, "Ox" + std::to_string(c));
  for (int r = 1; r <= rows; ++r) {
    sheet.SetCell(0, r, "Y");
    for (int c = 1; c <= cols; ++c) {
      const int n = std::snprintf(buf, sizeof buf, "%.*f", 1 + (r + c) % 3, d(gen));
      sheet.SetCell(c, r, std::string_view(buf, static_cast<size_t>(n)));
      text += static_cast<size_t>(n) + 1;  // the cell and its tab (or line break)
    }
    text += 1;
  }
  return text;
}

}  // namespace varnel::bench

#define VARNEL_GUI_BENCHMARK_MAIN()                                                              \
  int main(int argc, char** argv) {                                                              \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
    QApplication app(argc, argv);                                                                \
    benchmark::Initialize(&argc, argv);                                                          \
    benchmark::RunSpecifiedBenchmarks();                                                         \
    benchmark::Shutdown();                                                                       \
    return 0;                                                                                    \
  }
