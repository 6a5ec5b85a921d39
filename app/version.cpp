#include "app/version.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifndef VARNEL_VERSION
#define VARNEL_VERSION "0.0.0"
#endif

namespace varnel {
namespace {

QString& Current() {
  static QString version = QStringLiteral("**");
  return version;
}

}  // namespace

QString VersionFor(const QString& executablePath) {
  if (QFileInfo(executablePath).fileName() == QLatin1String("varnel")) return QStringLiteral(VARNEL_VERSION);
  return QStringLiteral("**");
}

QString VersionString() { return Current(); }

void InitVersionString() { Current() = VersionFor(QCoreApplication::applicationFilePath()); }

}  // namespace varnel
