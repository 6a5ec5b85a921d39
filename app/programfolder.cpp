#include "app/programfolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>

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

// The prefix an installed copy lives under ("/usr/"), or empty.
QString InstallPrefix() {
  const QDir bin(ProgramDir());
  if (bin.dirName() != QLatin1String("bin")) return QString();
  const QString prefix = WithSeparator(QFileInfo(bin.absolutePath()).path());
  if (!QFileInfo(prefix + QStringLiteral("share/varnel")).isDir()) return QString();
  return prefix;
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are to be ignored), else the default under the home folder.
QString BaseDir(const char* variable, const QString& underHome) {
  const QString value = qEnvironmentVariable(variable);
  if (!value.isEmpty() && QDir::isAbsolutePath(value)) return WithSeparator(value);
  return WithSeparator(QDir::homePath()) + underHome;
}

QString UserConfigDir() {
  return BaseDir("XDG_CONFIG_HOME", QStringLiteral(".config/")) + QStringLiteral("varnel/");
}
QString UserStateDir() {
  return BaseDir("XDG_STATE_HOME", QStringLiteral(".local/state/")) + QStringLiteral("varnel/");
}

}  // namespace

QString ProgramDir() {
  if (!Override().isEmpty()) return Override();
  return WithSeparator(QCoreApplication::applicationDirPath());
}

void SetProgramDir(const QString& folder) {
  Override() = folder.isEmpty() ? QString() : WithSeparator(QDir(folder).absolutePath());
}

bool InstalledCopy() { return !InstallPrefix().isEmpty(); }

bool UserFilesInProgramDir() {
  // access() and not the permission bits: it knows about read-only mounts
  // and access lists.
  return !InstalledCopy() && ::access(QFile::encodeName(ProgramDir()).constData(), W_OK) == 0;
}

QString SettingsDir() { return UserFilesInProgramDir() ? ProgramDir() : UserConfigDir(); }

QString SettingsFilePath() { return SettingsDir() + QStringLiteral("VARNEL.INI"); }

QString WarningsLogPath() {
  return (UserFilesInProgramDir() ? ProgramDir() : UserStateDir()) + QStringLiteral("varnel.log");
}

QString SharedDataDir() {
  const QString prefix = InstallPrefix();
  return prefix.isEmpty() ? ProgramDir() : prefix + QStringLiteral("share/varnel/");
}

QString ReadmePath() {
  const QString prefix = InstallPrefix();
  const QString path = prefix.isEmpty() ? ProgramDir() + QStringLiteral("README.md")
                                        : prefix + QStringLiteral("share/doc/varnel/README.md");
  return QFileInfo(path).isFile() ? path : QString();
}

bool MakeUserFolderFor(const QString& filePath, QString* error) {
  const QString target = QDir::cleanPath(QFileInfo(filePath).path());
  if (target != QDir::cleanPath(UserConfigDir()) && target != QDir::cleanPath(UserStateDir())) return true;
  QStringList missing;
  for (QString folder = QFileInfo(filePath).path(); !QFileInfo(folder).isDir();
       folder = QFileInfo(folder).path()) {
    if (folder == QFileInfo(folder).path()) break;
    missing.prepend(folder);
  }
  // Private, as the base folders of the user's files should be.
  for (const QString& folder : missing) {
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || errno == EEXIST) continue;
    if (error)
      *error = QStringLiteral("Cannot create the folder ") + folder + QStringLiteral(": ") +
               QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace varnel
