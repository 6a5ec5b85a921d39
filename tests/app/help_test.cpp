#include "app/help.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "app/helpwindow.h"

namespace varnel {
namespace {

QString PageText(const QString& section) {
  QFile file(HelpPagePath(section));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << section.toStdString();
  return QString::fromUtf8(file.readAll());
}

// Every link of a page as the help window's browser sees it.
QStringList LinksOf(const QString& section) {
  QTextDocument doc;
  doc.setMarkdown(PageText(section));
  QStringList links;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isAnchor()) links << it.fragment().charFormat().anchorHref();
  return links;
}

TEST(ManualTest, EveryLinkOpensAPageOfTheManualOrAPlaceOutsideIt) {
  const QStringList sections = HelpSections();
  ASSERT_GE(sections.size(), 20);
  int internal = 0;
  for (const QString& section : sections) {
    const QString text = PageText(section);
    for (const QString& href : LinksOf(section)) {
      const QUrl url(href);
      if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("mailto")) continue;
      // Qt's Markdown gives headings no anchors: a link must name a whole page.
      EXPECT_TRUE(url.scheme().isEmpty() && url.fragment().isEmpty() && href.endsWith(QLatin1String(".md")))
          << section.toStdString() << ": " << href.toStdString();
      const QString target = href.left(href.size() - 3);
      EXPECT_TRUE(HelpSectionExists(target)) << section.toStdString() << " links to " << href.toStdString();
      ++internal;
    }
    // Markdown the browser did not take as a link, such as "[x] (y.md)" or a
    // link broken across its brackets, still shows its bare syntax.
    static const QRegularExpression bare(QStringLiteral("\\]\\s+\\([A-Za-z-]+\\.md\\)"));
    EXPECT_FALSE(bare.match(text).hasMatch()) << section.toStdString();
    EXPECT_EQ(LinksOf(section).size(),
              text.count(QStringLiteral(".md)")) + text.count(QStringLiteral("](http")))
        << section.toStdString() << ": a link the browser does not see";
  }
  EXPECT_GT(internal, 100);
}

TEST(ManualTest, TheContentsListEveryPageOnceWithItsOwnTitle) {
  const QList<HelpPage> contents = HelpContents();
  QStringList listed;
  for (const HelpPage& p : contents) {
    EXPECT_FALSE(listed.contains(p.Section)) << p.Section.toStdString() << " is listed twice";
    listed << p.Section;
    ASSERT_TRUE(HelpSectionExists(p.Section)) << p.Section.toStdString();
    // The title in the contents is the page's own first heading.
    const QString first = PageText(p.Section).section(QLatin1Char('\n'), 0, 0);
    if (p.Section != QLatin1String(HelpContentsSection)) {
      EXPECT_EQ(first.toStdString(), "# " + p.Title.toStdString());
    }
  }
  QStringList pages = HelpSections();
  listed.sort();
  EXPECT_EQ(listed, pages) << "a page the contents do not reach, or an entry without a page";
  EXPECT_EQ(contents.first().Section, QStringLiteral("index"));
  // The nesting follows the list: the graph settings pages sit under "Graph settings" under "Graphs".
  for (const HelpPage& p : contents) {
    int depth = -1;
    if (p.Section == QLatin1String("graphs")) depth = 0;
    if (p.Section == QLatin1String("graph-settings")) depth = 1;
    if (p.Section == QLatin1String("graph-settings-symbols")) depth = 2;
    if (depth >= 0) {
      EXPECT_EQ(p.Depth, depth) << p.Section.toStdString();
    }
  }
}

TEST(ManualTest, EverySectionTheDialogsAskForExists) {
  for (const HelpTableEntry& e : HelpFormTable() + HelpContextTable())
    EXPECT_TRUE(HelpSectionExists(e.Section)) << e.Owner.toStdString() << " -> " << e.Section.toStdString();
  EXPECT_EQ(HelpSectionOfForm(QStringLiteral("VN_Filter")), QStringLiteral("filter"));
  EXPECT_EQ(HelpSectionOfContext(7050), QStringLiteral("wizard-model"));
  // Owners the tables do not know get the contents.
  EXPECT_EQ(HelpSectionOfForm(QStringLiteral("NoSuchDialog")), QStringLiteral("index"));
  EXPECT_EQ(HelpSectionOfContext(1), QStringLiteral("index"));
}

struct RecordingViewer final : HelpViewer {
  QStringList shown;
  void ShowSection(const QString& section) override { shown << section; }
};

TEST(ManualTest, AskingForHelpReachesTheInstalledViewerWithAPageThatExists) {
  ShowHelp(QStringLiteral("filter"));  // no viewer yet: nothing happens
  RecordingViewer viewer;
  SetHelpViewer(&viewer);
  ShowHelp(QStringLiteral("filter"));
  ShowHelp(QStringLiteral("no-such-page"));
  // An id is a page name, never a way to other resources or files.
  ShowHelp(QStringLiteral("../varnel.svg"));
  ShowHelp(QStringLiteral("/etc/passwd"));
  ShowHelp(QString());
  SetHelpViewer(nullptr);
  EXPECT_EQ(viewer.shown,
            QStringList({QStringLiteral("filter"), QStringLiteral("index"), QStringLiteral("index"),
                         QStringLiteral("index"), QStringLiteral("index")}));
}

TEST(HelpWindowTest, OpensASectionFollowsLinksAndGoesBackAndForward) {
  HelpWindow w;
  QAction* back = w.findChild<QAction*>(QStringLiteral("HelpBack"));
  QAction* forward = w.findChild<QAction*>(QStringLiteral("HelpForward"));
  ASSERT_TRUE(back && forward);
  EXPECT_FALSE(w.isVisible());
  w.ShowSection(QStringLiteral("filter"));
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("filter"));
  EXPECT_EQ(w.windowTitle().toStdString(), "Case filter - Varnel Help");
  EXPECT_TRUE(w.Browser()->toPlainText().contains(QStringLiteral("Validate Substrings")));
  ASSERT_NE(w.ContentsTree()->currentItem(), nullptr);
  EXPECT_EQ(w.ContentsTree()->currentItem()->text(0).toStdString(), "Case filter");
  EXPECT_FALSE(back->isEnabled());

  // A link of the page, as a click on it would follow it.
  w.Browser()->setSource(QUrl(QStringLiteral("variables-and-cases.md")));
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("variables-and-cases"));
  EXPECT_EQ(w.ContentsTree()->currentItem()->text(0).toStdString(), "Variables and cases");
  EXPECT_TRUE(back->isEnabled());
  back->trigger();
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("filter"));
  EXPECT_TRUE(forward->isEnabled());
  forward->trigger();
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("variables-and-cases"));

  // The contents tree opens what is clicked in it.
  const auto items = w.ContentsTree()->findItems(QStringLiteral("Graph settings: Tie lines"),
                                                 Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(items.size(), 1);
  emit w.ContentsTree()->itemClicked(items.first(), 0);
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("graph-settings-tie-lines"));
  w.findChild<QAction*>(QStringLiteral("HelpHome"))->trigger();
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("index"));
  w.ShowSection(QStringLiteral("nonsense"));
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("index"));
}

TEST(HelpWindowTest, SearchFindsThePagesHoldingEveryWordAndOpensTheFirstPlace) {
  HelpWindow w;
  w.ShowSection(QStringLiteral("index"));
  // Words in any case, anywhere on a page, all of them on the same page.
  const QStringList tie = w.Search(QStringLiteral("STEREO   turn"));
  EXPECT_TRUE(tie.contains(QStringLiteral("graph-settings-diagram")));
  for (const QString& s : tie) {
    QTextDocument doc;
    doc.setMarkdown(PageText(s));
    EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("stereo"), Qt::CaseInsensitive)) << s.toStdString();
    EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("turn"), Qt::CaseInsensitive)) << s.toStdString();
  }
  EXPECT_FALSE(tie.contains(QStringLiteral("filter")));
  ASSERT_EQ(w.SearchResults()->count(), tie.size());
  emit w.SearchResults()->itemClicked(
      w.SearchResults()->item(static_cast<int>(tie.indexOf(QStringLiteral("graph-settings-diagram")))));
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("graph-settings-diagram"));
  EXPECT_EQ(w.Browser()->textCursor().selectedText().toLower(), QStringLiteral("stereo"));

  EXPECT_TRUE(w.Search(QStringLiteral("xylophone")).isEmpty());
  EXPECT_EQ(w.SearchResults()->count(), 1);  // "Nothing found."
  emit w.SearchResults()->itemClicked(w.SearchResults()->item(0));
  EXPECT_EQ(w.CurrentSection(), QStringLiteral("graph-settings-diagram"));
  EXPECT_TRUE(w.Search(QStringLiteral("   ")).isEmpty());
}

TEST(HelpWindowTest, TheSearchTabTakesTheTypingAsSoonAsItIsShown) {
  HelpWindow w;
  w.ShowSection(QStringLiteral("index"));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* query = w.findChild<QLineEdit*>(QStringLiteral("HelpQuery"));
  auto* tabs = w.findChild<QTabWidget*>();
  ASSERT_TRUE(query && tabs);
  const auto focused = [] { return QApplication::focusWidget(); };
  // The focus moves once the key or click has been handled.
  const auto focusReaches = [](QWidget* target) {
    return QTest::qWaitFor([target] { return QApplication::focusWidget() == target; }, 2000);
  };

  // Alt+S from the page being read: the words typed next are the query.
  w.Browser()->setFocus();
  QTest::keyClick(w.Browser(), Qt::Key_S, Qt::AltModifier);
  ASSERT_TRUE(focusReaches(query));
  QTest::keyClicks(focused(), QStringLiteral("legend corner"));
  QTest::keyClick(focused(), Qt::Key_Return);
  EXPECT_EQ(query->text(), QStringLiteral("legend corner"));
  EXPECT_TRUE(SearchHelp(query->text()).contains(QStringLiteral("graph-settings-symbols")));
  EXPECT_GE(w.SearchResults()->count(), 1);
  EXPECT_NE(w.SearchResults()->item(0)->text(), QStringLiteral("Nothing found."));

  // Alt+C goes back to the contents tree, the keys then move in it.
  QTest::keyClick(focused(), Qt::Key_C, Qt::AltModifier);
  ASSERT_TRUE(focusReaches(w.ContentsTree()));
  EXPECT_EQ(tabs->currentIndex(), 0);

  // A click on the Search tab does the same as the key; the last words
  // stay, selected, so that new ones replace them.
  QTabBar* bar = tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  ASSERT_TRUE(focusReaches(query));
  EXPECT_EQ(query->selectedText(), QStringLiteral("legend corner"));

  // Alt+S while the Search tab is already shown, the focus elsewhere.
  w.Browser()->setFocus();
  ASSERT_TRUE(focusReaches(w.Browser()));
  QTest::keyClick(w.Browser(), Qt::Key_S, Qt::AltModifier);
  ASSERT_TRUE(focusReaches(query));
  EXPECT_EQ(tabs->currentIndex(), 1);
}

TEST(HelpWindowTest, ADialogWaitingForItsAnswerGetsAHelpWindowItCanReach) {
  HelpWindow shared;
  SetHelpViewer(&shared);
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("VN_Filter"));
  HelpWindow* own = nullptr;
  QTimer::singleShot(0, &dialog, [&] {
    ShowHelp(HelpSectionOfForm(dialog.objectName()));
    own = dialog.findChild<HelpWindow*>();
    // Pressed twice, the same window serves again.
    ShowHelp(QStringLiteral("preferences"));
    EXPECT_EQ(dialog.findChildren<HelpWindow*>().size(), 1);
    dialog.reject();
  });
  dialog.exec();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->CurrentSection(), QStringLiteral("preferences"));
  EXPECT_TRUE(own->isWindow());
  // The shared window was not used: it would have been blocked by the dialog.
  EXPECT_FALSE(shared.isVisible());
  EXPECT_EQ(CurrentHelpViewer(), &shared);
  SetHelpViewer(nullptr);
}

}  // namespace
}  // namespace varnel
