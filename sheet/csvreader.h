// Text tables: RFC 4180 records (quoted fields may hold separators, doubled
// quotes and line breaks) with a comma, semicolon or tab between fields,
// and the detection of the separator, the decimal mark, the rows before
// the names and the names themselves.
//
// Written here rather than taken from a library: the office suite's CSV
// parser (orcus) neither reports an unclosed quote with its line nor lets
// us keep each cell's text exactly as written, and detection must look at
// the same records the reader later reads.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/tablebuilder.h"

namespace varnel {

// A text table decoded to UTF-8: from a byte-order mark (UTF-8, UTF-16),
// valid UTF-8, or else Windows-1252. The text may be the bytes themselves.
struct DecodedTable {
  std::string Owned;
  std::string_view Text;
  QString EncodingName;
};
// False (with the reason) for bytes that are no text: a NUL byte outside
// UTF-16.
ImportResult DecodeTableText(std::string_view bytes, const QString& name, DecodedTable& out);

// Reads records one by one. Throws TableError for a quote left open (naming
// the line it opened in) and for a cell larger than MaxCellBytes.
class RecordReader {
 public:
  RecordReader(std::string_view text, char separator) : text_(text), separator_(separator) {}
  // The next record's fields (views into the text or into the reader's own
  // storage, valid until the next call); false at the end of the text.
  bool Next(std::vector<std::string_view>& fields);
  // The 1-based line where the record last read began.
  std::size_t Line() const { return recordLine_; }
  std::size_t Position() const { return pos_; }

 private:
  std::string_view QuotedField();
  std::string& Scratch();

  std::string_view text_;
  char separator_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::size_t recordLine_ = 1;
  std::deque<std::string> scratch_;
  std::size_t scratchUsed_ = 0;
};

// Fills what options leave open (separator 0, decimal 0, skip or header
// -1) from the first records of the text.
void DetectTextOptions(std::string_view text, TableImportOptions& options);

// Reads every record of the text into the table; released(n) is told when
// the first n bytes are done with for now, so that the pages of a mapped
// file need not stay in memory (they come back from the file if read again).
ImportResult ReadTextTable(std::string_view text, const TableImportOptions& options, const QString& name,
                           ImportedTable& table, int rowLimit,
                           const std::function<void(std::size_t)>& released = {});

}  // namespace varnel
