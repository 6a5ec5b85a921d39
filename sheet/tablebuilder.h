// The one place where the records of any table (text or workbook) become
// the DataSheet's grid: skipped rows, the names, tagging, detection-limit
// marks and ragged rows are handled the same for every source.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sheet/tableimport.h"

namespace varnel {

// A refusal raised while reading; the message names the line.
struct TableError {
  QString Text;
};

// Whether text follows the number grammar of cells with this decimal mark
// (the value is not computed).
bool LooksLikeNumber(std::string_view text, char decimal);

class TableBuilder {
 public:
  // options must be resolved (no detection left). rowHint: about how many
  // records follow; rowLimit > 0 stops after that many cases. rectangular:
  // rows shorter or longer than the names are padded without a warning
  // (workbooks, whose empty cells are simply absent), width the widest row.
  TableBuilder(const TableImportOptions& options, std::size_t rowHint, int rowLimit, ImportedTable& table,
               int rectangularWidth = 0);
  // One record of the file, its fields in order; line is its 1-based line
  // (or row) for messages. False once the row limit is reached.
  bool Add(const std::vector<std::string_view>& fields, std::size_t line);
  // Names, tags and counts; a refusal when there is no case.
  ImportResult Finish(const QString& name);

 private:
  void Start(const std::vector<std::string_view>& fields, bool names);
  void AddCase(const std::vector<std::string_view>& fields, std::size_t line);
  void Warn(const QString& text);

  TableImportOptions options_;
  std::size_t rowHint_;
  int rowLimit_;
  ImportedTable& table_;
  int rectangularWidth_;
  std::size_t records_ = 0;
  bool started_ = false;
  int width_ = 0;
  int cases_ = 0;
  std::vector<std::string> names_;
  std::vector<bool> hasNumber_;
  std::string scratch_;
};


}  // namespace varnel
