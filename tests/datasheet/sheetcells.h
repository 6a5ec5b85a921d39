// Cells of a sheet as one text, so that a test compares a whole case, a
// whole variable or a run of inclusion marks at once.
#pragma once

#include <string>

#include "sheet/sheet.h"

namespace varnel::test {

// The cells from (left, top) to (right, bottom) of one row or one column,
// joined by '|'.
inline std::string Cells(const Sheet& sheet, int left, int top, int right, int bottom) {
  std::string text;
  for (int c = left; c <= right; ++c)
    for (int r = top; r <= bottom; ++r)
      text += (c > left || r > top ? "|" : "") + std::string(sheet.Cell(c, r));
  return text;
}
inline std::string Row(const Sheet& sheet, int r, int left, int right) {
  return Cells(sheet, left, r, right, r);
}
inline std::string Column(const Sheet& sheet, int c, int top, int bottom) {
  return Cells(sheet, c, top, c, bottom);
}

// Every cell of the sheet: rows joined by '/', their cells by '|'.
inline std::string Grid(const Sheet& sheet) {
  std::string text;
  for (int r = 0; r < sheet.RowCount(); ++r) text += (r ? "/" : "") + Row(sheet, r, 0, sheet.ColCount() - 1);
  return text;
}

// The inclusion marks of cases first to last, side by side ("YNN").
inline std::string Marks(const Sheet& sheet, int first, int last) {
  std::string text;
  for (int r = first; r <= last; ++r) text += sheet.Cell(0, r);
  return text;
}

}  // namespace varnel::test
