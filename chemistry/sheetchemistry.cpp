#include "chemistry/sheetchemistry.h"

#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <exception>
#include <functional>
#include <thread>

#include "app/prompter.h"
#include "app/reporttarget.h"
#include "chemistry/formula.h"
#include "chemistry/oxides.h"
#include "core/numberread.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

const QString LineBreak = QStringLiteral("\n\r");

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A cell as a double; NaN when it is not a number or lies beyond the range
// of a double.
double CellValue(std::string_view text, char sep) {
  Real v;
  if (!ReadNumber(text, sep, v)) return std::nan("");
  const double d = static_cast<double>(v);
  return std::isfinite(d) ? d : std::nan("");
}

// Marks that analyses use for "below detection" or "not determined".
bool IsDetectionMark(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return false;
  if (text.front() == '<') return true;
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* m : {"n.d.", "n.d", "nd", "bdl", "b.d.l.", "b.d.l", "bd", "b.d.", "-", "--", "n.a.", "na"})
    if (s == m) return true;
  return false;
}

// How many parts InParts cuts count rows into: one per core for large counts.
std::size_t PartsFor(std::size_t count) {
  return count < 20000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
}

// Runs work(part, first, last) over PartsFor(count) parts of [0, count), each
// on a thread of its own. An exception in any part is rethrown.
template <typename Work>
void InParts(std::size_t count, const Work& work) {
  const std::size_t parts = PartsFor(count);
  const std::size_t step = (count + parts - 1) / std::max<std::size_t>(parts, 1);
  std::vector<std::exception_ptr> errors(parts);
  std::vector<std::thread> running;
  const auto run = [&work, &errors, step, count](std::size_t part) {
    try {
      const std::size_t first = std::min(count, part * step);
      work(part, first, std::min(count, first + step));
    } catch (...) {
      errors[part] = std::current_exception();
    }
  };
  for (std::size_t p = 1; p < parts; ++p) running.emplace_back(run, p);
  run(0);
  for (std::thread& t : running) t.join();
  for (const std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
}

// Recalculate on the machine's cores: each part of the rows on its own (the
// rows do not depend on each other), then joined in order.
RecalcResult RecalculateInParts(const RecalcInput& input, const RecalcOptions& options) {
  const std::size_t rows = static_cast<std::size_t>(std::max(input.Rows, 0));
  const std::size_t nc = input.Components.size();
  if (PartsFor(rows) == 1 || nc == 0) return Recalculate(input, options);
  std::vector<RecalcResult> results(PartsFor(rows));
  InParts(rows, [&](std::size_t part, std::size_t first, std::size_t last) {
    RecalcInput slice;
    slice.Components = input.Components;
    slice.Rows = static_cast<int>(last - first);
    slice.Values.assign(input.Values.begin() + static_cast<std::ptrdiff_t>(first * nc),
                        input.Values.begin() + static_cast<std::ptrdiff_t>(last * nc));
    results[part] = Recalculate(slice, options);
  });
  RecalcResult r = std::move(results[0]);
  for (std::size_t p = 1; p < results.size(); ++p) {
    RecalcResult& next = results[p];
    for (std::size_t k = 0; k < r.Columns.size(); ++k)
      r.Columns[k].Values.insert(r.Columns[k].Values.end(), next.Columns[k].Values.begin(),
                                 next.Columns[k].Values.end());
    r.Skipped.insert(r.Skipped.end(), next.Skipped.begin(), next.Skipped.end());
    r.NotANumber += next.NotANumber;
    r.Negative += next.Negative;
    r.NoOxides += next.NoOxides;
    r.ClampedAtZero += next.ClampedAtZero;
    r.ClampedAtTotalFe += next.ClampedAtTotalFe;
    r.EmptyMgNumber += next.EmptyMgNumber;
    r.EmptyAfm += next.EmptyAfm;
  }
  return r;
}

// A result's text, as ResultStyle::Text writes it, straight into its cell.
void WriteResult(double value, const ResultStyle& style, CellText& cell) {
  if (style.Decimals >= 0) {
    cell.Assign(style.Text(value));
    return;
  }
  if (value == 0) value = 0;  // no "-0"
  char buffer[64];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (style.Separator != '.')
    for (char* p = buffer; p < r.ptr; ++p)
      if (*p == '.') *p = style.Separator;
  cell.AssignReusing(std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer)));
}

}  // namespace

int ColumnNamed(const Sheet& sheet, std::string_view name) {
  for (int c = 1; c < sheet.ColCount(); ++c)
    if (sheet.Name(c) == name) return c;
  return 0;
}

bool HoldsLabels(const Sheet& sheet, int col, char sep) {
  for (int r = 1; r < sheet.RowCount(); ++r) {
    const std::string_view t = sheet.Cell(col, r);
    Real v;
    if (!t.empty() && !ReadNumber(t, sep, v)) return true;
  }
  return false;
}

namespace {

// Asks what must be asked, adds the columns that are new, then lets fill
// write the cells of all target columns (rows 1..) at once.
bool WriteColumns(Sheet& sheet, const std::vector<std::string>& names, char sep, bool askAlways,
                  const std::function<void(const std::vector<std::vector<CellText>*>&)>& fill) {
  if (sheet.WizardOpen) return false;
  // Every question first: nothing is written unless all are answered Yes.
  std::vector<int> targets;
  for (const std::string& n : names) {
    const int c = ColumnNamed(sheet, n);
    targets.push_back(c);
    if (c == 0) continue;
    // Columns a computation has just written hold numbers: no need to look.
    const bool guarded = sheet.IsTagged(c) || (!sheet.KnownNumbers(c) && HoldsLabels(sheet, c, sep));
    if (!guarded && !askAlways) continue;
    const QString name = Q(n);
    const QString text = guarded
                             ? QStringLiteral("Variable \"%1\" is tagged or holds labels.").arg(name) +
                                   LineBreak + QStringLiteral("Replace its values with the computed results?")
                             : QStringLiteral("Variable \"%1\" already exists.").arg(name) + LineBreak +
                                   QStringLiteral("Replace its values with the computed results?");
    if (sheet.Prompt().Message(BoxKind::Confirmation, text, Button::Yes | Button::Cancel) != Button::Yes)
      return false;
  }
  SheetView& view = sheet.View();
  BusyGuard busy(view);
  const int rows = sheet.RowCount();
  bool replaced = false;
  int first = sheet.ColCount(), added = 0;
  std::vector<int> written;
  for (std::size_t k = 0; k < names.size(); ++k) {
    int c = targets[k];
    if (c == 0) {
      c = sheet.ColCount();
      sheet.InsertColumns(c, 1);
      sheet.SetCell(c, 0, names[k]);
      ++added;
    } else {
      replaced = true;
    }
    written.push_back(c);
  }
  // Two results for one column (the last holds) must not be written at once.
  std::vector<std::vector<CellText>> scratch;
  scratch.reserve(written.size());
  std::vector<std::vector<CellText>*> cells;
  for (std::size_t k = 0; k < written.size(); ++k)
    cells.push_back(std::find(written.begin() + static_cast<std::ptrdiff_t>(k) + 1, written.end(), written[k]) !=
                            written.end()
                        ? &scratch.emplace_back(static_cast<std::size_t>(rows))
                        : &sheet.ColumnToWrite(written[k]));
  fill(cells);
  for (const int c : written) view.CellsChanged(c, 0, c, rows - 1);
  sheet.MarkNumberColumns(std::move(written));
  sheet.Saved = false;
  if (sheet.Blank) sheet.Blank = false;
  if (added > 0) {
    if (sheet.Connected)
      for (int c = first; c < sheet.ColCount(); ++c)
        sheet.Graph().AppendSelectorItem(std::string(sheet.Name(c)));
    sheet.Sel = Selection{first, 1, sheet.ColCount() - 1, rows - 1};
    sheet.RowsMode = false;
    sheet.ColumnsMode = true;
    view.SelectionChanged();
    view.WidenColumns(first, sheet.ColCount() - 1);
    view.ShowColumns(first, sheet.ColCount() - 1);
  } else if (!targets.empty() && targets.front() > 0) {
    view.ShowColumns(targets.front(), targets.back() > 0 ? targets.back() : targets.front());
  }
  if (replaced && sheet.Connected) sheet.RefreshGraphSelectors();
  view.UpdateCommands();
  return true;
}

}  // namespace

bool WriteResultColumns(Sheet& sheet, std::vector<ResultColumn>& columns, char sep, bool askAlways) {
  std::vector<std::string> names;
  for (const ResultColumn& rc : columns) names.push_back(rc.Name);
  return WriteColumns(sheet, names, sep, askAlways, [&columns](const std::vector<std::vector<CellText>*>& cells) {
    for (std::size_t k = 0; k < cells.size(); ++k) {
      std::vector<CellText>& column = *cells[k];
      std::vector<CellText>& results = columns[k].Cells;
      for (std::size_t r = 1; r < column.size(); ++r) {
        if (r - 1 < results.size())
          column[r] = std::move(results[r - 1]);
        else
          column[r].Clear();
      }
    }
  });
}

QString FormulaRunMessage(const FormulaRun& run) {
  const auto cases = [](int n) { return QString::number(n) + (n == 1 ? QStringLiteral(" case") : QStringLiteral(" cases")); };
  QString text = QStringLiteral("Formula computed for ") + cases(run.Computed) + QLatin1Char('.');
  const int empty = run.NotNumbers + run.NotFinite;
  if (empty == 0) return text;
  text += LineBreak + cases(empty) + QStringLiteral(" left empty:");
  QStringList why;
  if (run.NotNumbers > 0) why << QStringLiteral("%1 with an input that is not a number").arg(run.NotNumbers);
  if (run.NotFinite > 0) why << QStringLiteral("%1 with a result that is not finite").arg(run.NotFinite);
  return text + QLatin1Char(' ') + why.join(QStringLiteral(", ")) + QLatin1Char('.');
}

CommandOutcome RunFormulaCommand(Sheet& sheet, const FormulaRequest& request, FormulaRun* runOut) {
  Prompter& prompter = sheet.Prompt();
  const char sep = request.Style.Separator;
  const auto refuse = [&prompter](const QString& text) {
    prompter.Message(BoxKind::Error, text, Only(Button::Ok));
    return CommandOutcome::Refused;
  };
  std::string name = request.Name;
  if (request.NewVariable) {
    if (name.find_first_not_of(' ') == std::string::npos)
      return refuse(QStringLiteral("Please give the new variable a name."));
    if (name.find('\t') != std::string::npos || name.find('\n') != std::string::npos ||
        name.find('\r') != std::string::npos)
      return refuse(QStringLiteral("A variable name cannot hold tabs or line breaks."));
  } else {
    if (request.Column < 1 || request.Column >= sheet.ColCount())
      return refuse(QStringLiteral("Please select the variable whose values the formula replaces."));
    name = std::string(sheet.Name(request.Column));
  }
  std::vector<std::string> names;
  for (int c = 1; c < sheet.ColCount(); ++c) names.emplace_back(sheet.Name(c));
  FormulaError error;
  Formula formula = Formula::Compile(request.Text, names, &error);
  if (!formula.Valid()) return refuse(QString::fromStdString(error.Text()));

  std::vector<int> inputCols;
  for (int k : formula.Inputs()) inputCols.push_back(k + 1);
  FormulaRun run;
  ResultColumn result{name, std::vector<CellText>(static_cast<std::size_t>(sheet.CaseCount()))};
  std::vector<double> values(inputCols.size());
  for (int r = 1; r < sheet.RowCount(); ++r) {
    bool numbers = true;
    for (std::size_t k = 0; k < inputCols.size() && numbers; ++k) {
      values[k] = CellValue(sheet.Cell(inputCols[k], r), sep);
      numbers = !std::isnan(values[k]);
    }
    if (!numbers) {
      ++run.NotNumbers;
      continue;
    }
    const double v = formula.Evaluate(values.data());
    if (!std::isfinite(v)) {
      ++run.NotFinite;
      continue;
    }
    result.Cells[static_cast<std::size_t>(r - 1)].Assign(request.Style.Text(v));
    ++run.Computed;
  }
  std::vector<ResultColumn> columns;
  columns.push_back(std::move(result));
  // A new variable that already exists is a replacement the user did not ask for.
  if (!WriteResultColumns(sheet, columns, sep, request.NewVariable)) return CommandOutcome::Declined;
  if (runOut) *runOut = run;
  prompter.Message(BoxKind::Information, FormulaRunMessage(run), Only(Button::Ok));
  return CommandOutcome::Done;
}

std::vector<ColumnMapping> RecalcCandidates(const Sheet& sheet) {
  std::vector<ColumnMapping> out;
  // The selected variables when one of them is an oxide; a selection of other
  // columns (a variable just computed, say) is no choice of oxides.
  if (sheet.ColumnsMode) {
    const int first = std::max(1, std::min(sheet.Sel.Left, sheet.Sel.Right));
    const int last = std::min(sheet.ColCount() - 1, std::max(sheet.Sel.Left, sheet.Sel.Right));
    bool anyOxide = false;
    for (int c = first; c <= last; ++c) {
      const auto r = RecogniseComponent(sheet.Name(c));
      out.push_back({c, r ? r->Component : -1});
      anyOxide |= r.has_value();
    }
    if (anyOxide) return out;
    out.clear();
  }
  for (int c = 1; c < sheet.ColCount(); ++c) {
    if (sheet.IsTagged(c)) continue;
    const auto r = RecogniseComponent(sheet.Name(c));
    out.push_back({c, r ? r->Component : -1});
  }
  return out;
}

std::vector<ColumnMapping> DefaultMapping(const Sheet& sheet) {
  std::vector<ColumnMapping> out = RecalcCandidates(sheet);
  for (std::size_t a = 0; a < out.size(); ++a)
    for (std::size_t b = 0; b < a; ++b)
      if (out[a].Component >= 0 && out[b].Component == out[a].Component) out[a].Component = -1;
  return out;
}

CommandOutcome RunRecalcCommand(Sheet& sheet, const std::vector<ColumnMapping>& mapping,
                                const RecalcOptions& options, const ResultStyle& style, ReportTarget* report,
                                const ReportEnvironment& env, RecalcRun* runOut) {
  RecalcInput input;
  std::vector<int> cols;
  std::vector<std::string> sources;
  for (const ColumnMapping& m : mapping)
    if (m.Component >= 0 && m.Column >= 1 && m.Column < sheet.ColCount()) {
      input.Components.push_back(m.Component);
      cols.push_back(m.Column);
      sources.emplace_back(sheet.Name(m.Column));
    }
  const std::string fault = CheckRecalcOptions(input, options);
  if (!fault.empty()) {
    sheet.Prompt().Message(BoxKind::Error, QString::fromStdString(fault), Only(Button::Ok));
    return CommandOutcome::Refused;
  }
  RecalcRun run;
  const char sep = style.Separator;
  input.Rows = sheet.CaseCount();
  const std::size_t nc = cols.size();
  input.Values.resize(static_cast<std::size_t>(input.Rows) * nc);
  std::atomic<int> marks{0};
  InParts(static_cast<std::size_t>(input.Rows), [&](std::size_t, std::size_t first, std::size_t last) {
    int found = 0;
    for (std::size_t i = first; i < last; ++i)
      for (std::size_t k = 0; k < nc; ++k) {
        const std::string_view t = sheet.Cell(cols[k], static_cast<int>(i) + 1);
        double v = 0;
        if (!t.empty()) {
          v = CellValue(t, sep);
          if (std::isnan(v) && IsDetectionMark(t)) {
            v = 0;
            ++found;
          }
        }
        input.Values[i * nc + k] = v;
      }
    marks += found;
  });
  run.DetectionMarks = marks;
  run.Result = RecalculateInParts(input, options);

  // The texts go straight into the sheet's cells, on all cores; a rerun's
  // texts overwrite the last run's in place.
  std::vector<std::string> names;
  for (const RecalcColumn& rc : run.Result.Columns) names.push_back(rc.Name);
  const auto fill = [&](const std::vector<std::vector<CellText>*>& cells) {
    InParts(static_cast<std::size_t>(input.Rows), [&](std::size_t, std::size_t first, std::size_t last) {
      for (std::size_t k = 0; k < cells.size(); ++k) {
        const std::vector<double>& values = run.Result.Columns[k].Values;
        std::vector<CellText>& column = *cells[k];
        for (std::size_t i = first; i < last; ++i) {
          CellText& cell = column[i + 1];
          if (i < values.size() && !std::isnan(values[i]))
            WriteResult(values[i], style, cell);
          else
            cell.Clear();
        }
      }
    });
  };
  if (!WriteColumns(sheet, names, sep, false, fill)) return CommandOutcome::Declined;

  run.ReportLines = RecalcReportLines(input, sources, options, run.Result);
  if (run.DetectionMarks > 0)
    run.ReportLines.push_back(
        std::to_string(run.DetectionMarks) + (run.DetectionMarks == 1 ? " cell" : " cells") +
        " marked below detection or not determined (\"<...\", \"n.d.\", \"bdl\", ...) read as 0");
  if (report) {
    QStringList lines;
    AppendReportHeader(QStringLiteral("Recalculation of oxide analyses"), env, lines);
    for (const std::string& l : run.ReportLines) lines << QString::fromStdString(l);
    report->StartReport();
    report->AppendLines(lines);
    report->CaretToEnd();
    report->ShowReport();
  }
  if (runOut) *runOut = std::move(run);
  return CommandOutcome::Done;
}

}  // namespace varnel
