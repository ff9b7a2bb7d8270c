// Straight lines: solid and dashed line types, and the jagged random line types.
#pragma once

#include <cstdint>
#include <span>

#include "base/plane.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {

// Draws p1-p2 (drawing units) with the context's line type, dash pattern, width and
// colour. Line type 1 is solid and ignores the pattern; any other type walks the
// pattern, whose lengths are device pixels and do not grow with the pen width. Widths
// below 1 or above 100 give the thinnest pen.
void DrawStyleLine(const TStyleLineCanvas& style, TaPoint2D p1, TaPoint2D p2,
                   const TViewTransform& view);

// Draws p1-p2 as a random line: 32 steps of `pitch` pixels per period, each point set
// `amplitude` pixels ahead, turned 45 degrees left where shape turns to 1 and right
// where it turns to 0. Only the first 32 shape entries are read; missing ones count as 0.
void DrawRandomLine(const TStyleLineCanvas& style, TaPoint2D p1, TaPoint2D p2,
                    std::span<const double> shape, int32_t amplitude, int32_t pitch,
                    const TViewTransform& view);

}  // namespace kestril
