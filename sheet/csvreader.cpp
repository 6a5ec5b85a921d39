#include "sheet/csvreader.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <map>

#include "app/textcodec.h"

namespace varnel {
namespace {

// Enough of a file to judge its layout by.
inline constexpr std::size_t SampleBytes = 256 * 1024;
inline constexpr int SampleRecords = 200;

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto a = static_cast<unsigned char>(bytes[2 * i]);
    const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  }
  const QByteArray utf8 = QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

bool BlankRecord(const std::vector<std::string_view>& fields) {
  for (std::string_view f : fields)
    if (f.find_first_not_of(' ') != std::string_view::npos) return false;
  return true;
}

// The records of the start of the text; an unclosed quote ends the sample.
std::vector<std::vector<std::string>> SampleRecordsOf(std::string_view text, char separator) {
  std::vector<std::vector<std::string>> records;
  RecordReader reader(text.substr(0, std::min(text.size(), SampleBytes)), separator);
  std::vector<std::string_view> fields;
  try {
    while (static_cast<int>(records.size()) < SampleRecords && reader.Next(fields))
      records.emplace_back(fields.begin(), fields.end());
  } catch (const TableError&) {
  }
  // A record cut by the end of the sample is incomplete.
  if (text.size() > SampleBytes && !records.empty()) records.pop_back();
  return records;
}

// The most common number of fields among records that are not blank (the
// larger one on a tie), and how many records have it.
std::pair<std::size_t, int> Mode(const std::vector<std::vector<std::string>>& records) {
  std::map<std::size_t, int> counts;
  for (const auto& r : records) {
    bool blank = true;
    for (const std::string& f : r)
      if (f.find_first_not_of(' ') != std::string::npos) blank = false;
    if (!blank) ++counts[r.size()];
  }
  std::pair<std::size_t, int> best{0, 0};
  for (const auto& [width, n] : counts)
    if (n >= best.second) best = {width, n};
  return best;
}

}  // namespace

ImportResult DecodeTableText(std::string_view bytes, const QString& name, DecodedTable& out) {
  ImportResult result;
  out = DecodedTable{};
  auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (starts("\xEF\xBB\xBF")) {
    const std::string_view rest = bytes.substr(3);
    out.EncodingName = QStringLiteral("UTF-8 with byte-order mark");
    if (IsValidUtf8(rest)) {
      out.Text = rest;
    } else {
      const QByteArray fixed = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size())).toUtf8();
      out.Owned.assign(fixed.constData(), static_cast<std::size_t>(fixed.size()));
      out.Text = out.Owned;
    }
  } else if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
    const bool big = bytes[0] == '\xFE';
    out.EncodingName = big ? QStringLiteral("UTF-16 (big-endian)") : QStringLiteral("UTF-16");
    out.Owned = Utf16ToUtf8(bytes.substr(2), big);
    out.Text = out.Owned;
  } else if (IsValidUtf8(bytes)) {
    out.EncodingName = QStringLiteral("UTF-8");
    out.Text = bytes;
  } else {
    out.EncodingName = QStringLiteral("Windows-1252");
    out.Owned = Windows1252ToUtf8(bytes);
    out.Text = out.Owned;
  }
  if (const void* nul = std::memchr(out.Text.data(), '\0', out.Text.size())) {
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nul) - out.Text.data());
    const std::size_t line =
        static_cast<std::size_t>(
            std::count(out.Text.begin(), out.Text.begin() + static_cast<std::ptrdiff_t>(at), '\n')) +
        1;
    result.Error = QStringLiteral("%1 is not a text table: line %2 holds a NUL byte.").arg(name).arg(line);
    out = DecodedTable{};
    return result;
  }
  result.Ok = true;
  return result;
}

std::string& RecordReader::Scratch() {
  if (scratchUsed_ == scratch_.size()) scratch_.emplace_back();
  std::string& s = scratch_[scratchUsed_++];
  s.clear();
  return s;
}

std::string_view RecordReader::QuotedField() {
  const std::size_t openLine = line_;
  const std::size_t n = text_.size();
  std::size_t p = pos_ + 1;
  const std::size_t start = p;
  std::string* buffer = nullptr;
  std::size_t end = 0;
  for (;;) {
    const void* hit = p < n ? std::memchr(text_.data() + p, '"', n - p) : nullptr;
    if (!hit)
      throw TableError{QStringLiteral("Unbalanced quotes: the quoted field that opens in line %1 is never "
                                      "closed.")
                           .arg(openLine)};
    const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
    for (std::size_t k = p; k < q; ++k)
      if (text_[k] == '\n' || (text_[k] == '\r' && (k + 1 >= n || text_[k + 1] != '\n'))) ++line_;
    if (q + 1 < n && text_[q + 1] == '"') {
      if (!buffer) buffer = &Scratch();
      buffer->append(text_.data() + p, q + 1 - p);
      p = q + 2;
    } else {
      end = q;
      if (buffer) buffer->append(text_.data() + p, q - p);
      p = q + 1;
      break;
    }
    if (buffer && buffer->size() > MaxCellBytes)
      throw TableError{QStringLiteral("Line %1 holds a cell of more than %2 bytes: this is not a table of "
                                      "analyses.")
                           .arg(openLine)
                           .arg(MaxCellBytes)};
  }
  // Text after the closing quote (a stray quote in a sloppy file) is kept.
  std::size_t e = p;
  while (e < n && text_[e] != separator_ && text_[e] != '\n' && text_[e] != '\r') ++e;
  std::string_view field;
  if (e > p || buffer) {
    if (!buffer) {
      buffer = &Scratch();
      buffer->assign(text_.data() + start, end - start);
    }
    buffer->append(text_.data() + p, e - p);
    field = *buffer;
  } else {
    field = text_.substr(start, end - start);
  }
  pos_ = e;
  return field;
}

bool RecordReader::Next(std::vector<std::string_view>& fields) {
  fields.clear();
  scratchUsed_ = 0;
  const std::size_t n = text_.size();
  if (pos_ >= n) return false;
  recordLine_ = line_;
  for (;;) {
    std::string_view field;
    if (pos_ < n && text_[pos_] == '"') {
      field = QuotedField();
    } else {
      std::size_t e = pos_;
      const char* d = text_.data();
      const char sep = separator_;
      while (e < n) {
        const char c = d[e];
        if (c == sep || c == '\n' || c == '\r') break;
        ++e;
      }
      field = text_.substr(pos_, e - pos_);
      pos_ = e;
    }
    if (field.size() > MaxCellBytes)
      throw TableError{QStringLiteral("Line %1 holds a cell of more than %2 bytes: this is not a table of "
                                      "analyses.")
                           .arg(line_)
                           .arg(MaxCellBytes)};
    fields.push_back(field);
    if (pos_ >= n) return true;
    const char c = text_[pos_++];
    if (c == separator_) {
      if (pos_ >= n) {
        fields.emplace_back();
        return true;
      }
      continue;
    }
    if (c == '\r' && pos_ < n && text_[pos_] == '\n') ++pos_;
    ++line_;
    return true;
  }
}

void DetectTextOptions(std::string_view text, TableImportOptions& options) {
  std::vector<std::vector<std::string>> records;
  if (options.Separator == 0) {
    // The separator that splits the most records into the same number of
    // fields, more than one; tab, then semicolon, then comma on a tie.
    char best = ',';
    int bestScore = -1;
    std::size_t bestWidth = 0;
    for (const char candidate : {'\t', ';', ','}) {
      auto sample = SampleRecordsOf(text, candidate);
      const auto [width, n] = Mode(sample);
      const int score = width > 1 ? n : 0;
      if (score > bestScore || (score == bestScore && score > 0 && width > bestWidth)) {
        best = candidate;
        bestScore = score;
        bestWidth = width;
        records = std::move(sample);
      }
    }
    options.Separator = best;
  } else {
    records = SampleRecordsOf(text, options.Separator);
  }
  const std::size_t width = Mode(records).first;
  if (options.Skip < 0) {
    // Title lines above the table have far fewer fields than its rows.
    options.Skip = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const bool blank = BlankRecord(std::vector<std::string_view>(records[i].begin(), records[i].end()));
      if (!blank && records[i].size() >= 2 && 2 * records[i].size() >= width) {
        options.Skip = static_cast<int>(i);
        break;
      }
    }
  }
  std::size_t first = static_cast<std::size_t>(std::max(options.Skip, 0));
  while (first < records.size() &&
         BlankRecord(std::vector<std::string_view>(records[first].begin(), records[first].end())))
    ++first;
  if (options.Decimal == 0) {
    // A field such as "45,3" reads only with a decimal comma, "45.3" only
    // with a point; the more common of the two wins.
    long long points = 0, commas = 0;
    for (std::size_t i = first; i < records.size(); ++i)
      for (const std::string& field : records[i]) {
        // "<0,01" tells the mark as well as "0,01".
        const std::string_view f =
            !field.empty() && field[0] == '<' ? std::string_view(field).substr(1) : field;
        const bool p = LooksLikeNumber(f, '.'), c = LooksLikeNumber(f, ',');
        if (p && !c) ++points;
        if (c && !p) ++commas;
      }
    options.Decimal = commas > points ? ',' : '.';
  }
  if (options.Header < 0) {
    // Names unless the first row is all numbers.
    bool allNumbers = first < records.size();
    bool any = false;
    if (first < records.size())
      for (const std::string& f : records[first]) {
        if (f.find_first_not_of(' ') == std::string::npos) continue;
        any = true;
        if (!LooksLikeNumber(f, options.Decimal)) allNumbers = false;
      }
    options.Header = (allNumbers && any) ? 0 : 1;
  }
}

ImportResult ReadTextTable(std::string_view text, const TableImportOptions& options, const QString& name,
                           ImportedTable& table, int rowLimit,
                           const std::function<void(std::size_t)>& released) {
  // Room for every line: a little more than the records, never less.
  std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  if (lines == 0) lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
  if (released) released(text.size());
  TableBuilder builder(options, lines + 1, rowLimit, table);
  RecordReader reader(text, options.Separator);
  std::vector<std::string_view> fields;
  std::size_t releasedUpTo = 0;
  constexpr std::size_t ReleaseStep = std::size_t{8} << 20;
  try {
    while (reader.Next(fields)) {
      if (!builder.Add(fields, reader.Line())) break;
      if (released && reader.Position() >= releasedUpTo + ReleaseStep) {
        releasedUpTo = reader.Position();
        released(releasedUpTo);
      }
    }
  } catch (const TableError& e) {
    table = ImportedTable{};
    return ImportResult{false, name + QStringLiteral(": ") + e.Text};
  }
  return builder.Finish(name);
}

}  // namespace varnel
