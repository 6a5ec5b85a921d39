// The version string printed in report headers and the About box.
#pragma once

#include <QString>

namespace varnel {

// The compiled-in version when the executable is the program's own
// ("varnel"); "**" for any other executable name.
QString VersionFor(const QString& executablePath);

// The version of the running program, fixed at start-up.
QString VersionString();
void InitVersionString();

// The project's home page, opened by the Help menu.
inline constexpr const char* HomePageUrl = "https://varnel.org/";

}  // namespace varnel
