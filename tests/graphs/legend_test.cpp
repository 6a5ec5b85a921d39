#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "graphs/graphengine.h"
#include "tests/graphs/plotsheet.h"

namespace varnel {
namespace {

using test::PlotSheet;

QImage Paint(GraphEngine& e, PlotPage page) {
  QImage image(1000, 707, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  PaintOptions options;
  options.Page = page;
  e.Paint(painter, SetupPageMetrics(TargetKind::Bitmap, 1000, 707, 96, PrinterPage()), options);
  return image;
}

int PixelsLike(const QImage& image, const QRect& area, QRgb want) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (std::abs(qRed(c) - qRed(want)) < 40 && std::abs(qGreen(c) - qGreen(want)) < 40 &&
          std::abs(qBlue(c) - qBlue(want)) < 40)
        ++n;
    }
  return n;
}

struct Rocks : PlotSheet {
  Rocks() {
    Connect({{"SiO2", "MgO", "FeO", "CaO", "Symbol#", "Color#", "Rock#"},
             {"2", "1", "1", "1", "4", "1", "dunite"},
             {"1", "2", "1", "1", "4", "1", "dunite"},
             {"1", "1", "2", "1", "6", "3", "basalt"},
             {"1", "1", "1", "2", "6", "3", "basalt"},
             {"1", "1", "0", "0", "6", "3", "gabbro"}});
    engine.Settings.UseDefaultShape = false;
    engine.Settings.UseDefaultColor = false;
  }
};

TEST(LegendTest, OneLinePerSymbolInUseNamedFromTheChosenColumn) {
  Rocks p;
  GraphEngine& e = p.engine;
  e.Settings.LegendVariable = QStringLiteral("rock#");  // the name in any case
  EXPECT_EQ(e.LegendColumn(), 7);
  int more = -1;
  const std::vector<LegendEntry> tri = e.LegendEntries(PlotPage::Triangular, &more);
  ASSERT_EQ(tri.size(), 3u);
  EXPECT_EQ(tri[0], (LegendEntry{4, DarkenColor(0xFFFF0000), 0xFFFF0000, QStringLiteral("dunite")}));
  EXPECT_EQ(tri[1], (LegendEntry{6, DarkenColor(0xFF008000), 0xFF008000, QStringLiteral("basalt")}));
  EXPECT_EQ(tri[2].Name, "gabbro");
  EXPECT_EQ(more, 0);
  // Excluding the only gabbro case takes its line away.
  p.sheet.SetCell(0, 5, "N");
  p.sheet.RecountIncluded();
  EXPECT_EQ(e.LegendEntries(PlotPage::Tetrahedral).size(), 2u);
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
  PlotSheet p;
  p.Connect({{"SiO2", "MgO", "FeO", "CaO", "Symbol#", "Color#", "Rock#"},
             {"2", "1", "1", "1", "4", "1", "dunite"},
             {"1", "1", "2", "1", "0", "3", "basalt"},
             {"1", "1", "1", "2", "0", "3", "basalt"},
             {"1", "1", "0", "0", "6", "3", "gabbro"}});
  GraphEngine& e = p.engine;
  e.Settings.UseDefaultShape = false;
  e.Settings.UseDefaultColor = false;
  e.Settings.LegendVariable = QStringLiteral("Rock#");
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
  e.Settings.LegendVariable = QStringLiteral("Rock#");
  for (PlotPage page : {PlotPage::Triangular, PlotPage::Tetrahedral, PlotPage::Stereo}) {
    e.Settings.ShowLegend = false;
    const QImage off = Paint(e, page);
    EXPECT_TRUE(e.LegendRect().isEmpty());
    e.Settings.ShowLegend = true;
    const QImage on = Paint(e, page);
    const QRect box = e.LegendRect();
    ASSERT_FALSE(box.isEmpty());
    EXPECT_LT(box.right(), 300);
    EXPECT_LT(box.bottom(), 200);
    // Inside the key: a red square and a green triangle; outside it the page
    // is what it was.
    EXPECT_GT(PixelsLike(on, box, qRgb(255, 0, 0)), 20);
    EXPECT_GT(PixelsLike(on, box, qRgb(0, 128, 0)), 10);
    EXPECT_EQ(PixelsLike(off, box, qRgb(255, 0, 0)), 0);
    QImage outside = on.copy();
    QPainter blank(&outside);
    blank.fillRect(box.adjusted(-2, -2, 2, 2), Qt::white);
    blank.end();
    QImage offOutside = off.copy();
    QPainter blankOff(&offOutside);
    blankOff.fillRect(box.adjusted(-2, -2, 2, 2), Qt::white);
    blankOff.end();
    EXPECT_EQ(outside, offOutside) << static_cast<int>(page);
  }
}

TEST(LegendTest, ManySymbolsEndInACountOfTheRest) {
  PlotSheet p;
  std::vector<std::vector<std::string>> rows{{"a", "b", "c", "Label#"}};
  for (int k = 1; k <= 30; ++k) rows.push_back({"1", std::to_string(k), "1", "L" + std::to_string(k)});
  p.Connect(rows);
  p.engine.Settings.LegendVariable = QStringLiteral("Label#");
  int more = 0;
  EXPECT_EQ(p.engine.LegendEntries(PlotPage::Triangular, &more).size(),
            static_cast<std::size_t>(MaxLegendEntries));
  EXPECT_EQ(more, 30 - MaxLegendEntries);
}

}  // namespace
}  // namespace varnel
