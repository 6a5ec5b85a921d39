// The desktop's own font families, the defaults of every font the settings
// name. A font the settings file names is kept as it stands; only a missing
// key falls back to these.
#pragma once

#include <QString>

namespace varnel {

// The family of the desktop's general font (its sans-serif), as fontconfig
// resolves it; "Sans Serif" without a graphical application.
QString DesktopSansFamily();

// The family fontconfig gives for a serif face; "Serif" without a graphical
// application.
QString DesktopSerifFamily();

}  // namespace varnel
