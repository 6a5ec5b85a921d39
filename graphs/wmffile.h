// A recorded picture written as a placeable Windows metafile: the 16-bit
// metafile with the Aldus header that gives its size and resolution.
#pragma once

#include <QByteArray>

#include "graphs/emffile.h"
#include "graphs/metafiledevice.h"

namespace varnel {

// The file's bytes. The 16-bit format has no description field; the
// description goes into a comment record. Coordinates beyond the 16-bit
// range are held at its ends, and text is written in Windows-1252 ("?" for
// a character it lacks).
QByteArray WmfBytes(const MetafilePicture& picture, const MetafileDescription& description);

}  // namespace varnel
