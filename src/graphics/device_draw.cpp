#include "graphics/device_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestril {

namespace {

TDeviceRect FarRect(const Canvas& canvas) {
  return GrownCanvasRect(canvas, kFarMargin);
}

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
  ClippedRuns runs;
  ClipPolyline(points, false, FarRect(canvas), runs);
  for (size_t i = 0; i < runs.Count(); ++i) canvas.Polyline(ToDevicePoints(runs.Run(i)));
}

void DrawDevicePolygon(Canvas& canvas, std::span<const TaPoint2D> points) {
  if (points.empty()) return;
  if (!std::all_of(points.begin(), points.end(), IsFinite)) return;
  const TDeviceRect far = FarRect(canvas);
  if (std::all_of(points.begin(), points.end(),
                  [&](const TaPoint2D& p) { return Inside(p, far); })) {
    canvas.Polygon(ToDevicePoints(points));
    return;
  }
  const std::vector<TaPoint2D> poly = ClipPolygon(points, far);
  if (poly.size() < 3 || !std::all_of(poly.begin(), poly.end(), IsFinite)) return;
  canvas.Polygon(ToDevicePoints(poly));
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
