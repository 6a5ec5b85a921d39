// Which DataSheet cells form a matrix: the untagged variables of the selected
// cases, in either orientation.
#pragma once

#include "core/fmatrix.h"
#include "sheet/sheet.h"

namespace varnel {

// Stores the grid columns of the untagged variables (the first 60) in list;
// returns how many there are in all.
int UntaggedVariables(const Sheet& sheet, IVector& list);

// The size checks of every matrix command: 0, or the computation error 7
// (fewer than 2 cases or variables) or 5 (more than 60). cases and
// variables are filled in either way.
int CheckMatrixSize(const Sheet& sheet, const Selection& selection, int& cases, int& variables,
                    IVector& list);

// Copies the cells of rows top..bottom of the listed columns into m:
// transposed, row k is variable k; else row q is case q. Returns 0, or 4 at
// the first cell that is not a number.
int SelectionToFMatrix(const Sheet& sheet, FMatrix& m, int top, int bottom, bool transposed,
                       const IVector& list, int count, char decimalSeparator);

}  // namespace varnel
