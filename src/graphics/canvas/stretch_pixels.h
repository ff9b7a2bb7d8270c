// Stretching an image without blending, each device pixel showing the image pixel GDI's
// StretchDIBits picks in its COLORONCOLOR mode, so that the canvases agree pixel for
// pixel. Only the pixels inside the picture are visited, whatever the box.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/image/decoded_image.h"

namespace kestril {

// The image pixel (0..m-1) that pixel d (0..n-1) of a run of n device pixels shows, for
// an image m pixels long. Enlarging, each image pixel's run starts where half an image
// pixel has been passed. Shrinking, a column shows the image pixel that half a device
// pixel before its far end lies in, a row the one nearest its start (halves up).
inline int64_t StretchSource(int64_t d, int64_t n, int64_t m, bool rows) {
  if (n >= m) return (d * m + (m - 1) / 2) / n;
  if (rows) return (2 * d * m + n) / (2 * n);
  return ((d + 1) * m - (n + 1) / 2) / n;
}

// One side of a stretch box: the first device pixel it covers, how many it covers and
// whether the image runs backwards over them. A box from a to b covers a..b-1, or,
// when b lies before a, b+1..a mirrored.
struct StretchSpan {
  int64_t first = 0;
  int64_t count = 0;
  bool mirrored = false;
};

inline StretchSpan SpanOf(int64_t a, int64_t b) {
  if (b >= a) return {a, b - a, false};
  return {b + 1, a - b, true};
}

// Writes the stretched image into a picture of width x height pixels of
// `bytesPerPixel` (3: blue, green, red; 4: the same and a zero byte), row y starting at
// rowOf(y).
template <typename RowOf>
void StretchPixels(int64_t left, int64_t top, int64_t right, int64_t bottom,
                   const DecodedImage& image, int64_t width, int64_t height, RowOf rowOf,
                   int bytesPerPixel) {
  if (image.width <= 0 || image.height <= 0 ||
      image.bgr.size() < image.Stride() * static_cast<size_t>(image.height)) {
    return;
  }
  const StretchSpan across = SpanOf(left, right);
  const StretchSpan down = SpanOf(top, bottom);
  const int64_t x0 = std::max<int64_t>(across.first, 0);
  const int64_t x1 = std::min<int64_t>(across.first + across.count, width);
  const int64_t y0 = std::max<int64_t>(down.first, 0);
  const int64_t y1 = std::min<int64_t>(down.first + down.count, height);
  if (x0 >= x1 || y0 >= y1) return;

  std::vector<uint32_t> offsets(static_cast<size_t>(x1 - x0));  // byte offsets in a row
  for (int64_t x = x0; x < x1; ++x) {
    const int64_t d = across.mirrored ? across.first + across.count - 1 - x : x - across.first;
    offsets[size_t(x - x0)] =
        static_cast<uint32_t>(StretchSource(d, across.count, image.width, false) * 3);
  }
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t d = down.mirrored ? down.first + down.count - 1 - y : y - down.first;
    const uint8_t* src =
        image.Row(static_cast<int32_t>(StretchSource(d, down.count, image.height, true)));
    uint8_t* dst = rowOf(y) + x0 * bytesPerPixel;
    for (uint32_t offset : offsets) {
      dst[0] = src[offset];
      dst[1] = src[offset + 1];
      dst[2] = src[offset + 2];
      if (bytesPerPixel == 4) dst[3] = 0;
      dst += bytesPerPixel;
    }
  }
}

}  // namespace kestril
