// Solid entities: filled quadrilaterals, and the filled arc figures whose parameters
// travel in a solid's corners when its line type is above 100.
#pragma once

#include <cstdint>
#include <span>

#include "base/plane.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {

// The brush style of DrawCircleSolid for filled figures, numbered as GDI numbers it.
inline constexpr uint8_t kBrushSolid = 0;

// The figure kind DrawSolid hands to DrawCircleSolid for a solid of line type above 100,
// from the corner values: selector p4.y, start p3.y and sweep p4.x. Below 100 filled,
// 100-199 outline only, 200 and above a ring. A selector other than 100, 5, 0 and -1
// gives kind 0, the arc alone as a polyline.
uint8_t SolidFigureKind(uint8_t lineType, double selector, double start, double sweep);

// Line type 100 or below: the quadrilateral of the four corners, filled and edged in
// the context's colour (the edge with the context's width, normally the thinnest pen).
// Above 100: the corners carry an arc figure (centre p1, radius p2.x, flatness p2.y,
// tilt p3.x, start p3.y, sweep p4.x, selector or inner radius p4.y), drawn by
// DrawCircleSolid. The colour number takes no part in the drawing.
void DrawSolid(const TStyleLineCanvas& style, std::span<const TaPoint2D, 4> corners,
               const TViewTransform& view, int32_t colorNumber, uint8_t lineType);

// A filled or outlined figure of the ellipse about centre (drawing units, angles in
// radians). NOT YET IMPLEMENTED: it draws nothing for now.
void DrawCircleSolid(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t brushStyle,
                     double radius, double innerRadius, double start, double sweep, double flatness,
                     double tilt, uint8_t kind, const TViewTransform& view);

}  // namespace kestril
