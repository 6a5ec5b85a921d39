#include "app/inifile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "tests/support/files.h"

namespace varnel {
namespace {

// A literal's bytes, NULs included.
template <std::size_t N>
QByteArray Bytes(const char (&text)[N]) {
  return QByteArray(text, static_cast<qsizetype>(N - 1));
}

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

TEST(IniFile, LinesItDoesNotOwnAreWrittenBackByteForByte) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
  // An 8-bit comment and value, a NUL in a foreign line, lines after it, LF
  // and lone CR breaks, and a last line without a break.
  const QByteArray foreign = Bytes(
      "; Einstellungen f\xFCr Varnel\n[Prefs]\nSheetFontName=Ar\xEF"
      "al\nForeign=a\0b\r\nAfterNul=kept\r[Other]\nLast=no break");
  ASSERT_EQ(foreign.count('\0'), 1);
  test::WriteFileOrFail(path, foreign);
  IniFile ini(path);
  EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("SheetFontName"), QString()),
            QStringLiteral("Ar\u00EFal"))
      << "an 8-bit file is read as Windows-1252";
  EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("AfterNul"), QString()),
            QStringLiteral("kept"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path), foreign) << "nothing written: nothing changed";

  ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("ColorCells"), 2);
  ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("SheetFontName"), QStringLiteral("B\u00E9ta"));
  ini.WriteInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 5);
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(
      test::ReadFile(path),
      Bytes("; Einstellungen f\xFCr Varnel\n[Prefs]\nSheetFontName=B\xE9ta\n"
            "Foreign=a\0b\r\nAfterNul=kept\rColorCells=2\n[Other]\nLast=no break\n\n[WinPos]\nDSTop=5\n"))
      << "only the owned lines change; new lines take the file's first break";
}

TEST(IniFile, ACharacterTheOldCodePageLacksIsWrittenInUtf8AndReadsBack) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
  test::WriteFileOrFail(path, "; f\xFCr\r\n[Prefs]\r\nA=x\r\n");
  IniFile ini(path);
  ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("A"), QStringLiteral("\u03B1-quartz"));
  ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("B"), QStringLiteral("\u00E9"));
  // Text whose code-page bytes would look like UTF-8 goes in UTF-8 too.
  ini.WriteString(QStringLiteral("Prefs"), QStringLiteral("C"), QStringLiteral("\u00C3\u00A9"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path),
            "; f\xFCr\r\n[Prefs]\r\nA=\xCE\xB1-quartz\r\nB=\xE9\r\nC=\xC3\x83\xC2\xA9\r\n");
  const IniFile again(path);
  EXPECT_EQ(again.ReadString(QStringLiteral("Prefs"), QStringLiteral("A"), QString()),
            QStringLiteral("\u03B1-quartz"));
  EXPECT_EQ(again.ReadString(QStringLiteral("Prefs"), QStringLiteral("B"), QString()),
            QStringLiteral("\u00E9"));
  EXPECT_EQ(again.ReadString(QStringLiteral("Prefs"), QStringLiteral("C"), QString()),
            QStringLiteral("\u00C3\u00A9"));
}

TEST(IniFile, AFileThatExistsButCannotBeReadIsNeverOverwritten) {
  QTemporaryDir dir;
  // A folder in the file's place cannot be read by anyone, root included.
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
  ASSERT_TRUE(QDir().mkdir(path));
  IniFile ini(path);
  EXPECT_TRUE(ini.Unreadable());
  EXPECT_FALSE(ini.ReadError().isEmpty());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("ColorCells"), 1), 1);
  ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("ColorCells"), 2);
  QString error;
  EXPECT_FALSE(ini.Save(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(QFileInfo(path).isDir());

  EXPECT_FALSE(IniFile(dir.filePath(QStringLiteral("absent.ini"))).Unreadable())
      << "missing is not unreadable";
}

TEST(IniFile, AnUnreadableFileOfAnotherUserIsLeftAlone) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to read the file as another user";
  QTemporaryDir dir;
  if (!test::OthersCanReach(dir.path()))
    GTEST_SKIP() << "another user cannot reach the temporary folder " << dir.path().toStdString();
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther | QFileDevice::ExeOther));
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
  test::WriteFileOrFail(path, "[Prefs]\r\nColorCells=0\r\n");
  ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  const int status = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 2;
    IniFile ini(path);
    if (!ini.Unreadable()) return 3;
    ini.WriteInteger(QStringLiteral("Prefs"), QStringLiteral("ColorCells"), 2);
    return ini.Save() ? 4 : 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(test::ReadFile(path), "[Prefs]\r\nColorCells=0\r\n");
}

}  // namespace
}  // namespace varnel
