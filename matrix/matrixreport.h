// The SVD and matrix-inverse reports and the commands that write them.
#pragma once

#include <QDateTime>
#include <QStringList>
#include <functional>

#include "app/reportparts.h"
#include "core/fmatrix.h"
#include "core/numbertext.h"
#include "sheet/sheet.h"

namespace varnel {

class ReportTarget;

// What the SVD and inverse dialogs decide.
struct MatrixReportOptions {
  int CaseNameColumn = 0;  // grid column holding case names; 0 for "(None)"
  bool CaseNumbers = true;
  bool CaseNames = true;
  bool VarNames = true;
  bool Transpose = true;
  bool VectorizeW = true;
  int Style = StyleShort;
  Real Threshold = 0.009L;
  QString ThresholdText = QStringLiteral("0.0090000000000000");
};

// The report lines of the singular value decomposition of the selected cases
// x untagged variables. Returns 0 or a computation error code; the lines
// written before a failure stay in out.
int SVDReport(const Sheet& sheet, const MatrixReportOptions& options, int variables, int cases,
              const IVector& list, const Selection& selection, const ReportEnvironment& env,
              QStringList& out);

// The report lines of the inverse of the square selection.
int InverseReport(const Sheet& sheet, const MatrixReportOptions& options, int variables, int cases,
                  const IVector& list, const Selection& selection, const ReportEnvironment& env,
                  QStringList& out);

// Everything a matrix command needs besides the sheet.
struct MatrixCommandContext {
  // Shows the command's dialog, which fills the options; false when cancelled.
  std::function<bool(MatrixReportOptions&)> ShowDialog;
  ReportTarget* Report = nullptr;
  int FontSize = 8;  // the TextPad's, for the tab stops
  std::function<ReportEnvironment()> Environment;
};

// The SVD command: size checks, dialog, report, tab stops, TextPad.
CommandOutcome RunSvdCommand(Sheet& sheet, const MatrixCommandContext& context);
// The matrix-inverse command.
CommandOutcome RunInverseCommand(Sheet& sheet, const MatrixCommandContext& context);

}  // namespace varnel
