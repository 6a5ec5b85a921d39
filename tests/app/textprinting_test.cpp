#include "app/textprinting.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace varnel {
namespace {

QString PdfText(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(PrintTextLines, PrintsEveryLineToThePdfPrinter) {
  QTemporaryDir dir;
  TextPrinter printer;
  const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
  printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  printer.Printer().setOutputFileName(pdf);
  QStringList lines;
  lines << QStringLiteral("Singular values") << QStringLiteral("SiO2\t47.31\tAl2O3\t16.02");
  for (int k = 1; k <= 150; ++k) lines << QStringLiteral("case %1 done").arg(k);
  bool abort = true;  // cleared at the start
  EXPECT_EQ(printer.PrintTextLines(lines, QFont(QStringLiteral("DejaVu Sans Mono"), 10),
                                   QStringLiteral("rocks.vnp"), nullptr, abort),
            PrintOutcome::Completed);
  EXPECT_FALSE(abort);
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains(QStringLiteral("Singular values")));
  EXPECT_TRUE(text.contains(QStringLiteral("47.31")));
  EXPECT_TRUE(text.contains(QStringLiteral("case 1 done")));
  EXPECT_TRUE(text.contains(QStringLiteral("case 150 done"))) << "a second page is started";
  EXPECT_TRUE(text.contains(QLatin1Char('\f'))) << "more than one page";
  EXPECT_EQ(printer.ProgressWindow().Messages(),
            QStringList({QStringLiteral("Printing in progress... (Click Cancel to abort)"),
                         QStringLiteral("Printing completed")}));
  EXPECT_FALSE(printer.ProgressWindow().isVisible());
}

TEST(PrintTextLines, CancelStopsAfterTheCurrentLineAndOffersClose) {
  QTemporaryDir dir;
  TextPrinter printer;
  const QString pdf = dir.filePath(QStringLiteral("cut.pdf"));
  printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  printer.Printer().setOutputFileName(pdf);
  QStringList lines;
  for (int k = 1; k <= 50; ++k) lines << QStringLiteral("line number %1").arg(k);
  // The first turn of the event loop comes before any line, the second after
  // the first line: Cancel is clicked then.
  QPushButton* cancel = printer.ProgressWindow().PPButtonCancel;
  QTimer::singleShot(0, cancel, [cancel] { QTimer::singleShot(0, cancel, &QPushButton::click); });
  bool abort = false;
  EXPECT_EQ(printer.PrintTextLines(lines, QFont(), QStringLiteral("x"), nullptr, abort),
            PrintOutcome::Aborted);
  EXPECT_TRUE(abort);
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains(QStringLiteral("line number 1")));
  EXPECT_FALSE(text.contains(QStringLiteral("line number 2")));
  TVN_PrintingInProgress& w = printer.ProgressWindow();
  EXPECT_EQ(w.Messages().last(), QStringLiteral("Printing aborted by user"));
  EXPECT_TRUE(w.PPButtonCancel->isHidden());
  EXPECT_FALSE(w.PPButtonClose->isHidden());
  w.PPButtonClose->click();
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.PPButtonCancel->isHidden()) << "Close restores Cancel";
}

TEST(PrintTextLines, APrinterThatCannotBeWrittenIsReported) {
  TextPrinter printer;
  printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  printer.Printer().setOutputFileName(QStringLiteral("/nonexistent-folder/x/out.pdf"));
  bool abort = false;
  EXPECT_EQ(printer.PrintTextLines({QStringLiteral("a")}, QFont(), QStringLiteral("x"), nullptr, abort),
            PrintOutcome::Failed);
  const QStringList m = printer.ProgressWindow().Messages();
  ASSERT_GE(m.size(), 3);
  EXPECT_EQ(m[m.size() - 2], QStringLiteral("Could not write to the printer."));
  EXPECT_EQ(m.last(), QStringLiteral("Please check printer status, then retry printing."));
  EXPECT_TRUE(printer.ProgressWindow().PPButtonCancel->isHidden());
}

}  // namespace
}  // namespace varnel
