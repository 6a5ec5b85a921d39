#include "graphs/graphengine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <tuple>

#include "app/atomicfile.h"
#include "app/filename.h"
#include "app/numberlocale.h"
#include "app/programfolder.h"
#include "app/reportparts.h"
#include "app/textcodec.h"
#include "core/numberread.h"
#include "sheet/sheet.h"
#include "graphs/engineparts.h"
#include "graphs/referencelines.h"

namespace varnel {

using engineparts::Apexes;
using engineparts::Release;
using engineparts::TrimmedCell;

int CategoryShape(int i) {
  static constexpr int Shapes[CategoryShapeCount] = {2, 4, 6, 10, 8, 3, 5, 7, 11, 9, 12, 13, 14};
  return Shapes[static_cast<std::size_t>(std::abs(i) % CategoryShapeCount)];
}

QRgb CategoryColour(int i) {
  // Blue, vermilion, bluish green, reddish purple, orange, sky blue, yellow,
  // black: the strongest contrasts on white first.
  static constexpr QRgb Colours[CategoryColourCount] = {0xFF0072B2, 0xFFD55E00, 0xFF009E73, 0xFFCC79A7,
                                                        0xFFE69F00, 0xFF56B4E9, 0xFFF0E442, 0xFF000000};
  return Colours[static_cast<std::size_t>(std::abs(i) % CategoryColourCount)];
}

QRgb ColorOfCode(int code) {
  static constexpr QRgb Table[SymbolShapeCount] = {
      0xFF000000, 0xFFFF0000, 0xFF0000FF, 0xFF008000, 0xFF800080, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FF00,
      0xFFFF00FF, 0xFF800000, 0xFF000080, 0xFF808000, 0xFF008080, 0xFFC0C0C0, 0xFF808080};
  return Table[static_cast<std::size_t>(std::clamp(code, 0, SymbolShapeCount - 1))];
}

QString SymbolShapeName(int code) {
  static const char* const Names[SymbolShapeCount] = {"No symbol",
                                                      "Dot",
                                                      "Filled Circle",
                                                      "Circle",
                                                      "Filled Square",
                                                      "Square",
                                                      "Filled TriangleUp",
                                                      "TriangleUp",
                                                      "Filled TriangleDown",
                                                      "TriangleDown",
                                                      "Filled Diamond",
                                                      "Diamond",
                                                      "Cross",
                                                      "Asterisk",
                                                      "Asp"};
  return QString::fromLatin1(Names[static_cast<std::size_t>(std::clamp(code, 0, SymbolShapeCount - 1))]);
}

QString SymbolShapeText(int code) {
  return SymbolShapeName(code) + QStringLiteral(" - ") + QString::number(code);
}

QString DrawnText(const QString& text) {
  if (text.size() <= MaxDrawnText) return text;
  qsizetype cut = MaxDrawnText - 1;
  if (text.at(cut - 1).isHighSurrogate()) --cut;  // never half a character
  return text.left(cut) + QChar(0x2026);
}

QString DrawnText(std::string_view utf8) {
  // Only the start is decoded: a character takes at most four bytes.
  constexpr std::size_t Bytes = 4 * static_cast<std::size_t>(MaxDrawnText) + 4;
  const std::string_view head = utf8.substr(0, std::min(utf8.size(), Bytes));
  QString text = QString::fromUtf8(head.data(), static_cast<qsizetype>(head.size()));
  if (head.size() < utf8.size() && text.size() <= MaxDrawnText) text += QChar(0x2026);
  return DrawnText(text);
}

GraphEngine::GraphEngine(Sheet& sheet, Prompter& prompter)
    : DecimalSep(DecimalSeparator()), sheet_(sheet), prompter_(prompter) {
  for (int v = 0; v < 4; ++v)
    vertexCoords_[static_cast<std::size_t>(v)] =
        TetToCartesian(v == 0 ? 1 : 0, v == 1 ? 1 : 0, v == 2 ? 1 : 0, v == 3 ? 1 : 0);
}

bool GraphEngine::Connected() const { return sheet_.Connected; }

std::size_t GraphEngine::CaseSlots() const { return static_cast<std::size_t>(plotCaseCount_) + 1; }

bool GraphEngine::AllocateCaseArrays() {
  const std::size_t caseSlots = CaseSlots();
  try {
    tri_.assign(caseSlots, TriPoint{});
    tet_.assign(caseSlots, TetPoint{});
    coords_.assign(caseSlots, Point3{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void GraphEngine::ReleaseCaseArrays() {
  Release(tri_);
  Release(tet_);
  Release(coords_);
  plotCaseCount_ = 0;
}

void GraphEngine::GetWSheetData(bool includeAll) {
  if (sheet_.Connected) DisconnectGraphs();
  plotCaseCount_ = std::max(sheet_.RowCount() - 1, 0);
  if (!AllocateCaseArrays()) {
    prompter_.Message(BoxKind::Error,
                      QStringLiteral("GetWSheetData: Not enough memory to allocate point arrays.\n\rPlease, "
                                     "try again after closing other programs"),
                      Only(Button::Ok));
    DisconnectGraphs();
    return;
  }
  items_ = QStringList{QStringLiteral("(None)")};
  for (int c = 1; c < sheet_.ColCount(); ++c) {
    const std::string_view n = sheet_.Name(c);
    items_ << QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
  }
  view_->SelectorsChanged();
  SetGraphsCaptionFile(FileNameOnly(sheet_.FileName).toStdString());
  sheet_.Connected = true;
  sheet_.View().UpdateCommands();
  if (includeAll)
    sheet_.SetAllInclusion(true);
  else
    sheet_.RecountIncluded();
  if (Settings.AutoVarSelect) {
    AutoSelectVariables();
  } else {
    ResetSelectors();
    RepaintSheetGrid();
  }
}

void GraphEngine::DisconnectGraphs() {
  ResetSelectors();
  items_ = QStringList{QStringLiteral("(None)")};
  view_->SelectorsChanged();
  ReleaseCaseArrays();
  caption_ = QStringLiteral("VarnelGraphs [Disconnected]");
  view_->CaptionChanged();
  sheet_.Connected = false;
  sheet_.View().UpdateStatusBar();
  sheet_.View().UpdateCommands();
  RepaintSheetGrid();
}

QString GraphEngine::DataFileName() const { return FileNameOnly(sheet_.FileName); }

bool GraphEngine::HoldsNumbers(int col) const {
  Real v;
  for (int k = 1; k < sheet_.RowCount(); ++k)
    if (ReadNumber(sheet_.Cell(col, k), DecimalSep, v)) return true;
  return false;
}

std::vector<std::string> GraphEngine::CategoriesOf(int col) const {
  // A column is read as categories when most of its filled cells are not
  // numbers: a numeric code column with a few notes keeps its codes.
  std::set<std::string, std::less<>> distinct;
  int numbers = 0, texts = 0;
  Real v;
  for (int k = 1; k < sheet_.RowCount(); ++k) {
    const std::string_view cell = TrimmedCell(sheet_.Cell(col, k));
    if (cell.empty()) continue;
    if (ReadNumber(cell, DecimalSep, v))
      ++numbers;
    else
      ++texts;
    if (distinct.find(cell) == distinct.end()) distinct.emplace(cell);
  }
  if (texts <= numbers) return {};
  return {distinct.begin(), distinct.end()};
}

bool GraphEngine::LoadReferences(QString* error) {
  Settings.References = ReferenceSet{};
  if (Settings.ReferenceFile.isEmpty()) return true;
  return ReadReferenceFile(Settings.ReferenceFile, Settings.References, error);
}

std::vector<int> GraphEngine::DensityCounts(int n) const {
  // Cell (i, j) of the triangle, counted in steps of 1/n of A and B, is split
  // into the triangle pointing like the page's (up) and the one pointing
  // down; up cells are 2 (i n + j), down cells the next index.
  std::vector<int> counts(static_cast<std::size_t>(2 * n * n), 0);
  if (tri_.empty() || (plotKind_ != 1 && plotKind_ != 2)) return counts;
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const TriPoint& t = tri_[static_cast<std::size_t>(k)];
    if (!IsDrawn(t.Plotted, t.Negative, k)) continue;
    const Real b = t.Y / 0.8660254037844L;
    const Real a = t.X - 0.5L * b;
    if (!(a >= 0 && b >= 0 && a + b <= 1.0000001L)) continue;  // negative sums may land outside
    const Real fa = std::min(a * n, static_cast<Real>(n) - 1e-9L), fb = std::min(b * n, static_cast<Real>(n) - 1e-9L);
    const int i = static_cast<int>(fa), j = static_cast<int>(fb);
    if (i + j >= n) {
      // On the far edge: the last up cell of the row.
      const int jj = std::max(n - 1 - i, 0);
      ++counts[static_cast<std::size_t>(2 * (i * n + jj))];
      continue;
    }
    const bool down = i + j < n - 1 && (fa - i) + (fb - j) >= 1;
    ++counts[static_cast<std::size_t>(2 * (i * n + j) + (down ? 1 : 0))];
  }
  return counts;
}

void GraphEngine::LoadApexValues(int apex) {
  const GraphSelector s = Apexes[apex];
  std::vector<Real>& values = apexValues_[static_cast<std::size_t>(apex)];
  const int col = chosen_[Index(s)];
  if (col == 0 || col >= sheet_.ColCount()) {
    chosen_[Index(s)] = 0;
    Release(values);
    return;
  }
  view_->SetBusy(true);
  if (values.empty()) {
    try {
      values.assign(CaseSlots(), 0);
    } catch (const std::bad_alloc&) {
      view_->SetBusy(false);
      prompter_.Message(BoxKind::Error, QStringLiteral("Not enough memory to store array of reals."),
                        Only(Button::Ok));
      chosen_[Index(s)] = 0;
      view_->SelectorsChanged();
      ApexChanged(s);
      return;
    }
  }
  const bool hasTri = !tri_.empty();
  const int last = std::min(plotCaseCount_, sheet_.RowCount() - 1);
  for (int k = 1; k <= last; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    const bool missing = !ReadNumber(sheet_.Cell(col, k), DecimalSep, values[i]);
    if (!hasTri) continue;
    TetPoint& t = tet_[i];
    TriPoint& r = tri_[i];
    switch (apex) {
      case 0:
        t.MissingA = r.MissingA = missing;
        break;
      case 1:
        t.MissingB = r.MissingB = missing;
        break;
      case 2:
        t.MissingC = r.MissingC = missing;
        break;
      default:
        t.MissingD = missing;
        break;
    }
  }
  view_->SetBusy(false);
}

void GraphEngine::SetPlotCaseCount(int count) {
  // Cases added while connected get room in every per-case array; their
  // values are read when the DataSheet reports the change.
  plotCaseCount_ = std::max(count, 0);
  if (tri_.empty()) return;
  const std::size_t caseSlots = CaseSlots();
  const auto grow = [caseSlots](auto& v) {
    if (!v.empty()) v.resize(caseSlots);
  };
  try {
    grow(tri_);
    grow(tet_);
    grow(coords_);
    for (auto& values : apexValues_) grow(values);
    grow(symbolShapes_);
    grow(symbolColors_);
    grow(symbolSizes_);
    grow(tieSets_);
  } catch (const std::bad_alloc&) {
    prompter_.Message(BoxKind::Error,
                      QStringLiteral("GetWSheetData: Not enough memory to allocate point arrays.\n\rPlease, "
                                     "try again after closing other programs"),
                      Only(Button::Ok));
    DisconnectGraphs();
  }
}

void GraphEngine::Log(int k, const char* what) {
  if (warningLog_)
    *warningLog_ << QStringLiteral("Case ") + QString::number(k) + QLatin1Char('\t') + QLatin1String(what);
}

template <typename Point>
void GraphEngine::MarkUndefined(Point& p, int k, const char* what) {
  p.Plotted = false;
  p.Negative = false;
  p.Undefined = true;
  Log(k, what);
}

int GraphEngine::UndefinedCases(PlotPage page) const {
  int count = 0;
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (!sheet_.Included(k)) continue;
    if (page == PlotPage::Triangular ? plotKind_ != 0 && i < tri_.size() && tri_[i].Undefined
                                     : plotKind_ == 2 && i < tet_.size() && tet_[i].Undefined)
      ++count;
  }
  return count;
}

void GraphEngine::Recompute() {
  projectedScaling_ = Settings.ScalingOn;
  projectedFactors_ = Settings.ScaleFactors;
  int count = 0;
  for (int a = 0; a < 3; ++a)
    if (HasApexValues(a)) ++count;
  if (HasApexValues(3)) ++count;
  if (count < 3)
    plotKind_ = 0;
  else if (count == 3)
    plotKind_ = HasApexValues(3) ? 0 : 1;
  else
    plotKind_ = 2;
  view_->UpdateGraphCommands();
  QStringList log;
  if (Settings.LogTransformWarnings && plotKind_ != 0) {
    log << QStringLiteral("Varnel warnings log file. Created on ") +
               DateTimeText(QDateTime::currentDateTime())
        << QStringLiteral("Warnings are from: ") + sheet_.FileName;
    warningLog_ = &log;
  }
  if (!tri_.empty()) {
    if (plotKind_ == 1) {
      ProjectTriangular();
    } else if (plotKind_ == 2) {
      ProjectTetrahedral();
      ProjectTriangular();
    }
  }
  if (warningLog_) {
    warningLog_ = nullptr;
    QByteArray bytes;
    for (const QString& line : log) bytes += line.toUtf8() + "\r\n";
    QString error;
    const QString path = WarningsLogPath();
    if (!MakeUserFolderFor(path, &error) || !SaveFileAtomically(path, bytes, QString(), &error))
      prompter_.FileError(QStringLiteral("Could not write the plot warnings log ") + path +
                          QStringLiteral(":\n\r") + error);
  }
  RepaintGraph();
}

Real GraphEngine::ApexFactor(int apex) const {
  return Settings.ScalingOn ? static_cast<Real>(Settings.ScaleFactors[static_cast<std::size_t>(apex)]) : 1.0L;
}

void GraphEngine::ProjectTriangular() {
  view_->SetBusy(true);
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    TriPoint& p = tri_[i];
    p.Negative = false;
    p.Undefined = false;
    p.Plotted = true;
    if (p.MissingA || p.MissingB || p.MissingC) {
      p.Plotted = false;
      Log(k, ": Missing Plot Value(s) for Triangular Plot");
      continue;
    }
    Real a = apexValues_[0][i] * ApexFactor(0);
    Real b = apexValues_[1][i] * ApexFactor(1);
    const Real c = apexValues_[2][i] * ApexFactor(2);
    const Real s = a + b + c;
    // Finite values whose scaled values or sum leave the extended range have
    // no place in the triangle; infinity divided into them would put the
    // case on a corner.
    if (!IsFinite(a) || !IsFinite(b) || !IsFinite(c) || !IsFinite(s)) {
      MarkUndefined(p, k, ": Triangular Plot Undefined Value");
      continue;
    }
    if (s == 0) {
      p.Plotted = false;
      Log(k, ": Triangular Plot Zero Sum");
      continue;
    }
    a /= s;
    b /= s;
    Real x = 0, y = 0;
    TriangleXY(a, b, x, y);
    if (!IsFinite(a) || !IsFinite(b) || !IsFinite(x) || !IsFinite(y)) {
      MarkUndefined(p, k, ": Triangular Plot Undefined Value");
      continue;
    }
    if (s < 0) {
      p.Plotted = false;
      p.Negative = true;
      Log(k, ": Triangular Plot Negative Sum");
    }
    p.X = x;
    p.Y = y;
  }
  view_->SetBusy(false);
}

void GraphEngine::ProjectTetrahedral() {
  view_->SetBusy(true);
  // The sines and cosines of the three views, once for all the cases.
  const ViewRotation rotations[3] = {ViewRotation(0, Settings.View), ViewRotation(1, Settings.View),
                                     ViewRotation(2, Settings.View)};
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    TetPoint& p = tet_[i];
    p.Negative = false;
    p.Undefined = false;
    p.Plotted = true;
    if (p.MissingA || p.MissingB || p.MissingC || p.MissingD) {
      p.Plotted = false;
      Log(k, ": Missing Plot Value(s) for Tetrahedral Plot");
      continue;
    }
    Real v[4];
    for (int a = 0; a < 4; ++a) v[a] = apexValues_[static_cast<std::size_t>(a)][i] * ApexFactor(a);
    const Real s = v[0] + v[1] + v[2] + v[3];
    if (!std::all_of(std::begin(v), std::end(v), IsFinite) || !IsFinite(s)) {
      MarkUndefined(p, k, ": Tetrahedral Plot Undefined Value");
      continue;
    }
    if (s == 0) {
      p.Plotted = false;
      Log(k, ": Tetrahedral Plot Zero Sum");
      continue;
    }
    for (Real& x : v) x /= s;
    const Point3 at = TetToCartesian(v[0], v[1], v[2], v[3]);
    // The perspective of each view divides by the distance from the eye.
    bool finite = std::all_of(std::begin(v), std::end(v), IsFinite) && IsFinitePoint(at);
    for (int mode = 0; finite && mode < 3; ++mode)
      finite = IsFiniteProjection(ProjectView(at, rotations[mode]));
    if (!finite) {
      MarkUndefined(p, k, ": Tetrahedral Plot Undefined Value");
      continue;
    }
    coords_[i] = at;
    if (s < 0) {
      p.Plotted = false;
      p.Negative = true;
      Log(k, ": Tetrahedral Plot Negative Sum");
    }
  }
  view_->SetBusy(false);
}

Projected GraphEngine::ProjectCase(int k, int mode) const {
  return ProjectView(coords_[static_cast<std::size_t>(k)], mode, Settings.View);
}

namespace {

// A depth as a key of integers that orders as the depth does: the sign,
// exponent and significand of the 80-bit value, negatives turned over.
// Equal depths (also 0 and -0) get equal keys, so a sort by the keys makes
// the same comparisons, and the same order, as a sort by the depths.
void SetDepthKey(DepthPixel& d, Real depth) {
  static_assert(std::numeric_limits<Real>::digits == 64 && sizeof(Real) >= 10,
                "depth keys are made from the x87 80-bit format");
  if (depth == 0) depth = 0;
  unsigned char bytes[sizeof(Real)];
  std::memcpy(bytes, &depth, sizeof(Real));
  std::uint64_t significand;
  std::uint16_t signExponent;
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&signExponent, bytes + 8, 2);
  if (signExponent & 0x8000u) {
    d.KeyHigh = static_cast<std::uint16_t>(~signExponent);
    d.KeyLow = ~significand;
  } else {
    d.KeyHigh = static_cast<std::uint16_t>(signExponent | 0x8000u);
    d.KeyLow = significand;
  }
}

bool DeeperKey(const DepthPixel& a, const DepthPixel& b) {
  return a.KeyHigh < b.KeyHigh || (a.KeyHigh == b.KeyHigh && a.KeyLow < b.KeyLow);
}

// The quicksort of IndexFVector (middle pivot, exchanges across it), so
// that cases of equal depth come out in the order they always did; the
// pixels travel with their keys.
void QuickSortByDepth(DepthPixel* v, int lo, int hi) {
  while (lo < hi) {
    const DepthPixel pivot = v[(lo + hi) / 2];
    int i = lo;
    int j = hi;
    do {
      while (DeeperKey(v[i], pivot)) ++i;
      while (DeeperKey(pivot, v[j])) --j;
      if (i <= j) {
        std::swap(v[i], v[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    // The smaller part by recursion, the larger by the loop: the same
    // partitions in the same order, with a stack of at most log n.
    if (j - lo < hi - i) {
      if (j > lo) QuickSortByDepth(v, lo, j);
      lo = i;
    } else {
      if (i < hi) QuickSortByDepth(v, i, hi);
      hi = j;
    }
  }
}

}  // namespace

void SortByDepth(std::vector<DepthPixel>& pixels) {
  if (pixels.size() > 1) QuickSortByDepth(pixels.data(), 0, static_cast<int>(pixels.size()) - 1);
}

bool SortDistinctByDepth(std::vector<DepthPixel>& pixels, DepthSortSpace& space) {
  const std::size_t n = pixels.size();
  if (n < 2) return true;
  if (n > std::numeric_limits<std::uint32_t>::max()) return false;
  // A radix sort, 11 bits at a time, of the keys' first 64 bits (all of
  // the sign and exponent, the top of the significand); cases whose first
  // 64 bits agree are then put in order by the whole key.
  using Item = DepthSortSpace::Item;
  constexpr int Bits = 11, Digits = 6;
  constexpr std::uint64_t Mask = (1u << Bits) - 1;
  std::vector<Item>& items = space.Items;
  std::vector<Item>& spare = space.Spare;
  items.resize(n);
  spare.resize(n);
  std::vector<std::uint32_t>& count = space.Counts;
  count.assign(std::size_t{Digits} << Bits, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = (std::uint64_t{pixels[i].KeyHigh} << 48) | (pixels[i].KeyLow >> 16);
    items[i] = {key, static_cast<std::uint32_t>(i)};
    for (int d = 0; d < Digits; ++d) ++count[(std::size_t{static_cast<unsigned>(d)} << Bits) + ((key >> (Bits * d)) & Mask)];
  }
  for (int d = 0; d < Digits; ++d) {
    std::uint32_t* c = count.data() + (std::size_t{static_cast<unsigned>(d)} << Bits);
    const int shift = Bits * d;
    if (c[(items[0].Key >> shift) & Mask] == n) continue;  // one digit for all
    std::uint32_t start = 0;
    for (std::size_t b = 0; b <= Mask; ++b) {
      const std::uint32_t here = c[b];
      c[b] = start;
      start += here;
    }
    for (const Item& t : items) spare[c[(t.Key >> shift) & Mask]++] = t;
    items.swap(spare);
  }
  const auto before = [&](const Item& a, const Item& b) {
    const DepthPixel& x = pixels[a.Index];
    const DepthPixel& y = pixels[b.Index];
    return x.KeyHigh < y.KeyHigh || (x.KeyHigh == y.KeyHigh && x.KeyLow < y.KeyLow);
  };
  for (std::size_t i = 1; i < n; ++i) {
    if (items[i].Key != items[i - 1].Key) continue;
    // A run of equal first halves (rare): in order by the whole key.
    std::size_t end = i + 1;
    while (end < n && items[end].Key == items[i - 1].Key) ++end;
    std::sort(items.begin() + static_cast<std::ptrdiff_t>(i - 1), items.begin() + static_cast<std::ptrdiff_t>(end), before);
    for (std::size_t k = i; k < end; ++k)
      if (!before(items[k - 1], items[k])) return false;
    i = end - 1;
  }
  std::vector<DepthPixel>& sorted = space.Sorted;
  sorted.resize(n);
  for (std::size_t i = 0; i < n; ++i) sorted[i] = pixels[items[i].Index];
  pixels.swap(sorted);
  return true;
}

void GraphEngine::ViewPixels(int mode, Real f, Real originX, Real originY, bool exact,
                             std::vector<DepthPixel>& pixels) const {
  pixels.assign(static_cast<std::size_t>(plotCaseCount_), DepthPixel{});
  DepthPixel unplaced;
  SetDepthKey(unplaced, 0);
  for (int k = 1; k <= plotCaseCount_; ++k) {
    DepthPixel& d = pixels[static_cast<std::size_t>(k - 1)];
    d = unplaced;
    d.Case = k;
  }
  if (plotKind_ != 2 || tet_.empty()) return;
  const ViewRotation rotation(mode, Settings.View);
  const Real ox = originX, oy = originY;
  const auto at = [exact](Real v) { return exact ? static_cast<qreal>(v) : static_cast<qreal>(RoundPixel(v)); };
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    const TetPoint& p = tet_[i];
    if (!p.Plotted && !p.Negative) continue;
    const Projected q = ProjectView(coords_[i], rotation);
    // A view turned since the projection may put the eye on the point.
    if (!IsFiniteProjection(q)) continue;
    DepthPixel& d = pixels[i - 1];
    SetDepthKey(d, q.Depth);
    d.X = at(q.PX * f + ox);
    d.Y = at(q.PY * f + oy);
    d.Placed = true;
    d.Drawn = IsDrawn(p.Plotted, p.Negative, k);
  }
}

std::vector<std::int32_t> GraphEngine::DepthOrder(int mode) const {
  std::vector<DepthPixel> pixels;
  ViewPixels(mode, 1, 0, 0, false, pixels);
  SortByDepth(pixels);
  std::vector<std::int32_t> order;
  order.reserve(pixels.size());
  for (const DepthPixel& d : pixels) order.push_back(d.Case);
  return order;
}

bool GraphEngine::IsDrawn(bool plotted, bool negative, int k) const {
  return sheet_.Included(k) && (plotted || (negative && Settings.PlotNegPoints));
}

int GraphEngine::PointsDrawnOn(PlotPage page) const {
  const bool triangle = page == PlotPage::Triangular;
  if (!Settings.ViewPoints || tri_.empty() || plotKind_ == 0 || (!triangle && plotKind_ != 2)) return 0;
  int count = 0;
  for (int k = 1; k <= plotCaseCount_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (triangle ? IsDrawn(tri_[i].Plotted, tri_[i].Negative, k) : IsDrawn(tet_[i].Plotted, tet_[i].Negative, k))
      ++count;
  }
  return count;
}

int GraphEngine::PointsDrawn() const { return PointsDrawnOn(Page); }

void GraphEngine::RepaintGraph() {
  view_->RepaintPlot();
  sheet_.View().UpdateStatusBar();
}

int GraphEngine::SymbolShape(int k) const {
  if (Settings.UseDefaultShape || symbolShapes_.empty()) return Settings.DefSymShape;
  return symbolShapes_[static_cast<std::size_t>(k)];
}

QRgb GraphEngine::SymbolFill(int k) const {
  if (Settings.UseDefaultColor || symbolColors_.empty()) return Settings.FillColor;
  return symbolColors_[static_cast<std::size_t>(k)];
}

int GraphEngine::SymbolSize(int k) const {
  if (Settings.UseDefaultSize || symbolSizes_.empty()) return Settings.DefaultSymbolSize;
  return symbolSizes_[static_cast<std::size_t>(k)];
}

QRgb GraphEngine::SymbolPen(int k) const {
  if (Settings.UseDefaultColor || symbolColors_.empty()) return Settings.SymbolColor;
  return DarkenColor(symbolColors_[static_cast<std::size_t>(k)]);
}

int GraphEngine::LegendColumn() const {
  const QString& wanted = Settings.LegendVariable;
  if (wanted.isEmpty()) {
    // Symbols or colours drawn from a column of names are named by it.
    if (!Settings.UseDefaultColor && !colourCategories_.empty())
      return chosen_[Index(GraphSelector::SymbolColor)];
    if (!Settings.UseDefaultShape && !shapeCategories_.empty())
      return chosen_[Index(GraphSelector::SymbolShape)];
    return 0;
  }
  for (int c = 1; c < items_.size(); ++c)
    if (items_[c] == wanted) return c;
  for (int c = 1; c < items_.size(); ++c)
    if (items_[c].compare(wanted, Qt::CaseInsensitive) == 0) return c;
  return 0;
}

std::vector<LegendEntry> GraphEngine::LegendEntries(PlotPage page, int* more) const {
  std::vector<LegendEntry> entries;
  int beyond = 0;
  const bool tetrahedral = page != PlotPage::Triangular;
  const bool drawn =
      Settings.ViewPoints &&
      (tetrahedral ? plotKind_ == 2 && !tet_.empty() : (plotKind_ == 1 || plotKind_ == 2) && !tri_.empty());
  const int col = LegendColumn();
  const int shapeCol = chosen_[Index(GraphSelector::SymbolShape)];
  const int secondCol = Settings.LegendVariable.isEmpty() && !Settings.UseDefaultColor &&
                                !colourCategories_.empty() && !Settings.UseDefaultShape &&
                                !shapeCategories_.empty() && shapeCol != col
                            ? shapeCol
                            : 0;
  std::set<std::tuple<int, QRgb, QRgb>> seen;
  for (int k = 1; drawn && k <= plotCaseCount_; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (tetrahedral ? !IsDrawn(tet_[i].Plotted, tet_[i].Negative, k)
                    : !IsDrawn(tri_[i].Plotted, tri_[i].Negative, k))
      continue;
    LegendEntry e{SymbolShape(k), SymbolPen(k), SymbolFill(k), QString()};
    // Shape 0 hides its cases: a key line without a marker explains nothing.
    // One line per symbol, named after its first case.
    if (e.Shape == 0 || !seen.insert(std::make_tuple(e.Shape, e.Pen, e.Fill)).second) continue;
    if (col != 0 && col < sheet_.ColCount() && k < sheet_.RowCount()) {
      const std::string_view t = sheet_.Cell(col, k);
      e.Name = QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())).trimmed();
      // Colours from one column of names and shapes from another: the line
      // names both.
      if (secondCol != 0 && secondCol < sheet_.ColCount()) {
        const std::string_view u = sheet_.Cell(secondCol, k);
        const QString second = QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size())).trimmed();
        if (!second.isEmpty()) e.Name += (e.Name.isEmpty() ? QString() : QStringLiteral(", ")) + second;
      }
      e.Name = DrawnText(e.Name);
    } else {
      e.Name = SymbolShapeName(e.Shape);
    }
    if (static_cast<int>(entries.size()) < MaxLegendEntries)
      entries.push_back(std::move(e));
    else
      ++beyond;
  }
  if (more) *more = beyond;
  return entries;
}

QString GraphEngine::LabelText(int k) const {
  const int col = chosen_[Index(GraphSelector::Label)];
  if (col != 0 && !Settings.UseDefaultLabels && col < sheet_.ColCount() && k < sheet_.RowCount()) {
    return DrawnText(sheet_.Cell(col, k));
  }
  return QString::number(k);
}

QString GraphEngine::ApexLabel(int apex) const {
  const int col = chosen_[Index(Apexes[apex])];
  if (col <= 0 || col >= items_.size()) return QString(QLatin1Char(static_cast<char>('A' + apex)));
  QString text = DrawnText(items_[col]);
  const int factor = projectedFactors_[static_cast<std::size_t>(apex)];
  if (projectedScaling_ && factor > 1)
    text += QStringLiteral("(x") + QString::number(factor) + QLatin1Char(')');
  return text;
}

void GraphEngine::ViewLogFile(ReportTarget& textPad) {
  const QString path = WarningsLogPath();
  QByteArray bytes;
  if (!QFile::exists(path) || !ReadWholeFile(path, bytes, nullptr)) {
    // The message names the file where it really is and the menu item that
    // really switches the log on.
    prompter_.Message(BoxKind::Information,
                      QStringLiteral("The plot warnings log \"") + QDir::toNativeSeparators(path) +
                          QStringLiteral("\" could not be found.\n\rPlease, ensure that \"Options > Log Plot "
                                         "Warnings\" is checked whenever generating a log file is required."),
                      Only(Button::Ok));
    return;
  }
  const DecodedText text =
      DecodeText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  QStringList lines;
  for (std::string_view line : SplitLines(text.utf8))
    lines << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  textPad.StartReport();
  textPad.AppendLines(lines);
  textPad.CaretToEnd();
  textPad.ShowReport();
}

}  // namespace varnel
