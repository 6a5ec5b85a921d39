// Barycentric coordinates in the triangle and the tetrahedron, and the
// perspective view of the tetrahedron.
#pragma once

#include "core/real.h"

namespace varnel {

inline constexpr Real Sin60 = 0.866025403784438646763723170752936183L;
inline constexpr Real TriangleFactor = 1.5L;
inline constexpr Real DegreesToRadians = 3.14159265358979323846264338327950288L / 180.0L;

struct TriPoint {
  Real X = 0;
  Real Y = 0;  // up positive
  bool Plotted = false;
  bool Negative = false;
  // A sum, quotient or scaled value left the extended range: never drawn.
  bool Undefined = false;
  bool MissingA = false;
  bool MissingB = false;
  bool MissingC = false;
};

struct TetPoint {
  bool Plotted = false;
  bool Negative = false;
  // As for TriPoint, and also a perspective that divides by nothing.
  bool Undefined = false;
  bool MissingA = false;
  bool MissingB = false;
  bool MissingC = false;
  bool MissingD = false;
};

struct Point3 {
  Real X = 0;
  Real Y = 0;
  Real Z = 0;
};

struct Projected {
  Real PX = 0;
  Real PY = 0;     // down positive
  Real Depth = 0;  // towards the eye
};

// The triangle position of normalised values a, b (c is what remains).
inline void TriangleXY(Real a, Real b, Real& x, Real& y) {
  x = a + 0.5L * b;
  y = 0.8660254037844L * b;
}

// Where the triangle's units land on a page: FT pixels per unit, the corner
// C at the pixel (X0, Y0), or exactly at (ExactX0, ExactY0) for pictures
// that keep fractions of a pixel.
struct TriangleMapping {
  Real FT = 0;
  int X0 = 0;
  int Y0 = 0;
  Real ExactX0 = 0;
  Real ExactY0 = 0;
};
TriangleMapping MapTriangle(Real unitScale, Real scale, int centreX, int centreY);
void TrianglePixel(const TriangleMapping& m, Real x, Real y, int& px, int& py);

// The tetrahedron's space: B on top, the centroid at the origin. The inputs
// sum to 1; d follows from the others.
Point3 TetToCartesian(Real a, Real b, Real c, Real d);

// The eye: the two rotation angles and the stereo turn (radians) and the
// distance of the eye from the centroid.
struct ViewAngles {
  Real Alpha = 21.0L * DegreesToRadians;
  Real Theta = -54.0L * DegreesToRadians;
  Real Gamma = 5.0L * DegreesToRadians;
  Real EyeDistance = 5.0L;
};

// mode 0 single view, 1 left view of a pair, 2 right view.
Projected ProjectView(const Point3& p, int mode, const ViewAngles& view);

// The sines and cosines of one view, worked out once for all the points.
struct ViewRotation {
  ViewRotation(int mode, const ViewAngles& view);
  Real CosAlpha, SinAlpha, CosTheta, SinTheta, CosTurn, SinTurn, Eye;
};
Projected ProjectView(const Point3& p, const ViewRotation& r);

// Whether every coordinate has a value inside the extended range.
inline bool IsFinitePoint(const Point3& p) { return IsFinite(p.X) && IsFinite(p.Y) && IsFinite(p.Z); }
inline bool IsFiniteProjection(const Projected& q) {
  return IsFinite(q.PX) && IsFinite(q.PY) && IsFinite(q.Depth);
}

}  // namespace varnel
