// Printing lists of text lines on the current printer, with the progress
// window and its Cancel button.
#pragma once

#include <QDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace varnel {

// The printing-progress window (TVN_PrintingInProgress).
class TVN_PrintingInProgress : public QDialog {
  Q_OBJECT
 public:
  explicit TVN_PrintingInProgress(QWidget* parent = nullptr);
  QPlainTextEdit* PPMemoInfo;
  QPushButton* PPButtonCancel;
  QPushButton* PPButtonClose;
  bool* AbortFlag = nullptr;

  QStringList Messages() const;
};

enum class PrintOutcome { Completed, Aborted, Failed };

// Report lines that share their tab stops: a stop every TabWidthPoints points
// (1/72 inch), as the report asked for them. Without a width the lines keep
// plain tabs every eight average character widths.
struct TabbedLines {
  QStringList Lines;
  int TabCount = 0;
  int TabWidthPoints = 0;
};

// The printer that print and printer set-up dialogs choose, shared by every
// window, and the routine that prints text lines on it.
class TextPrinter {
 public:
  TextPrinter();
  ~TextPrinter();

  QPrinter& Printer() { return *printer_; }
  TVN_PrintingInProgress& ProgressWindow() { return *window_; }

  // Prints two empty lines and then each line led by a space, stopping when
  // abortFlag is raised (by Cancel). The progress window is centred over
  // centerOver. jobTitle follows "(Varnel) ".
  //
  // The lines are a table: each tab-separated column is as wide as its
  // widest field, and columns that do not fit the page's width go on further
  // pages, each starting with the first column (the case labels) again. On
  // every page the first line with a tab (the names) heads the columns.
  PrintOutcome PrintTextLines(const QStringList& lines, const QFont& font, const QString& jobTitle,
                              QWidget* centerOver, bool& abortFlag);
  // The same for report text: each run keeps its tab stops, taken at the
  // printer's resolution and widened where a column would reach the next
  // stop; columns past the page's width go on further pages.
  PrintOutcome PrintReport(const QList<TabbedLines>& runs, const QFont& font, const QString& jobTitle,
                           QWidget* centerOver, bool& abortFlag);

  // One printed line: its pieces of text at their offsets from the left
  // margin.
  struct PrintedLine {
    std::vector<std::pair<qreal, QString>> Pieces;
    bool NewPage = false;
    // The line that heads the pages this line starts, or -1.
    int Heading = -1;
  };
  // What to print, laid out for the printer's font metrics and page width.
  using PageLayout =
      std::function<std::vector<PrintedLine>(const QFontMetricsF&, qreal pageWidth, qreal dotsPerInch)>;

 private:
  PrintOutcome Print(const PageLayout& layout, const QFont& font, const QString& jobTitle,
                     QWidget* centerOver, bool& abortFlag);

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<TVN_PrintingInProgress> window_;
};

}  // namespace varnel
