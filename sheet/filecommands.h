// The DataSheet's file commands: Open, Save, Save As, Save Selection, Append,
// Paste as a New File and printing the table.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

#include "sheet/datafile.h"
#include "sheet/recentfiles.h"

namespace varnel {

class Sheet;
class TextPrinter;

// The window that shows the progress of a long load.
class LoadProgress {
 public:
  virtual ~LoadProgress() = default;
  // maximum: the last step; show: whether the window appears at all.
  virtual void Begin(int maximum, bool show) = 0;
  virtual void Step(int step) = 0;
  virtual void End() = 0;
};

class DataFiles {
 public:
  DataFiles(Sheet& sheet, RecentFiles* history, LoadProgress* progress);

  // The clock of line 1 (replaceable in tests).
  std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

  // The common loader of Open, the recent files and the command line.
  bool LoadDataFile(const QString& path);
  void Open1Click();
  bool Save1Click();
  bool SaveAs1Click();
  void SaveSelection1Click();
  void AppendFile1Click();
  void PasteFile1Click(const QString& clipboardText);
  // The recent-files entry picked by the user.
  void FileSelected(const QString& path, int& action);
  // The lines of a printout: the whole sheet, or the selection.
  std::string PrintLines(bool selection) const;

 private:
  bool WriteSheet(const QString& path);
  void AfterRead();

  Sheet& sheet_;
  RecentFiles* history_;
  LoadProgress* progress_;
};

}  // namespace varnel
