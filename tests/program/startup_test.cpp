#include "program/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <array>

#include "app/desktopfonts.h"
#include "app/dialogparts.h"
#include "app/inifile.h"
#include "app/programfolder.h"
#include "app/textpad.h"
#include "app/windowplacement.h"
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

namespace varnel {
namespace {

TEST(StartupTest, TheFirstStartTilesTheScreenAndALaterOneRestoresThePlaces) {
  QTemporaryDir dir;
  test::ProgramDirScope scope(dir.path() + QLatin1Char('/'));
  const FirstStartTiles tiles = TileFirstStart(AvailableArea());
  std::array<QPoint, 2> moved;
  {
    Program p;
    BuildProgram(p);
    EXPECT_FALSE(HasWindowBounds(IniFile(SettingsFilePath()), QStringLiteral("DS")));
    p.gwindow->show();
    p.wsheet->show();
    PlaceAtFirstStart(p);
    EXPECT_EQ(p.wsheet->frameGeometry(), tiles.DataSheet);
    EXPECT_EQ(p.gwindow->frameGeometry(), tiles.Graphs);
    // The TextPad opens there with the first report.
    p.txt->ShowTextPad();
    EXPECT_EQ(p.txt->frameGeometry(), tiles.TextPad);
    // The user moves the windows; the exit keeps their places.
    p.wsheet->setGeometry(40, 50, 620, 410);
    p.gwindow->setGeometry(300, 60, 560, 470);
    moved = {p.wsheet->pos(), p.gwindow->pos()};
    p.wsheet->SavePreferencesAtExit();
  }
  Program p;
  BuildProgram(p);
  EXPECT_TRUE(HasWindowBounds(IniFile(SettingsFilePath()), QStringLiteral("DS")));
  EXPECT_EQ(p.wsheet->pos(), moved[0]);
  EXPECT_EQ(p.wsheet->size(), QSize(620, 410));
  EXPECT_EQ(p.gwindow->pos(), moved[1]);
  EXPECT_EQ(p.gwindow->size(), QSize(560, 470));
  p.txt->ShowTextPad();
  EXPECT_EQ(p.txt->frameGeometry(), tiles.TextPad);
}

TEST(StartupTest, FontsNamedByAnOldSettingsFileStayAndOnlyMissingOnesComeFromTheDesktop) {
  QTemporaryDir dir;
  test::ProgramDirScope scope(dir.path() + QLatin1Char('/'));
  // A settings file written by an older Varnel, with the Windows names.
  const QByteArray old =
      "[Prefs]\r\nSheetFontName=Arial\r\nSheetFontSize=9\r\nTextPadFontFontName=Courier New\r\n"
      "TextPadFontFontSize=11\r\n[Settings]\r\nLabelFontName=Times New Roman\r\nApexFontName=Arial\r\n";
  test::WriteFileOrFail(SettingsFilePath(), old);
  {
    Program p;
    BuildProgram(p);
    EXPECT_EQ(p.wsheet->GridFont().family(), QStringLiteral("Arial"));
    EXPECT_EQ(p.txt->TxtRichEdit()->font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(p.graphs->Settings.LabelFont.Name, QStringLiteral("Times New Roman"));
    EXPECT_EQ(p.graphs->Settings.ApexFont.Name, QStringLiteral("Arial"));
    p.wsheet->SavePreferencesAtExit();
    const QByteArray written = test::ReadFile(SettingsFilePath());
    for (const char* line : {"SheetFontName=Arial\r\n", "TextPadFontFontName=Courier New\r\n",
                             "LabelFontName=Times New Roman\r\n", "ApexFontName=Arial\r\n"})
      EXPECT_TRUE(written.contains(line)) << line;
  }

  // Without a settings file: the desktop's families, which are installed
  // ones (never a Windows name left to the font system's fallback).
  ASSERT_TRUE(QFile::remove(SettingsFilePath()));
  Program p;
  BuildProgram(p);
  const QStringList installed = QFontDatabase::families();
  for (const QString& family :
       {p.wsheet->GridFont().family(), p.graphs->Settings.LabelFont.Name, p.graphs->Settings.ApexFont.Name}) {
    EXPECT_TRUE(installed.contains(family)) << family.toStdString();
    EXPECT_NE(family, QStringLiteral("Arial"));
    EXPECT_NE(family, QStringLiteral("Times New Roman"));
  }
  EXPECT_EQ(p.wsheet->GridFont().family(), DesktopSansFamily());
  EXPECT_EQ(p.graphs->Settings.LabelFont.Name, DesktopSerifFamily());
  // The serif family really is another face than the sans-serif one.
  EXPECT_NE(DesktopSerifFamily(), DesktopSansFamily());
}

}  // namespace
}  // namespace varnel
