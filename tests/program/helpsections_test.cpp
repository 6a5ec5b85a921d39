// F1 and the Help buttons of every window, dialog and page open the page of
// the manual the help tables name, in the program's own help window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "app/help.h"
#include "app/helpwindow.h"
#include "app/qtprompter.h"
#include "app/textpad.h"
#include "chemistry/formuladialog.h"
#include "chemistry/recalcdialog.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/filterdialog.h"
#include "datasheet/importdialog.h"
#include "datasheet/namedialogs.h"
#include "datasheet/preferencesdialog.h"
#include "graphs/cscalesdialog.h"
#include "graphs/graphswindow.h"
#include "graphs/settingsdialog.h"
#include "matrix/mappingdialog.h"
#include "matrix/matrixdialog.h"
#include "program/startup.h"
#include "tests/support/files.h"
#include "wizard/matrixwizard.h"
#include "wizard/optionsdialog.h"
#include "wizard/wizardwindow.h"

namespace varnel {
namespace {

class HelpSectionsTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildProgram(p); }

  // Presses F1 in the window as a user would: the window is in front.
  QString PressF1(QWidget* w) {
    Reset();
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w)) << w->objectName().toStdString();
    QApplication::processEvents();
    // The key goes where the window's focus is, as typing does.
    QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F1);
    return Shown();
  }

  QString ClickHelp(QWidget* w) {
    Reset();
    QAbstractButton* help = nullptr;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
      if (b->text() == QLatin1String("&Help")) help = b;
    EXPECT_NE(help, nullptr) << w->objectName().toStdString() << " has no Help button";
    if (help) help->click();
    return Shown();
  }

  void Reset() {
    p.help->hide();
    p.help->Browser()->clearHistory();
    p.help->Browser()->setSource(QUrl());
  }

  QString Shown() const {
    return p.help->isVisible() ? p.help->CurrentSection() : QStringLiteral("(not shown)");
  }

  QTemporaryDir dir;
  test::ProgramDirScope scope{dir.path() + QLatin1Char('/')};
  Program p;
};

TEST_F(HelpSectionsTest, F1AndHelpInEachDialogOpenItsSection) {
  // Every window and dialog of the program, by its form name.
  TVN_Filter filter(p.wsheet.get());
  TVN_EVName name(p.wsheet.get());
  TVN_EditHeaderLine description(p.wsheet.get());
  TVN_Import import(p.wsheet.get());
  TVN_Prefs prefs(p.wsheet.get());
  TVn_SVD svd(*p.prompter, p.wsheet.get());
  TVn_INV inverse(*p.prompter, p.wsheet.get());
  TVN_LMapd mapping(*p.prompter, p.wsheet.get());
  TVN_Formula formula(p.wsheet.get());
  TVN_Recalc recalc(p.wsheet.get());
  TVN_CScales scales(*p.graphs, p.gwindow.get());
  TVN_Settings settings(*p.graphs, p.gwindow.get());
  const QList<QWidget*> windows = {p.wsheet.get(),
                                   p.gwindow.get(),
                                   p.txt.get(),
                                   p.wizard.get(),
                                   &filter,
                                   &name,
                                   &description,
                                   &import,
                                   &prefs,
                                   &svd,
                                   &inverse,
                                   &mapping,
                                   &formula,
                                   &recalc,
                                   &scales,
                                   &settings,
                                   &p.wizard->OptionsDialog(),
                                   &p.wizard->ToleranceDialog()};
  QMap<QString, QWidget*> byForm;
  for (QWidget* w : windows) byForm.insert(w->objectName(), w);

  for (const HelpTableEntry& e : HelpFormTable()) {
    SCOPED_TRACE(e.Owner.toStdString());
    QWidget* w = byForm.value(e.Owner);
    ASSERT_NE(w, nullptr) << "the table names a form the program does not have";
    // The wizard and the graph settings answer with the section of their page.
    if (w == p.wizard.get() || w == &settings) continue;
    EXPECT_EQ(PressF1(w).toStdString(), e.Section.toStdString());
    if (auto* d = qobject_cast<QDialog*>(w)) {
      EXPECT_EQ(ClickHelp(d).toStdString(), e.Section.toStdString());
      d->hide();
    }
  }
  // Every dialog has a page of its own (only the DataSheet's F1 is the contents').
  for (QWidget* w : windows) {
    if (w != p.wsheet.get()) {
      EXPECT_NE(HelpSectionOfForm(w->objectName()), QStringLiteral("index")) << w->objectName().toStdString();
    }
  }
  EXPECT_EQ(HelpSectionOfForm(p.wsheet->objectName()), QStringLiteral("index"));

  // The graph settings: the page shown.
  const QStringList settingsPages = {
      QStringLiteral("graph-settings-symbols"), QStringLiteral("graph-settings-labels"),
      QStringLiteral("graph-settings-tie-lines"), QStringLiteral("graph-settings-diagram"),
      QStringLiteral("graph-settings-export")};
  ASSERT_EQ(settings.SPageControl->count(), settingsPages.size());
  for (int k = 0; k < settingsPages.size(); ++k) {
    settings.SPageControl->setCurrentIndex(k);
    EXPECT_EQ(PressF1(&settings).toStdString(), settingsPages[k].toStdString());
    EXPECT_EQ(ClickHelp(&settings).toStdString(), settingsPages[k].toStdString());
  }
}

TEST_F(HelpSectionsTest, EveryDialogTheProgramBuildsHasAPageInTheTable) {
  // A dialog added to a window without its line in the form table would
  // answer F1 with the contents: every dialog the windows hold is named.
  QStringList tabled;
  for (const HelpTableEntry& e : HelpFormTable()) tabled << e.Owner;
  // Progress windows that only say what is going on have no Help.
  const QStringList progress = {QStringLiteral("Vn_Loadp"), QStringLiteral("VN_PrintingInProgress")};
  QStringList seen;
  for (QWidget* top :
       std::initializer_list<QWidget*>{p.wsheet.get(), p.gwindow.get(), p.txt.get(), p.wizard.get()}) {
    for (QDialog* d : top->findChildren<QDialog*>()) {
      const QString name = d->objectName();
      if (progress.contains(name)) continue;
      seen << name;
      EXPECT_TRUE(tabled.contains(name))
          << "\"" << name.toStdString() << "\" (" << d->windowTitle().toStdString()
          << ") has no page in the form table";
    }
  }
  // The dialogs the windows are known to own are among those looked at.
  for (const char* form : {"VN_Filter", "VN_Import", "VN_Settings", "VN_MWOptions", "VN_MWErrMatrix"})
    EXPECT_TRUE(seen.contains(QLatin1String(form))) << form;
}

TEST_F(HelpSectionsTest, F1OnEachWizardPageOpensThatPage) {
  const QStringList pages = {QStringLiteral("wizard-labels"), QStringLiteral("wizard-input"),
                             QStringLiteral("wizard-weights"), QStringLiteral("wizard-model"),
                             QStringLiteral("wizard-reactions")};
  QStackedWidget* shown = p.wizard->Pages();
  for (int k = 0; k < pages.size(); ++k) {
    shown->setCurrentIndex(k);
    EXPECT_EQ(PressF1(p.wizard.get()).toStdString(), pages[k].toStdString());
    EXPECT_EQ(ClickHelp(p.wizard.get()).toStdString(), pages[k].toStdString());
  }
}

TEST_F(HelpSectionsTest, TheHelpMenuOpensTheContentsAndTheIntroduction) {
  QAction* topics = p.wsheet->findChild<QAction*>(QStringLiteral("HelpTopics1"));
  QAction* intro = p.wsheet->findChild<QAction*>(QStringLiteral("Quickstart1"));
  ASSERT_TRUE(topics && intro);
  Reset();
  topics->trigger();
  EXPECT_EQ(Shown(), QStringLiteral("index"));
  Reset();
  intro->trigger();
  EXPECT_EQ(Shown(), QStringLiteral("introduction"));
  // Windows Help has no counterpart here.
  for (QAction* a : p.wsheet->findChildren<QAction*>())
    EXPECT_FALSE(a->text().contains(QStringLiteral("Windows Help"))) << a->text().toStdString();
}

}  // namespace
}  // namespace varnel
