#include "graphs/projection.h"

#include <cmath>

#include "graphs/pagemetrics.h"

namespace varnel {

TriangleMapping MapTriangle(Real unitScale, Real scale, int centreX, int centreY) {
  TriangleMapping m;
  m.FT = unitScale * scale * TriangleFactor;
  m.X0 = RoundPixel(static_cast<Real>(centreX) - 0.5L * m.FT);
  m.Y0 = RoundPixel(0.433L * m.FT + static_cast<Real>(centreY));
  return m;
}

void TrianglePixel(const TriangleMapping& m, Real x, Real y, int& px, int& py) {
  px = RoundPixel(x * m.FT + static_cast<Real>(m.X0));
  py = RoundPixel(-y * m.FT + static_cast<Real>(m.Y0));
}

Point3 TetToCartesian(Real a, Real b, Real c, Real /*d*/) {
  // These divisors are the ones the diagrams have always been drawn with;
  // they differ from sqrt(2/3) and 2 sqrt(2)/3 in the fifth digit.
  Point3 p;
  p.X = ((a - 0.25L) + (c - 0.25L) / 2 + (b - 0.25L) / 2) / 0.8165027307037L;
  p.Y = ((c - 0.25L) + (b - 0.25L) / 3) / 0.9428161427317L;
  p.Z = b - 0.25L;
  return p;
}

Projected ProjectView(const Point3& p, int mode, const ViewAngles& view) {
  const Real s = mode == 0 ? 0.0L : mode == 1 ? -view.Gamma : view.Gamma;
  const Real ca = std::cos(view.Alpha), sa = std::sin(view.Alpha);
  const Real x1 = ca * p.X - sa * p.Y;
  const Real y1 = sa * p.X + ca * p.Y;
  const Real ct = std::cos(view.Theta), st = std::sin(view.Theta);
  const Real v = ct * y1 + st * p.Z;
  const Real w = ct * p.Z - st * y1;
  const Real cs = std::cos(std::fabs(s) / 2), ss = std::sin(s / 2);
  Projected out;
  out.Depth = cs * w + ss * x1;
  const Real h = cs * x1 - ss * w;
  const Real e = view.EyeDistance;
  out.PX = h * e / (e - out.Depth);
  out.PY = v * e / (e - out.Depth);
  return out;
}

}  // namespace varnel
