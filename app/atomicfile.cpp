#include "app/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>

namespace varnel {
namespace {

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString Reason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

bool WriteFailed(QString* error, const QString& path, int err) {
  return Fail(error, QStringLiteral("Cannot write \"%1\": %2").arg(Native(path), Reason(err)));
}

// While alive, a write beyond the file-size limit fails with EFBIG instead of
// killing the program with SIGXFSZ.
class SizeSignalIgnored {
 public:
  SizeSignalIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    active_ = ::sigaction(SIGXFSZ, &ignore, &old_) == 0;
  }
  ~SizeSignalIgnored() {
    if (active_) ::sigaction(SIGXFSZ, &old_, nullptr);
  }
  SizeSignalIgnored(const SizeSignalIgnored&) = delete;
  SizeSignalIgnored& operator=(const SizeSignalIgnored&) = delete;

 private:
  struct sigaction old_ {};
  bool active_ = false;
};

bool WriteAllAt(int fd, const char* data, std::size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

QByteArray FolderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash > 0 ? path.left(slash) : QByteArray("/");
}

// The file a path names after following symbolic links; a path whose last
// link points nowhere names the file the save will create.
bool FollowLinks(QByteArray path, QByteArray& resolved, int& err) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
      if (errno != ENOENT) {
        err = errno;
        return false;
      }
      resolved = path;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      resolved = path;
      return true;
    }
    QByteArray link(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096), '\0');
    const ssize_t n = ::readlink(path.constData(), link.data(), static_cast<std::size_t>(link.size()));
    if (n < 0) {
      err = errno;
      return false;
    }
    link.truncate(static_cast<qsizetype>(n));
    path = link.startsWith('/') ? link : FolderOf(path) + '/' + link;
  }
  err = ELOOP;
  return false;
}

// A temporary file in folder with a short name, so that a target whose name
// is near the length limit can still be saved. -1 with errno on failure.
int MakeTemporary(const QByteArray& folder, QByteArray& name) {
  name = folder + "/.varnel-XXXXXX";
  return ::mkstemp(name.data());
}

// A file for the new contents in folder that has no name until it is
// complete (O_TMPFILE), so that a program killed while writing leaves
// nothing behind. -1 where the file system or the kernel has no such files.
int MakeUnnamed(const QByteArray& folder) {
#ifdef O_TMPFILE
  return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
  (void)folder;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

// Gives the complete unnamed file a short-lived hidden name in folder, to
// be renamed over the target at once. False with errno when it cannot be
// named (no /proc, no right to link by descriptor).
bool NameUnnamed(int fd, const QByteArray& folder, QByteArray& name) {
  const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + "/.varnel-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) continue;
    if (::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// The user's own read-only marking counts for root too.
bool IsReadOnly(const QByteArray& path, const struct stat& st) {
  return (st.st_mode & 0222) == 0 || ::access(path.constData(), W_OK) != 0;
}

bool ReadAll(int fd, std::string& out, std::size_t expected) {
  out.resize(expected);
  std::size_t done = 0;
  for (;;) {
    if (done == out.size()) out.resize(out.size() + 65536);
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  out.resize(done);
  return true;
}

void SyncFolder(const QByteArray& folder) {
  const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

// Writes the bytes into the existing file itself, after keeping its old
// contents: on disk under a temporary name (which becomes the backup when
// one is wanted) and in memory, to put them back should the write fail.
bool WriteInPlace(const QString& path, const QByteArray& target, const struct stat& st,
                  const QByteArray& bytes, const QByteArray& backup, QString* error) {
  std::string old;
  {
    const int in = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return WriteFailed(error, path, errno);
    const bool read = ReadAll(in, old, static_cast<std::size_t>(st.st_size));
    const int err = errno;
    ::close(in);
    if (!read) return WriteFailed(error, path, err);
  }
  const QByteArray folder = FolderOf(target);
  QByteArray keptName;
  const int kept = MakeTemporary(folder, keptName);
  if (kept >= 0) {
    const bool ok = WriteAllAt(kept, old.data(), old.size(), 0) && ::fsync(kept) == 0;
    ::fchmod(kept, st.st_mode & 07777);
    ::close(kept);
    if (!ok) {
      // Without room for the copy there is no room to risk the original.
      const int err = errno;
      ::unlink(keptName.constData());
      return WriteFailed(error, path, err);
    }
  } else {
    keptName.clear();  // no copy on disk: the backup is skipped
  }

  const int out = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
  if (out < 0) {
    const int err = errno;
    if (!keptName.isEmpty()) ::unlink(keptName.constData());
    return WriteFailed(error, path, err);
  }
  const auto size = static_cast<off_t>(bytes.size());
  // Claiming the room first keeps a full disk or a size limit from striking
  // half-way through the old contents.
  if (size > st.st_size) {
    const int r = ::posix_fallocate(out, 0, size);
    if (r != 0 && r != EOPNOTSUPP && r != EINVAL) {
      ::close(out);
      if (!keptName.isEmpty()) ::unlink(keptName.constData());
      return WriteFailed(error, path, r);
    }
  }
  bool ok = WriteAllAt(out, bytes.constData(), static_cast<std::size_t>(bytes.size()), 0) &&
            ::ftruncate(out, size) == 0 && ::fsync(out) == 0;
  const int err = errno;
  if (!ok) {
    // Put the old contents back; they fitted before.
    const bool restored = WriteAllAt(out, old.data(), old.size(), 0) &&
                          ::ftruncate(out, static_cast<off_t>(old.size())) == 0 && ::fsync(out) == 0;
    ::close(out);
    if (!restored && !keptName.isEmpty()) {
      if (error)
        *error = QStringLiteral("Cannot write \"%1\": %2\n\rIts previous contents are kept in \"%3\".")
                     .arg(Native(path), Reason(err), Native(QFile::decodeName(keptName)));
      return false;
    }
    if (!keptName.isEmpty()) ::unlink(keptName.constData());
    return WriteFailed(error, path, err);
  }
  ::close(out);
  if (!keptName.isEmpty()) {
    if (backup.isEmpty() || ::rename(keptName.constData(), backup.constData()) != 0)
      ::unlink(keptName.constData());
  }
  SyncFolder(folder);
  return true;
}

// Gives the old version a temporary second name, so that the previous backup
// need not go before the new file is in place. Empty when no copy could be
// made.
QByteArray KeepOldVersion(const QByteArray& target, const QByteArray& folder) {
  QByteArray name;
  const int fd = MakeTemporary(folder, name);
  if (fd < 0) return {};
  ::close(fd);
  ::unlink(name.constData());
  if (::link(target.constData(), name.constData()) == 0) return name;
  // A file system without hard links gets a copy.
  if (QFile::copy(QFile::decodeName(target), QFile::decodeName(name))) return name;
  ::unlink(name.constData());
  return {};
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
  const SizeSignalIgnored sizeSignal;
  QByteArray target;
  int err = 0;
  if (!FollowLinks(QFile::encodeName(QFileInfo(path).absoluteFilePath()), target, err))
    return WriteFailed(error, path, err);
  const QByteArray folder = FolderOf(target);

  struct stat st;
  const bool exists = ::stat(target.constData(), &st) == 0;
  if (!exists && errno != ENOENT) return WriteFailed(error, path, errno);
  if (exists && S_ISDIR(st.st_mode))
    return Fail(error, QStringLiteral("Cannot write \"%1\": it is a folder.").arg(Native(path)));
  if (exists && !S_ISREG(st.st_mode))
    return Fail(error, QStringLiteral("Cannot write \"%1\": it is not a regular file.").arg(Native(path)));
  if (exists && IsReadOnly(target, st))
    return Fail(error, QStringLiteral("Cannot write \"%1\": the file is read-only.").arg(Native(path)));

  QByteArray backup;
  if (exists && !backupExt.isEmpty()) {
    backup = QFile::encodeName(BackupName(QFile::decodeName(target), backupExt));
    // A file named like its own backup has none.
    if (backup == target) backup.clear();
  }

  if (exists && st.st_nlink > 1) return WriteInPlace(path, target, st, bytes, backup, error);

  // The new version is written into an unnamed file where the file system
  // allows it, else into a hidden temporary one.
  QByteArray tempName;
  int fd = MakeUnnamed(folder);
  const bool unnamed = fd >= 0;
  if (!unnamed) fd = MakeTemporary(folder, tempName);
  if (fd < 0) return WriteFailed(error, path, errno);
  const auto discard = [&] {
    ::close(fd);
    if (!tempName.isEmpty()) ::unlink(tempName.constData());
  };
  if (exists) {
    struct stat temp;
    if (::fstat(fd, &temp) == 0 && (temp.st_uid != st.st_uid || temp.st_gid != st.st_gid) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) {
      // A new file would change hands: write the old one in place instead.
      discard();
      return WriteInPlace(path, target, st, bytes, backup, error);
    }
    // After the owner (a change of owner clears the set-id bits).
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  const bool written =
      WriteAllAt(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), 0) && ::fsync(fd) == 0;
  const int writeErr = errno;
  if (!written) {
    discard();
    return WriteFailed(error, path, writeErr);
  }
  if (unnamed && !NameUnnamed(fd, folder, tempName)) {
    // Complete but without a way to name it: written once more the old way.
    tempName.clear();
    ::close(fd);
    fd = MakeTemporary(folder, tempName);
    if (fd < 0) return WriteFailed(error, path, errno);
    if (exists) {
      if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        struct stat temp;
        if (::fstat(fd, &temp) != 0 || temp.st_uid != st.st_uid || temp.st_gid != st.st_gid) {
          discard();
          return WriteInPlace(path, target, st, bytes, backup, error);
        }
      }
      ::fchmod(fd, st.st_mode & 07777);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      ::fchmod(fd, 0666 & ~mask);
    }
    if (!WriteAllAt(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), 0) || ::fsync(fd) != 0) {
      const int err2 = errno;
      discard();
      return WriteFailed(error, path, err2);
    }
  }
  if (::close(fd) != 0) {
    const int closeErr = errno;
    ::unlink(tempName.constData());
    return WriteFailed(error, path, closeErr);
  }

  const QByteArray kept = backup.isEmpty() ? QByteArray() : KeepOldVersion(target, folder);
  if (::rename(tempName.constData(), target.constData()) != 0) {
    const int renameErr = errno;
    ::unlink(tempName.constData());
    if (!kept.isEmpty()) ::unlink(kept.constData());
    return WriteFailed(error, path, renameErr);
  }
  // The backup step ignores its own failures. Renaming a name onto another
  // name of the same file (a backup made by a save running at the same
  // time) does nothing and keeps both: the kept name goes in every case.
  if (!kept.isEmpty()) {
    ::rename(kept.constData(), backup.constData());
    ::unlink(kept.constData());
  }
  SyncFolder(folder);
  return true;
}

int OpenRegularFile(const QString& path, struct stat* st, QString* error) {
  auto fail = [&](const QString& why) {
    Fail(error, QStringLiteral("Cannot open \"%1\": %2").arg(Native(path), why));
    return -1;
  };
  // Non-blocking, so that opening a FIFO does not wait for a writer.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(Reason(errno));
  if (::fstat(fd, st) != 0) {
    const int err = errno;
    ::close(fd);
    return fail(Reason(err));
  }
  if (!S_ISREG(st->st_mode)) {
    ::close(fd);
    return fail(S_ISDIR(st->st_mode) ? QStringLiteral("it is a folder.")
                                     : QStringLiteral("it is not a regular file."));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

namespace {

template <typename Bytes>
bool ReadRegularFile(const QString& path, Bytes& bytes, QString* error) {
  struct stat st;
  const int fd = OpenRegularFile(path, &st, error);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  int err = 0;
  auto readInto = [&](char* to, std::size_t room) -> ssize_t {
    for (;;) {
      const ssize_t n = ::read(fd, to, room);
      if (n >= 0 || errno != EINTR) return n;
    }
  };
  try {
    // The size the file has now, without spare room; a file that grows
    // meanwhile is read to its end.
    bytes.resize(static_cast<decltype(bytes.size())>(st.st_size));
    while (done < static_cast<std::size_t>(bytes.size())) {
      const ssize_t n = readInto(bytes.data() + done, static_cast<std::size_t>(bytes.size()) - done);
      if (n <= 0) {
        ok = n == 0;
        err = errno;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(static_cast<decltype(bytes.size())>(done));
    char more[65536];
    while (ok && done == static_cast<std::size_t>(bytes.size())) {
      const ssize_t n = readInto(more, sizeof more);
      if (n <= 0) {
        ok = n == 0;
        err = errno;
        break;
      }
      bytes.append(more, static_cast<decltype(bytes.size())>(n));
      done += static_cast<std::size_t>(n);
    }
  } catch (const std::bad_alloc&) {
    ok = false;
    err = ENOMEM;
  }
  ::close(fd);
  if (!ok) {
    bytes = Bytes();
    return Fail(error, QStringLiteral("Cannot read \"%1\": %2").arg(Native(path), Reason(err)));
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const QString& path, QByteArray& bytes, QString* error) {
  return ReadRegularFile(path, bytes, error);
}

bool ReadWholeFile(const QString& path, std::string& bytes, QString* error) {
  return ReadRegularFile(path, bytes, error);
}

}  // namespace varnel
