#include "program/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/inifile.h"
#include "app/programfolder.h"
#include "datasheet/datasheetwindow.h"
#include "graphs/graphengine.h"
#include "graphs/graphswindow.h"
#include "sheet/sheet.h"
#include "tests/support/files.h"

namespace varnel {
namespace {

TEST(StartupTest, ClosingTheDataSheetWritesTheGraphsKeysAndLetsTheGraphsWindowClose) {
  QTemporaryDir dir;
  test::ProgramDirScope scope(dir.path() + QLatin1Char('/'));
  Program p;
  BuildProgram(p);
  p.gwindow->show();
  p.graphs->Settings.MaxTieSets = 12;
  // Before the exit the Graphs window only minimises.
  EXPECT_FALSE(p.gwindow->close());
  p.wsheet->SavePreferencesAtExit();
  EXPECT_TRUE(p.gwindow->close());
  const QByteArray ini = test::ReadFile(SettingsFilePath());
  EXPECT_TRUE(ini.contains("[Options]\r\nMaxTieSets=12\r\n")) << ini.toStdString();
  // The DataSheet's place, then the Graphs window's, then the TextPad's.
  EXPECT_LT(ini.indexOf("DSTop"), ini.indexOf("GTop"));
  EXPECT_LT(ini.indexOf("GTop"), ini.indexOf("TTop"));
  EXPECT_LT(ini.indexOf("[Settings]"), ini.indexOf("[Options]"));
  EXPECT_LT(ini.indexOf("[Options]"), ini.indexOf("[Export]"));
}

TEST(StartupTest, AFileOpenedFromTheDesktopGoesToTheWindowOfItsKind) {
  QTemporaryDir dir;
  test::ProgramDirScope scope(dir.path() + QLatin1Char('/'));
  Program p;
  BuildProgram(p);
  // A plot settings file sets the graphs and leaves the sheet alone.
  const QString vng = dir.filePath(QStringLiteral("Wide.VNG"));
  test::WriteFileOrFail(vng, "[Symbol]\r\nDefaultSymbolSize=55\r\n[3D]\r\nAlpha=30\r\n");
  OpenArgument(p, vng);
  EXPECT_EQ(p.graphs->Settings.DefaultSymbolSize, 55);
  EXPECT_NEAR(static_cast<double>(p.graphs->Settings.View.Alpha / DegreesToRadians), 30.0, 1e-9);
  EXPECT_EQ(p.sheet->FileName, QStringLiteral("Untitled"));
  // Anything else is a data file.
  const QString data = dir.filePath(QStringLiteral("rocks.vnp"));
  test::WriteFileOrFail(data, "Label#\tSiO2\tMgO\r\nB-1\t49.1\t7.2\r\n");
  OpenArgument(p, data);
  EXPECT_EQ(p.sheet->FileName, data);
  EXPECT_EQ(p.sheet->Cell(2, 1), "49.1");
  // A name that is no file does nothing.
  OpenArgument(p, dir.filePath(QStringLiteral("missing.vng")));
  EXPECT_EQ(p.graphs->Settings.DefaultSymbolSize, 55);
}

}  // namespace
}  // namespace varnel
