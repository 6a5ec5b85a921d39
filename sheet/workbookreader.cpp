#include "sheet/workbookreader.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/sax_parser.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "sheet/datafile.h"
#include "sheet/tablebuilder.h"

namespace varnel {
namespace {

namespace ss = orcus::spreadsheet;

constexpr ss::row_t MaxRows = 1048576;
constexpr ss::col_t MaxCols = 16384;

// Stored cells beyond this are not a table of analyses; the limit keeps a
// crafted workbook (a few bytes per cell in a well-compressed part) from
// growing without end. Below 4 GB, so that texts are found by 32-bit offsets.
std::size_t MaxStoredBytes() { return std::min<std::size_t>(MemoryWithinReach() / 4, std::size_t{2} << 30); }

// Asks for the large pages of the memory management for a buffer about to
// be filled: a sheet's cells and texts take tens of megabytes, which in
// small pages cost thousands of page faults in a fresh process.
void AdviseLargePages(const void* data, std::size_t bytes) {
  constexpr std::uintptr_t Large = std::uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + Large - 1) & ~(Large - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(Large - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A text in the store's one buffer.
struct Text {
  std::uint32_t Offset = 0;
  std::uint32_t Size = 0;
};

// One cell: its place and its text. Sixteen bytes, and no allocation of its own.
struct Cell {
  std::uint32_t Row;
  std::uint32_t Col;
  Text Value;
};

// The cells of the one sheet being read: all texts in one buffer (shared
// strings too, which cells then refer to without a copy), the cells in the
// order they came.
class CellStore {
 public:
  CellStore() : limit_(MaxStoredBytes()) {}

  Text Keep(std::string_view s) {
    Charge(s.size());
    const Text t{static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(s.size())};
    text.append(s);
    return t;
  }
  Text KeepNumber(double v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return Keep(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
  }
  Text KeepBool(bool v) { return Keep(v ? std::string_view("TRUE") : std::string_view("FALSE")); }

  // Room for the cells and texts of a sheet part of this size, in large
  // pages: growing them step by step would copy and fault them again.
  void Expect(std::size_t partBytes) {
    constexpr std::size_t Most = std::size_t{64} << 20;
    cells.reserve(std::min(partBytes / 12, Most / sizeof(Cell)));
    AdviseLargePages(cells.data(), cells.capacity() * sizeof(Cell));
    text.reserve(text.size() + std::min(partBytes / 4, Most));
    AdviseLargePages(text.data(), text.capacity());
  }

  // A text kept in a list of its own (a shared string) costs its entry too.
  void ChargeEntry() { Charge(sizeof(Text)); }

  void Set(ss::row_t row, ss::col_t col, Text value) {
    if (row < 0 || col < 0 || row >= MaxRows || col >= MaxCols) return;
    Charge(sizeof(Cell));
    const Cell cell{static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col), value};
    cells.push_back(cell);
    // The cells of the latest row, for filling down.
    if (cell.Row != row_) {
      row_ = cell.Row;
      rowCells_.clear();
      rowSorted_ = true;
    }
    if (!rowCells_.empty() && rowCells_.back().Col >= cell.Col) rowSorted_ = false;
    rowCells_.push_back(cell);
  }

  // Copies a cell of the latest row into the size rows below it.
  void FillDown(ss::row_t row, ss::col_t col, ss::row_t size) {
    if (row < 0 || col < 0 || row >= MaxRows) return;
    const auto c = static_cast<std::uint32_t>(col);
    const auto rowNumber = static_cast<std::uint32_t>(row);
    const Cell* found = nullptr;
    if (rowNumber != row_) {
      // An earlier row: its cells lie before those filled down from it.
      for (auto it = cells.rbegin(); it != cells.rend() && it->Row >= rowNumber && !found; ++it)
        if (it->Row == rowNumber && it->Col == c) found = &*it;
    } else if (rowSorted_) {
      const auto at = std::lower_bound(rowCells_.begin(), rowCells_.end(), c,
                                       [](const Cell& a, std::uint32_t b) { return a.Col < b; });
      if (at != rowCells_.end() && at->Col == c) found = &*at;
    } else {
      for (auto it = rowCells_.rbegin(); it != rowCells_.rend() && !found; ++it)
        if (it->Col == c) found = &*it;
    }
    if (!found) return;
    const Text value = found->Value;
    size = std::min<ss::row_t>(size, MaxRows - 1 - row);
    for (ss::row_t r = 1; r <= size; ++r) {
      Charge(sizeof(Cell));
      cells.push_back(Cell{static_cast<std::uint32_t>(row + r), c, value});
    }
  }

  // Cells in row and column order; of two for the same place the later holds.
  void Sort() {
    const auto before = [](const Cell& a, const Cell& b) {
      return a.Row != b.Row ? a.Row < b.Row : a.Col < b.Col;
    };
    if (!std::is_sorted(cells.begin(), cells.end(), before))
      std::stable_sort(cells.begin(), cells.end(), before);
    std::size_t out = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (out > 0 && cells[out - 1].Row == cells[i].Row && cells[out - 1].Col == cells[i].Col)
        cells[out - 1] = cells[i];
      else
        cells[out++] = cells[i];
    }
    cells.resize(out);
  }

  std::string text;
  std::vector<Cell> cells;

 private:
  void Charge(std::size_t bytes) {
    stored_ += bytes;
    if (stored_ > limit_) throw std::bad_alloc();
  }
  std::size_t limit_;
  std::size_t stored_ = 0;
  std::uint32_t row_ = UINT32_MAX;
  bool rowSorted_ = true;
  std::vector<Cell> rowCells_;
};

// Shared strings live in the cell store's buffer; a cell holding one refers
// to it. Strings are not looked up to be shared again: that saves memory only,
// and costs a map of every string.
class SharedStrings : public ss::iface::import_shared_strings {
 public:
  explicit SharedStrings(CellStore& store) : store_(store) {}
  std::size_t append(std::string_view s) override {
    strings.push_back(store_.Keep(s));
    return strings.size() - 1;
  }
  std::size_t add(std::string_view s) override { return append(s); }
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
  std::vector<Text> strings;

 private:
  CellStore& store_;
  std::string segments_;
};

// Formulas count by the result the workbook saved with them.
class FormulaResults : public ss::iface::import_formula {
 public:
  explicit FormulaResults(CellStore* store) : store_(store) {}
  void set_position(ss::row_t row, ss::col_t col) override {
    row_ = row;
    col_ = col;
    has_ = false;
  }
  void set_formula(ss::formula_grammar_t, std::string_view) override {}
  void set_shared_formula_index(std::size_t) override {}
  void set_result_string(std::string_view value) override {
    if (store_) Keep(store_->Keep(value));
  }
  void set_result_value(double value) override {
    if (store_) Keep(store_->KeepNumber(value));
  }
  void set_result_bool(bool value) override {
    if (store_) Keep(store_->KeepBool(value));
  }
  void set_result_empty() override { Keep(Text{}); }
  void commit() override {
    if (store_ && has_) store_->Set(row_, col_, result_);
  }

 private:
  void Keep(Text text) {
    result_ = text;
    has_ = true;
  }
  CellStore* store_;
  ss::row_t row_ = 0;
  ss::col_t col_ = 0;
  Text result_;
  bool has_ = false;
};

class ArrayResults : public ss::iface::import_array_formula {
 public:
  explicit ArrayResults(CellStore* store) : store_(store) {}
  void set_range(const ss::range_t&) override {}
  void set_formula(ss::formula_grammar_t, std::string_view) override {}
  void set_result_string(ss::row_t row, ss::col_t col, std::string_view value) override {
    if (store_) store_->Set(row, col, store_->Keep(value));
  }
  void set_result_value(ss::row_t row, ss::col_t col, double value) override {
    if (store_) store_->Set(row, col, store_->KeepNumber(value));
  }
  void set_result_bool(ss::row_t row, ss::col_t col, bool value) override {
    if (store_) store_->Set(row, col, store_->KeepBool(value));
  }
  void set_result_empty(ss::row_t, ss::col_t) override {}
  void commit() override {}

 private:
  CellStore* store_;
};

std::string TwoDigits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

// A sheet: the chosen one keeps its cells, the others only their names.
class SheetSink : public ss::iface::import_sheet {
 public:
  SheetSink(SharedStrings& strings, CellStore* store)
      : strings_(strings), store_(store), formula_(store), array_(store) {}
  ss::iface::import_formula* get_formula() override { return &formula_; }
  ss::iface::import_array_formula* get_array_formula() override { return &array_; }
  void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
    if (store_) store_->Set(row, col, store_->Keep(s));
  }
  void set_string(ss::row_t row, ss::col_t col, ss::string_id_t index) override {
    if (store_ && index < strings_.strings.size()) store_->Set(row, col, strings_.strings[index]);
  }
  void set_value(ss::row_t row, ss::col_t col, double value) override {
    if (store_) store_->Set(row, col, store_->KeepNumber(value));
  }
  void set_bool(ss::row_t row, ss::col_t col, bool value) override {
    if (store_) store_->Set(row, col, store_->KeepBool(value));
  }
  void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour, int minute,
                     double second) override {
    if (!store_) return;
    std::string text = std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day);
    if (hour != 0 || minute != 0 || second != 0)
      text += " " + TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(static_cast<int>(second));
    store_->Set(row, col, store_->Keep(text));
  }
  void set_format(ss::row_t, ss::col_t, std::size_t) override {}
  void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
  void fill_down_cells(ss::row_t row, ss::col_t col, ss::row_t size) override {
    if (store_) store_->FillDown(row, col, size);
  }
  ss::range_size_t get_sheet_size() const override { return {MaxRows, MaxCols}; }

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

// Which sheet to keep: by name, or by its 1-based number, or the first.
struct WantedSheet {
  std::string Name;
  int Number = -1;
  bool First = true;
};

class Factory : public ss::iface::import_factory {
 public:
  explicit Factory(const WantedSheet& wanted) : wanted_(wanted), strings_(store) {}
  ss::iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
    return &references_;
  }
  ss::iface::import_global_settings* get_global_settings() override { return &settings_; }
  ss::iface::import_shared_strings* get_shared_strings() override { return &strings_; }
  ss::iface::import_sheet* append_sheet(ss::sheet_t, std::string_view name) override {
    names.emplace_back(name);
    bool chosen = false;
    if (chosenIndex < 0) {
      if (wanted_.First)
        chosen = true;
      else if (wanted_.Number >= 0)
        chosen = static_cast<std::size_t>(wanted_.Number) == names.size();
      else
        chosen = names.back() == wanted_.Name;
      if (chosen) chosenIndex = static_cast<int>(names.size()) - 1;
    }
    sheets_.emplace_back(std::make_unique<SheetSink>(strings_, chosen ? &store : nullptr));
    return sheets_.back().get();
  }
  ss::iface::import_sheet* get_sheet(std::string_view name) override {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return sheets_[i].get();
    return nullptr;
  }
  ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
    return index >= 0 && static_cast<std::size_t>(index) < sheets_.size()
               ? sheets_[static_cast<std::size_t>(index)].get()
               : nullptr;
  }
  void finalize() override {}

  std::vector<std::string> names;
  int chosenIndex = -1;
  CellStore store;

 private:
  WantedSheet wanted_;
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

// A part as the package's table of contents lists it.
struct ZipEntry {
  std::string_view Name;
  std::uint32_t Crc = 0, Size = 0;
  std::uint32_t LocalSize = 0;  // the size the part's own header promises
};

// The table of contents of a zip package, or nothing when it cannot be
// read: an entry that points outside the file, a header that is not where
// the directory says, or a size too large for the plain zip format.
std::optional<std::vector<ZipEntry>> ZipDirectory(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  if (n < 22) return std::nullopt;
  // The end-of-directory record sits in the last 22 + 65535 bytes.
  const std::size_t lowest = n > 22 + 65535 ? n - 22 - 65535 : 0;
  for (std::size_t at = n - 22 + 1; at-- > lowest;) {
    if (Le32(data + at) != 0x06054b50) continue;
    const std::size_t count = Le16(data + at + 10);
    std::size_t p = Le32(data + at + 16);
    std::vector<ZipEntry> entries;
    for (std::size_t e = 0; e < count; ++e) {
      if (p + 46 > n || Le32(data + p) != 0x02014b50) return std::nullopt;
      ZipEntry entry;
      const std::size_t nameSize = Le16(data + p + 28);
      if (p + 46 + nameSize > n) return std::nullopt;
      entry.Name = bytes.substr(p + 46, nameSize);
      entry.Crc = Le32(data + p + 16);
      entry.Size = Le32(data + p + 24);
      const std::size_t local = Le32(data + p + 42);
      if (local + 30 > n || Le32(data + local) != 0x04034b50) return std::nullopt;
      entry.LocalSize = Le32(data + local + 22);
      if (entry.Size == 0xFFFFFFFFu || entry.LocalSize == 0xFFFFFFFFu) return std::nullopt;
      // A part's packed bytes are read whole into memory: they must lie
      // within the file, whatever its headers claim.
      if (Le32(data + p + 20) > n || Le32(data + local + 18) > n) return std::nullopt;
      entries.push_back(entry);
      p += 46 + nameSize + Le16(data + p + 30) + Le16(data + p + 32);
    }
    return entries;
  }
  return std::nullopt;
}

// The sum of the sizes the archive's directory promises for its parts, or
// SIZE_MAX when the directory cannot be read. The import library unpacks a
// part whole into memory and offers no way to ask for its size first, so
// the directory is looked at here, before anything is unpacked. The
// unpacking trusts the part's own (local) header, which may promise another
// size than the directory: the larger one counts.
std::size_t UnpackedSize(std::string_view bytes) {
  const std::optional<std::vector<ZipEntry>> entries = ZipDirectory(bytes);
  if (!entries) return SIZE_MAX;
  std::size_t total = 0;
  for (const ZipEntry& e : *entries) total += std::max(e.Size, e.LocalSize);
  return total;
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

// ---- Workbooks of the Office Open XML kind (.xlsx) ---------------------
// Read here, with the library's zip and XML parsers, rather than through its
// spreadsheet filter. The filter builds a model of the whole workbook
// (styles, themes, every sheet) and hands each cell over through virtual
// calls, which made a sheet of analyses several times slower to read than
// its values need; it also passes over text written in the cell itself
// (streaming writers) and parts named by absolute paths (as openpyxl, and so
// pandas, names them), reading such workbooks as empty. A table needs one
// sheet's values: the workbook part for the sheets' names, the package
// relationships to find parts, the shared strings and the one sheet part.

// A whole number, or -1 when the text is none.
long SmallNumber(std::string_view s) {
  long v = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), v);
  return result.ec == std::errc() && result.ptr == s.data() + s.size() ? v : -1;
}

// What the parts read here leave alone: declarations, a document type and
// (for most) text. Each handler takes the rest.
struct XmlHandler {
  void doctype(const orcus::sax::doctype_declaration&) {}
  void start_declaration(std::string_view) {}
  void end_declaration(std::string_view) {}
  void attribute(std::string_view, std::string_view) {}
  void characters(std::string_view, bool) {}
};

// The relationships of a package part: Id, type and target of each.
class Relationships : public XmlHandler {
 public:
  struct Link {
    std::string Id, Type, Target;
  };
  std::vector<Link> links;

  using XmlHandler::attribute;
  void attribute(const orcus::sax::parser_attribute& attr) {
    if (attr.name == "Id")
      link_.Id = attr.value;
    else if (attr.name == "Type")
      link_.Type = attr.value;
    else if (attr.name == "Target")
      link_.Target = attr.value;
  }
  void start_element(const orcus::sax::parser_element& elem) {
    if (elem.name == "Relationship") links.push_back(link_);
    link_ = Link{};
  }
  void end_element(const orcus::sax::parser_element&) {}

  // The target of the link with this id, or of the first whose type ends with typeSuffix.
  std::string ById(std::string_view id) const {
    for (const Link& l : links)
      if (l.Id == id) return l.Target;
    return {};
  }
  std::string ByType(std::string_view typeSuffix) const {
    for (const Link& l : links)
      if (l.Type.size() >= typeSuffix.size() &&
          std::string_view(l.Type).substr(l.Type.size() - typeSuffix.size()) == typeSuffix)
        return l.Target;
    return {};
  }

 private:
  Link link_;
};

// The sheets of the workbook part, in order: name and relationship id.
class WorkbookSheets : public XmlHandler {
 public:
  std::vector<std::string> names, ids;
  using XmlHandler::attribute;
  bool date1904 = false;  // days counted from 1904 rather than 1900
  void attribute(const orcus::sax::parser_attribute& attr) {
    if (attr.name == "id" && !attr.ns.empty())
      id_ = attr.value;
    else if (attr.name == "name" && attr.ns.empty())
      name_ = attr.value;
    else if (attr.name == "date1904")
      date1904_ = attr.value == "1" || attr.value == "true";
  }
  void start_element(const orcus::sax::parser_element& elem) {
    if (elem.name == "workbookPr") date1904 = date1904_;
    date1904_ = false;
    if (elem.name == "sheet") {
      names.push_back(name_);
      ids.push_back(id_);
    }
    id_.clear();
    name_.clear();
  }
  void end_element(const orcus::sax::parser_element&) {}

 private:
  std::string id_, name_;
  bool date1904_ = false;
};

// Whether a number format shows a date or a time of day: it has a day,
// month-and-year or hour-and-second field outside quoted text, escaped
// characters and brackets. A bracketed hour, minute or second ([h]:mm) is
// a duration, shown as a number of hours, not a date.
bool IsDateFormat(std::string_view code) {
  bool date = false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"') {
      const std::size_t end = code.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      i = end;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is shown as it is (or fills)
    } else if (c == '[') {
      const std::size_t end = code.find(']', i + 1);
      if (end == std::string_view::npos) return false;
      const std::string_view inside = code.substr(i + 1, end - i - 1);
      if (inside.find_first_not_of("hHmMsS") == std::string_view::npos && !inside.empty()) return false;
      i = end;
    } else if (c == ';') {
      break;  // the first section decides
    } else {
      const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
      if (lower == 'd' || lower == 'y' || lower == 'h' || lower == 's') date = true;
    }
  }
  return date;
}

// The number formats of the styles part: which cell styles show dates.
class CellStyles : public XmlHandler {
 public:
  std::vector<bool> dates;  // by style index

  using XmlHandler::attribute;
  void attribute(const orcus::sax::parser_attribute& attr) {
    if (attr.name == "numFmtId")
      id_ = SmallNumber(attr.value);
    else if (attr.name == "formatCode")
      code_ = attr.value;
  }
  void start_element(const orcus::sax::parser_element& elem) {
    const std::string_view n = elem.name;
    if (n == "numFmt" && id_ >= 0) {
      if (IsDateFormat(code_)) customDates_.push_back(id_);
    } else if (n == "cellXfs") {
      inXfs_ = true;
    } else if (n == "xf" && inXfs_) {
      dates.push_back(IsDateId(id_));
    }
    id_ = -1;
    code_.clear();
  }
  void end_element(const orcus::sax::parser_element& elem) {
    if (elem.name == "cellXfs") inXfs_ = false;
  }

 private:
  // The built-in formats of dates and times (46 is a duration), those of
  // East Asian dates, and the workbook's own that show dates.
  bool IsDateId(long id) const {
    if ((id >= 14 && id <= 22) || id == 45 || id == 47 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
      return true;
    return std::find(customDates_.begin(), customDates_.end(), id) != customDates_.end();
  }
  std::vector<long> customDates_;
  std::string code_;
  long id_ = -1;
  bool inXfs_ = false;
};

// "A1" -> row 0, column 0; false when it is no cell address.
bool CellAddress(std::string_view a, ss::row_t& row, ss::col_t& col) {
  std::size_t i = 0;
  long c = 0, r = 0;
  while (i < a.size() && ((a[i] >= 'A' && a[i] <= 'Z') || (a[i] >= 'a' && a[i] <= 'z'))) {
    c = c * 26 + ((a[i] | 0x20) - 'a' + 1);
    if (c > MaxCols) return false;
    ++i;
  }
  while (i < a.size() && a[i] >= '0' && a[i] <= '9') {
    r = r * 10 + (a[i] - '0');
    if (r > MaxRows) return false;
    ++i;
  }
  if (c == 0 || r == 0 || i != a.size()) return false;
  row = static_cast<ss::row_t>(r - 1);
  col = static_cast<ss::col_t>(c - 1);
  return true;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return -1;
}

// Text as a spreadsheet shows it: the file writes a character XML cannot
// hold (a carriage return, a control character) as _xHHHH_, and an
// underscore that would be read so as _x005F_.
void DecodeEscapes(std::string& s) {
  if (s.find("_x") == std::string::npos) return;
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
      int code = 0;
      bool hex = true;
      for (std::size_t k = 2; k < 6 && hex; ++k) {
        const int d = HexDigit(s[i + k]);
        hex = d >= 0;
        code = code * 16 + d;
      }
      // A UTF-16 unit of a pair stays as written: the file has no way to
      // join two escapes into one character that a reader could rely on.
      if (hex && (code < 0xD800 || code > 0xDFFF)) {
        if (code < 0x80) {
          out += static_cast<char>(code);
        } else if (code < 0x800) {
          out += static_cast<char>(0xC0 | (code >> 6));
          out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
          out += static_cast<char>(0xE0 | (code >> 12));
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (code & 0x3F));
        }
        i += 7;
        continue;
      }
    }
    out += s[i++];
  }
  s.swap(out);
}

// The shared strings: <si> holds one text, in a <t> or in rich-text runs
// <r><t>..</t></r>; phonetic runs (<rPh>) are readings, not the text.
class SharedStringTable : public XmlHandler {
 public:
  explicit SharedStringTable(CellStore& store) : store_(store) {}
  std::vector<Text> strings;

  using XmlHandler::attribute;
  void attribute(const orcus::sax::parser_attribute&) {}
  void start_element(const orcus::sax::parser_element& elem) {
    const std::string_view n = elem.name;
    if (n == "si") {
      inSi_ = true;
      text_.clear();
    } else if (n == "rPh") {
      ++phonetic_;
    } else if (n == "t") {
      inT_ = inSi_ && phonetic_ == 0;
    }
  }
  void end_element(const orcus::sax::parser_element& elem) {
    const std::string_view n = elem.name;
    if (n == "t") {
      inT_ = false;
    } else if (n == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (n == "si" && inSi_) {
      DecodeEscapes(text_);
      store_.ChargeEntry();
      strings.push_back(store_.Keep(text_));
      inSi_ = false;
    }
  }
  void characters(std::string_view value, bool) {
    if (inT_) text_ += value;
  }

 private:
  CellStore& store_;
  std::string text_;
  bool inSi_ = false, inT_ = false;
  int phonetic_ = 0;
};

// ISO 8601 as the cell shows a date: "2020-05-17" or "2020-05-17 13:45:30"
// (whole seconds, no zone), as dates of the other workbook kind read.
std::string DateText(std::string_view iso) {
  std::string_view date = iso.substr(0, iso.find('T'));
  std::string text(date);
  if (date.size() == iso.size()) return text;
  std::string_view time = iso.substr(date.size() + 1);
  time = time.substr(0, std::min(time.find_first_of(".Z+-"), std::size_t{8}));
  if (!time.empty() && time != "00:00:00" && time != "00:00") text += " " + std::string(time);
  return text;
}

// A date or time that a workbook keeps as a number of days, as text in the
// form dates of the other workbook kind read as: "2020-05-17", with
// " 13:45:30" when it has a time of day (whole seconds), or the time alone
// for less than a day in the 1900 system (which has no day 0). That system
// counts a 29 February 1900 that never was (day 60), as the spreadsheets
// that made it do. False for a number no date can be made of.
bool SerialDateText(double serial, bool date1904, std::string& text) {
  if (!(serial >= 0) || serial >= 2958466) return false;  // up to 9999-12-31
  long long day = static_cast<long long>(std::floor(serial));
  long long seconds = std::llround((serial - static_cast<double>(day)) * 86400.0);
  if (seconds >= 86400) {
    ++day;
    seconds -= 86400;
  }
  char buffer[96];  // room for any long long, though the fields are small
  const auto clock = [&] {
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return std::string(buffer);
  };
  if (!date1904 && day == 0) {
    text = clock();
    return true;
  }
  long long y = 1900, m = 2, d = 29;
  if (date1904 || day != 60) {
    // Days from 1970-01-01, then the civil date (proleptic Gregorian).
    long long z = date1904 ? day - 24107 : day - (day < 60 ? 25568 : 25569);
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  }
  if (y > 9999) return false;
  std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", y, m, d);
  text = buffer;
  if (seconds != 0) text += " " + clock();
  return true;
}

// The cells of a sheet part: <sheetData><row r="1"><c r="A1" t=".."><v>..</v>
// or <is>..</is></c></row></sheetData>. Rows and cells without an address
// follow the one before. Formulas count by the result saved with them (a
// formula saved without one is an empty cell), an error value is empty.
class SheetCells : public XmlHandler {
 public:
  SheetCells(CellStore& store, const std::vector<Text>& strings, const std::vector<bool>& dateStyles,
             bool date1904)
      : store_(store), strings_(strings), dateStyles_(dateStyles), date1904_(date1904) {}

  using XmlHandler::attribute;
  // Names are told apart by length and letters: this runs for every cell.
  void attribute(const orcus::sax::parser_attribute& attr) {
    if (!inData_ || attr.name.size() != 1 || !attr.ns.empty()) return;
    if (attr.name[0] == 'r')
      r_ = attr.value;
    else if (attr.name[0] == 't')
      t_ = attr.value;
    else if (attr.name[0] == 's')
      style_ = SmallNumber(attr.value);
  }
  void start_element(const orcus::sax::parser_element& elem) {
    const std::string_view n = elem.name;
    if (!inData_) {
      inData_ = n == "sheetData";
    } else if (Is(n, 'c')) {
      ss::row_t row = row_;
      ss::col_t col = col_ + 1;
      if (!r_.empty() && !CellAddress(r_, row, col)) col = -1;
      col_ = col;
      cellRow_ = row;
      type_ = TypeOf(t_);
      isDate_ = style_ >= 0 && static_cast<std::size_t>(style_) < dateStyles_.size() &&
                dateStyles_[static_cast<std::size_t>(style_)];
      value_.clear();
      hasValue_ = false;
    } else if (Is(n, 'v')) {
      inV_ = true;
    } else if (n == "is") {
      inIs_ = true;
    } else if (n == "rPh") {
      ++phonetic_;
    } else if (Is(n, 't')) {
      inT_ = inIs_ && phonetic_ == 0;
    } else if (n == "row") {
      const long r = r_.empty() ? -1 : SmallNumber(r_);
      row_ = r > 0 && r <= MaxRows ? static_cast<ss::row_t>(r - 1) : row_ + 1;
      col_ = -1;
    }
    r_.clear();
    t_.clear();
    style_ = -1;
  }
  void end_element(const orcus::sax::parser_element& elem) {
    if (!inData_) return;
    const std::string_view n = elem.name;
    if (Is(n, 'v')) {
      inV_ = false;
      hasValue_ = true;
    } else if (Is(n, 't')) {
      inT_ = false;
      hasValue_ |= inIs_;
    } else if (Is(n, 'c')) {
      if (col_ >= 0 && hasValue_) Commit();
      inIs_ = false;
    } else if (n == "is") {
      inIs_ = false;
    } else if (n == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (n == "sheetData") {
      inData_ = false;
    }
  }
  void characters(std::string_view value, bool) {
    if (inV_ || inT_) value_ += value;
  }

 private:
  enum class Type { Number, Shared, Inline, String, Boolean, Error, Date };
  static bool Is(std::string_view name, char letter) { return name.size() == 1 && name[0] == letter; }
  static Type TypeOf(std::string_view t) {
    if (t.empty() || Is(t, 'n')) return Type::Number;
    if (Is(t, 's')) return Type::Shared;
    if (t == "inlineStr") return Type::Inline;
    if (t == "str") return Type::String;
    if (t == "b") return Type::Boolean;
    if (t == "e") return Type::Error;
    if (t == "d") return Type::Date;
    return Type::String;
  }

  void Commit() {
    switch (type_) {
      case Type::Number: {
        if (value_.empty()) return;
        if (isDate_) {
          double serial = 0;
          const auto r = std::from_chars(value_.data(), value_.data() + value_.size(), serial);
          if (r.ec == std::errc() && r.ptr == value_.data() + value_.size() &&
              SerialDateText(serial, date1904_, dateText_)) {
            store_.Set(cellRow_, col_, store_.Keep(dateText_));
            return;
          }
        }
        if (IsShortestNumberText(value_)) {
          store_.Set(cellRow_, col_, store_.Keep(value_));
          return;
        }
        double v = 0;
        const auto r = std::from_chars(value_.data(), value_.data() + value_.size(), v);
        if (r.ec == std::errc() && r.ptr == value_.data() + value_.size() && std::isfinite(v))
          store_.Set(cellRow_, col_, store_.KeepNumber(v));
        else
          store_.Set(cellRow_, col_, store_.Keep(value_));
        return;
      }
      case Type::Shared: {
        const long i = SmallNumber(value_);
        if (i >= 0 && static_cast<std::size_t>(i) < strings_.size() &&
            strings_[static_cast<std::size_t>(i)].Size > 0)
          store_.Set(cellRow_, col_, strings_[static_cast<std::size_t>(i)]);
        return;
      }
      case Type::Inline:
      case Type::String:
        DecodeEscapes(value_);
        if (!value_.empty()) store_.Set(cellRow_, col_, store_.Keep(value_));
        return;
      case Type::Boolean:
        if (value_ == "1" || value_ == "true")
          store_.Set(cellRow_, col_, store_.KeepBool(true));
        else if (value_ == "0" || value_ == "false")
          store_.Set(cellRow_, col_, store_.KeepBool(false));
        else if (!value_.empty())
          store_.Set(cellRow_, col_, store_.Keep(value_));
        return;
      case Type::Error:
        return;
      case Type::Date:
        if (!value_.empty()) store_.Set(cellRow_, col_, store_.Keep(DateText(value_)));
        return;
    }
  }

  CellStore& store_;
  const std::vector<Text>& strings_;
  const std::vector<bool>& dateStyles_;
  bool date1904_;
  long style_ = -1;
  bool isDate_ = false;
  std::string r_, t_, value_, dateText_;
  ss::row_t row_ = -1, cellRow_ = 0;
  ss::col_t col_ = -1;
  Type type_ = Type::Number;
  bool inData_ = false, inV_ = false, inIs_ = false, inT_ = false, hasValue_ = false;
  int phonetic_ = 0;
};

// A part of the package, unpacked.
struct Part {
  std::vector<unsigned char> Bytes;
  std::size_t Size = 0;
  std::string_view Name;  // in the package's table of contents
  std::uint32_t Crc = 0;
  bool Whole = false;
};

template <class Handler>
void ParseXml(const Part& part, Handler& handler) {
  orcus::sax_parser<Handler> parser(reinterpret_cast<const char*>(part.Bytes.data()), part.Size, false,
                                    handler);
  parser.parse();
}

// A part name relative to the folder of the part that names it.
std::string PartPath(std::string_view base, std::string_view target) {
  if (!target.empty() && target[0] == '/') return std::string(target.substr(1));
  std::string folder(base.substr(0, base.rfind('/') + 1));
  while (target.substr(0, 3) == "../") {
    target.remove_prefix(3);
    if (!folder.empty()) folder.pop_back();
    folder.resize(folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/') + 1);
  }
  while (target.substr(0, 2) == "./") target.remove_prefix(2);
  return folder + std::string(target);
}

std::string RelationshipsPart(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
  const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] >= 'A' && a[i] <= 'Z' ? a[i] | 0x20 : a[i]) !=
        (b[i] >= 'A' && b[i] <= 'Z' ? b[i] | 0x20 : b[i]))
      return false;
  return true;
}

// The parts of the zip package, unpacked by the library. Each part's
// checksum, from the package's table of contents, is checked here: the
// library unpacks a damaged part without a word, and its bytes (wrong
// numbers among them) would pass for the sheet.
class Package {
 public:
  explicit Package(std::string_view bytes)
      : stream_(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), archive_(&stream_) {
    archive_.load();
    std::optional<std::vector<ZipEntry>> entries = ZipDirectory(bytes);
    if (!entries) throw std::runtime_error("its table of contents cannot be read");
    entries_ = std::move(*entries);
  }

  // A part by its name (part names ignore case); false if there is none.
  // Without check, the caller checks the part with Check (while it reads it).
  bool Read(std::string_view name, Part& part, bool check = true) const {
    if (name.empty()) return false;
    const ZipEntry* found = nullptr;
    for (std::size_t i = 0; i < entries_.size() && !found; ++i)
      if (entries_[i].Name == name) found = &entries_[i];
    for (std::size_t i = 0; i < entries_.size() && !found; ++i)
      if (SameIgnoringCase(entries_[i].Name, name)) found = &entries_[i];
    if (!found || !archive_.read_file_entry(found->Name, part.Bytes)) return false;
    // The library ends a part with a zero byte, which is not part of it;
    // it stays in the buffer, after the bytes the parser is given.
    part.Size = std::min<std::size_t>(found->Size, part.Bytes.size());
    part.Name = found->Name;
    part.Crc = found->Crc;
    part.Whole = part.Bytes.size() == found->Size ||
                 (part.Bytes.size() == found->Size + std::size_t{1} && part.Bytes.back() == 0);
    if (check) Check(part);
    return true;
  }
  static bool Intact(const Part& part) {
    return part.Whole && crc32_z(0, part.Bytes.data(), part.Size) == part.Crc;
  }
  static void Check(const Part& part) {
    if (!Intact(part)) throw std::runtime_error("the part " + std::string(part.Name) + " is damaged");
  }

 private:
  orcus::zip_archive_stream_blob stream_;
  orcus::zip_archive archive_;
  std::vector<ZipEntry> entries_;
};

void ReadXlsx(std::string_view bytes, Factory& f) {
  Package package(bytes);
  Part part;
  if (!package.Read("_rels/.rels", part)) throw std::runtime_error("the package has no relationships part");
  Relationships root;
  ParseXml(part, root);
  const std::string workbook = PartPath("", root.ByType("/officeDocument"));
  if (!package.Read(workbook, part)) throw std::runtime_error("the package has no workbook part");
  WorkbookSheets sheets;
  ParseXml(part, sheets);
  Relationships links;
  if (package.Read(RelationshipsPart(workbook), part)) ParseXml(part, links);
  for (const std::string& name : sheets.names) f.append_sheet(0, name);
  if (f.chosenIndex < 0) return;
  const std::string sheet =
      PartPath(workbook, links.ById(sheets.ids[static_cast<std::size_t>(f.chosenIndex)]));
  SharedStringTable strings(f.store);
  if (package.Read(PartPath(workbook, links.ByType("/sharedStrings")), part)) ParseXml(part, strings);
  // Numbers shown as dates come in as the dates they show.
  CellStyles styles;
  if (package.Read(PartPath(workbook, links.ByType("/styles")), part)) ParseXml(part, styles);
  if (!package.Read(sheet, part, false)) return;  // a sheet without cells
  f.store.Expect(part.Size);
  SheetCells cells(f.store, strings.strings, styles.dates, sheets.date1904);
  // A large sheet is checked on the other core while it is read.
  bool intact = true;
  std::thread check;
  try {
    if (part.Size >= (std::size_t{4} << 20))
      check = std::thread([&part, &intact] { intact = Package::Intact(part); });
    else
      intact = Package::Intact(part);
  } catch (const std::system_error&) {
    intact = Package::Intact(part);
  }
  try {
    ParseXml(part, cells);
  } catch (...) {
    if (check.joinable()) check.join();
    if (!intact) Package::Check(part);  // a damaged part, not what the damage made of it
    throw;
  }
  if (check.joinable()) check.join();
  if (!intact) Package::Check(part);
}

// ---- Reading in a child -----------------------------------------------------

enum class Outcome : std::uint32_t { Read, NotWorkbook, Encrypted, Broken, TooBig };

struct Parsed {
  explicit Parsed(const WantedSheet& wanted) : factory(wanted) {}
  Outcome outcome = Outcome::Read;
  std::string error;
  Factory factory;
};

// Everything the import library does with the bytes; may throw bad_alloc.
void Parse(std::string_view bytes, Parsed& p) {
  const auto* blob = reinterpret_cast<const unsigned char*>(bytes.data());
  bool xlsx = false, ods = false;
  try {
    xlsx = orcus::orcus_xlsx::detect(blob, bytes.size());
    ods = !xlsx && orcus::orcus_ods::detect(blob, bytes.size());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
  }
  if (!xlsx && !ods) {
    p.outcome = Outcome::NotWorkbook;
    return;
  }
  if (ods && OdsEncrypted(bytes)) {
    p.outcome = Outcome::Encrypted;
    return;
  }
  try {
    if (xlsx) {
      ReadXlsx(bytes, p.factory);
    } else {
      orcus::orcus_ods filter(&p.factory);
      filter.read_stream(bytes);
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    p.outcome = Outcome::Broken;
    p.error = e.what();
    return;
  }
  p.factory.store.Sort();
}

// What the parent works on: the child's answer, or a view of a read done here.
struct Answer {
  Outcome outcome = Outcome::Read;
  std::string error;
  std::vector<std::string> names;
  int chosen = -1;
  std::vector<Cell> cells;
  std::string_view text;
  std::string ownText;  // the texts of an answer from the child
};

void PutU32(std::string& out, std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }
void PutU64(std::string& out, std::uint64_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }
void PutText(std::string& out, std::string_view s) {
  PutU32(out, static_cast<std::uint32_t>(std::min<std::size_t>(s.size(), UINT32_MAX)));
  out.append(s.substr(0, UINT32_MAX));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, std::min<std::size_t>(size, std::size_t{1} << 20));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Closes a whole answer: with it, the parent need not wait for the child to
// end (and to give its memory back) before it goes on.
constexpr std::string_view AnswerEnd = "\nEND";

// The child's answer: outcome, error, sheet names, chosen sheet, cells, texts.
[[noreturn]] void AnswerFromChild(int fd, std::string_view bytes, const WantedSheet& wanted) {
  std::string head;
  try {
    if (WorkbookSeams().BeforeParse) WorkbookSeams().BeforeParse();
    Parsed p(wanted);
    Parse(bytes, p);
    PutU32(head, static_cast<std::uint32_t>(p.outcome));
    PutText(head, p.error);
    PutU32(head, static_cast<std::uint32_t>(p.factory.names.size()));
    for (const std::string& n : p.factory.names) PutText(head, n);
    PutU32(head, static_cast<std::uint32_t>(p.factory.chosenIndex));
    const CellStore& store = p.factory.store;
    PutU64(head, store.cells.size());
    PutU64(head, store.text.size());
    std::string length;
    PutU64(length, head.size());
    const bool ok =
        WriteAll(fd, length.data(), length.size()) && WriteAll(fd, head.data(), head.size()) &&
        WriteAll(fd, reinterpret_cast<const char*>(store.cells.data()), store.cells.size() * sizeof(Cell)) &&
        WriteAll(fd, store.text.data(), store.text.size()) &&
        WriteAll(fd, AnswerEnd.data(), AnswerEnd.size());
    ::_exit(ok ? 0 : 3);
  } catch (const std::bad_alloc&) {
    head.clear();
    PutU32(head, static_cast<std::uint32_t>(Outcome::TooBig));
    PutText(head, "");
    PutU32(head, 0);
    PutU32(head, UINT32_MAX);
    PutU64(head, 0);
    PutU64(head, 0);
    std::string length;
    PutU64(length, head.size());
    ::_exit(WriteAll(fd, length.data(), length.size()) && WriteAll(fd, head.data(), head.size()) ? 0 : 3);
  } catch (...) {
    ::_exit(4);
  }
}

class WireReader {
 public:
  explicit WireReader(std::string_view wire) : wire_(wire) {}
  bool U32(std::uint32_t& v) { return Raw(&v, sizeof v); }
  bool U64(std::uint64_t& v) { return Raw(&v, sizeof v); }
  bool Text(std::string& s) {
    std::uint32_t n = 0;
    if (!U32(n) || n > wire_.size() - at_) return false;
    s.assign(wire_.substr(at_, n));
    at_ += n;
    return true;
  }
  bool Raw(void* out, std::size_t n) {
    if (n > wire_.size() - at_) return false;
    if (n == 0) return true;  // out may be the data of an empty vector: null
    std::memcpy(out, wire_.data() + at_, n);
    at_ += n;
    return true;
  }
  std::string_view Rest() const { return wire_.substr(at_); }

 private:
  std::string_view wire_;
  std::size_t at_ = 0;
};

// The head of the answer: everything but the cells and their texts, whose
// sizes it ends with.
bool DecodeHead(std::string_view wire, Answer& a, std::uint64_t& cells, std::uint64_t& text) {
  WireReader in(wire);
  std::uint32_t outcome = 0, count = 0, chosen = 0;
  if (!in.U32(outcome) || outcome > static_cast<std::uint32_t>(Outcome::TooBig) || !in.Text(a.error) ||
      !in.U32(count))
    return false;
  a.outcome = static_cast<Outcome>(outcome);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string n;
    if (!in.Text(n)) return false;
    a.names.push_back(std::move(n));
  }
  if (!in.U32(chosen) || !in.U64(cells) || !in.U64(text) || !in.Rest().empty()) return false;
  a.chosen = chosen == UINT32_MAX ? -1 : static_cast<int>(chosen);
  return true;
}

bool CellsWithinText(const Answer& a) {
  for (const Cell& c : a.cells)
    if (c.Value.Offset > a.text.size() || c.Value.Size > a.text.size() - c.Value.Offset) return false;
  return true;
}

// A minute, and a second more for every 256 KB of the file.
int TimeoutMs(std::string_view bytes) {
  if (WorkbookSeams().TimeoutMs > 0) return WorkbookSeams().TimeoutMs;
  return 60000 + static_cast<int>(std::min<std::size_t>(bytes.size() >> 18, 1000000) * 1000);
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The wait status of a child that has ended, waiting for its end.
int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Reads exactly size bytes from a child's pipe by the deadline.
enum class PipeRead { Done, Ended, TimedOut };
PipeRead ReadExactly(int fd, char* out, std::size_t size, long long deadline) {
  while (size > 0) {
    const long long left = deadline - NowMs();
    if (left <= 0) return PipeRead::TimedOut;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
    if (ready < 0 && errno != EINTR) return PipeRead::Ended;
    if (ready <= 0) continue;
    const ssize_t n = ::read(fd, out, std::min<std::size_t>(size, std::size_t{1} << 24));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return PipeRead::Ended;
    out += n;
    size -= static_cast<std::size_t>(n);
  }
  return PipeRead::Done;
}

// Runs the library in a child and collects its answer: the head first, then
// the cells and texts straight into their places. An answer larger than the
// store's limit is refused before anything of that size is made.
WorkbookReading ReadInChild(std::string_view bytes, const WantedSheet& wanted, Answer& answer) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return WorkbookReading::InProcess;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return WorkbookReading::InProcess;
  }
  if (pid == 0) {
    ::close(fds[0]);
    const struct rlimit noCore { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &noCore);
    // Large blocks from fresh pages: the free memory of the parent's heap is
    // shared with the child until written, and reusing it copies each page.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    AnswerFromChild(fds[1], bytes, wanted);
  }
  ::close(fds[1]);
  // A larger pipe: the answer comes in fewer turns between the two.
  ::fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);
  const long long deadline = NowMs() + TimeoutMs(bytes);
  const std::size_t limit = MaxStoredBytes() + (std::size_t{64} << 20);
  bool tooBig = false, whole = false;
  PipeRead read = PipeRead::Done;
  std::uint64_t headSize = 0, cells = 0, text = 0;
  std::string head;
  if ((read = ReadExactly(fds[0], reinterpret_cast<char*>(&headSize), sizeof headSize, deadline)) ==
      PipeRead::Done) {
    if (headSize > (std::size_t{64} << 20)) {
      tooBig = true;
    } else {
      head.resize(headSize);
      read = ReadExactly(fds[0], head.data(), head.size(), deadline);
      if (read == PipeRead::Done && DecodeHead(head, answer, cells, text)) {
        if (cells > limit / sizeof(Cell) || text > limit || cells * sizeof(Cell) + text > limit) {
          tooBig = true;
        } else {
          answer.cells.reserve(cells);
          AdviseLargePages(answer.cells.data(), cells * sizeof(Cell));
          answer.cells.resize(cells);
          answer.ownText.reserve(text);
          AdviseLargePages(answer.ownText.data(), text);
          answer.ownText.resize(text);
          read = ReadExactly(fds[0], reinterpret_cast<char*>(answer.cells.data()), cells * sizeof(Cell),
                             deadline);
          if (read == PipeRead::Done) read = ReadExactly(fds[0], answer.ownText.data(), text, deadline);
          char end[AnswerEnd.size()] = {};
          whole = read == PipeRead::Done &&
                  ReadExactly(fds[0], end, sizeof end, deadline) == PipeRead::Done &&
                  std::string_view(end, sizeof end) == AnswerEnd;
        }
      }
    }
  }
  ::close(fds[0]);
  if (whole) {
    answer.text = answer.ownText;
    whole = CellsWithinText(answer);
  }
  // A whole answer of a large sheet: the child is left to give back its
  // memory on its own and is reaped beside the work that follows.
  constexpr std::uint64_t LargeAnswer = std::uint64_t{4} << 20;
  if (whole && cells * sizeof(Cell) + text >= LargeAnswer) {
    try {
      std::thread([pid] { WaitFor(pid); }).detach();
      WorkbookSeams().LastStatus = 0;
      return WorkbookReading::InChild;
    } catch (const std::system_error&) {
      // No thread to spare: wait here, as for any other answer.
    }
  }
  const bool timedOut = read == PipeRead::TimedOut;
  if (timedOut || tooBig) ::kill(pid, SIGKILL);
  const int status = WaitFor(pid);
  WorkbookSeams().LastStatus = status;
  if (tooBig) {
    answer = Answer{};
    throw std::bad_alloc();
  }
  if (timedOut) return WorkbookReading::TimedOut;
  return whole && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? WorkbookReading::InChild
                                                                : WorkbookReading::ChildFailed;
}

}  // namespace

WorkbookReaderSeams& WorkbookSeams() {
  static WorkbookReaderSeams seams;
  return seams;
}

ImportResult ReadWorkbook(std::string_view bytes, const QString& name, const TableImportOptions& options,
                          ImportedTable& table, int rowLimit) {
  ImportResult result;
  table = ImportedTable{};
  WorkbookSeams().Last = WorkbookReading::NotParsed;
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
  WantedSheet wanted;
  wanted.First = options.SheetName.isEmpty();
  bool isNumber = false;
  const int number = options.SheetName.toInt(&isNumber);
  wanted.Number = isNumber ? std::max(number, 0) : -1;
  wanted.Name = options.SheetName.toStdString();

  Answer answer;
  std::optional<Parsed> here;
  WorkbookReading reading =
      WorkbookSeams().InProcess ? WorkbookReading::InProcess : ReadInChild(bytes, wanted, answer);
  if (reading == WorkbookReading::InProcess) {
    answer = Answer{};
    here.emplace(wanted);
    Parse(bytes, *here);
    answer.outcome = here->outcome;
    answer.error = here->error;
    answer.names = here->factory.names;
    answer.chosen = here->factory.chosenIndex;
    answer.cells = std::move(here->factory.store.cells);
    answer.text = here->factory.store.text;
  }
  WorkbookSeams().Last = reading;
  if (reading == WorkbookReading::ChildFailed || reading == WorkbookReading::TimedOut) {
    result.Error = reading == WorkbookReading::TimedOut
                       ? QStringLiteral("%1 cannot be read: reading the workbook took longer than %2 s.")
                             .arg(name)
                             .arg((TimeoutMs(bytes) + 999) / 1000)
                       : QStringLiteral(
                             "%1 is a broken workbook and cannot be read: the workbook "
                             "library stopped on it.")
                             .arg(name);
    return result;
  }
  switch (answer.outcome) {
    case Outcome::Read:
      break;
    case Outcome::TooBig:
      throw std::bad_alloc();
    case Outcome::NotWorkbook:
      result.Error = QStringLiteral("%1 is not a workbook Varnel can read (.xlsx or .ods).").arg(name);
      return result;
    case Outcome::Encrypted:
      result.Error = QStringLiteral(
                         "%1 is an encrypted workbook, which Varnel cannot read.\n\rSave it without "
                         "a password first.")
                         .arg(name);
      return result;
    case Outcome::Broken: {
      // The library's message as printable text: it may quote a stray byte.
      std::string why;
      for (const char ch : answer.error)
        if (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F) why += ch;
      result.Error = QStringLiteral("%1 is a broken or encrypted workbook and cannot be read:\n\r%2")
                         .arg(name, QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())));
      return result;
    }
  }
  QStringList names;
  for (const std::string& n : answer.names)
    names << QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
  if (answer.chosen < 0 || answer.chosen >= names.size()) {
    result.Error = names.isEmpty() ? QStringLiteral("%1 holds no sheet.").arg(name)
                                   : QStringLiteral("%1 has no sheet \"%2\". Its sheets: %3.")
                                         .arg(name, options.SheetName, names.join(QStringLiteral(", ")));
    return result;
  }

  // Rows as ranges of the sorted cells: row r holds cells [start[r], start[r + 1]).
  const std::vector<Cell>& cells = answer.cells;
  const std::size_t rowCount = cells.empty() ? 0 : std::size_t{cells.back().Row} + 1;
  std::vector<std::size_t> start(rowCount + 1, 0);
  for (const Cell& c : cells) ++start[std::size_t{c.Row} + 1];
  for (std::size_t r = 0; r < rowCount; ++r) start[r + 1] += start[r];
  const auto rowWidth = [&](std::size_t r) -> std::size_t {
    return start[r + 1] > start[r] ? std::size_t{cells[start[r + 1] - 1].Col} + 1 : 0;
  };
  const auto textOf = [&](const Cell& c) { return answer.text.substr(c.Value.Offset, c.Value.Size); };

  // Detection on the sheet's first rows, as for a text table.
  TableImportOptions used = options;
  used.Separator = ',';
  used.Decimal = '.';
  std::size_t width = 0;
  for (std::size_t r = 0; r < rowCount; ++r) width = std::max(width, rowWidth(r));
  if (used.Skip < 0) {
    used.Skip = 0;
    for (std::size_t i = 0; i < rowCount && i < 200; ++i) {
      std::size_t filled = 0;
      for (std::size_t k = start[i]; k < start[i + 1]; ++k)
        if (cells[k].Value.Size > 0) ++filled;
      if (filled >= 2 && 2 * rowWidth(i) >= width) {
        used.Skip = static_cast<int>(i);
        break;
      }
    }
  }
  if (used.Header < 0) {
    auto blankRow = [&](std::size_t r) {
      for (std::size_t k = start[r]; k < start[r + 1]; ++k)
        if (textOf(cells[k]).find_first_not_of(' ') != std::string_view::npos) return false;
      return true;
    };
    std::size_t first = static_cast<std::size_t>(used.Skip);
    while (first < rowCount && blankRow(first)) ++first;
    bool allNumbers = first < rowCount, any = false;
    if (first < rowCount)
      for (std::size_t k = start[first]; k < start[first + 1]; ++k) {
        const std::string_view s = textOf(cells[k]);
        if (s.empty()) continue;
        any = true;
        if (!LooksLikeNumber(s, '.')) allNumbers = false;
      }
    used.Header = allNumbers && any ? 0 : 1;
  }
  // The width of the table: the widest row from the names down.
  width = 0;
  for (std::size_t r = static_cast<std::size_t>(used.Skip); r < rowCount; ++r)
    width = std::max(width, rowWidth(r));
  TableBuilder builder(used, rowCount, rowLimit, table, static_cast<int>(std::max<std::size_t>(width, 1)));
  std::vector<std::string_view> fields;
  for (std::size_t r = 0; r < rowCount; ++r) {
    fields.assign(rowWidth(r), std::string_view());
    for (std::size_t k = start[r]; k < start[r + 1]; ++k) fields[cells[k].Col] = textOf(cells[k]);
    if (!builder.Add(fields, r + 1)) break;
  }
  result = builder.Finish(name);
  table.Sheets = names;
  table.SheetUsed = names.value(answer.chosen);
  table.Used.SheetName = options.SheetName;
  return result;
}

}  // namespace varnel

namespace varnel {

// Most numbers of a sheet are written as they read back: short decimals such
// as 45.123. Such a text is already the one a double prints as, and parsing
// and printing it again would give the same characters, so it is kept as it
// is. A decimal of at most 15 significant digits survives the trip to a
// double and back, and no other decimal of as few digits reads as the same
// double, so its digits are the shortest ones. Printed, the number takes the
// fixed form when that is shorter than the exponent form, which is checked
// here; an integer part of at most 15 digits stays below 2^53, where the
// fixed form shows the value's own digits.
bool IsShortestNumberText(std::string_view s) {
  std::size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  const std::size_t intStart = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  const std::size_t intDigits = i - intStart;
  if (intDigits == 0 || intDigits > 15 || (intDigits > 1 && s[intStart] == '0')) return false;
  std::size_t fracDigits = 0;
  if (i < s.size()) {
    if (s[i] != '.') return false;
    const std::size_t fracStart = ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    fracDigits = i - fracStart;
    if (i != s.size() || fracDigits == 0 || s[i - 1] == '0') return false;
  }
  // Significant digits and the decimal exponent of the first of them.
  std::size_t first = intStart;
  while (first < s.size() && (s[first] == '0' || s[first] == '.')) ++first;
  if (first == s.size()) return !negative || s.size() == 2;  // "0" or "-0"
  std::size_t last = s.size();
  while (s[last - 1] == '0' || s[last - 1] == '.') --last;
  std::size_t digits = 0;
  for (std::size_t k = first; k < last; ++k) digits += s[k] != '.';
  if (digits > 15) return false;
  const long exponent =
      s[intStart] != '0' ? static_cast<long>(intDigits) - 1 : -static_cast<long>(first - intStart - 1);
  const long magnitude = exponent < 0 ? -exponent : exponent;
  const std::size_t exponentForm =
      (negative ? 1 : 0) + digits + (digits > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
  return s.size() < exponentForm;
}

}  // namespace varnel
