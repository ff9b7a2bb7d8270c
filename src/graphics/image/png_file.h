// PNG files of 24-bit pictures (libpng).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace kestril {

class ByteSink;

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

// A PNG written row by row into a sink, so a picture never has to be held whole. Rows
// come top row first as blue, green, red bytes. Failures raise Error naming the sink's
// output: the sink's own error when a write failed, else libpng's reason.
class PngRowWriter {
 public:
  // texts: keyword and text pairs stored in the file (tEXt chunks).
  PngRowWriter(ByteSink& out, int32_t width, int32_t height,
               const std::vector<std::pair<std::string, std::string>>& texts = {});
  ~PngRowWriter();
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;

  void WriteRow(const uint8_t* bgr);
  // Ends the file once every row was written.
  void Finish();

  // For libpng's callbacks.
  ByteSink& Sink() { return out_; }
  std::exception_ptr& SinkError() { return sinkError_; }

 private:
  void Close();
  [[noreturn]] void Fail();

  ByteSink& out_;
  std::string why_;               // libpng's reason for the last failure
  std::exception_ptr sinkError_;  // the sink's first failure, passed through libpng
  void* png_ = nullptr;           // png_structp
  void* info_ = nullptr;          // png_infop
  int32_t height_ = 0;
  int32_t written_ = 0;
};

}  // namespace kestril
