#include "controls/filehistory.h"

#include <QAction>
#include <QMenu>

#include "app/inifile.h"
#include "app/programfolder.h"
#include "app/prompter.h"

namespace varnel {

TFileHist::TFileHist(QMenu* menuItem, Prompter& prompter, QObject* parent)
    : QObject(parent), menu_(menuItem), prompter_(prompter) {}

QString TFileHist::SettingsPath() const { return INIFileName.isEmpty() ? SettingsFilePath() : INIFileName; }

void TFileHist::Load() {
  files_.clear();
  const IniFile ini(SettingsPath());
  for (int n = 1; n <= MaxFiles; ++n) {
    const QString path = ini.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("File%1").arg(n),
                                        QStringLiteral("ERROR"));
    if (path == QLatin1String("ERROR") || path.isEmpty()) break;
    files_ << path;
  }
  RebuildMenu();
}

void TFileHist::Write() {
  IniFile ini(SettingsPath());
  for (int n = 1; n <= MaxFiles; ++n)
    ini.WriteString(QStringLiteral("RecentFiles"), QStringLiteral("File%1").arg(n),
                    n <= files_.size() ? files_[n - 1] : QString());
  // A list that cannot be written is still shown; the next change tries again.
  if (MakeUserFolderFor(SettingsPath(), nullptr)) ini.Save();
}

void TFileHist::AddFile(const QString& path) {
  // File names on this system tell upper and lower case apart.
  files_.removeAll(path);
  files_.prepend(path);
  while (files_.size() > MaxFiles) files_.removeLast();
  Write();
  RebuildMenu();
}

void TFileHist::RemoveFile(const QString& path) {
  files_.removeAll(path);
  Write();
  RebuildMenu();
}

void TFileHist::ClearHistory() {
  files_.clear();
  Write();
  RebuildMenu();
}

void TFileHist::RebuildMenu() {
  if (!menu_) return;
  for (QAction* a : menu_->actions())
    if (a->objectName().startsWith(QLatin1String("miMRF"))) {
      menu_->removeAction(a);
      delete a;
    }
  if (!files_.isEmpty()) {
    if (!menu_->actions().isEmpty()) menu_->addSeparator()->setObjectName(QStringLiteral("miMRFblank"));
    for (int i = 0; i < files_.size(); ++i) {
      QAction* a = menu_->addAction(QStringLiteral("&%1  %2").arg(i + 1).arg(files_[i]));
      a->setObjectName(QStringLiteral("miMRF%1").arg(i));
      a->setData(i);
      connect(a, &QAction::triggered, this, [this, i] { ItemClicked(i); });
    }
    if (ShowClear) {
      menu_->addSeparator()->setObjectName(QStringLiteral("miMRFblank2"));
      QAction* clear = menu_->addAction(QStringLiteral("&Clear History"));
      clear->setObjectName(QStringLiteral("miMRFClear"));
      clear->setData(-1);
      connect(clear, &QAction::triggered, this, [this] { ItemClicked(-1); });
    }
  }
  menu_->menuAction()->setEnabled(!menu_->actions().isEmpty());
}

void TFileHist::ItemClicked(int index) {
  if (index < 0) {
    if (prompter_.Message(BoxKind::Warning,
                          QStringLiteral("All history items will be removed from the menu. Continue?"),
                          Button::Yes | Button::No) == Button::Yes)
      ClearHistory();
    return;
  }
  if (index >= files_.size()) return;
  const QString path = files_[index];
  int action = 1;
  if (OnFileSelected) OnFileSelected(path, action);
  if (action == 1)
    AddFile(path);
  else if (action == 2)
    RemoveFile(path);
}

}  // namespace varnel
