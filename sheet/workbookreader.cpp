#include "sheet/workbookreader.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <stdexcept>
#include <unordered_map>

#include "sheet/datafile.h"
#include "sheet/tablebuilder.h"

namespace varnel {
namespace {

namespace ss = orcus::spreadsheet;

// Stored cells beyond this are not a table of analyses; the limit keeps a
// crafted workbook (a few bytes per cell in a well-compressed part) from
// growing without end.
std::size_t MaxStoredBytes() { return std::min<std::size_t>(MemoryWithinReach() / 4, std::size_t{2} << 30); }

std::string NumberText(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::string TwoDigits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

// The cells of the one sheet being read.
class CellStore {
 public:
  void Set(ss::row_t row, ss::col_t col, std::string text) {
    if (row < 0 || col < 0) return;
    const auto r = static_cast<std::size_t>(row), c = static_cast<std::size_t>(col);
    if (r >= rows.size()) rows.resize(r + 1);
    auto& cells = rows[r];
    if (c >= cells.size()) {
      stored_ += (c + 1 - cells.size()) * sizeof(std::string);
      cells.resize(c + 1);
    }
    stored_ += text.size();
    if (stored_ > MaxStoredBytes()) throw std::bad_alloc();
    cells[c] = std::move(text);
  }
  std::vector<std::vector<std::string>> rows;

 private:
  std::size_t stored_ = 0;
};

class SharedStrings : public ss::iface::import_shared_strings {
 public:
  std::size_t append(std::string_view s) override {
    strings.emplace_back(s);
    return strings.size() - 1;
  }
  std::size_t add(std::string_view s) override {
    const auto found = index_.find(std::string(s));
    if (found != index_.end()) return found->second;
    const std::size_t i = append(s);
    index_.emplace(strings.back(), i);
    return i;
  }
  void set_segment_font(std::size_t) override {}
  void set_segment_bold(bool) override {}
  void set_segment_italic(bool) override {}
  void set_segment_font_name(std::string_view) override {}
  void set_segment_font_size(double) override {}
  void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                              ss::color_elem_t) override {}
  void append_segment(std::string_view s) override { segments_ += s; }
  std::size_t commit_segments() override {
    const std::size_t i = append(segments_);
    segments_.clear();
    return i;
  }
  std::vector<std::string> strings;

 private:
  std::unordered_map<std::string, std::size_t> index_;
  std::string segments_;
};

// Formulas count by the result the workbook saved with them.
class FormulaResults : public ss::iface::import_formula {
 public:
  explicit FormulaResults(CellStore* store) : store_(store) {}
  void set_position(ss::row_t row, ss::col_t col) override {
    row_ = row;
    col_ = col;
    result_.clear();
    has_ = false;
  }
  void set_formula(ss::formula_grammar_t, std::string_view) override {}
  void set_shared_formula_index(std::size_t) override {}
  void set_result_string(std::string_view value) override { Keep(std::string(value)); }
  void set_result_value(double value) override { Keep(NumberText(value)); }
  void set_result_bool(bool value) override { Keep(value ? "TRUE" : "FALSE"); }
  void set_result_empty() override { Keep(std::string()); }
  void commit() override {
    if (store_ && has_) store_->Set(row_, col_, std::move(result_));
  }

 private:
  void Keep(std::string text) {
    result_ = std::move(text);
    has_ = true;
  }
  CellStore* store_;
  ss::row_t row_ = 0;
  ss::col_t col_ = 0;
  std::string result_;
  bool has_ = false;
};

class ArrayResults : public ss::iface::import_array_formula {
 public:
  explicit ArrayResults(CellStore* store) : store_(store) {}
  void set_range(const ss::range_t&) override {}
  void set_formula(ss::formula_grammar_t, std::string_view) override {}
  void set_result_string(ss::row_t row, ss::col_t col, std::string_view value) override {
    if (store_) store_->Set(row, col, std::string(value));
  }
  void set_result_value(ss::row_t row, ss::col_t col, double value) override {
    if (store_) store_->Set(row, col, NumberText(value));
  }
  void set_result_bool(ss::row_t row, ss::col_t col, bool value) override {
    if (store_) store_->Set(row, col, value ? "TRUE" : "FALSE");
  }
  void set_result_empty(ss::row_t, ss::col_t) override {}
  void commit() override {}

 private:
  CellStore* store_;
};

// A sheet: the chosen one keeps its cells, the others only their names.
class SheetSink : public ss::iface::import_sheet {
 public:
  SheetSink(SharedStrings& strings, CellStore* store)
      : strings_(strings), store_(store), formula_(store), array_(store) {}
  ss::iface::import_formula* get_formula() override { return &formula_; }
  ss::iface::import_array_formula* get_array_formula() override { return &array_; }
  void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
    if (store_) store_->Set(row, col, std::string(s));
  }
  void set_string(ss::row_t row, ss::col_t col, ss::string_id_t index) override {
    if (store_ && index < strings_.strings.size()) store_->Set(row, col, strings_.strings[index]);
  }
  void set_value(ss::row_t row, ss::col_t col, double value) override {
    if (store_) store_->Set(row, col, NumberText(value));
  }
  void set_bool(ss::row_t row, ss::col_t col, bool value) override {
    if (store_) store_->Set(row, col, value ? "TRUE" : "FALSE");
  }
  void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour, int minute,
                     double second) override {
    if (!store_) return;
    std::string text = std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day);
    if (hour != 0 || minute != 0 || second != 0)
      text += " " + TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(static_cast<int>(second));
    store_->Set(row, col, std::move(text));
  }
  void set_format(ss::row_t, ss::col_t, std::size_t) override {}
  void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
  void fill_down_cells(ss::row_t row, ss::col_t col, ss::row_t size) override {
    if (!store_ || row < 0 || col < 0 || static_cast<std::size_t>(row) >= store_->rows.size()) return;
    const auto& cells = store_->rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(col) >= cells.size()) return;
    const std::string text = cells[static_cast<std::size_t>(col)];
    for (ss::row_t r = 1; r <= size; ++r) store_->Set(row + r, col, text);
  }
  ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }

 private:
  SharedStrings& strings_;
  CellStore* store_;
  FormulaResults formula_;
  ArrayResults array_;
};

class Settings : public ss::iface::import_global_settings {
 public:
  void set_origin_date(int, int, int) override {}
  void set_default_formula_grammar(ss::formula_grammar_t g) override { grammar_ = g; }
  ss::formula_grammar_t get_default_formula_grammar() const override { return grammar_; }
  void set_character_set(orcus::character_set_t) override {}

 private:
  ss::formula_grammar_t grammar_ = ss::formula_grammar_t::xlsx;
};

// Formulas are not evaluated (their saved results are used), but the
// readers resolve the addresses they meet on the way: "A1" style, with an
// optional sheet name and "$" marks.
class References : public ss::iface::import_reference_resolver {
 public:
  ss::src_address_t resolve_address(std::string_view address) override {
    const std::size_t bang = address.rfind('!');
    if (bang != std::string_view::npos) address.remove_prefix(bang + 1);
    ss::src_address_t out{0, 0, 0};
    std::size_t i = 0;
    long col = 0, row = 0;
    if (i < address.size() && address[i] == '$') ++i;
    while (i < address.size() &&
           ((address[i] >= 'A' && address[i] <= 'Z') || (address[i] >= 'a' && address[i] <= 'z'))) {
      col = col * 26 + ((address[i] | 0x20) - 'a' + 1);
      if (col > 16384) throw std::invalid_argument("column out of range");
      ++i;
    }
    if (i < address.size() && address[i] == '$') ++i;
    while (i < address.size() && address[i] >= '0' && address[i] <= '9') {
      row = row * 10 + (address[i] - '0');
      if (row > 1048576) throw std::invalid_argument("row out of range");
      ++i;
    }
    if (col == 0 || row == 0 || i != address.size()) throw std::invalid_argument("not a cell address");
    out.column = static_cast<ss::col_t>(col - 1);
    out.row = static_cast<ss::row_t>(row - 1);
    return out;
  }
  ss::src_range_t resolve_range(std::string_view range) override {
    const std::size_t colon = range.find(':');
    if (colon == std::string_view::npos) {
      const ss::src_address_t a = resolve_address(range);
      return {a, a};
    }
    return {resolve_address(range.substr(0, colon)), resolve_address(range.substr(colon + 1))};
  }
};

class Factory : public ss::iface::import_factory {
 public:
  explicit Factory(const QString& wanted) : wanted_(wanted) {}
  ss::iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
    return &references_;
  }
  ss::iface::import_global_settings* get_global_settings() override { return &settings_; }
  ss::iface::import_shared_strings* get_shared_strings() override { return &strings_; }
  ss::iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override {
    names << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    bool chosen = false;
    if (chosenIndex < 0) {
      bool isNumber = false;
      const int number = wanted_.toInt(&isNumber);
      if (wanted_.isEmpty())
        chosen = true;
      else if (isNumber)
        chosen = number == names.size();
      else
        chosen = names.back() == wanted_;
      if (chosen) chosenIndex = static_cast<int>(names.size()) - 1;
    }
    sheets_.emplace_back(std::make_unique<SheetSink>(strings_, chosen ? &store : nullptr));
    (void)index;
    return sheets_.back().get();
  }
  ss::iface::import_sheet* get_sheet(std::string_view name) override {
    const QString n = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    const auto i = names.indexOf(n);
    return i >= 0 ? sheets_[static_cast<std::size_t>(i)].get() : nullptr;
  }
  ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
    return index >= 0 && static_cast<std::size_t>(index) < sheets_.size()
               ? sheets_[static_cast<std::size_t>(index)].get()
               : nullptr;
  }
  void finalize() override {}

  QStringList names;
  int chosenIndex = -1;
  CellStore store;

 private:
  QString wanted_;
  Settings settings_;
  References references_;
  SharedStrings strings_;
  std::vector<std::unique_ptr<SheetSink>> sheets_;
};

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// The sum of the sizes the archive's directory promises for its parts, or
// SIZE_MAX when the directory cannot be read. The import library unpacks a
// part whole into memory and offers no way to ask for its size first, so
// the directory is looked at here, before anything is unpacked.
std::size_t UnpackedSize(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  if (n < 22) return SIZE_MAX;
  // The end-of-directory record sits in the last 22 + 65535 bytes.
  const std::size_t lowest = n > 22 + 65535 ? n - 22 - 65535 : 0;
  for (std::size_t at = n - 22 + 1; at-- > lowest;) {
    if (Le32(data + at) != 0x06054b50) continue;
    const std::size_t entries = Le16(data + at + 10);
    std::size_t p = Le32(data + at + 16);
    std::size_t total = 0;
    for (std::size_t e = 0; e < entries; ++e) {
      if (p + 46 > n || Le32(data + p) != 0x02014b50) return SIZE_MAX;
      const std::uint32_t size = Le32(data + p + 24);
      if (size == 0xFFFFFFFFu) return SIZE_MAX;
      // The unpacking trusts the part's own (local) header, which may
      // promise another size than the directory: the larger one counts.
      const std::size_t local = Le32(data + p + 42);
      if (local + 30 > n || Le32(data + local) != 0x04034b50) return SIZE_MAX;
      const std::uint32_t localSize = Le32(data + local + 22);
      if (localSize == 0xFFFFFFFFu) return SIZE_MAX;
      // A part's packed bytes are read whole into memory: they must lie
      // within the file, whatever its headers claim.
      if (Le32(data + p + 20) > n || Le32(data + local + 18) > n) return SIZE_MAX;
      total += std::max(size, localSize);
      p += 46 + std::size_t{Le16(data + p + 28)} + Le16(data + p + 30) + Le16(data + p + 32);
    }
    return total;
  }
  return SIZE_MAX;
}

bool OdsEncrypted(std::string_view bytes) {
  try {
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> manifest;
    if (!archive.read_file_entry("META-INF/manifest.xml", manifest)) return false;
    const std::string_view text(reinterpret_cast<const char*>(manifest.data()), manifest.size());
    return text.find("encryption-data") != std::string_view::npos;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

ImportResult ReadWorkbook(std::string_view bytes, const QString& name, const TableImportOptions& options,
                          ImportedTable& table, int rowLimit) {
  ImportResult result;
  table = ImportedTable{};
  const auto* blob = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
    result.Error = QStringLiteral(
                       "%1 is an encrypted workbook or one in the old binary format (.xls), which "
                       "Varnel cannot read.\n\rSave it as .xlsx or .ods without a password first.")
                       .arg(name);
    return result;
  }
  if (bytes.substr(0, 4) != std::string_view("PK\x03\x04", 4)) {
    result.Error = QStringLiteral("%1 is not a workbook Varnel can read (.xlsx or .ods).").arg(name);
    return result;
  }
  // The directory first: even telling the kind of workbook unpacks a part.
  const std::size_t unpacked = UnpackedSize(bytes);
  if (unpacked == SIZE_MAX) {
    result.Error = QStringLiteral("%1 is a broken workbook: its table of contents cannot be read.").arg(name);
    return result;
  }
  if (unpacked > MaxUnpackedBytes ||
      (unpacked > UnpackFloorBytes && unpacked / MaxUnpackRatio > bytes.size())) {
    result.Error = QStringLiteral(
                       "%1 was refused: its parts would unpack to %2 MB, far more than a table of "
                       "this size holds.")
                       .arg(name)
                       .arg(unpacked >> 20);
    return result;
  }
  bool xlsx = false, ods = false;
  try {
    xlsx = orcus::orcus_xlsx::detect(blob, bytes.size());
    ods = !xlsx && orcus::orcus_ods::detect(blob, bytes.size());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
  }
  if (!xlsx && !ods) {
    result.Error = QStringLiteral("%1 is not a workbook Varnel can read (.xlsx or .ods).").arg(name);
    return result;
  }
  if (ods && OdsEncrypted(bytes)) {
    result.Error = QStringLiteral(
                       "%1 is an encrypted workbook, which Varnel cannot read.\n\rSave it without "
                       "a password first.")
                       .arg(name);
    return result;
  }
  Factory factory(options.SheetName);
  try {
    if (xlsx) {
      orcus::orcus_xlsx filter(&factory);
      filter.read_stream(bytes);
    } else {
      orcus::orcus_ods filter(&factory);
      filter.read_stream(bytes);
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    result.Error = QStringLiteral("%1 is a broken or encrypted workbook and cannot be read:\n\r%2")
                       .arg(name, QString::fromUtf8(e.what()));
    return result;
  }
  if (factory.chosenIndex < 0) {
    result.Error = factory.names.isEmpty()
                       ? QStringLiteral("%1 holds no sheet.").arg(name)
                       : QStringLiteral("%1 has no sheet \"%2\". Its sheets: %3.")
                             .arg(name, options.SheetName, factory.names.join(QStringLiteral(", ")));
    return result;
  }
  // Detection on the sheet's first rows, as for a text table.
  TableImportOptions used = options;
  used.Separator = ',';
  used.Decimal = '.';
  std::vector<std::vector<std::string>>& rows = factory.store.rows;
  auto blankRow = [](const std::vector<std::string>& r) {
    for (const std::string& s : r)
      if (s.find_first_not_of(' ') != std::string::npos) return false;
    return true;
  };
  std::size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  if (used.Skip < 0) {
    used.Skip = 0;
    for (std::size_t i = 0; i < rows.size() && i < 200; ++i) {
      std::size_t filled = 0;
      for (const std::string& s : rows[i])
        if (!s.empty()) ++filled;
      if (filled >= 2 && 2 * rows[i].size() >= width) {
        used.Skip = static_cast<int>(i);
        break;
      }
    }
  }
  if (used.Header < 0) {
    std::size_t first = static_cast<std::size_t>(used.Skip);
    while (first < rows.size() && blankRow(rows[first])) ++first;
    bool allNumbers = first < rows.size(), any = false;
    if (first < rows.size())
      for (const std::string& s : rows[first]) {
        if (s.empty()) continue;
        any = true;
        if (!LooksLikeNumber(s, '.')) allNumbers = false;
      }
    used.Header = allNumbers && any ? 0 : 1;
  }
  // The width of the table: the widest row from the names down.
  width = 0;
  for (std::size_t i = static_cast<std::size_t>(used.Skip); i < rows.size(); ++i)
    width = std::max(width, rows[i].size());
  TableBuilder builder(used, rows.size(), rowLimit, table, static_cast<int>(std::max<std::size_t>(width, 1)));
  std::vector<std::string_view> fields;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    fields.assign(rows[i].begin(), rows[i].end());
    if (!builder.Add(fields, i + 1)) break;
  }
  result = builder.Finish(name);
  table.Sheets = factory.names;
  table.SheetUsed = factory.names.value(factory.chosenIndex);
  table.Used.SheetName = options.SheetName;
  return result;
}

}  // namespace varnel
