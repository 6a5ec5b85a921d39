#include "graphs/projection.h"

#include <cmath>

#include "graphs/pagemetrics.h"

namespace varnel {

TriangleMapping MapTriangle(Real unitScale, Real scale, int centreX, int centreY) {
  TriangleMapping m;
  m.FT = unitScale * scale * TriangleFactor;
  m.ExactX0 = static_cast<Real>(centreX) - 0.5L * m.FT;
  m.ExactY0 = 0.433L * m.FT + static_cast<Real>(centreY);
  m.X0 = RoundPixel(m.ExactX0);
  m.Y0 = RoundPixel(m.ExactY0);
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

ViewRotation::ViewRotation(int mode, const ViewAngles& view) {
  const Real s = mode == 0 ? 0.0L : mode == 1 ? -view.Gamma : view.Gamma;
  CosAlpha = std::cos(view.Alpha);
  SinAlpha = std::sin(view.Alpha);
  CosTheta = std::cos(view.Theta);
  SinTheta = std::sin(view.Theta);
  CosTurn = std::cos(std::fabs(s) / 2);
  SinTurn = std::sin(s / 2);
  Eye = view.EyeDistance;
}

Projected ProjectView(const Point3& p, const ViewRotation& r) {
  const Real x1 = r.CosAlpha * p.X - r.SinAlpha * p.Y;
  const Real y1 = r.SinAlpha * p.X + r.CosAlpha * p.Y;
  const Real v = r.CosTheta * y1 + r.SinTheta * p.Z;
  const Real w = r.CosTheta * p.Z - r.SinTheta * y1;
  Projected out;
  out.Depth = r.CosTurn * w + r.SinTurn * x1;
  const Real h = r.CosTurn * x1 - r.SinTurn * w;
  out.PX = h * r.Eye / (r.Eye - out.Depth);
  out.PY = v * r.Eye / (r.Eye - out.Depth);
  return out;
}

Projected ProjectView(const Point3& p, int mode, const ViewAngles& view) {
  return ProjectView(p, ViewRotation(mode, view));
}

}  // namespace varnel
