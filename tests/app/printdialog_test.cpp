#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>

#include "app/qtprompter.h"

namespace varnel {
namespace {

// The texts of the dialog's controls that are not hidden.
QStringList Offered(QPrintDialog& dialog) {
  QStringList texts;
  for (QWidget* w : dialog.findChildren<QWidget*>()) {
    if (w->isHidden()) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
  }
  return texts;
}

TEST(PrintDialog, OffersAllAndSelectionButNoPageRanges) {
  QPrinter printer;
  printer.setPrintRange(QPrinter::PageRange);  // as another program's dialog may leave it
  const std::unique_ptr<QPrintDialog> dialog = MakePrintDialog(printer, true, nullptr);
  EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
  EXPECT_EQ(dialog->printRange(), QAbstractPrintDialog::AllPages);
  dialog->show();
  QApplication::processEvents();
  const QStringList offered = Offered(*dialog);
  EXPECT_TRUE(offered.contains(QStringLiteral("Selection")));
  for (const char* range : {"Pages from", "to", "Pages", "Current Page", "Page Set:"})
    EXPECT_FALSE(offered.contains(QString::fromLatin1(range))) << range;
  dialog->hide();

  const std::unique_ptr<QPrintDialog> without = MakePrintDialog(printer, false, nullptr);
  without->show();
  QApplication::processEvents();
  EXPECT_FALSE(Offered(*without).contains(QStringLiteral("Selection"))) << "no selection to print";
  EXPECT_FALSE(Offered(*without).contains(QStringLiteral("Pages from")));
  without->hide();
}

}  // namespace
}  // namespace varnel
