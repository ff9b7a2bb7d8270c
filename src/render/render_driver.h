// Painting a whole document: the background, then every top-level entity in file
// order (or reversed), with the pre-pass for solids and image references.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "document/document.h"
#include "graphics/canvas/canvas.h"
#include "graphics/image/image_cache.h"
#include "graphics/view.h"
#include "render/render_options.h"

namespace kestril {

// Called after every top-level entity, so that a host can keep its windows alive or
// report progress during a long drawing.
using RenderYield = std::function<void()>;

// Paints the background with PenColor[0] from (1, 1) (row and column 0 keep the
// picture's white) and draws the entities. `images`: the picture's images, when it is
// drawn in several calls (bands) that should decode them once; else a cache of this
// call's own.
void RenderDrawing(const Document& doc, const TViewTransform& view, RenderOptions& options,
                   Canvas& canvas, int32_t width, int32_t height, bool fillBackground,
                   const RenderYield& yield = {}, ImageCache* images = nullptr);

// Colour numbers 0..10 for data whose header carries no pen table: the user's
// background, line colours 1-8, auxiliary and grey colours.
void ApplyUserPenColors(TJwwHeader& header, const std::array<Color, 11>& userColors);

}  // namespace kestril
