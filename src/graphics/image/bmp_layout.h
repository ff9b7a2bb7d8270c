// The BMP layout: the 14-byte file header, the 40-byte BITMAPINFOHEADER (also the
// header block the plug-in hands its hosts) and rows padded to four bytes, stored
// bottom-up. Headers are read and written field by field, little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestril {

class ByteSink;

inline constexpr size_t kBmpFileHeaderSize = 14;

struct BitmapInfoHeader {
  static constexpr size_t kSize = 40;
  uint32_t size = kSize;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;

  // Each raises Error when the bytes are fewer than kSize.
  void WriteTo(std::span<uint8_t> out) const;
  static BitmapInfoHeader ReadFrom(std::span<const uint8_t> in);
};

// Bytes per row of the given width and bit count, rounded up to four; -1 when the
// width or bit count is negative or the row would not fit a signed 32-bit size.
constexpr int64_t BmpStride(int64_t width, int64_t bitCount = 24) {
  if (width < 0 || bitCount < 0 || width > (int64_t{1} << 40) || bitCount > 0xFFFF) return -1;
  const int64_t stride = (bitCount * width + 31) / 32 * 4;
  return stride > INT32_MAX ? -1 : stride;
}

// The bytes of the rows a 24-bit bottom-up header describes; raises Error when the
// header is not such a picture or `rows` holds fewer bytes.
size_t CheckBmpRows(const BitmapInfoHeader& header, std::span<const uint8_t> rows);

// Writes a BMP file of the header's 24-bit bottom-up rows; raises Error with the
// reason when they do not match the header or the file cannot be written.
void WriteBmpFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows);

// A 24-bit BMP file written row by row into a sink, bottom row first, so a picture never
// has to be held whole. Each row is BmpStride(width) bytes. Failures raise Error naming
// the sink's output.
class BmpRowWriter {
 public:
  BmpRowWriter(ByteSink& out, int32_t width, int32_t height);
  // The header's fields as given, but for the image size, which follows from its size.
  BmpRowWriter(ByteSink& out, BitmapInfoHeader header);
  BmpRowWriter(const BmpRowWriter&) = delete;
  BmpRowWriter& operator=(const BmpRowWriter&) = delete;

  void WriteRow(const uint8_t* row);
  // Checks that every row was written.
  void Finish();

 private:
  ByteSink& out_;
  int64_t stride_;
  int32_t height_;
  int32_t written_ = 0;
};

// A 24-bit picture as BMP rows: blue, green, red; bottom row first; each row padded
// to stride.
struct BmpImage {
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;
  std::vector<uint8_t> rows;
};

// The picture of a BMP file of uncompressed 24-bit rows (stored either way up).
// Anything else, or a file whose rows are not all there, gives nothing. Never reads
// outside the bytes and allocates no more than their size.
std::optional<BmpImage> ParseBmpFile(std::span<const uint8_t> bytes);

}  // namespace kestril
