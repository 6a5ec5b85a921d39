#include "app/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
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

}  // namespace
}  // namespace varnel
