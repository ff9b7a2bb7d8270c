// Fitting the drawing's extent to the picture.
#pragma once

#include <cstdint>

#include "document/document.h"
#include "graphics/view.h"

namespace kestril {

// Scales the extent to fit width x height, keeping its proportions, upper-left corner
// at pixel (0, 0). A direction without extent is centred instead (a lone point at a
// fixed scale). The whole view is set every time.
void SetupView(TViewTransform& view, const DrawingExtentRecord& extent, int32_t width,
               int32_t height);

}  // namespace kestril
