// What the file commands tell the list of recently used files; the window's
// File menu keeps the list.
#pragma once

#include <QString>

namespace varnel {

class RecentFiles {
 public:
  virtual ~RecentFiles() = default;
  // A file was opened or saved under this path.
  virtual void AddFile(const QString& path) = 0;
};

}  // namespace varnel
