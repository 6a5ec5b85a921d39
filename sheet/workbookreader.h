// Workbooks (.xlsx, .ods) through liborcus, the import library of an office
// suite: one sheet's cells as the workbook shows them (formulas by their
// cached results, numbers in full, not rounded for display). An .ods goes
// through the library's spreadsheet filter; of an .xlsx only the parts a
// table needs are read, with the library's zip and XML parsers.
//
// The library is run in a child process: its Debian build keeps its
// internal assertions, and a broken workbook can trip one, which would end
// the whole program. The child sends the sheet's cells back through a pipe;
// a child that aborts, crashes or does not finish in time is a workbook that
// "cannot be read", and the program goes on.
#pragma once

#include <string_view>

#include "sheet/tableimport.h"

namespace varnel {

// Refuses workbooks whose parts would unpack to far more than the file
// (more than this many times its size, and more than FloorBytes).
inline constexpr std::size_t MaxUnpackRatio = 100;
inline constexpr std::size_t UnpackFloorBytes = std::size_t{64} << 20;
inline constexpr std::size_t MaxUnpackedBytes = std::size_t{1} << 30;

ImportResult ReadWorkbook(std::string_view bytes, const QString& name, const TableImportOptions& options,
                          ImportedTable& table, int rowLimit);

// Whether a number's text in a workbook is already the text its double
// prints as (shortest form; fixed or exponent, whichever is shorter), so
// that it can be kept without reading and printing it again.
bool IsShortestNumberText(std::string_view text);

// How the last workbook read in this process ended.
enum class WorkbookReading {
  InChild,     // the child read it and sent it back
  ChildFailed, // the child aborted or crashed
  TimedOut,    // the child was stopped after the time allowed
  InProcess,   // no child could be started; read here
  NotParsed,   // refused before the library saw it
};

// Seams for tests and the fuzz target.
struct WorkbookReaderSeams {
  // Runs in the child just before the library reads the workbook.
  void (*BeforeParse)() = nullptr;
  // Milliseconds the child may take; 0: a minute plus a second per 256 KB.
  int TimeoutMs = 0;
  // Read in this process (no child): only for the fuzz target, once a child
  // has read the same bytes without failing, so that its coverage counts.
  bool InProcess = false;
  WorkbookReading Last = WorkbookReading::NotParsed;
  int LastStatus = 0;  // the child's wait status
};
WorkbookReaderSeams& WorkbookSeams();

}  // namespace varnel
