#include "graphs/pagemetrics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace varnel {

PageMetrics SetupPageMetrics(TargetKind kind, int w, int h, int screenDpi, const PrinterPage& printer) {
  PageMetrics m;
  m.W = w;
  m.H = h;
  m.CentreX = w / 2;
  m.CentreY = h / 2;
  m.UnitScale = static_cast<Real>(w) * 0.3L;
  m.StereoUnitScale = m.UnitScale;
  m.TargetDpi = kind == TargetKind::Printer ? printer.DpiY : screenDpi;
  if (m.TargetDpi <= 0) m.TargetDpi = 96;
  const Real pageInches = static_cast<Real>(printer.Height) / static_cast<Real>(std::max(printer.DpiY, 1));
  m.DeviceScale = kind == TargetKind::Printer || pageInches <= 0
                      ? 1.0L
                      : (static_cast<Real>(h) / static_cast<Real>(m.TargetDpi)) / pageInches;
  return m;
}

int RoundPixel(Real v) {
  constexpr Real Bound = 1e8L;
  if (!IsFinite(v)) return v > 0 ? static_cast<int>(Bound) : -static_cast<int>(Bound);
  // nearbyint on long double is a library call and dominated the painting
  // of large sets. Adding and taking away 2^63 rounds the same way in the
  // 64-bit mantissa (to nearest, ties to even): beyond 2^63 the steps are 1.
  constexpr Real Shift = 9223372036854775808.0L;  // 2^63
  const Real c = std::clamp(v, -Bound, Bound);
  const Real rounded = c >= 0 ? (c + Shift) - Shift : (c - Shift) + Shift;
  return static_cast<int>(rounded);
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = (c > 0 ? c : -c) / 2;
  const bool negative = (p < 0) != (c < 0);
  const std::int64_t q = ((p < 0 ? -p : p) + half) / (c > 0 ? c : -c);
  return static_cast<int>(negative ? -q : q);
}

int PenWidthPixels(int tenthsMm, const PageMetrics& m) {
  return std::max(1, RoundPixel(static_cast<Real>(MulDiv(tenthsMm, m.TargetDpi, 254)) * m.DeviceScale));
}

SymbolGeometry SymbolMetrics(int tenthsMm, const PageMetrics& m) {
  SymbolGeometry g;
  g.S = MulDiv(tenthsMm, m.TargetDpi, 254);
  g.R = std::max(1, RoundPixel(static_cast<Real>(g.S) * m.DeviceScale / 2));
  g.W = std::max(1, RoundPixel(static_cast<Real>(g.R) / 5));
  return g;
}

QSize ScreenPageSize(bool fitToWindow, QSize scrollArea, int screenDpi, const PrinterPage& printer) {
  const int w =
      fitToWindow ? scrollArea.width() - 30 : MulDiv(printer.Width, screenDpi, std::max(printer.DpiX, 1));
  int width = std::max(w, 1);
  int height = std::max(1, RoundPixel(static_cast<Real>(width) / printer.PageAspect()));
  // Fitting a short window: the height decides, so that the whole page with
  // its border and shadow shows without scrolling.
  const int room = scrollArea.height() - FitMarginY;
  if (fitToWindow && height > room && room > 0) {
    height = room;
    width = std::max(1, RoundPixel(static_cast<Real>(height) * printer.PageAspect()));
  }
  return {width, height};
}

bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r) {
  qreal t0 = 0, t1 = 1;
  const qreal dx = b.x() - a.x(), dy = b.y() - a.y();
  const qreal p[4] = {-dx, dx, -dy, dy};
  const qreal q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const qreal t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const QPointF start = a;
  a = start + t0 * QPointF(dx, dy);
  b = start + t1 * QPointF(dx, dy);
  return true;
}

}  // namespace varnel
