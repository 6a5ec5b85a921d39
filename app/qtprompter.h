// The prompter of the windows: QMessageBox, QFileDialog and the other
// common dialogs.
#pragma once

#include <memory>

#include "app/prompter.h"

class QPrintDialog;
class QWidget;

namespace varnel {

// The real one: QMessageBox, QFileDialog and QFontDialog over a parent window.
class QtPrompter final : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  Button Message(BoxKind kind, const QString& text, Buttons buttons) override;
  std::optional<QString> OpenFileName(const FileDialogSpec& spec) override;
  std::optional<QString> SaveFileName(const FileDialogSpec& spec) override;
  std::optional<QFont> ChooseFont(const QFont& initial) override;
  std::optional<PrintRange> PrintDialog(QPrinter& printer, bool selectionAvailable) override;
  bool PrinterSetup(QPrinter& printer) override;

 private:
  QWidget* parent_;
};

// The print dialog the prompter shows: All, and Selection when there is one;
// no page ranges.
std::unique_ptr<QPrintDialog> MakePrintDialog(QPrinter& printer, bool selectionAvailable, QWidget* parent);

}  // namespace varnel
