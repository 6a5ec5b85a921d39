// Identifying points: hit-testing the pointer, the rubber band, selecting
// cases in the DataSheet and ringing them in the plot; labels that keep
// clear of each other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QStatusBar>

#include "tests/graphs/graphswindowscope.h"
#include "tests/graphs/pixels.h"
#include "tests/graphs/plotsheet.h"

namespace varnel {
namespace {

using test::PlotSheet;

const PageMetrics Page1000 = SetupPageMetrics(TargetKind::Bitmap, 1000, 707, 96, PrinterPage());

// Case 1 at the centroid (500, 418), case 2 towards A (590, 470), case 3 at
// C (275, 548), case 4 on top of case 1, case 5 excluded at B.
void ConnectFive(PlotSheet& p) {
  p.Connect({{"SiO2", "MgO", "FeO", "Label#"},
             {"1", "1", "1", "Ol-1"},
             {"3", "1", "1", "Cpx-2"},
             {"0", "0", "2.5", ""},
             {"2", "2", "2", "Gt"},
             {"0", "1", "0", "Sp"}});
  p.sheet.SetCell(0, 5, "N");
  p.sheet.RecountIncluded();
}

TEST(PickingTest, ThePointerFindsTheNearestDrawnCase) {
  PlotSheet p;
  ConnectFive(p);
  GraphEngine& e = p.engine;
  const struct {
    QPointF at;
    int expected;
  } cases[] = {
      {{500.5, 418.5}, 4},  // two at one place: the one drawn last, on top
      {{592, 471}, 2},      // within its symbol
      {{275, 549}, 3},
      {{500, 158}, 0},      // case 5 is excluded: not drawn, not found
      {{700, 300}, 0},      // nothing near
      {{600, 470}, 0},      // beyond the symbol's reach
  };
  for (const auto& c : cases) EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Triangular, c.at), c.expected) << c.at.x();
  EXPECT_EQ(e.CasesIn(Page1000, PlotPage::Triangular, QRectF(450, 400, 200, 100)), (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(e.CasesIn(Page1000, PlotPage::Triangular, QRectF(650, 500, -400, -120)), (std::vector<int>{1, 2, 4}))
      << "a band drawn up and to the left";
  EXPECT_TRUE(e.CasesIn(Page1000, PlotPage::Triangular, QRectF(0, 0, 100, 100)).empty());
  // Points switched off cannot be picked.
  e.Settings.ViewPoints = false;
  EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Triangular, QPointF(592, 471)), 0);
}

TEST(PickingTest, BothViewsOfAStereoPairAndTheTetrahedron) {
  PlotSheet p;
  p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}, {"0", "1", "0", "0"}});
  GraphEngine& e = p.engine;
  e.Settings.StereoSFactor = 1;
  // The centroid at the centre of the single view and of each view of the pair.
  EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Tetrahedral, QPointF(500.5, 353.5)), 1);
  EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Stereo, QPointF(350.5, 353.5)), 1);
  EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Stereo, QPointF(650.5, 353.5)), 1);
  EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Stereo, QPointF(500.5, 353.5)), 0);
  // B, projected to (0, -0.6654): the top of the single view.
  EXPECT_EQ(e.CaseAt(Page1000, PlotPage::Tetrahedral, QPointF(500.5, 154)), 2);
  // Every case twice in a pair: the band over the whole page finds each once.
  EXPECT_EQ(e.CasesIn(Page1000, PlotPage::Stereo, QRectF(0, 0, 1000, 707)), (std::vector<int>{1, 2}));
}

TEST(PickingTest, WhatIsSaidOfACase) {
  PlotSheet p;
  ConnectFive(p);
  // Label# was found on connecting.
  EXPECT_EQ(p.engine.CaseDescription(2), "Case 2 Cpx-2: SiO2 3, MgO 1, FeO 1");
  p.engine.SetSelectorItem(GraphSelector::Label, 0);
  p.engine.SpecialColumnChanged(GraphSelector::Label);
  EXPECT_EQ(p.engine.CaseDescription(2), "Case 2: SiO2 3, MgO 1, FeO 1");
  p.engine.SetSelectorItem(GraphSelector::Label, 4);
  p.engine.SpecialColumnChanged(GraphSelector::Label);
  EXPECT_EQ(p.engine.CaseDescription(3), "Case 3: SiO2 0, MgO 0, FeO 2.5") << "an empty label is left out";
  EXPECT_EQ(p.engine.CaseDescription(0), "");
  EXPECT_EQ(p.engine.CaseDescription(6), "");
}

TEST(PickingTest, PickedCasesAreSelectedInTheDataSheetAndRinged) {
  PlotSheet p;
  ConnectFive(p);
  GraphEngine& e = p.engine;
  EXPECT_TRUE(e.HighlightedCases().empty());
  e.SelectCases({2, 4});
  EXPECT_EQ(p.sheet.Sel, (Selection{0, 2, 4, 4}));
  EXPECT_TRUE(p.sheet.RowsMode);
  EXPECT_EQ(e.HighlightedCases(), (std::vector<int>{2, 4})) << "exactly the picked, not case 3 between";
  // Whole cases selected in the DataSheet are ringed; cells are not.
  p.sheet.MouseDown(0, 1, false);
  p.sheet.MouseDrag(0, 3);
  EXPECT_EQ(e.HighlightedCases(), (std::vector<int>{1, 2, 3}));
  // On screen a ring in orange stands around case 2; pictures have none.
  const auto paint = [&](bool highlight) {
    QImage image(1000, 707, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintOptions options;
    options.Highlight = highlight;
    e.Paint(painter, Page1000, options);
    return image;
  };
  const QRect ring(590 - 14, 470 - 14, 29, 29);
  EXPECT_GT(test::PixelsLike(paint(true), ring, qRgb(255, 140, 0)), 20);
  EXPECT_EQ(test::PixelsLike(paint(false), ring, qRgb(255, 140, 0)), 0);
  p.sheet.CellSelected(2, 2);
  EXPECT_TRUE(e.HighlightedCases().empty());
}

TEST(LabelPlaceTest, LabelsTryThePlacesAroundTheSymbolBeforeOverlapping) {
  LabelSpace space;
  const QSize size(30, 10);
  // Free: right of the symbol, as labels always stood.
  EXPECT_EQ(PlaceLabel(space, 100, 100, 5, size), QPoint(105, 100));
  space.Take(QRect(QPoint(105, 100), size));
  // The same place again: right above, then left, left above.
  const QPoint order[] = {{105, 90}, {65, 100}, {65, 90}};
  for (const QPoint& expected : order) {
    const QPoint at = PlaceLabel(space, 100, 100, 5, size);
    EXPECT_EQ(at, expected);
    space.Take(QRect(at, size));
  }
  EXPECT_EQ(PlaceLabel(space, 100, 100, 5, size), QPoint(105, 100)) << "nowhere free: the first place";
  space.Clear();
  EXPECT_TRUE(space.Free(QRect(105, 100, 30, 10)));
  // A narrow label with both sides taken goes above, then below.
  space.Take(QRect(105, 80, 40, 40));
  space.Take(QRect(60, 80, 35, 40));
  const QSize narrow(8, 10);
  EXPECT_EQ(PlaceLabel(space, 100, 100, 5, narrow), QPoint(96, 85));
  space.Take(QRect(96, 85, 8, 10));
  EXPECT_EQ(PlaceLabel(space, 100, 100, 5, narrow), QPoint(96, 105));
  // Apex labels and far-off labels: a place far from the rest is free.
  EXPECT_TRUE(space.Free(QRect(-5000, -5000, 10, 10)));
}

TEST(LabelPlaceTest, CrowdedPointLabelsDoNotCoverEachOther) {
  PlotSheet p;
  // Three cases a few pixels apart, labelled.
  p.Connect({{"a", "b", "c", "Label#"},
             {"1", "1", "1", "first"},
             {"1.01", "1", "1", "second"},
             {"1", "1.02", "1", "third"}});
  GraphEngine& e = p.engine;
  e.Settings.ViewLabels = true;
  e.Settings.UseDefaultLabels = false;
  QImage image(1000, 707, QImage::Format_RGB32);
  QPainter painter(&image);
  e.Paint(painter, Page1000, PaintOptions{});
  painter.end();
  // With the labels stacked at one place their dark pixels would pile into
  // one small box; placed apart, they cover the area around the points.
  const int right = test::DarkPixelsIn(image, QRect(505, 395, 60, 40));
  const int left = test::DarkPixelsIn(image, QRect(430, 395, 68, 40));
  EXPECT_GT(right, 20);
  EXPECT_GT(left, 20) << "one label went to the left";
}

TEST(GraphsWindowPickingTest, HoverClickBandAndLegendDrag) {
  test::GraphsWindowScope w;
  ConnectFive(w.p);
  TVN_Graphs& window = w.window;
  window.SelectPage(PlotPage::Triangular);
  QApplication::processEvents();
  const PageMetrics& m = window.Metrics();
  // Where case 2 stands on the window's page.
  QPoint two;
  w.p.engine.ForEachDrawnPoint(m, PlotPage::Triangular, [&](int k, QPointF at) {
    if (k == 2) two = at.toPoint();
  });
  window.MouseOnPage(TVN_Graphs::MouseStep::Hover, two);
  EXPECT_EQ(window.StatusPanel(2), "Case 2 Cpx-2: SiO2 3, MgO 1, FeO 1");
  window.MouseOnPage(TVN_Graphs::MouseStep::Hover, QPoint(2, 2));
  EXPECT_TRUE(window.StatusPanel(2).startsWith("Plot area:"));
  // A click on it selects the case.
  window.MouseOnPage(TVN_Graphs::MouseStep::Press, two);
  window.MouseOnPage(TVN_Graphs::MouseStep::Release, two);
  EXPECT_EQ(w.p.sheet.Sel, (Selection{0, 2, 4, 2}));
  // A band over the whole page selects every drawn case.
  window.MouseOnPage(TVN_Graphs::MouseStep::Press, QPoint(1, 1));
  window.MouseOnPage(TVN_Graphs::MouseStep::Drag, QPoint(m.W - 2, m.H - 2));
  window.MouseOnPage(TVN_Graphs::MouseStep::Release, QPoint(m.W - 2, m.H - 2));
  EXPECT_EQ(w.p.engine.HighlightedCases(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(window.StatusPanel(2), "4 cases selected.");
  // The legend follows the mouse.
  w.p.engine.Settings.ShowLegend = true;
  window.PaintBox()->repaint();
  const QRect legend = window.LegendRect();
  ASSERT_FALSE(legend.isEmpty());
  window.MouseOnPage(TVN_Graphs::MouseStep::Press, legend.topLeft() + QPoint(3, 3));
  window.MouseOnPage(TVN_Graphs::MouseStep::Drag, QPoint(m.W / 2 + 3, m.H / 2 + 3));
  window.MouseOnPage(TVN_Graphs::MouseStep::Release, QPoint(m.W / 2 + 3, m.H / 2 + 3));
  EXPECT_EQ(w.p.engine.Settings.LegendPlace, LegendCorner::Placed);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.LegendX), 0.5, 0.01);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.LegendY), 0.5, 0.01);
  EXPECT_EQ(w.p.engine.HighlightedCases(), (std::vector<int>{1, 2, 3, 4})) << "dragging the key picks nothing";
  // On the tetrahedron a plain drag turns it; with Shift it is a band.
  w.p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}});
  window.SelectPage(PlotPage::Tetrahedral);
  const Real alpha = w.p.engine.Settings.View.Alpha;
  window.MouseOnPage(TVN_Graphs::MouseStep::Press, QPoint(100, 100));
  window.MouseOnPage(TVN_Graphs::MouseStep::Drag, QPoint(110, 100));
  window.MouseOnPage(TVN_Graphs::MouseStep::Release, QPoint(110, 100));
  EXPECT_NE(w.p.engine.Settings.View.Alpha, alpha);
  const Real turned = w.p.engine.Settings.View.Alpha;
  window.MouseOnPage(TVN_Graphs::MouseStep::Press, QPoint(1, 1), Qt::ShiftModifier);
  window.MouseOnPage(TVN_Graphs::MouseStep::Drag, QPoint(m.W - 2, m.H - 2), Qt::ShiftModifier);
  window.MouseOnPage(TVN_Graphs::MouseStep::Release, QPoint(m.W - 2, m.H - 2), Qt::ShiftModifier);
  EXPECT_EQ(w.p.engine.Settings.View.Alpha, turned);
  EXPECT_EQ(w.p.engine.HighlightedCases(), (std::vector<int>{1}));
}

TEST(GraphsWindowTest, FitToWindowShowsTheWholePageInAShortWindow) {
  test::GraphsWindowScope w;
  w.window.resize(1000, 360);
  QApplication::processEvents();
  w.window.SizePaintBoxes();
  const QWidget* page = w.window.PaintBox();
  const QWidget* viewport = page->parentWidget()->parentWidget();
  EXPECT_LE(page->height() + 16, viewport->height()) << "the bottom of the page is cut off";
  EXPECT_LE(page->width() + 15, viewport->width());
}

}  // namespace
}  // namespace varnel
