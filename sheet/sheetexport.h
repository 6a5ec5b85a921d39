// The sheet written as a table for other programs (.csv or .xlsx).
#pragma once

#include <QString>

#include "sheet/tableexport.h"

namespace varnel {

class Sheet;

// The sheet as a grid to export: every case, or the included ones only;
// numbers are written with points whatever separator the cells use.
ExportGrid SheetExportGrid(const Sheet& sheet, bool includedOnly, char decimalSeparator);

// Writes the sheet to path as its extension says (.csv or .xlsx),
// atomically; false with the reason in error.
bool ExportSheet(const Sheet& sheet, const QString& path, bool includedOnly, char decimalSeparator,
                 QString* error);

}  // namespace varnel
