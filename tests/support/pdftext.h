// Reading printed PDF files back as text, with poppler's pdftotext.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace varnel::test {

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
