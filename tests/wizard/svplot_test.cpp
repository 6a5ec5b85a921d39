#include "wizard/svplot.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace varnel {
namespace {

QColor At(const QImage& img, QPoint p) { return img.pixelColor(p); }

TEST(SvPlot, MarkersAreRedBelowTheGuessZeroAndGreenAtOrAbove) {
  QImage img(400, 300, QImage::Format_RGB32);
  QPainter p(&img);
  const std::vector<Real> values{10, 1, 0.0009L, 1e-5L, 0};
  const auto points = PaintSingularValues(p, 400, 300, values, 0.0009L, '.');
  p.end();
  ASSERT_EQ(points.size(), 5u);
  EXPECT_EQ(At(img, points[0]), QColor(0, 255, 0));
  EXPECT_EQ(At(img, points[1]), QColor(0, 255, 0));
  EXPECT_EQ(At(img, points[2]), QColor(0, 255, 0));  // equal to the guess zero
  EXPECT_EQ(At(img, points[3]), QColor(Qt::red));
  EXPECT_EQ(At(img, points[4]), QColor(Qt::red));
  // Zero lies on the x axis; the values step down by whole decades.
  EXPECT_EQ(points[4].y(), 300 - 17);
  const int u = (300 - 22) / 16;
  EXPECT_EQ(points[1].y() - points[0].y(), u);
  EXPECT_EQ(points[4].y() - points[3].y(), 9 * u);
  // Evenly spaced along x, the first on the y axis.
  EXPECT_EQ(points[1].x() - points[0].x(), points[4].x() - points[3].x());
  // The background is the button shadow colour away from the drawing.
  EXPECT_EQ(At(img, QPoint(399, 150)), QColor(128, 128, 128));
  // The dotted threshold line runs at the height of the 0.0009 marker,
  // away from the markers.
  bool red = false;
  for (int x = points[3].x() + 4; x < points[4].x() - 4; ++x)
    if (At(img, QPoint(x, points[2].y())) == QColor(Qt::red)) red = true;
  EXPECT_TRUE(red);
}

TEST(SvPlot, NoThresholdLineBelowTheSmallestDecade) {
  QImage img(300, 200, QImage::Format_RGB32);
  QPainter p(&img);
  const std::vector<Real> values{1, 1e-3L};
  const auto points = PaintSingularValues(p, 300, 200, values, 1e-16L, '.');
  p.end();
  int reds = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      if (img.pixelColor(x, y) == QColor(Qt::red)) ++reds;
  EXPECT_EQ(reds, 0);
  EXPECT_EQ(At(img, points[1]), QColor(0, 255, 0));
}

}  // namespace
}  // namespace varnel
