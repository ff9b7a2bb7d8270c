// Raster images placed by texts: a text "^@BM<path>,<width>[,<height>]" stands for the
// picture in <path>, stretched into a box of the given size (drawing units) whose
// lower-left corner is the text's start point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/jw_string.h"
#include "graphics/canvas/canvas.h"
#include "graphics/image/image_cache.h"
#include "graphics/view.h"

namespace kestril {

struct ImageSearch {
  std::string drawingFolder;  // folder of the drawing file; empty when the drawing came from memory
};

// Draws the raster image a "^@BM" text (in either encoding) refers to, decoded once per
// picture in `images`. A reference that cannot be drawn (no size, no such file, an
// unknown or broken picture, no budget left for it) draws nothing.
void DrawTextImage(Canvas& canvas, const TaPoint2D& start, JwStringView text,
                   const TViewTransform& view, const ImageSearch& search, ImageCache& images);

}  // namespace kestril
