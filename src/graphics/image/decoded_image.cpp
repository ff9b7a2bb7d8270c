#include "graphics/image/decoded_image.h"

#include <string>

#include "graphics/image/image_decoder.h"

namespace kestril {

DecodedImage AllocateImage(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) throw EInvalidGraphic("the picture is empty");
  if (width > kMaxImagePixels || height > kMaxImagePixels / width) {
    throw EInvalidGraphic("the picture is too large: " + std::to_string(width) + " x " +
                          std::to_string(height));
  }
  DecodedImage image;
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.bgr.resize(image.Stride() * static_cast<size_t>(height));
  return image;
}

std::optional<ImageFormat> ImageFormatOf(std::string_view path) {
  auto endsWith = [path](std::string_view ext) {
    if (path.size() < ext.size()) return false;
    const std::string_view tail = path.substr(path.size() - ext.size());
    for (size_t i = 0; i < ext.size(); ++i) {
      char c = tail[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != ext[i]) return false;
    }
    return true;
  };
  if (endsWith(".BMP")) return ImageFormat::Bmp;
  if (endsWith(".JPG") || endsWith(".JPEG")) return ImageFormat::Jpeg;
  if (endsWith(".PNG")) return ImageFormat::Png;
  return std::nullopt;
}

}  // namespace kestril
