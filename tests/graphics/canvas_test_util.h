// Helpers for pixel tests: read a raster canvas back through CopyBmpRows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas/canvas.h"

namespace kestril::test {

// The picture as top-down 0x00BBGGRR colours, read through CopyBmpRows.
class Pixels {
 public:
  explicit Pixels(const RasterCanvas& canvas);
  Color At(int32_t x, int32_t y) const { return data_[size_t(y) * size_t(w_) + size_t(x)]; }
  bool Inked(int32_t x, int32_t y) const { return At(x, y) != 0xFFFFFF; }
  int32_t Width() const { return w_; }
  int32_t Height() const { return h_; }
  // Inked pixels of one row or column, as a string of '#' and '.', for readable failures.
  std::string Row(int32_t y) const;
  std::string Column(int32_t x) const;
  int64_t InkedCount() const;

 private:
  int32_t w_;
  int32_t h_;
  std::vector<Color> data_;
};

}  // namespace kestril::test
