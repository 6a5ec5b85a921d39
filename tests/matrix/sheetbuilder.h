// Builds small DataSheets for the matrix tests from rows of cell texts.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "sheet/sheet.h"

namespace varnel::test {

// rows[0] holds the names; every later row a case. All cases are included.
inline void Fill(Sheet& sheet, const std::vector<std::vector<std::string>>& rows) {
  const int cols = static_cast<int>(rows[0].size()) + 1;
  sheet.SetSize(cols, static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      sheet.SetCell(static_cast<int>(c) + 1, static_cast<int>(r), rows[r][c]);
  sheet.SetAllInclusion(true);
  sheet.Blank = false;
  sheet.FileName = QStringLiteral("/data/rocks.vnp");
  sheet.Sel = Selection{1, 1, cols - 1, static_cast<int>(rows.size()) - 1};
}

}  // namespace varnel::test
