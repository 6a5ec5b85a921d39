#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "app/inifile.h"
#include "app/programfolder.h"
#include "app/settingsexit.h"
#include "app/settingssection.h"
#include "datasheet/datasheetwindow.h"
#include "datasheet/preferencesdialog.h"
#include "sheet/preferencesfile.h"
#include "tests/datasheet/recordinggraph.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

class PreferencesTest : public ::testing::Test {
 protected:
  QString Ini() { return SettingsFilePath(); }
  QTemporaryDir dir;
  test::ProgramDirScope folder{dir.path()};
  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
};

TEST_F(PreferencesTest, NoFileGivesTheDefaultsAndACentredWindowAndAnOffScreenOneComesBack) {
  Preferences p;
  LoadPreferences(IniFile(Ini()), p);
  EXPECT_EQ(p.ColorCells, 1);
  EXPECT_TRUE(p.SavePrefs && p.AutoConnect && p.BackupWanted && p.ParseWarnings);
  EXPECT_FALSE(p.MwGDisconnect);
  EXPECT_EQ(p.DefaultColCount, 10);
  EXPECT_EQ(p.DefaultRowCount, 20);
  const WindowBounds b = ReadWindowBounds(IniFile(Ini()), QStringLiteral("DS"), 590, 370, QSize(1280, 1024));
  EXPECT_EQ(b, (WindowBounds{1024 / 2 - 185, 1280 / 2 - 295, 590, 370}));

  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  EXPECT_EQ(w.size(), QSize(590, 370));
  const QSize screen = QGuiApplication::primaryScreen()->size();
  EXPECT_EQ(w.pos(), QPoint(screen.width() / 2 - 295, screen.height() / 2 - 185));
  EXPECT_EQ(w.Data().ColCount(), 11);

  // A window left on a former second monitor comes back, centred across; no
  // other check is made.
  ASSERT_TRUE(
      test::WriteFile(Ini(), "[WinPos]\r\nDSLeft=3000\r\nDSTop=-40\r\nDSWidth=700\r\nDSHeight=500\r\n"));
  EXPECT_EQ(ReadWindowBounds(IniFile(Ini()), QStringLiteral("DS"), 590, 370, QSize(1920, 1080)),
            (WindowBounds{-40, 1920 / 2 - 295, 700, 500}));
}

TEST_F(PreferencesTest, KeysAreReadWithoutRegardToCaseAndBadValuesGiveDefaults) {
  ASSERT_TRUE(
      test::WriteFile(Ini(),
                      "[prefs]\r\nMWGDisconnect=1\r\nColorCells=two\r\nDefaultRowCount=7\r\nAutoConnect=0\r\n"
                      "SheetFontName=DejaVu Sans\r\nSheetFontSize=11\r\n"));
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  const Preferences& p = w.Data().Prefs;
  EXPECT_TRUE(p.MwGDisconnect);
  EXPECT_EQ(p.ColorCells, 1) << "not a number";
  EXPECT_FALSE(p.AutoConnect);
  EXPECT_EQ(w.Data().CaseCount(), 7) << "the first blank sheet follows the preferences";
  EXPECT_EQ(w.GridFont().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(w.GridFont().pointSize(), 11);
}

TEST_F(PreferencesTest, TheDataSheetWritesItsOwnKeysAndKeepsEveryOtherLine) {
  const QByteArray foreign =
      "[Settings]\r\nScale=1,5\r\n[Export]\r\nDefaultFileFormat=PNG\r\n[WinPos]\r\nMWTop=3\r\n";
  ASSERT_TRUE(test::WriteFile(
      Ini(),
      "[Prefs]\r\nMwGDisconnect=0\r\nFromAnotherVersion=x\r\n[RecentFiles]\r\nFile1=/data/a.vnp\r\n"
      "[Mine]\r\nKey=1\r\n" +
          foreign));
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  wSheet.Prefs.MwGDisconnect = true;
  w.move(20, 10);
  SettingsRegistry registry;
  registry.Register(&w);
  ASSERT_TRUE(registry.WriteAll(Ini(), true));
  const IniFile ini(Ini());
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("Prefs"), QStringLiteral("MWGDisconnect"), false));
  EXPECT_EQ(ini.ReadString(QStringLiteral("Prefs"), QStringLiteral("FromAnotherVersion"), QString()),
            QStringLiteral("x"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("File1"), QString()),
            QStringLiteral("/data/a.vnp"));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Mine"), QStringLiteral("Key"), 0), 1);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSLeft"), 0), 20);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 0), 10);
  // The keys of the graphs and the wizard are theirs: the DataSheet leaves
  // them exactly as they were.
  const QByteArray text = test::ReadFile(Ini());
  EXPECT_TRUE(text.contains(
      "[Settings]\r\nScale=1,5\r\n[Export]\r\nDefaultFileFormat=PNG\r\n[WinPos]\r\nMWTop=3\r\n"))
      << text.toStdString();
  EXPECT_EQ(text.indexOf("MaxTieSets"), -1);
  // The order of a new section's keys is the order they are written in.
  EXPECT_LT(text.indexOf("ColorCells"), text.indexOf("SheetFontSize"));
}

TEST_F(PreferencesTest, WithSavePrefsOffOnlyThePositionsAreWritten) {
  ASSERT_TRUE(test::WriteFile(Ini(), "[Prefs]\r\nColorCells=2\r\nSavePrefs=1\r\n[WinPos]\r\nDSTop=5\r\n"));
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  wSheet.Prefs.ColorCells = 0;
  wSheet.Prefs.SavePrefs = false;
  w.move(88, 77);
  SettingsRegistry registry;
  registry.Register(&w);
  ASSERT_TRUE(registry.WriteAll(Ini(), wSheet.Prefs.SavePrefs));
  const IniFile ini(Ini());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Prefs"), QStringLiteral("ColorCells"), -1), 2);
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("Prefs"), QStringLiteral("SavePrefs"), false))
      << "off lasts one run";
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("WinPos"), QStringLiteral("DSTop"), 0), 77);
}

TEST_F(PreferencesTest, ValuesOutsideTheDialogsRangesReadAsTheirDefaults) {
  // Each of these once aborted the start or exhausted memory.
  ASSERT_TRUE(test::WriteFile(Ini(),
                              "[Prefs]\r\nDefaultColCount=2147483646\r\nDefaultRowCount=100000000\r\n"
                              "ColorCells=7\r\nSheetFontSize=2000000000\r\n"));
  Preferences p;
  LoadPreferences(IniFile(Ini()), p);
  EXPECT_EQ(p.DefaultColCount, 10);
  EXPECT_EQ(p.DefaultRowCount, 20);
  EXPECT_EQ(p.ColorCells, 1);
  EXPECT_EQ(p.SheetFontSize, 8);

  ASSERT_TRUE(test::WriteFile(Ini(), "[Prefs]\r\nDefaultColCount=2\r\nDefaultRowCount=-5\r\n"));
  LoadPreferences(IniFile(Ini()), p);
  EXPECT_EQ(p.DefaultColCount, 10) << "below the dialog's 3";
  EXPECT_EQ(p.DefaultRowCount, 20);

  // The edges of the ranges are kept.
  ASSERT_TRUE(test::WriteFile(Ini(), "[Prefs]\r\nDefaultColCount=3\r\nDefaultRowCount=9999\r\n"));
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  EXPECT_EQ(w.Data().VariableCount(), 3);
  EXPECT_EQ(w.Data().CaseCount(), 9999);
}

TEST_F(PreferencesTest, AnUnwritableOrUnreadableSettingsFileIsReportedOnceAndLeftAlone) {
  const QString lost = dir.filePath(QStringLiteral("no-such-folder/VARNEL.INI"));
  prompter.AnswerNext(Button::Ok);
  EXPECT_FALSE(SaveSettingsAtExit(SettingsRegistry{}, lost, true, prompter));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, BoxKind::Error);
  EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("Unable to write to ") + lost + "\n\r"));
  EXPECT_TRUE(prompter.shown[0].text.endsWith(QString::fromLocal8Bit(std::strerror(ENOENT))))
      << "the system's reason: " << prompter.shown[0].text.toStdString();

  // A folder in the file's place cannot be read, by root either.
  ASSERT_TRUE(QDir().mkdir(Ini()));
  prompter.AnswerNext(Button::Ok);
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  SettingsRegistry registry;
  registry.Register(&w);
  EXPECT_FALSE(SaveSettingsAtExit(registry, Ini(), true, prompter));
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].kind, BoxKind::Error);
  EXPECT_TRUE(
      prompter.shown[1].text.startsWith(QStringLiteral("The settings file ") + Ini() +
                                        QStringLiteral(" could not be read, so it was left as it was")))
      << prompter.shown[1].text.toStdString();
  EXPECT_TRUE(QFileInfo(Ini()).isDir());
  EXPECT_EQ(QDir(Ini()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

TEST_F(PreferencesTest, ForeignEightBitLinesSurviveTheExitWriteByteForByte) {
  const QByteArray foreign =
      "; R\xE9glages \xE0 "
      "garder\r\n[Prefs]\r\nColorCells=2\r\nSomeonesKey=\xFF\xFE\r\n[Theirs]\r\nN\xE4me=\x80\r\n";
  ASSERT_TRUE(test::WriteFile(Ini(), foreign));
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  wSheet.Prefs.ColorCells = 0;
  SettingsRegistry registry;
  registry.Register(&w);
  ASSERT_TRUE(registry.WriteAll(Ini(), true));
  const QByteArray written = test::ReadFile(Ini());
  EXPECT_TRUE(
      written.startsWith("; R\xE9glages \xE0 garder\r\n[Prefs]\r\nColorCells=0\r\nSomeonesKey=\xFF\xFE\r\n"))
      << written.left(80).toStdString();
  EXPECT_TRUE(written.contains("\r\n[Theirs]\r\nN\xE4me=\x80\r\n"));
}

TEST_F(PreferencesTest, TheDialogAppliesOnOkAndChangesNothingOnCancel) {
  Sheet wSheet(prompter, &graph);
  TVN_Wsheet w(wSheet, prompter);
  w.ExecDialog = [](QDialog& d) {
    auto& p = static_cast<TVN_Prefs&>(d);
    EXPECT_EQ(p.windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(p.PSpinEditNumCols->value(), 10);
    EXPECT_EQ(p.PSpinEditNumCols->minimum(), 3);
    EXPECT_EQ(p.PSpinEditNumRows->maximum(), 9999);
    EXPECT_TRUE(p.PRadioGroupColorCells[1]->isChecked());
    p.PSpinEditNumCols->setValue(4);
    p.PRadioGroupColorCells[2]->setChecked(true);
    p.PChkBoxBackupWanted->setChecked(false);
    return false;  // Cancel
  };
  w.Action(QStringLiteral("Preferences1"))->trigger();
  EXPECT_EQ(w.Data().Prefs.DefaultColCount, 10);
  EXPECT_TRUE(w.Data().Prefs.BackupWanted);

  w.ExecDialog = [](QDialog& d) {
    auto& p = static_cast<TVN_Prefs&>(d);
    p.PSpinEditNumCols->setValue(4);
    p.PRadioGroupColorCells[2]->setChecked(true);
    p.PChkBoxBackupWanted->setChecked(false);
    p.PChkBoxDisconnect->setChecked(true);
    return true;
  };
  w.Action(QStringLiteral("Preferences1"))->trigger();
  EXPECT_EQ(w.Data().Prefs.DefaultColCount, 4);
  EXPECT_EQ(w.Data().Prefs.ColorCells, 2);
  EXPECT_FALSE(w.Data().Prefs.BackupWanted);
  EXPECT_TRUE(w.Data().Prefs.MwGDisconnect);
  EXPECT_EQ(w.Data().ColCount(), 11) << "new sizes apply from the next New";
  w.Data().New1Click();
  EXPECT_EQ(w.Data().ColCount(), 5);
}

}  // namespace
}  // namespace varnel
