// The semi-logarithmic plot of the singular values against their rank order,
// with the guess zero threshold, on any paint device.
#pragma once

#include <QColor>
#include <QPoint>
#include <vector>

#include "core/real.h"

class QPainter;

namespace varnel {

struct SvPlotColors {
  QColor Background{128, 128, 128};  // button shadow
  QColor Text{255, 255, 255};        // button highlight
};

// values: the singular values, largest first (at least two). width and
// height in pixels. Returns the centres of the markers.
std::vector<QPoint> PaintSingularValues(QPainter& p, int width, int height, const std::vector<Real>& values,
                                        Real guessZero, char decimalSeparator,
                                        const SvPlotColors& colors = {});

}  // namespace varnel
