#include "matrix/matrixreport.h"

#include <QFileInfo>
#include <memory>

#include "app/filename.h"
#include "app/reporttarget.h"
#include "core/computationerror.h"
#include "core/lu.h"
#include "core/svd.h"
#include "matrix/selectionmatrix.h"
#include "sheet/datafile.h"

namespace varnel {
namespace {

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
QString Text(const std::string& s) { return QString::fromStdString(s); }

// The label lines and the input matrix, the same in both reports.
void InputMatrix(const Sheet& sheet, const MatrixReportOptions& o, const FMatrix& m, int variables, int cases,
                 const IVector& list, int top, int bottom, int dashes, char sep, QStringList& out) {
  const QString rule = DashedLine(dashes);
  const bool names = o.CaseNameColumn > 0 && o.CaseNameColumn < sheet.ColCount() && o.CaseNames;
  if (o.Transpose) {
    if (o.CaseNumbers) {
      QStringList parts;
      for (int r = top; r <= bottom; ++r) parts << QLatin1Char(' ') + QString::number(r);
      out << parts.join(QLatin1Char('\t')) + QStringLiteral("\t Cases");
      out << rule;
    }
    if (names) {
      QStringList parts;
      for (int r = top; r <= bottom; ++r) parts << QLatin1Char(' ') + Text(sheet.Cell(o.CaseNameColumn, r));
      out << parts.join(QLatin1Char('\t')) + QStringLiteral("\t ") + Text(sheet.Name(o.CaseNameColumn));
      out << rule;
    }
    out << QString() << QStringLiteral(" INPUT MATRIX:") << QStringLiteral("--------------");
    for (int k = 1; k <= variables; ++k) {
      QString line = Text(FormatFMatrixRow(m, k, cases, o.Style, sep));
      if (o.VarNames) line += QStringLiteral("\t ") + Text(sheet.Name(list[k]));
      out << line;
    }
    return;
  }
  if (o.VarNames) {
    QStringList parts;
    for (int k = 1; k <= variables; ++k) parts << Text(sheet.Name(list[k]));
    out << parts.join(QLatin1Char('\t'));
    out << rule;
  }
  out << QString() << QStringLiteral(" INPUT MATRIX:") << QStringLiteral("--------------");
  for (int q = 1; q <= cases; ++q) {
    const int r = top + q - 1;
    QString line = Text(FormatFMatrixRow(m, q, variables, o.Style, sep));
    if (names) line += QStringLiteral("\t ") + Text(sheet.Cell(o.CaseNameColumn, r));
    if (o.CaseNumbers) line += QStringLiteral("\t ") + QString::number(r);
    out << line;
  }
}

}  // namespace

int SVDReport(const Sheet& sheet, const MatrixReportOptions& o, int variables, int cases, const IVector& list,
              const Selection& selection, const ReportEnvironment& env, QStringList& out) {
  sheet.View().SetBusy(true);
  const int top = std::max(selection.Top, 1);
  const int bottom = selection.Bottom;
  const int rows = o.Transpose ? variables : cases;
  const int cols = o.Transpose ? cases : variables;
  auto m = std::make_unique<FMatrix>();
  auto v = std::make_unique<FMatrix>();
  FVector w;
  const char sep = env.DecimalSeparator;
  int code = SelectionToFMatrix(sheet, *m, top, bottom, o.Transpose, list, variables, sep);
  if (code != 0) {
    sheet.View().SetBusy(false);
    return code;
  }
  const int dashes =
      AppendReportHeader(QStringLiteral("Singular Value Decomposition (SVD) results."), env, out);
  InputMatrix(sheet, o, *m, variables, cases, list, top, bottom, dashes, sep, out);

  if (env.ProcessEvents) env.ProcessEvents();
  const int dimension = std::max(rows, cols);
  code = SV_Decomp(*m, *v, dimension, cols, w);
  if (code != 0) {
    sheet.View().SetBusy(false);
    return code;
  }
  out << QString() << QStringLiteral(" MATRIX U:") << QStringLiteral("----------");
  for (int i = 1; i <= dimension; ++i) out << Text(FormatFMatrixRow(*m, i, cols, o.Style, sep));
  out << QString();
  if (o.VectorizeW) {
    out << QStringLiteral(" SINGULAR VALUES W: ") << DashedLine(29);
    FMatrix row;
    for (int k = 1; k <= cols; ++k) row(1, k) = w[k];
    out << Text(FormatFMatrixRow(row, 1, cols, o.Style, sep));
  } else {
    out << QStringLiteral(" MATRIX W: ") << QStringLiteral("----------");
    for (int i = 1; i <= cols; ++i) out << Text(FormatFDiagonalRow(i, cols, o.Style, w[i], sep));
  }
  out << QString() << QStringLiteral(" MATRIX V:") << QStringLiteral("----------");
  for (int i = 1; i <= cols; ++i) out << Text(FormatFMatrixRow(*v, i, cols, o.Style, sep));

  const Real t = SV_ZeroThreshold(w, cols);
  int z1 = 0, z2 = 0;
  for (int i = 1; i <= cols; ++i) {
    if (w[i] <= t) ++z1;
    if (w[i] <= o.Threshold) ++z2;
  }
  out << QString() << QStringLiteral(" MATRIX PROPERTIES:") << QStringLiteral("-------------------");
  out << QStringLiteral("Absolute Matrix Rank is ") + QString::number(cols - z1) +
             QStringLiteral(" (up to a computational zero threshold of ") +
             Text(FormatFNumber(StyleExp, t, sep)) + QStringLiteral(").");
  out << QStringLiteral("Matrix Rank is ") + QString::number(cols - z2) +
             QStringLiteral(" (up to the specified zero threshold [") + o.ThresholdText +
             QStringLiteral("]).");
  sheet.View().SetBusy(false);
  return 0;
}

int InverseReport(const Sheet& sheet, const MatrixReportOptions& o, int variables, int cases,
                  const IVector& list, const Selection& selection, const ReportEnvironment& env,
                  QStringList& out) {
  sheet.View().SetBusy(true);
  const int top = std::max(selection.Top, 1);
  const int bottom = selection.Bottom;
  const int n = variables;
  auto m = std::make_unique<FMatrix>();
  auto y = std::make_unique<FMatrix>();
  const char sep = env.DecimalSeparator;
  int code = SelectionToFMatrix(sheet, *m, top, bottom, o.Transpose, list, variables, sep);
  if (code != 0) {
    sheet.View().SetBusy(false);
    return code;
  }
  const int dashes = AppendReportHeader(QStringLiteral("Matrix Inverse computation results."), env, out);
  InputMatrix(sheet, o, *m, variables, cases, list, top, bottom, dashes, sep, out);
  if (env.ProcessEvents) env.ProcessEvents();
  PrompterSink sink(sheet.Prompt());
  code = InvertFMatrix(*m, *y, n, sink);
  if (code != 0) {
    sheet.View().SetBusy(false);
    return code;
  }
  out << QString() << QStringLiteral(" INVERSE OF INPUT MATRIX:") << DashedLine(25);
  for (int i = 1; i <= n; ++i) out << Text(FormatFMatrixRow(*y, i, n, o.Style, sep));
  sheet.View().SetBusy(false);
  return 0;
}

namespace {

using ReportFunction = int (*)(const Sheet&, const MatrixReportOptions&, int, int, const IVector&,
                               const Selection&, const ReportEnvironment&, QStringList&);

CommandOutcome RunMatrixCommand(Sheet& sheet, const MatrixCommandContext& context, const QString& prefix,
                                bool square, ReportFunction report, const QString& errorLine) {
  PrompterSink sink(sheet.Prompt());
  int cases = 0, variables = 0;
  IVector list;
  const int size = CheckMatrixSize(sheet, sheet.Sel, cases, variables, list);
  if (size != 0) {
    ComputationError(size, prefix.toStdString(), sink);
    return CommandOutcome::Refused;
  }
  if (square && variables != cases) {
    sheet.Prompt().Message(
        BoxKind::Error,
        QStringLiteral("Number of untagged variables must be equal to that of selected rows.\n\r"
                       "Currently there are %1 untagged variables and %2 selected rows.")
            .arg(variables)
            .arg(cases),
        Only(Button::Ok));
    return CommandOutcome::Refused;
  }
  MatrixReportOptions options;
  if (!context.ShowDialog || !context.ShowDialog(options)) return CommandOutcome::Cancelled;
  ReportTarget& target = *context.Report;
  target.StartReport();
  Selection selection = sheet.Sel;
  selection.Top = std::max(selection.Top, 1);
  QStringList lines;
  const int code = report(sheet, options, variables, cases, list, selection, context.Environment(), lines);
  if (code != 0) {
    // The lines already made stay; the error line follows them.
    target.AppendLines(lines);
    ComputationError(code, prefix.toStdString(), sink);
    target.AppendLines({QString(), errorLine});
  } else {
    target.AppendLines(lines);
  }
  target.SetTabStops(cases + 2, ReportTabWidth(context.FontSize, options.Style));
  target.CaretToEnd();
  target.ShowReport();
  return code == 0 ? CommandOutcome::Done : CommandOutcome::Failed;
}

}  // namespace

CommandOutcome RunSvdCommand(Sheet& sheet, const MatrixCommandContext& context) {
  return RunMatrixCommand(sheet, context, QStringLiteral("SVD: "), false, &SVDReport,
                          QStringLiteral("***ERROR: SVD COMPUTATION COULD NOT BE COMPLETED***"));
}

CommandOutcome RunInverseCommand(Sheet& sheet, const MatrixCommandContext& context) {
  return RunMatrixCommand(
      sheet, context, QStringLiteral("Matrix Inverse: "), true, &InverseReport,
      QStringLiteral("***ERROR: COMPUTATION OF MATRIX INVERSE COULD NOT BE COMPLETED***"));
}

}  // namespace varnel
