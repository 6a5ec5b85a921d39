#include "app/textpad.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <csignal>

#include "app/textprinting.h"
#include "tests/support/files.h"
#include "tests/support/pdftext.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

class TextPadTest : public ::testing::Test {
 protected:
  TextPadTest() : pad(prompter, printer, Env()) {}
  TVN_Txt::Environment Env() {
    TVN_Txt::Environment env;
    env.BackupWanted = [this] { return backups; };
    env.DataFileName = [] { return QStringLiteral("/data/rocks.vnp"); };
    return env;
  }
  void Type(const QString& text) {
    pad.TxtRichEdit()->moveCursor(QTextCursor::End);
    pad.TxtRichEdit()->insertPlainText(text);
  }
  bool On(const char* name) { return pad.Action(QString::fromLatin1(name))->isEnabled(); }
  // Whether the context menu, made ready to show, offers the item.
  bool PopupOn(const char* name) {
    pad.PrepareContextMenu();
    for (QAction* item : pad.ContextMenu()->actions())
      if (item->objectName() == QLatin1String(name)) return item->isEnabled();
    ADD_FAILURE() << "no context menu item " << name;
    return false;
  }
  // The next box asks whether to save the untitled text.
  void ExpectSaveQuestion(Buttons buttons, Button answer) {
    prompter.Expect(BoxKind::Confirmation,
                    QStringLiteral("TextPad file Untitled has changed.\n\rSave modifications?"), buttons,
                    answer);
  }

  QTemporaryDir dir;
  bool backups = true;
  test::ScriptedPrompter prompter;
  TextPrinter printer;
  TVN_Txt pad;
};

TEST_F(TextPadTest, AReportReplacesTheTextAndShowsTheWindow) {
  pad.show();
  pad.StartReport();
  EXPECT_FALSE(pad.isVisible()) << "hidden while the report is made";
  pad.AppendLines({QStringLiteral("Singular Value Decomposition (SVD) results."), QString(),
                   QStringLiteral(" 1.0000\t 2.0000")});
  pad.SetTabStops(4, 56);
  pad.CaretToEnd();
  pad.ShowReport();
  EXPECT_TRUE(pad.isVisible());
  EXPECT_EQ(pad.Lines(), QStringList({QStringLiteral("Singular Value Decomposition (SVD) results."),
                                      QString(), QStringLiteral(" 1.0000\t 2.0000")}));
  EXPECT_EQ(pad.TabStopCount(), 4);
  EXPECT_EQ(pad.TabStopWidth(), 56) << "as the report asked, in points";
  const QTextCursor caret = pad.TxtRichEdit()->textCursor();
  EXPECT_FALSE(caret.hasSelection());
  EXPECT_TRUE(caret.atEnd());
  EXPECT_TRUE(pad.Modified()) << "a report is unsaved text";
}

TEST_F(TextPadTest, BlocksAppendAfterTheRememberedPosition) {
  pad.StartReport();
  pad.AppendLines({QString()});  // an empty first line is still a line
  const int start = pad.BlockStart();
  pad.AppendLines({QStringLiteral("Rank\t3")});
  pad.SetBlockTabStops(start, 2, 76);
  const int next = pad.BlockStart();
  EXPECT_GT(next, start);
  pad.AppendLines({QStringLiteral("a"), QStringLiteral("b")});
  pad.SetBlockTabStops(next, 3, 112);
  EXPECT_EQ(pad.Lines(),
            QStringList({QString(), QStringLiteral("Rank\t3"), QStringLiteral("a"), QStringLiteral("b")}));
  EXPECT_EQ(pad.TabStopWidth(), 112);
  EXPECT_TRUE(pad.TxtRichEdit()->textCursor().atEnd());
}

TEST_F(TextPadTest, NewOffersCancelOnlyToItsOwnCommand) {
  Type(QStringLiteral("my notes"));
  ExpectSaveQuestion(Button::Yes | Button::No | Button::Cancel, Button::Cancel);
  pad.Action(QStringLiteral("New1"))->trigger();
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("my notes")});

  // Yes, then the Save As dialog cancelled: the TextPad's own New keeps the text.
  ExpectSaveQuestion(Button::Yes | Button::No | Button::Cancel, Button::Yes);
  prompter.AnswerSave(std::nullopt);
  pad.Action(QStringLiteral("New1"))->trigger();
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("my notes")});

  // A report offers Yes and No, and replaces the text either way.
  ExpectSaveQuestion(Button::Yes | Button::No, Button::Yes);
  prompter.AnswerSave(std::nullopt);
  pad.StartReport();
  EXPECT_TRUE(pad.Lines().isEmpty());
  Type(QStringLiteral("more"));
  ExpectSaveQuestion(Button::Yes | Button::No, Button::No);
  pad.StartReport();
  EXPECT_TRUE(pad.Lines().isEmpty());
  EXPECT_FALSE(pad.Modified());
  EXPECT_EQ(pad.windowTitle(), QStringLiteral("Untitled - Varnel TextPad"));
}

TEST_F(TextPadTest, SavingUntitledGoesThroughSaveAsAndKeepsABackup) {
  Type(QStringLiteral("line one\nline two"));
  const QString path = dir.filePath(QStringLiteral("report.txt"));
  prompter.AnswerSave(path);
  pad.Action(QStringLiteral("Save1"))->trigger();
  ASSERT_EQ(prompter.dialogs.size(), 1u);
  EXPECT_EQ(prompter.dialogs[0].title, QStringLiteral("Save As"));
  EXPECT_EQ(prompter.dialogs[0].defaultSuffix, QStringLiteral("txt"));
  EXPECT_EQ(prompter.dialogs[0].filterIndex, 2);
  EXPECT_TRUE(prompter.dialogs[0].confirmOverwrite);
  EXPECT_EQ(test::ReadFile(path), "line one\r\nline two\r\n");
  EXPECT_FALSE(pad.Modified());
  EXPECT_EQ(pad.windowTitle(), QStringLiteral("report.txt - Varnel TextPad"));

  Type(QStringLiteral("\nline three"));
  pad.Action(QStringLiteral("Save1"))->trigger();
  EXPECT_EQ(test::ReadFile(path), "line one\r\nline two\r\nline three\r\n");
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("report.BAK"))), "line one\r\nline two\r\n");
}

TEST_F(TextPadTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
  const QString path = dir.filePath(QStringLiteral("keep.txt"));
  ASSERT_TRUE(test::WriteFile(path, "precious\r\n"));
  ASSERT_TRUE(pad.OpenFile(path));
  Type(QStringLiteral(" and more text than the limit allows"));
  prompter.AnswerNext(Button::Ok);
  bool saved = true;
  test::WithFileSizeLimit(8, [&] { saved = pad.Save(); });
  EXPECT_FALSE(saved);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, BoxKind::Error);
  EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("keep.txt")));
  EXPECT_EQ(test::ReadFile(path), "precious\r\n");
  EXPECT_TRUE(pad.Modified());
}

TEST_F(TextPadTest, OpensUtf8AndWindows1252AndSavesEachBackAsItWas) {
  const QString utf8 = dir.filePath(QStringLiteral("u.txt"));
  ASSERT_TRUE(test::WriteFile(utf8,
                              "T = 850 \xC2\xB0"
                              "C\r\n\xCE\xB1-quartz\n"));
  ASSERT_TRUE(pad.OpenFile(utf8));
  EXPECT_EQ(pad.Lines(), QStringList({QStringLiteral("T = 850 °C"), QStringLiteral("α-quartz")}));
  EXPECT_EQ(pad.Encoding(), TextEncoding::Utf8);
  EXPECT_FALSE(pad.Modified());

  const QString old = dir.filePath(QStringLiteral("w.txt"));
  ASSERT_TRUE(test::WriteFile(old,
                              "Ca\xEF"
                              "ssite \x96 25\xB0\r\n"));
  ASSERT_TRUE(pad.OpenFile(old));
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("Caïssite – 25°")});
  EXPECT_EQ(pad.Encoding(), TextEncoding::Windows1252);
  backups = false;
  Type(QStringLiteral("!"));
  ASSERT_TRUE(pad.Save());
  EXPECT_EQ(test::ReadFile(old),
            "Ca\xEF"
            "ssite \x96 25\xB0!\r\n");
  // A character the old code page cannot hold makes the file UTF-8.
  Type(QStringLiteral(" α"));
  ASSERT_TRUE(pad.Save());
  EXPECT_EQ(test::ReadFile(old), "Ca\xC3\xAFssite \xE2\x80\x93 25\xC2\xB0! \xCE\xB1\r\n");
}

TEST_F(TextPadTest, AFailedOpenOrAFileWithANulByteChangesNothing) {
  Type(QStringLiteral("kept"));
  const QString path = dir.filePath(QStringLiteral("report.txt"));
  test::WriteFileOrFail(path, QByteArray("line one\nline two\n\0and what followed\n", 38));
  prompter.AnswerNext(Button::Ok);  // the system's reason
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("Cannot read \"%1\": line 3 holds a NUL character, so it is not a text file."
                                 "\n\rNothing was loaded.")
                      .arg(path),
                  Only(Button::Ok), Button::Ok);
  for (const QString& file : {dir.filePath(QStringLiteral("absent.txt")), path}) {
    EXPECT_FALSE(pad.OpenFile(file)) << file.toStdString();
    EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("kept")});
    EXPECT_TRUE(pad.Modified());
    EXPECT_EQ(pad.FileName(), QStringLiteral("Untitled"));
  }
}

TEST_F(TextPadTest, MenuStatesFollowTextSelectionAndReadOnly) {
  QApplication::clipboard()->setText(QStringLiteral("clip"));
  pad.RefreshMenus();
  for (const char* name : {"Save1", "SaveAs1", "Print1", "SelectAll1", "Copy1", "Cut1", "Delete1"})
    EXPECT_FALSE(On(name)) << name;
  EXPECT_TRUE(On("Paste1"));

  Type(QStringLiteral("olivine"));
  pad.RefreshMenus();
  EXPECT_TRUE(On("Save1"));
  EXPECT_TRUE(On("Undo1"));
  EXPECT_FALSE(On("Copy1"));
  pad.TxtRichEdit()->selectAll();
  for (const char* name : {"Copy1", "Cut1", "Delete1"}) EXPECT_TRUE(On(name)) << name;

  const QColor editable = pad.TxtRichEdit()->palette().color(QPalette::Base);
  pad.Action(QStringLiteral("ReadOnly1"))->trigger();
  EXPECT_TRUE(pad.Action(QStringLiteral("ReadOnly1"))->isChecked());
  EXPECT_TRUE(On("Copy1"));
  for (const char* name : {"Cut1", "Delete1", "Paste1", "Undo1"})
    EXPECT_FALSE(On(name)) << name << " when read-only";
  EXPECT_EQ(pad.TxtRichEdit()->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::Button));
  EXPECT_FALSE(PopupOn("TxECut1"));
  EXPECT_TRUE(PopupOn("TxECopy1"));
  pad.SetReadOnly(false);
  EXPECT_EQ(pad.TxtRichEdit()->palette().color(QPalette::Base), editable);
}

TEST_F(TextPadTest, PrintsTheSelectionOnly) {
  VARNEL_REQUIRE_PDFTOTEXT();
  Type(QStringLiteral("alpha line\nsecond line\nthird line"));
  QTextCursor c = pad.TxtRichEdit()->textCursor();
  c.setPosition(0);
  c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
  c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  pad.TxtRichEdit()->setTextCursor(c);
  const QString pdf = dir.filePath(QStringLiteral("sel.pdf"));
  test::PrintToPdf(printer.Printer(), pdf);
  prompter.AnswerPrint(Prompter::PrintRange::Selection);
  pad.Action(QStringLiteral("Print1"))->trigger();
  ASSERT_EQ(prompter.printDialogs, std::vector<bool>{true});
  const QString text = test::PdfText(pdf, false);
  EXPECT_TRUE(text.contains(QStringLiteral("alpha line"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("second line")));
  EXPECT_FALSE(text.contains(QStringLiteral("third line")));
}

TEST_F(TextPadTest, ExitAsksOnlyAboutAModifiedDocument) {
  EXPECT_TRUE(pad.AskAtExit());
  Type(QStringLiteral("x"));
  ExpectSaveQuestion(Button::Yes | Button::No | Button::Cancel, Button::Cancel);
  EXPECT_FALSE(pad.AskAtExit());
  ExpectSaveQuestion(Button::Yes | Button::No | Button::Cancel, Button::No);
  EXPECT_TRUE(pad.AskAtExit());
}

TEST_F(TextPadTest, ClosingOnlyHides) {
  Type(QStringLiteral("stays"));
  pad.show();
  pad.close();
  EXPECT_FALSE(pad.isVisible());
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("stays")});
  pad.ShowTextPad();
  EXPECT_TRUE(pad.isVisible());
}

TEST_F(TextPadTest, LongLinesScrollSidewaysAtAnyWindowSize) {
  pad.StartReport();
  pad.AppendLines({QString(400, QLatin1Char('x')), QStringLiteral("short")});
  pad.ShowReport();
  pad.resize(300, 300);
  QApplication::processEvents();
  QScrollBar* bar = pad.TxtRichEdit()->horizontalScrollBar();
  const int narrow = bar->maximum();
  EXPECT_GT(narrow, 0) << "a line wider than the window scrolls";
  pad.resize(700, 300);
  QApplication::processEvents();
  EXPECT_LT(bar->maximum(), narrow) << "a wider window leaves less to scroll";
  EXPECT_EQ(pad.TxtRichEdit()->document()->blockCount(), 2) << "nothing wraps";
}

TEST_F(TextPadTest, AReportShowsTheStartOfItsLines) {
  // The caret ends the report at the end of a long last line: the window
  // still shows the first columns, for the whole report and for a block
  // appended later.
  QScrollBar* bar = pad.TxtRichEdit()->horizontalScrollBar();
  pad.resize(300, 300);
  pad.StartReport();
  pad.AppendLines({QStringLiteral("head"), QString(400, QLatin1Char('x'))});
  pad.SetTabStops(2, 56);
  pad.CaretToEnd();
  pad.ShowReport();
  QApplication::processEvents();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(pad.TxtRichEdit()->textCursor().atEnd());
  const int start = pad.BlockStart();
  pad.AppendLines({QString(500, QLatin1Char('y'))});
  pad.SetBlockTabStops(start, 2, 56);
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(pad.TxtRichEdit()->textCursor().atEnd());
}

// Where the caret stands, in pixels from the text's left edge, after the
// given number of tabs in a line.
qreal CaretAfterTabs(QPlainTextEdit* edit, int line, int tabs) {
  QTextBlock block = edit->document()->findBlockByNumber(line);
  QTextCursor c(block);
  for (int k = 0; k < tabs; ++k)
    c.setPosition(block.position() +
                  static_cast<int>(block.text().indexOf(QLatin1Char('\t'), c.positionInBlock())) + 1);
  return edit->cursorRect(c).left() + edit->horizontalScrollBar()->value();
}

TEST_F(TextPadTest, TabStopsAreInPointsAtTheScreensResolutionAndWidenPerBlock) {
  pad.TxtRichEdit()->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
  pad.StartReport();
  pad.AppendLines({QStringLiteral("Trace elements"), QStringLiteral(" 1.5\t 2.5\t 3.5")});
  pad.SetTabStops(4, 56);
  const qreal dpi = pad.TxtRichEdit()->logicalDpiY();
  EXPECT_NEAR(pad.TabDistanceAt(1), 56 * dpi / 72, 1.0) << "narrow fields keep the asked stops";
  // A block of values in the thousands would reach the next stop: its stops
  // widen, the lines before keep theirs.
  const int start = pad.BlockStart();
  pad.AppendLines(
      {QStringLiteral(" 12345.678901234\t 0.000012\t 5"), QStringLiteral(" 1.0\t 98765.432109876\t 6")});
  pad.SetBlockTabStops(start, 3, 56);
  pad.ShowReport();
  pad.resize(900, 400);
  QApplication::processEvents();
  const QFontMetricsF fm(pad.TxtRichEdit()->font(), pad.TxtRichEdit()->viewport());
  const qreal widest = fm.horizontalAdvance(QStringLiteral(" 98765.432109876"));
  const qreal block = pad.TabDistanceAt(2);
  EXPECT_GT(block, widest) << "room is left after the widest field";
  EXPECT_LT(block, widest + 2 * fm.horizontalAdvance(QLatin1Char(' ')) + 1);
  EXPECT_EQ(pad.TabDistanceAt(3), block);
  EXPECT_NEAR(pad.TabDistanceAt(1), 56 * dpi / 72, 1.0);
  // The text box lays every line out at its block's stops.
  QPlainTextEdit* edit = pad.TxtRichEdit();
  EXPECT_NEAR(CaretAfterTabs(edit, 1, 1), 56 * dpi / 72, 1.5);
  EXPECT_NEAR(CaretAfterTabs(edit, 1, 2), 2 * 56 * dpi / 72, 1.5);
  EXPECT_NEAR(CaretAfterTabs(edit, 2, 1), block, 1.5);
  EXPECT_NEAR(CaretAfterTabs(edit, 3, 1), block, 1.5);
  EXPECT_NEAR(CaretAfterTabs(edit, 3, 2), 2 * block, 1.5) << "the second column lines up";
  // Typing in a line keeps its stops.
  QTextCursor c(edit->document()->findBlockByNumber(3));
  c.insertText(QStringLiteral("x"));
  EXPECT_NEAR(CaretAfterTabs(edit, 3, 2), 2 * block, 1.5);
  // Printing takes each block with the stops it was given.
  const QList<TabbedLines> runs = pad.TabbedRuns(false);
  ASSERT_EQ(runs.size(), 2);
  EXPECT_EQ(runs[0].Lines.size(), 2);
  EXPECT_EQ(runs[0].TabWidthPoints, 56);
  EXPECT_EQ(runs[0].TabCount, 4);
  EXPECT_EQ(runs[1].Lines.size(), 2);
  EXPECT_EQ(runs[1].TabCount, 3);
  // A new report starts with plain stops.
  edit->document()->setModified(false);
  pad.StartReport();
  pad.AppendLines({QStringLiteral("a\tb")});
  EXPECT_EQ(pad.TabbedRuns(false).size(), 1);
  EXPECT_EQ(pad.TabbedRuns(false)[0].TabWidthPoints, 0);
}

TEST_F(TextPadTest, ASelectionPrintsWithTheStopsOfItsLines) {
  pad.StartReport();
  pad.AppendLines({QStringLiteral("head"), QStringLiteral("1\t2"), QStringLiteral("3\t4")});
  const int start = pad.BlockStart();
  pad.AppendLines({QStringLiteral("5\t6")});
  pad.SetBlockTabStops(start, 2, 76);
  QTextCursor c = pad.TxtRichEdit()->textCursor();
  c.setPosition(7);  // inside "1\t2"
  c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  pad.TxtRichEdit()->setTextCursor(c);
  const QList<TabbedLines> runs = pad.TabbedRuns(true);
  ASSERT_EQ(runs.size(), 2);
  EXPECT_EQ(runs[0].Lines, QStringList({QStringLiteral("2"), QStringLiteral("3\t4")}));
  EXPECT_EQ(runs[0].TabWidthPoints, 0);
  EXPECT_EQ(runs[1].Lines, QStringList({QStringLiteral("5\t6")}));
  EXPECT_EQ(runs[1].TabWidthPoints, 76);
}

TEST_F(TextPadTest, UndoIsOffWhileThereIsNothingToUndo) {
  EXPECT_FALSE(On("Undo1")) << "a new TextPad";
  EXPECT_FALSE(PopupOn("TxEUndo1"));
  Type(QStringLiteral("notes"));
  EXPECT_TRUE(On("Undo1"));
  ExpectSaveQuestion(Button::Yes | Button::No, Button::No);
  pad.StartReport();
  EXPECT_FALSE(On("Undo1")) << "a report starts on an empty text";
  pad.AppendLines({QStringLiteral("line")});
  pad.SetTabStops(2, 56);
  pad.ShowReport();
  EXPECT_FALSE(On("Undo1")) << "the report's own lines are not undone";
  pad.TxtRichEdit()->document()->setModified(false);
  pad.Action(QStringLiteral("New1"))->trigger();
  EXPECT_FALSE(On("Undo1")) << "after New";
  Type(QStringLiteral("x"));
  pad.SetReadOnly(true);
  EXPECT_FALSE(On("Undo1")) << "read-only";
  pad.SetReadOnly(false);
}

TEST_F(TextPadTest, ABlockWithoutLinesLeavesTheLineBeforeAlone) {
  pad.StartReport();
  pad.AppendLines({QStringLiteral("1\t2")});
  pad.SetTabStops(2, 56);
  const qreal before = pad.TabDistanceAt(0);
  pad.SetBlockTabStops(pad.BlockStart(), 2, 300);
  EXPECT_EQ(pad.TabDistanceAt(0), before);
  EXPECT_EQ(pad.TabbedRuns(false).size(), 1);
}

}  // namespace
}  // namespace varnel
