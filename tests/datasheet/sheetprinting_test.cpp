// The DataSheet printout as the Print command makes it: the lines of the
// sheet on the shared text printer, here a PDF file read back as text.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPrinter>
#include <QSet>
#include <QTemporaryDir>

#include "app/textcodec.h"
#include "app/textprinting.h"
#include "controls/filehistory.h"
#include "sheet/filecommands.h"
#include "sheet/sheet.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/support/files.h"
#include "tests/support/pdftext.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

class SheetPrintingTest : public ::testing::Test {
 protected:
  SheetPrintingTest() {
    sheet.New1Click();
    files.Now = [] { return QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15)); };
    test::PrintToPdf(printer.Printer(), pdf);
  }
  // Prints as the DataSheet's Print command does and returns the pages.
  QStringList Print(bool selection) {
    const std::string text = files.PrintLines(selection);
    QStringList lines;
    for (std::string_view line : SplitLines(text))
      lines << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    bool abort = false;
    EXPECT_EQ(printer.PrintTextLines(lines, QFont(QStringLiteral("DejaVu Sans"), 9),
                                     QStringLiteral("wide.vnp"), nullptr, abort),
              PrintOutcome::Completed);
    return test::PdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  }

  QTemporaryDir dir;
  QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
  test::ProgramDirScope folder{dir.path()};
  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet{prompter, &graph};
  QMenu reopen{QStringLiteral("&Reopen")};
  TFileHist history{&reopen, prompter};
  DataFiles files{sheet, &history, nullptr};
  TextPrinter printer;
};

TEST_F(SheetPrintingTest, AWideSheetGoesOnFurtherPagesWithTheCaseLabelsRepeated) {
  VARNEL_REQUIRE_PDFTOTEXT();
  // 26 trace elements in the thousands and a long comment: far wider than A4.
  std::string data = "; wide.vnp\r\n;;Trace elements\r\nLabel#";
  for (char e = 'A'; e <= 'Z'; ++e) data += std::string("\tEl") + e;
  data += "\tComment#\r\n";
  for (int r = 1; r <= 80; ++r) {
    data += "sample-" + std::to_string(r);
    for (int c = 1; c <= 26; ++c) data += "\t" + std::to_string(1000 * c + r) + ".25";
    data += "\tlast cell of case " + std::to_string(r) + "\r\n";
  }
  test::WriteFileOrFail(dir.filePath(QStringLiteral("wide.vnp")), QByteArray::fromStdString(data));
  ASSERT_TRUE(files.LoadDataFile(dir.filePath(QStringLiteral("wide.vnp"))));

  const QStringList pages = Print(false);
  ASSERT_GE(pages.size(), 4) << "80 cases by 28 columns need pages down and across";
  QSet<QString> seen;
  for (const QString& page : pages) {
    EXPECT_TRUE(page.contains(QStringLiteral("Label#"))) << "the names head every page:\n"
                                                         << page.toStdString();
    int labels = 0;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
      const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
      seen.unite(QSet<QString>(words.begin(), words.end()));
      if (!words.isEmpty() && words[0].startsWith(QStringLiteral("sample-"))) ++labels;
    }
    EXPECT_GT(labels, 0) << "every page shows its cases' labels";
  }
  // Nothing is cut off: every name and every value is printed whole.
  for (char e = 'A'; e <= 'Z'; ++e) EXPECT_TRUE(seen.contains(QStringLiteral("El") + QLatin1Char(e))) << e;
  for (int c = 1; c <= 26; ++c)
    for (int r : {1, 40, 80})
      EXPECT_TRUE(seen.contains(QString::number(1000 * c + r) + QStringLiteral(".25")));
  EXPECT_TRUE(seen.contains(QStringLiteral("Comment#")));
  const QString last = pages.last();
  EXPECT_TRUE(last.contains(QStringLiteral("last cell of case 80"))) << "the last column ends the printout";
  EXPECT_TRUE(last.contains(QStringLiteral("sample-80")));
  EXPECT_FALSE(last.contains(QStringLiteral("ElA"))) << "a continuation page shows only its own columns";
  EXPECT_TRUE(pages.first().contains(QStringLiteral("wide.vnp - Printed on")));

  // A selection prints its own columns the same way, labelled by its first.
  sheet.Sel = {3, 1, 28, 80};
  const QStringList selected = Print(true);
  ASSERT_GE(selected.size(), 2);
  EXPECT_TRUE(selected.last().contains(QStringLiteral("last cell of case 80")));
  EXPECT_TRUE(selected.last().contains(QStringLiteral("ElB"))) << "the selection's first column repeats";
}

}  // namespace
}  // namespace varnel
