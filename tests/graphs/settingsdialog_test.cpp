#include "graphs/settingsdialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include "app/dialogparts.h"
#include "app/inifile.h"
#include "app/reporttarget.h"
#include "graphs/cscalesdialog.h"
#include "graphs/graphswindow.h"
#include "tests/graphs/graphswindowscope.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::PlotSheet;

struct CountingView : GraphView {
  int repaints = 0;
  void RepaintPlot() override { ++repaints; }
};

// The dialog over a connected engine whose repaints are counted.
struct Dialog {
  PlotSheet p;
  CountingView view;
  std::unique_ptr<TVN_Settings> dialog;
  explicit Dialog(const std::vector<std::vector<std::string>>& rows) {
    p.engine.SetView(&view);
    p.Connect(rows);
    dialog = std::make_unique<TVN_Settings>(p.engine);
    view.repaints = 0;
  }
  ~Dialog() { p.engine.SetView(nullptr); }
  // Runs f and says whether it repainted the page.
  template <typename F>
  bool Repaints(F f) {
    const int before = view.repaints;
    f();
    return view.repaints > before;
  }
};

const std::vector<std::vector<std::string>> Rocks = {
    {"SiO2", "MgO", "FeO", "Symbol#", "Color#", "Rock#", "Tielin#"},
    {"2", "1", "1", "4", "1", "dunite", "1"},
    {"1", "2", "1", "4", "1", "dunite", "1"},
    {"1", "1", "2", "6", "2", "basalt", ""}};

TEST(SettingsDialogTest, EveryControlChangesTheEngineAndRepaints) {
  Dialog d(Rocks);
  TVN_Settings& s = *d.dialog;
  GraphSettings& g = d.p.engine.Settings;
  EXPECT_TRUE(d.Repaints([&] { s.SSESymbolSize->setValue(45); }));
  EXPECT_EQ(g.DefaultSymbolSize, 45);
  EXPECT_EQ(s.SSESymbolSize->minimum(), 1);
  EXPECT_EQ(s.SSESymbolSize->maximum(), 1000);
  EXPECT_EQ(s.SCBDefSymShape->count(), 15);
  EXPECT_EQ(s.SCBDefSymShape->itemText(14), "Asp - 14");
  EXPECT_EQ(s.SCBDefSymShape->currentIndex(), 2);
  EXPECT_TRUE(d.Repaints([&] { emit s.SCBDefSymShape->activated(5); }));
  EXPECT_EQ(g.DefSymShape, 5);
  EXPECT_TRUE(d.Repaints([&] { s.STBTiePenWidth->setValue(12); }));
  EXPECT_EQ(g.DefaultTiePenWidth, 12);
  EXPECT_TRUE(d.Repaints([&] { s.STBInfinityLength->setValue(70); }));
  EXPECT_EQ(g.InfinityLineLengthFactor, 70);
  EXPECT_EQ(s.SCBTielinStyle->itemText(4), "Dash-Dot-Dot");
  EXPECT_TRUE(d.Repaints([&] { emit s.SCBTielinStyle->activated(3); }));
  EXPECT_EQ(g.TieStyle, 3);
  EXPECT_TRUE(d.Repaints([&] { s.STBDiagramPenWidth->setValue(20); }));
  EXPECT_EQ(g.DefaultDiagramPenWidth, 20);
  EXPECT_TRUE(d.Repaints([&] { s.SCkBPlotApexLabels->setChecked(false); }));
  EXPECT_FALSE(g.PlotApexLabels);
  EXPECT_TRUE(d.Repaints([&] { s.SRBTieFirstColor->setChecked(true); }));
  EXPECT_FALSE(g.UseDefaultTieColor);
  // The tie-set limit is read with the column; a change repaints only
  // while ties are shown.
  EXPECT_FALSE(d.Repaints([&] { s.SSEMaxTieSets->setValue(10); }));
  EXPECT_EQ(g.MaxTieSets, 10);
  g.ViewTies = true;
  EXPECT_TRUE(d.Repaints([&] { s.SSEMaxTieSets->setValue(11); }));

  // Colours and fonts come from their choosers; a cancelled one changes nothing.
  auto& prompter = d.p.prompter;
  prompter.AnswerColor(qRgb(10, 200, 30));
  EXPECT_TRUE(d.Repaints([&] { s.SBtnFillColor->click(); }));
  EXPECT_EQ(g.FillColor, qRgb(10, 200, 30));
  EXPECT_EQ(s.SFillColor->palette().color(QPalette::Window), QColor(10, 200, 30));
  prompter.AnswerColor(std::nullopt);
  EXPECT_FALSE(d.Repaints([&] { s.SBtnOutlineColor->click(); }));
  EXPECT_EQ(g.OutlineColor, qRgb(0, 0, 0));
  prompter.AnswerColor(qRgb(1, 2, 3));
  prompter.AnswerColor(qRgb(1, 2, 3));
  s.SBtnTieColor->click();
  s.SBtnShapeColor->click();
  EXPECT_EQ(g.TieColor, qRgb(1, 2, 3));
  EXPECT_EQ(g.SymbolColor, qRgb(1, 2, 3));
  EXPECT_EQ(prompter.colourTitles,
            (std::vector<QString>{"Fill color", "Outline color", "Tie line color", "Shape color"}));
  EXPECT_EQ(s.SPLabelFont->text(), DesktopSerifFamily() + QStringLiteral(" 10 points"));

  // The font chooser: the platform's font page, with the text colour below
  // it from the colour chooser. The user picks a family of this machine.
  // A family with an italic style, so that the apex font can keep its own.
  QString family;
  for (const QString& f : QFontDatabase::families())
    if (family.isEmpty() && QFontDatabase::italic(f, QStringLiteral("Italic"))) family = f;
  ASSERT_FALSE(family.isEmpty());
  const auto pickFont = [&family](bool withColour) {
    return [&family, withColour](QDialog& dialog) {
      EXPECT_EQ(dialog.objectName(), "LabelFontDialog");
      auto* fonts = dialog.findChild<QFontDialog*>();
      EXPECT_NE(fonts, nullptr);
      if (!fonts) return false;
      QFont f = fonts->currentFont();
      f.setFamily(family);
      f.setPointSize(12);
      fonts->setCurrentFont(f);
      if (withColour) dialog.findChild<QPushButton*>(QStringLiteral("FontColorButton"))->click();
      return true;
    };
  };
  prompter.AnswerDialog(pickFont(true));
  prompter.AnswerColor(qRgb(200, 0, 0));
  EXPECT_TRUE(d.Repaints([&] { s.SBtnLabelFont->click(); }));
  EXPECT_EQ(prompter.colourTitles.back(), "Font color");
  EXPECT_EQ(g.LabelFont.Name, family);
  EXPECT_EQ(g.LabelFont.Size, 12);
  EXPECT_EQ(g.LabelFont.Color, qRgb(200, 0, 0));
  EXPECT_EQ(s.SPLabelFont->text(), family + " 12 points");
  const LabelFontChoice apexBefore = g.ApexFont;
  prompter.AnswerDialog(pickFont(false));
  s.SBtnApexFont->click();
  EXPECT_EQ(g.ApexFont.Name, family);
  EXPECT_EQ(g.ApexFont.Italic, apexBefore.Italic);  // the style stays unless the chooser changes it
  EXPECT_EQ(g.ApexFont.Color, apexBefore.Color);
  EXPECT_EQ(s.SPApexFont->text(), family + " 12 points");
  // Cancel changes nothing.
  prompter.AnswerDialog([](QDialog&) { return false; });
  EXPECT_FALSE(d.Repaints([&] { s.SBtnLabelFont->click(); }));
  EXPECT_EQ(g.LabelFont.Color, qRgb(200, 0, 0));
}

TEST(SettingsDialogTest, FromVariableNeedsAColumnAndTakesEffectOnlyWhenChecked) {
  Dialog d(Rocks);
  TVN_Settings& s = *d.dialog;
  GraphSettings& g = d.p.engine.Settings;
  // Auto-selection found Symbol# and Color#: the buttons are enabled, the
  // defaults still hold.
  EXPECT_EQ(s.SCBSymbolShapeVar->currentText(), "Symbol#");
  EXPECT_TRUE(s.SRBSymbolShapeVar->isEnabled());
  EXPECT_TRUE(s.SRBSymbolDefaultShape->isChecked());
  EXPECT_FALSE(s.SRBSymbolSizeVar->isEnabled());
  EXPECT_EQ(d.p.engine.SymbolShape(1), 2);
  EXPECT_TRUE(d.Repaints([&] { s.SRBSymbolShapeVar->setChecked(true); }));
  EXPECT_FALSE(g.UseDefaultShape);
  EXPECT_EQ(d.p.engine.SymbolShape(1), 4);
  s.SRBSymbolColorVar->setChecked(true);
  EXPECT_EQ(d.p.engine.SymbolFill(3), qRgb(0, 0, 255));
  // "(None)" takes the column away and the default back.
  emit s.SCBSymbolShapeVar->activated(0);
  EXPECT_EQ(d.p.engine.SelectorItem(GraphSelector::SymbolShape), 0);
  EXPECT_FALSE(s.SRBSymbolShapeVar->isEnabled());
  EXPECT_TRUE(s.SRBSymbolDefaultShape->isChecked());
  EXPECT_TRUE(g.UseDefaultShape);
  // A label column chosen in the dialog, then used.
  emit s.SCBoxLabelVar->activated(6);
  EXPECT_TRUE(s.SRBUseVarLabel->isEnabled());
  s.SRBUseVarLabel->setChecked(true);
  EXPECT_EQ(d.p.engine.LabelText(3), "basalt");
  // Choosing the tie-line column reads it at once.
  emit s.SCBTielinVar->activated(0);
  EXPECT_FALSE(d.p.engine.TieVarSet());
  emit s.SCBTielinVar->activated(7);
  EXPECT_EQ(d.p.engine.TieSet(1), 1);
  EXPECT_EQ(d.p.engine.TieSet(3), -1);
}

TEST(SettingsDialogTest, CopyExportPageSetsFormatsWidthsAndHeights) {
  Dialog d(Rocks);
  TVN_Settings& s = *d.dialog;
  GraphSettings& g = d.p.engine.Settings;
  s.PageAspect = [] { return Real{1.414L}; };
  int formatChanges = 0;
  s.FormatsChanged = [&] { ++formatChanges; };
  EXPECT_EQ(s.SSEClpBMPWidth->value(), 600);
  EXPECT_EQ(s.SSEFileBMPWidth->value(), 1200);
  EXPECT_TRUE(s.SRGClipFormat->button(0)->isChecked());
  EXPECT_TRUE(s.SRGFileFormat->button(1)->isChecked());
  s.SSEClpBMPWidth->setValue(601);
  EXPECT_EQ(g.DefaultClpBMPWidth, 601);
  EXPECT_EQ(g.ClpBmpHeight, 425);
  s.SSEClpBMPWidth->setValue(600);
  EXPECT_EQ(g.ClpBmpHeight, 424);
  s.SSEFileBMPWidth->setValue(2000);
  EXPECT_EQ(g.FileBmpHeight, 1414);
  s.SSEFileBMPWidth->setValue(5);
  EXPECT_EQ(g.DefaultFileBMPWidth, 20);
  s.SRGClipFormat->button(1)->click();
  EXPECT_EQ(g.ClipFormat, 1);
  s.SRGFileFormat->button(2)->click();
  EXPECT_EQ(g.FileFormat, 2);
  EXPECT_EQ(formatChanges, 2);
  // Showing the page reads the widths again.
  g.DefaultClpBMPWidth = 777;
  s.SPageControl->setCurrentIndex(0);
  s.SPageControl->setCurrentIndex(4);
  EXPECT_EQ(s.SPageControl->tabText(4), "Copy/Export");
  EXPECT_EQ(s.SSEClpBMPWidth->value(), 777);
}

TEST(SettingsDialogTest, LegendSwitchAndColumnAndTheHelpOfEachPage) {
  Dialog d(Rocks);
  TVN_Settings& s = *d.dialog;
  GraphSettings& g = d.p.engine.Settings;
  EXPECT_FALSE(s.SCkBLegend->isChecked());
  EXPECT_TRUE(d.Repaints([&] { s.SCkBLegend->setChecked(true); }));
  EXPECT_TRUE(g.ShowLegend);
  emit s.SCBLegendVar->activated(6);
  EXPECT_EQ(g.LegendVariable, "Rock#");
  emit s.SCBLegendVar->activated(0);
  EXPECT_EQ(g.LegendVariable, "");
  std::vector<int> topics;
  s.ShowHelp = [&](int topic) { topics.push_back(topic); };
  auto* help = s.findChild<QPushButton*>(QStringLiteral("SBtnHelp"));
  for (int page = 0; page < 5; ++page) {
    s.SPageControl->setCurrentIndex(page);
    help->click();
  }
  EXPECT_EQ(topics, (std::vector<int>{4120, 4130, 4140, 4150, 4160}));
  // The design's hidden projection legend stays hidden.
  EXPECT_FALSE(s.SCkBProjectionLegend->isEnabled());
  EXPECT_TRUE(s.SCkBProjectionLegend->isHidden());
}

using Window = test::GraphsWindowScope;

TEST(GraphsWindowScalingTest, ToggleShowsInTheStatusBarAndPreviewThenCancelLeavesThePlot) {
  Window w;
  w.p.Connect({{"SiO2", "MgO", "FeO"}, {"2", "1", "0.5"}, {"1", "3", "7"}});
  EXPECT_EQ(w.window.StatusPanel(1), "sc: OFF");
  const QImage before = w.Picture();
  const Real x1 = w.p.engine.Tri(1).X;

  bool previewEnabled = false;
  w.p.prompter.AnswerDialog([&](QDialog& dialog) {
    auto& d = static_cast<TVN_CScales&>(dialog);
    previewEnabled = d.CSBtnPreview->isEnabled();
    EXPECT_EQ(d.CSSpin[0]->value(), 1);
    EXPECT_EQ(d.CSSpin[0]->maximum(), 999);
    d.CSSpin[0]->setValue(5);
    d.CSBtnPreview->click();
    // The preview is what the page now shows; the engine keeps its factors.
    EXPECT_NE(w.p.engine.Tri(1).X, x1);
    EXPECT_NE(w.Picture(), before);
    EXPECT_EQ(w.p.engine.ApexLabel(0), "SiO2(x5)");
    EXPECT_FALSE(w.p.engine.Settings.ScalingOn);
    EXPECT_EQ(w.p.engine.Settings.ScaleFactors[0], 1);
    return false;  // Cancel
  });
  w.window.Action(QStringLiteral("SetupCoordinateScaling1"))->trigger();
  EXPECT_TRUE(previewEnabled);
  EXPECT_EQ(w.p.engine.Tri(1).X, x1);
  EXPECT_EQ(w.Picture(), before);
  EXPECT_EQ(w.p.engine.ApexLabel(0), "SiO2");
  EXPECT_EQ(w.p.engine.Settings.ScaleFactors[0], 1);

  // OK keeps the factors but changes nothing while scaling is off.
  w.p.prompter.AnswerDialog([](QDialog& dialog) {
    auto& d = static_cast<TVN_CScales&>(dialog);
    d.CSSpin[0]->setValue(3);
    return true;
  });
  w.window.Action(QStringLiteral("SetupCoordinateScaling1"))->trigger();
  EXPECT_EQ(w.p.engine.Settings.ScaleFactors[0], 3);
  EXPECT_EQ(w.Picture(), before);
  w.window.Action(QStringLiteral("ScaleCoordinates1"))->trigger();
  EXPECT_EQ(w.window.StatusPanel(1), "sc: ON");
  EXPECT_TRUE(w.window.Action(QStringLiteral("ScaleCoordinates1"))->isChecked());
  EXPECT_EQ(w.p.engine.ApexLabel(0), "SiO2(x3)");
  EXPECT_NE(w.Picture(), before);
  w.window.Action(QStringLiteral("ScaleCoordinates1"))->trigger();
  EXPECT_EQ(w.window.StatusPanel(1), "sc: OFF");
  EXPECT_EQ(w.Picture(), before);
}

TEST(GraphsWindowScalingTest, PreviewNeedsAPlot) {
  Window w;
  bool previewEnabled = true;
  w.p.prompter.AnswerDialog([&](QDialog& dialog) {
    auto& d = static_cast<TVN_CScales&>(dialog);
    previewEnabled = d.CSBtnPreview->isEnabled();
    return false;
  });
  w.window.Action(QStringLiteral("SetupCoordinateScaling1"))->trigger();
  EXPECT_FALSE(previewEnabled);
  w.p.prompter.AnswerDialog([&](QDialog& dialog) {
    previewEnabled = static_cast<TVN_CScales&>(dialog).CSBtnPreview->isEnabled();
    return false;
  });
  w.p.Connect({{"a", "b"}, {"1", "2"}});  // two apexes: nothing to plot
  w.window.Action(QStringLiteral("SetupCoordinateScaling1"))->trigger();
  EXPECT_FALSE(previewEnabled);
}

TEST(GraphsWindowSettingsTest, EveryGraphsKeyIsReadAndWrittenAtExit) {
  Window w;
  const QString path = ProgramDir() + QStringLiteral("graphs-all.ini");
  test::WriteFileOrFail(path,
                        "[Settings]\r\nLandscape=0\r\nDefaultSymbolSize=44\r\nScale=1.5\r\n"
                        "[Options]\r\nPlotNegPoints=1\r\nMaxTieSets=7\r\n"
                        "[Export]\r\nDefaultClpBMPWidth=800\r\nDefaultClipboardFormat=Metafile\r\n");
  w.window.ReadSettings(IniFile(path));
  const GraphSettings& g = w.p.engine.Settings;
  EXPECT_EQ(g.DefaultSymbolSize, 44);
  EXPECT_EQ(g.Scale, 1.5L);
  EXPECT_EQ(g.MaxTieSets, 7);
  EXPECT_EQ(w.window.StatusPanel(0), "np: ON");
  EXPECT_TRUE(w.window.Action(QStringLiteral("PlotInversePoints1"))->isChecked());
  // A portrait page: bitmaps higher than wide.
  EXPECT_LT(w.window.Printer().Width, w.window.Printer().Height);
  EXPECT_GT(w.window.PaintBox()->height(), w.window.PaintBox()->width());
  EXPECT_EQ(g.ClpBmpHeight, BitmapHeight(800, w.window.Printer().PageAspect()));
  EXPECT_GT(g.ClpBmpHeight, 800);
  EXPECT_EQ(w.window.SettingsDialog()->SSESymbolSize->value(), 44);
  EXPECT_TRUE(w.window.SettingsDialog()->SRGClipFormat->button(1)->isChecked());

  IniFile positionsOnly(path);
  w.window.WriteSettings(positionsOnly, false);
  EXPECT_FALSE(positionsOnly.HasKey(QStringLiteral("Settings"), QStringLiteral("ApexFontName")));
  EXPECT_TRUE(positionsOnly.HasKey(QStringLiteral("WinPos"), QStringLiteral("GTop")));
  IniFile all(path);
  w.window.WriteSettings(all, true);
  const auto written = [&](const char* section, const char* key) {
    return all.ReadString(QLatin1String(section), QLatin1String(key), {});
  };
  EXPECT_EQ(written("Settings", "Landscape"), "0");
  EXPECT_EQ(written("Settings", "ApexFontName"), DesktopSansFamily());
  EXPECT_EQ(written("Export", "DefaultClipboardFormat"), "Metafile");
  EXPECT_EQ(written("Export", "DefaultFileFormat"), "EnhMetafile");
  EXPECT_EQ(written("Options", "MaxTieSets"), "7");
}

TEST(GraphsWindowSettingsTest, MenusOpenTheirPagesAndLoadingRefreshesTheDialog) {
  Window w;
  TVN_Settings* s = w.window.SettingsDialog();
  const std::pair<const char*, const char*> items[] = {{"Symbols1", "Symbols"},
                                                       {"Labels1", "Labels"},
                                                       {"TieLines1", "Tie lines"},
                                                       {"Diagram2", "Diagram"},
                                                       {"CopyExport1", "Copy/Export"}};
  for (const auto& [action, page] : items) {
    s->hide();
    w.window.Action(QLatin1String(action))->trigger();
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(s->SPageControl->tabText(s->SPageControl->currentIndex()), page);
  }
  s->hide();
  w.window.Action(QStringLiteral("GTBSettings"))->trigger();
  EXPECT_TRUE(s->isVisible());
  EXPECT_EQ(s->SPageControl->currentIndex(), 4);  // the page it was on

  QTemporaryDir dir;
  const QString vng = dir.filePath(QStringLiteral("big.vng"));
  test::WriteFileOrFail(
      vng, "[Fonts]\r\nLabelFontSize=20\r\n[Pens]\r\nDefaultTiePenWidth=9\r\n[3D]\r\nEyeDistance=12\r\n");
  w.p.prompter.AnswerOpen(vng);
  w.window.Action(QStringLiteral("LoadPlotSettings1"))->trigger();
  EXPECT_EQ(s->SPLabelFont->text(), DesktopSerifFamily() + QStringLiteral(" 20 points"));
  EXPECT_EQ(s->STBTiePenWidth->value(), 9);
  EXPECT_EQ(s->STBEyeDistance->value(), 12);
  EXPECT_EQ(w.p.engine.Settings.View.EyeDistance, 12);

  w.p.prompter.AnswerSave(dir.filePath(QStringLiteral("saved.vng")));
  w.window.Action(QStringLiteral("SavePlotSettings1"))->trigger();
  EXPECT_EQ(w.p.prompter.dialogs.back().initialPath, "Untitled");  // a new sheet's name
  EXPECT_TRUE(test::ReadFile(dir.filePath(QStringLiteral("saved.vng"))).contains("LabelFontSize=20\r\n"));
}

}  // namespace
}  // namespace varnel
