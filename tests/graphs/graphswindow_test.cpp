#include "graphs/graphswindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QSlider>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/inifile.h"
#include "app/reporttarget.h"
#include "graphs/settingsdialog.h"
#include "tests/graphs/graphswindowscope.h"

namespace varnel {
namespace {

using test::PlotSheet;

using Window = test::GraphsWindowScope;

TEST(GraphsWindowTest, CaptionSelectorsAndChoosingAnApexRecompute) {
  Window w;
  EXPECT_EQ(w.window.windowTitle(), "VarnelGraphs [Disconnected]");
  EXPECT_EQ(w.window.ApexBox(0)->count(), 1);
  w.p.Connect({{"a", "b", "c", "d#"}, {"1", "1", "1", "5"}, {"2", "1", "1", "1"}});
  EXPECT_EQ(w.window.windowTitle(), "VarnelGraphs [Connected to rocks.vnp]");
  EXPECT_EQ(w.window.ApexBox(2)->count(), 5);
  EXPECT_EQ(w.window.ApexBox(2)->currentText(), "c");
  EXPECT_EQ(w.p.engine.PlotKind(), 1);
  // The user puts d# in C: case 1 moves.
  emit w.window.ApexBox(2)->activated(4);
  EXPECT_EQ(w.p.engine.SelectorItem(GraphSelector::C), 4);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Tri(1).X), (1 + 0.5) / 7.0, 1e-15);
  // A renamed variable shows in the lists at once.
  w.p.engine.SetSelectorItemText(1, "SiO2");
  EXPECT_EQ(w.window.ApexBox(0)->currentText(), "SiO2");
  w.Keep("window-triangle");
}

TEST(GraphsWindowTest, PagesSwitchApexDAndTheSeparationCommands) {
  Window w;
  w.p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}});
  w.window.SelectPage(PlotPage::Triangular);
  EXPECT_FALSE(w.window.ApexBox(3)->isEnabled());
  EXPECT_FALSE(w.window.Action("IncreaseSeparation1")->isEnabled());
  EXPECT_TRUE(w.window.Action("TriangularPlot1")->isChecked());
  w.window.Tabs()->setCurrentIndex(1);
  EXPECT_EQ(w.p.engine.Page, PlotPage::Stereo);
  EXPECT_TRUE(w.window.ApexBox(3)->isEnabled());
  EXPECT_TRUE(w.window.Action("IncreaseSeparation1")->isEnabled());
  w.window.Action("IncreaseSeparation1")->trigger();
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.StereoSFactor), 1.55, 1e-12);
  w.Keep("window-stereo");
}

TEST(GraphsWindowTest, ArrowKeysTurnTheTetrahedronAndNeverReachTheSelectors) {
  Window w;
  w.p.Connect({{"a", "b", "c", "d"}, {"1", "1", "1", "1"}});
  QComboBox* box = w.window.ApexBox(1);
  box->setFocus();
  w.window.SelectPage(PlotPage::Triangular);
  const Real alpha = w.p.engine.Settings.View.Alpha;
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(box->currentIndex(), 2);
  EXPECT_EQ(w.p.engine.Settings.View.Alpha, alpha);
  w.window.SelectPage(PlotPage::Tetrahedral);
  QTest::keyClick(box, Qt::Key_Right);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.View.Alpha - alpha), 2 * 0.0174532925199, 1e-12);
  EXPECT_EQ(box->currentIndex(), 2);
  QTest::keyClick(box, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.Scale), 1.05, 1e-12);
  // A drag with the left button turns the view.
  QWidget* page = w.window.PaintBox();
  QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
  QMouseEvent move(QEvent::MouseMove, QPointF(110, 100), page->mapToGlobal(QPointF(110, 100)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(page, &move);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.View.Alpha - alpha), 4 * 0.0174532925199, 1e-12);
}

TEST(GraphsWindowTest, ViewSwitchesNegativePointsAndTheDataSheetStatus) {
  Window w;
  w.p.Connect({{"a", "b", "c"}, {"1", "1", "1"}, {"-1", "-1", "-1"}});
  EXPECT_EQ(w.p.sheet.StatusTexts()[0], "1");
  EXPECT_EQ(w.window.StatusPanel(0), "np: OFF");
  QStatusTipEvent tip(QStringLiteral("Plot area: hint"));
  QApplication::sendEvent(w.window.PaintBox(), &tip);
  EXPECT_EQ(w.window.StatusPanel(2), "Plot area: hint");
  EXPECT_TRUE(w.window.findChildren<QLabel*>().size() >= 3);
  w.window.Action("PlotInversePoints1")->trigger();
  EXPECT_EQ(w.window.StatusPanel(0), "np: ON");
  EXPECT_EQ(w.p.sheet.StatusTexts()[0], "2");
  w.window.Action("GTBButtonPoints")->trigger();
  EXPECT_FALSE(w.p.engine.Settings.ViewPoints);
  EXPECT_FALSE(w.window.Action("ViewPoints1")->isChecked());
  EXPECT_FALSE(w.window.Action("ViewLabels1")->isEnabled());
  EXPECT_EQ(w.p.sheet.StatusTexts()[0], "?");
  // Ties need a tie-line variable.
  EXPECT_FALSE(w.window.Action("ViewTies1")->isEnabled());
}

// The tool buttons show pictures like the other tool bars; their tooltips
// say what they do and the letter the buttons once showed.
TEST(GraphsWindowTest, ToolButtonsShowPicturesAndTheirTooltipsNameThem) {
  Window w;
  const struct {
    const char* name;
    const char* tip;
  } tools[] = {{"GTBPrint", "Print"},
               {"GTBCopy", "Copy (as bitmap)"},
               {"GTBButtonDiagram", "Diagram (D)"},
               {"GTBButtonPoints", "Points (P)"},
               {"GTBButtonLabels", "Point Labels (L)"},
               {"GTBButtonTies", "Tie lines (T)"},
               {"GTBButtonEnlarge", "Enlarge (keypad +)"},
               {"GTBButtonReduce", "Reduce (keypad -)"},
               {"GTBSettings", "Graph Settings ... (S)"}};
  QList<QImage> pictures;
  for (const auto& t : tools) {
    SCOPED_TRACE(t.name);
    QAction* a = w.window.Action(QString::fromLatin1(t.name));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->toolTip().toStdString(), t.tip);
    ASSERT_FALSE(a->icon().isNull());
    const QImage picture = a->icon().pixmap(20, 20).toImage();
    // Something is drawn, and no two buttons look alike.
    EXPECT_NE(picture, QImage(picture.size(), picture.format()));
    for (const QImage& other : pictures) EXPECT_NE(picture, other);
    pictures << picture;
    // The bar shows the picture, not the letter.
    auto* button = qobject_cast<QToolButton*>(
        w.window.findChild<QToolBar*>(QStringLiteral("GToolBar"))->widgetForAction(a));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
  }
}

TEST(GraphsWindowTest, AllFourSelectorsFitTheWindowAtItsFirstSize) {
  // 540 x 460 is the window's size on a first start: apex D must not hide
  // behind the tool bar's overflow button.
  Window w;
  w.p.Connect({{"SiO2", "Al2O3", "FeO", "MgO"}, {"1", "1", "1", "1"}});
  w.window.resize(540, 460);
  QApplication::processEvents();
  for (int apex = 0; apex < 4; ++apex) {
    const QComboBox* box = w.window.ApexBox(apex);
    EXPECT_TRUE(box->isVisible()) << "apex " << apex;
    EXPECT_LE(box->mapTo(&w.window, QPoint(box->width(), 0)).x(), w.window.width()) << "apex " << apex;
  }
  w.Keep("window-first-size");
}

TEST(GraphsWindowTest, ClosingMinimisesAndThePageKeepsThePrinterShape) {
  Window w;
  w.window.close();
  QApplication::processEvents();
  EXPECT_TRUE(w.window.isMinimized() || w.window.isVisible());
  const QSize page = w.window.PaintBox()->size();
  EXPECT_NEAR(page.width() / static_cast<double>(page.height()), 1.414, 0.01);
  w.window.Action("ScalePage1")->trigger();
  EXPECT_EQ(w.window.PaintBox()->width(), 1123);  // A4 at 96 dots per inch
  w.window.AllowClose();
  w.window.close();
  EXPECT_FALSE(w.window.isVisible());
}

TEST(GraphsWindowTest, WarningsFileGoesIntoTheTextPad) {
  Window w;
  w.p.engine.Settings.LogTransformWarnings = true;
  w.p.Connect({{"a", "b", "c"}, {"0", "0", "0"}});
  w.window.Action("ViewLogFile1")->trigger();
  EXPECT_TRUE(w.pad.shown);
  EXPECT_EQ(w.pad.lines.value(2), "Case 1\t: Triangular Plot Zero Sum");
}

TEST(GraphsWindowTest, EyeDistanceAndStereoRotationTrackBars) {
  Window w;
  w.p.Connect({{"a", "b", "c", "d"}, {"1", "0", "0", "0"}});
  w.window.Action("Diagram2")->trigger();
  TVN_Settings* s = w.window.SettingsDialog();
  EXPECT_TRUE(s->isVisible());
  EXPECT_EQ(s->STBEyeDistance->value(), 5);
  w.window.SelectPage(PlotPage::Tetrahedral);
  s->STBEyeDistance->setValue(2);
  EXPECT_EQ(w.p.engine.Settings.View.EyeDistance, 2);
  s->STBStereoRotation->setValue(30);
  EXPECT_NEAR(static_cast<double>(w.p.engine.Settings.View.Gamma), 0.5235987756, 1e-9);
  // With the eye closer, the far vertex A draws in towards the centre.
  EXPECT_NEAR(static_cast<double>(w.p.engine.ProjectCase(1, 0).PX), 0.6669 * 5.2364 / 5 * 2 / 2.2364, 2e-4);
}

TEST(GraphsWindowTest, ItsPlaceIsReadAndWrittenUnderWinPos) {
  Window w;
  const QString path = QStringLiteral("/nonexistent/VARNEL.INI");
  w.window.ReadSettings(IniFile(path, "[WinPos]\r\nGTop=40\r\nGLeft=30\r\nGWidth=700\r\nGHeight=500\r\n"));
  EXPECT_EQ(w.window.width(), 700);
  EXPECT_EQ(w.window.height(), 500);
  w.window.resize(640, 480);
  IniFile out(path, "");
  w.window.WriteSettings(out, false);
  EXPECT_EQ(out.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("GWidth"), 0), 640);
  EXPECT_EQ(out.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("GHeight"), 0), 480);
}

}  // namespace
}  // namespace varnel
