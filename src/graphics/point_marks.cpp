#include "graphics/point_marks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "graphics/device_draw.h"

namespace kestril {

namespace {

double DotRadius(const TViewTransform& view, double size) {
  if (view.YAxisFactor < 0) return size > 0 ? std::min(RoundHalfEven(size * 10), 100) : 2;
  return size > 0 ? RoundHalfEven(view.Scale * size) : RoundHalfEven(view.Scale / 2);
}

void DrawDisc(Canvas& canvas, const TaPoint2D& centre, double radius) {
  std::array<int32_t, 4> box;
  if (CircleBox(canvas, centre, radius, box)) canvas.Ellipse(box[0], box[1], box[2], box[3]);
}

// Arc ends only give directions from the centre. Where CircleBox limits the radius, they
// move onto the limited circle in the same directions.
TaPoint2D OntoLimitedCircle(const TaPoint2D& centre, const TaPoint2D& p, double radius) {
  const double r = std::fabs(radius);
  if (!(r > kFarMargin)) return p;
  const double f = kFarMargin / r;
  return {centre.x + (p.x - centre.x) * f, centre.y + (p.y - centre.y) * f};
}

void DrawArcOf(Canvas& canvas, const TaPoint2D& centre, double radius, const TaPoint2D& start,
               const TaPoint2D& end) {
  std::array<int32_t, 4> box;
  if (!IsFinite(start) || !IsFinite(end) || !CircleBox(canvas, centre, radius, box)) return;
  const std::array<TaPoint2D, 2> ends{OntoLimitedCircle(centre, start, radius),
                                      OntoLimitedCircle(centre, end, radius)};
  const TaPoint device = ToDevicePoints(ends);
  canvas.Arc(box[0], box[1], box[2], box[3], device[0], device[1]);
}

// Places mark-local points (a along device x, b upward in the drawing) about the device
// point and turns them by the mark angle.
class MarkFrame {
 public:
  MarkFrame(const TaPoint2D& centre, double yAxis, double angle)
      : centre_(centre), yAxis_(yAxis), angle_(angle) {}

  TaPoint2D At(double a, double b) const {
    TaPoint2D p{centre_.x + a, centre_.y + yAxis_ * b};
    RotateAboutPoint(centre_, p, angle_);
    return p;
  }

  void Stroke(Canvas& canvas, std::initializer_list<std::array<double, 2>> local) const {
    std::vector<TaPoint2D> points;
    points.reserve(local.size());
    for (const auto& [a, b] : local) points.push_back(At(a, b));
    DrawDevicePolyline(canvas, points);
  }

  void Fill(Canvas& canvas, std::initializer_list<std::array<double, 2>> local) const {
    std::vector<TaPoint2D> points;
    points.reserve(local.size());
    for (const auto& [a, b] : local) points.push_back(At(a, b));
    DrawDevicePolygon(canvas, points);
  }

 private:
  TaPoint2D centre_;
  double yAxis_;
  double angle_;
};

}  // namespace

void DrawDot(const TStyleLineCanvas& style, TaPoint2D point, const TViewTransform& view,
             double size) {
  if (style.Canvas == nullptr) return;
  Canvas& canvas = *style.Canvas;
  SetSolidPen(canvas, style.Color, PenWidthOf(style.Width));
  DrawDisc(canvas, ToDevice(view, point), DotRadius(view, size));
}

void DrawPointMarker(const TStyleLineCanvas& style, TaPoint2D point, int32_t code,
                     const TViewTransform& view, uint8_t marksOn, double size, double markScale,
                     double markAngle, double unitFactor) {
  if (style.Canvas == nullptr) return;
  Canvas& canvas = *style.Canvas;
  const TaPoint2D p = ToDevice(view, point);
  SetSolidPen(canvas, style.Color, PenWidthOf(style.Width));

  const double h = markScale * unitFactor * view.Scale;  // square half-size
  const double r = h * 2 / 1.767766953;                  // circle radius
  const MarkFrame mark(p, view.YAxisFactor, view.YAxisFactor >= 0 ? -markAngle : markAngle);
  const auto circleStart = [&] { return TaPoint2D{p.x + std::fabs(r), p.y}; };

  switch (marksOn == 0 ? 0 : code) {
    case 2:
    case -5:
      mark.Stroke(canvas, {{-h, -h}, {h, -h}, {h, h}, {-h, h}, {-h, -h}});
      break;
    case 5:
      mark.Stroke(canvas, {{-h, -h}, {h, -h}, {h, h}, {-h, h}, {-h, -h}});
      mark.Fill(canvas, {{-h, -h}, {h, -h}, {h, h}, {-h, h}});
      break;
    case 3:
    case 4:
    case -2:
      DrawArcOf(canvas, p, r, circleStart(), circleStart());
      break;
    case 7:
      DrawDisc(canvas, p, r);
      break;
    case 1:
    case 11:
      mark.Stroke(canvas, {{-6 * h, -h}, {0, 0}, {-6 * h, h}, {-6 * h, -h}});
      break;
    case 6:
      mark.Fill(canvas, {{-6 * h, -h}, {0, 0}, {-6 * h, h}, {-6 * h, -h}});
      break;
    case 9:
      mark.Stroke(canvas, {{-6 * h, -h}, {0, 0}, {-6 * h, h}});
      break;
    case 10:
      mark.Stroke(canvas, {{-r, -r}, {r, r}});
      break;
    case -7: {
      const double k = h / 2;
      mark.Stroke(canvas, {{-k, k}, {k, -k}});
      mark.Stroke(canvas, {{k, k}, {-k, -k}});
      break;
    }
    case -4:
      mark.Stroke(canvas, {{-h, 0}, {h, 0}});
      mark.Stroke(canvas, {{0, h}, {0, -h}});
      break;
    case -1:
      mark.Stroke(canvas, {{0, h}, {0, -h}});
      mark.Stroke(canvas, {{-1.5 * h, h / 2}, {1.5 * h, -h / 2}});
      mark.Stroke(canvas, {{-1.5 * h, -h / 2}, {1.5 * h, h / 2}});
      break;
    case -6:
      mark.Stroke(canvas,
                  {{0, 4 * h / 3}, {h / 3, -2 * h / 3}, {-h / 3, -2 * h / 3}, {0, 4 * h / 3}});
      break;
    case 8:
      // The box of a circle is the same whichever way the circle is turned, so only the
      // centres and the arc ends are turned; turning the box corners would flatten it.
      DrawArcOf(canvas, mark.At(-r, 0), r, mark.At(-r, -r), mark.At(-r, r));
      DrawArcOf(canvas, mark.At(r, 0), r, mark.At(r, r), mark.At(r, -r));
      break;
    default:
      DrawDisc(canvas, p, DotRadius(view, size));
      break;
  }
}

}  // namespace kestril
