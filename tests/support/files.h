// File helpers for tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <functional>

#include "app/programfolder.h"

namespace varnel::test {

// Points the program folder at a folder of the test's and puts the previous
// one back afterwards, so that no test reads a settings file it did not write.
class ProgramDirScope {
 public:
  explicit ProgramDirScope(const QString& folder) : previous_(ProgramDir()) { SetProgramDir(folder); }
  ~ProgramDirScope() { SetProgramDir(previous_); }
  ProgramDirScope(const ProgramDirScope&) = delete;
  ProgramDirScope& operator=(const ProgramDirScope&) = delete;

 private:
  QString previous_;
};

inline QByteArray ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes a test's input file; a failure fails the test.
inline void WriteFileOrFail(const QString& path, const QByteArray& bytes) {
  if (!WriteFile(path, bytes)) ADD_FAILURE() << "cannot write " << path.toStdString();
}

// Runs f while no file can grow beyond bytes: writes past it fail the way
// they do on a full disk, for root too.
inline void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& f) {
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit tiny = old;
  tiny.rlim_cur = bytes;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &tiny);
  f();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
}

// The address space this process takes now, in bytes, to limit it from.
inline std::size_t AddressSpaceInUse() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmSize:")) return line.mid(7).trimmed().split(' ').first().toULongLong() * 1024;
  return 0;
}

// Runs f in a child process and returns its exit status, or 128 + the
// signal that ended it. Limits, users and signal handlers set in the child
// leave the test process alone; f must not use gtest's assertions.
inline int RunInChild(const std::function<int()>& f) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(f());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The unprivileged user tests run as when they need another user than root.
inline constexpr uid_t NobodyId = 65534;

// In a child process run by root: become nobody. False when that fails.
inline bool BecomeNobody() { return setgid(NobodyId) == 0 && setuid(NobodyId) == 0; }

// Whether another user can get to path: every folder above it must let
// others pass (a temporary folder under a private home would not).
inline bool OthersCanReach(const QString& path) {
  QByteArray folder = QFile::encodeName(path);
  while (true) {
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash <= 0) return true;
    folder.truncate(slash);
    struct stat st;
    if (::stat(folder.constData(), &st) != 0 || (st.st_mode & S_IXOTH) == 0) return false;
  }
}

// Address-space limits mean nothing under AddressSanitizer, which reserves
// terabytes of shadow memory up front.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool AddressSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool AddressSanitizerBuild = true;
#else
inline constexpr bool AddressSanitizerBuild = false;
#endif
#else
inline constexpr bool AddressSanitizerBuild = false;
#endif

}  // namespace varnel::test
