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

QString L(const char* text) { return QString::fromUtf8(text); }

// Reads of a settings file, with the section and key named by literals.
struct Reader {
  const IniFile& ini;
  QString Str(const char* section, const char* key) const {
    return ini.ReadString(L(section), L(key), L("?"));
  }
  int Int(const char* section, const char* key, int fallback) const {
    return ini.ReadInteger(L(section), L(key), fallback);
  }
  bool Bool(const char* section, const char* key, bool fallback) const {
    return ini.ReadBool(L(section), L(key), fallback);
  }
};

class IniFileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("VARNEL.INI"));
};

TEST_F(IniFileTest, ReadsSectionsAndKeysWithoutRegardToCase) {
  ASSERT_TRUE(test::WriteFile(
      path,
      "[Prefs]\r\nMWGDisconnect=1\r\nColorCells = 2 \r\nSheetFontName=DejaVu Sans\r\nBad=12x\r\n"
      "[WinPos]\r\nDSTop=-20\r\n[S]\nA=0\nB=-3\nC=yes\n"));
  const IniFile file(path);
  const Reader ini{file};
  EXPECT_TRUE(ini.Bool("prefs", "MwGDisconnect", false));
  EXPECT_EQ(ini.Int("PREFS", "colorcells", 1), 2);
  EXPECT_EQ(ini.Str("Prefs", "SheetFontName"), L("DejaVu Sans"));
  EXPECT_EQ(ini.Int("Prefs", "Bad", 7), 7) << "not a number";
  EXPECT_EQ(ini.Int("WinPos", "DSTop", 0), -20);
  EXPECT_EQ(ini.Int("WinPos", "DSLeft", 99), 99) << "missing key";
  EXPECT_EQ(ini.Int("Nope", "DSTop", 5), 5) << "missing section";
  EXPECT_FALSE(ini.Bool("Prefs", "Absent", false));
  // Booleans are any non-zero integer.
  EXPECT_FALSE(ini.Bool("S", "A", true));
  EXPECT_TRUE(ini.Bool("S", "B", false));
  EXPECT_TRUE(ini.Bool("S", "C", true)) << "not a number: the default";
}

TEST_F(IniFileTest, WritingAKeyKeepsEveryOtherLineInItsOrder) {
  test::WriteFileOrFail(
      path,
      "; kept comment\r\n[Prefs]\r\nMwGDisconnect=0\r\nForeign=abc\r\n\r\n[RecentFiles]\r\nFile1=/a.vnp\r\n");
  IniFile ini(path);
  ini.WriteBool(L("Prefs"), L("MWGDisconnect"), true);
  ini.WriteInteger(L("prefs"), L("ColorCells"), 2);
  ini.WriteInteger(L("WinPos"), L("DSTop"), 10);
  QString error;
  ASSERT_TRUE(ini.Save(&error)) << error.toStdString();
  EXPECT_EQ(test::ReadFile(path),
            "; kept comment\r\n[Prefs]\r\nMwGDisconnect=1\r\nForeign=abc\r\nColorCells=2\r\n\r\n"
            "[RecentFiles]\r\nFile1=/a.vnp\r\n\r\n[WinPos]\r\nDSTop=10\r\n");
  const IniFile file(path);
  const Reader again{file};
  EXPECT_EQ(again.Int("WinPos", "dstop", 0), 10);
  EXPECT_EQ(again.Str("RecentFiles", "File1"), L("/a.vnp"));
}

TEST_F(IniFileTest, AMissingFileIsEmptyAndIsCreatedOnSave) {
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(L("A"), L("B"), 3), 3);
  ini.WriteString(L("A"), L("B"), L("x"));
  ini.DeleteKey(L("A"), L("Missing"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path), "[A]\r\nB=x\r\n");
  IniFile reread(path);
  reread.DeleteKey(L("a"), L("b"));
  EXPECT_FALSE(reread.HasKey(L("A"), L("B")));

  IniFile lost(dir.filePath(QStringLiteral("missing-folder/VARNEL.INI")));
  lost.WriteInteger(L("A"), L("B"), 1);
  QString error;
  EXPECT_FALSE(lost.Save(&error));
  EXPECT_FALSE(error.isEmpty()) << "a failed save says why";
}

TEST_F(IniFileTest, LinesItDoesNotOwnAreWrittenBackByteForByte) {
  // An 8-bit comment and value, a NUL in a foreign line, lines after it, LF
  // and lone CR breaks, and a last line without a break.
  const QByteArray foreign = Bytes(
      "; Einstellungen f\xFCr Varnel\n[Prefs]\nSheetFontName=Ar\xEF"
      "al\nForeign=a\0b\r\nAfterNul=kept\r[Other]\nLast=no break");
  ASSERT_EQ(foreign.count('\0'), 1);
  test::WriteFileOrFail(path, foreign);
  IniFile ini(path);
  EXPECT_EQ(Reader{ini}.Str("Prefs", "SheetFontName"), QStringLiteral("Ar\u00EFal"))
      << "an 8-bit file is read as Windows-1252";
  EXPECT_EQ(Reader{ini}.Str("Prefs", "AfterNul"), L("kept"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path), foreign) << "nothing written: nothing changed";

  ini.WriteInteger(L("Prefs"), L("ColorCells"), 2);
  ini.WriteString(L("Prefs"), L("SheetFontName"), QStringLiteral("B\u00E9ta"));
  ini.WriteInteger(L("WinPos"), L("DSTop"), 5);
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(
      test::ReadFile(path),
      Bytes("; Einstellungen f\xFCr Varnel\n[Prefs]\nSheetFontName=B\xE9ta\n"
            "Foreign=a\0b\r\nAfterNul=kept\rColorCells=2\n[Other]\nLast=no break\n\n[WinPos]\nDSTop=5\n"))
      << "only the owned lines change; new lines take the file's first break";
}

TEST_F(IniFileTest, ACharacterTheOldCodePageLacksIsWrittenInUtf8AndReadsBack) {
  test::WriteFileOrFail(path, "; f\xFCr\r\n[Prefs]\r\nA=x\r\n");
  IniFile ini(path);
  // Text whose code-page bytes would look like UTF-8 (C) goes in UTF-8 too.
  const std::pair<const char*, QString> values[] = {{"A", QStringLiteral("\u03B1-quartz")},
                                                    {"B", QStringLiteral("\u00E9")},
                                                    {"C", QStringLiteral("\u00C3\u00A9")}};
  for (const auto& [key, value] : values) ini.WriteString(L("Prefs"), L(key), value);
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path),
            "; f\xFCr\r\n[Prefs]\r\nA=\xCE\xB1-quartz\r\nB=\xE9\r\nC=\xC3\x83\xC2\xA9\r\n");
  const IniFile again(path);
  for (const auto& [key, value] : values) EXPECT_EQ(Reader{again}.Str("Prefs", key), value) << key;
}

TEST_F(IniFileTest, AFileThatExistsButCannotBeReadIsNeverOverwritten) {
  // A folder in the file's place cannot be read by anyone, root included.
  ASSERT_TRUE(QDir().mkdir(path));
  IniFile ini(path);
  EXPECT_TRUE(ini.Unreadable());
  EXPECT_FALSE(ini.ReadError().isEmpty());
  EXPECT_EQ(ini.ReadInteger(L("Prefs"), L("ColorCells"), 1), 1);
  ini.WriteInteger(L("Prefs"), L("ColorCells"), 2);
  QString error;
  EXPECT_FALSE(ini.Save(&error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(QFileInfo(path).isDir());

  EXPECT_FALSE(IniFile(dir.filePath(QStringLiteral("absent.ini"))).Unreadable())
      << "missing is not unreadable";
}

TEST_F(IniFileTest, AnUnreadableFileOfAnotherUserIsLeftAlone) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to read the file as another user";
  if (!test::OthersCanReach(dir.path()))
    GTEST_SKIP() << "another user cannot reach the temporary folder " << dir.path().toStdString();
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther | QFileDevice::ExeOther));
  test::WriteFileOrFail(path, "[Prefs]\r\nColorCells=0\r\n");
  ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  const int status = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 2;
    IniFile ini(path);
    if (!ini.Unreadable()) return 3;
    ini.WriteInteger(L("Prefs"), L("ColorCells"), 2);
    return ini.Save() ? 4 : 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(test::ReadFile(path), "[Prefs]\r\nColorCells=0\r\n");
}

}  // namespace
}  // namespace varnel
