#include "graphics/path.h"

#include <algorithm>
#include <cmath>

#include "graphics/device_draw.h"

namespace kestril {

namespace {

// A pattern that needs more steps than this per pixel of path cannot be shown dash by
// dash: such paths are stroked solid, which also bounds the walk.
constexpr double kMaxStepsPerPixel = 64;

uint8_t KindOf(uint8_t type) {
  switch (type & kPtMoveTo) {
    case kPtMoveTo:
      return 0;
    case kPtBezierTo:
      return 2;
    default:
      return 1;
  }
}

// Integer ends: the squares cannot overflow a double, so hypot's care is not needed.
double SegmentLength(const TPoint& a, const TPoint& b) {
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

// The point `by` pixels back from `from` towards `toward`, `length` apart, rounded.
TPoint Back(const TPoint& from, const TPoint& toward, double by, double length) {
  if (!(length > 0)) return from;
  const double f = by / length;
  return {RoundHalfEven(from.x + f * (double(toward.x) - from.x)),
          RoundHalfEven(from.y + f * (double(toward.y) - from.y))};
}

// Where along the polyline a walk that stands at `at`, on the segment a-b (which runs
// from `from` to `from + length`), may skip ahead to: the start of the segment's part
// near the canvas, or its end when that part is behind or missing.
double ReachFrom(const TPoint& a, const TPoint& b, const TDeviceRect& r, double from, double length,
                 double at, double end) {
  double t0 = 0, t1 = 1;
  if (!ClipLine({double(a.x), double(a.y)}, {double(b.x) - a.x, double(b.y) - a.y}, r, t0, t1)) {
    return end;
  }
  const double nearFrom = from + t0 * length, nearTo = from + t1 * length;
  if (at < nearFrom) return nearFrom;
  return at > nearTo ? end : at;
}

bool BoxReaches(std::span<const TPoint> points, const TDeviceRect& r) {
  if (points.empty()) return false;
  const auto [minX, maxX] = std::minmax_element(
      points.begin(), points.end(), [](const TPoint& a, const TPoint& b) { return a.x < b.x; });
  const auto [minY, maxY] = std::minmax_element(
      points.begin(), points.end(), [](const TPoint& a, const TPoint& b) { return a.y < b.y; });
  return maxX->x >= r.left && minX->x <= r.right && maxY->y >= r.top && minY->y <= r.bottom;
}

}  // namespace

void TPath::GetFromCanvas(Canvas& canvas) {
  canvas.GetPath(info_.Points, info_.Types);
  const size_t n = std::min(info_.Points.size(), info_.Types.size());
  info_.Count = static_cast<int32_t>(std::min<size_t>(n, INT32_MAX));
}

PathPoint TPath::GetPoint(int32_t index) const {
  if (index < 0 || index >= info_.Count) {
    throw EPathError("TPath.GetPoint: Index is Out of Range");
  }
  const TPoint& p = info_.Points[static_cast<size_t>(index)];
  const uint8_t type = info_.Types[static_cast<size_t>(index)];
  return {p.x, p.y, KindOf(type), (type & kPtCloseFigure) != 0};
}

void TPath::DrawStyled(Canvas& canvas, Color color, int32_t width, std::span<const double> pattern,
                       bool thin, bool flatCaps) {
  const size_t count = static_cast<size_t>(std::max(info_.Count, 0));
  const std::vector<TPoint>& points = info_.Points;
  const std::vector<uint8_t>& types = info_.Types;
  size_t i = 0;
  while (i + 1 < count) {
    size_t j = i + 1;
    while (j < count && KindOf(types[j]) != 0) ++j;
    if (j - i > 1) {
      figure_.assign(points.begin() + static_cast<ptrdiff_t>(i),
                     points.begin() + static_cast<ptrdiff_t>(j));
      if (types[j - 1] & kPtCloseFigure) figure_.push_back(points[i]);
      StrokeDashes(figure_, canvas, color, width, pattern, thin, flatCaps, dash_);
    }
    i = j;
  }
}

void StrokeDashes(std::span<const TPoint> points, Canvas& canvas, Color color, int32_t width,
                  std::span<const double> pattern, bool thin, bool flatCaps,
                  std::vector<TPoint>& dash) {
  const size_t n = points.size();
  if (n == 0) return;
  canvas.SetPen(
      thin ? Pen{color, 0, PenStyle::Solid}
           : Pen{color, width, PenStyle::Solid, true, flatCaps ? PenCap::Flat : PenCap::Round});
  // Lengths are multiples of the pen's width; the thinnest pens count as one pixel.
  const double unit = std::max(width, 1);
  const auto entry = [&](size_t k) { return pattern[k] > 0 ? pattern[k] * unit : 0.0; };
  const size_t m = pattern.size();
  double sum = 0;
  for (size_t k = 0; k < m; ++k) sum += entry(k);
  // One cycle ends where the pattern starts again with its first dash.
  const size_t cycleEntries = m % 2 == 0 ? m : 2 * m;
  const double cycle = m % 2 == 0 ? sum : 2 * sum;
  const TDeviceRect near = GrownCanvasRect(canvas, unit + 2);
  if (m == 0 || !std::isfinite(cycle) || !(cycle * kMaxStepsPerPixel >= double(cycleEntries))) {
    if (BoxReaches(points, near)) StrokePolyline(points, canvas);
    return;
  }

  double accum = 0;  // along the polyline up to points[j]
  double last = 0;   // the length of the segment that ends at points[j]
  size_t j = 0;
  size_t k = 0;
  double dashStart = 0;
  double dashEnd = entry(0);
  const auto step = [&] {
    last = SegmentLength(points[j], points[j + 1]);
    accum += last;
    ++j;
  };
  while (j < n) {
    while (accum < dashStart && j + 1 < n) step();
    if (accum < dashStart) break;
    // Whole cycles on the part of the segment that cannot reach the canvas draw nothing.
    if (j > 0 && accum - dashStart > cycle) {
      const double target =
          ReachFrom(points[j - 1], points[j], near, accum - last, last, dashStart, accum);
      if (target - dashStart > cycle) {
        const double skip = std::floor((target - dashStart) / cycle) * cycle;
        dashStart += skip;
        dashEnd += skip;
      }
    }
    dash.clear();
    if (dashStart < accum) dash.push_back(Back(points[j], points[j - 1], accum - dashStart, last));
    while (accum <= dashEnd) {
      dash.push_back(points[j]);
      if (j + 1 == n) break;
      step();
    }
    if (dashEnd < accum) dash.push_back(Back(points[j], points[j - 1], accum - dashEnd, last));
    if (BoxReaches(dash, near)) StrokePolyline(dash, canvas);
    k = (k + 1) % m;
    dashStart = dashEnd;
    dashEnd = dashStart + entry(k);
    k = (k + 1) % m;
    dashStart = dashEnd;
    dashEnd = dashStart + entry(k);
  }
}

void StrokePolyline(std::span<const TPoint> points, Canvas& canvas) {
  canvas.BeginPath();
  canvas.Polyline(points);
  canvas.EndPath();
  canvas.StrokePath();
}

}  // namespace kestril
