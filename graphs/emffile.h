// A recorded picture written as an enhanced metafile (EMF).
#pragma once

#include <QByteArray>
#include <QString>

#include "graphs/metafiledevice.h"

namespace varnel {

// The header's description: the creating program and the picture's title.
struct MetafileDescription {
  QString Creator = QStringLiteral("Varnel");
  QString Title;
};

// The file's bytes: header (bounds in pixels, the page as frame, the
// description), the mapping of the picture's units to pixels, the steps with
// the pens, brushes and fonts they need, and the end record. A picture in
// whole pixels is written in them (MM_TEXT); a finer one in its own units, a
// window of the page in units over a viewport of the page in pixels
// (MM_ANISOTROPIC).
QByteArray EmfBytes(const MetafilePicture& picture, const MetafileDescription& description);

}  // namespace varnel
