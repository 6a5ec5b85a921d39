#include "sheet/datafile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <csignal>
#include <random>

#include "app/inifile.h"
#include "app/programfolder.h"
#include "controls/filehistory.h"
#include "sheet/filecommands.h"
#include "sheet/sheet.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/datasheet/sheetcells.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

// Everything after the first line break.
QByteArray AfterLine1(const QByteArray& bytes) { return bytes.mid(bytes.indexOf('\n') + 1); }

class DataFileTest : public ::testing::Test {
 protected:
  DataFileTest() {
    sheet.New1Click();
    history.ShowClear = true;
    files.Now = [] { return QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15)); };
  }
  QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
  void Write(const char* name, const QByteArray& bytes) { test::WriteFileOrFail(Path(name), bytes); }
  bool Load(const char* name) { return files.LoadDataFile(Path(name)); }
  std::string Cell(int c, int r) { return std::string(sheet.Cell(c, r)); }
  static QString Warn(const QString& first, const char* second) {
    return first + QStringLiteral("\n\r") + QString::fromUtf8(second);
  }
  static QString Refused(const char* why) {
    return Warn(QStringLiteral("Invalid data format: ") + QString::fromUtf8(why),
                "Reading will be cancelled.");
  }
  static QString TooMany(int line) {
    return Warn(QStringLiteral("Too many values in data line %1.").arg(line),
                "Excess values will be skipped.");
  }
  static QString TooFew(int line) {
    return Warn(QStringLiteral("Too few values in data line %1.").arg(line),
                "Missing values will be regarded as blanks.");
  }
  // The next box shows text and has only OK.
  void ExpectOk(BoxKind kind, const QString& text) {
    prompter.Expect(kind, text, Only(Button::Ok), Button::Ok);
  }
  void ExpectError(const QString& text) { ExpectOk(BoxKind::Error, text); }
  // The next box is a warning about a line, answered so.
  void ExpectParseWarning(const QString& text, Button answer) {
    prompter.Expect(BoxKind::Warning, text, Button::Ok | Button::Ignore, answer);
  }
  // What a file with a NUL character in the given line is refused with.
  static QString NotText(const QString& path, int line) {
    return QStringLiteral(
               "Cannot read \"%1\": line %2 holds a NUL character, so it is not a text file."
               "\n\rNothing was loaded.")
        .arg(path)
        .arg(line);
  }

  QTemporaryDir dir;
  test::ProgramDirScope folder{dir.path()};
  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet{prompter, &graph};
  QMenu reopen{QStringLiteral("&Reopen")};
  TFileHist history{&reopen, prompter};
  DataFiles files{sheet, &history, nullptr};
};

TEST_F(DataFileTest, LoadsNamesCasesAndTheDescription) {
  Write("rocks.vnp",
        "; rocks.vnp - VarnelData: Last saved on x\r\n;;Basalts of the rift\r\nLabel#\tSiO2\tMgO\r\n"
        "B-1\t49.1\t7.2\r\n\r\n; a remark\r\nB-2\t50.3\t6.8\r\n");
  ASSERT_TRUE(Load("rocks.vnp"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(test::Grid(sheet), "|Label#|SiO2|MgO/Y|B-1|49.1|7.2/Y|B-2|50.3|6.8")
      << "empty and comment lines make no cases";
  EXPECT_EQ(sheet.HeaderLine, QStringLiteral("Basalts of the rift"));
  EXPECT_EQ(sheet.IncludedCount(), 2) << "every case of a loaded file is included";
  EXPECT_TRUE(sheet.Saved);
  EXPECT_FALSE(sheet.Blank);
  EXPECT_EQ(sheet.SheetCaption(), QStringLiteral("rocks.vnp - VarnelData"));
  EXPECT_EQ(sheet.AppTitle(), QStringLiteral("rocks.vnp - Varnel"));
  EXPECT_EQ(history.Files(), QStringList{Path("rocks.vnp")});
  EXPECT_NE(std::find(graph.log.begin(), graph.log.end(), "connect all"), graph.log.end()) << "AutoConnect";
}

TEST_F(DataFileTest, RefusesFilesWithoutCasesOrSecondVariable) {
  sheet.SetCell(1, 1, "kept");
  Write("names.vnp", "; c\r\nA\tB\r\n");
  ExpectError(Refused("Found not enough data lines."));
  EXPECT_FALSE(Load("names.vnp"));
  Write("one.vnp", "A\r\n1\r\n2\r\n3\r\n");
  ExpectError(Refused("Not enough variables in first data line."));
  EXPECT_FALSE(Load("one.vnp"));
  EXPECT_EQ(Cell(1, 1), "kept");
  EXPECT_EQ(sheet.FileName, QStringLiteral("Untitled"));
  EXPECT_TRUE(history.Files().isEmpty());
}

TEST_F(DataFileTest, WarnsAboutTooManyAndTooFewValuesWithTheirLineNumbers) {
  // Line numbers count from 0 and include the comment lines.
  Write("ragged.vnp", "; c\r\n;;d\r\nA\tB\tC\r\n1\t2\t3\t4\r\n5\t6\r\n7\t8\t9\t\r\n");
  ExpectParseWarning(TooMany(3), Button::Ok);
  ExpectParseWarning(TooFew(4), Button::Ok);
  ExpectParseWarning(TooMany(5), Button::Ok);
  ASSERT_TRUE(Load("ragged.vnp"));
  EXPECT_EQ(test::Grid(sheet), "|A|B|C/Y|1|2|3/Y|5|6|/Y|7|8|9") << "a trailing TAB is a value too many";

  // Ignore silences the rest of this reading.
  ExpectParseWarning(TooMany(3), Button::Ignore);
  ASSERT_TRUE(Load("ragged.vnp"));

  // With the preference off there are no warnings at all.
  sheet.Prefs.ParseWarnings = false;
  ASSERT_TRUE(Load("ragged.vnp"));
}

TEST_F(DataFileTest, LoadingTwiceLeavesNoStaleCells) {
  Write("wide.vnp", "A\tB\tC\tD\r\n1\t2\t3\t4\r\n5\t6\t7\t8\r\n9\t10\t11\t12\r\n");
  Write("narrow.vnp", "X\tY\r\na\tb\r\n");
  ASSERT_TRUE(Load("wide.vnp"));
  ASSERT_TRUE(Load("narrow.vnp"));
  EXPECT_EQ(test::Grid(sheet), "|X|Y/Y|a|b");
  sheet.SetSize(5, 4);
  EXPECT_EQ(Cell(3, 1), "") << "cells of the wider file are gone";
}

TEST_F(DataFileTest, AnUnchangedFileSavesToTheSameBytesButForItsDate) {
  const QByteArray original =
      "; peridotite.vnp - VarnelData: Last saved on 1/2/25 10:00:00 Cases: 2 Variables: 3\r\n"
      ";;Spinel lherzolite\r\nLabel#\tSiO2\tMgO\r\nOl\t40.70\t48.6\r\nOpx\t 57.15\t34.44e0\r\n";
  Write("peridotite.vnp", original);
  ASSERT_TRUE(Load("peridotite.vnp"));
  sheet.Prefs.BackupWanted = false;
  ASSERT_TRUE(files.Save1Click());
  const QByteArray saved = test::ReadFile(Path("peridotite.vnp"));
  EXPECT_EQ(AfterLine1(saved), AfterLine1(original));
  EXPECT_TRUE(saved.startsWith("; peridotite.vnp - VarnelData: Last saved on "));
  EXPECT_TRUE(saved.left(saved.indexOf('\r')).endsWith(" Cases: 2 Variables: 3"));
}

TEST_F(DataFileTest, SavingTwiceKeepsTheFirstVersionAsBackupAndAFailedSaveLeavesBothAndSaysWhy) {
  Write("rocks.vnp", "A\tB\r\n1\t2\r\n");
  ASSERT_TRUE(Load("rocks.vnp"));
  sheet.SetCell(1, 1, "first");
  ASSERT_TRUE(files.Save1Click());
  const QByteArray firstSave = test::ReadFile(Path("rocks.vnp"));
  sheet.SetCell(1, 1, "second");
  ASSERT_TRUE(files.Save1Click());
  EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), firstSave);
  const QByteArray secondSave = test::ReadFile(Path("rocks.vnp"));
  EXPECT_TRUE(secondSave.contains("second"));

  sheet.SetCell(1, 1, "a much longer cell text than the size limit below allows to be written");
  sheet.Saved = false;
  prompter.AnswerNext(Button::Ok);
  bool ok = true;
  test::WithFileSizeLimit(16, [&] { ok = files.Save1Click(); });
  EXPECT_FALSE(ok);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("rocks.vnp")));
  EXPECT_EQ(test::ReadFile(Path("rocks.vnp")), secondSave);
  EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), firstSave)
      << "the backup is made only once the new file is safe";
  EXPECT_FALSE(sheet.Saved);
}

TEST_F(DataFileTest, SaveOfUntitledGoesThroughSaveAs) {
  sheet.SetCell(1, 1, "x");
  sheet.Blank = false;
  prompter.AnswerSave(std::nullopt);
  EXPECT_FALSE(files.Save1Click());
  EXPECT_EQ(prompter.dialogs.back().title, QStringLiteral("Save As"));
  EXPECT_EQ(prompter.dialogs.back().defaultSuffix, QStringLiteral("vnp"));
  EXPECT_FALSE(QFile::exists(Path("x.vnp")));
  prompter.AnswerSave(Path("x.vnp"));
  EXPECT_TRUE(files.Save1Click());
  EXPECT_EQ(sheet.SheetCaption(), QStringLiteral("x.vnp - VarnelData"));
  EXPECT_TRUE(test::ReadFile(Path("x.vnp")).startsWith("; x.vnp - VarnelData: Last saved on "));
}

TEST_F(DataFileTest, SaveSelectionWritesItsOwnThreeHeaderLines) {
  Write("rocks.vnp",
        ";;Rift basalts\r\nL#\tSiO2\tMgO\tCaO\r\nB1\t49\t7\t11\r\nB2\t50\t6\t10\r\nB3\t51\t5\t9\r\n");
  ASSERT_TRUE(Load("rocks.vnp"));
  sheet.Sel = Selection{2, 2, 3, 3};
  prompter.AnswerSave(Path("part.vnp"));
  files.SaveSelection1Click();
  const QByteArray part = test::ReadFile(Path("part.vnp"));
  EXPECT_TRUE(part.startsWith("; part.vnp - Last saved on "));
  EXPECT_TRUE(part.left(part.indexOf('\n')).endsWith(" Cases: 2 Variables: 2\r"));
  EXPECT_EQ(AfterLine1(part), ";;Rift basalts\r\nSiO2\tMgO\r\n50\t6\r\n51\t5\r\n");
  EXPECT_EQ(sheet.FileName, Path("rocks.vnp")) << "the sheet keeps its own file";
}

TEST_F(DataFileTest, AppendTurnsTheNameLineIntoAnExcludedCase) {
  Write("a.vnp", "A\tB\r\n1\t2\r\n");
  Write("more.vnp", "; c\r\nA\tB\r\n3\t4\r\n\r\n5\t6\r\n7\t8\r\n");
  ASSERT_TRUE(Load("a.vnp"));
  prompter.AnswerOpen(Path("more.vnp"));
  files.AppendFile1Click();
  EXPECT_EQ(prompter.dialogs.back().title, QStringLiteral("Append Data File"));
  EXPECT_EQ(test::Grid(sheet), "|A|B/Y|1|2/N|A|B/N|3|4/N|5|6/N|7|8");
  EXPECT_EQ(sheet.IncludedCount(), 1);
  EXPECT_FALSE(sheet.Saved);
  EXPECT_EQ(history.Files(), QStringList{Path("a.vnp")}) << "appended files are not remembered";

  Write("empty.vnp", "; nothing\r\n\r\n");
  prompter.AnswerOpen(Path("empty.vnp"));
  ExpectOk(BoxKind::Warning, QStringLiteral("Warning: no valid data lines found in file ") +
                                 Path("empty.vnp") +
                                 QStringLiteral(".\n\rFile may be empty or incorrectly formatted."));
  files.AppendFile1Click();
  EXPECT_EQ(sheet.CaseCount(), 5);
}

TEST_F(DataFileTest, AppendReadsEightBitFilesAndRefusesOnesWithANul) {
  Write("a.vnp", "Label#\tB\r\nx\t2\r\n");
  ASSERT_TRUE(Load("a.vnp"));
  Write("old.vnp", "Label#\tB\r\nCa\xEFte\t850\r");
  prompter.AnswerOpen(Path("old.vnp"));
  files.AppendFile1Click();
  ASSERT_EQ(sheet.CaseCount(), 3);
  EXPECT_EQ(Cell(1, 3), "Ca\xC3\xAFte") << "Windows-1252 decoded, the last line without a break read";

  Write("nul.vnp", QByteArray("A\tB\r\n1\t2\r\n3\0\t4\r\n", 16));
  prompter.AnswerOpen(Path("nul.vnp"));
  ExpectError(NotText(Path("nul.vnp"), 3));
  files.AppendFile1Click();
  EXPECT_EQ(sheet.CaseCount(), 3) << "nothing of the file was appended";
}

TEST_F(DataFileTest, PasteAsNewFileRefusesTextWithoutTabButKeepsTheCaption) {
  sheet.SetCell(1, 1, "old");
  ExpectError(Refused("Not enough variables in first data line."));
  files.PasteFile1Click(QStringLiteral("one\ntwo\nthree"));
  EXPECT_EQ(Cell(1, 1), "old");
  EXPECT_EQ(sheet.SheetCaption(), QStringLiteral("Untitled - VarnelData"));

  // Text cut at a NUL would lose its rest: refused before anything is asked.
  const QString withNul = QStringLiteral("X\tY\r\n1\t2\r\n3") + QChar(0) + QStringLiteral("\t4\r\n");
  ExpectError(
      QStringLiteral("The text on the clipboard holds a NUL character in line 3, so it is not text."
                     "\n\rNothing was pasted."));
  files.PasteFile1Click(withNul);
  EXPECT_EQ(Cell(1, 1), "old");

  files.PasteFile1Click(QStringLiteral("X\tY\r\n1\t2\r\n"));
  EXPECT_EQ(test::Grid(sheet), "|X|Y/Y|1|2");
  EXPECT_FALSE(sheet.Saved) << "the data are in no file";
  EXPECT_EQ(sheet.IncludedCount(), 1);
}

TEST_F(DataFileTest, PasteLinesFillsABlockFromOneValueAndRenamesFromRowZero) {
  const std::vector<std::string_view> one{"0.5"};
  PasteLines(sheet, one, 2, 3, 4, 6);
  for (int r = 3; r <= 6; ++r) EXPECT_EQ(test::Row(sheet, r, 1, 5), "|0.5|0.5|0.5|") << "case " << r;
  EXPECT_FALSE(sheet.Saved);
  EXPECT_FALSE(sheet.Blank);

  sheet.Connected = true;
  graph.log.clear();
  const std::vector<std::string_view> names{"SiO2\tMgO", "1\t2\t3"};
  PasteLines(sheet, names, 1, 0, 1, 0);
  EXPECT_EQ(test::Row(sheet, 0, 1, 3), "SiO2|MgO|Var_3#");
  EXPECT_EQ(Cell(3, 1), "3");
  ASSERT_GE(graph.log.size(), 3u);
  EXPECT_EQ(std::vector(graph.log.begin(), graph.log.begin() + 3),
            (std::vector<std::string>{"rename 1 SiO2", "rename 2 MgO", "rename 3 Var_3#"}))
      << "k of the last line: three columns";
}

TEST_F(DataFileTest, PasteLinesWarnsAboutWhatDoesNotFit) {
  sheet.Prefs.DefaultColCount = 3;
  sheet.Prefs.DefaultRowCount = 3;
  sheet.New1Click();
  const std::vector<std::string_view> lines{"a\tb\tc\td", "e", "f", "g"};
  ExpectParseWarning(Warn(QStringLiteral("Number of values in row 1 exceed current DataSheetSize."),
                          "Excess values will be skipped."),
                     Button::Ok);
  ExpectParseWarning(Warn(QStringLiteral("Pasted data lines exceed current DataSheet size."),
                          "Excess lines will be skipped."),
                     Button::Ok);
  PasteLines(sheet, lines, 1, 1, 1, 1);
  EXPECT_EQ(test::Grid(sheet), "|Var_1#|Var_2#|Var_3#/N|a|b|c/N|e||/N|f||") << "the sheet is not enlarged";
}

TEST_F(DataFileTest, ReadsWindows1252AndWritesItBackUnlessACharacterNeedsUtf8) {
  Write("old.vnp",
        "Label#\tT\xB0"
        "C\r\nCa\xEFte\t850\r\n");
  ASSERT_TRUE(Load("old.vnp"));
  EXPECT_EQ(test::Grid(sheet),
            "|Label#|T\xC2\xB0"
            "C/Y|Ca\xC3\xAFte|850");
  sheet.Prefs.BackupWanted = false;
  ASSERT_TRUE(files.Save1Click());
  EXPECT_TRUE(AfterLine1(test::ReadFile(Path("old.vnp")))
                  .endsWith("Label#\tT\xB0"
                            "C\r\nCa\xEFte\t850\r\n"));
  sheet.SetCell(1, 1, "\xCE\xB1-quartz");
  ASSERT_TRUE(files.Save1Click());
  EXPECT_TRUE(test::ReadFile(Path("old.vnp"))
                  .endsWith("Label#\tT\xC2\xB0"
                            "C\r\n\xCE\xB1-quartz\t850\r\n"));
  EXPECT_EQ(sheet.FileEncoding, TextEncoding::Utf8);
}

// The cells, the description and the size of a sheet, for comparing two readings.
std::vector<std::string> Contents(const Sheet& s) {
  std::vector<std::string> out{s.HeaderLine.toStdString(), std::to_string(s.ColCount()),
                               std::to_string(s.RowCount())};
  for (int r = 0; r < s.RowCount(); ++r)
    for (int c = 1; c < s.ColCount(); ++c) out.emplace_back(s.Cell(c, r));
  return out;
}

TEST_F(DataFileTest, AFileReadInPiecesGivesWhatItsWholeTextGives) {
  // Every kind of line break, comment and description lines, ragged lines,
  // a byte-order mark and 8-bit text; breaks of every piece size fall in
  // every place, CR LF split between two pieces among them.
  std::mt19937 gen(2026);
  const char* const breaks[] = {"\r\n", "\n", "\r"};
  const char* const fields[] = {"1.5", "", "-0.25", "Ol", "\xC3\xA9", "x y", "1e3"};
  for (int round = 0; round < 12; ++round) {
    std::string text = round % 3 == 0 ? "\xEF\xBB\xBF" : "";
    text += ";;desc " + std::to_string(round) + breaks[gen() % 3];
    text += "Label#\tA\tB\tC";
    for (int line = 0; line < 40; ++line) {
      text += breaks[gen() % 3];
      if (gen() % 9 == 0) text += "; remark";
      if (gen() % 11 == 0) continue;
      const int n = 1 + static_cast<int>(gen() % 6);
      for (int f = 0; f < n; ++f) text += std::string(f ? "\t" : "") + fields[gen() % 7];
    }
    if (round % 4 == 1) text += "\r\n";
    if (round % 3 == 2) text += "\xB0";  // no longer UTF-8: Windows-1252
    Write("pieces.vnp", QByteArray::fromStdString(text));

    WorkLines whole;
    whole.SetBytes(std::string_view(text));
    test::ScriptedPrompter quiet;
    quiet.AnswerAnyWith(Button::Ignore);
    Sheet expected(quiet);
    expected.New1Click();
    ReadOptions options;
    ASSERT_TRUE(ReadDataLines(expected, whole.lines, options));
    for (std::size_t piece : {1u, 2u, 3u, 5u, 8u, 64u, 1u << 20}) {
      Sheet read(quiet);
      read.New1Click();
      options.PieceSize = piece;
      TextEncoding encoding;
      ASSERT_TRUE(ReadDataFile(read, Path("pieces.vnp"), options, &encoding)) << round << " " << piece;
      EXPECT_EQ(Contents(read), Contents(expected)) << "round " << round << ", pieces of " << piece;
      EXPECT_EQ(encoding, whole.encoding) << round;
    }
  }
}

TEST_F(DataFileTest, BadInputEndsInMessagesOrLoadsWhatItCan) {
  // Random binary bytes: whatever the reader makes of them, it ends.
  std::mt19937 gen(12);
  QByteArray noise(200000, '\0');
  for (char& ch : noise) ch = static_cast<char>(1 + gen() % 255);
  Write("noise.bin", noise);
  sheet.Prefs.ParseWarnings = false;
  prompter.AnswerAnyWith(Button::Ok);
  Load("noise.bin");
  prompter.AnswerAnyWith(std::nullopt);

  // One line of megabytes and tens of thousands of fields.
  QByteArray wide;
  for (int k = 0; k < 30000; ++k) wide += "V" + QByteArray::number(k) + "\t";
  wide += "last\r\n";
  wide += QByteArray(3000000, 'x') + "\r\n";
  Write("wide.vnp", wide);
  ASSERT_TRUE(Load("wide.vnp"));
  EXPECT_EQ(sheet.VariableCount(), 30001);
  EXPECT_EQ(sheet.Cell(1, 1).size(), 3000000u);
}

TEST_F(DataFileTest, PrintLinesOfASelection) {
  Write("rocks.vnp", ";;Rift\r\nL#\tSiO2\tMgO\tCaO\r\nB1\t49\t7\t11\r\nB2\t50\t6\t10\r\n");
  ASSERT_TRUE(Load("rocks.vnp"));
  sheet.Sel = Selection{2, 1, 4, 2};
  const std::string text = files.PrintLines(true);
  const std::vector<std::string_view> lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(lines[0].starts_with("; rocks.vnp - Printed on "));
  EXPECT_TRUE(lines[0].ends_with(" Cases: 2 Variables: 3"));
  EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()),
            (std::vector<std::string_view>{";;Rift", "SiO2\tMgO\tCaO", "49\t7\t11", "50\t6\t10"}));
  const std::string whole = files.PrintLines(false);
  const std::vector<std::string_view> all = SplitLines(whole);
  EXPECT_EQ(all.size(), 5u);
  EXPECT_TRUE(all[0].ends_with(" Cases: 2 Variables: 4"));
  EXPECT_EQ(all[2], "L#\tSiO2\tMgO\tCaO");
}

TEST_F(DataFileTest, RecentFilesKeepNineMostRecentFirst) {
  // A gap in the stored keys ends the list.
  IniFile stored(SettingsFilePath());
  stored.WriteString(QStringLiteral("RecentFiles"), QStringLiteral("File1"), QStringLiteral("/a.vnp"));
  stored.WriteString(QStringLiteral("RecentFiles"), QStringLiteral("File3"), QStringLiteral("/c.vnp"));
  ASSERT_TRUE(stored.Save());
  history.Load();
  EXPECT_EQ(history.Files(), QStringList{QStringLiteral("/a.vnp")});

  for (int k = 1; k <= 10; ++k) history.AddFile(QStringLiteral("/data/f%1.vnp").arg(k));
  ASSERT_EQ(history.Files().size(), 9);
  EXPECT_EQ(history.Files().first(), QStringLiteral("/data/f10.vnp"));
  EXPECT_EQ(history.Files().last(), QStringLiteral("/data/f2.vnp")) << "the oldest dropped";
  history.AddFile(QStringLiteral("/data/f8.vnp"));
  EXPECT_EQ(history.Files()[0], QStringLiteral("/data/f8.vnp"));
  EXPECT_EQ(history.Files()[1], QStringLiteral("/data/f10.vnp"));
  EXPECT_EQ(history.Files().size(), 9);
  // The menu is numbered from &1, with the clear item at the end.
  const QList<QAction*> items = reopen.actions();
  EXPECT_EQ(items[0]->text(), QStringLiteral("&1  /data/f8.vnp"));
  EXPECT_EQ(items[8]->text(), QStringLiteral("&9  /data/f2.vnp"));
  EXPECT_EQ(items.last()->text(), QStringLiteral("&Clear History"));
  EXPECT_EQ(items.last()->objectName(), QStringLiteral("miMRFClear"));

  const IniFile ini(SettingsFilePath());
  EXPECT_EQ(ini.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("File1"), QString()),
            QStringLiteral("/data/f8.vnp"));

  prompter.Expect(BoxKind::Warning,
                  QStringLiteral("All history items will be removed from the menu. Continue?"),
                  Button::Yes | Button::No, Button::Yes);
  items.last()->trigger();
  EXPECT_TRUE(history.Files().isEmpty());
  EXPECT_TRUE(reopen.actions().isEmpty());
  const IniFile cleared(SettingsFilePath());
  EXPECT_EQ(cleared.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("File9"), QStringLiteral("x")),
            QString());
}

TEST_F(DataFileTest, PickingARecentFileLoadsItAndMovesItUp) {
  Write("a.vnp", "A\tB\r\n1\t2\r\n");
  Write("b.vnp", "C\tD\r\n3\t4\r\n");
  ASSERT_TRUE(Load("a.vnp"));
  ASSERT_TRUE(Load("b.vnp"));
  history.OnFileSelected = [this](const QString& path, int& action) { files.FileSelected(path, action); };
  reopen.actions()[1]->trigger();
  EXPECT_EQ(Cell(1, 0), "A");
  EXPECT_EQ(history.Files().first(), Path("a.vnp"));
  // A vanished file fails with the system's message but still moves up.
  QFile::remove(Path("b.vnp"));
  prompter.AnswerNext(Button::Ok);
  reopen.actions()[1]->trigger();
  EXPECT_EQ(history.Files().first(), Path("b.vnp"));
  EXPECT_EQ(Cell(1, 0), "A");
}

TEST_F(DataFileTest, AFailedSaveAsKeepsTheFileTheSheetCameFrom) {
  const QString good = Path("good.vnp");
  sheet.SetCell(1, 1, "5");
  sheet.Blank = false;
  sheet.Saved = false;
  prompter.AnswerSave(good);
  ASSERT_TRUE(files.SaveAs1Click());
  prompter.AnswerSave(Path("no-such-folder/bad.vnp"));
  prompter.AnswerNext(Button::Ok);  // the system's reason
  EXPECT_FALSE(files.SaveAs1Click());
  EXPECT_EQ(sheet.FileName, good);
  EXPECT_EQ(sheet.SheetCaption(), QStringLiteral("good.vnp - VarnelData"));
  sheet.SetCell(1, 1, "6");
  EXPECT_TRUE(files.Save1Click()) << "a later Save still goes to the file the sheet came from";
  EXPECT_TRUE(AfterLine1(test::ReadFile(good)).contains("6"));
}

TEST_F(DataFileTest, FilesWithNulBytesAreRefusedAndNothingIsLoaded) {
  Write("good.vnp", "A\tB\r\n1\t2\r\n");
  ASSERT_TRUE(Load("good.vnp"));
  sheet.CommitCellEdit(1, 1, "edited");
  ASSERT_FALSE(sheet.Saved);

  // What followed the NUL would have been dropped, and a save would have
  // made the loss final.
  Write("nul.vnp", QByteArray("A\tB\r\n1\t2\r\n3\t\0 4\r\n5\t6\r\n", 22));
  ExpectError(NotText(Path("nul.vnp"), 3));
  EXPECT_FALSE(Load("nul.vnp"));
  EXPECT_EQ(Cell(1, 1), "edited");
  EXPECT_FALSE(sheet.Saved) << "the unsaved edit is still unsaved";
  EXPECT_EQ(sheet.FileName, Path("good.vnp"));
  EXPECT_EQ(history.Files().first(), Path("good.vnp"));
}

TEST_F(DataFileTest, InputsThatAreNotRegularFilesAreRefused) {
  sheet.CommitCellEdit(1, 1, "kept");
  const QString fifo = Path("pipe.vnp");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  for (const QString& path : {QStringLiteral("/dev/zero"), fifo, dir.path()}) {
    prompter.AnswerNext(Button::Ok);
    EXPECT_FALSE(files.LoadDataFile(path)) << path.toStdString();
    EXPECT_TRUE(prompter.shown.back().text.startsWith(QStringLiteral("Cannot open"))) << path.toStdString();
  }
  EXPECT_EQ(Cell(1, 1), "kept");
}

TEST_F(DataFileTest, ManyBadLinesShowTheFirstHundredWarningsAndACount) {
  QByteArray text = "A\tB\tC\r\n";
  for (int k = 0; k < 250; ++k) text += "1\r\n";
  Write("bad.vnp", text);
  prompter.AnswerAnyWith(Button::Ok);
  ASSERT_TRUE(Load("bad.vnp"));
  prompter.AnswerAnyWith(std::nullopt);
  ASSERT_EQ(prompter.shown.size(), static_cast<std::size_t>(MaxShownWarnings) + 1);
  EXPECT_EQ(prompter.shown[0].text, TooFew(1));
  EXPECT_EQ(prompter.shown[99].text, TooFew(100));
  EXPECT_EQ(prompter.shown[100].text, QStringLiteral("... and 150 more warnings of the same kinds."));
  EXPECT_EQ(prompter.shown[100].buttons, Only(Button::Ok));
  EXPECT_EQ(sheet.CaseCount(), 250);

  // Ignore still silences the rest, the count included.
  prompter.shown.clear();
  prompter.AnswerNext(Button::Ignore);
  ASSERT_TRUE(Load("bad.vnp"));
  EXPECT_EQ(prompter.shown.size(), 1u);
}

// The outcome of loading a file in a child process whose address space is
// limited to what it uses now plus budget bytes.
enum LimitedLoad { Loaded = 0, RefusedUnchanged = 1, RefusedButChanged = 2, LoadedWrongly = 3, NotRun = 4 };

int LoadUnderMemoryLimit(const QString& path, std::size_t budget, int expectedCases,
                         int expectedWarnings = MaxShownWarnings + 1) {
  return test::RunInChild([&] {
    test::ScriptedPrompter prompter;
    prompter.AnswerAnyWith(Button::Ok);
    Sheet sheet(prompter);
    sheet.New1Click();
    sheet.CommitCellEdit(1, 1, "unsaved edit");
    DataFiles files(sheet, nullptr, nullptr);
    struct rlimit limit;
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = test::AddressSpaceInUse() + budget;
    if (setrlimit(RLIMIT_AS, &limit) != 0) return static_cast<int>(NotRun);
    const bool ok = files.LoadDataFile(path);
    int warnings = 0;
    QString lastError;
    for (const auto& box : prompter.shown) {
      if (box.kind == BoxKind::Warning) ++warnings;
      if (box.kind == BoxKind::Error) lastError = box.text;
    }
    if (ok)
      return static_cast<int>(
          sheet.CaseCount() == expectedCases && warnings == expectedWarnings ? Loaded : LoadedWrongly);
    const bool unchanged = sheet.Cell(1, 1) == "unsaved edit" && !sheet.Saved && sheet.CaseCount() == 20 &&
                           lastError.startsWith(QStringLiteral("Not enough memory to read"));
    return static_cast<int>(unchanged ? RefusedUnchanged : RefusedButChanged);
  });
}

TEST_F(DataFileTest, AFileOfManyBadLinesIsReadWithinAMemoryLimitOrRefusedWithTheSheetKept) {
  if (test::AddressSanitizerBuild)
    GTEST_SKIP() << "an address-space limit cannot work under AddressSanitizer";
  // Short lines that each make a warning: a text kept for each of them
  // needed many times the file's size.
  const int lines = 1'000'000;
  QByteArray text = "A\tB\tC\n";
  text.reserve(lines * 2 + 16);
  for (int k = 0; k < lines; ++k) text += "7\n";
  Write("short.vnp", text);
  // The file, its lines and a grid of 4 x 1,000,000 cells of 16 bytes take
  // about 82 MB; a warning text for every line would need 200 MB more.
  EXPECT_EQ(LoadUnderMemoryLimit(Path("short.vnp"), 160u << 20, lines), Loaded);
  // Far too little memory: refused with a message, the sheet and its
  // unsaved edit as they were, nothing aborted.
  EXPECT_EQ(LoadUnderMemoryLimit(Path("short.vnp"), 40u << 20, lines), RefusedUnchanged);
}

TEST_F(DataFileTest, AFileOfAnalysesIsReadInLittleMoreThanItsGrid) {
  if (test::AddressSanitizerBuild)
    GTEST_SKIP() << "an address-space limit cannot work under AddressSanitizer";
  // 12 variables of seven-character values: 96 bytes a case in the file,
  // 13 cells of 16 bytes (208 bytes) in the grid, 2.2 times the file. The
  // whole text held beside the grid would need 3.2 times.
  const int cases = 300'000;
  QByteArray text = "Label#\tSiO2\tTiO2\tAl2O3\tFeO\tMnO\tMgO\tCaO\tNa2O\tK2O\tP2O5\tCr2O3\n";
  text.reserve(cases * 97 + 100);
  std::mt19937 gen(7);
  for (int k = 0; k < cases; ++k) {
    text += "S" + QByteArray::number(1000000 + k);
    for (int v = 0; v < 11; ++v)
      text += "\t" + QByteArray::number(10 + gen() % 89) + "." + QByteArray::number(1000 + gen() % 9000);
    text += "\n";
  }
  Write("analyses.vnp", text);
  const auto size = static_cast<std::size_t>(text.size());
  text = QByteArray();
  EXPECT_EQ(LoadUnderMemoryLimit(Path("analyses.vnp"), size * 27 / 10, cases, 0), Loaded);
}

TEST_F(DataFileTest, AGridBeyondTheMachinesMemoryIsRefusedBeforeItIsMade) {
  // 200,001 columns by 100,001 rows: 320 GB of cells from a 600 kB file.
  QByteArray text;
  text.reserve(600000);
  for (int k = 0; k < 200000; ++k) text += "\t";
  text += "\n";
  for (int k = 0; k < 100000; ++k) text += "1\n";
  Write("sparse.vnp", text);
  sheet.CommitCellEdit(1, 1, "kept");
  sheet.Prefs.ParseWarnings = false;
  ExpectError(QStringLiteral("Not enough memory to read \"%1\".\n\rThe DataSheet was left as it was.")
                  .arg(Path("sparse.vnp")));
  EXPECT_FALSE(Load("sparse.vnp"));
  EXPECT_EQ(Cell(1, 1), "kept");
  EXPECT_EQ(sheet.ColCount(), 11);
}

TEST_F(DataFileTest, SavingOverAFolderOrAReadOnlyFileSaysWhyAndKeepsTheSheetUnsaved) {
  ASSERT_TRUE(QDir().mkdir(Path("folder.vnp")));
  sheet.CommitCellEdit(1, 1, "data");
  prompter.AnswerSave(Path("folder.vnp"));
  ExpectError(QStringLiteral("Cannot write \"%1\": it is a folder.").arg(Path("folder.vnp")));
  EXPECT_FALSE(files.SaveAs1Click());
  EXPECT_FALSE(sheet.Saved);

  Write("locked.vnp", "A\tB\r\n1\t2\r\n");
  QFile::setPermissions(Path("locked.vnp"), QFileDevice::ReadOwner);
  prompter.AnswerSave(Path("locked.vnp"));
  ExpectError(QStringLiteral("Cannot write \"%1\": the file is read-only.").arg(Path("locked.vnp")));
  EXPECT_FALSE(files.SaveAs1Click());
  EXPECT_EQ(test::ReadFile(Path("locked.vnp")), "A\tB\r\n1\t2\r\n");
  EXPECT_FALSE(sheet.Saved);
}

}  // namespace
}  // namespace varnel
