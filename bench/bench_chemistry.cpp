// Speed of formulas and recalculation: a formula over 100,000 cases, and
// cations per 6 oxygens with Fe3+ by charge balance for 100,000 analyses of
// 12 oxides, each on its own and on the DataSheet (reading the cells and
// writing the result texts).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "app/prompter.h"
#include "chemistry/formula.h"
#include "chemistry/oxides.h"
#include "chemistry/recalculation.h"
#include "chemistry/resulttext.h"
#include "chemistry/sheetchemistry.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

constexpr int Cases = 100000;

// Answers every box with its first button and shows nothing.
class QuietPrompter : public Prompter {
 public:
  Button Message(BoxKind, const QString&, Buttons buttons) override {
    return (buttons & static_cast<unsigned>(Button::Yes)) ? Button::Yes : Button::Ok;
  }
  std::optional<QString> OpenFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QString> SaveFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QFont> ChooseFont(const QFont&) override { return std::nullopt; }
  std::optional<QRgb> ChooseColor(QRgb, const QString&) override { return std::nullopt; }
  bool RunDialog(QDialog&) override { return false; }
  std::optional<PrintRange> PrintDialog(QPrinter&, bool) override { return std::nullopt; }
  bool PrinterSetup(QPrinter&) override { return false; }
};

// A clinopyroxene-like analysis of 12 oxides with some scatter.
const char* const Oxides[12] = {"SiO2", "TiO2", "Al2O3", "Cr2O3", "FeO", "MnO",
                                "NiO",  "MgO",  "CaO",   "Na2O",  "K2O", "P2O5"};
const double Means[12] = {52.5, 0.4, 3.5, 0.8, 5.2, 0.15, 0.05, 16.5, 20.5, 0.6, 0.01, 0.02};

std::vector<double> Analyses(unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> scatter(0.9, 1.1);
  std::vector<double> v(static_cast<std::size_t>(Cases) * 12);
  for (std::size_t k = 0; k < v.size(); ++k) v[k] = Means[k % 12] * scatter(gen);
  return v;
}

void FillSheet(Sheet& sheet, const std::vector<double>& values) {
  sheet.SetSize(13, Cases + 1);
  for (int c = 0; c < 12; ++c) sheet.SetCell(c + 1, 0, Oxides[c]);
  for (int r = 1; r <= Cases; ++r) {
    sheet.SetCell(0, r, "Y");
    for (int c = 0; c < 12; ++c)
      sheet.SetCell(
          c + 1, r,
          FixedText(values[static_cast<std::size_t>(r - 1) * 12 + static_cast<std::size_t>(c)], 3, '.'));
  }
  sheet.Blank = false;
}

void BM_FormulaEvaluate(benchmark::State& state) {
  FormulaError e;
  Formula f = Formula::Compile("100 * MgO / (MgO + FeO * 0.8998) + sqrt(Na2O + K2O)",
                               {"MgO", "FeO", "Na2O", "K2O"}, &e);
  const std::vector<double> v = Analyses(1);
  for (auto _ : state) {
    double sum = 0;
    for (int r = 0; r < Cases; ++r) {
      const double* a = v.data() + static_cast<std::size_t>(r) * 12;
      const double in[4] = {a[7], a[4], a[9], a[10]};
      sum += f.Evaluate(in);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * Cases);
}
BENCHMARK(BM_FormulaEvaluate)->Unit(benchmark::kMillisecond);

// The whole command: compile, read two columns of 100,000 cells, evaluate,
// write 100,000 shortest texts into the sheet.
void BM_FormulaOnSheet(benchmark::State& state) {
  QuietPrompter prompter;
  Sheet sheet(prompter);
  FillSheet(sheet, Analyses(2));
  sheet.InsertColumns(sheet.ColCount(), 1);
  sheet.SetCell(13, 0, "Alkalis");
  FormulaRequest request;
  request.Text = "Na2O + K2O";
  request.NewVariable = false;
  request.Column = 13;
  for (auto _ : state) benchmark::DoNotOptimize(RunFormulaCommand(sheet, request));
  state.SetItemsProcessed(state.iterations() * Cases);
}
BENCHMARK(BM_FormulaOnSheet)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

RecalcOptions CpxOptions() {
  RecalcOptions o;
  o.Oxygens = 6;
  o.Cations = 4;
  o.Fe3ChargeBalance = true;
  return o;
}

void BM_RecalcCations(benchmark::State& state) {
  RecalcInput in;
  for (const char* ox : Oxides) in.Components.push_back(ComponentIndex(ox));
  in.Rows = Cases;
  in.Values = Analyses(3);
  const RecalcOptions o = CpxOptions();
  for (auto _ : state) benchmark::DoNotOptimize(Recalculate(in, o));
  state.SetItemsProcessed(state.iterations() * Cases);
}
BENCHMARK(BM_RecalcCations)->Unit(benchmark::kMillisecond);

// The whole command: read 1.2 million cells, recalculate, write 1.5 million
// texts into 15 columns (replaced in place after the first run).
void BM_RecalcOnSheet(benchmark::State& state) {
  QuietPrompter prompter;
  Sheet sheet(prompter);
  FillSheet(sheet, Analyses(4));
  const std::vector<ColumnMapping> mapping = DefaultMapping(sheet);
  const RecalcOptions o = CpxOptions();
  RunRecalcCommand(sheet, mapping, o, ResultStyle{}, nullptr, ReportEnvironment{});
  for (auto _ : state)
    benchmark::DoNotOptimize(
        RunRecalcCommand(sheet, mapping, o, ResultStyle{}, nullptr, ReportEnvironment{}));
  state.SetItemsProcessed(state.iterations() * Cases);
}
BENCHMARK(BM_RecalcOnSheet)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
