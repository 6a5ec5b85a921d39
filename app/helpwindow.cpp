#include "app/helpwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialogparts.h"

namespace varnel {
namespace {

QString ReadPage(const QString& section) {
  QFile file(HelpPagePath(section));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QString PageTitle(const QString& text, const QString& fallback) {
  static const QRegularExpression heading(QStringLiteral("^#+\\s+(.+?)\\s*$"),
                                          QRegularExpression::MultilineOption);
  const QRegularExpressionMatch m = heading.match(text);
  return m.hasMatch() ? m.captured(1) : fallback;
}

// The section of a link or a page address: "qrc:/help/filter.md" -> "filter".
QString SectionOfUrl(const QUrl& url) {
  const QString file = url.fileName();
  if (!file.endsWith(QLatin1String(".md"))) return {};
  return file.left(file.size() - 3);
}

QUrl PageUrl(const QString& section) { return QUrl(QStringLiteral("qrc") + HelpPagePath(section)); }

// The plain text of every page, read once: the search looks through it.
const QList<std::pair<QString, QString>>& PageTexts() {
  static const QList<std::pair<QString, QString>> texts = [] {
    QList<std::pair<QString, QString>> list;
    QStringList order;
    for (const HelpPage& p : HelpContents())
      if (!order.contains(p.Section)) order << p.Section;
    for (const QString& s : HelpSections())
      if (!order.contains(s)) order << s;
    for (const QString& s : order) {
      QTextDocument doc;
      doc.setMarkdown(ReadPage(s));
      list.append({s, doc.toPlainText()});
    }
    return list;
  }();
  return texts;
}

QStringList QueryWords(const QString& query) {
  return query.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

}  // namespace

QList<HelpPage> HelpContents() {
  // The contents page lists the manual as nested Markdown list items, each a
  // link to a page, two spaces of indent a level.
  static const QRegularExpression item(QStringLiteral("^( *)[-*] \\[([^\\]]+)\\]\\(([A-Za-z0-9_-]+)\\.md\\)"),
                                       QRegularExpression::MultilineOption);
  QList<HelpPage> pages;
  pages.append({QString::fromLatin1(HelpContentsSection),
                PageTitle(ReadPage(QString::fromLatin1(HelpContentsSection)), QStringLiteral("Contents")),
                0});
  auto it = item.globalMatch(ReadPage(QString::fromLatin1(HelpContentsSection)));
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    pages.append({m.captured(3), m.captured(2), static_cast<int>(m.capturedLength(1) / 2)});
  }
  return pages;
}

QStringList HelpSections() {
  QStringList sections;
  for (const QString& file : QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.md")}, QDir::Files))
    sections << file.left(file.size() - 3);
  sections.sort();
  return sections;
}

QStringList SearchHelp(const QString& query) {
  const QStringList words = QueryWords(query);
  QStringList found;
  if (words.isEmpty()) return found;
  for (const auto& [section, text] : PageTexts()) {
    bool all = true;
    for (const QString& w : words) all = all && text.contains(w, Qt::CaseInsensitive);
    if (all) found << section;
  }
  return found;
}

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("VN_Help"));
  setWindowTitle(QStringLiteral("Varnel Help"));

  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenExternalLinks(true);
  browser_->setSearchPaths({QStringLiteral(":/help")});

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("HelpContents"));
  tree_->setHeaderHidden(true);
  QList<QTreeWidgetItem*> parents;
  for (const HelpPage& page : HelpContents()) {
    const int depth = std::min(page.Depth, static_cast<int>(parents.size()));
    parents.resize(depth);
    auto* item = depth == 0 ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(parents.last());
    item->setText(0, page.Title);
    item->setData(0, Qt::UserRole, page.Section);
    parents.append(item);
  }
  tree_->expandAll();
  connect(tree_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { ShowSection(item->data(0, Qt::UserRole).toString()); });
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { ShowSection(item->data(0, Qt::UserRole).toString()); });

  auto* searchPage = new QWidget(this);
  auto* searchLayout = new QVBoxLayout(searchPage);
  searchLayout->addWidget(new QLabel(QStringLiteral("&Words to find:"), searchPage));
  query_ = new QLineEdit(searchPage);
  query_->setObjectName(QStringLiteral("HelpQuery"));
  query_->setClearButtonEnabled(true);
  static_cast<QLabel*>(searchLayout->itemAt(0)->widget())->setBuddy(query_);
  searchLayout->addWidget(query_);
  results_ = new QListWidget(searchPage);
  results_->setObjectName(QStringLiteral("HelpResults"));
  searchLayout->addWidget(results_, 1);
  connect(query_, &QLineEdit::returnPressed, this, [this] { Search(query_->text()); });
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* i) { OpenResult(results_->row(i)); });
  connect(results_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* i) { OpenResult(results_->row(i)); });

  tabs_ = new QTabWidget(this);
  tabs_->addTab(tree_, QStringLiteral("&Contents"));
  tabs_->addTab(searchPage, QStringLiteral("&Search"));
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { FocusCurrentTab(); });
  // Alt+S or Alt+C on the tab already shown changes no tab, but the user
  // still asks to work in it.
  tabs_->tabBar()->installEventFilter(this);

  auto* split = new QSplitter(this);
  split->addWidget(tabs_);
  split->addWidget(browser_);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  setCentralWidget(split);

  QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
  bar->setObjectName(QStringLiteral("HelpToolBar"));
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QStyle* style = QApplication::style();
  QAction* back = bar->addAction(style->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"));
  back->setObjectName(QStringLiteral("HelpBack"));
  back->setShortcut(QKeySequence::Back);
  back->setEnabled(false);
  QAction* forward = bar->addAction(style->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"));
  forward->setObjectName(QStringLiteral("HelpForward"));
  forward->setShortcut(QKeySequence::Forward);
  forward->setEnabled(false);
  QAction* home = bar->addAction(style->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("C&ontents"));
  home->setObjectName(QStringLiteral("HelpHome"));
  connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
  connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
  connect(home, &QAction::triggered, this, [this] { ShowSection(QString::fromLatin1(HelpContentsSection)); });
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this,
          [this](const QUrl& url) { Opened(SectionOfUrl(url)); });
  auto* close = new QAction(this);
  close->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(close, &QAction::triggered, this, &QWidget::close);
  addAction(close);

  const QRect area = AvailableArea();
  resize(std::min(1040, area.width() * 9 / 10), std::min(720, area.height() * 9 / 10));
  const int contents = std::min(300, width() / 3);
  split->setSizes({contents, width() - contents});
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tabs_->tabBar() && event->type() == QEvent::Shortcut)
    // After the tab bar has switched to the tab the key names.
    QMetaObject::invokeMethod(
        this, [this] { FocusCurrentTab(); }, Qt::QueuedConnection);
  return QMainWindow::eventFilter(watched, event);
}

void HelpWindow::FocusCurrentTab() {
  if (tabs_->currentIndex() == 1) {
    query_->setFocus(Qt::ShortcutFocusReason);
    query_->selectAll();
  } else {
    tree_->setFocus(Qt::ShortcutFocusReason);
  }
}

HelpWindow::~HelpWindow() {
  if (CurrentHelpViewer() == this) SetHelpViewer(nullptr);
}

void HelpWindow::ShowSection(const QString& section) {
  const QString id = HelpSectionExists(section) ? section : QString::fromLatin1(HelpContentsSection);
  // A dialog waiting for its answer blocks every other window, so its help
  // opens in a window of its own that belongs to it and goes with it.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != this && !isAncestorOf(modal) && parentWidget() != modal) {
    auto* own = modal->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!own) {
      own = new HelpWindow(modal);
      own->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    own->ShowSection(id);
    return;
  }
  if (CurrentSection() != id) browser_->setSource(PageUrl(id));
  if (!placed_) {
    // The first time in the middle of the screen, later where the user left it.
    const QRect area = AvailableArea();
    move(area.center() - QPoint(width() / 2, height() / 2));
    placed_ = true;
  }
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

QString HelpWindow::CurrentSection() const { return SectionOfUrl(browser_->source()); }

void HelpWindow::Opened(const QString& section) {
  setWindowTitle(PageTitle(ReadPage(section), QString()) + QStringLiteral(" - Varnel Help"));
  // The contents follow the page, also when a link or Back opened it.
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(0, Qt::UserRole).toString() == section) {
      tree_->setCurrentItem(*it);
      break;
    }
  }
  if (!lastQuery_.isEmpty()) {
    // Shows the first place of the first word searched for.
    browser_->moveCursor(QTextCursor::Start);
    browser_->find(QueryWords(lastQuery_).value(0));
  }
}

QStringList HelpWindow::Search(const QString& query) {
  if (query_->text() != query) query_->setText(query);
  tabs_->setCurrentIndex(1);
  results_->clear();
  const QStringList found = SearchHelp(query);
  const QList<HelpPage> contents = HelpContents();
  for (const QString& s : found) {
    QString title = s;
    for (const HelpPage& p : contents)
      if (p.Section == s) title = p.Title;
    auto* item = new QListWidgetItem(title, results_);
    item->setData(Qt::UserRole, s);
  }
  if (found.isEmpty()) {
    auto* none = new QListWidgetItem(QStringLiteral("Nothing found."), results_);
    none->setFlags(Qt::NoItemFlags);
  }
  return found;
}

void HelpWindow::OpenResult(int row) {
  const QListWidgetItem* item = results_->item(row);
  if (!item || item->data(Qt::UserRole).toString().isEmpty()) return;
  lastQuery_ = query_->text();
  const QString section = item->data(Qt::UserRole).toString();
  if (CurrentSection() == section)
    Opened(section);
  else
    ShowSection(section);
  lastQuery_.clear();
}

}  // namespace varnel
