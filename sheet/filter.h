// Setting case inclusion by a condition on one variable.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/real.h"

namespace varnel {

class Sheet;

// The relational operators by their list index.
enum FilterOperator : int {
  OpNone = 0,
  OpEqual,
  OpGreater,
  OpLess,
  OpGreaterEqual,
  OpLessEqual,
  OpDifferent
};

struct FilterCondition {
  int FilterOp = OpNone;
  bool FilterNumeric = false;
  Real FilterNumber = -1;
  std::string FilterText;
  bool ValidateSubstrings = false;

  // A condition from an operator and the value text: numeric when the text
  // reads as a number.
  static FilterCondition Make(int op, std::string_view valueText, bool validateSubstrings,
                              char decimalSeparator);
};

// Whether one cell meets the condition. A cell that is not a number is
// compared as text in a numeric condition too.
bool FilterTest(const FilterCondition& condition, std::string_view cellText, char decimalSeparator);

// Marks the cases of column col that meet the condition (or both conditions,
// or either) with "Y" (include) or "N"; the other cases keep their marks.
// Every case is tested, however many there are.
void RunFilter(Sheet& sheet, int col, const FilterCondition& first,
               const std::optional<FilterCondition>& second, bool andCombination, bool include,
               char decimalSeparator);

// The value lists of the filter dialog: the column's cells, sorted without
// regard to case, one of each, without the variable's own name.
QStringList FilterValues(const Sheet& sheet, int col);

}  // namespace varnel
