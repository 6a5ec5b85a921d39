#include "app/prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace varnel {

QString DisplayText(const QString& text) {
  QString t = text;
  t.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  return t;
}

QStringList NameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int k = 0; k + 1 < parts.size(); k += 2) {
    QString patterns = parts[k + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // The description may already name its patterns; Qt reads the last
    // parenthesised group, so the patterns go there.
    QString description = parts[k];
    const qsizetype paren = description.lastIndexOf(QLatin1Char('('));
    if (paren >= 0) description = description.left(paren).trimmed();
    out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out;
}

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

std::optional<Prompter::PrintRange> QtPrompter::PrintDialog(QPrinter& printer, bool selectionAvailable) {
  QPrintDialog dialog(&printer, parent_);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile;
  if (selectionAvailable) options |= QAbstractPrintDialog::PrintSelection;
  dialog.setOptions(options);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.printRange() == QAbstractPrintDialog::Selection ? PrintRange::Selection : PrintRange::All;
}

bool QtPrompter::PrinterSetup(QPrinter& printer) {
  QPageSetupDialog dialog(&printer, parent_);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace varnel
