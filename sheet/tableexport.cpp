#include "sheet/tableexport.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "app/atomicfile.h"
#include "core/numberread.h"

namespace varnel {
namespace {

// Excel's own bounds of a sheet and of a cell's text.
inline constexpr int MaxXlsxRows = 1048576;
inline constexpr int MaxXlsxColumns = 16384;
inline constexpr std::size_t MaxXlsxText = 32767;

// A number cell with a point for its decimal mark, or nothing.
bool PointNumber(std::string_view cell, char separator, std::string& out, Real* value) {
  Real v = 0;
  if (!ReadNumber(cell, separator, v)) return false;
  out.assign(cell);
  if (separator != '.')
    for (char& c : out)
      if (c == separator) c = '.';
  if (value) *value = v;
  return true;
}

void AppendCsvField(std::string& out, std::string_view cell) {
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += cell;
    return;
  }
  out += '"';
  for (char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

}  // namespace

bool ExportFormatOf(const QString& path, ExportFormat* format) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("csv")) {
    *format = ExportFormat::Csv;
    return true;
  }
  if (suffix == QLatin1String("xlsx")) {
    *format = ExportFormat::Xlsx;
    return true;
  }
  return false;
}

std::string CsvText(const ExportGrid& grid) {
  std::string out;
  std::string number;
  for (int r = 0; r < grid.RowCount; ++r) {
    if (r > 0 && grid.Wanted && !grid.Wanted(r)) continue;
    for (int c = 1; c < grid.ColCount; ++c) {
      if (c > 1) out += ',';
      const std::string_view cell = grid.Cell(c, r);
      if (r > 0 && grid.DecimalSeparator != '.' && PointNumber(cell, grid.DecimalSeparator, number, nullptr))
        AppendCsvField(out, number);
      else
        AppendCsvField(out, cell);
    }
    out += "\r\n";
  }
  return out;
}

namespace {

bool WriteXlsx(const ExportGrid& grid, const QString& file, QString* error) {
  int rows = 1;
  for (int r = 1; r < grid.RowCount; ++r)
    if (!grid.Wanted || grid.Wanted(r)) ++rows;
  if (rows > MaxXlsxRows || grid.ColCount - 1 > MaxXlsxColumns) {
    *error = QStringLiteral("The sheet is too large for an XLSX workbook (at most %1 rows and %2 columns).")
                 .arg(MaxXlsxRows)
                 .arg(MaxXlsxColumns);
    return false;
  }
  lxw_workbook_options options{};
  // Not in constant-memory mode: that writes text inline, which readers
  // (the import library among them) do not all take.
  const QByteArray name = QFile::encodeName(file);
  lxw_workbook* book = workbook_new_opt(name.constData(), &options);
  if (!book) {
    *error = QStringLiteral("The workbook cannot be made.");
    return false;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Varnel");
  lxw_error failed = LXW_NO_ERROR;
  std::string text, number;
  lxw_row_t out = 0;
  for (int r = 0; r < grid.RowCount && failed == LXW_NO_ERROR; ++r) {
    if (r > 0 && grid.Wanted && !grid.Wanted(r)) continue;
    for (int c = 1; c < grid.ColCount && failed == LXW_NO_ERROR; ++c) {
      const std::string_view cell = grid.Cell(c, r);
      if (cell.empty()) continue;
      const auto col = static_cast<lxw_col_t>(c - 1);
      Real value = 0;
      if (r > 0 && PointNumber(cell, grid.DecimalSeparator, number, &value)) {
        const double d = static_cast<double>(value);
        // A value beyond a double's range stays text, so nothing is lost.
        if (std::isfinite(d)) {
          failed = worksheet_write_number(sheet, out, col, d, nullptr);
          continue;
        }
      }
      if (cell.size() > MaxXlsxText) {
        *error = QStringLiteral("A cell of row %1 holds more text than an XLSX cell can (%2 characters).")
                     .arg(r)
                     .arg(MaxXlsxText);
        workbook_close(book);
        return false;
      }
      text.assign(cell);
      failed = worksheet_write_string(sheet, out, col, text.c_str(), nullptr);
    }
    ++out;
  }
  const lxw_error closed = workbook_close(book);
  if (failed == LXW_NO_ERROR) failed = closed;
  if (failed != LXW_NO_ERROR) {
    *error =
        QStringLiteral("The workbook could not be written: %1.").arg(QString::fromUtf8(lxw_strerror(failed)));
    return false;
  }
  return true;
}

}  // namespace

bool ExportTable(const ExportGrid& grid, const QString& path, QString* error) {
  ExportFormat format;
  if (!ExportFormatOf(path, &format)) {
    *error = QStringLiteral("\"%1\": tables are exported as .csv or .xlsx files.")
                 .arg(QDir::toNativeSeparators(path));
    return false;
  }
  try {
    if (format == ExportFormat::Csv) {
      const std::string text = CsvText(grid);
      return SaveFileAtomically(
          path, QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), QString(), error);
    }
    // The writing library writes a file by name: it goes to a temporary file
    // beside the target, which is then saved over it atomically.
    QTemporaryFile temporary(QFileInfo(path).absolutePath() + QStringLiteral("/.varnel-export-XXXXXX.xlsx"));
    if (!temporary.open()) {
      temporary.setFileTemplate(QDir::tempPath() + QStringLiteral("/varnel-export-XXXXXX.xlsx"));
      if (!temporary.open()) {
        *error = QStringLiteral("\"%1\" cannot be written: %2")
                     .arg(QDir::toNativeSeparators(path), temporary.errorString());
        return false;
      }
    }
    temporary.close();
    if (!WriteXlsx(grid, temporary.fileName(), error)) return false;
    QByteArray bytes;
    if (!ReadWholeFile(temporary.fileName(), bytes, error)) return false;
    return SaveFileAtomically(path, bytes, QString(), error);
  } catch (const std::bad_alloc&) {
    *error = QStringLiteral("Not enough memory to export \"%1\".").arg(QString::fromStdString(Native(path)));
    return false;
  }
}

}  // namespace varnel
