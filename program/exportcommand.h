// varnel export: a data file or a table written as CSV or XLSX, without a
// window.
#pragma once

#include <QStringList>
#include <cstdio>

namespace varnel {

// Takes its arguments with the command's name first; returns 0 done, 1 the
// file was refused or could not be written, 2 wrong usage (thrown as
// UsageError).
int ExportCommand(const QStringList& args, std::FILE* out, std::FILE* err);

}  // namespace varnel
