// The semi-logarithmic plot of the singular values against their rank order,
// with the guess zero threshold, on any paint device.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <vector>

#include "core/real.h"

class QPainter;

namespace varnel {

struct SvPlotColors {
  QColor Background{128, 128, 128};  // button shadow
  QColor Text{255, 255, 255};        // button highlight
};

// Where the plot put things, in the painter's logical pixels.
struct SvPlotGeometry {
  QRect Frame;                 // the axes: left and bottom edges
  std::vector<QPoint> Points;  // the centres of the markers, largest value first
  int Decade = 0;              // the height of one decade
};

// values: the singular values, largest first (at least two). width and
// height in the painter's logical pixels; lines, markers and text keep their
// size in those units, so the plot scales with the device's pixel ratio.
SvPlotGeometry PaintSingularValues(QPainter& p, int width, int height, const std::vector<Real>& values,
                                   Real guessZero, char decimalSeparator, const SvPlotColors& colors = {});

}  // namespace varnel
