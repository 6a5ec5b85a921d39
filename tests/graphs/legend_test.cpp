#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "graphs/graphengine.h"
#include "tests/graphs/pixels.h"
#include "tests/graphs/plotsheet.h"

namespace varnel {
namespace {

using test::PixelsLike;
using test::PlotSheet;

QImage Paint(GraphEngine& e, PlotPage page, QRect* legend = nullptr) {
  QImage image(1000, 707, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  PaintOptions options;
  options.Page = page;
  const QRect drawn = e.Paint(painter, SetupPageMetrics(TargetKind::Bitmap, 1000, 707, 96, PrinterPage()), options);
  if (legend) *legend = drawn;
  return image;
}

// Cases with their shapes, colours and rock names; the legend names them by Rock#.
struct Rocks : PlotSheet {
  explicit Rocks(const std::vector<std::vector<std::string>>& rows = {
                     {"SiO2", "MgO", "FeO", "CaO", "Symbol#", "Color#", "Rock#"},
                     {"2", "1", "1", "1", "4", "1", "dunite"},
                     {"1", "2", "1", "1", "4", "1", "dunite"},
                     {"1", "1", "2", "1", "6", "3", "basalt"},
                     {"1", "1", "1", "2", "6", "3", "basalt"},
                     {"1", "1", "0", "0", "6", "3", "gabbro"}}) {
    Connect(rows);
    engine.Settings.UseDefaultShape = false;
    engine.Settings.UseDefaultColor = false;
    engine.Settings.LegendVariable = QStringLiteral("Rock#");
  }
};

TEST(LegendTest, OneLinePerSymbolInUseNamedFromTheChosenColumn) {
  Rocks p;
  GraphEngine& e = p.engine;
  e.Settings.LegendVariable = QStringLiteral("rock#");  // the name in any case
  EXPECT_EQ(e.LegendColumn(), 7);
  int more = -1;
  const std::vector<LegendEntry> tri = e.LegendEntries(PlotPage::Triangular, &more);
  // One line per symbol and colour: the gabbro shares the basalt's symbol,
  // and the line is named after the first case drawn with it.
  ASSERT_EQ(tri.size(), 2u);
  EXPECT_EQ(tri[0], (LegendEntry{4, DarkenColor(0xFFFF0000), 0xFFFF0000, QStringLiteral("dunite")}));
  EXPECT_EQ(tri[1], (LegendEntry{6, DarkenColor(0xFF008000), 0xFF008000, QStringLiteral("basalt")}));
  EXPECT_EQ(more, 0);
  // Excluding both dunites takes their line away.
  p.sheet.SetCell(0, 1, "N");
  p.sheet.SetCell(0, 2, "N");
  p.sheet.RecountIncluded();
  EXPECT_EQ(e.LegendEntries(PlotPage::Tetrahedral).size(), 1u);
  p.sheet.SetAllInclusion(true);
  // Without a column the lines are named after the shapes.
  e.Settings.LegendVariable.clear();
  const std::vector<LegendEntry> shapes = e.LegendEntries(PlotPage::Triangular);
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0].Name, "Filled Square");
  EXPECT_EQ(shapes[1].Name, "Filled TriangleUp");
  // Points switched off: nothing to explain.
  e.Settings.ViewPoints = false;
  EXPECT_TRUE(e.LegendEntries(PlotPage::Triangular).empty());
}

TEST(LegendTest, HiddenCasesOfShapeZeroGetNoLine) {
  // The basalts are hidden by shape 0; the gabbro keeps its triangle.
  Rocks p({{"SiO2", "MgO", "FeO", "CaO", "Symbol#", "Color#", "Rock#"},
           {"2", "1", "1", "1", "4", "1", "dunite"},
           {"1", "1", "2", "1", "0", "3", "basalt"},
           {"1", "1", "1", "2", "0", "3", "basalt"},
           {"1", "1", "0", "0", "6", "3", "gabbro"}});
  GraphEngine& e = p.engine;
  const std::vector<LegendEntry> tri = e.LegendEntries(PlotPage::Triangular);
  ASSERT_EQ(tri.size(), 2u);
  EXPECT_EQ(tri[0].Name, "dunite");
  EXPECT_EQ(tri[1].Name, "gabbro");
  EXPECT_EQ(tri[1].Shape, 6);
  // Named after the shapes, there is no "No symbol" line either.
  e.Settings.LegendVariable.clear();
  const std::vector<LegendEntry> tet = e.LegendEntries(PlotPage::Tetrahedral);
  ASSERT_EQ(tet.size(), 2u);
  for (const LegendEntry& entry : tet) EXPECT_NE(entry.Name, "No symbol");
}

TEST(LegendTest, DrawnOnlyWhenSwitchedOnAndLeavesTheRestOfThePageAlone) {
  Rocks p;
  GraphEngine& e = p.engine;
  // The page with the key's place (and a margin) blanked out.
  const auto outside = [](QImage image, const QRect& box) {
    QPainter blank(&image);
    blank.fillRect(box.adjusted(-2, -2, 2, 2), Qt::white);
    blank.end();
    return image;
  };
  for (PlotPage page : {PlotPage::Triangular, PlotPage::Tetrahedral, PlotPage::Stereo}) {
    e.Settings.ShowLegend = false;
    QRect box;
    const QImage off = Paint(e, page, &box);
    EXPECT_TRUE(box.isEmpty());
    e.Settings.ShowLegend = true;
    const QImage on = Paint(e, page, &box);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_LT(box.right(), 300);
    EXPECT_LT(box.bottom(), 200);
    // Inside the key: a red square and a green triangle; outside it the page
    // is what it was.
    EXPECT_GT(PixelsLike(on, box, qRgb(255, 0, 0)), 20);
    EXPECT_GT(PixelsLike(on, box, qRgb(0, 128, 0)), 10);
    EXPECT_EQ(PixelsLike(off, box, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(outside(on, box), outside(off, box)) << static_cast<int>(page);
  }
}

TEST(LegendTest, ManySymbolsEndInACountOfTheRest) {
  PlotSheet p;
  std::vector<std::vector<std::string>> rows{{"a", "b", "c", "Color#", "Symbol#"}};
  for (int k = 1; k <= 30; ++k)
    rows.push_back({"1", std::to_string(k), "1", "R" + std::to_string(100 + k), "R" + std::to_string(100 + k)});
  p.Connect(rows);
  p.engine.Settings.UseDefaultShape = false;
  p.engine.Settings.UseDefaultColor = false;
  int more = 0;
  EXPECT_EQ(p.engine.LegendEntries(PlotPage::Triangular, &more).size(),
            static_cast<std::size_t>(MaxLegendEntries));
  EXPECT_EQ(more, 30 - MaxLegendEntries);
}

}  // namespace
}  // namespace varnel
