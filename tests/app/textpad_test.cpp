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
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "app/textprinting.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

const QString Question(const QString& name) {
  return QStringLiteral("TextPad file ") + name + QStringLiteral(" has changed.\n\rSave modifications?");
}

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
  EXPECT_EQ(pad.TabStopWidth(), 56);
  const auto tabs = pad.TxtRichEdit()->document()->defaultTextOption().tabs();
  ASSERT_EQ(tabs.size(), 4);
  EXPECT_EQ(tabs[0].position, 56);
  EXPECT_EQ(tabs[3].position, 224);
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
  prompter.Expect(BoxKind::Confirmation, Question(QStringLiteral("Untitled")),
                  Button::Yes | Button::No | Button::Cancel, Button::Cancel);
  pad.Action(QStringLiteral("New1"))->trigger();
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("my notes")});

  // Yes, then the Save As dialog cancelled: the TextPad's own New keeps the text.
  prompter.Expect(BoxKind::Confirmation, Question(QStringLiteral("Untitled")),
                  Button::Yes | Button::No | Button::Cancel, Button::Yes);
  prompter.AnswerSave(std::nullopt);
  pad.Action(QStringLiteral("New1"))->trigger();
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("my notes")});

  // A report offers Yes and No, and replaces the text either way.
  prompter.Expect(BoxKind::Confirmation, Question(QStringLiteral("Untitled")), Button::Yes | Button::No,
                  Button::Yes);
  prompter.AnswerSave(std::nullopt);
  pad.StartReport();
  EXPECT_TRUE(pad.Lines().isEmpty());
  Type(QStringLiteral("more"));
  prompter.Expect(BoxKind::Confirmation, Question(QStringLiteral("Untitled")), Button::Yes | Button::No,
                  Button::No);
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

TEST_F(TextPadTest, AFailedOpenChangesNothing) {
  Type(QStringLiteral("kept"));
  prompter.AnswerNext(Button::Ok);
  EXPECT_FALSE(pad.OpenFile(dir.filePath(QStringLiteral("absent.txt"))));
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("kept")});
  EXPECT_TRUE(pad.Modified());
  EXPECT_EQ(pad.FileName(), QStringLiteral("Untitled"));
}

TEST_F(TextPadTest, AFileWithANulByteIsRefusedAndNothingIsLoaded) {
  Type(QStringLiteral("kept"));
  const QString path = dir.filePath(QStringLiteral("report.txt"));
  test::WriteFileOrFail(path, QByteArray("line one\nline two\n\0and what followed\n", 38));
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("Cannot read \"%1\": line 3 holds a NUL character, so it is not a text file."
                                 "\n\rNothing was loaded.")
                      .arg(path),
                  Only(Button::Ok), Button::Ok);
  EXPECT_FALSE(pad.OpenFile(path));
  EXPECT_EQ(pad.Lines(), QStringList{QStringLiteral("kept")});
  EXPECT_EQ(pad.FileName(), QStringLiteral("Untitled"));
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
  EXPECT_TRUE(On("Copy1"));
  EXPECT_TRUE(On("Cut1"));
  EXPECT_TRUE(On("Delete1"));

  const QColor editable = pad.TxtRichEdit()->palette().color(QPalette::Base);
  pad.Action(QStringLiteral("ReadOnly1"))->trigger();
  EXPECT_TRUE(pad.Action(QStringLiteral("ReadOnly1"))->isChecked());
  EXPECT_TRUE(On("Copy1"));
  EXPECT_FALSE(On("Cut1"));
  EXPECT_FALSE(On("Delete1"));
  EXPECT_FALSE(On("Paste1"));
  EXPECT_FALSE(On("Undo1"));
  EXPECT_EQ(pad.TxtRichEdit()->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::Button));
  pad.PrepareContextMenu();
  for (QAction* item : pad.ContextMenu()->actions()) {
    if (item->objectName() == QLatin1String("TxECut1")) {
      EXPECT_FALSE(item->isEnabled());
    }
    if (item->objectName() == QLatin1String("TxECopy1")) {
      EXPECT_TRUE(item->isEnabled());
    }
  }
  pad.SetReadOnly(false);
  EXPECT_EQ(pad.TxtRichEdit()->palette().color(QPalette::Base), editable);
}

TEST_F(TextPadTest, PrintsTheSelectionOnly) {
  Type(QStringLiteral("alpha line\nsecond line\nthird line"));
  QTextCursor c = pad.TxtRichEdit()->textCursor();
  c.setPosition(0);
  c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
  c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  pad.TxtRichEdit()->setTextCursor(c);
  const QString pdf = dir.filePath(QStringLiteral("sel.pdf"));
  printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  printer.Printer().setOutputFileName(pdf);
  prompter.AnswerPrint(Prompter::PrintRange::Selection);
  pad.Action(QStringLiteral("Print1"))->trigger();
  ASSERT_EQ(prompter.printDialogs, std::vector<bool>{true});
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  p.waitForFinished(20000);
  const QString text = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QStringLiteral("alpha line"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("second line")));
  EXPECT_FALSE(text.contains(QStringLiteral("third line")));
}

TEST_F(TextPadTest, ExitAsksOnlyAboutAModifiedDocument) {
  EXPECT_TRUE(pad.AskAtExit());
  Type(QStringLiteral("x"));
  prompter.Expect(BoxKind::Confirmation, Question(QStringLiteral("Untitled")),
                  Button::Yes | Button::No | Button::Cancel, Button::Cancel);
  EXPECT_FALSE(pad.AskAtExit());
  prompter.Expect(BoxKind::Confirmation, Question(QStringLiteral("Untitled")),
                  Button::Yes | Button::No | Button::Cancel, Button::No);
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

}  // namespace
}  // namespace varnel

#include <QScrollBar>

namespace varnel {
namespace {

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
  pad.TxtRichEdit()->document()->setModified(false);
}

}  // namespace
}  // namespace varnel
