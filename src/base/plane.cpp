#include "base/plane.h"

#include <cmath>
#include <limits>

namespace kestril {

int32_t RoundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  // rint follows the default rounding mode, round-to-nearest with ties to even.
  return static_cast<int32_t>(std::rint(v));
}

TaPoint ToDevicePoints(std::span<const TaPoint2D> points) {
  TaPoint out;
  out.reserve(points.size());
  for (const TaPoint2D& p : points) out.push_back({RoundHalfEven(p.x), RoundHalfEven(p.y)});
  return out;
}

double NormalizeAngle(double a) {
  if (!std::isfinite(a)) return 0;
  // Far from the circle, stepping by whole turns would take forever (or never move
  // the value); fold it first. Ordinary angles keep the exact stepping below.
  if (std::fabs(a) > 64 * kPi) a = std::fmod(a, kTwoPi);
  while (a >= kTwoPi) a -= kTwoPi;
  while (a < 0) a += kTwoPi;
  if (a < 1e-10) return 0;
  if (a > 6.2831853071) return 0;
  return a;
}

bool RotateAboutPoint(const TaPoint2D& centre, TaPoint2D& p, double a) {
  if (a == 0) return true;
  const double dx = p.x - centre.x;
  const double dy = p.y - centre.y;
  const double c = std::cos(a);
  const double s = std::sin(a);
  p.x = centre.x + c * dx + s * dy;
  p.y = centre.y + c * dy - s * dx;
  return true;
}

double Distance(const TaPoint2D& a, const TaPoint2D& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  if (dx == 0 && dy == 0) return 0;
  return std::sqrt(dx * dx + dy * dy);
}

namespace {
double Direction(const TaPoint2D& from, const TaPoint2D& to) {
  return std::atan2(to.y - from.y, to.x - from.x);
}
}  // namespace

double AngleAt(const TaPoint2D& p, const TaPoint2D& c, const TaPoint2D& q) {
  double a = Direction(c, q) - Direction(c, p);
  while (a >= kTwoPi) a -= kTwoPi;
  while (a < 0) a += kTwoPi;
  return a;
}

double SignedDistance(const TaPoint2D& a, const TaPoint2D& b, const TaPoint2D& c) {
  if (b.x - a.x == 0 && b.y - a.y == 0) return 0;
  const double theta = Direction(a, b);
  const double phi = NormalizeAngle(theta + kThreeHalfPi);
  if (phi == theta) return 0;
  const TaPoint2D h{c.x + 100 * std::cos(phi), c.y + 100 * std::sin(phi)};
  const double u = h.x - a.x;
  const double v = h.y - a.y;
  const double k = (std::cos(phi) * v - std::sin(phi) * u) / std::sin(theta + kTwoPi - phi);
  const TaPoint2D foot{a.x + k * std::cos(theta), a.y + k * std::sin(theta)};
  const double magnitude = Distance(foot, c);
  const double side = AngleAt(c, a, b);
  return (side <= kHalfPi || side >= kThreeHalfPi) ? magnitude : -magnitude;
}

bool OffsetSegment(TaPoint2D& s, TaPoint2D& e, double d) {
  if (std::fabs(e.x - s.x) < 1e-7 && std::fabs(e.y - s.y) < 1e-7) return false;
  if (std::fabs(d) <= 1e-9) return true;
  const double n = NormalizeAngle(Direction(s, e) + kHalfPi);
  const double ox = d * std::cos(n);
  const double oy = d * std::sin(n);
  s = {s.x + ox, s.y + oy};
  e = {e.x + ox, e.y + oy};
  return true;
}

}  // namespace kestril
