// Cutting device-pixel geometry (doubles) to a rectangle before it reaches a canvas:
// lines, segments, polylines and polygons. Whatever lies inside keeps its exact
// values; a cut point is measured from the end that stays, so that a far end millions
// of pixels away costs no precision where it matters.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "base/plane.h"
#include "graphics/canvas/canvas.h"

namespace kestril {

// A device rectangle in pixels (doubles), all edges inclusive.
struct TDeviceRect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

// The canvas rectangle grown by margin on every side.
TDeviceRect GrownCanvasRect(const Canvas& canvas, double margin);

bool IsFinite(const TaPoint2D& p);
bool Inside(const TaPoint2D& p, const TDeviceRect& r);

// Cuts the line origin + t * dir to the rectangle, narrowing [t0, t1]; false when no
// part of that range lies inside.
bool ClipLine(const TaPoint2D& origin, const TaPoint2D& dir, const TDeviceRect& rect, double& t0,
              double& t1);

// Moves the ends of a-b that lie outside onto the rectangle; false when no part of the
// segment lies inside.
bool ClipSegment(TaPoint2D& a, TaPoint2D& b, const TDeviceRect& r);

// The runs of a polyline that lie inside a rectangle, each of two points or more.
struct ClippedRuns {
  std::vector<TaPoint2D> points;
  std::vector<size_t> ends;  // run i ends before points[ends[i]]
  // The figure was closed and lies wholly inside: one run, still closed.
  bool closed = false;

  size_t Count() const { return ends.size(); }
  std::span<const TaPoint2D> Run(size_t i) const {
    const size_t from = i == 0 ? 0 : ends[i - 1];
    return std::span(points).subspan(from, ends[i] - from);
  }
};

// Cuts a polyline (closed: a figure whose last point joins its first) into the runs
// inside r. A closed figure that leaves r is opened at a vertex outside, so that its
// cut ends (and their caps) all lie outside.
void ClipPolyline(std::span<const TaPoint2D> points, bool closed, const TDeviceRect& r,
                  ClippedRuns& out);

// The polygon cut to r, edge by edge. Points outside are moved onto the edges, which
// keeps the winding number of every point inside r, so a fill there is unchanged.
std::vector<TaPoint2D> ClipPolygon(std::span<const TaPoint2D> points, const TDeviceRect& r);

}  // namespace kestril
