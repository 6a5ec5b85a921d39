#include "app/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "tests/support/files.h"

namespace varnel {
namespace {

TEST(BackupName, ReplacesOrAppendsTheExtension) {
  EXPECT_EQ(BackupName(QStringLiteral("/d/rocks.vnp"), QStringLiteral(".BAK")),
            QStringLiteral("/d/rocks.BAK"));
  EXPECT_EQ(BackupName(QStringLiteral("/d/rocks"), QStringLiteral(".BAK")), QStringLiteral("/d/rocks.BAK"));
  EXPECT_EQ(BackupName(QStringLiteral("/d/a.b.txt"), QStringLiteral(".BAK")), QStringLiteral("/d/a.b.BAK"));
}

TEST(SaveFileAtomically, BackupHoldsThePreviousVersion) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("rocks.vnp"));
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "first", QStringLiteral(".BAK"), &error)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("rocks.BAK")))) << "nothing to back up yet";
  ASSERT_TRUE(SaveFileAtomically(path, "second", QStringLiteral(".BAK"), &error));
  EXPECT_EQ(test::ReadFile(path), "second");
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("rocks.BAK"))), "first");
  ASSERT_TRUE(SaveFileAtomically(path, "third", QString(), &error));
  EXPECT_EQ(test::ReadFile(path), "third");
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("rocks.BAK"))), "first") << "no backup asked for";
  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(SaveFileAtomically, AFailedWriteLeavesTheOldFileAndItsBackup) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("rocks.vnp"));
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "old version", QString(), &error));
  ASSERT_TRUE(SaveFileAtomically(path, "current version", QStringLiteral(".BAK"), &error));

  // A file-size limit makes the write fail the way a full disk does, for root
  // too.
  bool ok = true;
  test::WithFileSizeLimit(
      4, [&] { ok = SaveFileAtomically(path, QByteArray(1000, 'x'), QStringLiteral(".BAK"), &error); });

  EXPECT_FALSE(ok);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(test::ReadFile(path), "current version");
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("rocks.BAK"))), "old version");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "temporary file removed";
}

TEST(SaveFileAtomically, AMissingFolderIsReported) {
  QTemporaryDir dir;
  QString error;
  EXPECT_FALSE(
      SaveFileAtomically(dir.filePath(QStringLiteral("no/such/folder/x.vnp")), "x", QString(), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("x.vnp"))) << error.toStdString();
}

TEST(SaveFileAtomically, AnUnwritableFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers this";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("report.txt"));
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "kept", QString(), &error));
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  EXPECT_FALSE(SaveFileAtomically(path, "lost", QStringLiteral(".BAK"), &error));
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(test::ReadFile(path), "kept");
}

TEST(SaveFileAtomically, KeepsThePermissionsOfTheReplacedFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("shared.vnp"));
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "a", QString(), &error));
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
  ASSERT_TRUE(SaveFileAtomically(path, "b", QString(), &error));
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

TEST(SaveFileAtomically, RefusesToReplaceWhatIsNotAWritableRegularFile) {
  QTemporaryDir dir;
  QString error;

  const QString folder = dir.filePath(QStringLiteral("rocks.vnp"));
  ASSERT_TRUE(QDir().mkdir(folder));
  EXPECT_FALSE(SaveFileAtomically(folder, "data", QStringLiteral(".BAK"), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("folder"))) << error.toStdString();
  EXPECT_TRUE(QFileInfo(folder).isDir());

  const QString fifo = dir.filePath(QStringLiteral("pipe.vnp"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  EXPECT_FALSE(SaveFileAtomically(fifo, "data", QStringLiteral(".BAK"), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
  EXPECT_EQ(At(fifo).type, static_cast<mode_t>(S_IFIFO)) << "the FIFO stays a FIFO";

  // A device node, reached through a link as a user might.
  const QString device = dir.filePath(QStringLiteral("null.vnp"));
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), device));
  EXPECT_FALSE(SaveFileAtomically(device, "data", QString(), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
  EXPECT_EQ(At(QStringLiteral("/dev/null")).type, static_cast<mode_t>(S_IFCHR));

  // Read-only means read-only for root too: the user marked it so.
  const QString locked = dir.filePath(QStringLiteral("locked.vnp"));
  test::WriteFileOrFail(locked, "keep me");
  ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  EXPECT_FALSE(SaveFileAtomically(locked, "lost", QStringLiteral(".BAK"), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("is read-only"))) << error.toStdString();
  EXPECT_EQ(test::ReadFile(locked), "keep me");
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("locked.BAK"))));

  EXPECT_EQ(Entries(dir.path()), 4) << "no temporary or backup file left behind";
}

TEST(SaveFileAtomically, ASymbolicLinkStaysALinkAndItsFileIsWritten) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkdir(dir.filePath(QStringLiteral("store"))));
  const QString real = dir.filePath(QStringLiteral("store/real.vnp"));
  const QString link = dir.filePath(QStringLiteral("rocks.vnp"));
  test::WriteFileOrFail(real, "old");
  // A relative link, resolved from the link's own folder.
  ASSERT_EQ(::symlink("store/real.vnp", QFile::encodeName(link).constData()), 0);
  QString error;
  ASSERT_TRUE(SaveFileAtomically(link, "new", QStringLiteral(".BAK"), &error)) << error.toStdString();
  EXPECT_TRUE(At(link).link);
  EXPECT_EQ(test::ReadFile(real), "new");
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("store/real.BAK"))), "old")
      << "the backup lies beside the file that was replaced";

  // A link to a file not yet there makes the file, and stays a link.
  const QString dangling = dir.filePath(QStringLiteral("later.vnp"));
  ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("store/later.vnp")), dangling));
  ASSERT_TRUE(SaveFileAtomically(dangling, "first", QStringLiteral(".BAK"), &error)) << error.toStdString();
  EXPECT_TRUE(At(dangling).link);
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("store/later.vnp"))), "first");

  // A loop of links is an error, not a hang.
  const QString a = dir.filePath(QStringLiteral("a.vnp"));
  const QString b = dir.filePath(QStringLiteral("b.vnp"));
  ASSERT_TRUE(QFile::link(b, a));
  ASSERT_TRUE(QFile::link(a, b));
  EXPECT_FALSE(SaveFileAtomically(a, "x", QString(), &error));
  EXPECT_TRUE(At(a).link && At(b).link);
}

TEST(SaveFileAtomically, EveryHardLinkSeesTheNewDataAndTheBackupTheOld) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("rocks.vnp"));
  const QString other = dir.filePath(QStringLiteral("shared-name.vnp"));
  test::WriteFileOrFail(path, "old contents, longer than the new");
  ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "new", QStringLiteral(".BAK"), &error)) << error.toStdString();
  EXPECT_EQ(test::ReadFile(path), "new");
  EXPECT_EQ(test::ReadFile(other), "new");
  EXPECT_EQ(At(path).links, 2u);
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("rocks.BAK"))), "old contents, longer than the new");
  ASSERT_TRUE(SaveFileAtomically(path, QByteArray(5000, 'g'), QString(), &error));
  EXPECT_EQ(test::ReadFile(other), QByteArray(5000, 'g')) << "growing in place";
  EXPECT_EQ(Entries(dir.path()), 3);
}

TEST(SaveFileAtomically, AFailedSaveNeverCostsThePreviousBackup) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("rocks.vnp"));
  const QString backup = dir.filePath(QStringLiteral("rocks.BAK"));
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "version 1", QString(), &error));
  ASSERT_TRUE(SaveFileAtomically(path, "version 2", QStringLiteral(".BAK"), &error));
  ASSERT_EQ(test::ReadFile(backup), "version 1");

  // Replaced by renaming, and written in place (a second hard link): both
  // fail on a full disk with the file and its backup as they were.
  for (bool linked : {false, true}) {
    if (linked) {
      ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                       QFile::encodeName(dir.filePath(QStringLiteral("twin.vnp"))).constData()),
                0);
    }
    bool ok = true;
    test::WithFileSizeLimit(
        100, [&] { ok = SaveFileAtomically(path, QByteArray(1000, 'x'), QStringLiteral(".BAK"), &error); });
    EXPECT_FALSE(ok) << linked;
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(test::ReadFile(path), "version 2") << linked;
    EXPECT_EQ(test::ReadFile(backup), "version 1") << linked;
  }
  EXPECT_EQ(Entries(dir.path()), 3) << "no temporary file left behind";
}

TEST(SaveFileAtomically, ASizeLimitIsAnErrorNotAKill) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("big.vnp"));
  // The limit is set with the signal's default action, which ends the
  // process unless the save keeps it away.
  const int status = test::RunInChild([&] {
    std::signal(SIGXFSZ, SIG_DFL);
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    QString error;
    const bool ok = SaveFileAtomically(path, QByteArray(100000, 'x'), QString(), &error);
    return !ok && error.contains(QStringLiteral("big.vnp")) ? 0 : 1;
  });
  EXPECT_EQ(status, 0) << (status > 128 ? "killed by signal " + std::to_string(status - 128) : "no error");
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(Entries(dir.path()), 0);
}

TEST(SaveFileAtomically, ANameNearTheLengthLimitCanBeSaved) {
  QTemporaryDir dir;
  const QString name = QString(246, QLatin1Char('n')) + QStringLiteral(".vnp");
  ASSERT_EQ(QFile::encodeName(name).size(), 250);
  const QString path = dir.filePath(name);
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "one", QStringLiteral(".BAK"), &error)) << error.toStdString();
  ASSERT_TRUE(SaveFileAtomically(path, "two", QStringLiteral(".BAK"), &error)) << error.toStdString();
  EXPECT_EQ(test::ReadFile(path), "two");
  EXPECT_EQ(test::ReadFile(dir.filePath(QString(246, QLatin1Char('n')) + QStringLiteral(".BAK"))), "one");
}

TEST(SaveFileAtomically, AFileNamedLikeItsBackupKeepsItsNewContents) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("rocks.BAK"));
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "old", QStringLiteral(".BAK"), &error));
  ASSERT_TRUE(SaveFileAtomically(path, "new", QStringLiteral(".BAK"), &error));
  EXPECT_EQ(test::ReadFile(path), "new");
}

TEST(SaveFileAtomically, TheOwnerAndGroupOfTheReplacedFileStay) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user to test this";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("theirs.vnp"));
  test::WriteFileOrFail(path, "old");
  ASSERT_EQ(::chown(QFile::encodeName(path).constData(), test::NobodyId, test::NobodyId), 0);
  QString error;
  ASSERT_TRUE(SaveFileAtomically(path, "new", QStringLiteral(".BAK"), &error)) << error.toStdString();
  EXPECT_EQ(test::ReadFile(path), "new");
  EXPECT_EQ(At(path).owner, test::NobodyId);
  EXPECT_EQ(At(path).group, test::NobodyId);
}

TEST(SaveFileAtomically, AnOwnerThatCannotBeKeptIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run the save as another user than the file's owner";
  QTemporaryDir dir;
  if (!test::OthersCanReach(dir.path()))
    GTEST_SKIP() << "another user cannot reach the temporary folder " << dir.path().toStdString();
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther | QFileDevice::ExeOther));
  const QString path = dir.filePath(QStringLiteral("roots.vnp"));
  test::WriteFileOrFail(path, "root's old data");
  ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadOther | QFileDevice::WriteOther));
  const int status = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 2;
    QString error;
    return SaveFileAtomically(path, "nobody's new data", QStringLiteral(".BAK"), &error) ? 0 : 1;
  });
  ASSERT_EQ(status, 0);
  EXPECT_EQ(test::ReadFile(path), "nobody's new data");
  EXPECT_EQ(At(path).owner, 0u) << "the file did not change hands";
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("roots.BAK"))), "root's old data");

  // A read-only file of someone else's is refused, not replaced through the
  // writable folder.
  ASSERT_TRUE(
      QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
  const int refused = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 2;
    QString error;
    return !SaveFileAtomically(path, "x", QString(), &error) && error.contains(QStringLiteral("is read-only"))
               ? 0
               : 1;
  });
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(test::ReadFile(path), "nobody's new data");
}

TEST(ReadWholeFile, RefusesFoldersFifosAndDevicesWithoutReadingThem) {
  QTemporaryDir dir;
  QByteArray bytes;
  std::string text;
  QString error;
  EXPECT_FALSE(ReadWholeFile(dir.path(), bytes, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("folder"))) << error.toStdString();
  // Endless: reading it would never end.
  EXPECT_FALSE(ReadWholeFile(QStringLiteral("/dev/zero"), text, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
  // No writer: opening it for reading would wait for ever.
  const QString fifo = dir.filePath(QStringLiteral("pipe"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  EXPECT_FALSE(ReadWholeFile(fifo, text, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();

  const QString file = dir.filePath(QStringLiteral("f"));
  test::WriteFileOrFail(file, QByteArray("a\0b", 3));
  ASSERT_TRUE(ReadWholeFile(file, text, &error));
  EXPECT_EQ(text, std::string("a\0b", 3));
  EXPECT_FALSE(ReadWholeFile(dir.filePath(QStringLiteral("absent")), text, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("absent")));
}

}  // namespace
}  // namespace varnel
