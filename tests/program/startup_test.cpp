#include "program/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/inifile.h"
#include "app/programfolder.h"
#include "datasheet/datasheetwindow.h"
#include "graphs/graphengine.h"
#include "graphs/graphswindow.h"
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

}  // namespace
}  // namespace varnel
