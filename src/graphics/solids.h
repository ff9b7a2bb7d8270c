// Solid entities: filled quadrilaterals, and the filled arc figures whose parameters
// travel in a solid's corners when its line type is above 100.
#pragma once

#include <cstdint>
#include <span>

#include "base/plane.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {

// Brush styles of DrawCircleSolid, numbered as GDI numbers them.
inline constexpr uint8_t kBrushSolid = 0;
inline constexpr uint8_t kBrushClear = 1;

// The figure kind DrawSolid hands to DrawCircleSolid for a solid of line type above 100,
// from the corner values: selector p4.y, start p3.y and sweep p4.x. Below 100 filled,
// 100-199 outline only, 200 and above a ring. A selector other than 100, 5, 0 and -1
// gives kind 100, the arc's outline alone.
uint8_t SolidFigureKind(uint8_t lineType, double selector, double start, double sweep);

// Line type 100 or below: the quadrilateral of the four corners, filled and edged in
// the context's colour (the edge with the context's width, normally the thinnest pen).
// Above 100: the corners carry an arc figure (centre p1, radius p2.x, flatness p2.y,
// tilt p3.x, start p3.y, sweep p4.x, selector or inner radius p4.y), drawn by
// DrawCircleSolid. The colour number takes no part in the drawing.
void DrawSolid(const TStyleLineCanvas& style, std::span<const TaPoint2D, 4> corners,
               const TViewTransform& view, int32_t colorNumber, uint8_t lineType);

// A filled or outlined figure of the ellipse about centre (drawing units, angles in
// radians), sampled at every whole degree of its parameter. The ellipse has the major
// semi-axis radius turned counter-clockwise by tilt and the minor semi-axis
// flatness * radius (radius when flatness is 0); a ring also has the inner boundary of
// innerRadius. The kind: below 100 filled, 100-199 outline only (a polyline that leaves
// the closing edge out), 200 and above a ring; its figure (kind mod 100):
//   0      the arc as a polyline
//   1-10   the whole ellipse (1-9 with whatever brush the canvas holds)
//   11-19  the arc's samples as a polygon
//   20-39  the arc closed by its chord; exactly 30 the sector through the centre
//   40-    the arc and the corner where its end tangents meet, in one, three or four
//          pieces by the sweep; 41 always in four quarters
// The arc runs between the samples nearest the rays from the centre at the start and
// end angles (absolute directions, not parameter angles).
void DrawCircleSolid(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t brushStyle,
                     double radius, double innerRadius, double start, double sweep, double flatness,
                     double tilt, uint8_t kind, const TViewTransform& view);

}  // namespace kestril
