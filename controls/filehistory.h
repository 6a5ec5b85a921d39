// The recently used files under a menu item (TFileHist), kept in the
// "RecentFiles" section of the settings file.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "sheet/recentfiles.h"

class QMenu;

namespace varnel {

class Prompter;

class TFileHist : public QObject, public RecentFiles {
  Q_OBJECT
 public:
  static constexpr int MaxFiles = 9;

  TFileHist(QMenu* menuItem, Prompter& prompter, QObject* parent = nullptr);

  bool ShowClear = true;
  // The settings file; the program's own when empty.
  QString INIFileName;
  // Called with the path of a picked entry and the action 1; it may set the
  // action to 2 (remove the entry) or another value (leave the list).
  std::function<void(const QString& path, int& action)> OnFileSelected;

  const QStringList& Files() const { return files_; }
  void Load();
  void AddFile(const QString& path) override;
  void RemoveFile(const QString& path);
  void ClearHistory();
  // What a click on an item does: index -1 is "&Clear History".
  void ItemClicked(int index);

 private:
  QString SettingsPath() const;
  void Write();
  void RebuildMenu();

  QMenu* menu_;
  Prompter& prompter_;
  QStringList files_;
};

}  // namespace varnel
