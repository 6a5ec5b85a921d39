#include "sheet/sheetexport.h"

#include "sheet/sheet.h"

namespace varnel {

ExportGrid SheetExportGrid(const Sheet& sheet, bool includedOnly, char decimalSeparator) {
  ExportGrid grid;
  grid.ColCount = sheet.ColCount();
  grid.RowCount = sheet.RowCount();
  grid.Cell = [&sheet](int col, int row) { return sheet.Cell(col, row); };
  if (includedOnly) grid.Wanted = [&sheet](int row) { return sheet.Cell(0, row) == "Y"; };
  grid.DecimalSeparator = decimalSeparator;
  return grid;
}

bool ExportSheet(const Sheet& sheet, const QString& path, bool includedOnly, char decimalSeparator,
                 QString* error) {
  return ExportTable(SheetExportGrid(sheet, includedOnly, decimalSeparator), path, error);
}

}  // namespace varnel
