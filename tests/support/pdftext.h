// Reading printed PDF files back as text, with poppler's pdftotext.
#pragma once

#include <gtest/gtest.h>

#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace varnel::test {

// Sends what printer prints to an A4 portrait PDF file at pdf.
inline void PrintToPdf(QPrinter& printer, const QString& pdf) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
}

inline bool HavePdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

// The text of a PDF file; with layout the columns keep their places on the
// line. Pages are separated by form feeds.
inline QString PdfText(const QString& pdf, bool layout = true) {
  QStringList arguments;
  if (layout) arguments << QStringLiteral("-layout");
  arguments << pdf << QStringLiteral("-");
  QProcess p;
  p.start(QStringLiteral("pdftotext"), arguments);
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace varnel::test

// Skips a test that reads a printout back when pdftotext is missing.
#define VARNEL_REQUIRE_PDFTOTEXT()                                                          \
  if (!::varnel::test::HavePdfToText())                                                     \
  GTEST_SKIP() << "pdftotext (package poppler-utils) is not installed, so the printed PDF " \
                  "cannot be read back"
