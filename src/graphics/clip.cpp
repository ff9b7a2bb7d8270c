#include "graphics/clip.h"

#include <algorithm>
#include <cmath>

namespace kestril {
namespace {

// Where the segment from `in` towards `out` meets the line coordinate == edge (x when
// vertical), measured from `in`.
TaPoint2D Crossing(const TaPoint2D& in, const TaPoint2D& out, bool vertical, double edge) {
  if (vertical) return {edge, in.y + (out.y - in.y) * ((edge - in.x) / (out.x - in.x))};
  return {in.x + (out.x - in.x) * ((edge - in.y) / (out.y - in.y)), edge};
}

enum : unsigned { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };

unsigned OutCode(const TaPoint2D& p, const TDeviceRect& r) {
  return (p.x < r.left ? kLeft : 0u) | (p.x > r.right ? kRight : 0u) | (p.y < r.top ? kTop : 0u) |
         (p.y > r.bottom ? kBottom : 0u);
}

// One pass against an axis-parallel edge: keeps the side where
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

bool Inside(const TaPoint2D& p, const TDeviceRect& r) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
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

bool ClipSegment(TaPoint2D& a, TaPoint2D& b, const TDeviceRect& r) {
  // Cohen-Sutherland: each move is measured from the other end.
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

void ClipPolyline(std::span<const TaPoint2D> points, bool closed, const TDeviceRect& r,
                  ClippedRuns& out) {
  out.points.clear();
  out.ends.clear();
  out.closed = false;
  if (points.empty()) return;
  std::vector<TaPoint2D> ring;
  if (closed) {
    const auto outside = std::find_if(points.begin(), points.end(),
                                      [&](const TaPoint2D& p) { return !Inside(p, r); });
    if (outside == points.end()) {
      out.points.assign(points.begin(), points.end());
      out.ends.push_back(out.points.size());
      out.closed = true;
      return;
    }
    ring.reserve(points.size() + 1);
    ring.insert(ring.end(), outside, points.end());
    ring.insert(ring.end(), points.begin(), outside);
    ring.push_back(ring.front());
    points = ring;
  }
  out.points.reserve(points.size());
  size_t start = 0;  // where the run being built begins
  const auto endRun = [&] {
    if (out.points.size() - start >= 2) {
      out.ends.push_back(out.points.size());
      start = out.points.size();
    } else {
      out.points.resize(start);
    }
  };
  for (size_t i = 1; i < points.size(); ++i) {
    TaPoint2D from = points[i - 1];
    TaPoint2D to = points[i];
    if (!ClipSegment(from, to, r)) {
      endRun();
      continue;
    }
    if (!(from == points[i - 1])) endRun();
    if (out.points.size() == start) out.points.push_back(from);
    out.points.push_back(to);
    if (!(to == points[i])) endRun();
  }
  endRun();
}

std::vector<TaPoint2D> ClipPolygon(std::span<const TaPoint2D> points, const TDeviceRect& r) {
  std::vector<TaPoint2D> poly(points.begin(), points.end());
  poly = ClipPolygonEdge(poly, true, r.left, -1);
  poly = ClipPolygonEdge(poly, true, r.right, 1);
  poly = ClipPolygonEdge(poly, false, r.top, -1);
  return ClipPolygonEdge(poly, false, r.bottom, 1);
}

}  // namespace kestril
