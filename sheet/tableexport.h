// Tables out: the sheet as CSV (comma, RFC 4180 quoting, UTF-8, point
// decimals) or as an XLSX workbook (numbers as numbers, text as text).
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>

namespace varnel {

// What is exported: a grid of text cells, row 0 the names, column 0 the
// inclusion marks (never written).
struct ExportGrid {
  int ColCount = 0;
  int RowCount = 0;
  std::function<std::string_view(int col, int row)> Cell;
  // Whether case row is written; all cases when empty.
  std::function<bool(int row)> Wanted;
  // The decimal separator the cells' numbers are written with.
  char DecimalSeparator = '.';
};

enum class ExportFormat { Csv, Xlsx };

// The format by the file's extension (.csv, .xlsx); false for any other.
bool ExportFormatOf(const QString& path, ExportFormat* format);

// The CSV text of the grid.
std::string CsvText(const ExportGrid& grid);

// Writes the grid to path in the format its extension names, atomically
// (the previous file survives any failure). False with the reason in error.
bool ExportTable(const ExportGrid& grid, const QString& path, QString* error);

}  // namespace varnel
