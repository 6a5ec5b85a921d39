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

// The file's bytes: header (bounds, the page as frame, the description),
// the steps with the pens, brushes and fonts they need, and the end record.
QByteArray EmfBytes(const MetafilePicture& picture, const MetafileDescription& description);

}  // namespace varnel
