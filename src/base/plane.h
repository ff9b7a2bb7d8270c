// Plane geometry on points in drawing units, y axis up, angles in radians.
// The tolerances are part of the behaviour: they decide when a figure is degenerate.
#pragma once

#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

namespace kestril {

struct TaPoint2D {
  double x = 0;
  double y = 0;
  friend bool operator==(const TaPoint2D&, const TaPoint2D&) = default;
};

// An integer device point.
struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

using TaPoint = std::vector<TPoint>;

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2 * std::numbers::pi;
inline constexpr double kHalfPi = std::numbers::pi / 2;
inline constexpr double kThreeHalfPi = 3 * std::numbers::pi / 2;

// Rounds to the nearest integer, halves to even. Values outside the int32 range
// saturate and NaN gives 0, so hostile coordinates never reach undefined conversions.
int32_t RoundHalfEven(double v);

TaPoint ToDevicePoints(std::span<const TaPoint2D> points);

// An angle in [0, 2pi); values within about 1e-10 of 0 or of a full turn become 0.
double NormalizeAngle(double a);

// Turns p about centre by a; a positive a turns clockwise in the y-up plane.
bool RotateAboutPoint(const TaPoint2D& centre, TaPoint2D& p, double a);

double Distance(const TaPoint2D& a, const TaPoint2D& b);

// The angle at vertex c from direction c->p to direction c->q, in [0, 2pi).
double AngleAt(const TaPoint2D& p, const TaPoint2D& c, const TaPoint2D& q);

// Distance of c from the line through a and b; positive when c lies on the side of a
// towards b.
double SignedDistance(const TaPoint2D& a, const TaPoint2D& b, const TaPoint2D& c);

// Moves the segment s-e sideways by d along its left normal. Fails (and changes
// nothing) when the segment is shorter than 1e-7 in both x and y.
bool OffsetSegment(TaPoint2D& s, TaPoint2D& e, double d);

}  // namespace kestril
