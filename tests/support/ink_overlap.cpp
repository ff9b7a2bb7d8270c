#include "support/ink_overlap.h"

#include <algorithm>

namespace kestril::testing {

std::vector<bool> InkOfBmpRows(const uint8_t* rows, int32_t w, int32_t h, size_t stride,
                               uint32_t background, bool skipFirstRowAndColumn) {
  std::vector<bool> ink(size_t(w) * size_t(h));
  const int32_t first = skipFirstRowAndColumn ? 1 : 0;
  for (int32_t y = first; y < h; ++y) {
    const uint8_t* row = rows + stride * size_t(h - 1 - y);
    for (int32_t x = first; x < w; ++x) {
      const uint8_t* px = row + size_t(x) * 3;
      const uint32_t colour = px[2] | (uint32_t(px[1]) << 8) | (uint32_t(px[0]) << 16);
      ink[size_t(y) * size_t(w) + size_t(x)] = colour != background;
    }
  }
  return ink;
}

std::vector<bool> DilatedInk(const std::vector<bool>& ink, int32_t w, int32_t h) {
  std::vector<bool> out(ink.size());
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (!ink[size_t(y) * size_t(w) + size_t(x)]) continue;
      for (int32_t v = std::max(0, y - 1); v <= std::min(h - 1, y + 1); ++v) {
        for (int32_t u = std::max(0, x - 1); u <= std::min(w - 1, x + 1); ++u) {
          out[size_t(v) * size_t(w) + size_t(u)] = true;
        }
      }
    }
  }
  return out;
}

double InkOverlap(const std::vector<bool>& a, const std::vector<bool>& b, int32_t w, int32_t h) {
  const std::vector<bool> da = DilatedInk(a, w, h);
  const std::vector<bool> db = DilatedInk(b, w, h);
  size_t both = 0, either = 0;
  for (size_t i = 0; i < da.size(); ++i) {
    both += da[i] && db[i];
    either += da[i] || db[i];
  }
  return either == 0 ? 1.0 : double(both) / double(either);
}

}  // namespace kestril::testing
