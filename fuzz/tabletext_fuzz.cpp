// Arbitrary bytes as a text table, through the entry Open uses: nothing may
// crash, hang or read out of bounds; a table read is rectangular, keeps the
// names in row 0, and its own CSV export reads back as a table of the same
// shape (every column has a name; only cases left all blank by dropped
// excess values, which come with a warning, do not come back).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sheet/tableexport.h"
#include "sheet/tableimport.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the choices a user might give; the rest is the file.
  const unsigned pick = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  varnel::TableImportOptions options;
  const char separators[] = {0, ',', ';', '\t'};
  options.Separator = separators[pick & 3];
  options.Decimal = (pick & 4) ? ',' : 0;
  options.BelowLimit = static_cast<varnel::LimitReading>((pick >> 3) % 3);
  options.TargetDecimal = (pick & 32) ? ',' : '.';
  if (pick & 64) options.Header = 0;
  varnel::ImportedTable table;
  const varnel::ImportResult r =
      varnel::ImportTableBytes(bytes, varnel::TableKind::Text, QStringLiteral("fuzz.csv"), options, table);
  if (!r.Ok) {
    Check(!r.Error.isEmpty() && table.Columns.empty());
    return 0;
  }
  Check(table.Columns.size() >= 3 && table.RowCount >= 2);
  for (const auto& column : table.Columns) Check(column.size() == static_cast<std::size_t>(table.RowCount));
  Check(table.Counts.size() + 1 == table.Columns.size());
  for (std::size_t c = 1; c < table.Columns.size(); ++c) Check(!table.Columns[c][0].View().empty());

  // Written as CSV and read again.
  varnel::ExportGrid grid;
  grid.ColCount = static_cast<int>(table.Columns.size());
  grid.RowCount = table.RowCount;
  grid.Cell = [&](int c, int row) {
    return table.Columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(row)].View();
  };
  grid.DecimalSeparator = options.TargetDecimal;
  const std::string csv = varnel::CsvText(grid);
  varnel::TableImportOptions again;
  again.Separator = ',';
  again.Decimal = '.';
  again.Skip = 0;
  again.Header = 1;
  again.TargetDecimal = options.TargetDecimal;
  // A case whose cells are all blank (its only text was dropped as excess
  // values) is written as a line of separators, which reads as a blank
  // line: no case. Exactly those cases are missing from the table read back.
  int blankCases = 0;
  for (int row = 1; row < table.RowCount; ++row) {
    bool blank = true;
    for (std::size_t c = 1; c < table.Columns.size() && blank; ++c) {
      const std::string_view cell = table.Columns[c][static_cast<std::size_t>(row)].View();
      blank = cell.find_first_not_of(' ') == std::string_view::npos;
    }
    if (blank) ++blankCases;
  }
  Check(blankCases == 0 || !table.Warnings.isEmpty());
  varnel::ImportedTable back;
  const varnel::ImportResult b =
      varnel::ImportTableBytes(csv, varnel::TableKind::Text, QStringLiteral("back.csv"), again, back);
  if (blankCases == table.RowCount - 1) {
    Check(!b.Ok);
    return 0;
  }
  Check(b.Ok);
  Check(back.Columns.size() == table.Columns.size());
  Check(back.RowCount == table.RowCount - blankCases);
  return 0;
}
