// The drawing context an entity draw fills and hands to every engine operation.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/canvas/canvas.h"

namespace kestril {

// Alternating dash and gap lengths in device pixels, dash first.
using TDoubleDynArray = std::vector<double>;

struct TStyleLineCanvas {
  kestril::Canvas* Canvas = nullptr;
  int32_t LineType = 0;  // the engine tests only for 1 (solid)
  TDoubleDynArray Pattern;
  double Width = 0;  // pen width in device pixels
  kestril::Color Color = 0;
};

}  // namespace kestril
