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

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int k = 1; k < argc; ++k) arguments << QString::fromLocal8Bit(argv[k]);
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
