#include "app/qtprompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <memory>

namespace varnel {

Button QtPrompter::Message(BoxKind kind, const QString& text, Buttons buttons) {
  QMessageBox box(parent_);
  switch (kind) {
    case BoxKind::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case BoxKind::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case BoxKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case BoxKind::Confirmation:
      box.setIcon(QMessageBox::Question);
      break;
  }
  box.setWindowTitle(QApplication::applicationDisplayName().isEmpty()
                         ? QStringLiteral("Varnel")
                         : QApplication::applicationDisplayName());
  box.setText(DisplayText(text));
  struct Map {
    Button b;
    QMessageBox::StandardButton q;
  };
  const Map map[] = {{Button::Yes, QMessageBox::Yes},
                     {Button::No, QMessageBox::No},
                     {Button::Ok, QMessageBox::Ok},
                     {Button::Ignore, QMessageBox::Ignore},
                     {Button::Cancel, QMessageBox::Cancel}};
  QMessageBox::StandardButtons qb;
  for (const Map& m : map)
    if (buttons & static_cast<unsigned>(m.b)) qb |= m.q;
  if (!qb) qb = QMessageBox::Ok;
  box.setStandardButtons(qb);
  for (const Map& m : map)
    if (buttons & static_cast<unsigned>(m.b)) {
      box.setDefaultButton(m.q);
      break;
    }
  if (buttons & static_cast<unsigned>(Button::Cancel)) box.setEscapeButton(QMessageBox::Cancel);
  const int r = box.exec();
  for (const Map& m : map)
    if (r == m.q) return m.b;
  return (buttons & static_cast<unsigned>(Button::Cancel)) ? Button::Cancel : Button::Ok;
}

namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSpec& spec, bool save) {
  QFileDialog dialog(parent, spec.title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = NameFilters(spec.filter);
  dialog.setNameFilters(filters);
  if (spec.filterIndex >= 1 && spec.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[spec.filterIndex - 1]);
  if (!spec.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(spec.defaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
  if (!spec.initialPath.isEmpty()) dialog.selectFile(spec.initialPath);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace

std::optional<QString> QtPrompter::OpenFileName(const FileDialogSpec& spec) {
  return RunFileDialog(parent_, spec, false);
}

std::optional<QString> QtPrompter::SaveFileName(const FileDialogSpec& spec) {
  return RunFileDialog(parent_, spec, true);
}

std::optional<QFont> QtPrompter::ChooseFont(const QFont& initial) {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, initial, parent_);
  if (!ok) return std::nullopt;
  return f;
}

namespace {

// The print dialog without its page-range choices: what is printed is the
// whole text or the selection, never some of its pages. The dialog enables
// its range controls again whenever it is shown, so they are hidden then.
class WholeTextPrintDialog : public QPrintDialog {
 public:
  using QPrintDialog::QPrintDialog;
  void setVisible(bool visible) override {
    QPrintDialog::setVisible(visible);
    if (!visible) return;
    for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit",
                             "printCurrentPage", "pageSetLabel", "pageSetCombo"})
      for (QWidget* w : findChildren<QWidget*>(QString::fromLatin1(name))) w->hide();
    // The "to" between the two page numbers has no name of its own.
    for (QLabel* label : findChildren<QLabel*>())
      if (label->text() == QLatin1String("to")) label->hide();
  }
};

}  // namespace

std::unique_ptr<QPrintDialog> MakePrintDialog(QPrinter& printer, bool selectionAvailable, QWidget* parent) {
  auto dialog = std::make_unique<WholeTextPrintDialog>(&printer, parent);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile;
  if (selectionAvailable) options |= QAbstractPrintDialog::PrintSelection;
  dialog->setOptions(options);
  // A range left from an earlier dialog is no choice here.
  dialog->setPrintRange(selectionAvailable && printer.printRange() == QPrinter::Selection
                            ? QAbstractPrintDialog::Selection
                            : QAbstractPrintDialog::AllPages);
  return dialog;
}

std::optional<Prompter::PrintRange> QtPrompter::PrintDialog(QPrinter& printer, bool selectionAvailable) {
  const std::unique_ptr<QPrintDialog> dialog = MakePrintDialog(printer, selectionAvailable, parent_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return dialog->printRange() == QAbstractPrintDialog::Selection ? PrintRange::Selection : PrintRange::All;
}

bool QtPrompter::PrinterSetup(QPrinter& printer) {
  QPageSetupDialog dialog(&printer, parent_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace varnel
