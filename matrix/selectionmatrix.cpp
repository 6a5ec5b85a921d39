#include "matrix/selectionmatrix.h"

#include <algorithm>

#include "core/computationerror.h"
#include "core/numberread.h"

namespace varnel {

int UntaggedVariables(const Sheet& sheet, IVector& list) {
  int count = 0;
  for (int c = 1; c < sheet.ColCount(); ++c) {
    if (sheet.IsTagged(c)) continue;
    ++count;
    if (count <= MaxMatrixDim) list[count] = c;
  }
  return count;
}

int CheckMatrixSize(const Sheet& sheet, const Selection& selection, int& cases, int& variables,
                    IVector& list) {
  const int top = std::max(selection.Top, 1);
  cases = selection.Bottom - top + 1;
  variables = UntaggedVariables(sheet, list);
  if (cases < 2 || variables < 2) return CodeNoMatrix;
  if (cases > MaxMatrixDim || variables > MaxMatrixDim) return CodeTooLarge;
  return 0;
}

int SelectionToFMatrix(const Sheet& sheet, FMatrix& m, int top, int bottom, bool transposed,
                       const IVector& list, int count, char decimalSeparator) {
  for (int k = 1; k <= count; ++k) {
    for (int r = top; r <= bottom; ++r) {
      Real value;
      if (!ReadNumber(sheet.Cell(list[k], r), decimalSeparator, value)) return CodeNotNumeric;
      if (transposed)
        m(k, r - top + 1) = value;
      else
        m(r - top + 1, k) = value;
    }
  }
  return 0;
}

}  // namespace varnel
