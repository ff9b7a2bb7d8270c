// The filled and outlined figures of an ellipse: sampled at every whole degree and
// drawn as polygons or polylines straight onto the canvas (or into its open path).
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "graphics/device_draw.h"
#include "graphics/solids.h"

namespace kestril {

namespace {

constexpr int kSamples = 361;  // whole degrees 0 to 360

struct DegreeTable {
  std::array<double, kSamples> cos;
  std::array<double, kSamples> sin;
  DegreeTable() {
    for (int d = 0; d < kSamples; ++d) {
      cos[d] = std::cos(d * kPi / 180);
      sin[d] = std::sin(d * kPi / 180);
    }
  }
};

const DegreeTable& Degrees() {
  static const DegreeTable table;
  return table;
}

// The samples of one boundary, device pixels, turned about the centre by the tilt.
struct Boundary {
  std::array<TaPoint2D, kSamples> at;

  Boundary(const TaPoint2D& c, double rx, double ry, double ct, double st) {
    const DegreeTable& t = Degrees();
    for (int d = 0; d < kSamples; ++d) {
      const double dx = rx * t.cos[d], dy = -ry * t.sin[d];
      at[d] = {c.x + ct * dx + st * dy, c.y - st * dx + ct * dy};
    }
  }
};

// The sample nearest the ray from the centre in direction `angle` (device y down),
// among those on the ray's side of the centre; the first of equals.
int NearestToRay(const Boundary& b, const TaPoint2D& c, double angle) {
  const double ux = std::cos(angle), uy = -std::sin(angle);
  int best = 0;
  double least = 1e99;
  for (int d = 0; d < kSamples; ++d) {
    const double vx = b.at[d].x - c.x, vy = b.at[d].y - c.y;
    if (ux * vx + uy * vy < 0) continue;
    const double off = std::fabs(ux * vy - uy * vx);
    if (off < least) {
      least = off;
      best = d;
    }
  }
  return best;
}

int Next(int d) {
  return d == kSamples - 1 ? 0 : d + 1;
}
int Previous(int d) {
  return d == 0 ? kSamples - 1 : d - 1;
}

}  // namespace

void DrawCircleSolid(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t brushStyle,
                     double radius, double innerRadius, double start, double sweep, double flatness,
                     double tilt, uint8_t kind, const TViewTransform& view) {
  if (style.Canvas == nullptr) return;
  Canvas& canvas = *style.Canvas;
  const bool outlineOnly = kind >= 100 && kind < 200;
  const bool ring = kind >= 200;
  const int figure = kind % 100;
  const TaPoint2D c = ToDevice(view, centre);
  const double rx = radius * view.Scale;
  const double ry = flatness == 0 ? rx : flatness * rx;
  const double rx2 = innerRadius * view.Scale;
  const double ry2 = flatness == 0 ? rx2 : flatness * rx2;
  if (view.YAxisFactor >= 0) {
    start = -start;
    sweep = -sweep;
    tilt = -tilt;
  }
  if (!IsFinite(c) || !std::isfinite(rx) || !std::isfinite(ry) || !std::isfinite(rx2) ||
      !std::isfinite(ry2) || !std::isfinite(start) || !std::isfinite(sweep) ||
      !std::isfinite(tilt)) {
    return;
  }
  // Beyond a full turn the band pieces would grow past their tangent corners.
  sweep = std::clamp(sweep, -kTwoPi, kTwoPi);

  int pieces = 1;
  double pieceAngle = std::fabs(sweep);
  if (figure == 41) {
    pieces = 4;
    pieceAngle = kHalfPi;
  } else if (figure >= 40) {
    const double s = std::fabs(sweep);
    pieces = s > kThreeHalfPi ? 4 : s > kPi ? 3 : 1;
    pieceAngle = s / pieces;
  }
  const bool matchesEnds = figure == 0 || figure >= 11;
  double from = start;
  double to = start + sweep;
  if (sweep >= 0) {
    if (to > kPi) to -= kTwoPi;
  } else {
    from = start + sweep;
    if (from < -kPi) from += kTwoPi;
    to = start;
  }
  // Each band piece runs one piece angle on from the last.
  if (figure >= 40) to = from + pieceAngle;

  SetSolidPen(canvas, style.Color, PenWidthOf(style.Width));
  const double ct = std::cos(tilt), st = std::sin(tilt);
  const Boundary outer(c, rx, ry, ct, st);
  const Boundary inner(c, rx2, ry2, ct, st);
  std::vector<TaPoint2D> points;
  points.reserve(2 * kSamples + 3);
  for (int p = 0; p < pieces; ++p) {
    points.clear();
    if (matchesEnds) {
      const int first = NearestToRay(outer, c, from);
      const int last = NearestToRay(outer, c, to);
      for (int d = first;; d = Next(d)) {
        points.push_back(outer.at[d]);
        if (d == last) break;
      }
      if (ring) {
        for (int d = last;; d = Previous(d)) {
          points.push_back(inner.at[d]);
          if (d == first) break;
        }
      }
    } else {
      points.assign(outer.at.begin(), outer.at.end());
      if (ring) points.insert(points.end(), inner.at.rbegin(), inner.at.rend());
    }

    const TaPoint2D firstPoint = points.front();
    if (figure == 30) {
      points.push_back(c);
      points.push_back(firstPoint);
    } else if (figure >= 40) {
      // Where the tangents at the piece's ends meet.
      const double half = pieceAngle / 2;
      const double mid = from + half;
      const double dx = rx / std::cos(half) * std::cos(mid);
      const double dy = -ry / std::cos(half) * std::sin(mid);
      points.push_back({c.x + ct * dx + st * dy, c.y - st * dx + ct * dy});
      points.push_back(firstPoint);
    } else if (figure >= 20 || ring) {
      points.push_back(firstPoint);
    }

    if (figure == 0) {
      DrawDevicePolyline(canvas, points);
    } else {
      if (figure >= 10) {
        SetSolidPen(canvas, style.Color, PenWidthOf(style.Width));
        canvas.SetBrush(
            Brush{style.Color, brushStyle == kBrushClear ? BrushStyle::Clear : BrushStyle::Solid});
      }
      if (outlineOnly) {
        DrawDevicePolyline(canvas, std::span<const TaPoint2D>(points).first(points.size() - 1));
      } else {
        DrawDevicePolygon(canvas, points);
      }
    }
    canvas.SetBrush(Brush{kWhite, BrushStyle::Clear});
    from += pieceAngle;
    to += pieceAngle;
  }
}

}  // namespace kestril
