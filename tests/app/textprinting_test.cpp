#include "app/textprinting.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include "tests/support/pdftext.h"

namespace varnel {
namespace {

using test::PdfText;

// The words of a line of pdftotext's layout output.
QStringList Words(const QString& line) { return line.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// Where a word starts on the line that holds it, or -1.
int ColumnOf(const QString& text, const QString& word) {
  for (const QString& line : text.split(QLatin1Char('\n')))
    if (Words(line).contains(word)) return static_cast<int>(line.indexOf(word));
  return -1;
}

class PdfPrinting : public ::testing::Test {
 protected:
  void SetUp() override {
    VARNEL_REQUIRE_PDFTOTEXT();
    test::PrintToPdf(printer.Printer(), pdf);
  }
  QTemporaryDir dir;
  QString pdf = dir.filePath(QStringLiteral("out.pdf"));
  TextPrinter printer;
  QFont mono{QStringLiteral("DejaVu Sans Mono"), 10};
  bool abort = false;
};

TEST_F(PdfPrinting, PrintsEveryLineOnAsManyPagesAsItNeeds) {
  QStringList lines{QStringLiteral("Singular values"), QStringLiteral("SiO2\t47.31\tAl2O3\t16.02")};
  for (int k = 1; k <= 150; ++k) lines << QStringLiteral("case %1 done").arg(k);
  abort = true;  // cleared at the start
  EXPECT_EQ(printer.PrintTextLines(lines, mono, QStringLiteral("rocks.vnp"), nullptr, abort),
            PrintOutcome::Completed);
  EXPECT_FALSE(abort);
  const QString text = PdfText(pdf);
  for (const char* part : {"Singular values", "47.31", "case 1 done", "case 150 done", "\f"})
    EXPECT_TRUE(text.contains(QString::fromLatin1(part))) << part;
  EXPECT_EQ(printer.ProgressWindow().Messages(),
            QStringList({QStringLiteral("Printing in progress... (Click Cancel to abort)"),
                         QStringLiteral("Printing completed")}));
  EXPECT_FALSE(printer.ProgressWindow().isVisible());
}

TEST_F(PdfPrinting, CancelStopsAfterTheCurrentLineAndOffersClose) {
  QStringList lines;
  for (int k = 1; k <= 50; ++k) lines << QStringLiteral("line number %1").arg(k);
  // The first turn of the event loop comes before any line, the second after
  // the first line: Cancel is clicked then.
  QPushButton* cancel = printer.ProgressWindow().PPButtonCancel;
  QTimer::singleShot(0, cancel, [cancel] { QTimer::singleShot(0, cancel, &QPushButton::click); });
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

TEST_F(PdfPrinting, AWideTableGoesOnFurtherPagesWithItsLabelsAndNames) {
  QStringList lines;
  lines << QStringLiteral("; wide.vnp - Printed on today Cases: 70 Variables: 31");
  lines << QStringLiteral(";;Trace elements of ") + QString(40, QLatin1Char('x')) +
               QStringLiteral(
                   " a description longer than the page is wide, which must wrap rather than "
                   "run off the paper at its right edge");
  QString names = QStringLiteral("Label#");
  for (int c = 1; c <= 30; ++c) names += QStringLiteral("\tEl%1").arg(c);
  lines << names;
  for (int r = 1; r <= 70; ++r) {
    QString row = QStringLiteral("grt-%1").arg(r);
    for (int c = 1; c <= 30; ++c) row += QStringLiteral("\t%1.%2").arg(1000 * c + r).arg(c % 10);
    lines << row;
  }
  ASSERT_EQ(printer.PrintTextLines(lines, mono, QStringLiteral("wide.vnp"), nullptr, abort),
            PrintOutcome::Completed);
  const QStringList pages = PdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 4) << "30 columns do not fit one A4 width, 70 cases not one page";
  QSet<QString> words;
  for (const QString& page : pages) {
    qsizetype columns = -1;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
      const QStringList w = Words(line);
      words.unite(QSet<QString>(w.begin(), w.end()));
      if (!w.isEmpty() && w[0] == QStringLiteral("Label#")) columns = w.size();
      if (!w.isEmpty() && w[0].startsWith(QStringLiteral("grt-"))) {
        EXPECT_EQ(w.size(), columns) << "a case line has a value under each name: " << line.toStdString();
      }
    }
    EXPECT_TRUE(page.contains(QStringLiteral("Label#"))) << "the names head every page";
    EXPECT_TRUE(page.contains(QStringLiteral("grt-"))) << "the case labels are on every page";
  }
  for (int c = 1; c <= 30; ++c) {
    EXPECT_TRUE(words.contains(QStringLiteral("El%1").arg(c))) << c;
    for (int r : {1, 35, 70})
      EXPECT_TRUE(words.contains(QStringLiteral("%1.%2").arg(1000 * c + r).arg(c % 10))) << c;
  }
  EXPECT_TRUE(words.contains(QStringLiteral("edge"))) << "the long description wraps";
  const QString last = pages.last();
  EXPECT_TRUE(last.contains(QStringLiteral("El30")));
  EXPECT_TRUE(last.contains(QStringLiteral("grt-70")));
  EXPECT_FALSE(last.contains(QStringLiteral("El1 "))) << "a continuation page has only its own columns";
}

TEST_F(PdfPrinting, ReportColumnsLineUpAndNeverRunTogether) {
  // Stops too narrow for values in the thousands: the run's stops widen, and
  // a run of its own keeps the stops it asked for.
  TabbedLines traces;
  traces.TabCount = 4;
  traces.TabWidthPoints = 20;
  traces.Lines << QStringLiteral(" 1234.56789012\t 0.00012345\t 98765.4321098\t Zr")
               << QStringLiteral(" 0.1\t 23456.7890123\t 5\t Ba");
  TabbedLines wide;
  wide.TabCount = 2;
  wide.TabWidthPoints = 144;
  wide.Lines << QStringLiteral("a\tb") << QStringLiteral("aaa\tbbb");
  TabbedLines title;
  title.Lines << QStringLiteral("SINGULAR VALUES");
  ASSERT_EQ(printer.PrintReport({title, traces, wide}, mono, QStringLiteral("t"), nullptr, abort),
            PrintOutcome::Completed);
  const QString text = PdfText(pdf);
  for (const char* value : {"1234.56789012", "0.00012345", "98765.4321098", "23456.7890123", "Zr", "Ba"})
    EXPECT_GE(ColumnOf(text, QString::fromLatin1(value)), 0) << value << " stands apart:\n"
                                                             << text.toStdString();
  // pdftotext puts words on a grid of characters, give or take one.
  EXPECT_NEAR(ColumnOf(text, QStringLiteral("0.00012345")), ColumnOf(text, QStringLiteral("23456.7890123")),
              1);
  EXPECT_NEAR(ColumnOf(text, QStringLiteral("Zr")), ColumnOf(text, QStringLiteral("Ba")), 1);
  // Two inches at 10 point DejaVu Sans Mono (6 points a character): about 24
  // characters from the first field to the second.
  const int b = ColumnOf(text, QStringLiteral("bbb")) - ColumnOf(text, QStringLiteral("aaa"));
  EXPECT_NEAR(static_cast<double>(b), 24.0, 2.0);
}

TEST_F(PdfPrinting, AReportTooWideForThePageContinuesItsColumnsOnFurtherPages) {
  TabbedLines report;
  report.TabCount = 22;
  report.TabWidthPoints = 72;
  report.Lines << QStringLiteral("WIDE MATRIX:");
  for (int r = 1; r <= 3; ++r) {
    QStringList row;
    for (int c = 1; c <= 20; ++c) row << QStringLiteral("r%1c%2").arg(r).arg(c);
    report.Lines << row.join(QLatin1Char('\t'));
  }
  report.Lines << QString() << QStringLiteral("NARROW MATRIX:") << QStringLiteral("n1\tn2");
  ASSERT_EQ(printer.PrintReport({report}, mono, QStringLiteral("t"), nullptr, abort),
            PrintOutcome::Completed);
  const QStringList pages = PdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 3) << "20 inch-wide columns need three A4 widths";
  EXPECT_TRUE(pages.first().contains(QStringLiteral("r1c1")));
  EXPECT_TRUE(pages.first().contains(QStringLiteral("NARROW MATRIX:")));
  EXPECT_TRUE(pages.first().contains(QStringLiteral("n2")));
  const QString last = pages.last();
  EXPECT_TRUE(last.contains(QStringLiteral("r3c20"))) << "the last column is printed";
  EXPECT_TRUE(last.contains(QStringLiteral("WIDE MATRIX:"))) << "its title comes along";
  EXPECT_FALSE(last.contains(QStringLiteral("r1c1 "))) << "no column is printed twice";
  EXPECT_FALSE(last.contains(QStringLiteral("NARROW"))) << "a title with no columns on the page stays off";
}

}  // namespace
}  // namespace varnel
