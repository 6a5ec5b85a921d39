// Entry point of the benchmarks that need windows: an offscreen QApplication.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <fstream>
#include <string>
#include <unistd.h>

namespace varnel::bench {

// Resident memory of this process in bytes.
inline long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace varnel::bench

#define VARNEL_GUI_BENCHMARK_MAIN()                                                    \
  int main(int argc, char** argv) {                                                    \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
    QApplication app(argc, argv);                                                      \
    benchmark::Initialize(&argc, argv);                                                \
    benchmark::RunSpecifiedBenchmarks();                                               \
    benchmark::Shutdown();                                                             \
    return 0;                                                                          \
  }
