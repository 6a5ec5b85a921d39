// The file commands for tables of other programs: opening a text table or
// a workbook as a new sheet, and File > Export As.
#include <malloc.h>

#include <QDir>
#include <QFileInfo>

#include "app/numberlocale.h"
#include "app/reporttarget.h"
#include "sheet/filecommands.h"
#include "sheet/sheet.h"
#include "sheet/sheetexport.h"

namespace varnel {

bool DataFiles::ImportTableFile(const QString& path) {
  TableImportOptions options = ImportDefaults;
  if (chooser_ && !chooser_->ChooseImport(path, options)) return false;
  ImportedTable table;
  ImportResult result;
  {
    const BusyGuard busy(sheet_.View());
    result = ImportTable(path, options, table);
  }
  ::malloc_trim(0);
  if (!result.Ok) {
    // Nothing of the sheet has changed.
    sheet_.Prompt().Message(BoxKind::Error, result.Error, Only(Button::Ok));
    return false;
  }
  if (sheet_.Prefs.ParseWarnings) {
    bool ignored = false;
    for (const QString& warning : table.Warnings)
      if (sheet_.Prompt().Message(BoxKind::Warning, warning, Button::Ok | Button::Ignore) == Button::Ignore) {
        ignored = true;
        break;
      }
    if (!ignored && table.MoreWarnings > 0)
      sheet_.Prompt().Message(
          BoxKind::Warning,
          QStringLiteral("... and %1 more warnings of the same kinds.").arg(table.MoreWarnings),
          Only(Button::Ok));
  }
  const QStringList summary = ImportSummary(path, table);
  sheet_.View().EndCellEdit();
  sheet_.AdoptGrid(std::move(table.Columns), table.RowCount);
  if (history_) history_->AddFile(path);
  sheet_.HeaderLine = QStringLiteral("Imported from ") + QFileInfo(path).fileName();
  // A number put in place of "<limit" cannot be told from a measured one
  // afterwards: the sheet's description keeps how it came about.
  if (table.Used.BelowLimit != LimitReading::Missing) {
    const QString below = BelowLimitNote(table);
    if (!below.isEmpty()) sheet_.HeaderLine += QStringLiteral("; ") + below;
  }
  sheet_.FileEncoding = TextEncoding::Utf8;
  importedName_ = ImportedSheetName(path);
  sheet_.SetFileName(importedName_);
  // The sheet exists in no file of its own yet.
  sheet_.Saved = false;
  AfterRead();
  if (report_) {
    report_->StartReport();
    report_->AppendLines(summary);
    report_->SetTabStops(4, 96);
    report_->CaretToEnd();
    report_->ShowReport();
  }
  return true;
}

bool DataFiles::ExportAs1Click(bool includedOnly) {
  FileDialogSpec spec;
  spec.title = includedOnly ? QStringLiteral("Export Included Cases As") : QStringLiteral("Export As");
  const QFileInfo info(sheet_.FileName);
  spec.initialPath = sheet_.FileName == QLatin1String("Untitled")
                         ? QStringLiteral("Untitled.csv")
                         : info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
  spec.defaultSuffix = QStringLiteral("csv");
  spec.filter = QStringLiteral("CSV files (*.csv)|*.csv|Excel workbooks (*.xlsx)|*.xlsx");
  spec.confirmOverwrite = true;
  const std::optional<QString> path = sheet_.Prompt().SaveFileName(spec);
  if (!path) return false;
  QString error;
  bool ok = false;
  {
    const BusyGuard busy(sheet_.View());
    ok = ExportSheet(sheet_, *path, includedOnly, DecimalSeparator(), &error);
  }
  if (!ok) sheet_.Prompt().FileError(error);
  return ok;
}

}  // namespace varnel
