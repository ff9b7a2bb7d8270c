#include "graphics/image/bmp_layout.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/byte_sink.h"
#include "base/endian.h"
#include "base/errors.h"

namespace kestril {
namespace {

constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr size_t kBmpHeadSize = kBmpFileHeaderSize + BitmapInfoHeader::kSize;

}  // namespace

void BitmapInfoHeader::WriteTo(std::span<uint8_t> out) const {
  if (out.size() < kSize) throw Error("BITMAPINFOHEADER: no room for 40 bytes");
  uint8_t* p = out.data();
  StoreU32(p + 0, size);
  StoreU32(p + 4, static_cast<uint32_t>(width));
  StoreU32(p + 8, static_cast<uint32_t>(height));
  StoreU16(p + 12, planes);
  StoreU16(p + 14, bitCount);
  StoreU32(p + 16, compression);
  StoreU32(p + 20, sizeImage);
  StoreU32(p + 24, static_cast<uint32_t>(xPelsPerMeter));
  StoreU32(p + 28, static_cast<uint32_t>(yPelsPerMeter));
  StoreU32(p + 32, clrUsed);
  StoreU32(p + 36, clrImportant);
}

BitmapInfoHeader BitmapInfoHeader::ReadFrom(std::span<const uint8_t> in) {
  if (in.size() < kSize) throw Error("BITMAPINFOHEADER: fewer than 40 bytes");
  const uint8_t* p = in.data();
  BitmapInfoHeader h;
  h.size = LoadU32(p + 0);
  h.width = static_cast<int32_t>(LoadU32(p + 4));
  h.height = static_cast<int32_t>(LoadU32(p + 8));
  h.planes = LoadU16(p + 12);
  h.bitCount = LoadU16(p + 14);
  h.compression = LoadU32(p + 16);
  h.sizeImage = LoadU32(p + 20);
  h.xPelsPerMeter = static_cast<int32_t>(LoadU32(p + 24));
  h.yPelsPerMeter = static_cast<int32_t>(LoadU32(p + 28));
  h.clrUsed = LoadU32(p + 32);
  h.clrImportant = LoadU32(p + 36);
  return h;
}

size_t CheckBmpRows(const BitmapInfoHeader& h, std::span<const uint8_t> rows) {
  const int64_t stride = BmpStride(h.width, 24);
  if (h.bitCount != 24 || h.height < 0 || stride < 0 ||
      static_cast<uint64_t>(stride) * static_cast<uint64_t>(h.height) > rows.size()) {
    throw Error("the picture's rows do not match its header");
  }
  return static_cast<size_t>(stride) * static_cast<size_t>(h.height);
}

namespace {
BitmapInfoHeader HeaderOf(int32_t width, int32_t height) {
  BitmapInfoHeader h;
  h.width = width;
  h.height = height;
  return h;
}
}  // namespace

BmpRowWriter::BmpRowWriter(ByteSink& out, int32_t width, int32_t height)
    : BmpRowWriter(out, HeaderOf(width, height)) {}

BmpRowWriter::BmpRowWriter(ByteSink& out, BitmapInfoHeader header)
    : out_(out), stride_(BmpStride(header.width, 24)), height_(header.height) {
  if (stride_ < 0 || height_ < 0) throw Error("cannot write " + out.Name() + ": a negative size");
  const uint64_t image = static_cast<uint64_t>(stride_) * static_cast<uint64_t>(height_);
  if (image > UINT32_MAX - kBmpHeadSize) throw Error("the picture is too large for a BMP file");
  header.bitCount = 24;
  header.sizeImage = static_cast<uint32_t>(image);
  std::array<uint8_t, kBmpHeadSize> head{};
  StoreU16(&head[0], kBmpSignature);
  StoreU32(&head[2], static_cast<uint32_t>(kBmpHeadSize + image));
  StoreU32(&head[10], static_cast<uint32_t>(kBmpHeadSize));
  header.WriteTo(std::span<uint8_t>(head).subspan(kBmpFileHeaderSize));
  out_.Write(head.data(), head.size());
}

void BmpRowWriter::WriteRow(const uint8_t* row) {
  if (written_ >= height_) throw Error("too many rows for " + out_.Name());
  out_.Write(row, static_cast<size_t>(stride_));
  ++written_;
}

void BmpRowWriter::Finish() {
  if (written_ != height_) throw Error("rows missing in " + out_.Name());
}

namespace {

// A file written through stdio, for WriteBmpFile.
class StdioSink final : public ByteSink {
 public:
  explicit StdioSink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) Fail();
  }
  ~StdioSink() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  StdioSink(const StdioSink&) = delete;
  StdioSink& operator=(const StdioSink&) = delete;

  void Write(const void* data, size_t n) override {
    if (file_ == nullptr || (n != 0 && std::fwrite(data, 1, n, file_) != n)) Fail();
  }
  const std::string& Name() const override { return path_; }
  void Close() {
    std::FILE* f = file_;
    file_ = nullptr;
    const bool flushed = std::fflush(f) == 0;
    if (std::fclose(f) != 0 || !flushed) Fail();
  }

 private:
  [[noreturn]] void Fail() {
    const std::string reason = errno != 0 ? std::strerror(errno) : "the write failed";
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    throw Error("cannot write " + path_ + ": " + reason);
  }

  std::string path_;
  std::FILE* file_;
};

}  // namespace

void WriteBmpFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows) {
  CheckBmpRows(header, rows);
  StdioSink file(path);
  BmpRowWriter out(file, header);
  const auto stride = static_cast<size_t>(BmpStride(header.width, 24));
  for (int32_t y = 0; y < header.height; ++y) out.WriteRow(rows.data() + y * stride);
  out.Finish();
  file.Close();
}

std::optional<BmpImage> ParseBmpFile(std::span<const uint8_t> bytes) {
  if (bytes.size() < kBmpHeadSize || LoadU16(bytes.data()) != kBmpSignature) return std::nullopt;
  const uint64_t pixelsAt = LoadU32(&bytes[10]);
  const BitmapInfoHeader h = BitmapInfoHeader::ReadFrom(bytes.subspan(kBmpFileHeaderSize));
  if (h.size < BitmapInfoHeader::kSize || kBmpFileHeaderSize + uint64_t{h.size} > pixelsAt ||
      h.planes != 1 || h.bitCount != 24 || h.compression != 0 || h.width < 0 ||
      h.height == INT32_MIN) {
    return std::nullopt;
  }
  const int64_t rowBytes = BmpStride(h.width, 24);
  if (rowBytes < 0) return std::nullopt;
  const uint64_t height = h.height < 0 ? -int64_t{h.height} : h.height;
  const auto stride = static_cast<uint64_t>(rowBytes);
  // Both factors are below 2^31: the product cannot overflow.
  const uint64_t image = stride * height;
  if (pixelsAt > bytes.size() || image > bytes.size() - pixelsAt) return std::nullopt;
  BmpImage out;
  out.width = h.width;
  out.height = static_cast<int32_t>(height);
  out.stride = static_cast<size_t>(stride);
  const uint8_t* first = bytes.data() + pixelsAt;
  if (h.height >= 0) {
    out.rows.assign(first, first + image);
  } else {
    // Stored top-down: turned over, so that callers always get the bottom row first.
    out.rows.resize(static_cast<size_t>(image));
    for (uint64_t y = 0; y < height; ++y) {
      std::memcpy(out.rows.data() + (height - 1 - y) * stride, first + y * stride, stride);
    }
  }
  return out;
}

}  // namespace kestril
