#include "graphs/graphsettingsfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/inifile.h"
#include "app/numberlocale.h"
#include "tests/graphs/plotsheet.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

using test::PlotSheet;
using test::ScriptedPrompter;

constexpr double Degree = 3.14159265358979323846 / 180;

// Settings far from every default, so that a read must set each field.
GraphSettings Unusual() {
  GraphSettings g;
  g.DefSymShape = 9;
  g.DefaultSymbolSize = 77;
  g.DefaultTiePenWidth = 7;
  g.DefaultDiagramPenWidth = 8;
  g.InfinityLineLengthFactor = 44;
  g.LabelFont = {QStringLiteral("Courier"), 21, false, false, 0xFF000000};
  g.ApexFont = {QStringLiteral("Courier"), 22, false, true, 0xFF000000};
  g.PlotNegPoints = true;
  g.ZPOrdering = false;
  g.LogTransformWarnings = true;
  g.AutoVarSelect = false;
  g.ScalePage = false;
  g.MaxTieSets = 5;
  g.Scale = 3;
  g.StereoSFactor = 4;
  g.View = {1, 2, 0.25L, 9};
  g.Landscape = false;
  g.ClipFormat = 1;
  g.FileFormat = 0;
  g.DefaultClpBMPWidth = 33;
  g.DefaultFileBMPWidth = 44;
  g.ShowLegend = true;
  g.LegendVariable = QStringLiteral("Rock#");
  return g;
}

IniFile Ini(const char* text) { return IniFile(QStringLiteral("/nowhere/VARNEL.INI"), text); }

// What the settings file holds for the settings g.
std::string Saved(const GraphSettings& g) {
  IniFile ini(QStringLiteral("/nowhere/VARNEL.INI"), "");
  WriteGraphsIniKeys(ini, g);
  return ini.Bytes().toStdString();
}

TEST(GraphIniTest, WithoutAFileEveryKeyHasItsDefault) {
  GraphSettings g = Unusual();
  ReadGraphsIniKeys(IniFile(QDir::temp().filePath(QStringLiteral("no-such-varnel.ini"))), g);
  // Every key the file has, read back through the writer checked below.
  EXPECT_EQ(
      Saved(g),
      "[Settings]\r\nLandscape=1\r\nDefaultSymbolSize=30\r\nStereoSFactor=1.5\r\nScale=1\r\n"
      "LabelFontName=" +
          DesktopSerifFamily().toStdString() +
          "\r\nLabelFontSize=10\r\nApexFontName=" + DesktopSansFamily().toStdString() +
          "\r\nApexFontSize=14\r\n"
          "DefaultDiagramPenWidth=3\r\nDefaultTiePenWidth=1\r\nDefSymShape=2\r\nInfinityLineLengthFactor="
          "3\r\n"
          "\r\n[Options]\r\nMaxTieSets=99\r\nPlotNegPoints=0\r\nZPOrdering=1\r\nLogTransformWarnings=0\r\n"
          "AutoVarSelect=1\r\nScalePage=1\r\n"
          "\r\n[Export]\r\nDefaultFileBMPWidth=1200\r\nDefaultClpBMPWidth=600\r\n"
          "DefaultClipboardFormat=Bitmap\r\nDefaultFileFormat=EnhMetafile\r\n");
  EXPECT_TRUE(g.ApexFont.Italic);  // the style is no key of the file
}

TEST(GraphIniTest, ScalesFallBackTogetherAndBadIntegersTakeTheirDefaults) {
  GraphSettings g;
  // A bad scale resets the good one with it. A zoom of zero would draw the
  // whole plot on one pixel, one of 1e300 leave nothing of it on the page.
  const struct {
    const char* ini;
    Real scale, stereo;
  } scales[] = {{"[Settings]\r\nStereoSFactor=1.5\r\nScale=abc\r\n", 1, 1},
                {"[Settings]\r\nStereoSFactor=x\r\nScale=2\r\n", 1, 1},
                {"[settings]\r\nstereosfactor=1.5\r\nSCALE=0.25\r\n", 0.25L, 1.5L},
                {"[Settings]\r\nStereoSFactor=1.5\r\nScale=0\r\n", 1, 1},
                {"[Settings]\r\nStereoSFactor=1.5\r\nScale=1e300\r\n", 1, 1},
                {"[Settings]\r\nStereoSFactor=1000\r\nScale=2\r\n", 2, 1000}};
  for (const auto& c : scales) {
    ReadGraphsIniKeys(Ini(c.ini), g);
    EXPECT_EQ(g.Scale, c.scale) << c.ini;
    EXPECT_EQ(g.StereoSFactor, c.stereo) << c.ini;
  }

  ReadGraphsIniKeys(Ini("[Settings]\r\nDefSymShape=15\r\nDefaultSymbolSize=big\r\nLabelFontName=\r\n"
                        "[Options]\r\nMaxTieSets=1001\r\nZPOrdering=0\r\n"
                        "[Export]\r\nDefaultClpBMPWidth=19\r\nDefaultFileBMPWidth=9999\r\n"
                        "DefaultClipboardFormat=Metafile\r\nDefaultFileFormat=Metafile\r\n"),
                    g);
  EXPECT_EQ(g.DefSymShape, 2);
  EXPECT_EQ(g.DefaultSymbolSize, 30);
  EXPECT_EQ(g.LabelFont.Name, DesktopSerifFamily());
  EXPECT_EQ(g.MaxTieSets, 99);
  EXPECT_FALSE(g.ZPOrdering);
  EXPECT_EQ(g.DefaultClpBMPWidth, 600);
  EXPECT_EQ(g.DefaultFileBMPWidth, 9999);
  EXPECT_EQ(g.ClipFormat, 1);
  EXPECT_EQ(g.FileFormat, 2);
  ReadGraphsIniKeys(Ini("[Export]\r\nDefaultClipboardFormat=Bitmap\r\nDefaultFileFormat=Bitmap\r\n"), g);
  EXPECT_EQ(g.ClipFormat, 0);
  EXPECT_EQ(g.FileFormat, 0);
}

TEST(GraphIniTest, KeysAreWrittenInTheirOrderWithTheSystemSeparator) {
  const char previous = DecimalSeparator();
  SetDecimalSeparator(',');
  GraphSettings g;
  g.Scale = 1.05L;
  g.StereoSFactor = 0.1L + 0.2L;  // not 0.3 in binary: 15 digits make it 0,3
  g.ClipFormat = 1;
  g.FileFormat = 2;
  const std::string text = Saved(g);
  EXPECT_EQ(
      text,
      "[Settings]\r\nLandscape=1\r\nDefaultSymbolSize=30\r\nStereoSFactor=0,3\r\nScale=1,05\r\n"
      "LabelFontName=" +
          DesktopSerifFamily().toStdString() +
          "\r\nLabelFontSize=10\r\nApexFontName=" + DesktopSansFamily().toStdString() +
          "\r\nApexFontSize=14\r\n"
          "DefaultDiagramPenWidth=3\r\nDefaultTiePenWidth=1\r\nDefSymShape=2\r\nInfinityLineLengthFactor="
          "3\r\n"
          "\r\n[Options]\r\nMaxTieSets=99\r\nPlotNegPoints=0\r\nZPOrdering=1\r\nLogTransformWarnings=0\r\n"
          "AutoVarSelect=1\r\nScalePage=1\r\n"
          "\r\n[Export]\r\nDefaultFileBMPWidth=1200\r\nDefaultClpBMPWidth=600\r\n"
          "DefaultClipboardFormat=Metafile\r\nDefaultFileFormat=Metafile\r\n");
  GraphSettings back = Unusual();
  ReadGraphsIniKeys(IniFile(QStringLiteral("/nowhere/VARNEL.INI"), text), back);
  EXPECT_EQ(back.Scale, 1.05L);
  EXPECT_EQ(back.StereoSFactor, 0.3L);
  EXPECT_EQ(back.FileFormat, 2);
  // A file written where the separator is a point still reads.
  ReadGraphsIniKeys(Ini("[Settings]\r\nStereoSFactor=1.5\r\nScale=2.5\r\n"), back);
  EXPECT_EQ(back.Scale, 2.5L);
  SetDecimalSeparator(previous);
}

TEST(PlotSettingsFileTest, AFileWithOnlyAlphaTakesEveryOtherDefault) {
  GraphSettings g = Unusual();
  PlotSettingsFromIni(IniFile(QStringLiteral("/x/a.vng"), "[3D]\r\nAlpha=30\r\n"), g);
  EXPECT_NEAR(static_cast<double>(g.View.Alpha), 30 * Degree, 1e-15);
  EXPECT_NEAR(static_cast<double>(g.View.Theta), -54 * Degree, 1e-15);
  EXPECT_NEAR(static_cast<double>(g.View.Gamma), 5 * Degree, 1e-15);
  EXPECT_EQ(g.View.EyeDistance, 5);
  EXPECT_EQ(g.LabelFont.Size, 8);
  EXPECT_EQ(g.ApexFont.Size, 12);
  EXPECT_EQ(g.LabelFont.Name, DesktopSerifFamily());
  EXPECT_EQ(g.DefaultSymbolSize, 30);
  EXPECT_EQ(g.DefSymShape, 2);
  EXPECT_EQ(g.Scale, 1);
  EXPECT_EQ(g.InfinityLineLengthFactor, 3);
  EXPECT_EQ(g.DefaultDiagramPenWidth, 3);
  EXPECT_EQ(g.DefaultTiePenWidth, 1);
  EXPECT_FALSE(g.ShowLegend);
  // Keys of the settings file only are left alone.
  EXPECT_EQ(g.MaxTieSets, 5);
  EXPECT_EQ(g.DefaultClpBMPWidth, 33);

  // One view value that is not a number resets all four.
  PlotSettingsFromIni(
      IniFile(QStringLiteral("/x/a.vng"), "[3D]\r\nAlpha=30\r\nTheta=-10\r\nGamma=2\r\nEyeDistance=?\r\n"),
      g);
  EXPECT_NEAR(static_cast<double>(g.View.Alpha), 21 * Degree, 1e-15);
  EXPECT_NEAR(static_cast<double>(g.View.Theta), -54 * Degree, 1e-15);
  EXPECT_EQ(g.View.EyeDistance, 5);
}

TEST(PlotSettingsFileTest, WhatIsWrittenReadsBackAndKeepsOtherSections) {
  const GraphSettings g = Unusual();
  IniFile vng(QStringLiteral("/x/a.vng"), "[Mine]\r\nNote=kept\r\n[Symbol]\r\nDefSymShape=1\r\n");
  PlotSettingsToIni(vng, g);
  const std::string text = vng.Bytes().toStdString();
  EXPECT_EQ(text.find("[Mine]\r\nNote=kept\r\n[Symbol]\r\nDefSymShape=9\r\nDefaultSymbolSize=77\r\n"), 0u)
      << text;
  EXPECT_NE(text.find("[3D]\r\nAlpha=57.2957795130823\r\nTheta=114.591559026165\r\n"), std::string::npos)
      << text;
  GraphSettings back;
  PlotSettingsFromIni(IniFile(QStringLiteral("/x/a.vng"), text), back);
  EXPECT_EQ(back.DefSymShape, 9);
  EXPECT_EQ(back.DefaultSymbolSize, 77);
  EXPECT_EQ(back.Scale, 3);
  EXPECT_EQ(back.StereoSFactor, 4);
  EXPECT_EQ(back.InfinityLineLengthFactor, 44);
  EXPECT_EQ(back.DefaultDiagramPenWidth, 8);
  EXPECT_EQ(back.DefaultTiePenWidth, 7);
  EXPECT_EQ(back.LabelFont.Size, 21);
  EXPECT_EQ(back.ApexFont.Name, "Courier");
  EXPECT_NEAR(static_cast<double>(back.View.Alpha), 1, 1e-14);
  EXPECT_NEAR(static_cast<double>(back.View.Gamma), 0.25, 1e-14);
  EXPECT_EQ(back.View.EyeDistance, 9);
  EXPECT_TRUE(back.ShowLegend);
  EXPECT_EQ(back.LegendVariable, "Rock#");
}

TEST(PlotSettingsFileTest, TheProposedNameDropsTheExtension) {
  EXPECT_EQ(ProposedPlotSettingsName(QStringLiteral("/data/rocks.vnp")), "rocks");
  EXPECT_EQ(ProposedPlotSettingsName(QStringLiteral("rocks")), "rocks");
  // The old rule (drop the first dot and three letters) made "runks.vnp" of
  // this, which the type check then refused.
  EXPECT_EQ(ProposedPlotSettingsName(QStringLiteral("/d/run.2010.vnp")), "run.2010.vng");
}

class SavePlotSettingsTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QTemporaryDir dir;
  ScriptedPrompter prompter;
};

TEST_F(SavePlotSettingsTest, AnotherExtensionIsRefusedAndNothingIsWritten) {
  const QString refusal =
      QStringLiteral("Sorry, cannot save to specified file type.\n\rFile type must be <.vng>.");
  for (const char* name : {"plot.txt", "plot", "plot.vng.bak"}) {
    prompter.AnswerSave(Path(name));
    prompter.Expect(BoxKind::Error, refusal, Only(Button::Ok), Button::Ok);
    EXPECT_FALSE(SavePlotSettingsCommand(GraphSettings{}, prompter, QStringLiteral("/data/rocks.vnp")));
    EXPECT_FALSE(QFile::exists(Path(name))) << name;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
  const FileDialogSpec& spec = prompter.dialogs.front();
  EXPECT_EQ(spec.title, "Save Plot Settings");
  EXPECT_EQ(spec.filter, "Varnel Graph configuration file (*.vng)|*.vng");
  EXPECT_EQ(spec.defaultSuffix, "vng");
  EXPECT_EQ(spec.initialPath, "rocks");
  EXPECT_TRUE(spec.confirmOverwrite);
}

TEST_F(SavePlotSettingsTest, AFileThatCannotBeWrittenIsReported) {
  const QString path = Path("no/such/folder/plot.vng");
  prompter.AnswerSave(path);
  prompter.AnswerNext(Button::Ok);
  EXPECT_FALSE(SavePlotSettingsCommand(GraphSettings{}, prompter, QStringLiteral("/data/rocks.vnp")));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, BoxKind::Error);
  EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("Unable to write to ") + path +
                                                QStringLiteral("\n\r")))
      << prompter.shown[0].text.toStdString();
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SavePlotSettingsTest, SavedUnderAnyCaseOfVngAndLoadedBackIntoTheEngine) {
  GraphSettings g = Unusual();
  prompter.AnswerSave(Path("Rocks.VNG"));
  ASSERT_TRUE(SavePlotSettingsCommand(g, prompter, QStringLiteral("/data/rocks.vnp")));
  EXPECT_TRUE(test::ReadFile(Path("Rocks.VNG")).startsWith("[Symbol]\r\nDefaultSymbolSize=77\r\n"));

  PlotSheet p;
  p.prompter.AnswerOpen(std::nullopt);
  EXPECT_FALSE(LoadPlotSettingsCommand(p.engine, p.prompter));
  EXPECT_EQ(p.engine.Settings.DefaultSymbolSize, 30);
  p.prompter.AnswerOpen(Path("Rocks.VNG"));
  EXPECT_TRUE(LoadPlotSettingsCommand(p.engine, p.prompter));
  EXPECT_EQ(p.prompter.dialogs.back().title, "Load Plot Settings");
  EXPECT_TRUE(p.prompter.dialogs.back().mustExist);
  EXPECT_EQ(p.engine.Settings.DefaultSymbolSize, 77);
  EXPECT_NEAR(static_cast<double>(p.engine.Settings.View.Alpha), 1, 1e-14);

  // A file that cannot be read says so and changes nothing.
  p.engine.Settings.DefaultSymbolSize = 31;
  QDir(dir.path()).mkdir(QStringLiteral("folder.vng"));
  p.prompter.AnswerOpen(Path("folder.vng"));
  p.prompter.AnswerNext(Button::Ok);
  EXPECT_FALSE(LoadPlotSettingsCommand(p.engine, p.prompter));
  EXPECT_TRUE(
      p.prompter.shown.back().text.startsWith(QStringLiteral("Unable to read ") + Path("folder.vng")));
  EXPECT_EQ(p.engine.Settings.DefaultSymbolSize, 31);
}

TEST(CoordinateScalingTest, FactorsOfOneDrawWhatScalingOffDraws) {
  PlotSheet p;
  p.Connect({{"SiO2", "MgO", "FeO"}, {"2", "1", "0.5"}, {"1", "3", "7"}, {"0", "0", "1"}});
  const auto points = [&] {
    std::vector<std::pair<Real, Real>> xy;
    for (int k = 1; k <= 3; ++k) xy.emplace_back(p.engine.Tri(k).X, p.engine.Tri(k).Y);
    return xy;
  };
  const auto off = points();
  p.engine.Settings.ScalingOn = true;
  p.engine.Recompute();
  EXPECT_EQ(points(), off);  // to the last bit
  EXPECT_EQ(p.engine.ApexLabel(0), "SiO2");
  p.engine.Settings.ScaleFactors = {3, 1, 1, 1};
  p.engine.Recompute();
  EXPECT_EQ(p.engine.ApexLabel(0), "SiO2(x3)");
  EXPECT_NE(p.engine.Tri(1).X, off[0].first);
}

}  // namespace
}  // namespace varnel
