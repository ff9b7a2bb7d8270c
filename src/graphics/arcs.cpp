#include "graphics/arcs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "graphics/device_draw.h"
#include "graphics/style_line.h"

namespace kestril {

namespace {

constexpr double kFiveDegrees = kPi / 36;
constexpr double kTwentyDegrees = kPi / 9;

// Pieces of a far-reaching curve are kept short enough that the cubic stays within a
// quarter pixel of it, and never more than this many per visible stretch.
constexpr double kFarPieceError = 0.25;
constexpr int kMaxFarPieces = 4096;

// The outline c + a cos t + b sin t in device pixels.
struct DeviceEllipse {
  TaPoint2D c;
  TaPoint2D a;
  TaPoint2D b;

  TaPoint2D At(double t) const {
    const double co = std::cos(t), si = std::sin(t);
    return {c.x + a.x * co + b.x * si, c.y + a.y * co + b.y * si};
  }
  TaPoint2D Tangent(double t) const {
    const double co = std::cos(t), si = std::sin(t);
    return {b.x * co - a.x * si, b.y * co - a.y * si};
  }
  // No semi-axis is longer than this.
  double Reach() const { return std::hypot(std::hypot(a.x, a.y), std::hypot(b.x, b.y)); }
  bool Finite() const { return IsFinite(c) && IsFinite(a) && IsFinite(b); }
};

// A device point as the canvas takes it. Points of far stretches are held within twice
// the far margin, so that imprecise far-off values can never overflow a coordinate.
TPoint ToCanvas(const Canvas& canvas, const TaPoint2D& p) {
  const TDeviceRect r = GrownCanvasRect(canvas, 2 * kFarMargin);
  return {RoundHalfEven(std::clamp(p.x, r.left, r.right)),
          RoundHalfEven(std::clamp(p.y, r.top, r.bottom))};
}

// Whether the exact pieces of the whole outline fit well inside the far rectangle: the
// control points of pieces up to 90 degrees stay within 1.2 semi-axes of the centre.
bool TracesExactly(const Canvas& canvas, const DeviceEllipse& e) {
  const double reach = 1.2 * e.Reach();
  const TDeviceRect far = GrownCanvasRect(canvas, kFarMargin);
  return e.c.x - reach >= far.left && e.c.x + reach <= far.right && e.c.y - reach >= far.top &&
         e.c.y + reach <= far.bottom;
}

// The parameter stretches of [t0, t1] (at most a turn) where the outline lies inside r.
std::vector<std::array<double, 2>> StretchesInside(const DeviceEllipse& e, double t0, double t1,
                                                   const TDeviceRect& r) {
  std::vector<double> cuts{t0, t1};
  // c + A cos(t - phi) = edge, for each edge of r.
  const auto crossings = [&](double c, double ax, double bx, double edge) {
    const double amplitude = std::hypot(ax, bx);
    if (!(amplitude > 0)) return;
    const double q = (edge - c) / amplitude;
    if (!(std::fabs(q) <= 1)) return;
    const double phi = std::atan2(bx, ax);
    const double d = std::acos(q);
    for (double base : {phi + d, phi - d}) {
      double t = t0 + std::fmod(std::fmod(base - t0, kTwoPi) + kTwoPi, kTwoPi);
      for (int turn = 0; turn < 2 && t <= t1; ++turn, t += kTwoPi) cuts.push_back(t);
    }
  };
  crossings(e.c.x, e.a.x, e.b.x, r.left);
  crossings(e.c.x, e.a.x, e.b.x, r.right);
  crossings(e.c.y, e.a.y, e.b.y, r.top);
  crossings(e.c.y, e.a.y, e.b.y, r.bottom);
  std::sort(cuts.begin(), cuts.end());

  std::vector<std::array<double, 2>> out;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    const double u = cuts[i], v = cuts[i + 1];
    if (!(v > u) || !Inside(e.At((u + v) / 2), r)) continue;
    if (!out.empty() && out.back()[1] == u) {
      out.back()[1] = v;
    } else {
      out.push_back({u, v});
    }
  }
  return out;
}

// Traces the parts of e between parameters t0 and t1 that come within the far margin
// of the canvas, each as a figure of cubic pieces.
void TraceNearCanvas(Canvas& canvas, const DeviceEllipse& e, double t0, double t1) {
  if (t1 < t0) std::swap(t0, t1);
  t1 = std::min(t1, t0 + kTwoPi);
  // The radial error of a cubic over angle w is about 2.7e-4 R (w / (pi/2))^6. Path
  // flattening splits a piece into at most 256 chords, which stay within a quarter pixel
  // of the curve when each is at most sqrt(2 R) long.
  const double reach = e.Reach();
  const double maxPiece =
      std::min({kHalfPi, kHalfPi * std::pow(kFarPieceError / (2.7e-4 * reach), 1.0 / 6),
                256 * std::sqrt(2 / reach)});
  for (const auto& [u, v] : StretchesInside(e, t0, t1, GrownCanvasRect(canvas, kFarMargin))) {
    const int pieces = static_cast<int>(
        std::clamp(std::ceil((v - u) / maxPiece), 1.0, static_cast<double>(kMaxFarPieces)));
    const double w = (v - u) / pieces;
    const double k = 4.0 / 3.0 * std::tan(w / 4);
    canvas.MoveTo(ToCanvas(canvas, e.At(u)));
    for (int i = 0; i < pieces; ++i) {
      const double from = u + i * w;
      const double to = i + 1 == pieces ? v : from + w;
      const TaPoint2D p0 = e.At(from), p3 = e.At(to);
      const TaPoint2D d0 = e.Tangent(from), d3 = e.Tangent(to);
      const std::array<TPoint, 3> points{ToCanvas(canvas, {p0.x + k * d0.x, p0.y + k * d0.y}),
                                         ToCanvas(canvas, {p3.x - k * d3.x, p3.y - k * d3.y}),
                                         ToCanvas(canvas, p3)};
      canvas.PolyBezierTo(points);
    }
  }
}

// Sweeps beyond a full turn only trace the same outline again.
double OneTurnAtMost(double sweep) {
  return std::clamp(sweep, -kTwoPi, kTwoPi);
}

DeviceEllipse CircleOutline(TaPoint2D centre, double rx, double ry) {
  return {centre, {rx, 0}, {0, -ry}};
}

}  // namespace

void DrawBezierQuadrant(Canvas& canvas, TaPoint2D centre, double rx, double ry, bool moveFirst,
                        double sweep, double start) {
  const double cx = centre.x, cy = centre.y;
  if (sweep == 0) {
    const TPoint p{RoundHalfEven(cx + rx * std::cos(start)),
                   RoundHalfEven(cy - ry * std::sin(start))};
    // A move and a line to the same point: the figure of a zero-length line.
    const std::array<TPoint, 2> line{p, p};
    if (moveFirst) canvas.MoveTo(p);
    canvas.Polyline(line);
    return;
  }
  const double h = sweep / 2;
  const double s = std::sin(h);
  if (std::fabs(s) < 1e-11) return;
  const double c = std::cos(h);
  const double k = 4 * (1 - c) / 3;
  const double inner = s - c * k / s;
  const std::array<TaPoint2D, 4> unit{TaPoint2D{c, s}, {c + k, inner}, {c + k, -inner}, {c, -s}};
  const double m = start + h;
  const double cm = std::cos(m), sm = std::sin(m);
  std::array<TPoint, 4> points;
  for (size_t i = 0; i < unit.size(); ++i) {
    const TaPoint2D& u = unit[i];
    points[i] = {RoundHalfEven(cx + rx * (cm * u.x + sm * u.y) - 0.0001),
                 RoundHalfEven(cy + ry * (-sm * u.x + cm * u.y) - 0.0001)};
  }
  if (moveFirst) canvas.MoveTo(points[0]);
  canvas.PolyBezierTo(std::span<const TPoint>(points).subspan(1));
}

void DrawBezierArc(Canvas& canvas, TaPoint2D centre, double rx, double ry, TPoint& startPoint,
                   double sweep, double start) {
  startPoint = {RoundHalfEven(centre.x + rx * std::cos(start)),
                RoundHalfEven(centre.y - ry * std::sin(start))};
  const DeviceEllipse outline = CircleOutline(centre, rx, ry);
  if (!outline.Finite() || !std::isfinite(sweep) || !std::isfinite(start)) return;
  sweep = OneTurnAtMost(sweep);
  if (!TracesExactly(canvas, outline)) {
    TraceNearCanvas(canvas, outline, start, start + sweep);
    return;
  }
  bool moveFirst = true;
  while (sweep > kHalfPi) {
    DrawBezierQuadrant(canvas, centre, rx, ry, moveFirst, kHalfPi, start);
    sweep -= kHalfPi;
    start += kHalfPi;
    moveFirst = false;
  }
  while (sweep < -kHalfPi) {
    DrawBezierQuadrant(canvas, centre, rx, ry, moveFirst, -kHalfPi, start);
    sweep += kHalfPi;
    start -= kHalfPi;
    moveFirst = false;
  }
  DrawBezierQuadrant(canvas, centre, rx, ry, moveFirst, sweep, start);
}

void DrawEllipsePiece(Canvas& canvas, double from, double to, TaPoint2D centre, double rx,
                      double flatness, double tilt) {
  const double d = to - from;
  if (!(std::fabs(d) >= 1e-12)) return;
  const double ct = std::cos(tilt), st = std::sin(tilt);
  const double ry = flatness * rx;
  const DeviceEllipse outline{centre, {rx * ct, rx * st}, {-ry * st, ry * ct}};
  if (!outline.Finite() || !std::isfinite(from)) return;
  // Longer pieces than the callers' 20 degrees would lose the closed form's precision.
  if (!TracesExactly(canvas, outline) || std::fabs(d) > kHalfPi) {
    TraceNearCanvas(canvas, outline, from, to);
    return;
  }
  const double si = std::sin(d), co = std::cos(d);
  const double ch = std::cos(d / 2), sh = std::sin(d / 2);
  const double bulge = 4 * co * (co + 1 - 2 * ch) / (3 * si);
  const std::array<TaPoint2D, 4> unit{TaPoint2D{1, 0},
                                      {1, -bulge + 4 * (2 * sh - si) / 3},
                                      {(8 * ch - co - 4) / 3, si + bulge},
                                      {co, si}};
  const double ca = std::cos(from), sa = std::sin(from);
  std::array<TPoint, 4> points;
  for (size_t i = 0; i < unit.size(); ++i) {
    const TaPoint2D& u = unit[i];
    const double x = rx * (u.x * ca - u.y * sa);
    const double y = ry * (u.x * sa + u.y * ca);
    points[i] = {RoundHalfEven(centre.x + x * ct - y * st),
                 RoundHalfEven(centre.y + x * st + y * ct)};
  }
  canvas.PolyBezier(points);
}

void DrawCircleArc(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t fullCircle,
                   double radius, double start, double sweep, const TViewTransform& view) {
  if (style.Canvas == nullptr) return;
  const TaPoint2D c = ToDevice(view, centre);
  const double r = radius * view.Scale;
  if (view.YAxisFactor >= 0) {
    start = -start;
    sweep = -sweep;
  }
  if (fullCircle == 1) {
    start = 0;
    sweep = kTwoPi;
  } else if (sweep < 0) {
    start += sweep;
    if (start < 0) start += kTwoPi;
    sweep = -sweep;
  }
  SetSolidPen(*style.Canvas, style.Color, PenWidthOf(style.Width));
  TPoint startPoint;
  DrawBezierArc(*style.Canvas, c, r, r, startPoint, sweep, start);
}

void DrawEllipseArc(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t fullCircle,
                    double radius, double start, double sweep, double flatness, double tilt,
                    const TViewTransform& view) {
  if (style.Canvas == nullptr) return;
  const TaPoint2D c = ToDevice(view, centre);
  const double rx = radius * view.Scale;
  // Device angles run clockwise on the picture.
  double tiltDevice = -tilt;
  if (view.YAxisFactor >= 0) {
    start = -start;
    sweep = -sweep;
    tiltDevice = tilt;
  }
  sweep = OneTurnAtMost(sweep);
  double from, to;
  if (sweep >= 0) {
    from = kTwoPi - (start + sweep);
    to = kTwoPi - start;
  } else {
    from = kTwoPi - start;
    to = from - sweep;
  }
  if (fullCircle == 1) {
    from = 0;
    to = kTwoPi;
  }
  SetSolidPen(*style.Canvas, style.Color, PenWidthOf(style.Width));
  if (!std::isfinite(from) || !std::isfinite(to)) return;
  const double n = std::trunc((to - from) / kTwentyDegrees);
  for (int g = 0; g < n; ++g) {
    DrawEllipsePiece(*style.Canvas, from + g * kTwentyDegrees, from + (g + 1) * kTwentyDegrees, c,
                     rx, flatness, tiltDevice);
  }
  if ((to - from) - n * kTwentyDegrees > 0.0001) {
    DrawEllipsePiece(*style.Canvas, from + n * kTwentyDegrees, to, c, rx, flatness, tiltDevice);
  }
}

void DrawRandomArc(const TStyleLineCanvas& style, TaPoint2D centre, double radius, double start,
                   double sweep, double flatness, double tilt, std::span<const double> shape,
                   int32_t amplitude, int32_t pitch, uint8_t /*fullCircle*/,
                   const TViewTransform& view) {
  if (style.Canvas == nullptr) return;
  if (!std::isfinite(sweep) || !std::isfinite(start)) return;
  const double rx = radius;
  const double ry = flatness == 0 ? radius : radius * flatness;
  sweep = OneTurnAtMost(sweep);
  const int count = RoundHalfEven(std::fabs(sweep) / kFiveDegrees) + 1;
  const double step = sweep > 0 ? kFiveDegrees : sweep < 0 ? -kFiveDegrees : 0.0;
  const double ct = std::cos(tilt), st = std::sin(tilt);
  double angle = start;
  TaPoint2D previous;
  for (int k = 0; k <= count; ++k) {
    if (k == count) angle = start + sweep;
    const double dx = rx * std::cos(angle), dy = ry * std::sin(angle);
    const TaPoint2D p{centre.x + dx * ct - dy * st, centre.y + dx * st + dy * ct};
    angle += step;
    if (k >= 1) DrawRandomLine(style, previous, p, shape, amplitude, pitch, view);
    previous = p;
  }
  style.Canvas->SetBrush(Brush{kWhite, BrushStyle::Clear});
}

}  // namespace kestril
