// The decomposition written as the textbook loops, column by column, as the
// yardstick for the production routine's reordered memory walks.
#pragma once

#include "core/fmatrix.h"

namespace varnel::test {

int ReferenceSvd(FMatrix& a, FMatrix& v, int m, int n, FVector& w);

}  // namespace varnel::test
