#include "graphics/device_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestril {

namespace {

TDeviceRect FarRect(const Canvas& canvas) {
  return GrownCanvasRect(canvas, kFarMargin);
}

// Rounds points for the canvas, on the stack when there are few (the common case: the
// engine hands over a few points per call, for every entity).
class Rounded {
 public:
  explicit Rounded(std::span<const TaPoint2D> points) {
    TPoint* out =
        points.size() <= kOnStack ? stack_.data() : (heap_.resize(points.size()), heap_.data());
    for (size_t i = 0; i < points.size(); ++i) {
      out[i] = {RoundHalfEven(points[i].x), RoundHalfEven(points[i].y)};
    }
    points_ = std::span<const TPoint>(out, points.size());
  }
  Rounded(const Rounded&) = delete;
  Rounded& operator=(const Rounded&) = delete;
  operator std::span<const TPoint>() const { return points_; }

 private:
  static constexpr size_t kOnStack = 64;
  std::array<TPoint, kOnStack> stack_;
  TaPoint heap_;
  std::span<const TPoint> points_;
};

}  // namespace

int32_t PenWidthOf(double w) {
  return std::max(RoundHalfEven(w), 0);
}

void SetSolidPen(Canvas& canvas, Color color, int32_t width) {
  canvas.SetPen(Pen{color, width, PenStyle::Solid});
}

void DrawDevicePolyline(Canvas& canvas, std::span<const TaPoint2D> points) {
  if (points.size() < 2) return;
  if (!std::all_of(points.begin(), points.end(), IsFinite)) return;
  const TDeviceRect far = FarRect(canvas);
  if (std::all_of(points.begin(), points.end(),
                  [&](const TaPoint2D& p) { return Inside(p, far); })) {
    canvas.Polyline(Rounded(points));
    return;
  }
  ClippedRuns runs;
  ClipPolyline(points, false, far, runs);
  for (size_t i = 0; i < runs.Count(); ++i) canvas.Polyline(Rounded(runs.Run(i)));
}

void DrawDevicePolygon(Canvas& canvas, std::span<const TaPoint2D> points) {
  if (points.empty()) return;
  if (!std::all_of(points.begin(), points.end(), IsFinite)) return;
  const TDeviceRect far = FarRect(canvas);
  if (std::all_of(points.begin(), points.end(),
                  [&](const TaPoint2D& p) { return Inside(p, far); })) {
    canvas.Polygon(Rounded(points));
    return;
  }
  const std::vector<TaPoint2D> poly = ClipPolygon(points, far);
  if (poly.size() < 3 || !std::all_of(poly.begin(), poly.end(), IsFinite)) return;
  canvas.Polygon(Rounded(poly));
}

bool CircleBox(const Canvas& canvas, const TaPoint2D& centre, double radius,
               std::array<int32_t, 4>& box) {
  if (!IsFinite(centre) || !std::isfinite(radius)) return false;
  const double r = std::min(std::fabs(radius), kFarMargin);
  const TDeviceRect far = FarRect(canvas);
  if (centre.x + r < far.left || centre.x - r > far.right || centre.y + r < far.top ||
      centre.y - r > far.bottom) {
    return false;
  }
  box = {RoundHalfEven(centre.x - r), RoundHalfEven(centre.y - r), RoundHalfEven(centre.x + r),
         RoundHalfEven(centre.y + r)};
  return true;
}

}  // namespace kestril
