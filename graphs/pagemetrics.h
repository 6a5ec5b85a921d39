// The size and resolution of a drawing target, and the printed page every
// target is a scaled copy of.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>

#include "core/real.h"

namespace varnel {

// The printer's page: its size in device pixels and its resolution. Without
// a printer the page is A4 landscape at 600 dots per inch.
struct PrinterPage {
  int Width = 7016;
  int Height = 4961;
  int DpiX = 600;
  int DpiY = 600;
  Real PageAspect() const { return static_cast<Real>(Width) / static_cast<Real>(Height); }
};

enum class TargetKind { Screen = 0, Printer = 1, Metafile = 2, Bitmap = 3 };

struct PageMetrics {
  int W = 0;
  int H = 0;
  int CentreX = 0;
  int CentreY = 0;
  Real UnitScale = 0;        // pixels per triangle or tetrahedron unit before zoom
  Real StereoUnitScale = 0;  // the copy the stereo separation is measured in
  int TargetDpi = 96;
  Real DeviceScale = 1;  // the target's height relative to the printed page
};

// Metrics of a target of w x h pixels; screenDpi is the logical resolution of
// the screen (used for every kind but the printer).
PageMetrics SetupPageMetrics(TargetKind kind, int w, int h, int screenDpi, const PrinterPage& printer);

// Nearest integer, ties to even, for pixel positions; values far off any page
// are held at a large bound instead of overflowing.
int RoundPixel(Real v);

// a x b / c rounded half away from zero, as the page sizes are converted.
int MulDiv(int a, int b, int c);

// A pen width given in 0.1 mm on the page, in target pixels (at least 1).
int PenWidthPixels(int tenthsMm, const PageMetrics& m);

// A symbol of size tenthsMm (0.1 mm on the page) on a target: S in target
// dots, the half-width R in pixels and the outline width W.
struct SymbolGeometry {
  int S = 0;
  int R = 1;
  int W = 1;
};
SymbolGeometry SymbolMetrics(int tenthsMm, const PageMetrics& m);

// The on-screen page: with fitToWindow the width follows the scroll area,
// otherwise the printed page at its real size; the height follows the
// printer's page shape.
// Fitted, the page keeps 30 pixels of the area's width and FitMarginY of its
// height free for its border and shadow, and shows whole.
inline constexpr int FitMarginY = 20;
QSize ScreenPageSize(bool fitToWindow, QSize scrollArea, int screenDpi, const PrinterPage& printer);

// Cuts the segment a-b to the rectangle (Liang-Barsky); false when nothing
// of it lies inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r);

}  // namespace varnel
