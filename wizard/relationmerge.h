// Joining the keyed parts of a sharded, filtered univariant enumeration,
// each part read as a stream (a file, a pipe, a FIFO).
#pragma once

#include <QStringList>
#include <cstdio>

#include "wizard/relationkeys.h"

namespace varnel {

// Reads the parts in order (each to its end, whatever kind of file it is),
// keeps the first line of each key and prints the kept lines without their
// keys. Everything is read and checked before anything is printed: a part
// that cannot be read, a line that is not "KEY<tab>LINE" and a lack of
// memory are reported on err with exit status 1, and nothing is printed.
int MergeRelationParts(const QStringList& parts, std::FILE* out, std::FILE* err);

}  // namespace varnel
