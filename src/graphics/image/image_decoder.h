// Decoders for the image files texts refer to. BMP is read by our own reader in every
// build; JPEG and PNG natively by libjpeg-turbo and libpng, on Windows by the Windows
// Imaging Component, so the plug-ins carry no third-party decoder. Every decoder
// yields the same pixels for the same file (JPEG within a few levels: decoders may
// upsample colour differently), composes transparent pixels onto white and never
// reads past the bytes it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "graphics/image/decoded_image.h"

namespace kestril {

enum class ImageFormat : uint8_t { Bmp, Jpeg, Png };

// The format a file name's extension names, in any case (".jpeg" counts as ".jpg");
// nothing for any other extension.
std::optional<ImageFormat> ImageFormatOf(std::string_view path);

// Decodes a whole image file into memory of about its pixels (three bytes each),
// whatever the file claims: sizes are checked before anything of theirs is allocated.
// Raises EInvalidGraphic, saying why, when the bytes are not a picture of that format
// or the picture is beyond the limits of decoded_image.h, and EImageOverBudget when it
// has more than maxPixels.
DecodedImage DecodeImage(ImageFormat format, std::span<const uint8_t> bytes,
                         int64_t maxPixels = kMaxImagePixels);

DecodedImage DecodeBmp(std::span<const uint8_t> bytes, int64_t maxPixels = kMaxImagePixels);
#ifndef _WIN32
DecodedImage DecodeJpeg(std::span<const uint8_t> bytes, int64_t maxPixels = kMaxImagePixels);
DecodedImage DecodePng(std::span<const uint8_t> bytes, int64_t maxPixels = kMaxImagePixels);
#endif

// Opaque blue, green, red, alpha composed onto white, the paper images are drawn on.
inline uint8_t OverWhite(uint8_t value, uint8_t alpha) {
  return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

}  // namespace kestril
