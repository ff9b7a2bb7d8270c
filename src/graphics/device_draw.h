// Shared pieces of the drawing engine: pens, and handing device-pixel geometry (doubles)
// to a canvas as integer points. Everything here keeps hostile geometry (NaN, infinite
// or astronomically distant points) away from the canvas backends, whose coordinate
// ranges are far smaller than int32 (Cairo's fixed point ends near 2^23).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/plane.h"
#include "graphics/canvas/canvas.h"
#include "graphics/clip.h"

namespace kestril {

// How far beyond the canvas edges geometry may reach before it is cut. Nothing this far
// away can light a pixel, yet cutting here changes no figure of an ordinary drawing.
inline constexpr double kFarMargin = 1 << 21;

inline constexpr Color kWhite = 0xFFFFFF;

// The integer width of a pen of w pixels; the thinnest pen (0) for widths below 0.5 and
// for NaN.
int32_t PenWidthOf(double w);

void SetSolidPen(Canvas& canvas, Color color, int32_t width);

// Rounds the points (halves to even) and draws them as one polyline. Parts that leave
// the far rectangle are cut off, which may split the polyline; a polyline with a
// non-finite point, or of fewer than two points, draws nothing.
void DrawDevicePolyline(Canvas& canvas, std::span<const TaPoint2D> points);

// Rounds the points and draws them as one polygon, cut to the far rectangle when it
// reaches beyond it. A polygon with a non-finite point draws nothing.
void DrawDevicePolygon(Canvas& canvas, std::span<const TaPoint2D> points);

// The box of the circle of the given radius about centre, each edge rounded. The radius
// is taken by magnitude and limited to the far margin; false when the circle cannot
// touch the far rectangle or a value is not finite.
bool CircleBox(const Canvas& canvas, const TaPoint2D& centre, double radius,
               std::array<int32_t, 4>& box);

}  // namespace kestril
