// Cells of a sheet as one text, so that a test compares a whole case, a
// whole variable or a run of inclusion marks at once.
#pragma once

#include <string>

#include "datasheet/sheet.h"

namespace varnel::test {

// The cells of row r from column left to column right, joined by '|'.
inline std::string Row(const Sheet& sheet, int r, int left, int right) {
  std::string text;
  for (int c = left; c <= right; ++c) text += (c > left ? "|" : "") + std::string(sheet.Cell(c, r));
  return text;
}

// The cells of column c from row top to row bottom, joined by '|'.
inline std::string Column(const Sheet& sheet, int c, int top, int bottom) {
  std::string text;
  for (int r = top; r <= bottom; ++r) text += (r > top ? "|" : "") + std::string(sheet.Cell(c, r));
  return text;
}

// The inclusion marks of cases first to last, side by side ("YNN").
inline std::string Marks(const Sheet& sheet, int first, int last) {
  std::string text;
  for (int r = first; r <= last; ++r) text += sheet.Cell(0, r);
  return text;
}

}  // namespace varnel::test
