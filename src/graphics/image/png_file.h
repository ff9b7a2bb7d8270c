// PNG files of 24-bit pictures (libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestril {

// A picture as red, green, blue bytes, top row first, rows packed.
struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;

  const uint8_t* Pixel(int32_t x, int32_t y) const {
    return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  }
};

// Converts BMP pixel rows (blue, green, red; bottom row first; padded to stride).
RgbImage FromBmpRows(const uint8_t* rows, int32_t width, int32_t height, size_t stride);

// Raises EFOpenError or EReadError (with the file name) on failure.
void WritePng(const std::string& path, const RgbImage& image);
RgbImage ReadPng(const std::string& path);

}  // namespace kestril
