// What the page draws besides the points: reference lines and fields, the
// grid of the triangle, the density shading, the points' opacity and the
// legend's place; and the plot settings that keep them.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <numeric>

#include "app/inifile.h"
#include "app/windowplacement.h"
#include "graphs/graphsettingsfile.h"
#include "graphs/referencelines.h"
#include "tests/graphs/pixels.h"
#include "tests/graphs/plotsheet.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::PlotSheet;

QImage PaintOn(GraphEngine& e, PlotPage page, QRgb ground = qRgb(255, 255, 255), QRect* legend = nullptr) {
  QImage image(1000, 707, QImage::Format_RGB32);
  image.fill(ground);
  QPainter painter(&image);
  PaintOptions options;
  options.Page = page;
  options.FillBackground = false;
  const QRect drawn = e.Paint(painter, SetupPageMetrics(TargetKind::Bitmap, 1000, 707, 96, PrinterPage()), options);
  if (legend) *legend = drawn;
  return image;
}

TEST(ReferenceFileTest, BlocksOfCompositionsWithLabels) {
  ReferenceSet set;
  QString error;
  ASSERT_TRUE(ParseReferenceText("# a comment\r\n"
                                 "line Tholeiitic / calc-alkaline\r\n"
                                 "10 38 52\n"
                                 "  12,45;43  \n"
                                 "\n"
                                 "FIELD\n"
                                 "90\t10\t0\n100 0 0\n90 0 10\n",
                                 set, &error))
      << error.toStdString();
  ASSERT_EQ(set.Shapes.size(), 2u);
  EXPECT_FALSE(set.Shapes[0].Closed);
  EXPECT_EQ(set.Shapes[0].Label, "Tholeiitic / calc-alkaline");
  ASSERT_EQ(set.Shapes[0].Points.size(), 2u);
  EXPECT_EQ(set.Shapes[0].Points[1], (std::array<Real, 4>{12, 45, 43, 0}));
  EXPECT_TRUE(set.Shapes[1].Closed);
  EXPECT_TRUE(set.Shapes[1].Label.isEmpty());
  EXPECT_EQ(set.Shapes[1].Points.size(), 3u);
}

TEST(ReferenceFileTest, BrokenFilesAreRefusedWithTheLineAndKeepWhatWasRead) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"10 20 70\n", "line 1: compositions must follow a \"line\" or \"field\" line"},
      {"line\n10 20 x\n", "line 2: \"x\" is not a number"},
      {"line\n10 20\n", "line 2: a composition needs three or four values"},
      {"line\n1 2 3 4 5\n", "line 2: more than four values"},
      {"line\n1 2 3\n1 2 3 4\n", "line 3: every composition of the file has 3 values"},
      {"line\n1 -2 3\n", "line 2: a composition cannot hold a negative amount"},
      {"line\n0 0 0\n", "line 2: the values sum to zero"},
      {"line\n1 2 3\nline\n1 2 3\n2 3 4\n", "line 3: the shape before this one needs at least two compositions"},
      {"line a\n1 2 3\n", "line 2: the last shape needs at least two compositions"},
      {"# only a comment\n", "line 1: no \"line\" or \"field\" in the file"},
      {"line\n1 2 3 4\n1;2;3,4,5\n", "line 3: more than four values"},
      {"line\n1e99999 2 3\n1 2 3\n", "line 2: \"1e99999\" is not a number"},
  };
  for (const auto& c : cases) {
    ReferenceSet set;
    set.Shapes.resize(1);
    QString error;
    EXPECT_FALSE(ParseReferenceText(QByteArray(c.text), set, &error)) << c.text;
    EXPECT_EQ(error.toStdString(), c.message) << c.text;
    EXPECT_EQ(set.Shapes.size(), 1u) << "nothing of a refused file is kept";
  }
  ReferenceSet set;
  QString error;
  EXPECT_FALSE(ParseReferenceText(QByteArray("line\n1 2 3\0\n", 12), set, &error));
  EXPECT_FALSE(ReadReferenceFile(QStringLiteral("/no/such/afm.txt"), set, &error));
  EXPECT_EQ(error, "afm.txt: the file does not exist");
}

TEST(ReferenceFileTest, TheShippedExamplesRead) {
  for (const char* name : {"afm-irvine-baragar.txt", "ultramafic-iugs.txt"}) {
    ReferenceSet set;
    QString error;
    EXPECT_TRUE(ReadReferenceFile(QStringLiteral(VARNEL_SOURCE_DIR "/examples/reference/") + QLatin1String(name),
                                  set, &error))
        << name << ": " << error.toStdString();
    EXPECT_FALSE(set.empty());
  }
}

TEST(ReferenceLinesTest, DrawnInTheTriangleAndTheTetrahedron) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}});
  GraphEngine& e = p.engine;
  e.Settings.ViewPoints = false;
  e.Settings.ViewDiagram = false;
  QString error;
  ASSERT_TRUE(ParseReferenceText("line\n50 0 50\n0 100 0\n", e.Settings.References, &error));
  // The line from the middle of the base (500, 548) to the top (500, 158).
  const QImage tri = PaintOn(e, PlotPage::Triangular);
  EXPECT_LT(test::Darkest(tri, 500, 350, 1), 128);
  EXPECT_LT(test::Darkest(tri, 500, 540, 1), 128);
  EXPECT_TRUE(test::IsWhite(tri.pixel(400, 350)));
  // In the tetrahedron (D 0) it runs from the middle of A-C to the vertex B.
  const QImage tet = PaintOn(e, PlotPage::Tetrahedral);
  EXPECT_LT(test::Darkest(tet, 500, 153, 2), 128);
  e.Settings.References = ReferenceSet{};
  EXPECT_EQ(test::DarkPixelsIn(PaintOn(e, PlotPage::Triangular), QRect(0, 0, 1000, 707)), 0);
}

TEST(GridTest, LinesEveryStepWithTickLabels) {
  PlotSheet p;
  p.ConnectRocks();
  GraphEngine& e = p.engine;
  e.Settings.ViewPoints = false;
  e.Settings.ViewDiagram = false;
  const QImage none = PaintOn(e, PlotPage::Triangular);
  e.Settings.GridStep = 25;
  const QImage grid = PaintOn(e, PlotPage::Triangular);
  // A = 50% runs parallel to the left side from the middle of the base;
  // half-way up it passes (556, 451).
  EXPECT_LT(test::Darkest(grid, 556, 451, 1), 230);
  EXPECT_TRUE(test::IsWhite(none.pixel(556, 451)));
  // C = 25%: parallel to the right side, a quarter of the way in from it.
  // Its label "25" stands left of the left side; none beyond 75%.
  EXPECT_GT(test::DarkPixelsIn(grid, QRect(380, 250, 80, 80), 200), 0);
  EXPECT_GT(test::DarkPixelsIn(grid, QRect(440, 550, 120, 40), 160), 5) << "the 50 below the base";
  e.Settings.GridStep = 10;
  const QImage ten = PaintOn(e, PlotPage::Triangular);
  EXPECT_GT(test::DarkPixelsIn(ten, QRect(0, 0, 1000, 707), 230), test::DarkPixelsIn(grid, QRect(0, 0, 1000, 707), 230));
}

TEST(DensityTest, CountsOfAKnownSetPerCell) {
  PlotSheet p;
  // Five cases at A (1, 0, 0), three at the centroid, one excluded, one at C.
  std::vector<std::vector<std::string>> rows{{"a", "b", "c"}};
  for (int i = 0; i < 5; ++i) rows.push_back({"1", "0", "0"});
  for (int i = 0; i < 3; ++i) rows.push_back({"1", "1", "1"});
  rows.push_back({"1", "1", "1"});
  rows.push_back({"0", "0", "1"});
  p.Connect(rows);
  p.sheet.SetCell(0, 9, "N");
  p.sheet.RecountIncluded();
  const int n = 4;
  const std::vector<int> counts = p.engine.DensityCounts(n);
  ASSERT_EQ(counts.size(), static_cast<std::size_t>(2 * n * n));
  EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0), 9);
  // A = 1 lies on the far edge: the last cell of its row (i 3, j 0).
  EXPECT_EQ(counts[2 * (3 * n + 0)], 5);
  // The centroid (4/3, 4/3 in cells) lies in the first half of cell (1, 1).
  EXPECT_EQ(counts[2 * (1 * n + 1)], 3);
  EXPECT_EQ(counts[0], 1) << "C at the origin";
  // Drawn beneath the points only when switched on.
  p.engine.Settings.ViewDiagram = false;
  p.engine.Settings.DefSymShape = 0;
  EXPECT_EQ(test::DarkPixelsIn(PaintOn(p.engine, PlotPage::Triangular), QRect(0, 0, 1000, 707), 250), 0);
  p.engine.Settings.DensityShading = true;
  const QImage shaded = PaintOn(p.engine, PlotPage::Triangular);
  EXPECT_FALSE(test::IsWhite(shaded.pixel(719, 545))) << "the crowded cell at A";
  EXPECT_TRUE(test::IsWhite(shaded.pixel(500, 250)));
}

TEST(OpacityTest, FadedPointsLetTheGroundShowThrough) {
  PlotSheet p;
  p.ConnectRocks();
  GraphEngine& e = p.engine;
  e.Settings.DefaultSymbolSize = 60;
  const QRgb solid = PaintOn(e, PlotPage::Triangular).pixel(500, 418);
  e.Settings.PointOpacity = 0.25L;
  const QRgb faded = PaintOn(e, PlotPage::Triangular).pixel(500, 418);
  EXPECT_TRUE(test::Near(solid, qRgb(0, 0, 255), 30));
  EXPECT_GT(qRed(faded), 150);
  EXPECT_GT(qBlue(faded), 230);
}

TEST(LegendPlaceTest, CornersDraggedPlacesAndATransparentGround) {
  GraphSettings g;
  const PageMetrics m = SetupPageMetrics(TargetKind::Bitmap, 1000, 707, 96, PrinterPage());
  const QSize box(200, 100);
  const struct {
    LegendCorner corner;
    QPoint at;
  } cases[] = {{LegendCorner::TopLeft, {15, 15}},
               {LegendCorner::TopRight, {785, 15}},
               {LegendCorner::BottomLeft, {15, 592}},
               {LegendCorner::BottomRight, {785, 592}}};
  for (const auto& c : cases) {
    g.LegendPlace = c.corner;
    EXPECT_EQ(LegendTopLeft(g, m, box, 15), c.at) << static_cast<int>(c.corner);
  }
  g.LegendPlace = LegendCorner::Placed;
  g.LegendX = 0.5L;
  g.LegendY = 0.25L;
  EXPECT_EQ(LegendTopLeft(g, m, box, 15), QPoint(500, 177));
  g.LegendX = 0.95L;  // kept on the page
  g.LegendY = 1;
  EXPECT_EQ(LegendTopLeft(g, m, box, 15), QPoint(800, 607));

  PlotSheet p;
  p.Connect({{"a", "b", "c", "Symbol#"}, {"1", "1", "1", "4"}, {"2", "1", "1", "6"}});
  p.engine.Settings.ShowLegend = true;
  p.engine.Settings.LegendPlace = LegendCorner::BottomRight;
  QRect r;
  const QImage white = PaintOn(p.engine, PlotPage::Triangular, qRgb(200, 0, 0), &r);
  EXPECT_GT(r.left(), 500);
  EXPECT_GT(r.top(), 353);
  EXPECT_TRUE(test::IsWhite(white.pixel(r.right() - 3, r.top() + 3)));
  p.engine.Settings.LegendTransparent = true;
  const QImage clear = PaintOn(p.engine, PlotPage::Triangular, qRgb(200, 0, 0));
  EXPECT_TRUE(test::Near(clear.pixel(r.right() - 3, r.top() + 3), qRgb(200, 0, 0), 5));
}

TEST(PlotSettingsFileTest, TheNewKeysReadBackAndBadValuesTakeDefaults) {
  QTemporaryDir dir;
  GraphSettings g;
  g.LegendPlace = LegendCorner::Placed;
  g.LegendX = 0.25L;
  g.LegendY = 0.75L;
  g.LegendTransparent = true;
  g.GridStep = 12.5L;
  g.ReferenceFile = QStringLiteral("afm.txt");
  g.PointOpacity = 0.5L;
  g.DensityShading = true;
  IniFile vng(dir.filePath(QStringLiteral("a.vng")));
  PlotSettingsToIni(vng, g);
  QString error;
  ASSERT_TRUE(vng.Save(&error));
  GraphSettings back;
  ASSERT_TRUE(ReadPlotSettingsFile(dir.filePath(QStringLiteral("a.vng")), back, &error));
  EXPECT_EQ(back.LegendPlace, LegendCorner::Placed);
  EXPECT_EQ(back.LegendX, 0.25L);
  EXPECT_EQ(back.LegendY, 0.75L);
  EXPECT_TRUE(back.LegendTransparent);
  EXPECT_EQ(back.GridStep, 12.5L);
  EXPECT_EQ(back.ReferenceFile, dir.filePath(QStringLiteral("afm.txt"))) << "beside the settings file";
  EXPECT_EQ(back.PointOpacity, 0.5L);
  EXPECT_TRUE(back.DensityShading);

  // An old file has none of them; nonsense takes the defaults.
  GraphSettings old = g;
  PlotSettingsFromIni(IniFile(QStringLiteral("/x/a.vng"), "[Symbol]\r\nDefSymShape=3\r\n"), old);
  EXPECT_EQ(old.LegendPlace, LegendCorner::TopLeft);
  EXPECT_EQ(old.GridStep, 0);
  EXPECT_TRUE(old.ReferenceFile.isEmpty());
  EXPECT_EQ(old.PointOpacity, 1);
  EXPECT_FALSE(old.DensityShading);
  PlotSettingsFromIni(IniFile(QStringLiteral("/x/a.vng"),
                           "[Legend]\r\nCorner=Middle\r\nX=2\r\n[Grid]\r\nStep=0.1\r\n[Points]\r\nOpacity=-1\r\n"),
                   old);
  EXPECT_EQ(old.LegendPlace, LegendCorner::TopLeft);
  EXPECT_EQ(old.LegendX, 0);
  EXPECT_EQ(old.GridStep, 0);
  EXPECT_EQ(old.PointOpacity, 1);
}

TEST(PlotSettingsFileTest, AnUnreadableReferenceFileIsReportedAndTheRestLoads) {
  QTemporaryDir dir;
  test::WriteFile(dir.filePath(QStringLiteral("bad.txt")), "line\n1 2\n");
  test::WriteFile(dir.filePath(QStringLiteral("p.vng")),
                  "[Symbol]\r\nDefSymShape=5\r\n[Reference]\r\nFile=bad.txt\r\n");
  PlotSheet p;
  p.ConnectRocks();
  p.prompter.Expect(BoxKind::Warning,
                    "The reference lines of the plot settings could not be read:\n\rbad.txt, line 2: a composition "
                    "needs three or four values",
                    Only(Button::Ok), Button::Ok);
  EXPECT_TRUE(ApplyPlotSettingsFile(p.engine, p.prompter, dir.filePath(QStringLiteral("p.vng"))));
  EXPECT_EQ(p.engine.Settings.DefSymShape, 5);
  EXPECT_TRUE(p.engine.Settings.References.empty());
}

TEST(WindowPlacementTest, DialogsOpenBesideTheirOwnerOnTheScreen) {
  const QRect screen(0, 0, 1920, 1080);
  const QSize dialog(400, 500);
  const struct {
    QRect owner;
    QPoint at;
  } cases[] = {
      {QRect(100, 100, 800, 600), QPoint(908, 100)},    // right of it
      {QRect(1000, 100, 800, 600), QPoint(592, 100)},   // left of it
      {QRect(0, 0, 1700, 500), QPoint(0, 508)},         // below
      {QRect(0, 550, 1700, 500), QPoint(0, 42)},        // above
      {QRect(0, 0, 1800, 1000), QPoint(1520, 0)},       // nowhere whole: the widest side, on screen
      {QRect(100, 900, 800, 600), QPoint(908, 580)},    // kept on the screen
  };
  for (const auto& c : cases) EXPECT_EQ(BesideWindow(c.owner, dialog, screen), c.at) << c.owner.x();
}

}  // namespace
}  // namespace varnel
