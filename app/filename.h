// Paths as the program's captions and report lines show them.
#pragma once

#include <QString>

namespace varnel {

// The file name of a path, without its folder.
QString FileNameOnly(const QString& path);

}  // namespace varnel
