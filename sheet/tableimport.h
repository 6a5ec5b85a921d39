// Tables from other programs: comma- or semicolon-separated text, tab-
// separated text and workbooks (.xlsx, .ods), read into a grid of the
// DataSheet's text cells. One entry, ImportTable, serves Open, the command
// line, dropped files and every batch command.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/celltext.h"

namespace varnel {

// What a file holds, judged by its name and its first bytes.
enum class TableKind { DataFile, Text, Workbook };
TableKind TableKindOf(const QString& path);
// The same for bytes already read (the name decides only between a data
// file and a text table).
TableKind TableKindOf(const QString& path, std::string_view head);

// How a value below detection ("<0.01") is read.
enum class LimitReading { Missing, Limit, Half };

struct TableImportOptions {
  // 0 leaves the choice to the detection.
  char Separator = 0;  // ',', ';' or '\t'
  char Decimal = 0;    // '.' or ','
  int Skip = -1;       // rows before the names (or the first case); -1: detect
  int Header = -1;     // 1: the first row after the skipped ones names the variables; 0: none; -1: detect
  QString SheetName;   // a workbook's sheet by name or 1-based number; empty: the first
  LimitReading BelowLimit = LimitReading::Missing;
  // The program's decimal separator: numbers written with the other mark
  // get this one, so that every command reads them as numbers.
  char TargetDecimal = '.';
};

// Per variable, how its cells came in.
struct ColumnCount {
  long long Missing = 0;  // empty, or a mark such as "n.d."
  long long Below = 0;    // "<limit"
};

struct ImportedTable {
  // Column-major like the DataSheet's grid: column 0 the (empty) inclusion
  // marks, row 0 the names.
  std::vector<std::vector<CellText>> Columns;
  int RowCount = 0;
  // The choices that held, detected or given.
  TableImportOptions Used;
  QString EncodingName;             // text tables
  QStringList Sheets;               // workbooks: every sheet's name
  QString SheetUsed;                // workbooks: the sheet read
  std::vector<ColumnCount> Counts;  // per variable, index 0 = variable 1
  std::vector<int> TaggedColumns;   // tagged because no case holds a number
  // Ragged rows: the warnings of the data-file reader, in order.
  QStringList Warnings;
  long long MoreWarnings = 0;
};

// A refusal: the message says why; nothing was changed.
struct ImportResult {
  bool Ok = false;
  QString Error;
};

// The marks that databases and laboratories write for a value that was not
// determined ("n.d.", "b.d.l.", "-", ...), compared without regard to case.
bool IsMissingMark(std::string_view cell);
// "<0.01": the limit's text after "<" (spaces allowed), when it is a number
// with the given decimal mark.
bool BelowLimitText(std::string_view cell, char decimal, std::string_view* limit);

// Reads the table at path: detects what options leave open, then fills
// table. rowLimit > 0 stops after that many cases (the import dialog's
// preview). A workbook is read through the office suite's import library.
ImportResult ImportTable(const QString& path, const TableImportOptions& options, ImportedTable& table,
                         int rowLimit = 0);
// The same for bytes in memory; name is used in messages only.
ImportResult ImportTableBytes(std::string_view bytes, TableKind kind, const QString& name,
                              const TableImportOptions& options, ImportedTable& table, int rowLimit = 0);

// The window's import dialog: shows the choices detected for the table at
// path and lets the user change them; false when the import is cancelled.
class ImportChooser {
 public:
  virtual ~ImportChooser() = default;
  virtual bool ChooseImport(const QString& path, TableImportOptions& options) = 0;
};

// The TextPad's summary after an import.
QStringList ImportSummary(const QString& path, const ImportedTable& table);
// How many values below detection the table held and how they were read
// ("3 values below detection read as half the limit"); empty when none.
QString BelowLimitNote(const ImportedTable& table);

// The name of the sheet made from an imported file: the same name with the
// extension ".vnp".
QString ImportedSheetName(const QString& path);

// Cells above this size are not table cells: the file is refused.
inline constexpr std::size_t MaxCellBytes = std::size_t{1} << 20;

}  // namespace varnel
