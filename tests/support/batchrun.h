// Runs a command-line command as `varnel ARGS...` would, capturing what it
// prints on standard output and standard error.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdio>

#include "program/commandline.h"

namespace varnel::test {

struct BatchOutput {
  int status = -1;
  QByteArray out;
  QString err;
  QString OutText() const { return QString::fromUtf8(out); }
  // Standard output as lines, without the empty one after the last break.
  QStringList OutLines() const {
    QStringList lines = OutText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }
};

inline QByteArray ReadBack(std::FILE* f) {
  std::rewind(f);
  QByteArray bytes;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, static_cast<qsizetype>(n));
  std::fclose(f);
  return bytes;
}

inline BatchOutput RunBatch(const QStringList& args) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  BatchOutput r;
  r.status = RunBatchCommand(args, out, err);
  r.out = ReadBack(out);
  r.err = QString::fromUtf8(ReadBack(err));
  return r;
}

}  // namespace varnel::test
