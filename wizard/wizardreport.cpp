// The Analysis Wizard's report: the header of a new TextPad document, the
// blocks of matrices, the opening every Reactions block shares, and the
// writing of long relation lists that Cancel can stop.
#include <QFileInfo>

#include "sheet/sheet.h"
#include "wizard/matrixwizard.h"
#include "wizard/wizardlines.h"

namespace varnel {

using namespace wizardlines;

int MatrixWizard::TabWidth() const {
  return ReportTabWidth(ctx_.FontSize ? ctx_.FontSize() : 8, Options.Style);
}

void MatrixWizard::WriteReportHeader() {
  ReportTarget& t = *ctx_.Report;
  t.StartReport();
  const ReportEnvironment env = ctx_.Environment ? ctx_.Environment() : ReportEnvironment{};
  QStringList lines;
  lines << QStringLiteral("Matrix analysis results. (Varnel ") + env.Version + QLatin1Char(')');
  lines << QStringLiteral("File: ") + QFileInfo(env.FileName).fileName() + QStringLiteral(" - Computed on ") +
               DateTimeText(env.Now);
  lines << Rule75;
  QStringList numbers, comments;
  for (int j = 1; j <= n; ++j)
    numbers << QLatin1Char(' ') + QString::number(CaseRows[static_cast<std::size_t>(j)]);
  lines << numbers.join(QLatin1Char('\t')) + QStringLiteral("\t (Case numbers)") << Rule75;
  if (LabelColumn > 0) lines << ColumnHeaderLine << Rule75;
  if (CommentColumn > 0) {
    for (int j = 1; j <= n; ++j)
      comments << QLatin1Char(' ') + CellText(CommentColumn, CaseRows[static_cast<std::size_t>(j)]);
    lines << comments.join(QLatin1Char('\t')) + QStringLiteral("\t ") + Name(CommentColumn) << Rule75;
  }
  t.AppendLines(lines);
  t.SetTabStops(n + 2, TabWidth());
  t.CaretToEnd();
  t.ShowReport();
  ReportBuffer.clear();
}

void MatrixWizard::WriteMatrix(const FMatrix& mat, int rows, const QString& title, bool withLabels,
                               int cols) {
  ReportBuffer << QString() << title;
  const char sep = Sep();
  for (int i = 1; i <= rows; ++i) {
    QString line = Q(FormatFMatrixRow(mat, i, cols, Options.Style, sep));
    if (withLabels) line += QStringLiteral("\t ") + Name(VariableColumns[static_cast<std::size_t>(i)]);
    ReportBuffer << line;
  }
}

void MatrixWizard::AppendPlain() {
  ctx_.Report->AppendLines(ReportBuffer);
  ctx_.Report->CaretToEnd();
  ReportBuffer.clear();
}

void MatrixWizard::AppendReport(int columns) {
  ReportTarget& t = *ctx_.Report;
  const int p = t.BlockStart();
  t.AppendLines(ReportBuffer);
  t.SetBlockTabStops(p, columns + 2, TabWidth());
  t.CaretToEnd();
  ReportBuffer.clear();
}

void MatrixWizard::OpenReactionReport(const QString& title, const QStringList& aboutTheSet,
                                      const QStringList& beforeTheSet) {
  ReportBuffer.clear();
  ReportBuffer << QString() << Stars75 << QString() << title << Macrons(title)
               << QStringLiteral(
                      " Matrix is a working set of %1 columns out of %2 in the current input model.")
                      .arg(SetCount)
                      .arg(n)
               << aboutTheSet << QStringLiteral(" Working Set:");
  if (WeightOn) ReportBuffer << QStringLiteral(" (Working set is derived from weighted input)");
  ReportBuffer << beforeTheSet;
  WriteMatrix(*WorkingSetMatrix, m, SetHeaderLine, true, SetCount);
}

bool MatrixWizard::WriteLinesCancellable(const QStringList& head, const std::vector<std::string>& tail,
                                         int tabColumns) {
  ReportTarget& t = *ctx_.Report;
  const auto total = static_cast<std::int64_t>(head.size() + static_cast<qsizetype>(tail.size()));
  ProgressTo(total + 1, 0, QStringLiteral("Writing to TextPad ..."));
  Events();
  t.SuspendRepaint(true);
  const int p = t.BlockStart();
  QStringList block;
  std::int64_t written = 0;
  auto flush = [&] {
    t.AppendLines(block);
    written += block.size();
    block.clear();
  };
  auto cancelled = [&](std::int64_t index) {
    // Events run every few lines; the flag is read before every line.
    if (index % 64 == 0) {
      Events();
      ProgressTo(total + 1, written + block.size(), QStringLiteral("Writing to TextPad ..."));
    }
    if (!cancel_.load()) return false;
    cancel_.store(false);
    flush();
    t.AppendLines({QStringLiteral(" ***OUTPUT ABORTED BY USER: LIST MAY BE INCOMPLETE***")});
    t.SuspendRepaint(false);
    return true;
  };
  std::int64_t index = 0;
  for (const QString& line : head) {
    if (cancelled(index++)) return false;
    block << line;
  }
  for (const std::string& line : tail) {
    if (cancelled(index++)) return false;
    block << QString::fromStdString(line);
    if (block.size() >= 4096) flush();
  }
  flush();
  t.SetBlockTabStops(p, tabColumns + 2, TabWidth());
  t.CaretToEnd();
  t.SuspendRepaint(false);
  return true;
}

}  // namespace varnel
