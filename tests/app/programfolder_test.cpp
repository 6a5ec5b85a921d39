#include "app/programfolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/dialogparts.h"
#include "app/inifile.h"
#include "app/settingsexit.h"
#include "app/settingssection.h"
#include "tests/support/files.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

// Sets (or with an empty value, removes) an environment variable for the
// life of the scope.
class EnvScope {
 public:
  EnvScope(const char* name, const QString& value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
    if (had_) old_ = qgetenv(name);
    if (value.isEmpty())
      qunsetenv(name);
    else
      qputenv(name, QFile::encodeName(value));
  }
  ~EnvScope() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// What a process that may not write into the program folder sees. The
// folder is made read-only; root writes anyway, so for root the question is
// asked in a child process that has become nobody. f runs in a child either
// way (its environment changes stay there) and its text comes back.
struct ChildAnswer {
  int status = -1;
  QString text;
};

ChildAnswer AskWithoutWriteAccess(const QString& programDir, const std::function<QString()>& f) {
  QFile::setPermissions(programDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                        QFileDevice::ExeGroup);
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const int status = test::RunInChild([&] {
    ::close(fds[0]);
    if (geteuid() == 0 && !test::BecomeNobody()) return 2;
    if (::access(QFile::encodeName(programDir).constData(), W_OK) == 0) return 3;
    const QByteArray text = f().toUtf8();
    const bool written =
        ::write(fds[1], text.constData(), static_cast<std::size_t>(text.size())) == text.size();
    ::close(fds[1]);
    return written ? 0 : 4;
  });
  ::close(fds[1]);
  QByteArray bytes;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) bytes.append(buf, static_cast<qsizetype>(n));
  ::close(fds[0]);
  QFile::setPermissions(programDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return {status, QString::fromUtf8(bytes)};
}

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() == 0 && !test::OthersCanReach(root.path()))
      GTEST_SKIP() << "another user cannot reach the temporary folder " << root.path().toStdString();
    // nobody must get into the folders and read the files made here.
    QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("program")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("home")));
  }
  QString At(const char* relative) const { return root.path() + QLatin1Char('/') + QLatin1String(relative); }

  QTemporaryDir root;
  test::ProgramDirScope folder{At("program")};
};

TEST_F(ProgramFolderTest, AWritableProgramFolderKeepsTheUsersFilesAsAPortableCopyDoes) {
  const EnvScope config("XDG_CONFIG_HOME", At("config"));
  const EnvScope state("XDG_STATE_HOME", At("state"));
  EXPECT_TRUE(UserFilesInProgramDir());
  EXPECT_FALSE(InstalledCopy());
  EXPECT_EQ(SettingsFilePath(), At("program/VARNEL.INI"));
  EXPECT_EQ(WarningsLogPath(), At("program/varnel.log"));
  EXPECT_EQ(SharedDataDir(), At("program/"));
}

TEST_F(ProgramFolderTest, AReadOnlyProgramFolderSendsThemToTheXdgFoldersOrUnderHome) {
  const ChildAnswer answer = AskWithoutWriteAccess(At("program"), [&] {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(At("config")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(At("state/")));
    const QString xdg = SettingsFilePath() + QLatin1Char('\n') + WarningsLogPath();
    qputenv("HOME", QFile::encodeName(At("home")));
    qunsetenv("XDG_CONFIG_HOME");
    // A relative path is no base folder and counts as unset.
    qputenv("XDG_STATE_HOME", "relative/state");
    return xdg + QLatin1Char('\n') + SettingsFilePath() + QLatin1Char('\n') + WarningsLogPath();
  });
  ASSERT_EQ(answer.status, 0);
  EXPECT_EQ(answer.text.split(QLatin1Char('\n')),
            QStringList({At("config/varnel/VARNEL.INI"), At("state/varnel/varnel.log"),
                         At("home/.config/varnel/VARNEL.INI"), At("home/.local/state/varnel/varnel.log")}));
}

TEST_F(ProgramFolderTest, WithASettingsFileInBothPlacesTheWritableProgramFolderWins) {
  ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("config/varnel")));
  test::WriteFileOrFail(At("program/VARNEL.INI"), "[Prefs]\r\nColorCells=1\r\n");
  test::WriteFileOrFail(At("config/varnel/VARNEL.INI"), "[Prefs]\r\nColorCells=2\r\n");
  const EnvScope config("XDG_CONFIG_HOME", At("config"));
  const auto colorCells = [] {
    return QString::number(
        IniFile(SettingsFilePath()).ReadInteger(QStringLiteral("Prefs"), QStringLiteral("ColorCells"), 0));
  };
  EXPECT_EQ(colorCells(), QStringLiteral("1"));

  // Once the program folder is read-only, the user's own file is the one.
  const ChildAnswer answer = AskWithoutWriteAccess(At("program"), colorCells);
  ASSERT_EQ(answer.status, 0);
  EXPECT_EQ(answer.text, QStringLiteral("2"));
}

// The layout "make install" and the package leave: PREFIX/bin/varnel and
// PREFIX/share/varnel. Root may write into PREFIX/bin, and still the files
// go to the user's folders.
class InstalledCopyTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("usr/bin")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("usr/share/varnel/examples")));
  }
  // Saves the settings at exit, as the program does, with one key to write.
  bool SaveAtExit(const QString& path) {
    struct OneKey : SettingsSection {
      void ReadSettings(const IniFile&) override {}
      void WriteSettings(IniFile& ini, bool) const override {
        ini.WriteInteger(QStringLiteral("WinPos"), QStringLiteral("Left"), 12);
      }
    } section;
    SettingsRegistry registry;
    registry.Register(&section);
    return SaveSettingsAtExit(registry, path, true, prompter);
  }
  test::ScriptedPrompter prompter;  // an unexpected box fails the test
  test::ProgramDirScope installed{At("usr/bin")};
  EnvScope config{"XDG_CONFIG_HOME", At("config")};
  EnvScope state{"XDG_STATE_HOME", At("state")};
};

TEST_F(InstalledCopyTest, KeepsTheUsersFilesInTheUsersFoldersAndItsOwnUnderShare) {
  EXPECT_TRUE(InstalledCopy());
  EXPECT_FALSE(UserFilesInProgramDir());
  EXPECT_EQ(SettingsFilePath(), At("config/varnel/VARNEL.INI"));
  EXPECT_EQ(WarningsLogPath(), At("state/varnel/varnel.log"));
  EXPECT_EQ(SharedDataDir(), At("usr/share/varnel/"));

  EXPECT_EQ(ReadmePath(), QString());
  ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("usr/share/doc/varnel")));
  test::WriteFileOrFail(At("usr/share/doc/varnel/README.md"), "# Varnel\n");
  EXPECT_EQ(ReadmePath(), At("usr/share/doc/varnel/README.md"));
}

TEST_F(InstalledCopyTest, AFolderNamedBinWithoutSharedFilesIsAPortableCopy) {
  ASSERT_TRUE(QDir(At("usr/share/varnel")).removeRecursively());
  EXPECT_FALSE(InstalledCopy());
  EXPECT_EQ(SettingsFilePath(), At("usr/bin/VARNEL.INI"));
}

TEST_F(InstalledCopyTest, TheFirstExitMakesTheConfigurationFolderWithoutAWord) {
  EXPECT_FALSE(IniFile(SettingsFilePath()).Unreadable()) << "a missing file reads as the defaults";
  ASSERT_TRUE(SaveAtExit(SettingsFilePath()));
  EXPECT_EQ(test::ReadFile(At("config/varnel/VARNEL.INI")), "[WinPos]\r\nLeft=12\r\n");
  EXPECT_EQ(QFile::permissions(At("config")) & (QFileDevice::ReadOther | QFileDevice::ExeOther), 0)
      << "the base folder made for the user is private";
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(InstalledCopyTest, OnlyTheUsersOwnFoldersAreMade) {
  // A folder that went missing elsewhere stays missing: the save reports it.
  EXPECT_TRUE(MakeUserFolderFor(At("gone/VARNEL.INI"), nullptr));
  EXPECT_FALSE(QFileInfo::exists(At("gone")));
  EXPECT_TRUE(MakeUserFolderFor(At("state//varnel/varnel.log"), nullptr));
  EXPECT_TRUE(QFileInfo(At("state/varnel")).isDir());
}

TEST_F(InstalledCopyTest, AConfigurationFolderThatCannotBeMadeIsReportedAndNothingElseIsTouched) {
  test::WriteFileOrFail(At("config"), "a file where the folder should be");
  const EnvScope blocked("XDG_CONFIG_HOME", At("config/deeper"));
  const QString path = SettingsFilePath();
  prompter.Expect(BoxKind::Error,
                  QStringLiteral("Unable to write to ") + path +
                      QStringLiteral("\n\rCannot create the folder ") + At("config/deeper") +
                      QStringLiteral(": Not a directory"),
                  Only(Button::Ok), Button::Ok);
  EXPECT_FALSE(SaveAtExit(path));
  EXPECT_EQ(test::ReadFile(At("config")), "a file where the folder should be");
}

}  // namespace
}  // namespace varnel
