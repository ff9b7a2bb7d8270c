// Windows bitmaps: core (12-byte) and info headers (40, 52, 56, 108 and 124 bytes);
// 1, 4 and 8 bits through the palette, 16 and 32 bits by channel masks (BI_RGB or
// BI_BITFIELDS), 24 bits as they are; rows bottom-up or top-down. Compressed bitmaps
// (RLE, embedded JPEG or PNG) are refused. Every offset and length is checked against
// the bytes before it is used; the alpha of 32-bit pixels is ignored, as GDI does.
#include <array>
#include <bit>
#include <string>

#include "graphics/image/image_decoder.h"

namespace kestril {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kFileHeaderSize = 14;

class Bytes {
 public:
  explicit Bytes(std::span<const uint8_t> b) : b_(b) {}
  size_t Size() const { return b_.size(); }
  // The n bytes at offset, or an EInvalidGraphic when the file is shorter.
  const uint8_t* At(uint64_t offset, uint64_t n) const {
    if (offset > b_.size() || n > b_.size() - offset)
      throw EInvalidGraphic("the BMP file is cut short");
    return b_.data() + offset;
  }
  uint16_t U16(uint64_t offset) const {
    const uint8_t* p = At(offset, 2);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint32_t U32(uint64_t offset) const {
    const uint8_t* p = At(offset, 4);
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }

 private:
  std::span<const uint8_t> b_;
};

// One colour channel of a 16- or 32-bit pixel, scaled to eight bits.
class Channel {
 public:
  Channel() = default;
  Channel(uint32_t mask, int pixelBits) {
    if (mask == 0 || (pixelBits < 32 && (mask >> pixelBits) != 0)) {
      throw EInvalidGraphic("a BMP channel mask does not fit the pixel");
    }
    shift_ = std::countr_zero(mask);
    max_ = mask >> shift_;
    if ((max_ & (max_ + 1)) != 0) throw EInvalidGraphic("a BMP channel mask is not contiguous");
  }
  uint8_t Of(uint32_t pixel) const {
    const uint64_t v = (pixel >> shift_) & max_;
    return static_cast<uint8_t>((v * 255 + max_ / 2) / max_);
  }

 private:
  int shift_ = 0;
  uint64_t max_ = 1;
};

struct Layout {
  int64_t width = 0;
  int64_t height = 0;
  bool topDown = false;
  int bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  uint32_t headerSize = 0;
  size_t paletteEntry = 4;  // core headers keep three-byte palette entries
};

Layout ReadLayout(const Bytes& in) {
  if (in.Size() < kFileHeaderSize + 12 || in.At(0, 2)[0] != 'B' || in.At(0, 2)[1] != 'M') {
    throw EInvalidGraphic("not a BMP file");
  }
  Layout l;
  l.headerSize = in.U32(14);
  uint16_t planes = 0;
  if (l.headerSize == 12) {
    l.width = in.U16(18);
    l.height = in.U16(20);
    planes = in.U16(22);
    l.bitCount = in.U16(24);
    l.paletteEntry = 3;
  } else if (l.headerSize == 40 || l.headerSize == 52 || l.headerSize == 56 ||
             l.headerSize == 108 || l.headerSize == 124) {
    in.At(kFileHeaderSize, l.headerSize);
    l.width = static_cast<int32_t>(in.U32(18));
    const int32_t height = static_cast<int32_t>(in.U32(22));
    l.topDown = height < 0;
    l.height = l.topDown ? -int64_t{height} : height;
    planes = in.U16(26);
    l.bitCount = in.U16(28);
    l.compression = in.U32(30);
    l.colorsUsed = in.U32(46);
  } else {
    throw EInvalidGraphic("unknown BMP header size " + std::to_string(l.headerSize));
  }
  if (planes != 1) throw EInvalidGraphic("a BMP file must have one plane");
  if (l.width <= 0 || l.height <= 0) throw EInvalidGraphic("the BMP picture is empty");
  CheckImageSize(l.width, l.height);
  switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (l.compression != kBiRgb) throw EInvalidGraphic("compressed BMP files are not read");
      break;
    case 16:
    case 32:
      if (l.compression != kBiRgb && l.compression != kBiBitfields) {
        throw EInvalidGraphic("compressed BMP files are not read");
      }
      break;
    default:
      throw EInvalidGraphic("BMP files of " + std::to_string(l.bitCount) + " bits are not read");
  }
  return l;
}

}  // namespace

DecodedImage DecodeBmp(std::span<const uint8_t> bytes, int64_t maxPixels) {
  const Bytes in(bytes);
  const Layout l = ReadLayout(in);
  const uint64_t paletteAt = kFileHeaderSize + l.headerSize;

  std::array<uint32_t, 256> palette{};  // 0x00RRGGBB; indices past the table are black
  if (l.bitCount <= 8) {
    const uint32_t most = 1u << l.bitCount;
    const uint32_t count = l.colorsUsed == 0 || l.colorsUsed > most ? most : l.colorsUsed;
    const uint8_t* p = in.At(paletteAt, uint64_t{count} * l.paletteEntry);
    for (uint32_t i = 0; i < count; ++i, p += l.paletteEntry) {
      palette[i] = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    }
  }
  std::array<Channel, 3> channels;  // blue, green, red
  if (l.bitCount == 16 || l.bitCount == 32) {
    uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;
    if (l.bitCount == 32) red = 0xFF0000, green = 0xFF00, blue = 0xFF;
    if (l.compression == kBiBitfields) {
      // After a 40-byte header, or inside the longer ones at the same place.
      red = in.U32(paletteAt - l.headerSize + 40);
      green = in.U32(paletteAt - l.headerSize + 44);
      blue = in.U32(paletteAt - l.headerSize + 48);
    }
    channels = {Channel(blue, l.bitCount), Channel(green, l.bitCount), Channel(red, l.bitCount)};
  }

  // Sides within the limits keep the product far from overflow.
  const uint64_t stride = (uint64_t(l.bitCount) * uint64_t(l.width) + 31) / 32 * 4;
  const uint64_t dataAt = in.U32(10);
  const uint8_t* data = in.At(dataAt, stride * uint64_t(l.height));
  DecodedImage image = AllocateImage(l.width, l.height, maxPixels);

  for (int32_t r = 0; r < image.height; ++r) {
    const uint8_t* src = data + stride * uint64_t(r);
    uint8_t* dst = image.Row(l.topDown ? r : image.height - 1 - r);
    for (int32_t x = 0; x < image.width; ++x, dst += 3) {
      switch (l.bitCount) {
        case 24:
          dst[0] = src[3 * x];
          dst[1] = src[3 * x + 1];
          dst[2] = src[3 * x + 2];
          continue;
        case 16:
        case 32: {
          const uint8_t* p = src + size_t(x) * (l.bitCount / 8);
          uint32_t px = uint32_t{p[0]} | (uint32_t{p[1]} << 8);
          if (l.bitCount == 32) px |= (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
          for (int c = 0; c < 3; ++c) dst[c] = channels[size_t(c)].Of(px);
          continue;
        }
        default: {
          const int perByte = 8 / l.bitCount;
          const int shift = 8 - l.bitCount * (x % perByte + 1);
          const uint32_t index = (src[x / perByte] >> shift) & ((1u << l.bitCount) - 1);
          const uint32_t color = palette[index];
          dst[0] = static_cast<uint8_t>(color);
          dst[1] = static_cast<uint8_t>(color >> 8);
          dst[2] = static_cast<uint8_t>(color >> 16);
        }
      }
    }
  }
  return image;
}

}  // namespace kestril
