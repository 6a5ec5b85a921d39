#include "app/programfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace varnel {
namespace {

QString& Override() {
  static QString folder;
  return folder;
}

QString WithSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

}  // namespace

QString ProgramDir() {
  if (!Override().isEmpty()) return Override();
  return WithSeparator(QCoreApplication::applicationDirPath());
}

void SetProgramDir(const QString& folder) {
  Override() = folder.isEmpty() ? QString() : WithSeparator(QDir(folder).absolutePath());
}

QString SettingsFilePath() { return ProgramDir() + QStringLiteral("VARNEL.INI"); }

}  // namespace varnel
