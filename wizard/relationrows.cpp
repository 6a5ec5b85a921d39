#include "wizard/relationrows.h"

#include <charconv>
#include <cmath>

#include "core/numbertext.h"
#include "wizard/relations.h"

namespace varnel {
namespace {

// A coefficient as the report prints it, without the leading space of the
// styles.
void AppendCoefficient(std::string& out, Real v, bool whole, int style, char separator) {
  if (whole) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::llround(v));
    out.append(buf, res.ptr);
    return;
  }
  const std::size_t from = out.size();
  AppendFNumber(out, style, v, separator);
  if (out.size() > from && out[from] == ' ') out.erase(from, 1);
}

// A text field of a delimited row: TSV cannot quote, so its separators become
// spaces; CSV quotes a field that holds the delimiter, a quote, a line break
// or an edge space.
void AppendTextField(std::string& out, RowFormat format, std::string_view text, char delimiter) {
  if (format == RowFormat::Tsv) {
    for (const char ch : text) out += ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch;
    return;
  }
  const bool quote = text.find_first_of(std::string{delimiter, '"', '\n', '\r'}) != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) {
    out += text;
    return;
  }
  out += '"';
  for (const char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

void AppendSelection(std::string& out, std::span<const int> removed, std::string_view between) {
  for (std::size_t k = 0; k < removed.size(); ++k) {
    if (k > 0) out += between;
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, removed[k]);
    out.append(buf, res.ptr);
  }
}

}  // namespace

char CsvDelimiter(char decimalSeparator) { return decimalSeparator == ',' ? ';' : ','; }

void AppendJsonString(std::string& out, std::string_view text) {
  static const char Hex[] = "0123456789abcdef";
  out += '"';
  for (const char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (u < 0x20 || u == 0x7f) {
          out += "\\u00";
          out += Hex[u >> 4];
          out += Hex[u & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

std::string RowsHeader(RowFormat format, const std::vector<std::string>& names, int setCount,
                       char decimalSeparator) {
  if (format != RowFormat::Tsv && format != RowFormat::Csv) return {};
  const char delimiter = format == RowFormat::Tsv ? '\t' : CsvDelimiter(decimalSeparator);
  std::string out = "selection";
  out += delimiter;
  out += "degenerate";
  out += delimiter;
  out += "rank";
  for (int c = 1; c <= setCount; ++c) {
    out += delimiter;
    AppendTextField(out, format,
                    static_cast<std::size_t>(c) < names.size() ? names[static_cast<std::size_t>(c)] : "",
                    delimiter);
  }
  return out;
}

void AppendRelationRow(std::string& out, RowFormat format, const RelationRecord& r,
                       const std::vector<std::string>& names, int setCount, const RelationFormat& relation) {
  auto name = [&](int c) -> std::string_view {
    return static_cast<std::size_t>(c) < names.size() ? names[static_cast<std::size_t>(c)]
                                                      : std::string_view();
  };
  if (format == RowFormat::Json) {
    out += "{\"selection\":[";
    AppendSelection(out, r.Removed, ",");
    out += "],\"error\":";
    out += r.Error ? "true" : "false";
    if (!r.Error) {
      out += ",\"degenerate\":";
      out += r.Degenerate ? "true" : "false";
      out += ",\"rank\":";
      char buf[16];
      const auto res = std::to_chars(buf, buf + sizeof buf, r.Rank);
      out.append(buf, res.ptr);
    }
    out += ",\"phases\":[";
    bool first = true;
    for (std::size_t k = 0; k < r.Members.size() && k < r.X.size(); ++k) {
      const Real v = r.X[k];
      if (v == 0 || !std::isfinite(v)) continue;
      // What prints as zero is no term of the relation.
      std::string number;
      AppendCoefficient(number, v, r.Whole, relation.Style, '.');
      if (number.find_first_of("123456789") == std::string::npos) continue;
      if (!first) out += ',';
      first = false;
      out += "{\"name\":";
      AppendJsonString(out, name(r.Members[k]));
      out += ",\"coefficient\":";
      out += number;
      out += '}';
    }
    out += "]}";
    return;
  }
  const char delimiter = format == RowFormat::Tsv ? '\t' : CsvDelimiter(relation.DecimalSeparator);
  out += '[';
  AppendSelection(out, r.Removed, ", ");
  out += ']';
  if (format == RowFormat::Csv) {
    // "[1, 3]" holds the comma: quoted as a whole.
    const std::size_t open = out.rfind('[');
    if (r.Removed.size() > 1 && delimiter == ',') {
      out.insert(open, 1, '"');
      out += '"';
    }
  }
  out += delimiter;
  if (r.Error) {
    out += "error";
    out += delimiter;
  } else {
    out += r.Degenerate ? "yes" : "no";
    out += delimiter;
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, r.Rank);
    out.append(buf, res.ptr);
  }
  std::size_t next = 0;
  for (int c = 1; c <= setCount; ++c) {
    out += delimiter;
    if (r.Error) continue;
    Real v = 0;
    if (next < r.Members.size() && r.Members[next] == c) v = r.X[next++];
    AppendCoefficient(out, v, r.Whole, relation.Style, relation.DecimalSeparator);
  }
}

}  // namespace varnel
