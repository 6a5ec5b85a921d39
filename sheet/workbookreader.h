// Workbooks (.xlsx, .ods) through liborcus, the import library of an office
// suite: one sheet's cells as the workbook shows them (formulas by their
// cached results, numbers in full, not rounded for display).
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

}  // namespace varnel
