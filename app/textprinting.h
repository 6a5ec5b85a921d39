// Printing lists of text lines on the current printer, with the progress
// window and its Cancel button.
#pragma once

#include <QDialog>
#include <QFont>
#include <QStringList>
#include <memory>

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
  PrintOutcome PrintTextLines(const QStringList& lines, const QFont& font, const QString& jobTitle,
                              QWidget* centerOver, bool& abortFlag);

 private:
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<TVN_PrintingInProgress> window_;
};

}  // namespace varnel
