#include "app/filename.h"

#include <QFileInfo>

namespace varnel {

QString FileNameOnly(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace varnel
