#include "sheet/filecommands.h"

#include <malloc.h>

#include <QDir>
#include <QFileInfo>
#include <climits>
#include <new>

#include "app/atomicfile.h"
#include "app/filename.h"
#include "app/numberlocale.h"
#include "app/reportparts.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

const char* const OpenFilters =
    "Text data files (*.vnp, *.prn, *.dat)|*.vnp;*.prn;*.dat|Text files (*.txt)|*.txt|All files (*.*)|*.*";
// Open reads tables from other programs as well.
const char* const OpenTableFilters =
    "Data files and tables (*.vnp, *.prn, *.dat, *.csv, *.tsv, *.txt, *.xlsx, *.ods)|"
    "*.vnp;*.prn;*.dat;*.csv;*.tsv;*.txt;*.xlsx;*.ods|Text data files (*.vnp, *.prn, "
    "*.dat)|*.vnp;*.prn;*.dat|"
    "Tables (*.csv, *.tsv, *.txt)|*.csv;*.tsv;*.txt|Workbooks (*.xlsx, *.ods)|*.xlsx;*.ods|All files "
    "(*.*)|*.*";
const char* const SaveFilters =
    "Varnel text files (*.vnp)|*.vnp|Text files (*.txt)|*.txt|All files (*.*)|*.*";

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

FileDialogSpec SaveSpec(const QString& fileName) {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Save As");
  spec.initialPath = fileName;
  spec.defaultSuffix = QStringLiteral("vnp");
  spec.filter = QString::fromLatin1(SaveFilters);
  spec.confirmOverwrite = true;
  return spec;
}

// The command ran out of memory: nothing it would have changed has changed.
void NoMemory(Sheet& sheet, const QString& what) {
  sheet.View().SetBusy(false);
  sheet.Prompt().Message(BoxKind::Error,
                         QStringLiteral("Not enough memory to ") + what +
                             QStringLiteral(".\n\rThe DataSheet was left as it was."),
                         Only(Button::Ok));
}

}  // namespace

DataFiles::DataFiles(Sheet& sheet, RecentFiles* history, LoadProgress* progress)
    : sheet_(sheet), history_(history), progress_(progress) {
  ImportDefaults.TargetDecimal = DecimalSeparator();
}

void DataFiles::AfterRead() {
  SheetView& view = sheet_.View();
  sheet_.Blank = false;
  view.SizeInclusionColumn(true);
  sheet_.Sel = Selection{1, 1, 1, 1};
  view.EndCellEdit();
  sheet_.ColumnsMode = sheet_.RowsMode = false;
  view.SelectionChanged();
  view.UpdateCommands();
  // Every case of fresh data is included, whether the graphs connect or not.
  if (!sheet_.Prefs.AutoConnect && sheet_.Connected) sheet_.Graph().DisconnectGraphs();
  sheet_.SetAllInclusion(true);
  if (sheet_.Prefs.AutoConnect) sheet_.Graph().GetWSheetData(true);
}

bool DataFiles::LoadDataFile(const QString& path) {
  if (TableKindOf(path) != TableKind::DataFile) return ImportTableFile(path);
  const QString keptHeader = sheet_.HeaderLine;
  bool ok = false;
  bool begun = false;
  TextEncoding encoding = TextEncoding::Utf8;
  try {
    ReadOptions options;
    options.ParseWarnings = sheet_.Prefs.ParseWarnings;
    options.LinesCounted = [this, &begun](std::size_t lineCount) {
      const int maximum =
          static_cast<int>(std::min<std::size_t>(lineCount > 0 ? lineCount - 1 : 0, INT_MAX) / 10);
      if (progress_) progress_->Begin(maximum, maximum > 3);
      begun = true;
      sheet_.View().ProcessEvents();
    };
    if (progress_) options.Progress = [this](int line) { progress_->Step(line / 10); };
    sheet_.HeaderLine.clear();
    ok = ReadDataFile(sheet_, path, options, &encoding);
  } catch (const std::bad_alloc&) {
    if (progress_ && begun) progress_->End();
    sheet_.HeaderLine = keptHeader;
    NoMemory(sheet_, QStringLiteral("read \"") + QDir::toNativeSeparators(path) + QLatin1Char('"'));
    ::malloc_trim(0);
    return false;
  }
  // The allocator would keep the pages of the pieces read resident.
  ::malloc_trim(0);
  if (!ok) {
    sheet_.HeaderLine = keptHeader;
  } else {
    if (history_) history_->AddFile(path);
    importedName_.clear();
    sheet_.FileEncoding = encoding;
    sheet_.SetFileName(path);
    sheet_.Saved = true;
    AfterRead();
  }
  if (progress_ && begun) progress_->End();
  return ok;
}

void DataFiles::Open1Click() {
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel) return;
  if (answer == Button::Yes && !Save1Click()) return;
  FileDialogSpec spec;
  spec.title = QStringLiteral("Open Data File");
  spec.filter = QString::fromLatin1(OpenTableFilters);
  spec.mustExist = true;
  const std::optional<QString> path = sheet_.Prompt().OpenFileName(spec);
  if (path) LoadDataFile(*path);
}

bool DataFiles::WriteSheet(const QString& path) {
  TextEncoding used = sheet_.FileEncoding;
  QString error;
  bool ok = false;
  {
    const BusyGuard busy(sheet_.View());
    try {
      std::string bytes = DataFileText(sheet_, path, Now());
      bytes = EncodeForFile(std::move(bytes), sheet_.FileEncoding, &used);
      ok = SaveFileAtomically(path,
                              QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                              sheet_.Prefs.BackupWanted ? sheet_.BackupExt : QString(), &error);
    } catch (const std::bad_alloc&) {
      error = QStringLiteral("Not enough memory to save \"%1\".\n\rThe file was left as it was.")
                  .arg(QDir::toNativeSeparators(path));
    }
  }
  if (!ok) {
    sheet_.Prompt().FileError(error);
    return false;
  }
  sheet_.FileEncoding = used;
  if (history_) history_->AddFile(path);
  importedName_.clear();
  sheet_.Saved = true;
  sheet_.View().UpdateCommands();
  return true;
}

bool DataFiles::Save1Click() {
  if (sheet_.FileName == QLatin1String("Untitled")) return SaveAs1Click();
  if (!importedName_.isEmpty() && sheet_.FileName == importedName_ && QFileInfo::exists(importedName_))
    return SaveAs1Click();
  return WriteSheet(sheet_.FileName);
}

bool DataFiles::SaveAs1Click() {
  const std::optional<QString> path = sheet_.Prompt().SaveFileName(SaveSpec(sheet_.FileName));
  if (!path) return false;
  // The sheet takes the new name only once it is written there: after a
  // failure it still belongs to the file it came from.
  if (!WriteSheet(*path)) return false;
  sheet_.SetFileName(*path);
  if (sheet_.Connected) sheet_.Graph().SetGraphsCaptionFile(Utf8(FileNameOnly(*path)));
  return true;
}

void DataFiles::SaveSelection1Click() {
  const std::optional<QString> path = sheet_.Prompt().SaveFileName(SaveSpec(sheet_.FileName));
  if (!path) return;
  const Selection s = sheet_.Sel;
  QString error;
  bool ok = false;
  try {
    std::string text =
        Utf8(QStringLiteral("; ") + FileNameOnly(*path) + QStringLiteral(" - Last saved on ") +
             DateTimeText(Now()) + QStringLiteral(" Cases: ") + QString::number(s.Bottom - s.Top + 1) +
             QStringLiteral(" Variables: ") + QString::number(s.Right - s.Left + 1));
    text += "\r\n;;" + Utf8(sheet_.HeaderLine) + "\r\n";
    GridToLines(sheet_, s.Left, 0, s.Right, 0, text);
    GridToLines(sheet_, s.Left, s.Top, s.Right, s.Bottom, text);
    TextEncoding used;
    const std::string bytes = EncodeForFile(std::move(text), sheet_.FileEncoding, &used);
    ok =
        SaveFileAtomically(*path, QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                           QString(), &error);
  } catch (const std::bad_alloc&) {
    error = QStringLiteral("Not enough memory to save \"%1\".\n\rThe file was left as it was.")
                .arg(QDir::toNativeSeparators(*path));
  }
  if (!ok) {
    sheet_.Prompt().FileError(error);
    return;
  }
  if (history_) history_->AddFile(*path);
}

void DataFiles::AppendFile1Click() {
  FileDialogSpec spec;
  spec.title = QStringLiteral("Append Data File");
  spec.filter = QString::fromLatin1(OpenFilters);
  spec.mustExist = true;
  const std::optional<QString> path = sheet_.Prompt().OpenFileName(spec);
  if (!path) return;
  const int first = sheet_.RowCount();
  const bool wasSaved = sheet_.Saved;
  int added = 0;
  // Takes the appended rows back, as when memory runs out.
  auto takeBack = [&] {
    if (added == 0) return;
    sheet_.RemoveRows(first, added);
    sheet_.Saved = wasSaved;
    added = 0;
    sheet_.View().SizeInclusionColumn(false);
    if (sheet_.Connected)
      sheet_.Graph().SetPlotCaseCount(sheet_.CaseCount());
    else
      sheet_.RecountIncluded();
  };
  try {
    // Read in pieces twice, to count the cases and then to paste them, so
    // that a large file is never held whole beside the grid.
    DataFileLines file;
    if (!file.Open(sheet_, *path)) return;
    std::size_t cases = 0;
    if (!file.ForEachLine([&](std::string_view line, std::size_t) {
          if (!IsCommentLine(line, nullptr)) ++cases;
          return true;
        })) {
      sheet_.Prompt().FileError(file.Error());
      return;
    }
    if (cases == 0) {
      sheet_.Prompt().Message(BoxKind::Warning,
                              QStringLiteral("Warning: no valid data lines found in file ") +
                                  QDir::toNativeSeparators(*path) +
                                  QStringLiteral(".\n\rFile may be empty or incorrectly formatted."),
                              Only(Button::Ok));
      return;
    }
    if (cases > static_cast<std::size_t>(INT_MAX - 1 - first)) throw std::bad_alloc();
    const int n = static_cast<int>(cases);
    // Room for the new rows first, so that running out of memory stops the
    // command before the sheet changes.
    if (static_cast<std::size_t>(sheet_.ColCount()) * static_cast<std::size_t>(n) >
        MemoryWithinReach() / sizeof(CellText))
      throw std::bad_alloc();
    sheet_.ReserveRows(first + n);
    sheet_.InsertRows(first, n);
    added = n;
    sheet_.View().SizeInclusionColumn(false);
    for (int r = first; r < first + n; ++r) sheet_.SetCell(0, r, "N");
    if (sheet_.Connected)
      sheet_.Graph().SetPlotCaseCount(sheet_.CaseCount());
    else
      sheet_.RecountIncluded();
    if (!PasteDataLines(sheet_, file, cases, 1, first, sheet_.ColCount() - 1, first + n - 1)) {
      takeBack();
      if (!file.Error().isEmpty())
        sheet_.Prompt().FileError(file.Error());
      else
        file.TellChanged(sheet_);
      return;
    }
  } catch (const std::bad_alloc&) {
    takeBack();
    NoMemory(sheet_, QStringLiteral("append \"") + QDir::toNativeSeparators(*path) + QLatin1Char('"'));
  }
}

void DataFiles::PasteFile1Click(const QString& clipboardText) {
  const std::string text = clipboardText.toUtf8().toStdString();
  if (!PastableText(sheet_, text)) return;
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel) return;
  if (answer == Button::Yes && !Save1Click()) return;
  sheet_.SetFileName(QStringLiteral("Untitled"));
  const QString keptHeader = sheet_.HeaderLine;
  try {
    WorkLines work;
    work.SetText(text);
    sheet_.HeaderLine.clear();
    ReadOptions options;
    options.ParseWarnings = sheet_.Prefs.ParseWarnings;
    if (!ReadDataLines(sheet_, work.lines, options)) {
      sheet_.HeaderLine = keptHeader;
      return;
    }
  } catch (const std::bad_alloc&) {
    sheet_.HeaderLine = keptHeader;
    NoMemory(sheet_, QStringLiteral("paste the data"));
    return;
  }
  sheet_.FileEncoding = TextEncoding::Utf8;
  sheet_.Saved = false;
  AfterRead();
}

void DataFiles::FileSelected(const QString& path, int& action) {
  Q_UNUSED(action);  // the entry moves to the top whether or not it loads
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel) return;
  if (answer == Button::Yes && !Save1Click()) return;
  LoadDataFile(path);
}

std::string DataFiles::PrintLines(bool selection) const {
  const Selection s = sheet_.Sel;
  int left = 1, top = 0, right = sheet_.ColCount() - 1, bottom = sheet_.RowCount() - 1;
  int cases = sheet_.CaseCount(), variables = sheet_.VariableCount();
  if (selection) {
    left = s.Left;
    top = s.Top;
    right = s.Right;
    bottom = s.Bottom;
    cases = bottom - top + 1;
    variables = right - left + 1;
  }
  std::string out =
      Utf8(QStringLiteral("; ") + FileNameOnly(sheet_.FileName) + QStringLiteral(" - Printed on ") +
           DateTimeText(Now()) + QStringLiteral(" Cases: ") + QString::number(cases) +
           QStringLiteral(" Variables: ") + QString::number(variables));
  out += "\r\n;;" + Utf8(sheet_.HeaderLine) + "\r\n";
  if (selection) GridToLines(sheet_, left, 0, right, 0, out);
  GridToLines(sheet_, left, top, right, bottom, out);
  return out;
}

}  // namespace varnel
