// Symbols covered by later opaque ones: the cover map's bookkeeping, and
// pages drawn with the covered symbols left out that are the same, pixel for
// pixel, as pages drawn with every symbol.
#include "graphs/covermap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <random>
#include <string>
#include <vector>

#include "tests/graphs/plotsheet.h"

namespace varnel {
namespace {

// A picture from rows of '#' (opaque), '+' (touched, not opaque) and '.'.
PictureMask Mask(const std::vector<std::string>& rows) {
  PictureMask m;
  m.Width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
  for (const std::string& row : rows) {
    std::uint64_t touched = 0, opaque = 0;
    // A row wider than a word keeps its width (which the map refuses) but
    // only the bits a word has.
    for (std::size_t x = 0; x < row.size() && x < 64; ++x) {
      if (row[x] != '.') touched |= std::uint64_t{1} << x;
      if (row[x] == '#') opaque |= std::uint64_t{1} << x;
    }
    m.Touched.push_back(touched);
    m.Opaque.push_back(opaque);
  }
  return m;
}

PictureMask Rect(int wide, int high) {
  return Mask(std::vector<std::string>(static_cast<std::size_t>(high),
                                       std::string(static_cast<std::size_t>(wide), '#')));
}

PictureMask Square(int side, char inside = '#') {
  return Mask(std::vector<std::string>(static_cast<std::size_t>(side),
                                       std::string(static_cast<std::size_t>(side), inside)));
}

struct Placed {
  PictureMask mask;
  int x, y;
  bool covered;  // what the map must say, asked from the last one back
};

struct CoverCase {
  const char* what;
  QRect area;
  std::vector<Placed> drawn;  // in the order they are copied
};

TEST(CoverMapTest, APictureIsCoveredOnlyWhenEveryPixelItTouchesIsOpaqueLater) {
  const PictureMask disc = Mask({".+#+.", "+###+", "#####", "+###+", ".+#+."});
  const CoverCase cases[] = {
      {"the same opaque square twice",
       {0, 0, 100, 100},
       {{Square(3), 10, 10, true}, {Square(3), 10, 10, false}}},
      {"a smaller square under a larger",
       {0, 0, 100, 100},
       {{Square(2), 11, 11, true}, {Square(4), 10, 10, false}}},
      {"one pixel out from under",
       {0, 0, 100, 100},
       {{Square(3), 12, 10, false}, {Square(3), 10, 10, false}}},
      {"the same disc twice: its soft edge shows through",
       {0, 0, 100, 100},
       {{disc, 20, 20, false}, {disc, 20, 20, false}}},
      {"a disc under a square", {0, 0, 100, 100}, {{disc, 20, 20, true}, {Square(5), 20, 20, false}}},
      {"a square under a disc: only the opaque middle counts",
       {0, 0, 100, 100},
       {{Square(3), 21, 21, true}, {Square(5, '+'), 20, 20, false}, {disc, 20, 20, false}}},
      {"across a word of the map, under two halves",
       {0, 0, 200, 10},
       {{Square(6), 61, 2, true}, {Rect(4, 6), 60, 2, false}, {Rect(5, 6), 64, 2, false}}},
      {"across a word, one column not covered",
       {0, 0, 200, 10},
       {{Square(6), 61, 2, false}, {Rect(4, 6), 60, 2, false}, {Rect(5, 6), 65, 2, false}}},
      {"64 columns wide at a word's edge",
       {0, 0, 300, 4},
       {{Square(2), 120, 0, true}, {Rect(64, 1), 64, 1, false}, {Rect(64, 2), 100, 0, false}}},
      {"partly left of the area: never covered",
       {0, 0, 100, 100},
       {{Square(3), -1, 5, false}, {Square(6), -3, 3, false}}},
      {"partly right of the area", {0, 0, 100, 100}, {{Square(3), 98, 5, false}, {Square(6), 96, 3, false}}},
      {"partly above and below",
       {0, 0, 100, 100},
       {{Square(3), 5, -1, false},
        {Square(3), 5, 98, false},
        {Square(9), 2, -3, false},
        {Square(9), 2, 94, false}}},
      {"wholly outside", {0, 0, 100, 100}, {{Square(3), 200, 5, false}, {Square(3), 200, 5, false}}},
      {"an area away from the origin",
       {-50, 30, 40, 40},
       {{Square(3), -40, 40, true},
        {Square(4), -41, 39, false},
        {Square(3), 0, 40, false},
        {Square(4), -1, 39, false}}},
      {"the edge covers what lies inside the area",
       {0, 0, 100, 100},
       {{Square(2), 0, 0, true}, {Square(4), -2, -2, false}}},
      {"too wide to follow",
       {0, 0, 200, 10},
       {{Square(2), 10, 2, false},
        {Mask({std::string(65, '#'), std::string(65, '#'), std::string(65, '#')}), 0, 1, false}}},
  };
  for (const CoverCase& k : cases) {
    SCOPED_TRACE(k.what);
    CoverMap map;
    map.Reset(k.area);
    for (std::size_t i = k.drawn.size(); i-- > 0;) {
      const Placed& d = k.drawn[i];
      EXPECT_EQ(map.CoveredThenCover(d.mask, d.x, d.y), d.covered) << "picture " << i;
    }
  }
}

TEST(CoverMapTest, ResetForgetsWhatWasCovered) {
  CoverMap map;
  map.Reset(QRect(0, 0, 50, 50));
  EXPECT_FALSE(map.CoveredThenCover(Square(5), 10, 10));
  EXPECT_TRUE(map.CoveredThenCover(Square(5), 10, 10));
  map.Reset(QRect(0, 0, 50, 50));
  EXPECT_FALSE(map.CoveredThenCover(Square(5), 10, 10));
  map.Reset(QRect());
  EXPECT_FALSE(map.CoveredThenCover(Square(5), 10, 10));
  EXPECT_FALSE(map.CoveredThenCover(Square(5), 10, 10));
}

// A cloud of cases with a mineral name, many on the same spots.
struct Cloud : test::PlotSheet {
  explicit Cloud(int cases) {
    std::vector<std::vector<std::string>> rows{{"SiO2", "MgO", "FeO", "Mineral#"}};
    std::mt19937 gen(5);
    std::gamma_distribution<double> d(2.0, 10.0);
    const char* minerals[] = {"olivine", "opx", "cpx", "garnet", "spinel"};
    for (int i = 0; i < cases; ++i) {
      std::vector<std::string> row;
      for (int c = 0; c < 3; ++c) row.push_back(std::to_string(static_cast<int>(d(gen) * 10) / 10.0));
      row.emplace_back(minerals[gen() % 5]);
      rows.push_back(row);
    }
    Connect(rows);
  }
  void Categories() {
    engine.SetSelectorItem(GraphSelector::SymbolShape, 4);
    engine.SpecialColumnChanged(GraphSelector::SymbolShape);
    engine.SetSelectorItem(GraphSelector::SymbolColor, 4);
    engine.SpecialColumnChanged(GraphSelector::SymbolColor);
    engine.Settings.UseDefaultShape = false;
    engine.Settings.UseDefaultColor = false;
  }
  QImage Page(bool skip, QSize size, QPointF shift, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(shift);
    PaintOptions options;
    options.SkipCoveredSymbols = skip;
    engine.Paint(painter,
                 SetupPageMetrics(TargetKind::Bitmap, size.width(), size.height(), 96, PrinterPage{}),
                 options);
    return image;
  }
};

TEST(CoveredSymbolsTest, PagesWithoutTheCoveredSymbolsAreTheSamePixelForPixel) {
  struct Look {
    const char* what;
    bool categories;
    int size;  // symbol size in 0.1 mm
    Real zoom;
    QSize page;
    QPointF shift;
    QImage::Format format;
    int coveredAtLeast;  // and none when 0
  };
  const Look looks[] = {
      {"plain", false, 30, 1, {1000, 707}, {0, 0}, QImage::Format_RGB32, 1000},
      {"categories", true, 30, 1, {1000, 707}, {0, 0}, QImage::Format_RGB32, 1000},
      {"large symbols, shifted page", true, 120, 1, {800, 566}, {3, -7}, QImage::Format_RGB32, 1000},
      {"zoomed: symbols run off the page", false, 50, 4, {600, 424}, {0, 0}, QImage::Format_RGB32, 1},
      {"small page, tiny symbols", true, 5, 1, {200, 141}, {0, 0}, QImage::Format_ARGB32_Premultiplied, 1000},
      {"half-pixel shift: every symbol drawn",
       false,
       30,
       1,
       {1000, 707},
       {0.5, 0},
       QImage::Format_RGB32,
       false},
  };
  Cloud cloud(6000);
  for (const Look& k : looks) {
    SCOPED_TRACE(k.what);
    Cloud& p = cloud;
    if (k.categories) p.Categories();
    p.engine.Settings.UseDefaultShape = !k.categories;
    p.engine.Settings.UseDefaultColor = !k.categories;
    p.engine.Settings.DefaultSymbolSize = k.size;
    p.engine.Settings.Scale = k.zoom;
    const QImage all = p.Page(false, k.page, k.shift, k.format);
    EXPECT_EQ(p.engine.SymbolsCoveredInLastPaint(), 0);
    const QImage some = p.Page(true, k.page, k.shift, k.format);
    const int covered = p.engine.SymbolsCoveredInLastPaint();
    if (k.coveredAtLeast > 0) {
      EXPECT_GE(covered, k.coveredAtLeast);
    } else {
      EXPECT_EQ(covered, 0);
    }
    EXPECT_LT(covered, 6000);
    ASSERT_EQ(all.size(), some.size());
    int differ = 0;
    for (int y = 0; y < all.height(); ++y)
      for (int x = 0; x < all.width(); ++x) differ += all.pixel(x, y) != some.pixel(x, y);
    EXPECT_EQ(differ, 0);
  }
}

// Where something is drawn between the symbols, or they are not copied
// whole, every symbol is drawn.
TEST(CoveredSymbolsTest, LabelsAndOpacityKeepEverySymbol) {
  struct Setting {
    const char* what;
    bool labels;
    Real opacity;
  };
  const Setting settings[] = {{"labels", true, 1}, {"opacity", false, 0.5L}};
  Cloud p(3000);
  for (const Setting& s : settings) {
    SCOPED_TRACE(s.what);
    p.engine.Settings.ViewLabels = s.labels;
    p.engine.Settings.PointOpacity = s.opacity;
    p.Page(true, {1000, 707}, {0, 0});
    EXPECT_EQ(p.engine.SymbolsCoveredInLastPaint(), 0);
  }
  p.engine.Settings.ViewLabels = false;
  p.engine.Settings.PointOpacity = 1;
  p.Page(true, {1000, 707}, {0, 0});
  EXPECT_GT(p.engine.SymbolsCoveredInLastPaint(), 0);
}

}  // namespace
}  // namespace varnel
