// The DataSheet's file commands: Open, Save, Save As, Save Selection, Append,
// Paste as a New File and printing the table.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

#include "sheet/datafile.h"
#include "sheet/recentfiles.h"
#include "sheet/tableimport.h"

namespace varnel {

class ReportTarget;
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
  // Tables from other programs (text tables, workbooks): LoadDataFile reads
  // them through ImportTableFile into a new, unsaved sheet named after the
  // file with ".vnp". The chooser (the window's import dialog) confirms the
  // choices first; without one the detected or given choices hold. The
  // summary goes to the report window when there is one.
  bool ImportTableFile(const QString& path);
  void SetImportChooser(ImportChooser* chooser) { chooser_ = chooser; }
  void SetReportTarget(ReportTarget* report) { report_ = report; }
  TableImportOptions ImportDefaults;
  // File > Export As: the sheet (all cases, or the included ones) as .csv
  // or .xlsx.
  bool ExportAs1Click(bool includedOnly);
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
  ImportChooser* chooser_ = nullptr;
  ReportTarget* report_ = nullptr;
  // The name an imported table was given: its first Save asks before it
  // replaces a file of that name.
  QString importedName_;
};

}  // namespace varnel
