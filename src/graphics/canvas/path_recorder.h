// GDI's path bracket for canvases without GDI underneath (Cairo, recording), and the
// curve tracing GDI does for Ellipse, Arc and FlattenPath, shared with the drawing code
// so that paths and direct drawing agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/plane.h"

namespace kestril {

// FlattenPath splits each Bezier piece until both of its control points lie within
// this many pixels of the chord (GDI allows one pixel too); the curve then stays within
// 3/4 of it of the chord. The resulting points are the curve's points rounded to whole
// pixels, as GDI's are.
inline constexpr double kFlattenTolerance = 1.0;

// A path holding more points than this refuses further figures, as GDI fails a call
// when the path cannot grow. Bounds memory for hostile input.
inline constexpr size_t kMaxPathPoints = size_t{1} << 24;

// Appends the points of the cubic p0 c1 c2 p3 after p0 (p3 last) so that the control
// points of every piece lie within `tolerance` of its chord. Splitting stops after
// 1024 pieces, which keeps huge hostile curves bounded.
void FlattenBezier(TaPoint2D p0, TaPoint2D c1, TaPoint2D c2, TaPoint2D p3, double tolerance,
                   std::vector<TaPoint2D>& out);

// The outline GDI traces for Ellipse into a path: a start point and four Bezier
// quarters (13 points), from the right end of the horizontal axis counter-clockwise on
// the screen, ending on the start point. The right and bottom edges of the box are
// left out as GDI does. Empty when the box has no width or no height.
std::vector<TPoint> TraceEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom);

// The outline GDI traces for Arc: a start point and one Bezier piece per quadrant the
// arc crosses (1 + 3n points), counter-clockwise on the screen from the ray through
// `start` to the ray through `end`; equal rays give the whole ellipse. Same box rules
// as TraceEllipse. Like GDI, an arc that ends exactly on a quadrant boundary (east,
// north, west or south of the centre) gets one more, empty piece there.
std::vector<TPoint> TraceArc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                             TPoint end);

// One figure of a path with its curves flattened.
struct PathFigure {
  std::vector<TaPoint2D> points;
  bool closed = false;
};

// Splits points and types (PathPointType values) into figures, Bezier pieces flattened
// with `tolerance`, points not rounded. Malformed input (a figure without a move, a cut
// off Bezier piece) is read as far as it makes sense.
// The same into the first figures of `out`, which keep their storage from call to call
// (figures past the answered count are left over from earlier calls).
size_t FlattenFigures(std::span<const TPoint> points, std::span<const uint8_t> types,
                      double tolerance, std::vector<PathFigure>& out);
std::vector<PathFigure> FlattenFigures(std::span<const TPoint> points,
                                       std::span<const uint8_t> types, double tolerance);

// The path bracket of one device context. Drawing calls are taken only while the
// bracket is open and answer false, adding nothing, where GDI's call would fail.
class PathRecorder {
 public:
  // Discards any previous path and opens a bracket; `position` is the context's
  // current position, where PolyBezierTo continues from.
  void Begin(TPoint position);
  // Closes the bracket; the path is then the context's path. False when none is open.
  bool End();
  // Drops the path and any open bracket (StrokePath and StrokeAndFillPath do this).
  void Discard();

  bool IsOpen() const { return open_; }
  // A closed path is there for FlattenPath, GetPath and the stroke calls.
  bool HasPath() const { return closed_; }

  // Moves the current position; the next PolyBezierTo starts a new figure there.
  void MoveTo(TPoint p);
  bool Polyline(std::span<const TPoint> points);
  bool PolyBezier(std::span<const TPoint> points);
  bool PolyBezierTo(std::span<const TPoint> points);
  bool Polygon(std::span<const TPoint> points);
  bool Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  bool Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start, TPoint end);
  // Whole figures of points and PathPointType values (glyph outlines); refused, adding
  // nothing, unless the first point is a move.
  bool AddFigures(std::span<const TPoint> points, std::span<const uint8_t> types);

  // Replaces every Bezier piece of the closed path by line segments.
  bool Flatten();

  const std::vector<TPoint>& Points() const { return points_; }
  const std::vector<uint8_t>& Types() const { return types_; }

 private:
  bool Add(std::span<const TPoint> points, uint8_t type);
  bool StartNewStroke();

  bool open_ = false;
  bool closed_ = false;
  bool newStroke_ = true;
  TPoint pos_;
  std::vector<TPoint> points_;
  std::vector<uint8_t> types_;
};

}  // namespace kestril
