#include "sheet/datafile.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <optional>

#include "app/linefile.h"
#include "app/reportparts.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

QString ShortName(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash >= 0 ? path.mid(slash + 1) : path;
}

// One field after another, split at TAB.
struct Fields {
  std::string_view rest;
  bool hasTab() const { return rest.find('\t') != std::string_view::npos; }
  std::string_view next() {
    const std::size_t tab = rest.find('\t');
    const std::string_view field = rest.substr(0, tab);
    rest.remove_prefix(tab + 1);
    return field;
  }
};

// The first warnings of a reading and the number of the others: a file of
// millions of bad lines must not need a text for each.
struct Warnings {
  std::vector<QString> shown;
  long long more = 0;

  void Add(const QString& text) {
    if (shown.size() < static_cast<std::size_t>(MaxShownWarnings))
      shown.push_back(text);
    else
      ++more;
  }
};

// Shows warnings in order until one is answered Ignore, then how many more
// there were.
void ShowWarnings(Sheet& sheet, const Warnings& warnings) {
  for (const QString& text : warnings.shown)
    if (sheet.Prompt().Message(BoxKind::Warning, text, Button::Ok | Button::Ignore) == Button::Ignore) return;
  if (warnings.more > 0)
    sheet.Prompt().Message(BoxKind::Warning,
                           QStringLiteral("... and %1 more warnings of the same kinds.").arg(warnings.more),
                           Only(Button::Ok));
}

// Undoes a busy cursor however the reading ends.
struct BusyWhileReading {
  explicit BusyWhileReading(SheetView& v) : view(v) { view.SetBusy(true); }
  ~BusyWhileReading() {
    if (busy) view.SetBusy(false);
  }
  void Done() {
    view.SetBusy(false);
    busy = false;
  }
  SheetView& view;
  bool busy = true;
};

}  // namespace

void WorkLines::SetBytes(std::string_view bytes) {
  DecodedText decoded = DecodeText(bytes);
  encoding = decoded.encoding;
  text = std::move(decoded.utf8);
  lines = SplitLines(text);
}

void WorkLines::SetBytes(std::string&& bytes) {
  lines.clear();
  DecodedText decoded = DecodeTextInPlace(std::move(bytes));
  encoding = decoded.encoding;
  text = std::move(decoded.utf8);
  lines = SplitLines(text);
}

void WorkLines::SetText(std::string utf8) {
  encoding = TextEncoding::Utf8;
  const std::size_t nul = utf8.find('\0');
  if (nul != std::string::npos) utf8.resize(nul);
  text = std::move(utf8);
  lines = SplitLines(text);
}

bool IsCommentLine(std::string_view line, QString* description) {
  if (line.empty()) return true;
  if (line[0] != ';') return false;
  if (line.size() >= 2 && line[1] == ';' && description) {
    const std::string_view rest = line.substr(2);
    *description = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
  }
  return true;
}

namespace {

// Every line of a text in order, already UTF-8, given to a visitor; false
// when the lines could not be read.
using LineSource = std::function<bool(const LineVisitor&)>;

// Raised when a second pass over a file does not find what the first found.
struct FileChanged {};

// The grid is built in two passes over the lines, one to learn its size
// and one to fill it, so that no line needs to be kept between them: a
// file can then be read in pieces, in little more than the grid's memory.
// On success the sheet adopts the grid; on any failure it is untouched.
bool ReadGrid(Sheet& sheet, const LineSource& source, const ReadOptions& options) {
  BusyWhileReading busy(sheet.View());
  std::size_t n = 0;
  int m = 0;
  bool nameHasTab = false;
  QString description = sheet.HeaderLine;
  if (!source([&](std::string_view line, std::size_t) {
        if (IsCommentLine(line, &description)) return true;
        if (n == 0) {
          nameHasTab = line.find('\t') != std::string_view::npos;
          m = static_cast<int>(std::min<std::size_t>(std::count(line.begin(), line.end(), '\t') + 1,
                                                     static_cast<std::size_t>(INT_MAX - 1)));
        }
        ++n;
        return true;
      }))
    return false;
  if (n <= 1) {
    busy.Done();
    sheet.Prompt().Message(
        BoxKind::Error,
        QStringLiteral("Invalid data format: Found not enough data lines.\n\rReading will be cancelled."),
        Only(Button::Ok));
    return false;
  }
  if (!nameHasTab) {
    busy.Done();
    sheet.Prompt().Message(
        BoxKind::Error,
        QStringLiteral(
            "Invalid data format: Not enough variables in first data line.\n\rReading will be cancelled."),
        Only(Button::Ok));
    return false;
  }
  // The new grid is built aside and taken over whole, so a reader never sees
  // it half filled.
  if (n > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
  const std::size_t cells = (static_cast<std::size_t>(m) + 1) * n;
  if (cells / n != static_cast<std::size_t>(m) + 1 || cells > MemoryWithinReach() / sizeof(CellText))
    throw std::bad_alloc();
  Sheet::Columns columns(static_cast<std::size_t>(m) + 1);
  for (auto& column : columns) column.resize(n);
  Warnings warnings;
  std::size_t g = 0;
  if (!source([&](std::string_view line, std::size_t i) {
        if (options.Progress && i % 10 == 0)
          options.Progress(static_cast<int>(std::min<std::size_t>(i, INT_MAX)));
        if (line.empty() || line[0] == ';') return true;
        if (g >= n || (g == 0 && std::count(line.begin(), line.end(), '\t') + 1 != m)) throw FileChanged{};
        Fields fields{line};
        int c = 1;
        bool cut = false;
        while (fields.hasTab()) {
          columns[static_cast<std::size_t>(c)][g].Assign(fields.next());
          ++c;
          if (c > m) {
            if (options.ParseWarnings)
              warnings.Add(
                  QStringLiteral("Too many values in data line %1.\n\rExcess values will be skipped.")
                      .arg(i));
            cut = true;
            break;
          }
        }
        if (!cut) columns[static_cast<std::size_t>(c)][g].Assign(fields.rest);
        if (c < m && options.ParseWarnings)
          warnings.Add(
              QStringLiteral("Too few values in data line %1.\n\rMissing values will be regarded as blanks.")
                  .arg(i));
        ++g;
        return true;
      }))
    return false;
  if (g != n) throw FileChanged{};
  busy.Done();
  ShowWarnings(sheet, warnings);
  sheet.HeaderLine = description;
  sheet.AdoptGrid(std::move(columns), static_cast<int>(n));
  return true;
}

}  // namespace

bool ReadDataLines(Sheet& sheet, const std::vector<std::string_view>& lines, const ReadOptions& options) {
  return ReadGrid(
      sheet,
      [&](const LineVisitor& visit) {
        for (std::size_t i = 0; i < lines.size(); ++i)
          if (!visit(lines[i], i)) break;
        return true;
      },
      options);
}

bool DataFileLines::Open(Sheet& sheet, const QString& path, std::size_t pieceSize) {
  path_ = path;
  file_.ChunkSize = std::max<std::size_t>(pieceSize, 1);
  if (!file_.Open(path, &error_)) {
    sheet.Prompt().FileError(error_);
    return false;
  }
  // First the encoding, which only the whole file tells, and whether the
  // file is text at all: a NUL would cut it short without a word.
  bool bom = false;
  bool utf8 = true;
  std::optional<std::size_t> nulLine;
  lineCount_ = 0;
  if (!file_.ForEachLine(
          [&](std::string_view line, std::size_t i) {
            if (i == 0 && line.size() >= 3 && line.substr(0, 3) == "\xEF\xBB\xBF") bom = true;
            if (line.find('\0') != std::string_view::npos) {
              nulLine = i + 1;
              return false;
            }
            if (utf8 && !IsValidUtf8(line)) utf8 = false;
            lineCount_ = i + 1;
            return true;
          },
          &error_)) {
    sheet.Prompt().FileError(error_);
    return false;
  }
  if (nulLine) {
    sheet.Prompt().FileError(
        QStringLiteral("Cannot read \"%1\": line %2 holds a NUL character, so it is not a text file."
                       "\n\rNothing was loaded.")
            .arg(QDir::toNativeSeparators(path))
            .arg(*nulLine));
    return false;
  }
  encoding_ = !utf8 ? TextEncoding::Windows1252 : bom ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
  return true;
}

bool DataFileLines::ForEachLine(const LineVisitor& visit) {
  return file_.ForEachLine(
      [&](std::string_view line, std::size_t i) {
        if (encoding_ == TextEncoding::Windows1252) {
          decoded_ = Windows1252ToUtf8(line);
          line = decoded_;
        } else if (i == 0 && encoding_ == TextEncoding::Utf8Bom) {
          line.remove_prefix(3);
        }
        return visit(line, i);
      },
      &error_);
}

void DataFileLines::TellChanged(Sheet& sheet) const {
  sheet.Prompt().FileError(QStringLiteral("Cannot read \"%1\": the file changed while it was being read."
                                          "\n\rNothing was loaded.")
                               .arg(QDir::toNativeSeparators(path_)));
}

bool ReadDataFile(Sheet& sheet, const QString& path, const ReadOptions& options, TextEncoding* encoding) {
  DataFileLines file;
  if (!file.Open(sheet, path, options.PieceSize)) return false;
  if (options.LinesCounted) options.LinesCounted(file.LineCount());
  try {
    if (!ReadGrid(
            sheet, [&](const LineVisitor& visit) { return file.ForEachLine(visit); }, options)) {
      if (!file.Error().isEmpty()) sheet.Prompt().FileError(file.Error());
      return false;
    }
    if (!file.Unchanged()) throw FileChanged{};
  } catch (const FileChanged&) {
    file.TellChanged(sheet);
    return false;
  }
  if (encoding) *encoding = file.Encoding();
  return true;
}

bool PastableText(Sheet& sheet, std::string_view text) {
  const std::optional<std::size_t> line = NulLine(text);
  if (!line) return true;
  sheet.Prompt().Message(BoxKind::Error,
                         QStringLiteral("The text on the clipboard holds a NUL character in line %1, so it "
                                        "is not text.\n\rNothing was pasted.")
                             .arg(*line),
                         Only(Button::Ok));
  return false;
}

void GridToLines(const Sheet& sheet, int left, int top, int right, int bottom, std::string& out) {
  for (int r = top; r <= bottom; ++r) {
    for (int c = left; c <= right; ++c) {
      if (c > left) out.push_back('\t');
      out.append(sheet.Cell(c, r));
    }
    out.append("\r\n");
  }
}

namespace {

// Pastes count lines, given one after another by source, from (left, top).
void PasteFrom(Sheet& sheet, std::size_t count, const LineSource& source, int left, int top, int right,
               int bottom) {
  SheetView& view = sheet.View();
  view.SetBusy(true);
  view.EndCellEdit();
  bool warn = sheet.Prefs.ParseWarnings;
  auto warning = [&](const QString& text) {
    if (!warn) return;
    view.SetBusy(false);
    if (sheet.Prompt().Message(BoxKind::Warning, text, Button::Ok | Button::Ignore) == Button::Ignore)
      warn = false;
    view.SetBusy(true);
  };
  const bool single = count == 1;
  int k = 0;
  int lastCol = left;
  std::size_t j = 0;
  source([&](std::string_view line, std::size_t) {
    if (j >= count) return false;
    const int r = top + static_cast<int>(j++);
    if (r > sheet.RowCount() - 1) {
      warning(QStringLiteral(
          "Pasted data lines exceed current DataSheet size.\n\rExcess lines will be skipped."));
      return false;
    }
    k = static_cast<int>(std::count(line.begin(), line.end(), '\t')) + 1;
    if (single && k == 1) {
      for (int rr = top; rr <= std::min(bottom, sheet.RowCount() - 1); ++rr)
        for (int cc = left; cc <= std::min(right, sheet.ColCount() - 1); ++cc) sheet.SetCell(cc, rr, line);
      lastCol = right;
      return false;
    }
    Fields fields{line};
    int c = left;
    bool cut = false;
    while (fields.hasTab()) {
      sheet.SetCell(c, r, fields.next());
      ++c;
      if (c > sheet.ColCount() - 1) {
        warning(
            QStringLiteral(
                "Number of values in row %1 exceed current DataSheetSize.\n\rExcess values will be skipped.")
                .arg(r));
        cut = true;
        break;
      }
    }
    if (!cut) sheet.SetCell(c, r, fields.rest);
    lastCol = std::max(lastCol, std::min(c, sheet.ColCount() - 1));
    return true;
  });
  sheet.Saved = false;
  sheet.Blank = false;
  view.CellsChanged(left, top, std::max(lastCol, right),
                    std::max(bottom, top + static_cast<int>(std::min<std::size_t>(count, INT_MAX / 2)) - 1));
  view.UpdateCommands();
  if (sheet.Connected) {
    if (top == 0)
      for (int c = left; c <= std::min(left + k - 1, sheet.ColCount() - 1); ++c)
        sheet.RenameGraphVariable(c, std::string(sheet.Name(c)));
    sheet.RefreshGraphSelectors();
  }
  view.SetBusy(false);
}

}  // namespace

void PasteLines(Sheet& sheet, const std::vector<std::string_view>& lines, int left, int top, int right,
                int bottom) {
  PasteFrom(
      sheet, lines.size(),
      [&](const LineVisitor& visit) {
        for (std::size_t i = 0; i < lines.size(); ++i)
          if (!visit(lines[i], i)) break;
        return true;
      },
      left, top, right, bottom);
}

bool PasteDataLines(Sheet& sheet, DataFileLines& file, std::size_t count, int left, int top, int right,
                    int bottom) {
  bool read = true;
  PasteFrom(
      sheet, count,
      [&](const LineVisitor& visit) {
        std::size_t j = 0;
        read = file.ForEachLine([&](std::string_view line, std::size_t) {
          if (IsCommentLine(line, nullptr)) return true;
          return visit(line, j++);
        });
        return read;
      },
      left, top, right, bottom);
  return read && file.Unchanged();
}

std::string SavedFileFirstLine(const QString& fileName, const QDateTime& when, int cases, int variables) {
  return Utf8(QStringLiteral("; ") + ShortName(fileName) + QStringLiteral(" - VarnelData: Last saved on ") +
              DateTimeText(when) + QStringLiteral(" Cases: ") + QString::number(cases) +
              QStringLiteral(" Variables: ") + QString::number(variables));
}

std::string DataFileText(const Sheet& sheet, const QString& fileName, const QDateTime& when) {
  std::string out;
  // Cells, tabs and line breaks: reserve once.
  std::size_t estimate = 256;
  for (int c = 1; c < sheet.ColCount(); ++c)
    for (int r = 0; r < sheet.RowCount(); ++r) estimate += sheet.Cell(c, r).size() + 1;
  out.reserve(estimate + static_cast<std::size_t>(sheet.RowCount()) * 2);
  out += SavedFileFirstLine(fileName, when, sheet.CaseCount(), sheet.VariableCount());
  out += "\r\n;;";
  out += Utf8(sheet.HeaderLine);
  out += "\r\n";
  GridToLines(sheet, 1, 0, sheet.ColCount() - 1, sheet.RowCount() - 1, out);
  return out;
}

std::string EncodeForFile(std::string utf8, TextEncoding wanted, TextEncoding* used) {
  if (wanted != TextEncoding::Windows1252) {
    if (used) *used = wanted;
    if (wanted == TextEncoding::Utf8Bom) utf8.insert(0, "\xEF\xBB\xBF");
    return utf8;
  }
  return EncodeText(utf8, wanted, used);
}

}  // namespace varnel
