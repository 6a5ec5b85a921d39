// File helpers for tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

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

}  // namespace varnel::test
