#include "wizard/svplot.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace varnel {
namespace {

QColor At(const QImage& img, QPoint p) { return img.pixelColor(p); }

// The plot painted on an image of width x height logical pixels at a device
// pixel ratio.
struct Painted {
  Painted(int width, int height, qreal ratio, const std::vector<Real>& values, Real guessZero)
      : img(QSize(width, height) * ratio, QImage::Format_RGB32) {
    img.setDevicePixelRatio(ratio);
    QPainter p(&img);
    g = PaintSingularValues(p, width, height, values, guessZero, '.');
  }
  QColor Device(QPoint logical) const { return img.pixelColor(logical * img.devicePixelRatio()); }
  QImage img;
  SvPlotGeometry g;
};

TEST(SvPlot, MarkersAreRedBelowTheGuessZeroAndGreenAtOrAbove) {
  const Painted plot(400, 300, 1, {10, 1, 0.0009L, 1e-5L, 0}, 0.0009L);
  const auto& points = plot.g.Points;
  ASSERT_EQ(points.size(), 5u);
  const QColor green(0, 255, 0), red(Qt::red);
  const QColor expected[] = {green, green, green /* equal to the guess zero */, red, red};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(At(plot.img, points[i]), expected[i]) << i;
  // The values step down by whole decades; zero lies at the lowest, 1E-14.
  const int u = plot.g.Decade;
  EXPECT_GT(u, 0);
  EXPECT_EQ(points[1].y() - points[0].y(), u);
  EXPECT_EQ(points[4].y() - points[3].y(), 9 * u);
  // Evenly spaced along x.
  EXPECT_EQ(points[1].x() - points[0].x(), points[4].x() - points[3].x());
  // The background is the button shadow colour away from the drawing.
  EXPECT_EQ(At(plot.img, QPoint(399, 150)), QColor(128, 128, 128));
  // The dotted threshold line runs at the height of the 0.0009 marker,
  // away from the markers.
  bool dotted = false;
  for (int x = points[3].x() + 5; x < points[4].x() - 5; ++x)
    if (At(plot.img, QPoint(x, points[2].y())) == red) dotted = true;
  EXPECT_TRUE(dotted);
}

TEST(SvPlot, MarkersKeepClearOfTheFrameAndTheAxisSaysItIsLog10) {
  // The largest value at the top decade, a zero at the bottom one: every
  // marker, whole, lies inside the frame without touching its axes.
  const Painted plot(400, 300, 1, {100, 1, 0}, 0.0009L);
  const QRect& frame = plot.g.Frame;
  for (const QPoint& q : plot.g.Points) {
    EXPECT_GT(q.x() - 3, frame.left()) << q.x();
    EXPECT_LT(q.y() + 3, frame.bottom()) << q.y();
    EXPECT_GT(q.y() - 3, frame.top()) << q.y();
    EXPECT_LT(q.x() + 3, frame.right()) << q.x();
  }
  // Text left of the decade labels: the axis title, written upright.
  int titlePixels = 0;
  for (int y = frame.top(); y < frame.bottom(); ++y)
    for (int x = 0; x < 4 + 13; ++x)
      if (At(plot.img, QPoint(x, y)) == QColor(255, 255, 255)) ++titlePixels;
  EXPECT_GT(titlePixels, 50);
}

TEST(SvPlot, LinesAndMarkersScaleWithTheDevice) {
  // The polyline between two markers, crossed by a column of device pixels:
  // at twice the pixel ratio it is twice as thick, so never one pixel thin.
  auto thickness = [](const Painted& plot) {
    const auto& pts = plot.g.Points;
    const int midX = (pts[0].x() + pts[1].x()) / 2;
    const int x = static_cast<int>(midX * plot.img.devicePixelRatio());
    int count = 0;
    for (int y = 0; y < plot.img.height(); ++y) {
      const QColor c = plot.img.pixelColor(x, y);
      if (c.red() > 200 && c.green() > 200 && c.blue() < 80) ++count;
    }
    return count;
  };
  const std::vector<Real> values{10, 1e-6L};
  const Painted one(400, 300, 1, values, 1e-16L);
  const Painted two(400, 300, 2, values, 1e-16L);
  EXPECT_GE(thickness(one), 2);
  EXPECT_GE(thickness(two), 2 * thickness(one) - 1);
  // The markers and their places are the same in logical pixels.
  EXPECT_EQ(one.g.Points, two.g.Points);
  EXPECT_EQ(two.Device(two.g.Points[0] + QPoint(3, 3)), QColor(0, 255, 0));
}

TEST(SvPlot, NoThresholdLineBelowTheSmallestDecade) {
  const Painted plot(300, 200, 1, {1, 1e-3L}, 1e-16L);
  int reds = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      if (plot.img.pixelColor(x, y) == QColor(Qt::red)) ++reds;
  EXPECT_EQ(reds, 0);
  EXPECT_EQ(At(plot.img, plot.g.Points[1]), QColor(0, 255, 0));
}

}  // namespace
}  // namespace varnel
