// Flattened paths taken from a canvas and stroked with a dash pattern. Curves are
// traced into the canvas's path bracket, flattened there and taken over by a TPath,
// which strokes every figure with a geometric pen, the pattern starting afresh at each
// figure's first point.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/errors.h"
#include "graphics/canvas/canvas.h"

namespace kestril {

class EPathError : public Error {
 public:
  using Error::Error;
};

// One point of a path as GetPoint reads it. Kind: 0 move-to, 1 line-to, 2 Bezier-to.
struct PathPoint {
  int32_t X = 0;
  int32_t Y = 0;
  uint8_t Kind = 0;
  bool CloseFigure = false;
};

// The points of a path and their PathPointType values.
struct TPathInfo {
  int32_t Count = 0;
  std::vector<TPoint> Points;
  std::vector<uint8_t> Types;
};

class TPath {
 public:
  // Takes over the canvas's current (closed) path.
  void GetFromCanvas(Canvas& canvas);
  void Assign(const TPath& source) { info_ = source.info_; }

  int32_t Count() const { return info_.Count; }
  // Raises EPathError outside 0 .. Count() - 1.
  PathPoint GetPoint(int32_t index) const;
  const TPathInfo& Info() const { return info_; }

  // Strokes every figure of two or more points with StrokeDashes; a closed figure runs
  // back to its first point.
  void DrawStyled(Canvas& canvas, Color color, int32_t width, std::span<const double> pattern,
                  bool thin, bool flatCaps);

 private:
  TPathInfo info_;
  std::vector<TPoint> figure_;
  std::vector<TPoint> dash_;
};

// Strokes one polyline with the pattern, whose lengths are multiples of the pen width
// (of 1 for the thinnest pens): dash, gap, dash, ... from the first point. The pen is
// geometric, `width` pixels wide, with round joins and flat or round end caps; `thin`
// takes the one-pixel cosmetic pen instead. A pattern whose sum is not positive (or
// whose dashes would be far finer than a pixel) strokes the polyline solid. Dashes that
// cannot reach the canvas are not handed to it. `dash` is working space.
void StrokeDashes(std::span<const TPoint> points, Canvas& canvas, Color color, int32_t width,
                  std::span<const double> pattern, bool thin, bool flatCaps,
                  std::vector<TPoint>& dash);

// The polyline stroked through the canvas's path bracket with the canvas's pen.
void StrokePolyline(std::span<const TPoint> points, Canvas& canvas);

}  // namespace kestril
