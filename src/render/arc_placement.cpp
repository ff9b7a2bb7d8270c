#include "render/arc_placement.h"

#include <cmath>

namespace kestril {

namespace {

struct Matrix {
  double m00, m01, m10, m11;
  double Det() const { return m00 * m11 - m01 * m10; }
};

Matrix Times(const Matrix& a, const Matrix& b) {
  return {a.m00 * b.m00 + a.m01 * b.m10, a.m00 * b.m01 + a.m01 * b.m11,
          a.m10 * b.m00 + a.m11 * b.m10, a.m10 * b.m01 + a.m11 * b.m11};
}

// The figure's own map from the unit circle: R(tilt) diag(radius, flatness * radius).
Matrix Shape(double radius, double flatness, double tilt) {
  const double c = std::cos(tilt), s = std::sin(tilt);
  const double g = flatness * radius;
  return {c * radius, -s * g, s * radius, c * g};
}

// A turn times a scale, possibly times the mirror diag(1, -1): true with the scale s,
// turn rho and whether it mirrors.
bool IsSimilarity(const Matrix& m, double& s, double& rho, bool& mirrors) {
  const double size = std::fabs(m.m00) + std::fabs(m.m01) + std::fabs(m.m10) + std::fabs(m.m11);
  const double tolerance = 1e-12 * size;
  mirrors = m.Det() < 0;
  const double a = mirrors ? m.m00 + m.m11 : m.m00 - m.m11;
  const double b = mirrors ? m.m01 - m.m10 : m.m01 + m.m10;
  if (!(std::fabs(a) <= tolerance && std::fabs(b) <= tolerance)) return false;
  s = std::hypot(m.m00, m.m10);
  rho = std::atan2(m.m10, m.m00);
  return s > 0;
}

// b = R(phi) diag(major, minor) R(theta), major >= minor >= 0, for det(b) >= 0.
struct Decomposed {
  double phi, major, minor, theta;
};

Decomposed Decompose(const Matrix& b) {
  const double e = (b.m00 + b.m11) / 2, f = (b.m00 - b.m11) / 2;
  const double g = (b.m10 + b.m01) / 2, h = (b.m10 - b.m01) / 2;
  const double q = std::hypot(e, h), r = std::hypot(f, g);
  const double a1 = std::atan2(g, f), a2 = std::atan2(h, e);
  return {(a2 + a1) / 2, q + r, q - r, (a2 - a1) / 2};
}

Matrix PlacementMatrix(const BlockPlacement& at) {
  return {at.m00, at.m01, at.m10, at.m11};
}

// The ellipse of `stored` under m: centre left to the caller. Sets `reversed` when the
// image's parameter runs against the stored one's, and `offset` to the parameter shift.
ArcFigure PlacedShape(const Matrix& m, const ArcFigure& stored, bool& reversed, double& offset) {
  ArcFigure out = stored;
  double s = 0, rho = 0;
  bool mirrors = false;
  if (IsSimilarity(m, s, rho, mirrors)) {
    // s R(rho) [F] R(tilt) D u(t): a mirror F turns the tilt back and the parameter round.
    out.radius = stored.radius * s;
    out.tilt = mirrors ? rho - stored.tilt : stored.tilt + rho;
    reversed = mirrors;
    offset = 0;
    return out;
  }
  Matrix b = Times(m, Shape(stored.radius, stored.flatness, stored.tilt));
  // B u(t) = (B F) u(-t): with the mirror F = diag(1, -1) taken into the parameter, what
  // is left turns and scales without mirroring.
  reversed = b.Det() < 0;
  if (reversed) b = {b.m00, -b.m01, b.m10, -b.m11};
  const Decomposed d = Decompose(b);
  out.radius = d.major;
  out.flatness = d.major > 0 ? d.minor / d.major : 1;
  out.tilt = d.phi;
  offset = d.theta;
  return out;
}

double Direction(const Matrix& m, double angle) {
  const double x = std::cos(angle), y = std::sin(angle);
  return std::atan2(m.m10 * x + m.m11 * y, m.m00 * x + m.m01 * y);
}

// Into [0, 2 pi).
double Turn(double a) {
  a = std::fmod(a, kTwoPi);
  return a < 0 ? a + kTwoPi : a;
}

}  // namespace

ArcFigure PlaceArc(const BlockPlacement& at, const ArcFigure& stored) {
  if (!at.InBlock) return stored;
  bool reversed = false;
  double offset = 0;
  ArcFigure out = PlacedShape(PlacementMatrix(at), stored, reversed, offset);
  out.centre = at.Place(stored.centre);
  out.start = (reversed ? -stored.start : stored.start) + offset;
  out.sweep = reversed ? -stored.sweep : stored.sweep;
  return out;
}

ArcFigure PlaceCircleSolid(const BlockPlacement& at, const ArcFigure& stored, double& scaleOut) {
  scaleOut = 1;
  if (!at.InBlock) return stored;
  ArcFigure shape = stored;
  if (shape.flatness == 0) shape.flatness = 1;
  const Matrix m = PlacementMatrix(at);
  bool reversed = false;
  double offset = 0;
  ArcFigure out = PlacedShape(m, shape, reversed, offset);
  out.centre = at.Place(stored.centre);
  scaleOut = stored.radius != 0 ? out.radius / stored.radius : 1;
  // The ends are directions: turn both, and keep the whole turns of the sweep. A mirror
  // runs the image the other way round.
  const bool mirrors = m.Det() < 0;
  const double end = stored.start + stored.sweep;
  out.start = Direction(m, stored.start);
  const double endOut = Direction(m, end);
  const double turns = std::trunc(stored.sweep / kTwoPi);
  const bool forward = (stored.sweep >= 0) != mirrors;
  const double rest = forward ? Turn(endOut - out.start) : -Turn(out.start - endOut);
  out.sweep = (mirrors ? -turns : turns) * kTwoPi + rest;
  return out;
}

}  // namespace kestril
