#include "app/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace varnel {
namespace {

QString SystemReason(const QString& path, int err) {
  return QStringLiteral("Cannot write \"%1\": %2")
      .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(err)));
}

bool WriteAll(int fd, const char* data, qint64 size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= n;
  }
  return true;
}

}  // namespace

QString BackupName(const QString& path, const QString& backupExt) {
  const QFileInfo info(path);
  const QString name = info.fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString base = dot > 0 ? name.left(dot) : name;
  return info.dir().filePath(base + backupExt);
}

bool SaveFileAtomically(const QString& path, const QByteArray& bytes, const QString& backupExt,
                        QString* error) {
  const QFileInfo info(path);
  const QByteArray target = QFile::encodeName(info.absoluteFilePath());
  QByteArray tempName = QFile::encodeName(
      info.absoluteDir().filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".XXXXXX")));
  const int fd = ::mkstemp(tempName.data());
  if (fd < 0) {
    if (error) *error = SystemReason(path, errno);
    return false;
  }
  // Keep the permissions of the file being replaced; a new file gets the
  // usual ones.
  struct stat st;
  if (::stat(target.constData(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  const bool written = WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
  const int writeErr = errno;
  if (::close(fd) != 0 || !written) {
    const int err = written ? errno : writeErr;
    ::unlink(tempName.constData());
    if (error) *error = SystemReason(path, err);
    return false;
  }

  if (!backupExt.isEmpty() && ::access(target.constData(), F_OK) == 0) {
    // The old version is linked to its backup name, so the target name is
    // never missing; a file system without links gets a copy instead.
    const QString backup = BackupName(info.absoluteFilePath(), backupExt);
    const QByteArray backupName = QFile::encodeName(backup);
    ::unlink(backupName.constData());
    if (::link(target.constData(), backupName.constData()) != 0) QFile::copy(info.absoluteFilePath(), backup);
  }

  if (::rename(tempName.constData(), target.constData()) != 0) {
    const int err = errno;
    ::unlink(tempName.constData());
    if (error) *error = SystemReason(path, err);
    return false;
  }
  // Make the rename itself durable.
  const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

bool ReadWholeFile(const QString& path, QByteArray& bytes, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error)
      *error =
          QStringLiteral("Cannot open \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
  }
  bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error)
      *error =
          QStringLiteral("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
  }
  return true;
}

}  // namespace varnel
