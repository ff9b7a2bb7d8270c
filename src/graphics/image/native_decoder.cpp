#include "graphics/image/image_decoder.h"

namespace kestril {

DecodedImage DecodeImage(ImageFormat format, std::span<const uint8_t> bytes, int64_t maxPixels) {
  switch (format) {
    case ImageFormat::Bmp:
      return DecodeBmp(bytes, maxPixels);
    case ImageFormat::Jpeg:
      return DecodeJpeg(bytes, maxPixels);
    case ImageFormat::Png:
      return DecodePng(bytes, maxPixels);
  }
  throw EInvalidGraphic("unknown image format");
}

}  // namespace kestril
