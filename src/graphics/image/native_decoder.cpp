#include "graphics/image/image_decoder.h"

namespace kestril {

DecodedImage DecodeImage(ImageFormat format, std::span<const uint8_t> bytes) {
  switch (format) {
    case ImageFormat::Bmp:
      return DecodeBmp(bytes);
    case ImageFormat::Jpeg:
      return DecodeJpeg(bytes);
    case ImageFormat::Png:
      return DecodePng(bytes);
  }
  throw EInvalidGraphic("unknown image format");
}

}  // namespace kestril
