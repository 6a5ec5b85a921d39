// The Analysis Wizard without its window.
#pragma once

#include <QStringList>
#include <cstdio>

namespace varnel {

// varnel wizard FILE --cases LIST [options]: exit status 0 done, 1 refused or
// failed (also a question not answered Yes), 2 wrong usage (UsageError).
int WizardCommand(const QStringList& args, std::FILE* out, std::FILE* err);

// varnel merge-relations PART...: the keyed parts of a filtered, sharded
// enumeration joined in order, each relation once.
int MergeRelationsCommand(const QStringList& args, std::FILE* out, std::FILE* err);

}  // namespace varnel
