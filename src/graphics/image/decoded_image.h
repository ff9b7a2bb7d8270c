// A raster picture decoded from an image file, in the layout GDI stretches directly:
// a top-down 24-bit DIB (blue, green, red per pixel; top row first; rows padded to
// four bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/errors.h"

namespace kestril {

// A file that is not a picture of its kind, or a picture too large to decode.
class EInvalidGraphic : public Error {
 public:
  using Error::Error;
};

// Limits on what a referenced image may cost. Larger files and pictures are refused
// before anything of their size is allocated.
inline constexpr int64_t kMaxImageFileBytes = int64_t{256} << 20;
inline constexpr int64_t kMaxImagePixels = int64_t{64} << 20;

struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgr;

  size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
  const uint8_t* Row(int32_t y) const { return bgr.data() + Stride() * static_cast<size_t>(y); }
  uint8_t* Row(int32_t y) { return bgr.data() + Stride() * static_cast<size_t>(y); }
};

// A black picture of the given size. Raises EInvalidGraphic for empty sizes and for
// pictures of more than kMaxImagePixels.
DecodedImage AllocateImage(int64_t width, int64_t height);

}  // namespace kestril
