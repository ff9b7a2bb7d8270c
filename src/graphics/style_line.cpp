#include "graphics/style_line.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

#include "graphics/device_draw.h"

namespace kestril {

namespace {

// A dash pattern that needs more steps than this per pixel of line cannot be shown
// dash by dash (and all-zero patterns make no progress at all): such lines are drawn
// solid. This also bounds the walk by the visible length.
constexpr double kMaxStepsPerPixel = 64;

// Random-line reach beyond this many pixels changes nothing on any canvas.
constexpr double kMaxReach = 1 << 16;

constexpr int kStepsPerPeriod = 32;

TaPoint2D Along(const TaPoint2D& origin, const TaPoint2D& dir, double t) {
  return {origin.x + t * dir.x, origin.y + t * dir.y};
}

void DrawSegment(Canvas& canvas, const TaPoint2D& from, const TaPoint2D& to) {
  const std::array<TaPoint2D, 2> points{from, to};
  DrawDevicePolyline(canvas, points);
}

// Lengths the walk can use: negative and NaN entries would walk backwards or stall, and
// count as 0.
double Usable(double v) {
  return v > 0 ? v : 0.0;
}

void WalkPattern(Canvas& canvas, std::span<const double> pattern, const TaPoint2D& a,
                 const TaPoint2D& b, double length, double theta, int32_t penWidth, Color color) {
  // A cycle always starts with a dash: an odd pattern needs two passes.
  const size_t cycleSteps = pattern.size() % 2 == 0 ? pattern.size() : 2 * pattern.size();
  const double period = std::accumulate(pattern.begin(), pattern.end(), 0.0,
                                        [](double sum, double v) { return sum + Usable(v); }) *
                        static_cast<double>(cycleSteps / std::max<size_t>(pattern.size(), 1));
  SetSolidPen(canvas, color, penWidth);
  if (pattern.empty() || !(period * kMaxStepsPerPixel >= static_cast<double>(cycleSteps))) {
    DrawSegment(canvas, a, b);
    return;
  }

  // Only the part of the line within a pen's reach of the canvas can light a pixel.
  const TaPoint2D dir{std::cos(theta), std::sin(theta)};
  double s0 = 0;
  double s1 = length;
  if (!ClipLine(a, dir, GrownCanvasRect(canvas, penWidth + 2.0), s0, s1)) return;

  // Skip whole cycles ahead of the visible part and walk from a new origin there, so the
  // positions stay small and every step still moves.
  double skipped = 0;
  if (std::isfinite(period)) {
    const double cycles = std::floor(s0 / period) - 1;
    if (cycles > 0) skipped = cycles * period;
  }
  const TaPoint2D origin = skipped > 0 ? Along(a, dir, skipped) : a;
  const double rest = length - skipped;
  s0 -= skipped;
  s1 -= skipped;

  double pos = 0;
  size_t i = 0;
  bool dash = true;
  bool finished = false;
  while (rest > pos && !finished) {
    const double seg = Usable(pattern[i]);
    if (dash) {
      const TaPoint2D from = Along(origin, dir, pos);
      TaPoint2D to = Along(origin, dir, pos + seg);
      // The last dash is cut at the end point (an endless dash too: its far end is NaN).
      if (!(Distance(origin, to) <= rest)) {
        to = b;
        finished = true;
      }
      if (pos + seg >= s0) DrawSegment(canvas, from, to);
    }
    dash = !dash;
    pos += seg;
    if (++i == pattern.size()) i = 0;
    if (pos > s1) break;
  }
}

int32_t ShapeValue(std::span<const double> shape, size_t index) {
  return index < shape.size() ? RoundHalfEven(shape[index]) : 0;
}

}  // namespace

void DrawStyleLine(const TStyleLineCanvas& style, TaPoint2D p1, TaPoint2D p2,
                   const TViewTransform& view) {
  if (style.Canvas == nullptr) return;
  Canvas& canvas = *style.Canvas;
  const TaPoint2D a = ToDevice(view, p1);
  const TaPoint2D b = ToDevice(view, p2);
  if (!IsFinite(a) || !IsFinite(b)) return;
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  if (!std::isfinite(length)) return;
  const double theta = std::atan2(b.y - a.y, b.x - a.x);

  // Very wide pens are taken for a mistake in the width table.
  double w = style.Width;
  if (w > 100) w = 0;
  if (w < 1) w = 0;
  const int32_t penWidth = PenWidthOf(w);

  if (style.LineType == 1) {
    SetSolidPen(canvas, style.Color, penWidth);
    DrawSegment(canvas, a, b);
    return;
  }

  // The brush plays no part in the strokes; later draws rely on finding a solid brush.
  canvas.SetBrush(Brush{kWhite, BrushStyle::Solid});
  if (!(length > 0)) return;
  WalkPattern(canvas, style.Pattern, a, b, length, theta, penWidth, style.Color);
}

void DrawRandomLine(const TStyleLineCanvas& style, TaPoint2D p1, TaPoint2D p2,
                    std::span<const double> shape, int32_t amplitude, int32_t pitch,
                    const TViewTransform& view) {
  if (style.Canvas == nullptr) return;
  Canvas& canvas = *style.Canvas;
  const TaPoint2D a = ToDevice(view, p1);
  const TaPoint2D b = ToDevice(view, p2);
  if (!IsFinite(a) || !IsFinite(b)) return;
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  if (!std::isfinite(length)) return;

  // The direction of travel with y taken upward: a unit step is (cos, -sin) on the device.
  const double theta = NormalizeAngle(kTwoPi - std::atan2(b.y - a.y, b.x - a.x));
  const TaPoint2D unit{std::cos(theta), -std::sin(theta)};

  double reach = amplitude == 0 ? 1.0 : amplitude;
  double step = pitch == 0 ? 1.0 : pitch;
  if (view.YAxisFactor > 0) {
    reach = RoundHalfEven(amplitude * view.Scale / 2.5);
    step = RoundHalfEven(pitch * view.Scale / 2.5);
  }
  // Every step must move forward, or the period count below divides by zero.
  step = std::max(step, 1.0);
  reach = std::clamp(reach, -kMaxReach, kMaxReach);

  // One period. The shape repeats, so the step before the first is the period's last.
  std::array<TaPoint2D, kStepsPerPeriod + 1> points;
  points[0] = a;
  TaPoint2D base = a;
  int32_t previous = ShapeValue(shape, kStepsPerPeriod - 1);
  for (int k = 1; k <= kStepsPerPeriod; ++k) {
    const int32_t v = ShapeValue(shape, static_cast<size_t>(k - 1));
    double q = theta;
    if (v != previous) q = NormalizeAngle(v == 1 ? theta + kPi / 4 : theta - kPi / 4);
    base = Along(base, unit, step);
    points[k] = {base.x + reach * std::cos(q), base.y - reach * std::sin(q)};
    previous = v;
  }
  const TaPoint2D periodEnd = base;

  const int32_t penWidth = PenWidthOf(style.Width);
  SetSolidPen(canvas, style.Color, penWidth);

  const double n = std::nearbyint(length);  // halves to even
  const double periodLength = kStepsPerPeriod * step;
  const double restLength = std::fmod(n, periodLength);
  const double periods = (n - restLength) / periodLength;
  const int tail = std::clamp(RoundHalfEven(restLength / step), 0, kStepsPerPeriod);
  const std::span<const TaPoint2D> all(points);

  if (periods < 1) {
    // Shorter than half a pitch, the line has no point past its start; it is drawn
    // straight rather than lost (the chords of small random arcs are such lines).
    if (tail == 0 && n >= 1) {
      DrawSegment(canvas, a, b);
      return;
    }
    DrawDevicePolyline(canvas, all.first(static_cast<size_t>(tail) + 1));
    return;
  }

  // Periods whose base stretch stays out of reach of the canvas are left out, so a line
  // millions of pixels long costs no more than the canvas it crosses.
  const double margin = std::min<double>(penWidth, kMaxReach) + std::fabs(reach) + 2;
  double s0 = 0;
  double s1 = (periods + 1) * periodLength;
  if (!ClipLine(a, unit, GrownCanvasRect(canvas, margin), s0, s1)) return;
  const auto visible = [&](double from, double to) { return to >= s0 && from <= s1; };
  const TaPoint2D shift = Along({0, 0}, unit, periodLength);
  const auto moved = [&](const TaPoint2D& p, double times) { return Along(p, shift, times); };

  std::array<TaPoint2D, kStepsPerPeriod + 1> current;
  // Counted from a small number, so the loop ends even where j itself is too large for
  // ++ to change it.
  const double first = std::max(0.0, std::floor(s0 / periodLength) - 1);
  const double count = std::min(periods - first, std::ceil((s1 - s0) / periodLength) + 3);
  for (double c = 0; c < count; ++c) {
    const double j = first + c;
    if (!visible(j * periodLength, (j + 1) * periodLength)) continue;
    current[0] = j == 0 ? a : moved(periodEnd, j - 1);
    for (int k = 1; k <= kStepsPerPeriod; ++k) current[k] = moved(points[k], j);
    DrawDevicePolyline(canvas, current);
  }

  // The tail starts where the last whole period ended and stops at the last whole pitch.
  const double tailStart = periods * periodLength;
  if (tail >= 2 && visible(tailStart, tailStart + tail * step)) {
    current[0] = moved(points[kStepsPerPeriod], periods - 1);
    for (int k = 1; k <= tail; ++k) current[k] = moved(points[k], periods);
    DrawDevicePolyline(canvas,
                       std::span<const TaPoint2D>(current).first(static_cast<size_t>(tail) + 1));
  }
}

}  // namespace kestril
