// The engine's side of the link with the DataSheet: the selectors of the
// apex and special columns, their shared item list that mirrors the
// DataSheet's columns, and what choosing a column reads into the engine.
#include <QString>
#include <algorithm>
#include <limits>
#include <new>
#include <string_view>

#include "core/numberread.h"
#include "graphs/engineparts.h"
#include "graphs/graphengine.h"
#include "sheet/sheet.h"

namespace varnel {
namespace {

using engineparts::Apexes;
using engineparts::Release;
using engineparts::TrimmedCell;

int ApexOf(GraphSelector s) { return static_cast<int>(s); }

// The special-column names auto-selection looks for, with their selectors.
struct SpecialName {
  const char* Name;
  GraphSelector Selector;
};
constexpr SpecialName SpecialNames[] = {{"symbol#", GraphSelector::SymbolShape},
                                        {"color#", GraphSelector::SymbolColor},
                                        {"size#", GraphSelector::SymbolSize},
                                        {"label#", GraphSelector::Label},
                                        {"tielin#", GraphSelector::TieLine}};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The integer a tie-line cell holds: optional blanks, a sign, digits, blanks.
bool ReadInteger(std::string_view text, long long& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t digits = i;
  long long v = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (v > (std::numeric_limits<long long>::max() - 9) / 10) return false;
    v = v * 10 + (text[i++] - '0');
  }
  if (i == digits) return false;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return false;
  value = negative ? -v : v;
  return true;
}

}  // namespace

void GraphEngine::SetGraphsCaptionFile(const std::string& fileName) {
  caption_ =
      QStringLiteral("VarnelGraphs [Connected to ") + QString::fromStdString(fileName) + QStringLiteral("]");
  view_->CaptionChanged();
}

void GraphEngine::RepaintSheetGrid() {
  sheet_.View().CellsChanged(0, 0, std::max(sheet_.ColCount() - 1, 0), std::max(sheet_.RowCount() - 1, 0));
}

void GraphEngine::SetSelectorItem(GraphSelector s, int item) {
  chosen_[Index(s)] = std::clamp(item, 0, static_cast<int>(items_.size()) - 1);
  view_->SelectorsChanged();
}

void GraphEngine::RunSelectorHandler(GraphSelector s) {
  if (IsApexSelector(s))
    ApexChanged(s);
  else
    SpecialColumnChanged(s);
}

void GraphEngine::ResetSelectors() {
  updating_ = true;
  for (GraphSelector s : {GraphSelector::C, GraphSelector::A, GraphSelector::B, GraphSelector::D,
                          GraphSelector::SymbolShape, GraphSelector::SymbolColor, GraphSelector::SymbolSize,
                          GraphSelector::Label, GraphSelector::TieLine}) {
    chosen_[Index(s)] = 0;
    RunSelectorHandler(s);
  }
  view_->SelectorsChanged();
  updating_ = false;
  Recompute();
}

void GraphEngine::AutoSelectVariables() {
  if (sheet_.Connected) ResetSelectors();
  updating_ = true;
  int found = 0;
  int third = 0, fourth = 0;
  for (int c = 1; c < sheet_.ColCount() && found < 4; ++c) {
    // A column of names or notes would plot nothing.
    if (sheet_.IsTagged(c) || !HoldsNumbers(c)) continue;
    ++found;
    if (found <= 2) {
      const GraphSelector s = found == 1 ? GraphSelector::A : GraphSelector::B;
      chosen_[Index(s)] = c;
      ApexChanged(s);
    } else if (found == 3) {
      third = c;
    } else {
      fourth = c;
    }
  }
  if (fourth != 0) {
    chosen_[Index(GraphSelector::D)] = fourth;
    ApexChanged(GraphSelector::D);
  }
  if (third != 0) {
    chosen_[Index(GraphSelector::C)] = third;
    ApexChanged(GraphSelector::C);
  }
  for (int c = 1; c < sheet_.ColCount(); ++c) {
    if (!sheet_.IsTagged(c)) continue;
    for (const SpecialName& special : SpecialNames)
      if (SameIgnoringCase(sheet_.Name(c), special.Name)) {
        chosen_[Index(special.Selector)] = c;
        SpecialColumnChanged(special.Selector);
      }
  }
  view_->SelectorsChanged();
  updating_ = false;
  RepaintSheetGrid();
  Recompute();
}

void GraphEngine::SetAutoVarSelect(bool on) {
  Settings.AutoVarSelect = on;
  if (on && sheet_.Connected) AutoSelectVariables();
}

void GraphEngine::ApexChanged(GraphSelector s) {
  // A variable stands at one apex: the user's new choice takes it from any
  // other apex, which goes to "(None)".
  const int item = chosen_[Index(s)];
  if (!updating_ && !sheet_.SelectorRefresh && item != 0)
    for (GraphSelector other : Apexes)
      if (other != s && chosen_[Index(other)] == item) {
        chosen_[Index(other)] = 0;
        LoadApexValues(ApexOf(other));
        view_->SelectorsChanged();
      }
  LoadApexValues(ApexOf(s));
  if (updating_ || sheet_.SelectorRefresh) return;
  RepaintSheetGrid();
  Recompute();
}

bool GraphEngine::SpecialItemVisible(GraphSelector s) const {
  const GraphSettings& g = Settings;
  switch (s) {
    case GraphSelector::SymbolShape:
      return g.ViewPoints && !g.UseDefaultShape;
    case GraphSelector::SymbolColor:
      return g.ViewPoints && !g.UseDefaultColor;
    case GraphSelector::SymbolSize:
      return g.ViewPoints && !g.UseDefaultSize;
    case GraphSelector::Label:
      return g.ViewLabels;
    case GraphSelector::TieLine:
      return g.ViewTies;
    default:
      return false;
  }
}

void GraphEngine::SpecialColumnChanged(GraphSelector s) {
  int col = chosen_[Index(s)];
  if (col >= sheet_.ColCount()) col = chosen_[Index(s)] = 0;
  const int last = std::min(plotCaseCount_, sheet_.RowCount() - 1);
  view_->SetBusy(true);
  // Fills one per-case array from the column, or releases it for "(None)".
  const auto fill = [&](auto& array, auto value, const char* memoryText) {
    if (col == 0) {
      Release(array);
      return true;
    }
    try {
      array.assign(CaseSlots(), {});
    } catch (const std::bad_alloc&) {
      view_->SetBusy(false);
      prompter_.Message(BoxKind::Error, QString::fromLatin1(memoryText), Only(Button::Ok));
      chosen_[Index(s)] = 0;
      view_->SelectorsChanged();
      view_->SetBusy(true);
      return false;
    }
    for (int k = 1; k <= last; ++k) array[static_cast<std::size_t>(k)] = value(sheet_.Cell(col, k));
    return true;
  };
  const auto code = [this](std::string_view text, int& out) {
    Real v;
    if (!ReadNumber(text, DecimalSep, v)) return false;
    // Truncated to 64 bits, then the low 32 bits, as the codes were always read.
    const Real t = std::trunc(v);
    const long long wide = t >= 9.2e18L    ? std::numeric_limits<long long>::max()
                           : t <= -9.2e18L ? std::numeric_limits<long long>::min()
                                           : static_cast<long long>(t);
    const auto low =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned long long>(wide)));
    const long long magnitude = low < 0 ? -static_cast<long long>(low) : low;
    out = static_cast<int>(magnitude % SymbolShapeCount);
    return true;
  };
  std::vector<std::string> categories;
  if (col != 0 && (s == GraphSelector::SymbolShape || s == GraphSelector::SymbolColor))
    categories = CategoriesOf(col);
  // A case's category number, -1 for an empty cell.
  const auto category = [&categories](std::string_view t) {
    const std::string_view cell = TrimmedCell(t);
    const auto at = std::lower_bound(categories.begin(), categories.end(), cell);
    return at != categories.end() && *at == cell ? static_cast<int>(at - categories.begin()) : -1;
  };
  switch (s) {
    case GraphSelector::SymbolShape:
      shapeCategories_ = categories;
      if (fill(
              symbolShapes_,
              [&](std::string_view t) {
                if (!categories.empty()) {
                  const int i = category(t);
                  return static_cast<std::uint8_t>(i < 0 ? Settings.DefSymShape : CategoryShape(i));
                }
                int c = 0;
                return static_cast<std::uint8_t>(code(t, c) ? c : Settings.DefSymShape);
              },
              "Not enough memory to store array of symbol shape codes.") &&
          chosen_[Index(s)] == 0)
        Settings.UseDefaultShape = true;
      break;
    case GraphSelector::SymbolColor:
      colourCategories_ = categories;
      if (fill(
              symbolColors_,
              [&](std::string_view t) {
                if (!categories.empty()) {
                  const int i = category(t);
                  return i < 0 ? Settings.FillColor : CategoryColour(i);
                }
                int c = 0;
                return code(t, c) ? ColorOfCode(c) : Settings.SymbolColor;
              },
              "Not enough memory to store array of symbol color codes.") &&
          chosen_[Index(s)] == 0)
        Settings.UseDefaultColor = true;
      break;
    case GraphSelector::SymbolSize:
      if (fill(
              symbolSizes_,
              [&](std::string_view t) {
                Real v;
                if (!ReadNumber(t, DecimalSep, v))
                  return static_cast<std::int32_t>(Settings.DefaultSymbolSize);
                const Real a = std::fabs(v);
                if (a > 1000) return static_cast<std::int32_t>(Settings.DefaultSymbolSize);
                return static_cast<std::int32_t>(std::nearbyint(a));
              },
              "Not enough memory to store symbol size parameters.") &&
          chosen_[Index(s)] == 0)
        Settings.UseDefaultSize = true;
      break;
    case GraphSelector::Label:
      if (col == 0) Settings.UseDefaultLabels = true;
      break;
    case GraphSelector::TieLine:
      fill(
          tieSets_,
          [&](std::string_view t) {
            long long v;
            if (!ReadInteger(t, v)) return std::int32_t{-1};
            const long long a = v < 0 ? -v : v;
            return a < Settings.MaxTieSets ? static_cast<std::int32_t>(a) : std::int32_t{-1};
          },
          "Not enough memory to store array of tie line markers.");
      view_->UpdateGraphCommands();
      break;
    default:
      break;
  }
  view_->SetBusy(false);
  if (!updating_ && !sheet_.SelectorRefresh) RepaintSheetGrid();
  if (!updating_ && SpecialItemVisible(s)) RepaintGraph();
}

void GraphEngine::SetSelectorItemText(int column, const std::string& name) {
  if (column < 1 || column >= items_.size()) return;
  items_[column] = QString::fromStdString(name);
  view_->SelectorsChanged();
}

void GraphEngine::AppendSelectorItem(const std::string& name) {
  items_ << QString::fromStdString(name);
  view_->SelectorsChanged();
}

void GraphEngine::InsertSelectorItem(int column, const std::string& name) {
  items_.insert(std::clamp(column, 1, static_cast<int>(items_.size())), QString::fromStdString(name));
  view_->SelectorsChanged();
}

void GraphEngine::RemoveSelectorItem(int column) {
  if (column < 1 || column >= items_.size()) return;
  items_.removeAt(column);
  view_->SelectorsChanged();
}

}  // namespace varnel
