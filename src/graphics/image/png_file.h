// PNG files of 24-bit pictures (libpng).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
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

// A PNG written row by row, so a picture never has to be held whole. Rows come top row
// first as blue, green, red bytes. Failures raise EReadError naming the file.
class PngRowWriter {
 public:
  // texts: keyword and text pairs stored in the file (tEXt chunks).
  PngRowWriter(const std::string& path, int32_t width, int32_t height,
               const std::vector<std::pair<std::string, std::string>>& texts = {});
  ~PngRowWriter();
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;

  void WriteRow(const uint8_t* bgr);
  // Ends the file once every row was written and closes it.
  void Finish();

 private:
  void Close();

  std::string path_;
  std::string why_;  // libpng's reason for the last failure
  std::FILE* file_ = nullptr;
  void* png_ = nullptr;   // png_structp
  void* info_ = nullptr;  // png_infop
  int32_t height_ = 0;
  int32_t written_ = 0;
};

}  // namespace kestril
