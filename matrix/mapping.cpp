#include "matrix/mapping.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <new>

#include "core/computationerror.h"
#include "core/numberread.h"
#include "core/numbertext.h"
#include "core/svd.h"
#include "matrix/selectionmatrix.h"

namespace varnel {
std::string GeneralNumberText(Real value, char sep) { return GeneralNumberFormat(value, 8, 8, sep); }

Real DefaultWeight(std::string_view name) { return name.find('+') != std::string_view::npos ? 100 : 1; }

int LinearMapCompute(Sheet& sheet, int top, int bottom, int nOld, int nNew, bool weighted,
                     const IVector& list, const MappingOptions& options, char sep,
                     const std::function<void()>& processEvents) {
  SheetView& view = sheet.View();
  view.SetBusy(true);
  auto t = std::make_unique<FMatrix>();
  auto v = std::make_unique<FMatrix>();
  FVector w, weights;
  for (int k = 1; k <= nOld; ++k)
    weights[k] =
        weighted && static_cast<std::size_t>(k) <= options.Weights.size() ? options.Weights[k - 1] : 1;
  int code = SelectionToFMatrix(sheet, *t, top, bottom, true, list, nOld, sep);
  if (code != 0) {
    view.SetBusy(false);
    return code;
  }
  if (weighted) ScaleFMatrixRows(*t, weights, nOld, nNew, false);
  PrompterSink sink(sheet.Prompt());
  int m = 0;
  Real t0 = 0;
  const int r = Rank(*t, *v, w, nOld, nNew, m, t0, sink);
  if (r == -1) {
    view.SetBusy(false);
    return -1;
  }
  if (r < std::min(nOld, nNew)) {
    view.SetBusy(false);
    if (sheet.Prompt().Message(
            BoxKind::Warning,
            QStringLiteral(
                "Warning: Input transformation matrix contains intrinsic degeneracies.\n\rContinue?"),
            Button::Yes | Button::No) != Button::Yes)
      return 0;
    view.SetBusy(true);
  }
  const Real threshold = options.Computational ? t0 : options.Threshold;
  for (int j = 1; j <= nNew; ++j)
    if (w[j] <= threshold) w[j] = 0;

  // Every result is made before the sheet changes: a value that overflows
  // or is undefined fails the whole mapping, and nothing is written.
  const int rows = sheet.RowCount();
  std::vector<CellText> results;
  FVector x, y;
  try {
    results.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(nNew));
    for (int q = 1; q < rows; ++q) {
      if (!options.MapAll && !sheet.Included(q)) continue;
      if (processEvents) processEvents();
      x = FVector();
      bool bad = false;
      for (int k = 1; k <= nOld; ++k) {
        Real value;
        if (!ReadNumber(sheet.Cell(list[k], q), sep, value)) {
          bad = true;
          continue;
        }
        x[k] = value;
      }
      if (bad) continue;
      if (weighted)
        for (int k = 1; k <= nOld; ++k) x[k] *= weights[k];
      SV_Bksolv(*t, *v, w, nNew, m, y, x);
      for (int j = 1; j <= nNew; ++j) {
        if (!IsFinite(y[j])) {
          view.SetBusy(false);
          return NonFiniteCode;
        }
        const Real value = std::fabs(y[j]) <= threshold ? 0 : y[j];
        results[static_cast<std::size_t>(q) * static_cast<std::size_t>(nNew) +
                static_cast<std::size_t>(j - 1)]
            .Assign(GeneralNumberText(value, sep));
      }
    }
  } catch (const std::bad_alloc&) {
    view.SetBusy(false);
    return CodeNoMemory;
  }

  const int c0 = sheet.ColCount();
  sheet.InsertColumns(c0, nNew);
  sheet.Saved = false;
  for (int q = 1; q < rows; ++q)
    for (int j = 1; j <= nNew; ++j) {
      const CellText& cell = results[static_cast<std::size_t>(q) * static_cast<std::size_t>(nNew) +
                                     static_cast<std::size_t>(j - 1)];
      if (!cell.Empty()) sheet.SetCell(c0 + j - 1, q, cell.View());
    }
  for (int j = 1; j <= nNew; ++j) {
    std::string name;
    if (options.NamesColumn > 0 && options.NamesColumn < c0)
      name = std::string(sheet.Cell(options.NamesColumn, top + j - 1)) + "#";
    else
      name = "New " + std::to_string(j) + "#";
    sheet.SetCell(c0 + j - 1, 0, name);
  }
  view.CellsChanged(c0, 0, sheet.ColCount() - 1, sheet.RowCount() - 1);
  sheet.Sel = Selection{c0, 1, sheet.ColCount() - 1, sheet.RowCount() - 1};
  sheet.RowsMode = false;
  sheet.ColumnsMode = true;
  view.SelectionChanged();
  view.WidenColumns(c0, sheet.ColCount() - 1);
  view.ShowColumns(c0, sheet.ColCount() - 1);
  view.UpdateCommands();
  if (sheet.Connected)
    for (int c = c0; c < sheet.ColCount(); ++c) sheet.Graph().AppendSelectorItem(std::string(sheet.Name(c)));
  view.SetBusy(false);
  return 0;
}

MappingOutcome RunMappingCommand(
    Sheet& sheet, char sep,
    const std::function<bool(MappingOptions&, int, int, bool, const IVector&)>& showDialog,
    const std::function<void()>& processEvents) {
  if (!sheet.RowsMode) {
    sheet.Prompt().Message(
        BoxKind::Information,
        QStringLiteral(
            "Variable Mapping: This command requires that a contiguous range of rows has been previously "
            "selected. The cases comprised in this range should specify the composition of the new "
            "variables in terms of the current set. See help for the Mapping command for more information."),
        Only(Button::Ok));
    return MappingOutcome::Refused;
  }
  PrompterSink sink(sheet.Prompt());
  Selection s = sheet.Sel;
  s.Top = std::max(s.Top, 1);
  int nNew = 0, nOld = 0;
  IVector list;
  const int size = CheckMatrixSize(sheet, s, nNew, nOld, list);
  if (size != 0) {
    ComputationError(size, "Linear Mapping: ", sink);
    return MappingOutcome::Refused;
  }
  const bool weighted = nOld > nNew;
  MappingOptions options;
  if (weighted)
    for (int k = 1; k <= nOld; ++k) options.Weights.push_back(DefaultWeight(sheet.Name(list[k])));
  if (!showDialog(options, nOld, nNew, weighted, list)) return MappingOutcome::Cancelled;
  const int code =
      LinearMapCompute(sheet, s.Top, s.Bottom, nOld, nNew, weighted, list, options, sep, processEvents);
  if (code == -1) return MappingOutcome::Failed;
  if (code != 0) {
    ComputationError(code, "Linear Mapping: ", sink);
    return MappingOutcome::Failed;
  }
  return MappingOutcome::Done;
}

}  // namespace varnel
