// Builds without the native decoder libraries (the WebAssembly core) read BMP only.
#include "graphics/image/image_decoder.h"

namespace kestril {

DecodedImage DecodeImage(ImageFormat format, std::span<const uint8_t> bytes, int64_t maxPixels) {
  if (format == ImageFormat::Bmp) return DecodeBmp(bytes, maxPixels);
  throw EInvalidGraphic("no decoder for this image format in this build");
}

}  // namespace kestril
