#include "graphics/device_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestril {

namespace {

TDeviceRect FarRect(const Canvas& canvas) {
  return GrownCanvasRect(canvas, kFarMargin);
}

bool Inside(const TaPoint2D& p, const TDeviceRect& r) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

void EmitPolyline(Canvas& canvas, std::vector<TaPoint2D>& piece) {
  if (piece.size() >= 2) {
    const TaPoint points = ToDevicePoints(piece);
    canvas.Polyline(points);
  }
  piece.clear();
}

// Where the segment from `in` towards `out` meets the line coordinate == edge (x when
// vertical). Measured from `in`, the end nearer the canvas, so a far end millions of
// pixels away costs no precision where it matters.
TaPoint2D Crossing(const TaPoint2D& in, const TaPoint2D& out, bool vertical, double edge) {
  if (vertical) return {edge, in.y + (out.y - in.y) * ((edge - in.x) / (out.x - in.x))};
  return {in.x + (out.x - in.x) * ((edge - in.y) / (out.y - in.y)), edge};
}

enum : unsigned { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };

unsigned OutCode(const TaPoint2D& p, const TDeviceRect& r) {
  return (p.x < r.left ? kLeft : 0u) | (p.x > r.right ? kRight : 0u) | (p.y < r.top ? kTop : 0u) |
         (p.y > r.bottom ? kBottom : 0u);
}

// Cohen-Sutherland: moves the ends of a-b that lie outside onto the rectangle; false
// when no part of the segment lies inside. Each move is measured from the other end.
bool ClipSegment(TaPoint2D& a, TaPoint2D& b, const TDeviceRect& r) {
  for (int moves = 0; moves < 8; ++moves) {
    const unsigned ca = OutCode(a, r);
    const unsigned cb = OutCode(b, r);
    if ((ca | cb) == 0) return true;
    if ((ca & cb) != 0) return false;
    TaPoint2D& p = ca != 0 ? a : b;
    const TaPoint2D q = ca != 0 ? b : a;
    const unsigned c = ca != 0 ? ca : cb;
    if (c & kLeft) {
      p = Crossing(q, p, true, r.left);
    } else if (c & kRight) {
      p = Crossing(q, p, true, r.right);
    } else if (c & kTop) {
      p = Crossing(q, p, false, r.top);
    } else {
      p = Crossing(q, p, false, r.bottom);
    }
    if (!IsFinite(p)) return false;
  }
  return OutCode(a, r) == 0 && OutCode(b, r) == 0;
}

// One Sutherland-Hodgman pass: keeps the side of an axis-parallel edge where
// sign * (coordinate - edge) <= 0.
std::vector<TaPoint2D> ClipPolygonEdge(const std::vector<TaPoint2D>& in, bool vertical, double edge,
                                       double sign) {
  std::vector<TaPoint2D> out;
  if (in.empty()) return out;
  out.reserve(in.size() + 4);
  const auto inside = [&](const TaPoint2D& p) {
    return sign * ((vertical ? p.x : p.y) - edge) <= 0;
  };
  TaPoint2D prev = in.back();
  bool prevInside = inside(prev);
  for (const TaPoint2D& cur : in) {
    const bool curInside = inside(cur);
    if (prevInside != curInside) {
      out.push_back(prevInside ? Crossing(prev, cur, vertical, edge)
                               : Crossing(cur, prev, vertical, edge));
    }
    if (curInside) out.push_back(cur);
    prev = cur;
    prevInside = curInside;
  }
  return out;
}

}  // namespace

TDeviceRect GrownCanvasRect(const Canvas& canvas, double margin) {
  return {-margin, -margin, canvas.Width() + margin, canvas.Height() + margin};
}

bool IsFinite(const TaPoint2D& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

bool ClipLine(const TaPoint2D& origin, const TaPoint2D& dir, const TDeviceRect& rect, double& t0,
              double& t1) {
  // Liang-Barsky: each edge is the half-plane p * t <= q.
  const auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
    return true;
  };
  return edge(-dir.x, origin.x - rect.left) && edge(dir.x, rect.right - origin.x) &&
         edge(-dir.y, origin.y - rect.top) && edge(dir.y, rect.bottom - origin.y) && t0 <= t1;
}

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
  std::vector<TaPoint2D> piece;
  piece.reserve(points.size());
  for (size_t i = 1; i < points.size(); ++i) {
    // Ends inside keep their exact values, so ordinary polylines pass unchanged.
    TaPoint2D from = points[i - 1];
    TaPoint2D to = points[i];
    if (!ClipSegment(from, to, far)) {
      EmitPolyline(canvas, piece);
      continue;
    }
    if (!(from == points[i - 1])) EmitPolyline(canvas, piece);
    if (piece.empty()) piece.push_back(from);
    piece.push_back(to);
    if (!(to == points[i])) EmitPolyline(canvas, piece);
  }
  EmitPolyline(canvas, piece);
}

void DrawDevicePolygon(Canvas& canvas, std::span<const TaPoint2D> points) {
  if (points.empty()) return;
  if (!std::all_of(points.begin(), points.end(), IsFinite)) return;
  const TDeviceRect far = FarRect(canvas);
  std::vector<TaPoint2D> poly(points.begin(), points.end());
  if (!std::all_of(poly.begin(), poly.end(), [&](const TaPoint2D& p) { return Inside(p, far); })) {
    poly = ClipPolygonEdge(poly, true, far.left, -1);
    poly = ClipPolygonEdge(poly, true, far.right, 1);
    poly = ClipPolygonEdge(poly, false, far.top, -1);
    poly = ClipPolygonEdge(poly, false, far.bottom, 1);
    if (poly.size() < 3 || !std::all_of(poly.begin(), poly.end(), IsFinite)) return;
  }
  const TaPoint device = ToDevicePoints(poly);
  canvas.Polygon(device);
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
