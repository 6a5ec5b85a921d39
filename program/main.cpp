// varnel: the desktop program, started on an optional data file.
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/numberlocale.h"
#include "app/version.h"
#include "program/commandline.h"
#include "program/startup.h"

namespace {

bool HasDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) return true;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

QtMessageHandler defaultHandler = nullptr;

// Without XDG_RUNTIME_DIR (cron, ssh, containers) the toolkit warns on every
// start that it picked a folder of its own. The program never uses that
// folder, and from a command the line would land in whatever the user
// collects from stderr beside the report, so it is dropped; every other
// message passes.
void QuietRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  if (defaultHandler) defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int k = 1; k < argc; ++k) arguments << QString::fromLocal8Bit(argv[k]);
  defaultHandler = qInstallMessageHandler(QuietRuntimeDirNotice);
  if (varnel::IsBatchCommand(arguments)) {
    // The commands show no window, but plot draws text: a graphical
    // application on the platform that needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    varnel::InitVersionString();
    varnel::SetDecimalSeparator(varnel::SystemDecimalSeparator());
    return varnel::RunBatchCommand(arguments, stdout, stderr);
  }
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "varnel: no display found; to run it without one, use a virtual display: "
                 "xvfb-run -a %s [FILE]\n",
                 argv[0]);
    return 1;
  }
  return varnel::Startup(argc, argv);
}
