// A recorded picture written as a placeable Windows metafile: the 16-bit
// metafile with the Aldus header that gives its size and resolution.
#pragma once

#include <QByteArray>

#include "graphs/emffile.h"
#include "graphs/metafiledevice.h"

namespace varnel {

// The file's bytes. The 16-bit format has no description field; the
// description goes into a comment record. Lines and polygons are cut where
// they leave the 16-bit range, text that far off is left out, and text is
// written in Windows-1252 ("?" for a character it lacks). A picture in units
// finer than a pixel is written in whole ones.
QByteArray WmfBytes(const MetafilePicture& picture, const MetafileDescription& description);

}  // namespace varnel
