#include "datasheet/datasheetwindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "app/version.h"
#include "datasheet/filterdialog.h"
#include "datasheet/namedialogs.h"
#include "datasheet/sheetmodel.h"
#include "datasheet/sheettable.h"
#include "sheet/filter.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/datasheet/sheetcells.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::setActiveWindow(&w);
    w.Grid()->setFocus();
  }
  ~WindowTest() override { w.Data().Saved = true; }

  Sheet& S() { return w.Data(); }
  QHeaderView* Cases() { return w.Grid()->CaseHeader(); }
  QHeaderView* Names() { return w.Grid()->NameHeader(); }
  QPoint RowHeaderPoint(int row) {
    return {4, Cases()->sectionViewportPosition(row - 1) + Cases()->sectionSize(row - 1) / 2};
  }
  QPoint NameCellPoint(int col) {
    return {Names()->sectionViewportPosition(col - 1) + Names()->sectionSize(col - 1) / 2,
            Names()->height() / 2};
  }
  void Mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, target->mapToGlobal(pos), Qt::LeftButton, held, mods);
    QApplication::sendEvent(target, &e);
  }
  void Click(QWidget* target, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Mouse(target, QEvent::MouseButtonPress, pos, mods);
    Mouse(target, QEvent::MouseButtonRelease, pos, mods);
  }
  QAction* Act(const char* name) { return w.Action(QString::fromLatin1(name)); }
  void Trigger(const char* name) { Act(name)->trigger(); }
  bool Enabled(const char* name) { return Act(name)->isEnabled(); }
  // Ends the edit with key and lets the delegate commit, which it does on
  // the next turn of the event loop.
  void Commit(Qt::Key key = Qt::Key_Return) {
    QTest::keyClick(Editor(), key);
    QApplication::processEvents();
  }
  QWidget* Editor() { return w.Grid()->indexWidget(w.Grid()->currentIndex()); }
  void ExpectSaveQuestion(Button answer) {
    prompter.Expect(BoxKind::Confirmation,
                    QStringLiteral("DataSheet file Untitled has changed.\n\rSave modifications?"),
                    Button::Yes | Button::No | Button::Cancel, answer);
  }
  // Sends a close event to the window and tells whether it was accepted.
  bool Close() {
    QCloseEvent close;
    QApplication::sendEvent(&w, &close);
    return close.isAccepted();
  }

  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet wSheet{prompter, &graph};
  TVN_Wsheet w{wSheet, prompter};
};

TEST_F(WindowTest, ClickingARowHeaderSelectsTheWholeCase) {
  Click(Cases()->viewport(), RowHeaderPoint(3));
  EXPECT_TRUE(S().RowsMode);
  EXPECT_EQ(S().Sel, (Selection{0, 3, 10, 3}));
  EXPECT_TRUE(Enabled("IncludeInPlot1"));
  EXPECT_TRUE(Enabled("AddRows1"));
  EXPECT_FALSE(Enabled("AddColumns1"));
  const QModelIndexList selected = w.Grid()->selectionModel()->selectedIndexes();
  EXPECT_EQ(selected.size(), 10) << "every variable of the case";

  Click(Cases()->viewport(), RowHeaderPoint(6), Qt::ShiftModifier);
  EXPECT_EQ(S().Sel, (Selection{0, 3, 10, 6}));
  EXPECT_EQ(w.Grid()->selectionModel()->selectedIndexes().size(), 40);
}

TEST_F(WindowTest, ClickingANameCellSelectsTheWholeVariable) {
  Click(Names()->viewport(), NameCellPoint(2));
  EXPECT_TRUE(S().ColumnsMode);
  EXPECT_EQ(S().Sel, (Selection{2, 0, 2, 20}));
  EXPECT_TRUE(Enabled("AddColumns1"));
  EXPECT_TRUE(Enabled("RenameCol1"));
  EXPECT_TRUE(Enabled("Tag1"));
  EXPECT_FALSE(Enabled("IncludeInPlot1"));
  Click(Names()->viewport(), NameCellPoint(4), Qt::ShiftModifier);
  EXPECT_EQ(S().Sel, (Selection{2, 0, 4, 20}));
  EXPECT_FALSE(Enabled("RenameCol1"));
  // A click on an ordinary cell ends the mode.
  const QModelIndex cell = w.Model().index(4, 4);
  Click(w.Grid()->viewport(), w.Grid()->visualRect(cell).center());
  EXPECT_FALSE(S().ColumnsMode);
  EXPECT_EQ(S().Sel, (Selection{5, 5, 5, 5}));
}

TEST_F(WindowTest, DraggingARowHeaderPastTheFirstCaseStopsAtIt) {
  Mouse(Cases()->viewport(), QEvent::MouseButtonPress, RowHeaderPoint(5));
  Mouse(Cases()->viewport(), QEvent::MouseMove, RowHeaderPoint(2));
  EXPECT_EQ(S().Sel, (Selection{0, 2, 10, 5}));
  // Up over the name row, which counts as case 1.
  Mouse(Cases()->viewport(), QEvent::MouseMove, QPoint(4, -3));
  EXPECT_EQ(S().Sel, (Selection{0, 1, 10, 5}));
  Mouse(Cases()->viewport(), QEvent::MouseButtonRelease, QPoint(4, -3));
  EXPECT_EQ(S().Sel, (Selection{0, 1, 10, 5}));
  EXPECT_TRUE(S().RowsMode);

  // Released far outside the cells: down to the last case.
  Mouse(Cases()->viewport(), QEvent::MouseButtonPress, RowHeaderPoint(4));
  Mouse(Cases()->viewport(), QEvent::MouseMove, QPoint(4, -500));
  Mouse(Cases()->viewport(), QEvent::MouseButtonRelease, QPoint(4, -500));
  EXPECT_EQ(S().Sel, (Selection{0, 4, 10, 20}));
}

TEST_F(WindowTest, DraggingBelowTheGridScrollsOneCasePerMove) {
  S().Prefs.DefaultRowCount = 500;
  S().New1Click();
  QScrollBar* bar = w.Grid()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  Mouse(Cases()->viewport(), QEvent::MouseButtonPress, RowHeaderPoint(1));
  const int below = Cases()->viewport()->height() + 10;
  for (int k = 0; k < 5; ++k) Mouse(Cases()->viewport(), QEvent::MouseMove, QPoint(4, below));
  EXPECT_EQ(bar->value(), 5);
  Mouse(Cases()->viewport(), QEvent::MouseButtonRelease, QPoint(4, below));
}

TEST_F(WindowTest, DoubleClicksToggleInclusion) {
  Click(Cases()->viewport(), RowHeaderPoint(2));
  Click(Cases()->viewport(), RowHeaderPoint(4), Qt::ShiftModifier);
  S().SetCell(0, 3, "n");  // a lower-case n counts as excluded
  Mouse(Cases()->viewport(), QEvent::MouseButtonDblClick, RowHeaderPoint(4));
  EXPECT_EQ(test::Marks(S(), 1, 5), "NYYYN");
  EXPECT_EQ(S().IncludedCount(), 3);
  EXPECT_EQ(w.StatusPanel(1), QStringLiteral("3"));
  EXPECT_TRUE(S().Saved) << "inclusion is no change of data";

  QWidget* corner = w.Grid()->CornerButton();
  ASSERT_NE(corner, nullptr);
  Mouse(corner, QEvent::MouseButtonDblClick, QPoint(2, 2));
  EXPECT_EQ(S().IncludedCount(), 17);
  EXPECT_EQ(S().Cell(0, 2), "N");
}

TEST_F(WindowTest, CornerClickSelectsEverything) {
  QWidget* corner = w.Grid()->CornerButton();
  Click(corner, QPoint(2, 2));
  EXPECT_EQ(S().Sel, (Selection{1, 0, 10, 20}));
  EXPECT_TRUE(S().ColumnsMode);
  EXPECT_EQ(w.Grid()->selectionModel()->selectedIndexes().size(), 200);
}

TEST_F(WindowTest, TypingEditsACellEnterCommitsItAndGoesDownAndTabGoesRight) {
  w.Grid()->setCurrentIndex(w.Model().index(1, 2));
  QTest::keyClick(w.Grid(), Qt::Key_5);
  ASSERT_TRUE(w.Editing());
  EXPECT_FALSE(Enabled("Copy1"));
  EXPECT_TRUE(Act("Copy1")->shortcut().isEmpty()) << "Ctrl+C belongs to the editor";
  ASSERT_NE(Editor(), nullptr);
  QTest::keyClicks(Editor(), QStringLiteral("1.2"));
  Commit();
  EXPECT_FALSE(w.Editing()) << "the next cell is not opened";
  EXPECT_EQ(S().Cell(3, 2), "51.2");
  EXPECT_EQ(w.Grid()->currentIndex(), w.Model().index(2, 2)) << "Enter goes down";
  EXPECT_FALSE(S().Saved);
  EXPECT_FALSE(S().Blank);
  EXPECT_EQ(Act("Copy1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
  EXPECT_TRUE(Enabled("Save1"));

  QTest::keyClick(w.Grid(), Qt::Key_2);
  Commit(Qt::Key_Tab);
  EXPECT_EQ(S().Cell(3, 3), "2");
  EXPECT_EQ(w.Grid()->currentIndex(), w.Model().index(2, 3)) << "Tab goes right";
  EXPECT_FALSE(w.Editing());
}

TEST_F(WindowTest, EscapeRestoresTheCellAndLeavesSavedAlone) {
  S().SetCell(2, 2, "Opx");
  w.Grid()->setCurrentIndex(w.Model().index(1, 1));
  QTest::keyClick(w.Grid(), Qt::Key_Return);
  ASSERT_TRUE(w.Editing());
  auto* editor = qobject_cast<QLineEdit*>(Editor());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), QStringLiteral("Opx"));
  QTest::keyClicks(editor, QStringLiteral("-2"));
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_FALSE(w.Editing());
  EXPECT_EQ(S().Cell(2, 2), "Opx");
  EXPECT_TRUE(S().Saved);
}

TEST_F(WindowTest, TypingWhileWholeCasesAreSelectedDoesNotEdit) {
  Click(Cases()->viewport(), RowHeaderPoint(2));
  QTest::keyClick(w.Grid(), Qt::Key_7);
  EXPECT_FALSE(w.Editing());
  Click(Names()->viewport(), NameCellPoint(2));
  QTest::keyClick(w.Grid(), Qt::Key_Return);
  EXPECT_FALSE(w.Editing());
  S().WizardOpen = true;
  w.Grid()->setCurrentIndex(w.Model().index(0, 0));
  S().ColumnsMode = false;
  QTest::keyClick(w.Grid(), Qt::Key_7);
  EXPECT_FALSE(w.Editing()) << "refused while the wizard is open";
  S().WizardOpen = false;
}

TEST_F(WindowTest, ExitTakesTheValueBeingTypedAndAsksAboutTheDataSheetThenTheTextPad) {
  std::vector<std::string> order;
  w.AskTextPadAtExit = [&order] {
    order.push_back("textpad");
    return true;
  };
  bool saved = false;
  w.SavePreferencesAtExit = [&saved] { saved = true; };
  // The value being typed is taken first: it makes the sheet one to save.
  w.Grid()->setCurrentIndex(w.Model().index(1, 1));
  QTest::keyClick(w.Grid(), Qt::Key_7);
  ASSERT_TRUE(w.Editing());
  ExpectSaveQuestion(Button::Cancel);
  EXPECT_FALSE(Close());
  EXPECT_EQ(S().Cell(2, 2), "7");
  EXPECT_EQ(order, std::vector<std::string>{"textpad"}) << "asked even after Cancel";
  EXPECT_FALSE(saved);

  ExpectSaveQuestion(Button::No);
  EXPECT_TRUE(Close());
  EXPECT_TRUE(saved) << "settings are written once the close is allowed";
}

TEST_F(WindowTest, ContextMenuShowsTheItemsOfTheSelectionMode) {
  Click(Names()->viewport(), NameCellPoint(3));
  w.PreparePopup();
  EXPECT_TRUE(Act("PMTag")->isVisible());
  EXPECT_TRUE(Act("PMColAdd1")->isVisible());
  EXPECT_FALSE(Act("PMInclude")->isVisible());
  EXPECT_FALSE(Act("PMPlotIn1")->isVisible()) << "not connected";
  EXPECT_FALSE(Act("PMCut")->isEnabled()) << "blank sheet";
  Click(Cases()->viewport(), RowHeaderPoint(3));
  w.PreparePopup();
  EXPECT_FALSE(Act("PMTag")->isVisible());
  EXPECT_TRUE(Act("PMInclude")->isVisible());
  EXPECT_TRUE(Act("PMRowInsert1")->isVisible());
}

TEST_F(WindowTest, HintsShowTheirLongPartInTheLastPanel) {
  w.RouteHint(QStringLiteral("Save|Save current DataSheet contents to disk."));
  EXPECT_EQ(w.StatusPanel(3), QStringLiteral("Save current DataSheet contents to disk."));
  EXPECT_EQ(Act("Save1")->toolTip(), QStringLiteral("Save"));
  EXPECT_EQ(Act("Open1")->toolTip(), QStringLiteral("Open"));
  EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Discon."));
  EXPECT_EQ(w.StatusPanel(2), QStringLiteral("20"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Untitled - VarnelData"));
}

// Every item of the menus, the tool bar and the context menu has its
// enabling rule: none is "always enabled" by a misspelt name.
TEST_F(WindowTest, EveryCommandItemHasItsRule) {
  int commands = 0;
  for (QAction* a : w.CommandActions()) {
    const std::optional<WsCommand> command = CommandByName(a->objectName());
    ASSERT_TRUE(command.has_value()) << a->objectName().toStdString();
    EXPECT_EQ(a->data().toInt(), static_cast<int>(*command));
    ++commands;
  }
  EXPECT_EQ(commands, WsCommandCount);
  for (QAction* a : w.ToolBar()->actions()) {
    if (a->isSeparator()) continue;
    EXPECT_TRUE(w.CommandActions().contains(a)) << a->text().toStdString();
  }
  for (int k = 0; k < PopupItemCount; ++k)
    EXPECT_NE(w.Action(PopupItemName(static_cast<PopupItem>(k))), nullptr) << k;
}

// The tool bar's buttons take no focus, so the editor stays open while one
// is pressed: the command must still see the value being typed.
TEST_F(WindowTest, ACommandTakesTheValueBeingTyped) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("typed.vnp"));
  S().SetCell(2, 1, "17");
  S().Blank = false;
  w.UpdateCommands();
  w.Grid()->setCurrentIndex(w.Model().index(0, 0));
  QTest::keyClick(w.Grid(), Qt::Key_4);
  ASSERT_TRUE(w.Editing());
  QTest::keyClicks(Editor(), QStringLiteral("2.5"));
  prompter.AnswerSave(path);
  Trigger("Save1");
  EXPECT_FALSE(w.Editing());
  EXPECT_EQ(S().Cell(1, 1), "42.5");
  EXPECT_TRUE(test::ReadFile(path).contains("42.5")) << "the file holds what was typed";
  EXPECT_TRUE(S().Saved);
}

TEST_F(WindowTest, ACellOfASelectedCaseCanBeTypedInto) {
  Click(Cases()->viewport(), RowHeaderPoint(3));
  ASSERT_TRUE(S().RowsMode);
  // The first cell of the case is already the current one: no move tells
  // the sheet, only the click.
  Click(w.Grid()->viewport(), w.Grid()->visualRect(w.Model().index(2, 0)).center());
  EXPECT_FALSE(S().RowsMode);
  QTest::keyClick(w.Grid(), Qt::Key_9);
  ASSERT_TRUE(w.Editing());
  Commit();
  EXPECT_EQ(S().Cell(1, 3), "9");

  Click(Names()->viewport(), NameCellPoint(2));
  ASSERT_TRUE(S().ColumnsMode);
  Click(w.Grid()->viewport(), w.Grid()->visualRect(w.Model().index(0, 1)).center());
  EXPECT_FALSE(S().ColumnsMode);
  QTest::keyClick(w.Grid(), Qt::Key_8);
  EXPECT_TRUE(w.Editing());
}

// New columns (the results of a mapping) show their values whole; columns
// are never made narrower by it.
TEST_F(WindowTest, WidenedColumnsShowTheirValuesWhole) {
  S().SetCell(2, 7, "-0.0336999780000000001");
  const int before = Names()->sectionSize(1);
  const int narrowBefore = Names()->sectionSize(2);
  w.WidenColumns(2, 3);
  const int needed = w.Grid()->fontMetrics().horizontalAdvance(QStringLiteral("-0.0336999780000000001"));
  EXPECT_GT(Names()->sectionSize(1), before);
  EXPECT_GE(Names()->sectionSize(1), needed);
  EXPECT_EQ(Names()->sectionSize(2), narrowBefore) << "an empty column keeps its width";
}

TEST_F(WindowTest, TheWebSiteWithoutABrowserSaysWhereItIs) {
  QUrl opened;
  w.OpenUrl = [&opened](const QUrl& url) {
    opened = url;
    return false;
  };
  prompter.Expect(
      BoxKind::Information,
      QStringLiteral("No web browser could be started.\n\rThe Varnel home page is https://varnel.org/"),
      Only(Button::Ok), Button::Ok);
  Trigger("WebSite1");
  EXPECT_EQ(opened, QUrl(QStringLiteral("https://varnel.org/")));
}

TEST_F(WindowTest, TheAboutBoxNamesTheVersionOnce) {
  bool shown = false;
  w.ExecDialog = [&shown](QDialog& d) {
    shown = true;
    QString texts;
    for (const QLabel* label : d.findChildren<QLabel*>()) texts += label->text() + QLatin1Char('\n');
    EXPECT_EQ(texts.count(VersionString()), 1) << texts.toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("https://varnel.org/")));
    return true;
  };
  Trigger("About1");
  EXPECT_TRUE(shown);
}

TEST_F(WindowTest, CommandsOfPartsStillMissingSaySo) {
  S().SetGraphLink(nullptr);
  prompter.Expect(BoxKind::Information,
                  QStringLiteral("The Analysis Wizard is not part of this version of Varnel yet."),
                  Only(Button::Ok), Button::Ok);
  w.AnalysisWizard1Click();
  prompter.Expect(BoxKind::Information,
                  QStringLiteral("The Graphs are not part of this version of Varnel yet."), Only(Button::Ok),
                  Button::Ok);
  w.Connect1Click();
}

TEST_F(WindowTest, HideToolbarTogglesTheToolBar) {
  QAction* hide = Act("HideToolbar1");
  hide->trigger();
  EXPECT_TRUE(hide->isChecked());
  EXPECT_FALSE(w.ToolBar()->isVisible());
  hide->trigger();
  EXPECT_TRUE(w.ToolBar()->isVisible());
}

class CommandsTest : public WindowTest {
 protected:
  CommandsTest() {
    for (int c = 1; c <= 10; ++c) S().SetCell(c, 0, "V" + std::to_string(c));
    for (int r = 1; r <= 20; ++r)
      for (int c = 1; c <= 10; ++c) S().SetCell(c, r, std::to_string(r * 100 + c));
    S().Blank = false;
    S().SetAllInclusion(true);
    w.UpdateCommands();
  }
};

TEST_F(CommandsTest, ShortcutCommandsIgnoreTheSheetWhileAnotherWindowIsActive) {
  Click(Names()->viewport(), NameCellPoint(2));
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_FALSE(w.isActiveWindow());
  Trigger("Tag1");
  Trigger("ExcludeAll1");
  Trigger("Clear1");
  EXPECT_EQ(S().Name(2), "V2");
  EXPECT_EQ(S().IncludedCount(), 20);
  EXPECT_EQ(S().Cell(2, 5), "502");
  QApplication::setActiveWindow(&w);
  Trigger("Tag1");
  EXPECT_EQ(S().Name(2), "V2#");
}

TEST_F(CommandsTest, CutClearsABlockButDeletesAWholeVariable) {
  S().Sel = Selection{2, 3, 3, 4};
  Trigger("Cut1");
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("302\t303\r\n402\t403\r\n"));
  EXPECT_EQ(S().Cell(2, 3), "");
  EXPECT_EQ(S().VariableCount(), 10);
  Click(Names()->viewport(), NameCellPoint(4));
  Trigger("Cut1");
  EXPECT_EQ(S().VariableCount(), 9);
  EXPECT_EQ(S().Name(4), "V5");
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("V4\r\n104\r\n")));
  // And back: paste the copied variable into another one's place, names too.
  Click(Names()->viewport(), NameCellPoint(9));
  Trigger("PasteBlock1");
  EXPECT_EQ(S().Name(9), "V4");
  EXPECT_EQ(S().Cell(9, 20), "2004");
}

TEST_F(CommandsTest, StructuralCommandsAreRefusedWhileTheWizardIsOpen) {
  Click(Cases()->viewport(), RowHeaderPoint(2));
  S().WizardOpen = true;
  w.UpdateCommands();
  EXPECT_FALSE(Enabled("AddRows1"));
  w.AddRows1Click();
  w.DeleteRows1Click();
  EXPECT_EQ(S().CaseCount(), 20);
  S().WizardOpen = false;
  w.UpdateCommands();
  Trigger("DeleteRows1");
  EXPECT_EQ(S().CaseCount(), 19);
}

TEST_F(CommandsTest, FilterDialogRunsOnTheSelectedVariable) {
  Click(Names()->viewport(), NameCellPoint(3));
  w.ExecDialog = [](QDialog& d) {
    auto& f = static_cast<TVN_Filter&>(d);
    EXPECT_EQ(f.FGroupBoxVarName->title(), QStringLiteral(" V3 "));
    EXPECT_EQ(f.FCBValue1->itemText(0), QStringLiteral("1003"));
    f.FRBExclude->setChecked(true);
    f.FCBRelOp1->setCurrentIndex(OpGreater);
    f.FCBValue1->setEditText(QStringLiteral("1500"));
    return true;
  };
  Trigger("Filter1");
  EXPECT_EQ(S().IncludedCount(), 14) << "cases 15..20 excluded";
  EXPECT_EQ(test::Marks(S(), 14, 15), "YN");

  // A first operator of "(None)" does nothing, whatever the second says.
  w.ExecDialog = [](QDialog& d) {
    auto& f = static_cast<TVN_Filter&>(d);
    EXPECT_TRUE(f.FRBExclude->isChecked()) << "kept between uses";
    f.FCBRelOp1->setCurrentIndex(OpNone);
    f.FCBRelOp2->setCurrentIndex(OpLess);
    f.FCBValue2->setEditText(QStringLiteral("1500"));
    return true;
  };
  Trigger("Filter1");
  EXPECT_EQ(S().IncludedCount(), 14);
}

TEST_F(CommandsTest, NamesTagsAndTheDescriptionAreChangesToSave) {
  Click(Names()->viewport(), NameCellPoint(5));
  w.ExecDialog = [](QDialog& d) {
    auto& r = static_cast<TVN_EVName&>(d);
    EXPECT_EQ(r.windowTitle(), QStringLiteral("Edit Variable Name"));
    EXPECT_EQ(r.EVNameEdit->text(), QStringLiteral("V5"));
    r.EVNameEdit->setText(QStringLiteral("Fe#2"));
    return true;
  };
  Mouse(Names()->viewport(), QEvent::MouseButtonDblClick, NameCellPoint(5));
  EXPECT_EQ(S().Name(5), "Fe#2");
  EXPECT_FALSE(S().Saved);

  const auto changes = [this](const char* command, const char* name) {
    S().Saved = true;
    Trigger(command);
    EXPECT_EQ(S().Name(5), name) << command;
    EXPECT_FALSE(S().Saved) << command;
  };
  changes("Untag1", "Fe2");
  changes("Tag1", "Fe2#");
  w.ExecDialog = [](QDialog& d) {
    static_cast<TVN_EVName&>(d).EVNameEdit->setText(QStringLiteral("MgO"));
    return true;
  };
  changes("RenameCol1", "MgO");
  S().Saved = true;
  Trigger("RenameCol1");
  EXPECT_TRUE(S().Saved) << "renaming to the same name changes nothing";

  w.ExecDialog = [](QDialog& d) {
    auto& h = static_cast<TVN_EditHeaderLine&>(d);
    EXPECT_EQ(h.Caption->text(), QStringLiteral("Description text for file Untitled"));
    EXPECT_EQ(h.EditHeaderLine->maxLength(), 255);
    h.EditHeaderLine->setText(QStringLiteral("Lherzolite xenoliths"));
    return true;
  };
  S().Saved = true;
  Trigger("HeaderLine1");
  EXPECT_EQ(S().HeaderLine, QStringLiteral("Lherzolite xenoliths"));
  EXPECT_FALSE(S().Saved) << "the description is part of the file";
}

TEST_F(CommandsTest, AdjustColumnWidthsFitsTheLongestCell) {
  Click(Names()->viewport(), NameCellPoint(2));
  S().SetCell(2, 7, "a very long cell text indeed");
  Trigger("AdjustColWidth1");
  const int width = Names()->sectionSize(1);
  EXPECT_EQ(width,
            QFontMetrics(w.GridFont()).horizontalAdvance(QStringLiteral("a very long cell text indeed")) + 4);
  Trigger("ResetDefaultColumnWidths1");
  EXPECT_EQ(Names()->sectionSize(1),
            QFontMetrics(w.GridFont()).horizontalAdvance(QStringLiteral("88888888888")));
}

TEST_F(WindowTest, DoubleClickingADataCellEditsItAndDelClearsTheSelection) {
  const QModelIndex cell = w.Model().index(2, 3);
  w.Grid()->setCurrentIndex(cell);
  Mouse(w.Grid()->viewport(), QEvent::MouseButtonDblClick, w.Grid()->visualRect(cell).center());
  ASSERT_TRUE(w.Editing());
  QTest::keyClicks(Editor(), QStringLiteral("7.25"));
  Commit();
  EXPECT_EQ(S().Cell(4, 3), "7.25");
  EXPECT_FALSE(S().Blank);

  // Del is Clear's shortcut once editing is over.
  w.UpdateCommands();
  S().Sel = Selection{4, 3, 4, 3};
  QTest::keyClick(w.Grid(), Qt::Key_Delete);
  EXPECT_EQ(S().Cell(4, 3), "");
}

}  // namespace
}  // namespace varnel
