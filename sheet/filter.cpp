#include "sheet/filter.h"

#include <QCollator>
#include <algorithm>

#include "core/numberread.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

template <typename T>
bool Compare(int op, const T& a, const T& b) {
  switch (op) {
    case OpEqual:
      return a == b;
    case OpGreater:
      return a > b;
    case OpLess:
      return a < b;
    case OpGreaterEqual:
      return a >= b;
    case OpLessEqual:
      return a <= b;
    case OpDifferent:
      return a != b;
    default:
      return false;
  }
}

}  // namespace

FilterCondition FilterCondition::Make(int op, std::string_view valueText, bool validateSubstrings,
                                      char decimalSeparator) {
  FilterCondition c;
  c.FilterOp = op;
  c.FilterText.assign(valueText);
  c.ValidateSubstrings = validateSubstrings;
  Real v;
  c.FilterNumeric = ReadNumber(valueText, decimalSeparator, v);
  c.FilterNumber = c.FilterNumeric ? v : -1;
  return c;
}

bool FilterTest(const FilterCondition& c, std::string_view cell, char decimalSeparator) {
  if (c.FilterOp < OpEqual || c.FilterOp > OpDifferent) return false;
  const std::string_view text = c.FilterText;
  if (c.FilterNumeric) {
    Real v;
    if (ReadNumber(cell, decimalSeparator, v)) return Compare(c.FilterOp, v, c.FilterNumber);
    return Compare(c.FilterOp, cell, text);
  }
  if (c.FilterOp == OpEqual && c.ValidateSubstrings)
    return !text.empty() && cell.find(text) != std::string_view::npos;
  return Compare(c.FilterOp, cell, text);
}

void RunFilter(Sheet& sheet, int col, const FilterCondition& first,
               const std::optional<FilterCondition>& second, bool andCombination, bool include,
               char decimalSeparator) {
  if (first.FilterOp == OpNone) return;
  sheet.View().SetBusy(true);
  const std::string_view target = include ? "Y" : "N";
  const int last = sheet.RowCount() - 1;
  if (!second || second->FilterOp == OpNone) {
    for (int r = 1; r <= last; ++r)
      if (FilterTest(first, sheet.Cell(col, r), decimalSeparator)) sheet.SetCell(0, r, target);
  } else {
    for (int r = 1; r <= last; ++r) {
      const bool a = FilterTest(first, sheet.Cell(col, r), decimalSeparator);
      const bool b = FilterTest(*second, sheet.Cell(col, r), decimalSeparator);
      if (andCombination ? (a && b) : (a || b)) sheet.SetCell(0, r, target);
    }
  }
  sheet.RecountIncluded();
  sheet.View().SetBusy(false);
}

QStringList FilterValues(const Sheet& sheet, int col) {
  QStringList values;
  values.reserve(sheet.RowCount());
  for (int r = 0; r < sheet.RowCount(); ++r) {
    const std::string_view t = sheet.Cell(col, r);
    values << QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
  }
  std::stable_sort(values.begin(), values.end(),
                   [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  QStringList unique;
  for (const QString& v : values)
    if (unique.isEmpty() || unique.last().compare(v, Qt::CaseInsensitive) != 0) unique << v;
  const std::string_view nameView = sheet.Name(col);
  const QString name = QString::fromUtf8(nameView.data(), static_cast<qsizetype>(nameView.size()));
  for (qsizetype k = 0; k < unique.size(); ++k)
    if (unique[k].compare(name, Qt::CaseInsensitive) == 0) {
      unique.removeAt(k);
      break;
    }
  return unique;
}

}  // namespace varnel
