// The manual's window: the contents as a tree, a search over every page, the
// page itself with its links, and Back / Forward / Contents. One window for
// the whole run; asking for a section opens it there and brings it forward.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include "app/help.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnel {

// A page of the manual: its id (file name without ".md") and its title (the
// text of its first heading).
struct HelpPage {
  QString Section;
  QString Title;
  int Depth = 0;  // nesting in the contents, 0 at the top
};

// The contents in order, read from the contents page's list of links.
QList<HelpPage> HelpContents();

// The ids of every page the manual holds, sorted.
QStringList HelpSections();

// The pages whose text holds every word of the query (case ignored), in the
// order of the contents.
QStringList SearchHelp(const QString& query);

class HelpWindow final : public QMainWindow, public HelpViewer {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  ~HelpWindow() override;

  // Opens the page, shows the window (above a dialog that is waiting for an
  // answer too) and brings it forward.
  void ShowSection(const QString& section) override;

  // The id of the page shown; empty before the first.
  QString CurrentSection() const;

  // Runs a search as the Search tab does; the ids found.
  QStringList Search(const QString& query);

  QTextBrowser* Browser() const { return browser_; }
  QTreeWidget* ContentsTree() const { return tree_; }
  QListWidget* SearchResults() const { return results_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Opened(const QString& section);
  // Puts the keyboard in the tab shown: the query field of Search, the tree
  // of Contents, so that typing goes where the user looks.
  void FocusCurrentTab();
  void OpenResult(int row);

  QTabWidget* tabs_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QLineEdit* query_ = nullptr;
  QListWidget* results_ = nullptr;
  QTextBrowser* browser_ = nullptr;
  QString lastQuery_;
  bool placed_ = false;
};

}  // namespace varnel
