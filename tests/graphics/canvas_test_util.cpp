#include "canvas_test_util.h"

#include "graphics/image/bmp_layout.h"

namespace kestril::test {

Pixels::Pixels(const RasterCanvas& canvas) : w_(canvas.Width()), h_(canvas.Height()) {
  const size_t stride = static_cast<size_t>(BmpStride(w_));
  std::vector<uint8_t> rows(stride * size_t(h_));
  canvas.CopyBmpRows(rows, stride);
  data_.resize(size_t(w_) * size_t(h_));
  for (int32_t y = 0; y < h_; ++y) {
    const uint8_t* src = rows.data() + stride * size_t(h_ - 1 - y);
    for (int32_t x = 0; x < w_; ++x, src += 3) {
      data_[size_t(y) * size_t(w_) + size_t(x)] = MakeColor(src[2], src[1], src[0]);
    }
  }
}

std::string Pixels::Row(int32_t y) const {
  std::string s;
  for (int32_t x = 0; x < w_; ++x) s += Inked(x, y) ? '#' : '.';
  return s;
}

std::string Pixels::Column(int32_t x) const {
  std::string s;
  for (int32_t y = 0; y < h_; ++y) s += Inked(x, y) ? '#' : '.';
  return s;
}

int64_t Pixels::InkedCount() const {
  int64_t n = 0;
  for (Color c : data_) n += c != 0xFFFFFF;
  return n;
}

}  // namespace kestril::test
