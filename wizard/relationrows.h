// Relations as data: one row per relation in tab- or comma-separated text or
// as a JSON object per line, for spreadsheets and scripts.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/real.h"

namespace varnel {

struct RelationFormat;

enum class RowFormat { None, Tsv, Csv, Json };

// One relation as the enumeration found it.
struct RelationRecord {
  std::span<const int> Removed;  // the left-out positions naming the selection
  int Rank = 0;                  // the selection's own rank
  bool Degenerate = false;       // its rank is below the working set's
  bool Error = false;            // no relation was found (no coefficients)
  std::span<const Real> X;       // coefficients of the members, as printed
  std::span<const int> Members;  // working-set positions of X, increasing
  bool Whole = false;            // X holds whole numbers
};

// The field delimiter of CSV: a comma, or a semicolon where the comma is the
// decimal separator, as spreadsheets expect.
char CsvDelimiter(char decimalSeparator);

// The header line of TSV and CSV: selection, degenerate, rank and one column
// per working-set name (names[1..setCount]). Empty for JSON, whose rows name
// their phases themselves.
std::string RowsHeader(RowFormat format, const std::vector<std::string>& names, int setCount,
                       char decimalSeparator);

// Appends the row of one relation (no line break). TSV and CSV hold one
// coefficient per working-set column, as the report prints them; JSON lists
// the phases with a non-zero coefficient, each with its name, with "." as the
// decimal point whatever the separator.
void AppendRelationRow(std::string& out, RowFormat format, const RelationRecord& record,
                       const std::vector<std::string>& names, int setCount, const RelationFormat& relation);

// text as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace varnel
