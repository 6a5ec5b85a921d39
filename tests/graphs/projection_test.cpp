#include "graphs/projection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <QPoint>
#include <array>
#include <cmath>

#include "graphs/graphsettings.h"
#include "graphs/pagemetrics.h"

namespace varnel {
namespace {

// A4 landscape at 600 dots per inch: 1000 pixels wide gives 707 high.
const PrinterPage A4Landscape;

TEST(TriangleTest, CornersAndCentroidOfTheTriangle) {
  Real x, y;
  TriangleXY(1, 0, x, y);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 0);
  TriangleXY(0, 1, x, y);
  EXPECT_NEAR(static_cast<double>(x), 0.5, 1e-15);
  EXPECT_NEAR(static_cast<double>(y), 0.8660254, 1e-7);
  TriangleXY(0, 0, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  TriangleXY(1.0L / 3, 1.0L / 3, x, y);
  EXPECT_NEAR(static_cast<double>(x), 0.5, 1e-15);
  EXPECT_NEAR(static_cast<double>(y), 0.2887, 5e-5);
}

TEST(TriangleTest, ScreenPageOf1000PixelsPutsTheCornersOnTheirPixels) {
  const QSize page = ScreenPageSize(true, QSize(1030, 800), 96, A4Landscape);
  EXPECT_EQ(page, QSize(1000, 707));
  // A short window: the height decides and the whole page shows.
  const QSize shortPage = ScreenPageSize(true, QSize(1030, 420), 96, A4Landscape);
  EXPECT_EQ(shortPage, QSize(566, 400));
  EXPECT_LE(shortPage.width() + 30, 1030);
  const PageMetrics m = SetupPageMetrics(TargetKind::Screen, 1000, 707, 96, A4Landscape);
  EXPECT_EQ(m.UnitScale, 300);
  EXPECT_EQ(m.CentreX, 500);
  EXPECT_EQ(m.CentreY, 353);
  const TriangleMapping map = MapTriangle(m.UnitScale, 1, m.CentreX, m.CentreY);
  EXPECT_EQ(map.FT, 450);
  EXPECT_EQ(map.X0, 275);
  EXPECT_EQ(map.Y0, 548);
  int x, y;
  TrianglePixel(map, 1, 0, x, y);
  EXPECT_EQ(QPoint(x, y), QPoint(725, 548));
  TrianglePixel(map, 0.5L, Sin60, x, y);
  EXPECT_EQ(QPoint(x, y), QPoint(500, 158));
  TrianglePixel(map, 0, 0, x, y);
  EXPECT_EQ(QPoint(x, y), QPoint(275, 548));
  // Zooming keeps the centre.
  const TriangleMapping half = MapTriangle(m.UnitScale, 0.5L, m.CentreX, m.CentreY);
  TrianglePixel(half, 0.5L, Sin60 / 3, x, y);
  EXPECT_NEAR(x, 500, 1);
}

TEST(PageMetricsTest, PrintedPageHasDeviceScaleOneAndTheScreenItsShareOfThePage) {
  const PageMetrics printer =
      SetupPageMetrics(TargetKind::Printer, A4Landscape.Width, A4Landscape.Height, 96, A4Landscape);
  EXPECT_EQ(printer.TargetDpi, 600);
  EXPECT_EQ(printer.DeviceScale, 1);
  const PageMetrics screen = SetupPageMetrics(TargetKind::Screen, 1000, 707, 96, A4Landscape);
  EXPECT_EQ(screen.TargetDpi, 96);
  EXPECT_NEAR(static_cast<double>(screen.DeviceScale), (707.0 / 96) / (4961.0 / 600), 1e-12);
  // Without fitting, the page has the paper's size at the screen's resolution.
  EXPECT_EQ(ScreenPageSize(false, QSize(400, 200), 96, A4Landscape), QSize(1123, 794));
}

TEST(PageMetricsTest, SymbolRadiusAndPenWidthsAt96And600DotsPerInch) {
  PageMetrics print;
  print.TargetDpi = 600;
  print.DeviceScale = 1;
  // Size, radius and outline width.
  const auto srw = [](const SymbolGeometry& g) { return std::array<int, 3>{g.S, g.R, g.W}; };
  EXPECT_EQ(srw(SymbolMetrics(30, print)), (std::array<int, 3>{71, 36, 7}));
  PageMetrics screen;
  screen.TargetDpi = 96;
  screen.DeviceScale = 0.5L;
  EXPECT_EQ(srw(SymbolMetrics(30, screen)), (std::array<int, 3>{11, 3, 1}));
  SymbolGeometry g = SymbolMetrics(1, screen);
  EXPECT_EQ(g.R, 1);
  EXPECT_EQ(g.W, 1);
  g = SymbolMetrics(0, screen);
  EXPECT_EQ(g.R, 1);
  // The outline: 0.3 mm is 7 dots at 600 dpi and never thinner than a pixel.
  EXPECT_EQ(PenWidthPixels(3, print), 7);
  EXPECT_EQ(PenWidthPixels(3, screen), 1);
  EXPECT_EQ(PenWidthPixels(50, screen), 10);  // 19 x 0.5, a tie to even
}

TEST(PageMetricsTest, RoundingIsToEvenAndSafeFarOffThePage) {
  EXPECT_EQ(RoundPixel(2.5L), 2);
  EXPECT_EQ(RoundPixel(3.5L), 4);
  EXPECT_EQ(RoundPixel(-2.5L), -2);
  EXPECT_EQ(RoundPixel(1e30L), 100000000);
  EXPECT_EQ(RoundPixel(-INFINITY), -100000000);
  // The same as the library's nearbyint on every kind of value: ties, values
  // a hair beside a tie, small, negative and large ones.
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> wide(-2e8, 2e8);
  for (int i = 0; i < 200000; ++i) {
    const Real base = static_cast<Real>(std::floor(wide(gen) / (i % 3 == 0 ? 1e4 : 1))) + 0.5L;
    for (const Real v : {base, std::nextafter(base, 1e9L), std::nextafter(base, -1e9L), base / 7, -base / 3}) {
      const Real reference = std::nearbyint(std::clamp(v, -1e8L, 1e8L));
      ASSERT_EQ(RoundPixel(v), static_cast<int>(reference)) << static_cast<double>(v);
    }
  }
  EXPECT_EQ(MulDiv(30, 600, 254), 71);
  EXPECT_EQ(MulDiv(1, 127, 254), 1);  // a half goes away from zero
  EXPECT_EQ(MulDiv(-1, 127, 254), -1);
}

TEST(TetrahedronTest, VerticesAndCentroidInTetrahedronSpace) {
  const Point3 a = TetToCartesian(1, 0, 0, 0);
  const Point3 b = TetToCartesian(0, 1, 0, 0);
  const Point3 c = TetToCartesian(0, 0, 1, 0);
  const Point3 d = TetToCartesian(0, 0, 0, 1);
  const auto near5 = [](Real v, double want) { EXPECT_NEAR(static_cast<double>(v), want, 5e-6); };
  near5(a.X, 0.61237), near5(a.Y, -0.35355), near5(a.Z, -0.25);
  near5(b.X, 0), near5(b.Y, 0), near5(b.Z, 0.75);
  near5(c.X, 0), near5(c.Y, 0.70710), near5(c.Z, -0.25);
  near5(d.X, -0.61237), near5(d.Y, -0.35355), near5(d.Z, -0.25);
  const Point3 o = TetToCartesian(0.25L, 0.25L, 0.25L, 0.25L);
  EXPECT_EQ(o.X, 0);
  EXPECT_EQ(o.Y, 0);
  EXPECT_EQ(o.Z, 0);
  // The fixed divisors, not sqrt(2/3): A's X is 0.5 / 0.8165027307037.
  EXPECT_NEAR(static_cast<double>(a.X), 0.5 / 0.8165027307037, 1e-15);
}

void ExpectProjected(const Projected& p, double px, double py, double depth) {
  EXPECT_NEAR(static_cast<double>(p.PX), px, 5e-5);
  EXPECT_NEAR(static_cast<double>(p.PY), py, 5e-5);
  EXPECT_NEAR(static_cast<double>(p.Depth), depth, 5e-5);
}

TEST(TetrahedronTest, DefaultViewAndLeftViewOfThePairToFourDecimals) {
  const ViewAngles view;  // 21, -54, 5 degrees, eye at 5
  ExpectProjected(ProjectView(TetToCartesian(1, 0, 0, 0), 0, view), 0.6669, 0.1310, -0.2364);
  ExpectProjected(ProjectView(TetToCartesian(0, 1, 0, 0), 0, view), 0.0000, -0.6654, 0.4408);
  ExpectProjected(ProjectView(TetToCartesian(0, 0, 1, 0), 0, view), -0.2747, 0.6398, 0.3871);
  ExpectProjected(ProjectView(TetToCartesian(0, 0, 0, 1), 0, view), -0.3979, -0.1080, -0.5915);
  ExpectProjected(ProjectView(TetToCartesian(1, 0, 0, 0), 1, view), 0.6526, 0.1303, -0.2667);
  ExpectProjected(ProjectView(TetToCartesian(0, 1, 0, 0), 1, view), 0.0211, -0.6654, 0.4404);
  // The right view mirrors the turn.
  const Projected right = ProjectView(TetToCartesian(0, 1, 0, 0), 2, view);
  EXPECT_NEAR(static_cast<double>(right.PX), -0.0211, 5e-5);
}

TEST(TetrahedronTest, LookingDownTheVerticalAxisAndTheEyeComingCloser) {
  ViewAngles view;
  view.Alpha = 0;
  view.Theta = 0;
  const Point3 b = TetToCartesian(0, 1, 0, 0);
  ExpectProjected(ProjectView(b, 0, view), 0, 0, 0.75);
  // What lies towards the eye grows as the eye comes closer to it.
  const Point3 nearTop{0.1L, 0, 0.5L};
  EXPECT_NEAR(static_cast<double>(ProjectView(nearTop, 0, view).PX), 0.1 * 5 / 4.5, 1e-15);
  view.EyeDistance = 1;
  EXPECT_NEAR(static_cast<double>(ProjectView(nearTop, 0, view).PX), 0.2, 1e-15);
}

TEST(ColourTest, CodesAndDarkenedOutlines) {
  EXPECT_EQ(ColorOfCode(0), qRgb(0, 0, 0));
  EXPECT_EQ(ColorOfCode(1), qRgb(255, 0, 0));
  EXPECT_EQ(ColorOfCode(10), qRgb(0, 0, 128));
  EXPECT_EQ(ColorOfCode(14), qRgb(128, 128, 128));
  EXPECT_EQ(DarkenColor(qRgb(255, 0, 0)), qRgb(0x7F, 0, 0));
  EXPECT_EQ(DarkenColor(qRgb(0xC0, 0xC0, 0xC0)), qRgb(0x60, 0x60, 0x60));
}

}  // namespace
}  // namespace varnel
