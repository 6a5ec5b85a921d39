// Sheets for the wizard's tests, written as rows of cell texts.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <utility>
#include <vector>

#include "sheet/sheet.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace varnel::test {

// rows[0]: the variable names; later rows: the cases. Every case is included.
inline void FillSheet(Sheet& sheet, const std::vector<std::vector<std::string>>& rows) {
  sheet.SetSize(static_cast<int>(rows[0].size()) + 1, static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      sheet.SetCell(static_cast<int>(c) + 1, static_cast<int>(r), rows[r][c]);
  sheet.SetAllInclusion(true);
}

// Whether a report block holds these lines at these positions; a failure
// names every line that differs.
inline ::testing::AssertionResult LinesAre(const QStringList& block,
                                           const std::vector<std::pair<int, QString>>& expected) {
  std::string wrong;
  for (const auto& [at, text] : expected) {
    if (at < 0 || at >= block.size())
      wrong +=
          "\nline " + std::to_string(at) + " missing (the block has " + std::to_string(block.size()) + ")";
    else if (block[at] != text)
      wrong += "\nline " + std::to_string(at) + ": \"" + block[at].toStdString() + "\", expected \"" +
               text.toStdString() + "\"";
  }
  if (wrong.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong;
}

}  // namespace varnel::test
