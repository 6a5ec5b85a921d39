// The formula and recalculation commands without a window: compute adds
// variables from formulas, recalc recalculates oxide analyses; both write a
// new data file.
#pragma once

#include <QStringList>
#include <cstdio>

namespace varnel {

// Each takes its arguments with the command's name first and returns the
// exit status: 0 done, 1 the command or the file was refused, 2 wrong usage
// (thrown as UsageError).
int ComputeCommand(const QStringList& args, std::FILE* out, std::FILE* err);
int RecalcCommand(const QStringList& args, std::FILE* out, std::FILE* err);

}  // namespace varnel
