#include "app/inifile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/files.h"

namespace varnel {
namespace {

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCase) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
  ASSERT_TRUE(test::WriteFile(
      path,
      "[Prefs]\r\nMWGDisconnect=1\r\nColorCells = 2 \r\nSheetFontName=DejaVu Sans\r\nBad=12x\r\n"
      "[WinPos]\r\nDSTop=-20\r\n"));
  const IniFile ini(path);
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("prefs"), QStringLiteral("MwGDisconnect"), false));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("PREFS"), QStringLiteral("colorcells"), 1), 2);
  EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("SheetFontName"), QString()),
            QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("Bad"), 7), 7) << "not a number";
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 0), -20);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSLeft"), 99), 99) << "missing key";
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Nope"), QStringLiteral("DSTop"), 5), 5) << "missing section";
  EXPECT_FALSE(ini.ReadBool(QStringLiteral("Prefs"), QStringLiteral("Absent"), false));
}

TEST(IniFile, BooleansAreAnyNonZeroInteger) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("x.ini"));
  ASSERT_TRUE(test::WriteFile(path, "[S]\nA=0\nB=-3\nC=yes\n"));
  const IniFile ini(path);
  EXPECT_FALSE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("A"), true));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("B"), false));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("C"), true)) << "not a number: the default";
}

TEST(IniFile, WritingAKeyKeepsEveryOtherLineInItsOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
  test::WriteFileOrFail(
      path,
      "; kept comment\r\n[Prefs]\r\nMwGDisconnect=0\r\nForeign=abc\r\n\r\n[RecentFiles]\r\nFile1=/a.vnp\r\n");
  IniFile ini(path);
  ini.WriteBool(QStringLiteral("Prefs"), QStringLiteral("MWGDisconnect"), true);
  ini.WriteInteger(QStringLiteral("prefs"), QStringLiteral("ColorCells"), 2);
  ini.WriteInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 10);
  QString error;
  ASSERT_TRUE(ini.Save(&error)) << error.toStdString();
  EXPECT_EQ(test::ReadFile(path),
            "; kept comment\r\n[Prefs]\r\nMwGDisconnect=1\r\nForeign=abc\r\nColorCells=2\r\n\r\n"
            "[RecentFiles]\r\nFile1=/a.vnp\r\n\r\n[WinPos]\r\nDSTop=10\r\n");
  const IniFile again(path);
  EXPECT_EQ(again.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("dstop"), 0), 10);
  EXPECT_EQ(again.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("File1"), QString()),
            QStringLiteral("/a.vnp"));
}

TEST(IniFile, AMissingFileIsEmptyAndIsCreatedOnSave) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("new.ini"));
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("B"), 3), 3);
  ini.WriteString(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("x"));
  ini.DeleteKey(QStringLiteral("A"), QStringLiteral("Missing"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path), "[A]\r\nB=x\r\n");
  IniFile reread(path);
  reread.DeleteKey(QStringLiteral("a"), QStringLiteral("b"));
  EXPECT_FALSE(reread.HasKey(QStringLiteral("A"), QStringLiteral("B")));
}

TEST(IniFile, AFailedSaveReportsAndKeepsTheFile) {
  QTemporaryDir dir;
  IniFile ini(dir.filePath(QStringLiteral("missing-folder/VARNEL.INI")));
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("B"), 1);
  QString error;
  EXPECT_FALSE(ini.Save(&error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace varnel
