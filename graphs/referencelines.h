// Reference lines and fields: published boundaries (a series divide, the
// fields of a classification) read from a small text file of compositions
// and drawn under the points of the triangle and the tetrahedron.
//
// The file, in UTF-8 or plain ASCII:
//
//   # comment lines start with '#'
//   line Tholeiitic / calc-alkaline      (a polyline; the rest of the line is its label)
//   10  38  52                           (one composition per line: the values of the
//   12  45  43                            apexes A, B, C and, for the tetrahedron, D,
//                                         separated by blanks, tabs, commas or semicolons,
//                                         with a decimal point)
//   field Dunite                         (a closed polygon)
//   ...
//
// A block ends at the next "line" or "field" line; blank lines are ignored.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "core/real.h"

namespace varnel {

struct ReferenceShape {
  bool Closed = false;  // a field (polygon) rather than a line
  QString Label;
  // The compositions as given: A, B, C and D (0 when the file gives three).
  std::vector<std::array<Real, 4>> Points;
};

struct ReferenceSet {
  std::vector<ReferenceShape> Shapes;
  bool empty() const { return Shapes.empty(); }
};

// Reads the text of a reference file; false with a message naming the line
// when it is not one (nothing is kept then).
bool ParseReferenceText(const QByteArray& text, ReferenceSet& out, QString* error);
// Reads the file; false with the reason (the file's name included).
bool ReadReferenceFile(const QString& path, ReferenceSet& out, QString* error);

// The largest files and shapes the reader takes: a reference file is a few
// boundaries, not a dataset.
inline constexpr int MaxReferenceShapes = 1000;
inline constexpr int MaxReferencePoints = 100000;

}  // namespace varnel
