#include "app/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>

#include "tests/support/files.h"

namespace varnel {
namespace {

// A folder of the test's own; a failed Save shows its reason.
class AtomicFileTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  ::testing::AssertionResult Save(const QString& path, const QByteArray& bytes, const char* backup = ".BAK") {
    if (SaveFileAtomically(path, bytes, QString::fromLatin1(backup), &error))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << error.toStdString();
  }
  QTemporaryDir dir;
  QString error;
};

TEST(BackupName, ReplacesOrAppendsTheExtension) {
  for (const auto& [path, backup] : {std::pair{"/d/rocks.vnp", "/d/rocks.BAK"},
                                     {"/d/rocks", "/d/rocks.BAK"},
                                     {"/d/a.b.txt", "/d/a.b.BAK"}})
    EXPECT_EQ(BackupName(QString::fromLatin1(path), QStringLiteral(".BAK")), QString::fromLatin1(backup));
}

TEST_F(AtomicFileTest, BackupHoldsThePreviousVersion) {
  const QString path = Path("rocks.vnp");
  ASSERT_TRUE(Save(path, "first"));
  EXPECT_FALSE(QFile::exists(Path("rocks.BAK"))) << "nothing to back up yet";
  ASSERT_TRUE(Save(path, "second"));
  EXPECT_EQ(test::ReadFile(path), "second");
  EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), "first");
  ASSERT_TRUE(Save(path, "third", ""));
  EXPECT_EQ(test::ReadFile(path), "third");
  EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), "first") << "no backup asked for";
  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(AtomicFileTest, AMissingFolderIsReported) {
  EXPECT_FALSE(Save(Path("no/such/folder/x.vnp"), "x", ""));
  EXPECT_TRUE(error.contains(QStringLiteral("x.vnp"))) << error.toStdString();
}

TEST_F(AtomicFileTest, AnUnwritableFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers this";
  const QString path = Path("report.txt");
  ASSERT_TRUE(Save(path, "kept", ""));
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  EXPECT_FALSE(Save(path, "lost"));
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(test::ReadFile(path), "kept");
}

TEST_F(AtomicFileTest, KeepsThePermissionsOfTheReplacedFile) {
  const QString path = Path("shared.vnp");
  ASSERT_TRUE(Save(path, "a", ""));
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
  ASSERT_TRUE(Save(path, "b", ""));
  EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
            QFileDevice::ReadGroup);
}

// What is at a path, and what it holds.
struct Entry {
  bool link = false;
  mode_t type = 0;
  nlink_t links = 0;
  uid_t owner = 0;
  gid_t group = 0;
};

Entry At(const QString& path) {
  Entry e;
  struct stat st;
  if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
    e.link = S_ISLNK(st.st_mode);
    e.type = st.st_mode & S_IFMT;
  }
  if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
    e.links = st.st_nlink;
    e.owner = st.st_uid;
    e.group = st.st_gid;
  }
  return e;
}

int Entries(const QString& folder) {
  return static_cast<int>(
      QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System).size());
}

TEST_F(AtomicFileTest, RefusesToReplaceWhatIsNotAWritableRegularFile) {
  const QString folder = Path("rocks.vnp");
  ASSERT_TRUE(QDir().mkdir(folder));
  EXPECT_FALSE(Save(folder, "data"));
  EXPECT_TRUE(error.contains(QStringLiteral("folder"))) << error.toStdString();
  EXPECT_TRUE(QFileInfo(folder).isDir());

  const QString fifo = Path("pipe.vnp");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  EXPECT_FALSE(Save(fifo, "data"));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
  EXPECT_EQ(At(fifo).type, static_cast<mode_t>(S_IFIFO)) << "the FIFO stays a FIFO";

  // A device node, reached through a link as a user might.
  const QString device = Path("null.vnp");
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), device));
  EXPECT_FALSE(Save(device, "data", ""));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
  EXPECT_EQ(At(QStringLiteral("/dev/null")).type, static_cast<mode_t>(S_IFCHR));

  // Read-only means read-only for root too: the user marked it so.
  const QString locked = Path("locked.vnp");
  test::WriteFileOrFail(locked, "keep me");
  ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  EXPECT_FALSE(Save(locked, "lost"));
  EXPECT_TRUE(error.contains(QStringLiteral("is read-only"))) << error.toStdString();
  EXPECT_EQ(test::ReadFile(locked), "keep me");
  EXPECT_FALSE(QFile::exists(Path("locked.BAK")));

  EXPECT_EQ(Entries(dir.path()), 4) << "no temporary or backup file left behind";
}

TEST_F(AtomicFileTest, ASymbolicLinkStaysALinkAndItsFileIsWritten) {
  ASSERT_TRUE(QDir().mkdir(Path("store")));
  const QString link = Path("rocks.vnp");
  test::WriteFileOrFail(Path("store/real.vnp"), "old");
  // A relative link, resolved from the link's own folder.
  ASSERT_EQ(::symlink("store/real.vnp", QFile::encodeName(link).constData()), 0);
  ASSERT_TRUE(Save(link, "new"));
  EXPECT_TRUE(At(link).link);
  EXPECT_EQ(test::ReadFile(Path("store/real.vnp")), "new");
  EXPECT_EQ(test::ReadFile(Path("store/real.BAK")), "old")
      << "the backup lies beside the file that was replaced";

  // A link to a file not yet there makes the file, and stays a link.
  const QString dangling = Path("later.vnp");
  ASSERT_TRUE(QFile::link(Path("store/later.vnp"), dangling));
  ASSERT_TRUE(Save(dangling, "first"));
  EXPECT_TRUE(At(dangling).link);
  EXPECT_EQ(test::ReadFile(Path("store/later.vnp")), "first");

  // A loop of links is an error, not a hang.
  ASSERT_TRUE(QFile::link(Path("b.vnp"), Path("a.vnp")));
  ASSERT_TRUE(QFile::link(Path("a.vnp"), Path("b.vnp")));
  EXPECT_FALSE(Save(Path("a.vnp"), "x", ""));
  EXPECT_TRUE(At(Path("a.vnp")).link && At(Path("b.vnp")).link);
}

TEST_F(AtomicFileTest, EveryHardLinkSeesTheNewDataAndTheBackupTheOld) {
  const QString path = Path("rocks.vnp");
  const QString other = Path("shared-name.vnp");
  test::WriteFileOrFail(path, "old contents, longer than the new");
  ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
  ASSERT_TRUE(Save(path, "new"));
  EXPECT_EQ(test::ReadFile(path), "new");
  EXPECT_EQ(test::ReadFile(other), "new");
  EXPECT_EQ(At(path).links, 2u);
  EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), "old contents, longer than the new");
  ASSERT_TRUE(Save(path, QByteArray(5000, 'g'), ""));
  EXPECT_EQ(test::ReadFile(other), QByteArray(5000, 'g')) << "growing in place";
  EXPECT_EQ(Entries(dir.path()), 3);
}

TEST_F(AtomicFileTest, AFailedSaveLeavesTheFileAndNeverCostsThePreviousBackup) {
  const QString path = Path("rocks.vnp");
  ASSERT_TRUE(Save(path, "version 1", ""));
  ASSERT_TRUE(Save(path, "version 2"));
  ASSERT_EQ(test::ReadFile(Path("rocks.BAK")), "version 1");

  // Replaced by renaming, and written in place (a second hard link): both
  // fail on a full disk (a file-size limit, which holds for root too) with
  // the file and its backup as they were. The limits fail the first bytes
  // and a later write.
  for (bool linked : {false, true}) {
    if (linked) {
      ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(Path("twin.vnp")).constData()),
                0);
    }
    for (rlim_t limit : {4, 100}) {
      SCOPED_TRACE((linked ? "linked, limit " : "limit ") + std::to_string(limit));
      bool saved = true;
      test::WithFileSizeLimit(limit, [&] { saved = Save(path, QByteArray(1000, 'x')); });
      EXPECT_FALSE(saved);
      EXPECT_FALSE(error.isEmpty());
      EXPECT_EQ(test::ReadFile(path), "version 2");
      EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), "version 1");
    }
  }
  EXPECT_EQ(Entries(dir.path()), 3) << "no temporary file left behind";
}

TEST_F(AtomicFileTest, ASizeLimitIsAnErrorNotAKill) {
  const QString path = Path("big.vnp");
  // The limit is set with the signal's default action, which ends the
  // process unless the save keeps it away.
  const int status = test::RunInChild([&] {
    std::signal(SIGXFSZ, SIG_DFL);
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = SaveFileAtomically(path, QByteArray(100000, 'x'), QString(), &error);
    return !ok && error.contains(QStringLiteral("big.vnp")) ? 0 : 1;
  });
  EXPECT_EQ(status, 0) << (status > 128 ? "killed by signal " + std::to_string(status - 128) : "no error");
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(Entries(dir.path()), 0);
}

TEST_F(AtomicFileTest, ANameNearTheLengthLimitOrLikeItsBackupCanBeSaved) {
  const QString stem = QString(246, QLatin1Char('n'));
  ASSERT_EQ(QFile::encodeName(stem + QStringLiteral(".vnp")).size(), 250);
  const QString path = dir.filePath(stem + QStringLiteral(".vnp"));
  ASSERT_TRUE(Save(path, "one"));
  ASSERT_TRUE(Save(path, "two"));
  EXPECT_EQ(test::ReadFile(path), "two");
  EXPECT_EQ(test::ReadFile(dir.filePath(stem + QStringLiteral(".BAK"))), "one");

  // A file named like its own backup keeps its new contents.
  ASSERT_TRUE(Save(Path("rocks.BAK"), "old"));
  ASSERT_TRUE(Save(Path("rocks.BAK"), "new"));
  EXPECT_EQ(test::ReadFile(Path("rocks.BAK")), "new");
}

TEST_F(AtomicFileTest, TheOwnerAndGroupOfTheReplacedFileStay) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user to test this";
  const QString path = Path("theirs.vnp");
  test::WriteFileOrFail(path, "old");
  ASSERT_EQ(::chown(QFile::encodeName(path).constData(), test::NobodyId, test::NobodyId), 0);
  ASSERT_TRUE(Save(path, "new"));
  EXPECT_EQ(test::ReadFile(path), "new");
  EXPECT_EQ(At(path).owner, test::NobodyId);
  EXPECT_EQ(At(path).group, test::NobodyId);
}

TEST_F(AtomicFileTest, AnOwnerThatCannotBeKeptIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run the save as another user than the file's owner";
  if (!test::OthersCanReach(dir.path()))
    GTEST_SKIP() << "another user cannot reach the temporary folder " << dir.path().toStdString();
  const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther;
  ASSERT_TRUE(QFile::setPermissions(
      dir.path(), all | QFileDevice::ExeOwner | QFileDevice::WriteOther | QFileDevice::ExeOther));
  const QString path = Path("roots.vnp");
  test::WriteFileOrFail(path, "root's old data");
  ASSERT_TRUE(QFile::setPermissions(path, all | QFileDevice::WriteOther));
  // Run as nobody: 0 when saved (or, read-only, refused as such), 1 when not, 2 when not nobody.
  const auto saveAsNobody = [&](const QByteArray& bytes, bool refused) {
    return test::RunInChild([&] {
      if (!test::BecomeNobody()) return 2;
      const bool ok = SaveFileAtomically(path, bytes, QStringLiteral(".BAK"), &error);
      return ok != refused && (!refused || error.contains(QStringLiteral("is read-only"))) ? 0 : 1;
    });
  };
  ASSERT_EQ(saveAsNobody("nobody's new data", false), 0);
  EXPECT_EQ(test::ReadFile(path), "nobody's new data");
  EXPECT_EQ(At(path).owner, 0u) << "the file did not change hands";
  EXPECT_EQ(test::ReadFile(Path("roots.BAK")), "root's old data");

  // A read-only file of someone else's is refused, not replaced through the
  // writable folder.
  ASSERT_TRUE(QFile::setPermissions(path, all));
  EXPECT_EQ(saveAsNobody("x", true), 0);
  EXPECT_EQ(test::ReadFile(path), "nobody's new data");
}

// Saves of one file running at the same time, with and without a backup:
// each save is whole, the file is one of the versions, and no temporary
// copy or kept name is ever left beside it (renaming one name of a file
// onto another name of the same file does nothing, so a kept name that
// became the backup of another save must still go).
TEST_F(AtomicFileTest, ConcurrentSavesLeaveNoStrayFiles) {
  const QString path = Path("rocks.vnp");
  ASSERT_TRUE(Save(path, "first"));
  std::atomic<int> failures{0};
  const auto saver = [&](char tag) {
    for (int k = 0; k < 300; ++k) {
      const QByteArray bytes = QByteArray(1000 + k, tag);
      QString why;
      if (!SaveFileAtomically(path, bytes, k % 3 == 0 ? QString() : QStringLiteral(".BAK"), &why)) ++failures;
    }
  };
  std::thread a(saver, 'a'), b(saver, 'b'), c(saver, 'c');
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(failures.load(), 0);
  const QByteArray last = test::ReadFile(path);
  EXPECT_TRUE(last == QByteArray(1299, 'a') || last == QByteArray(1299, 'b') || last == QByteArray(1299, 'c'))
      << last.size();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).join(' ').toStdString(),
            "rocks.BAK rocks.vnp");
}

// A save killed while it writes leaves the file as it was and nothing else:
// the new version has no name until it is complete.
TEST_F(AtomicFileTest, ASaveKilledWhileWritingLeavesNothingBehind) {
  const QString path = Path("big.vnp");
  ASSERT_TRUE(Save(path, "old version"));
  const QByteArray folder = QFile::encodeName(dir.path());
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    // Large enough that the writing takes a while.
    const QByteArray bytes(256 << 20, 'n');
    SaveFileAtomically(path, bytes, QStringLiteral(".BAK"), nullptr);
    for (;;) pause();
  }
  ASSERT_GT(child, 0);
  // Killed once it has a file open in the folder, that is while it writes.
  bool writing = false;
  const QByteArray fds = "/proc/" + QByteArray::number(child) + "/fd";
  for (int wait = 0; wait < 20000 && !writing; ++wait) {
    if (DIR* d = opendir(fds.constData())) {
      while (const dirent* e = readdir(d)) {
        char target[4096];
        const ssize_t n = readlink((fds + '/' + e->d_name).constData(), target, sizeof target);
        const QByteArray t(target, n > 0 ? n : 0);
        if (t.startsWith(folder + '/') && !t.endsWith("/big.vnp")) writing = true;
      }
      closedir(d);
    }
    if (!writing) usleep(500);
  }
  ::kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(writing) << "the save was never seen writing";
  EXPECT_EQ(test::ReadFile(path), QByteArray("old version"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).join(' ').toStdString(),
            "big.vnp");
}

TEST_F(AtomicFileTest, ReadWholeFileRefusesFoldersFifosAndDevicesWithoutReadingThem) {
  QByteArray bytes;
  std::string text;
  EXPECT_FALSE(ReadWholeFile(dir.path(), bytes, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("folder"))) << error.toStdString();
  // Endless: reading it would never end.
  EXPECT_FALSE(ReadWholeFile(QStringLiteral("/dev/zero"), text, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
  // No writer: opening it for reading would wait for ever.
  const QString fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  EXPECT_FALSE(ReadWholeFile(fifo, text, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();

  test::WriteFileOrFail(Path("f"), QByteArray("a\0b", 3));
  ASSERT_TRUE(ReadWholeFile(Path("f"), text, &error));
  EXPECT_EQ(text, std::string("a\0b", 3));
  EXPECT_FALSE(ReadWholeFile(Path("absent"), text, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("absent")));
}

}  // namespace
}  // namespace varnel
