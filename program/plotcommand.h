// varnel plot: the Graphs page of a data file drawn into a picture file,
// without a window.
#pragma once

#include <QStringList>
#include <cstdio>

namespace varnel {

// Takes its arguments with the command's name first; returns 0 done, 1 the
// file or the picture was refused, 2 wrong usage (thrown as UsageError).
int PlotCommand(const QStringList& args, std::FILE* out, std::FILE* err);

}  // namespace varnel
