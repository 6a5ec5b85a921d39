// The commands Varnel runs without a window: svd, inverse and map, each on a
// data file, printing the report the TextPad would hold (or writing a file).
#pragma once

#include <QStringList>
#include <cstdio>

namespace varnel {

// True when the first argument names a batch command or asks for help.
bool IsBatchCommand(const QStringList& arguments);

// Runs a batch command (arguments without the program name). Returns the exit
// status: 0 done, 1 the command or the file was refused, 2 wrong usage.
int RunBatchCommand(const QStringList& arguments, std::FILE* out, std::FILE* err);

// The text of "varnel --help".
QString UsageText();

// The names of the commands, in the order of the dispatch table.
QStringList BatchCommandNames();

}  // namespace varnel
