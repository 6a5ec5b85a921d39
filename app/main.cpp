// varnel: the desktop program, started on an optional data file.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/startup.h"

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
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "varnel: no display found; to run it without one, use a virtual display: "
                 "xvfb-run -a %s [FILE]\n",
                 argv[0]);
    return 1;
  }
  return varnel::Startup(argc, argv);
}
