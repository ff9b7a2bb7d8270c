// Size checks shared by the raster canvases, made before any pixel is allocated.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "graphics/image/bmp_layout.h"

namespace kestril {

// Raises EOutOfResources for negative sizes and for pictures whose pixel block, at
// four bytes per pixel or as padded 24-bit rows, would not fit a 31-bit byte count:
// both GDI and Cairo keep sizes and strides in 32-bit integers.
inline void CheckRasterSize(int32_t width, int32_t height) {
  if (width < 0 || height < 0) throw EOutOfResources("picture size is negative");
  const int64_t row = std::max<int64_t>(int64_t{4} * width, BmpStride(width));
  if (height != 0 && row > INT32_MAX / height) throw EOutOfResources("picture is too large");
}

// Raises Error when dst cannot take `height` rows of `stride` bytes, each holding
// `width` 24-bit pixels, so a wrong caller never writes past its buffer.
inline void CheckBmpDestination(size_t dstSize, size_t stride, int32_t width, int32_t height) {
  if (width == 0 || height == 0) return;
  if (stride < static_cast<size_t>(width) * 3 || dstSize / stride < static_cast<size_t>(height)) {
    throw Error("CopyBmpRows: destination too small for the picture");
  }
}

}  // namespace kestril
