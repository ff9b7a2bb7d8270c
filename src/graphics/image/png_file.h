// PNG files of 24-bit pictures (libpng).
#pragma once

#include <cstddef>
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
    return rgb.data() +
           (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  }
};

// Converts BMP pixel rows (blue, green, red; bottom row first; padded to stride).
RgbImage FromBmpRows(const uint8_t* rows, int32_t width, int32_t height, size_t stride);

// Each raises EReadError with the file name and libpng's reason on failure.
void WritePng(const std::string& path, const RgbImage& image);
// BMP pixel rows as they are, without converting them first.
void WritePngFromBmpRows(const std::string& path, const uint8_t* rows, int32_t width,
                         int32_t height, size_t stride);
RgbImage ReadPng(const std::string& path);

}  // namespace kestril
