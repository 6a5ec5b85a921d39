// Tables of other programs through the program's own entries: Open (the
// loader every way of opening uses), the import dialog, dropping a file,
// Export As and the command line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/reporttarget.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/importdialog.h"
#include "sheet/sheetexport.h"
#include "sheet/workbookreader.h"
#include "tests/datasheet/sheetcells.h"
#include "tests/support/batchrun.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

// A published appendix as it comes: a title line, quoted references with
// commas, empty cells, text columns, values below detection and "n.d.".
const char* const SpinelCsv =
    "Table A2. Spinel analyses (wt%)\r\n"
    "Sample,Mineral,SiO2,TiO2,Al2O3,Cr2O3,FeO,MgO,Reference\r\n"
    "BK-1,chromite,0.05,<0.01,12.3,52.1,24.5,10.2,\"Barnes and Kunilov, 2000\"\r\n"
    "BK-2,chromite,,0.21,14.0,49.8,n.d.,11.0,\"Barnes and Kunilov, 2000\"\r\n"
    "RR-7,\"Al-spinel\",0.11,0.35,55.2,10.4,12.1,19.9,\"Roeder and Reynolds, 1991\"\r\n";

class TableCommands : public ::testing::Test {
 protected:
  TableCommands() {
    sheet.New1Click();
    files.SetReportTarget(&report);
  }
  QString Write(const QString& name, const QByteArray& bytes) {
    test::WriteFileOrFail(dir.filePath(name), bytes);
    return dir.filePath(name);
  }
  QTemporaryDir dir;
  test::ScriptedPrompter prompter;
  Sheet sheet{prompter};
  DataFiles files{sheet, nullptr, nullptr};
  LinesReport report;
};

TEST_F(TableCommands, APublishedTableOpensAsANewUnsavedSheet) {
  const QString path = Write(QStringLiteral("spinel.csv"), SpinelCsv);
  ASSERT_TRUE(files.LoadDataFile(path));
  EXPECT_EQ(test::Row(sheet, 0, 1, 9), "Sample#|Mineral#|SiO2|TiO2|Al2O3|Cr2O3|FeO|MgO|Reference#");
  EXPECT_EQ(test::Row(sheet, 1, 0, 9),
            "Y|BK-1|chromite|0.05|<0.01|12.3|52.1|24.5|10.2|Barnes and Kunilov, 2000");
  EXPECT_EQ(test::Row(sheet, 2, 3, 7), "|0.21|14.0|49.8|n.d.");
  EXPECT_EQ(sheet.CaseCount(), 3);
  EXPECT_EQ(sheet.IncludedCount(), 3);
  EXPECT_EQ(sheet.FileName, dir.filePath(QStringLiteral("spinel.vnp")));
  EXPECT_EQ(sheet.SheetCaption(), QStringLiteral("spinel.vnp - VarnelData"));
  EXPECT_FALSE(sheet.Saved);
  EXPECT_FALSE(sheet.Blank);
  EXPECT_EQ(sheet.HeaderLine, QStringLiteral("Imported from spinel.csv"));
  ASSERT_TRUE(report.shown);
  EXPECT_EQ(
      report.lines.mid(0, 6),
      (QStringList{"Imported spinel.csv", "Separator: comma\tDecimal mark: .\tEncoding: UTF-8",
                   "Rows skipped: 1\tNames from the first row: yes",
                   "1 value below detection kept as written (missing)", "Rows: 3\tColumns: 9\tTagged columns: 3",
                   "Tagged (no numbers): Sample#, Mineral#, Reference#"}));
  EXPECT_EQ(report.lines.mid(10, 5),
            (QStringList{"SiO2\t1\t0", "TiO2\t0\t1", "Al2O3\t0\t0", "Cr2O3\t0\t0", "FeO\t1\t0"}));

  // Save writes the program's own format beside the source, which stays as
  // it was.
  ASSERT_TRUE(files.Save1Click());
  EXPECT_TRUE(sheet.Saved);
  EXPECT_EQ(test::ReadFile(path), QByteArray(SpinelCsv));
  const QByteArray saved = test::ReadFile(dir.filePath(QStringLiteral("spinel.vnp")));
  EXPECT_TRUE(saved.contains("\r\n;;Imported from spinel.csv\r\nSample#\tMineral#\tSiO2\t"));
  EXPECT_TRUE(saved.contains("\r\nBK-1\tchromite\t0.05\t<0.01\t12.3\t"));

  // Imported once more, the first Save asks before replacing that file.
  ASSERT_TRUE(files.LoadDataFile(path));
  prompter.AnswerSave(std::nullopt);
  EXPECT_FALSE(files.Save1Click());
  ASSERT_EQ(prompter.dialogs.size(), 1u);
  EXPECT_EQ(prompter.dialogs[0].title, QStringLiteral("Save As"));
}

TEST_F(TableCommands, BadTablesLeaveTheOpenSheetAsItWas) {
  const QString good = Write(QStringLiteral("good.vnp"), "; file\r\n;;about\r\nA\tB\r\n1\t2\r\n3\t4\r\n");
  ASSERT_TRUE(files.LoadDataFile(good));
  sheet.SetCell(1, 1, "9");
  sheet.Saved = false;
  const std::string before = test::Grid(sheet);
  struct Case {
    QString name;
    QByteArray bytes;
    QString error;
  };
  QByteArray huge = "A,B\n1,";
  huge += QByteArray(static_cast<qsizetype>(MaxCellBytes) + 10, 'x');
  const Case cases[] = {
      {QStringLiteral("quotes.csv"), "A,B\n1,2\n3,\"4\n5,6\n",
       QStringLiteral("\"%1\": Unbalanced quotes: the quoted field that opens in line 3 is never closed.")},
      {QStringLiteral("huge.csv"), huge,
       QStringLiteral(
           "\"%1\": Line 2 holds a cell of more than 1048576 bytes: this is not a table of analyses.")},
      {QStringLiteral("picture.csv"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
       QStringLiteral("\"%1\" is not a text table: line 3 holds a NUL byte.")},
      {QStringLiteral("letter.txt"), "Dear reader\nno table here\n",
       QStringLiteral("\"%1\" holds no table: no line is split into fields by a comma, semicolon or tab.")},
      {QStringLiteral("broken.xlsx"), "PK\x03\x04 not really",
       QStringLiteral("\"%1\" is a broken workbook: its table of contents cannot be read.")},
  };
  for (const Case& c : cases) {
    const QString path = Write(c.name, c.bytes);
    prompter.Expect(BoxKind::Error, c.error.arg(path), Only(Button::Ok), Button::Ok);
    EXPECT_FALSE(files.LoadDataFile(path)) << c.name.toStdString();
    EXPECT_EQ(test::Grid(sheet), before);
    EXPECT_EQ(sheet.FileName, good);
    EXPECT_FALSE(sheet.Saved);
    EXPECT_EQ(sheet.HeaderLine, QStringLiteral("about"));
  }
  EXPECT_FALSE(report.started);
}

TEST_F(TableCommands, RaggedRowsWarnAndIgnoreSilencesTheRest) {
  const QString path = Write(QStringLiteral("ragged.csv"), "A,B,C\n1,2,3,4\n1,2\n1\n");
  prompter.Expect(BoxKind::Warning,
                  QStringLiteral("Too many values in data line 2.\n\rExcess values will be skipped."),
                  Button::Ok | Button::Ignore, Button::Ok);
  prompter.Expect(
      BoxKind::Warning,
      QStringLiteral("Too few values in data line 3.\n\rMissing values will be regarded as blanks."),
      Button::Ok | Button::Ignore, Button::Ignore);
  ASSERT_TRUE(files.LoadDataFile(path));
  EXPECT_EQ(test::Grid(sheet), "|A|B|C/Y|1|2|3/Y|1|2|/Y|1||");
  // Without reading warnings none is shown.
  sheet.Prefs.ParseWarnings = false;
  ASSERT_TRUE(files.LoadDataFile(path));
}

class ImportWindow : public ::testing::Test {
 protected:
  ImportWindow() {
    prompter.PlayEveryDialog([this](QDialog& d) {
      auto* import = dynamic_cast<TVN_Import*>(&d);
      EXPECT_NE(import, nullptr);
      return import && fill(*import);
    });
  }
  ~ImportWindow() override { w.Data().Saved = true; }
  QString Write(const QString& name, const QByteArray& bytes) {
    test::WriteFileOrFail(dir.filePath(name), bytes);
    return dir.filePath(name);
  }
  QTemporaryDir dir;
  test::ScriptedPrompter prompter;
  Sheet wSheet{prompter};
  TVN_Wsheet w{wSheet, prompter};
  std::function<bool(TVN_Import&)> fill;
};

TEST_F(ImportWindow, TheDialogShowsTheRowsAsTheyWillLandAndTakesChanges) {
  std::string text = "Probe;SiO2;FeO\n";
  for (int r = 1; r <= 30; ++r)
    text += "P" + std::to_string(r) + ";4" + std::to_string(r % 10) + ",5;<0,01\n";
  const QString path = Write(QStringLiteral("probe.txt"), QByteArray::fromStdString(text));
  fill = [](TVN_Import& d) {
    EXPECT_EQ(d.Separator(), ';');
    EXPECT_EQ(d.Decimal(), ',');
    EXPECT_EQ(d.Skip(), 0);
    EXPECT_TRUE(d.Header());
    EXPECT_FALSE(d.ISheet->isEnabled());
    EXPECT_TRUE(d.IOk->isEnabled());
    const std::vector<QStringList> rows = d.PreviewText();
    EXPECT_EQ(rows.size(), 21u) << "the names and the first 20 rows";
    EXPECT_EQ(rows[0], (QStringList{"Probe#", "SiO2", "FeO"}));
    // Kept as written, with the program's decimal mark, as the numbers.
    EXPECT_EQ(rows[20], (QStringList{"P20", "40.5", "<0.01"}));
    // The user reads values below detection as half the limit.
    d.SetBelowLimit(LimitReading::Half);
    EXPECT_EQ(d.PreviewText()[1], (QStringList{"P1", "41.5", "0.005"}));
    return true;
  };
  ASSERT_TRUE(w.LoadDataFile(path));
  EXPECT_EQ(test::Row(wSheet, 30, 1, 3), "P30|40.5|0.005");
  // The substituted numbers are told in the sheet's description.
  EXPECT_EQ(wSheet.HeaderLine,
            QStringLiteral("Imported from probe.txt; 30 values below detection read as half the limit"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("probe.vnp - VarnelData"));

  // Cancelled, the dialog changes nothing.
  const std::string before = test::Grid(wSheet);
  fill = [](TVN_Import& d) {
    d.SetSeparator(',');
    EXPECT_FALSE(d.Problem().isEmpty()) << "no comma splits these lines";
    EXPECT_FALSE(d.IOk->isEnabled()) << "a table that cannot be read cannot be taken";
    d.SetSeparator(';');
    EXPECT_TRUE(d.Problem().isEmpty());
    EXPECT_TRUE(d.IOk->isEnabled());
    return false;
  };
  EXPECT_FALSE(w.LoadDataFile(path));
  EXPECT_EQ(test::Grid(wSheet), before);

  // A dropped file opens the same way; the changed sheet is offered for
  // saving first.
  prompter.Expect(
      BoxKind::Confirmation,
      QStringLiteral("DataSheet file %1 has changed.\n\rSave modifications?").arg(wSheet.FileName),
      Button::Yes | Button::No | Button::Cancel, Button::No);
  fill = [](TVN_Import& d) {
    d.SetSkip(2);
    d.SetHeader(false);
    EXPECT_EQ(d.PreviewText()[0], (QStringList{"Var_1#", "Var_2", "Var_3"}));
    return true;
  };
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  EXPECT_EQ(TVN_Wsheet::DroppedFile(&mime), path);
  ASSERT_TRUE(w.OpenDroppedFile(path));
  EXPECT_EQ(wSheet.CaseCount(), 29);
  EXPECT_EQ(test::Row(wSheet, 1, 1, 3), "P2|42.5|<0.01");
  EXPECT_EQ(wSheet.HeaderLine, QStringLiteral("Imported from probe.txt"));
}

TEST_F(ImportWindow, WorkbookSheetsAreChosenInTheDialog) {
  // Export a sheet to a workbook, then read it back choosing its sheet.
  wSheet.SetSize(3, 3);
  for (auto [c, r, t] : {std::tuple{1, 0, "Mineral#"},
                         {2, 0, "MgO"},
                         {1, 1, "olivine"},
                         {2, 1, "49.5"},
                         {1, 2, "enstatite"},
                         {2, 2, "35.1"}})
    wSheet.SetCell(c, r, t);
  wSheet.SetCell(0, 1, "Y");
  wSheet.SetCell(0, 2, "N");
  wSheet.Blank = false;
  const QString xlsx = dir.filePath(QStringLiteral("out.xlsx"));
  prompter.AnswerSave(xlsx);
  w.ExportIncludedAs1Click();
  ASSERT_EQ(prompter.dialogs.size(), 1u);
  EXPECT_EQ(prompter.dialogs[0].filter,
            QStringLiteral("CSV files (*.csv)|*.csv|Excel workbooks (*.xlsx)|*.xlsx"));
  fill = [](TVN_Import& d) {
    EXPECT_TRUE(d.IsWorkbook());
    EXPECT_FALSE(d.ISeparator->isEnabled());
    EXPECT_EQ(d.SheetName(), QStringLiteral("Varnel"));
    EXPECT_EQ(d.PreviewText(), (std::vector<QStringList>{{"Mineral#", "MgO"}, {"olivine", "49.5"}}));
    return true;
  };
  ASSERT_TRUE(w.LoadDataFile(xlsx));
  EXPECT_EQ(test::Grid(wSheet), "|Mineral#|MgO/Y|olivine|49.5");
}

// A workbook whose reader stops (an assertion or a crash inside the import
// library, imitated through the reader's seam) in the window: the dialog
// names the problem, Open refuses with the same words, the sheet stays.
void AbortInChild() { std::abort(); }

TEST_F(ImportWindow, AWorkbookThatStopsItsReaderLeavesTheSheetAsItWas) {
  const QString good = Write(QStringLiteral("good.vnp"), "; file\r\n;;about\r\nA\tB\r\n1\t2\r\n");
  ASSERT_TRUE(w.LoadDataFile(good));
  const std::string before = test::Grid(wSheet);
  const QString finding = QStringLiteral(VARNEL_SOURCE_DIR "/fuzz/findings/workbook-orcus-assert.xlsx");
  const QString copy = Write(QStringLiteral("assay.xlsx"), test::ReadFile(finding));
  const QString stops =
      QStringLiteral("\"%1\" is a broken workbook and cannot be read: the workbook library stopped on it.")
          .arg(copy);
  // Most of its parts do not unpack to what their checksums say; the first
  // one read is named.
  const QString damaged =
      QStringLiteral("\"%1\" is a broken or encrypted workbook and cannot be read:\n\r"
                     "the part xl/styles.xml is damaged")
          .arg(copy);
  for (const bool crash : {true, false}) {
    SCOPED_TRACE(crash ? "the reader stops" : "the finding as it is");
    WorkbookSeams().BeforeParse = crash ? AbortInChild : nullptr;
    const QString expected = crash ? stops : damaged;
    fill = [&](TVN_Import& d) {
      EXPECT_EQ(d.Problem(), expected);
      EXPECT_TRUE(d.PreviewText().empty() || d.PreviewText().size() == 1u);
      return true;
    };
    prompter.Expect(BoxKind::Error, expected, Only(Button::Ok), Button::Ok);
    EXPECT_FALSE(w.LoadDataFile(copy));
    WorkbookSeams() = WorkbookReaderSeams{};
    EXPECT_EQ(test::Grid(wSheet), before);
    EXPECT_EQ(wSheet.FileName, good);
  }
}

TEST(TableCommandLine, ExportAndCommandsReadTables) {
  QTemporaryDir dir;
  const QString csv = dir.filePath(QStringLiteral("spinel.csv"));
  test::WriteFileOrFail(csv, SpinelCsv);
  const QString out = dir.filePath(QStringLiteral("out.csv"));
  test::BatchOutput r = test::RunBatch({"export", csv, "-o", out});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(test::ReadFile(out),
            "Sample#,Mineral#,SiO2,TiO2,Al2O3,Cr2O3,FeO,MgO,Reference#\r\n"
            "BK-1,chromite,0.05,<0.01,12.3,52.1,24.5,10.2,\"Barnes and Kunilov, 2000\"\r\n"
            "BK-2,chromite,,0.21,14.0,49.8,n.d.,11.0,\"Barnes and Kunilov, 2000\"\r\n"
            "RR-7,Al-spinel,0.11,0.35,55.2,10.4,12.1,19.9,\"Roeder and Reynolds, 1991\"\r\n");
  // The import choices as options: no names, one row skipped, limits read
  // as their value; decimal commas written out with points.
  r = test::RunBatch(
      {"export", csv, "-o", out, "--header-row", "0", "--skip", "2", "--below-limit", "limit"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(test::ReadFile(out).startsWith("Var_1#,Var_2#,Var_3,Var_4,"));
  EXPECT_TRUE(test::ReadFile(out).contains("\r\nBK-1,chromite,0.05,0.01,12.3,"));
  const QString semicolons = dir.filePath(QStringLiteral("s.csv"));
  test::WriteFileOrFail(semicolons, "A;B\n1,5;2\n");
  r = test::RunBatch({"export", semicolons, "-o", out, "--decimal-separator", ","});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(test::ReadFile(out), "A,B\r\n1.5,2\r\n");
  // Every command reads a table as its FILE; its text columns are tagged
  // and stay out of the matrix.
  const QString rocks = dir.filePath(QStringLiteral("rocks.csv"));
  test::WriteFileOrFail(rocks, "Rock,SiO2,MgO\nA,40,10\nB,45,8\nC,50,4\n");
  r = test::RunBatch({"svd", rocks});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  const QString vnp = dir.filePath(QStringLiteral("rocks.vnp"));
  test::WriteFileOrFail(vnp, "; rocks\r\n;;\r\nRock#\tSiO2\tMgO\r\nA\t40\t10\r\nB\t45\t8\r\nC\t50\t4\r\n");
  const test::BatchOutput same = test::RunBatch({"svd", vnp});
  EXPECT_EQ(r.out, same.out);

  struct Bad {
    QStringList args;
    int status;
    QString err;
  };
  const QString quotes = dir.filePath(QStringLiteral("q.csv"));
  test::WriteFileOrFail(quotes, "A,B\n1,\"2\n");
  const Bad bad[] = {
      {{"export", quotes, "-o", out},
       1,
       QStringLiteral(
           "error: \"%1\": Unbalanced quotes: the quoted field that opens in line 2 is never closed.\n")
           .arg(quotes)},
      {{"export", csv, "-o", dir.filePath(QStringLiteral("out.ods"))},
       2,
       QStringLiteral("varnel: the output must be a .csv or .xlsx file\nTry 'varnel export --help'.\n")},
      {{"export", csv, "-o", out, "--separator", "pipe"},
       2,
       QStringLiteral("varnel: --separator takes comma, semicolon or tab\nTry 'varnel export --help'.\n")},
      {{"export", csv, "-o", out, "--skip", "1", "--header-row", "3"},
       2,
       QStringLiteral(
           "varnel: --header-row 3 leaves 2 rows before the names, not --skip 1\nTry 'varnel export "
           "--help'.\n")},
  };
  for (const Bad& b : bad) {
    r = test::RunBatch(b.args);
    EXPECT_EQ(r.status, b.status) << b.args.join(' ').toStdString();
    EXPECT_EQ(r.err, b.err);
  }
  // A workbook whose reader stops ends the command with its message, and
  // writes nothing.
  const QString book = dir.filePath(QStringLiteral("book.xlsx"));
  ASSERT_EQ(test::RunBatch({"export", csv, "-o", book}).status, 0);
  const QString fresh = dir.filePath(QStringLiteral("fresh.csv"));
  WorkbookSeams().BeforeParse = AbortInChild;
  r = test::RunBatch({"export", book, "-o", fresh});
  WorkbookSeams() = WorkbookReaderSeams{};
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, QStringLiteral("error: \"%1\" is a broken workbook and cannot be read: the workbook "
                                  "library stopped on it.\n")
                       .arg(book));
  EXPECT_FALSE(QFile::exists(fresh));
  r = test::RunBatch({"export", book, "-o", fresh});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(test::ReadFile(fresh).startsWith("Sample#,Mineral#,SiO2,"));
}

TEST(TableCommandLine, EveryCommandWithAFileTakesTheImportChoices) {
  const char* const commands[] = {"svd", "inverse", "map", "wizard", "plot", "export", "compute", "recalc"};
  const char* const options[] = {"--separator", "--decimal-separator", "--header-row", "--skip",
                                 "--sheet",     "--below-limit"};
  for (const char* command : commands) {
    const test::BatchOutput r = test::RunBatch({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    for (const char* option : options)
      EXPECT_TRUE(r.out.contains(QLatin1String(option))) << command << " lacks " << option;
  }

  // compute reads a semicolon table with a title line and decimal commas,
  // limits read as half their value, and writes the result as CSV.
  QTemporaryDir dir;
  const QString lab = dir.filePath(QStringLiteral("lab.csv"));
  test::WriteFileOrFail(lab, "Survey 2024\nRock;Na2O;K2O\nA;<0,2;1,5\nB;3,25;n.d.\n");
  const QString out = dir.filePath(QStringLiteral("alk.csv"));
  test::BatchOutput r =
      test::RunBatch({"compute", lab, "--skip", "1", "--separator", "semicolon", "--decimal-separator", ",",
                      "--below-limit", "half", "--new", "Alk=Na2O+K2O", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(test::ReadFile(out), "Rock#,Na2O,K2O,Alk\r\nA,0.1,1.5,1.6\r\nB,3.25,n.d.,\r\n");
  // Without them the table is detected; a limit is no number and keeps its
  // text (with the program's decimal mark, so that it can be read again),
  // and the sum is left empty.
  r = test::RunBatch({"compute", lab, "--new", "Alk=Na2O+K2O", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(test::ReadFile(out), "Rock#,Na2O,K2O,Alk\r\nA,<0.2,1.5,\r\nB,3.25,n.d.,\r\n");
  // The exported limit reads as its value from the export (the empty sums
  // hold no number: that column comes in tagged).
  const QString again = dir.filePath(QStringLiteral("again.csv"));
  r = test::RunBatch({"export", out, "--below-limit", "limit", "-o", again});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(test::ReadFile(again), "Rock#,Na2O,K2O,Alk#\r\nA,0.2,1.5,\r\nB,3.25,n.d.,\r\n");
  // A sheet asked of a text table is said to be no use, and the table is read.
  r = test::RunBatch({"export", out, "--sheet", "2", "-o", again});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("warning: --sheet is for workbooks (.xlsx, .ods); alk.csv has no sheets and is read "
                             "whole."))
      << r.err.toStdString();
  EXPECT_EQ(test::ReadFile(again), "Rock#,Na2O,K2O,Alk#\r\nA,<0.2,1.5,\r\nB,3.25,n.d.,\r\n");
  // recalc reads the limit as its value when asked to: only n.d. is left
  // to count as 0.
  r = test::RunBatch(
      {"recalc", lab, "--oxygens", "4", "--below-limit", "limit", "--decimal-separator", ",", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("\n1 cell")) << r.out.toStdString();
  EXPECT_TRUE(test::ReadFile(out).startsWith("Rock#,Na2O,K2O,Na (4 O),K (4 O),Sum (4 O)\r\nA,0.2,1.5,"));
  r = test::RunBatch({"recalc", lab, "--oxygens", "4", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("\n2 cells marked below detection")) << r.out.toStdString();
}

}  // namespace
}  // namespace varnel
