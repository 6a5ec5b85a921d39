#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include "graphs/plotpicture.h"
#include "tests/graphs/pixels.h"
#include "tests/graphs/plotsheet.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::Darkest;
using test::DarkPixelsIn;
using test::IsWhite;
using test::Near;
using test::PlotSheet;

const PrinterPage A4Landscape;

// The page as the screen shows it at 1000 x 707 pixels.
QImage PaintPage(GraphEngine& e, PlotPage page = PlotPage::Triangular, int width = 1000, int dpi = 96) {
  const int height = RoundPixel(width / A4Landscape.PageAspect());
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  PaintOptions options;
  options.Page = page;
  e.Page = page;
  e.Paint(painter, SetupPageMetrics(TargetKind::Screen, width, height, dpi, A4Landscape), options);
  painter.end();
  const QString keep = qEnvironmentVariable("VARNEL_TEST_PICTURES");
  if (!keep.isEmpty())
    image.save(keep + QLatin1Char('/') + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
               QStringLiteral(".png"));
  return image;
}

TEST(PaintTriangleTest, OutlineCornersAreSharpAndThePageIsWhite) {
  PlotSheet p;
  p.Connect({{"a", "b"}, {"1", "1"}});  // two apexes: only the outline
  const QImage image = PaintPage(p.engine);
  EXPECT_TRUE(IsWhite(image.pixel(2, 2)));
  EXPECT_LT(Darkest(image, 725, 548), 80);
  EXPECT_LT(Darkest(image, 500, 158), 80);
  EXPECT_LT(Darkest(image, 275, 548), 80);
  // The base is one crisp pixel row at 96 dots per inch.
  EXPECT_LT(qGray(image.pixel(500, 548)), 40);
  EXPECT_GT(qGray(image.pixel(500, 547)), 215);
  EXPECT_GT(qGray(image.pixel(500, 549)), 215);
  EXPECT_TRUE(IsWhite(image.pixel(500, 400)));
  // Apex letters: A right of its corner, B above, C left; none on the outline.
  EXPECT_GT(DarkPixelsIn(image, QRect(731, 548, 20, 20)), 5);
  EXPECT_GT(DarkPixelsIn(image, QRect(490, 125, 20, 25)), 5);
  EXPECT_GT(DarkPixelsIn(image, QRect(250, 548, 20, 20)), 5);
}

TEST(PaintTriangleTest, PointsNegativePointsAndTheCentroid) {
  PlotSheet p;
  p.Connect({{"a", "b", "c"}, {"1", "1", "1"}, {"-2", "-1", "-1"}});
  QImage image = PaintPage(p.engine);
  EXPECT_TRUE(Near(image.pixel(500, 418), qRgb(0, 0, 255)));  // the centroid, filled blue
  EXPECT_TRUE(IsWhite(image.pixel(556, 451)));
  EXPECT_EQ(p.engine.TriangularPointsDrawn(), 1);
  p.engine.Settings.PlotNegPoints = true;
  image = PaintPage(p.engine);
  EXPECT_TRUE(Near(image.pixel(556, 451), qRgb(0, 0, 255)));
  EXPECT_EQ(p.engine.TriangularPointsDrawn(), 2);
  // Excluded cases are not drawn.
  p.sheet.SetCell(0, 1, "N");
  p.sheet.RecountIncluded();
  image = PaintPage(p.engine);
  EXPECT_TRUE(IsWhite(image.pixel(500, 418)));
  // Nor anything with the points switched off.
  p.engine.Settings.ViewPoints = false;
  image = PaintPage(p.engine);
  EXPECT_TRUE(IsWhite(image.pixel(556, 451)));
}

TEST(PaintSymbolTest, CaseColourFillsAndItsDarkenedColourOutlines) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "Color#", "Size#"}, {"1", "1", "1", "1", "100"}});
  p.engine.Settings.UseDefaultColor = false;
  p.engine.Settings.UseDefaultSize = false;
  const QImage image = PaintPage(p.engine);
  // Size 10 mm at 96 dpi on this page: r = round(38 x 0.89 / 2) = 17, outline 3 pixels.
  EXPECT_TRUE(Near(image.pixel(500, 418), qRgb(255, 0, 0)));
  EXPECT_TRUE(Near(image.pixel(500 + 16, 418), qRgb(0x7F, 0, 0)));
  EXPECT_TRUE(IsWhite(image.pixel(500 + 19, 418)));
}

TEST(PaintSymbolTest, EveryShapeDrawsWhereItShouldAndShapeZeroStillHasItsLabel) {
  PlotSheet p;
  std::vector<std::vector<std::string>> rows{{"a", "b", "c", "Symbol#", "Size#"}};
  for (int shape = 0; shape < 15; ++shape) rows.push_back({"1", "1", "1", std::to_string(shape), "80"});
  p.Connect(rows);
  GraphEngine& e = p.engine;
  e.Settings.UseDefaultShape = false;
  e.Settings.UseDefaultSize = false;
  e.Settings.ViewLabels = true;
  // Only one case at a time is included, so that each shape is seen alone.
  const auto only = [&](int k) {
    for (int r = 1; r <= 15; ++r) p.sheet.SetCell(0, r, r == k ? "Y" : "N");
    p.sheet.RecountIncluded();
    return PaintPage(e);
  };
  const int x = 500, y = 418;  // r = 13 for 8 mm
  for (int shape = 0; shape < 15; ++shape) {
    const QImage image = only(shape + 1);
    const QRgb centre = image.pixel(x, y);
    const bool filled = shape == 1 || (shape >= 2 && shape <= 10 && shape % 2 == 0);
    const bool crossing = shape >= 12;
    if (filled)
      EXPECT_TRUE(Near(centre, qRgb(0, 0, 255))) << "shape " << shape;
    else if (crossing)
      EXPECT_TRUE(Near(centre, qRgb(0, 0, 128))) << "shape " << shape;
    else
      EXPECT_TRUE(IsWhite(centre)) << "shape " << shape;
    // The label: the case number to the right of the symbol, shape 0 too.
    EXPECT_GT(DarkPixelsIn(image, QRect(x + 15, y, 20, 14)), 3) << "shape " << shape;
  }
  // The dot is half the size of the square.
  const QImage dot = only(2);
  EXPECT_TRUE(IsWhite(dot.pixel(x + 10, y)));
  const QImage square = only(5);
  EXPECT_FALSE(IsWhite(square.pixel(x + 10, y)));
}

TEST(PaintTieTest, LinesJoinASetAndANegativeMemberGetsARayAwayFromIt) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "Tielin#"}, {"1", "1", "0", "0"}, {"0", "1", "1", "0"}});
  p.engine.Settings.ViewTies = true;
  p.engine.Settings.ViewPoints = false;
  QImage image = PaintPage(p.engine);
  // (0.75, 0.433) to (0.25, 0.433): a grey line across the middle.
  EXPECT_TRUE(Near(image.pixel(500, 353), qRgb(128, 128, 128)));

  // Case 2 negative: a ray from case 1 pointing away from it, to its ringed
  // symbol labelled "to 2".
  PlotSheet q;
  q.Connect({{"a", "b", "c", "Tielin#"}, {"1", "1", "1", "5"}, {"-1", "-1", "0", "5"}});
  q.engine.Settings.ViewTies = true;
  q.engine.Settings.ViewLabels = true;
  image = PaintPage(q.engine);
  EXPECT_TRUE(IsWhite(image.pixel(556, 386)));  // nothing towards the negative case
  EXPECT_LT(Darkest(image, 461, 440, 1), 200);  // halfway along the ray to (422, 463)
  EXPECT_TRUE(Near(image.pixel(422, 463), qRgb(0, 0, 255)));
  EXPECT_GT(DarkPixelsIn(image, QRect(422 + 8, 463, 30, 14)), 5);  // "to 2"

  // Both negative: nothing at all.
  PlotSheet r;
  r.Connect({{"a", "b", "c", "Tielin#"}, {"-1", "-1", "0", "5"}, {"-1", "0", "-1", "5"}});
  r.engine.Settings.ViewTies = true;
  r.engine.Settings.PlotNegPoints = true;
  r.engine.Settings.ViewPoints = false;
  r.engine.Settings.ViewDiagram = false;
  image = PaintPage(r.engine);
  EXPECT_EQ(DarkPixelsIn(image, QRect(300, 200, 400, 300)), 0);
}

TEST(PaintTetrahedronTest, SingleViewAndStereoPairPutTheVerticesWhereProjected) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}});
  QImage image = PaintPage(p.engine, PlotPage::Tetrahedral);
  // F = 300 pixels per unit around (500, 353): A at (0.6669, 0.1310), B at (0, -0.6654).
  EXPECT_LT(Darkest(image, 700, 392, 1), 90);
  EXPECT_LT(Darkest(image, 500, 153, 1), 90);
  EXPECT_TRUE(Near(image.pixel(500, 353), qRgb(0, 0, 255)));  // the centroid
  EXPECT_EQ(p.engine.TetrahedralPointsDrawn(), 1);
  p.engine.Settings.StereoSFactor = 1;
  image = PaintPage(p.engine, PlotPage::Stereo);
  // half = 150: the left B at 350 + 0.0211 x 300, the right one mirrored.
  EXPECT_LT(Darkest(image, 356, 153, 1), 90);
  EXPECT_LT(Darkest(image, 644, 153, 1), 90);
  EXPECT_TRUE(Near(image.pixel(350, 353), qRgb(0, 0, 255)));
  EXPECT_TRUE(Near(image.pixel(650, 353), qRgb(0, 0, 255)));
  EXPECT_TRUE(IsWhite(image.pixel(500, 353)));
}

TEST(PaintTetrahedronTest, TheDefaultStereoPairKeepsItsViewsApart) {
  PlotSheet p;
  p.Connect({{"SiO2", "MgO", "FeO", "CaO"}, {"1", "1", "1", "1"}});
  EXPECT_EQ(p.engine.Settings.StereoSFactor, DefaultStereoSFactor);
  const QImage image = PaintPage(p.engine, PlotPage::Stereo);
  // A column of white runs down the page between the two views, and
  // nothing of either touches the page's edges.
  const auto columnWhite = [&](int x) {
    for (int y = 0; y < image.height(); ++y)
      if (!IsWhite(image.pixel(x, y))) return false;
    return true;
  };
  int firstWhite = -1;
  for (int x = 400; x <= 600 && firstWhite < 0; ++x)
    if (columnWhite(x)) firstWhite = x;
  EXPECT_GE(firstWhite, 0) << "the views touch";
  for (int x : {0, 1, 2, image.width() - 3, image.width() - 2, image.width() - 1})
    EXPECT_TRUE(columnWhite(x)) << x;
}

TEST(PaintTetrahedronTest, DepthOrderDrawsTheNearPointLast) {
  PlotSheet p;
  // Two cases on one line of sight are hard to make; two overlapping
  // symbols of different colours show which was drawn last.
  p.Connect({{"a", "b", "c", "d", "Color#", "Size#"},
             {"0.26", "0.25", "0.25", "0.24", "1", "100"},
             {"0.24", "0.25", "0.25", "0.26", "2", "100"}});
  p.engine.Settings.UseDefaultColor = false;
  p.engine.Settings.UseDefaultSize = false;
  // Case 1 leans towards A, which is nearer the eye than D.
  QImage image = PaintPage(p.engine, PlotPage::Tetrahedral);
  const QPoint mid(500, 353);
  EXPECT_TRUE(Near(image.pixel(mid), qRgb(255, 0, 0)));
  p.engine.Settings.ZPOrdering = false;
  image = PaintPage(p.engine, PlotPage::Tetrahedral);
  EXPECT_TRUE(Near(image.pixel(mid), qRgb(0, 0, 255)));
}

TEST(PaintResolutionTest, TwiceTheDotsPerInchDrawsTheSamePageTwiceAsFine) {
  PlotSheet p;
  p.Connect({{"a", "b", "c"}, {"1", "1", "1"}});
  const QImage big = PaintPage(p.engine, PlotPage::Triangular, 2000, 192);
  // The same corners at twice the pixels, and a 2-pixel outline.
  EXPECT_LT(qGray(big.pixel(1000, 1097)), 40);
  EXPECT_LT(Darkest(big, 1450, 1097, 1), 60);
  EXPECT_TRUE(Near(big.pixel(1000, 836), qRgb(0, 0, 255)));
  // The symbol: r = 10 at 192 dpi against 5 at 96.
  EXPECT_FALSE(IsWhite(big.pixel(1000 + 9, 836)));
  EXPECT_TRUE(IsWhite(big.pixel(1000 + 12, 836)));
}

TEST(PictureTest, PngPdfAndSvgFilesAndAnUnknownExtensionRefused) {
  PlotSheet p;
  p.Connect({{"a", "b", "c"}, {"1", "1", "1"}});
  const QString dir = ProgramDir();
  PictureRequest request;
  request.Width = 1000;
  for (const char* ext : {"png", "pdf", "svg", "bmp"}) {
    request.Path = dir + QStringLiteral("plot.") + QLatin1String(ext);
    QString error;
    EXPECT_TRUE(WritePlotPicture(p.engine, request, &error)) << ext << " " << error.toStdString();
  }
  const QImage png(dir + QStringLiteral("plot.png"));
  EXPECT_EQ(png.size(), QSize(1000, 707));
  EXPECT_TRUE(Near(png.pixel(500, 418), qRgb(0, 0, 255)));
  EXPECT_TRUE(test::ReadFile(dir + QStringLiteral("plot.pdf")).startsWith("%PDF"));
  const QByteArray svg = test::ReadFile(dir + QStringLiteral("plot.svg"));
  EXPECT_TRUE(svg.contains("<svg"));
  EXPECT_TRUE(svg.contains("viewBox=\"0 0 1000 707\""));

  test::WriteFileOrFail(dir + QStringLiteral("keep.txt"), "kept");
  request.Path = dir + QStringLiteral("keep.txt");
  QString error;
  EXPECT_FALSE(WritePlotPicture(p.engine, request, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(test::ReadFile(request.Path), "kept");
}

// Pixels that the apex labels change and that the outline alone darkens.
int LabelPixelsOnTheOutline(GraphEngine& e, PlotPage page) {
  e.Settings.PlotApexLabels = false;
  const QImage outline = PaintPage(e, page);
  e.Settings.PlotApexLabels = true;
  const QImage labelled = PaintPage(e, page);
  int clashes = 0;
  for (int y = 0; y < outline.height(); ++y)
    for (int x = 0; x < outline.width(); ++x)
      if (outline.pixel(x, y) != labelled.pixel(x, y) && qGray(outline.pixel(x, y)) < 250) ++clashes;
  return clashes;
}

TEST(PaintLabelTest, ApexLabelsNeverTouchTheOutlineOfTheTriangleOrTheTurningTetrahedron) {
  PlotSheet p;
  p.Connect({{"SiO2", "Al2O3", "FeO", "MgO"}, {"1", "1", "1", "1"}});
  p.engine.Settings.ViewPoints = false;
  EXPECT_EQ(LabelPixelsOnTheOutline(p.engine, PlotPage::Triangular), 0);
  for (int step = 0; step < 180; step += 25) {
    p.engine.Settings.View.Alpha = (21 + step) * DegreesToRadians;
    p.engine.Settings.View.Theta = (-54 + step / 2) * DegreesToRadians;
    EXPECT_EQ(LabelPixelsOnTheOutline(p.engine, PlotPage::Tetrahedral), 0) << "turned by " << step;
  }
}

TEST(PaintSymbolTest, CopiedSymbolsLookLikeSymbolsDrawnOneByOne) {
  PlotSheet p;
  std::vector<std::vector<std::string>> rows{{"a", "b", "c", "Symbol#", "Color#", "Size#"}};
  for (int k = 0; k < 60; ++k)
    rows.push_back({std::to_string(1 + k % 7), std::to_string(1 + k % 5), std::to_string(1 + k % 3),
                    std::to_string(k % 15), std::to_string(k % 15), std::to_string(20 + k)});
  p.Connect(rows);
  GraphSettings& g = p.engine.Settings;
  g.UseDefaultShape = g.UseDefaultColor = g.UseDefaultSize = false;
  g.ViewLabels = true;
  // The apex labels (bold italic) in a family with a real bold italic face:
  // a slant the font system makes up for a family without one comes out a
  // few pixels apart when a picture is played back, and this test is about
  // the symbols.
  g.ApexFont.Name = QStringLiteral("Liberation Sans");
  const QImage copied = PaintPage(p.engine);
  // A picture records the drawing, so every symbol is drawn as itself; played
  // back onto an image it must give the same pixels.
  QPicture picture;
  QPainter recorder(&picture);
  PaintOptions options;
  p.engine.Paint(recorder, SetupPageMetrics(TargetKind::Screen, 1000, 707, 96, A4Landscape), options);
  recorder.end();
  QImage drawn(1000, 707, QImage::Format_RGB32);
  drawn.fill(Qt::gray);
  QPainter player(&drawn);
  player.setRenderHint(QPainter::Antialiasing);
  player.drawPicture(0, 0, picture);
  player.end();
  int different = 0;
  for (int y = 0; y < 707; ++y)
    for (int x = 0; x < 1000; ++x)
      if (std::abs(qGray(copied.pixel(x, y)) - qGray(drawn.pixel(x, y))) > 24) ++different;
  EXPECT_LT(different, 50);
  EXPECT_GT(DarkPixelsIn(copied, QRect(280, 160, 440, 380)), 1000);  // there is something to compare
}

TEST(PaintLabelTest, BothViewsOfAStereoPairWriteTheirLabelsInTheLabelFontAndColour) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "d", "Tielin#"}, {"1", "1", "1", "1", "0"}, {"1", "2", "1", "1", "0"}});
  p.engine.Settings.ViewLabels = true;
  p.engine.Settings.ViewTies = true;
  p.engine.Settings.StereoSFactor = 1;
  const QImage image = PaintPage(p.engine, PlotPage::Stereo);
  // Case 1 sits at the centre of each view, (350, 353) and (650, 353); its
  // label "1" to the right of the symbol.
  const QRect left(350 + 6, 353, 14, 16), right(650 + 6, 353, 14, 16);
  EXPECT_LT(Darkest(image, left.center().x(), left.center().y(), 6), 60);
  EXPECT_LT(Darkest(image, right.center().x(), right.center().y(), 6), 60);
  const int l = DarkPixelsIn(image, left), r = DarkPixelsIn(image, right);
  EXPECT_GT(l, 3);
  EXPECT_NEAR(r, l, 3);
}

}  // namespace
}  // namespace varnel
