// Point entities: the plain dot and the small turned marks of special points.
#pragma once

#include <cstdint>

#include "base/plane.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {

// A filled disc about the point, with the canvas brush. On pictures its radius is
// round(size * 10) pixels up to 100, or 2 when size is not positive.
void DrawDot(const TStyleLineCanvas& style, TaPoint2D point, const TViewTransform& view,
             double size);

// The mark of the given code about the point, markScale * unitFactor * scale pixels in
// half-size, turned counter-clockwise on the picture by markAngle (radians); circles are
// not turned. Unknown codes, and marksOn = 0, draw the dot of DrawDot.
//
// Code 8 draws two half circles of radius R (the circle radius of the mark) that meet
// at the point: the right half of the circle about (-R, 0), from its bottom up to its
// top, and the left half of the circle about (R, 0), from its top down to its bottom.
void DrawPointMarker(const TStyleLineCanvas& style, TaPoint2D point, int32_t code,
                     const TViewTransform& view, uint8_t marksOn, double size, double markScale,
                     double markAngle, double unitFactor);

}  // namespace kestril
