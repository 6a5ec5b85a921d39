#include "sheet/tablebuilder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <new>
#include <set>

#include "core/numberread.h"
#include "sheet/datafile.h"

namespace varnel {
namespace {

inline constexpr int MaxKeptWarnings = 100;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The limit, or half of it, as the shortest text that reads back as the
// same double, with the program's decimal mark.
std::string LimitText(std::string_view limit, char decimal, bool half, char target) {
  std::string normal(limit);
  for (char& c : normal)
    if (c == decimal) c = '.';
  Real value = 0;
  if (!ReadNumber(normal, '.', value)) return std::string(limit);
  double v = static_cast<double>(value);
  if (half) v /= 2;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  std::string out(buffer, result.ptr);
  for (char& c : out)
    if (c == '.') c = target;
  return out;
}

}  // namespace

std::size_t MemoryWithinReach() {
  std::size_t reach = static_cast<std::size_t>(-1);
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) reach = static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
  struct rlimit limit;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    reach = std::min(reach, static_cast<std::size_t>(limit.rlim_cur));
  return reach;
}

bool LooksLikeNumber(std::string_view s, char decimal) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t digitsStart = i;
  while (i < n && s[i] >= '0' && s[i] <= '9') ++i;
  bool any = i > digitsStart;
  if (i < n && s[i] == decimal) {
    ++i;
    any = true;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i;
  }
  if (!any) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t e = i;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i;
    if (i == e) return false;
  }
  while (i < n && s[i] == ' ') ++i;
  return i == n;
}

bool IsMissingMark(std::string_view cell) {
  static constexpr std::string_view Marks[] = {"n.d.", "nd",  "n.a.", "na",   "b.d.l.", "bdl", "-",
                                               "n.d",  "n/a", "n.a",  "b.d.", "bd",     "--"};
  const std::string_view t = Trimmed(cell);
  if (t.empty()) return true;
  for (std::string_view mark : Marks)
    if (EqualsNoCase(t, mark)) return true;
  return false;
}

bool BelowLimitText(std::string_view cell, char decimal, std::string_view* limit) {
  std::string_view t = Trimmed(cell);
  if (t.size() < 2 || t[0] != '<') return false;
  t = Trimmed(t.substr(1));
  if (t.empty() || t[0] == '-' || t[0] == '+' || !LooksLikeNumber(t, decimal)) return false;
  if (limit) *limit = t;
  return true;
}

TableBuilder::TableBuilder(const TableImportOptions& options, std::size_t rowHint, int rowLimit,
                           ImportedTable& table, int rectangularWidth)
    : options_(options),
      rowHint_(rowHint),
      rowLimit_(rowLimit),
      table_(table),
      rectangularWidth_(rectangularWidth) {
  table_ = ImportedTable{};
  table_.Used = options;
}

void TableBuilder::Warn(const QString& text) {
  if (table_.Warnings.size() < MaxKeptWarnings)
    table_.Warnings << text;
  else
    ++table_.MoreWarnings;
}

void TableBuilder::Start(const std::vector<std::string_view>& fields, bool names) {
  width_ = rectangularWidth_ > 0 ? rectangularWidth_ : static_cast<int>(fields.size());
  if (width_ < 1) width_ = 1;
  std::size_t rows = rowHint_ + 1;
  if (rowLimit_ > 0) rows = std::min<std::size_t>(rows, static_cast<std::size_t>(rowLimit_) + 1);
  const std::size_t cells = (static_cast<std::size_t>(width_) + 1) * rows;
  if (cells / rows != static_cast<std::size_t>(width_) + 1 || cells > MemoryWithinReach() / sizeof(CellText))
    throw std::bad_alloc();
  table_.Columns.assign(static_cast<std::size_t>(width_) + 1, {});
  for (auto& column : table_.Columns) {
    column.reserve(rows);
    column.emplace_back();
  }
  names_.assign(static_cast<std::size_t>(width_), std::string());
  if (names)
    for (int c = 0; c < width_ && c < static_cast<int>(fields.size()); ++c)
      names_[static_cast<std::size_t>(c)] = std::string(Trimmed(fields[static_cast<std::size_t>(c)]));
  hasNumber_.assign(static_cast<std::size_t>(width_), false);
  table_.Counts.assign(static_cast<std::size_t>(width_), ColumnCount{});
  started_ = true;
}

void TableBuilder::AddCase(const std::vector<std::string_view>& fields, std::size_t line) {
  const int given = static_cast<int>(fields.size());
  if (rectangularWidth_ == 0) {
    if (given > width_) {
      bool excess = false;
      for (int c = width_; c < given && !excess; ++c) excess = !fields[static_cast<std::size_t>(c)].empty();
      if (excess)
        Warn(QStringLiteral("Too many values in data line %1.\n\rExcess values will be skipped.").arg(line));
    } else if (given < width_) {
      Warn(QStringLiteral("Too few values in data line %1.\n\rMissing values will be regarded as blanks.")
               .arg(line));
    }
  }
  const char decimal = options_.Decimal;
  const char target = options_.TargetDecimal;
  // A number's text as written, but with the program's decimal mark.
  const auto withTargetMark = [this, decimal, target](std::vector<CellText>& column, std::string_view cell) {
    if (decimal != target && cell.find(decimal) != std::string_view::npos) {
      scratch_.assign(cell);
      std::replace(scratch_.begin(), scratch_.end(), decimal, target);
      column.emplace_back(scratch_);
    } else {
      column.emplace_back(cell);
    }
  };
  table_.Columns[0].emplace_back();
  for (int c = 0; c < width_; ++c) {
    const std::size_t k = static_cast<std::size_t>(c);
    std::vector<CellText>& column = table_.Columns[k + 1];
    const std::string_view cell = c < given ? fields[k] : std::string_view();
    ColumnCount& count = table_.Counts[k];
    if (cell.empty()) {
      ++count.Missing;
      column.emplace_back();
      continue;
    }
    const char first = cell[0];
    // Most cells are numbers: they start with a digit, a sign or the mark.
    if (((first >= '0' && first <= '9') || first == '-' || first == '+' || first == decimal ||
         first == ' ') &&
        LooksLikeNumber(cell, decimal)) {
      if (!hasNumber_[k]) hasNumber_[k] = ReadNumber(cell, decimal).has_value();
      withTargetMark(column, cell);
      continue;
    }
    std::string_view limit;
    if (BelowLimitText(cell, decimal, &limit)) {
      // A value below detection was measured: its column is one of numbers.
      ++count.Below;
      hasNumber_[k] = true;
      if (options_.BelowLimit == LimitReading::Missing) {
        // Kept as written, but with the program's decimal mark as every
        // number gets it: "<0,01" from a decimal-comma table is "<0.01", so
        // that the limit can still be read from the sheet or an export.
        withTargetMark(column, cell);
      } else
        column.emplace_back(LimitText(limit, decimal, options_.BelowLimit == LimitReading::Half, target));
      continue;
    }
    if (IsMissingMark(cell)) ++count.Missing;
    column.emplace_back(cell);
  }
  ++cases_;
}

bool TableBuilder::Add(const std::vector<std::string_view>& fields, std::size_t line) {
  const std::size_t index = records_++;
  if (static_cast<long long>(index) < options_.Skip) return true;
  bool blank = true;
  for (std::string_view f : fields)
    if (!Trimmed(f).empty()) {
      blank = false;
      break;
    }
  if (blank) return true;
  if (!started_) {
    Start(fields, options_.Header != 0);
    if (options_.Header != 0) return true;
  }
  AddCase(fields, line);
  return rowLimit_ <= 0 || cases_ < rowLimit_;
}

ImportResult TableBuilder::Finish(const QString& name) {
  ImportResult result;
  if (!started_) {
    result.Error = QStringLiteral("%1 holds no table: there is no row to read.").arg(name);
    return result;
  }
  if (cases_ == 0) {
    result.Error = QStringLiteral("The table in %1 has no rows of data below its names.").arg(name);
    return result;
  }
  // Names: an empty one gets its column's default, a repeated one a suffix;
  // a column without a number in any case is tagged, so that labels and
  // references stay out of the matrix commands and the apex selectors.
  std::set<std::string> seen;
  for (int c = 0; c < width_; ++c) {
    std::string& n = names_[static_cast<std::size_t>(c)];
    if (n.empty()) n = "Var_" + std::to_string(c + 1);
    if (!seen.insert(n).second) {
      for (int k = 2;; ++k) {
        std::string candidate = n + "_" + std::to_string(k);
        if (seen.insert(candidate).second) {
          n = std::move(candidate);
          break;
        }
      }
    }
  }
  for (int c = 0; c < width_; ++c) {
    std::string& n = names_[static_cast<std::size_t>(c)];
    if (!hasNumber_[static_cast<std::size_t>(c)]) {
      table_.TaggedColumns.push_back(c + 1);
      if (n.find('#') == std::string::npos) n += '#';
    }
    table_.Columns[static_cast<std::size_t>(c) + 1][0].Assign(n);
  }
  for (auto& column : table_.Columns) column.shrink_to_fit();
  table_.RowCount = cases_ + 1;
  result.Ok = true;
  return result;
}

QString ImportedSheetName(const QString& path) {
  const QFileInfo info(path);
  const QString base = info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName();
  return info.dir().filePath(base + QStringLiteral(".vnp"));
}

QString BelowLimitNote(const ImportedTable& table) {
  long long below = 0;
  for (const ColumnCount& n : table.Counts) below += n.Below;
  if (below == 0) return {};
  const QString values = below == 1 ? QStringLiteral("1 value") : QStringLiteral("%1 values").arg(below);
  switch (table.Used.BelowLimit) {
    case LimitReading::Limit:
      return values + QStringLiteral(" below detection read as the limit");
    case LimitReading::Half:
      return values + QStringLiteral(" below detection read as half the limit");
    case LimitReading::Missing:
      break;
  }
  return values + QStringLiteral(" below detection kept as written (missing)");
}

QStringList ImportSummary(const QString& path, const ImportedTable& table) {
  QStringList lines;
  lines << QStringLiteral("Imported ") + QFileInfo(path).fileName();
  QString how;
  if (!table.SheetUsed.isEmpty()) {
    how = QStringLiteral("Sheet: ") + table.SheetUsed;
  } else {
    const char s = table.Used.Separator;
    how = QStringLiteral("Separator: ") +
          (s == '\t'  ? QStringLiteral("tab")
           : s == ';' ? QStringLiteral("semicolon")
                      : QStringLiteral("comma")) +
          QStringLiteral("\tDecimal mark: ") + QLatin1Char(table.Used.Decimal) +
          QStringLiteral("\tEncoding: ") + table.EncodingName;
  }
  lines << how;
  lines << QStringLiteral("Rows skipped: %1\tNames from the first row: %2")
               .arg(table.Used.Skip)
               .arg(table.Used.Header != 0 ? QStringLiteral("yes") : QStringLiteral("no"));
  const QString below = BelowLimitNote(table);
  if (!below.isEmpty()) lines << below;
  const int columns = static_cast<int>(table.Columns.size()) - 1;
  lines << QStringLiteral("Rows: %1\tColumns: %2\tTagged columns: %3")
               .arg(table.RowCount - 1)
               .arg(columns)
               .arg(table.TaggedColumns.size());
  if (!table.TaggedColumns.empty()) {
    QStringList tagged;
    for (int c : table.TaggedColumns)
      tagged << QString::fromUtf8(table.Columns[static_cast<std::size_t>(c)][0].View());
    lines << QStringLiteral("Tagged (no numbers): ") + tagged.join(QStringLiteral(", "));
  }
  lines << QString();
  lines << QStringLiteral("Variable\tMissing\tBelow detection");
  for (int c = 1; c <= columns; ++c) {
    const ColumnCount& n = table.Counts[static_cast<std::size_t>(c) - 1];
    lines << QString::fromUtf8(table.Columns[static_cast<std::size_t>(c)][0].View()) + QLatin1Char('\t') +
                 QString::number(n.Missing) + QLatin1Char('\t') + QString::number(n.Below);
  }
  return lines;
}

}  // namespace varnel
