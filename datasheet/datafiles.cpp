#include "datasheet/datafiles.h"

#include <QDir>
#include <QFileInfo>

#include "app/atomicfile.h"
#include "app/dialogparts.h"
#include "app/reportparts.h"
#include "controls/filehistory.h"
#include "datasheet/sheet.h"

namespace varnel {
namespace {

const char* const OpenFilters =
    "Text data files (*.vnp, *.prn, *.dat)|*.vnp;*.prn;*.dat|Text files (*.txt)|*.txt|All files (*.*)|*.*";
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

// Reads a whole file; the system's reason is shown when it cannot be read.
bool ReadFile(Sheet& sheet, const QString& path, WorkLines& work) {
  QByteArray bytes;
  QString error;
  if (!ReadWholeFile(path, bytes, &error)) {
    sheet.Prompt().FileError(error);
    return false;
  }
  work.SetBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  return true;
}

}  // namespace

DataFiles::DataFiles(Sheet& sheet, TFileHist* history, LoadProgress* progress)
    : sheet_(sheet), history_(history), progress_(progress) {}

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
  WorkLines work;
  if (!ReadFile(sheet_, path, work)) return false;
  const int lineCount = static_cast<int>(work.lines.size());
  const int maximum = std::max(lineCount - 1, 0) / 10;
  if (progress_) progress_->Begin(maximum, maximum > 3);
  sheet_.View().ProcessEvents();
  const QString keptHeader = sheet_.HeaderLine;
  sheet_.HeaderLine.clear();
  ReadOptions options;
  options.ParseWarnings = sheet_.Prefs.ParseWarnings;
  if (progress_) options.Progress = [this](int line) { progress_->Step(line / 10); };
  const bool ok = ReadDataLines(sheet_, work.lines, options);
  if (!ok) {
    sheet_.HeaderLine = keptHeader;
  } else {
    if (history_) history_->AddFile(path);
    sheet_.FileEncoding = work.encoding;
    sheet_.SetFileName(path);
    sheet_.Saved = true;
    AfterRead();
  }
  if (progress_) progress_->End();
  return ok;
}

void DataFiles::Open1Click() {
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel) return;
  if (answer == Button::Yes && !Save1Click()) return;
  FileDialogSpec spec;
  spec.title = QStringLiteral("Open Data File");
  spec.filter = QString::fromLatin1(OpenFilters);
  spec.mustExist = true;
  const std::optional<QString> path = sheet_.Prompt().OpenFileName(spec);
  if (path) LoadDataFile(*path);
}

bool DataFiles::WriteSheet(const QString& path) {
  bool ok = false;
  QString error;
  TextEncoding used = sheet_.FileEncoding;
  {
    const BusyGuard busy(sheet_.View());
    const std::string text = DataFileText(sheet_, path, Now());
    const std::string bytes = EncodeForFile(text, sheet_.FileEncoding, &used);
    ok = SaveFileAtomically(path, QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                            sheet_.Prefs.BackupWanted ? sheet_.BackupExt : QString(), &error);
  }
  if (!ok) {
    sheet_.Prompt().FileError(error);
    return false;
  }
  sheet_.FileEncoding = used;
  if (history_) history_->AddFile(path);
  sheet_.Saved = true;
  sheet_.View().UpdateCommands();
  return true;
}

bool DataFiles::Save1Click() {
  if (sheet_.FileName == QLatin1String("Untitled")) return SaveAs1Click();
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
  std::string text =
      Utf8(QStringLiteral("; ") + FileNameOnly(*path) + QStringLiteral(" - Last saved on ") +
           DateTimeText(Now()) + QStringLiteral(" Cases: ") + QString::number(s.Bottom - s.Top + 1) +
           QStringLiteral(" Variables: ") + QString::number(s.Right - s.Left + 1));
  text += "\r\n;;" + Utf8(sheet_.HeaderLine) + "\r\n";
  GridToLines(sheet_, s.Left, 0, s.Right, 0, text);
  GridToLines(sheet_, s.Left, s.Top, s.Right, s.Bottom, text);
  TextEncoding used;
  const std::string bytes = EncodeForFile(text, sheet_.FileEncoding, &used);
  QString error;
  if (!SaveFileAtomically(*path, QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                          QString(), &error)) {
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
  WorkLines work;
  if (!ReadFile(sheet_, *path, work)) return;
  std::vector<std::string_view> lines;
  for (std::string_view line : work.lines)
    if (!line.empty() && line[0] != ';') lines.push_back(line);
  if (lines.empty()) {
    sheet_.Prompt().Message(BoxKind::Warning,
                            QStringLiteral("Warning: no valid data lines found in file ") +
                                QDir::toNativeSeparators(*path) +
                                QStringLiteral(".\n\rFile may be empty or incorrectly formatted."),
                            Only(Button::Ok));
    return;
  }
  const int n = static_cast<int>(lines.size());
  const int first = sheet_.RowCount();
  sheet_.InsertRows(first, n);
  sheet_.View().SizeInclusionColumn(false);
  for (int r = first; r < first + n; ++r) sheet_.SetCell(0, r, "N");
  if (sheet_.Connected)
    sheet_.Graph().SetPlotCaseCount(std::min(sheet_.CaseCount(), MirroredCases));
  else
    sheet_.RecountIncluded();
  PasteLines(sheet_, lines, 1, first, sheet_.ColCount() - 1, first + n - 1);
}

void DataFiles::PasteFile1Click(const QString& clipboardText) {
  const Button answer = sheet_.AskSaveChanges();
  if (answer == Button::Cancel) return;
  if (answer == Button::Yes && !Save1Click()) return;
  WorkLines work;
  work.SetText(clipboardText.toUtf8().toStdString());
  sheet_.SetFileName(QStringLiteral("Untitled"));
  const QString keptHeader = sheet_.HeaderLine;
  sheet_.HeaderLine.clear();
  ReadOptions options;
  options.ParseWarnings = sheet_.Prefs.ParseWarnings;
  if (!ReadDataLines(sheet_, work.lines, options)) {
    sheet_.HeaderLine = keptHeader;
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
