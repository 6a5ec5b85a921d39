#include "datasheet/datafile.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>

#include "app/reportparts.h"
#include "datasheet/sheet.h"

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

struct Warning {
  QString text;
};

// Shows warnings in order until one is answered Ignore.
void ShowWarnings(Sheet& sheet, const std::vector<Warning>& warnings) {
  for (const Warning& w : warnings)
    if (sheet.Prompt().Message(BoxKind::Warning, w.text, Button::Ok | Button::Ignore) == Button::Ignore)
      return;
}

}  // namespace

void WorkLines::SetBytes(std::string_view bytes) {
  DecodedText decoded = DecodeText(bytes);
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

bool ReadDataLines(Sheet& sheet, const std::vector<std::string_view>& lines, const ReadOptions& options) {
  SheetView& view = sheet.View();
  view.SetBusy(true);
  int n = 0;
  std::string_view nameLine;
  for (std::string_view line : lines) {
    if (IsCommentLine(line, &sheet.HeaderLine)) continue;
    if (n == 0) nameLine = line;
    ++n;
  }
  if (n <= 1) {
    view.SetBusy(false);
    sheet.Prompt().Message(
        BoxKind::Error,
        QStringLiteral("Invalid data format: Found not enough data lines.\n\rReading will be cancelled."),
        Only(Button::Ok));
    return false;
  }
  if (nameLine.find('\t') == std::string_view::npos) {
    view.SetBusy(false);
    sheet.Prompt().Message(
        BoxKind::Error,
        QStringLiteral(
            "Invalid data format: Not enough variables in first data line.\n\rReading will be cancelled."),
        Only(Button::Ok));
    return false;
  }
  const int m = static_cast<int>(std::count(nameLine.begin(), nameLine.end(), '\t')) + 1;

  // The new grid is built aside and taken over whole, so a reader never sees
  // it half filled.
  Sheet::Columns columns(static_cast<std::size_t>(m) + 1);
  for (auto& column : columns) column.resize(static_cast<std::size_t>(n));
  std::vector<Warning> warnings;
  int g = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (options.Progress && i % 10 == 0) options.Progress(static_cast<int>(i));
    const std::string_view line = lines[i];
    if (line.empty() || line[0] == ';') continue;
    Fields fields{line};
    int c = 1;
    bool cut = false;
    while (fields.hasTab()) {
      columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(g)].Assign(fields.next());
      ++c;
      if (c > m) {
        if (options.ParseWarnings)
          warnings.push_back(
              {QStringLiteral("Too many values in data line %1.\n\rExcess values will be skipped.").arg(i)});
        cut = true;
        break;
      }
    }
    if (!cut) columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(g)].Assign(fields.rest);
    if (c < m && options.ParseWarnings)
      warnings.push_back(
          {QStringLiteral("Too few values in data line %1.\n\rMissing values will be regarded as blanks.")
               .arg(i)});
    ++g;
  }
  view.SetBusy(false);
  ShowWarnings(sheet, warnings);
  sheet.AdoptGrid(std::move(columns), n);
  return true;
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

void PasteLines(Sheet& sheet, const std::vector<std::string_view>& lines, int left, int top, int right,
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
  const bool single = lines.size() == 1;
  int k = 0;
  int lastCol = left;
  for (std::size_t j = 0; j < lines.size(); ++j) {
    const int r = top + static_cast<int>(j);
    if (r > sheet.RowCount() - 1) {
      warning(QStringLiteral(
          "Pasted data lines exceed current DataSheet size.\n\rExcess lines will be skipped."));
      break;
    }
    const std::string_view line = lines[j];
    k = static_cast<int>(std::count(line.begin(), line.end(), '\t')) + 1;
    if (single && k == 1) {
      for (int rr = top; rr <= std::min(bottom, sheet.RowCount() - 1); ++rr)
        for (int cc = left; cc <= std::min(right, sheet.ColCount() - 1); ++cc) sheet.SetCell(cc, rr, line);
      lastCol = right;
      break;
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
  }
  sheet.Saved = false;
  sheet.Blank = false;
  view.CellsChanged(left, top, std::max(lastCol, right),
                    std::max(bottom, top + static_cast<int>(lines.size()) - 1));
  view.UpdateCommands();
  if (sheet.Connected) {
    if (top == 0)
      for (int c = left; c <= std::min(left + k - 1, sheet.ColCount() - 1); ++c)
        sheet.RenameGraphVariable(c, std::string(sheet.Name(c)));
    sheet.RefreshGraphSelectors();
  }
  view.SetBusy(false);
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

std::string EncodeForFile(const std::string& utf8, TextEncoding wanted, TextEncoding* used) {
  if (wanted != TextEncoding::Windows1252) {
    if (used) *used = wanted;
    if (wanted == TextEncoding::Utf8Bom) return "\xEF\xBB\xBF" + utf8;
    return utf8;
  }
  return EncodeText(utf8, wanted, used);
}

}  // namespace varnel
