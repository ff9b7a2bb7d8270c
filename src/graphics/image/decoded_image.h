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

// A picture within the limits below that is larger than its caller may still decode.
class EImageOverBudget : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
};

// Limits on what a referenced image may cost. Larger files and pictures are refused
// before anything of their size is allocated. No format needs more rows or columns
// than the side limit holds, which keeps row tables and aspect ratios sane.
inline constexpr int64_t kMaxImageFileBytes = int64_t{256} << 20;
inline constexpr int64_t kMaxImagePixels = int64_t{64} << 20;
inline constexpr int64_t kMaxImageSide = 65535;

struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgr;
  // Tells decodes apart: images with the same nonzero id hold the same pixels, so a
  // page can keep one copy for all of them. 0 (an image made by hand): never shared.
  uint64_t id = 0;

  size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
  const uint8_t* Row(int32_t y) const { return bgr.data() + Stride() * static_cast<size_t>(y); }
  uint8_t* Row(int32_t y) { return bgr.data() + Stride() * static_cast<size_t>(y); }
};

// Raises EInvalidGraphic, saying why, for an empty picture and for one beyond the
// limits above.
void CheckImageSize(int64_t width, int64_t height);

// A black picture of the given size with an id of its own. Raises EInvalidGraphic as
// CheckImageSize does, and EImageOverBudget for a picture of more than maxPixels.
DecodedImage AllocateImage(int64_t width, int64_t height, int64_t maxPixels = kMaxImagePixels);

}  // namespace kestril
