// Arbitrary bytes as a text table, through the entry Open uses: nothing may
// crash, hang or read out of bounds; a table read is rectangular, keeps the
// names in row 0, and its own CSV export reads back as a table of the same
// shape (every column has a name; every case read without a warning keeps
// a cell that is not blank).
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
  varnel::ImportedTable back;
  Check(varnel::ImportTableBytes(csv, varnel::TableKind::Text, QStringLiteral("back.csv"), again, back).Ok);
  Check(back.Columns.size() == table.Columns.size());
  // A case whose only text was dropped as excess values is left blank,
  // and blank lines are no cases: only then may the count differ.
  Check(back.RowCount == table.RowCount || !table.Warnings.isEmpty());
  return 0;
}
