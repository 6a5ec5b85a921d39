// Arbitrary bytes as a workbook (.xlsx, .ods), through the entry Open uses:
// nothing may crash, hang, read out of bounds or unpack without bound; a
// table read is rectangular with its names in row 0.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sheet/tableimport.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const char* sheet : {"", "2"}) {
    varnel::TableImportOptions options;
    options.SheetName = QString::fromLatin1(sheet);
    varnel::ImportedTable table;
    const varnel::ImportResult r = varnel::ImportTableBytes(bytes, varnel::TableKind::Workbook,
                                                            QStringLiteral("fuzz.xlsx"), options, table);
    if (!r.Ok) {
      Check(!r.Error.isEmpty() && table.Columns.empty());
      continue;
    }
    Check(table.Columns.size() >= 2 && table.RowCount >= 2);
    for (const auto& column : table.Columns) Check(column.size() == static_cast<std::size_t>(table.RowCount));
  }
  return 0;
}
