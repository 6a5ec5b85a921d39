// The matrix commands without a window: svd and inverse print the report the
// TextPad would hold, map writes the mapped data file.
#pragma once

#include <QStringList>
#include <cstdio>

namespace varnel {

// Each takes its arguments with the command's name first and returns the
// exit status: 0 done, 1 the command or the file was refused, 2 wrong usage
// (thrown as UsageError).
int SvdCommand(const QStringList& args, std::FILE* out, std::FILE* err);
int InverseCommand(const QStringList& args, std::FILE* out, std::FILE* err);
int MapCommand(const QStringList& args, std::FILE* out, std::FILE* err);

}  // namespace varnel
