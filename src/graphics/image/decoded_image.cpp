#include "graphics/image/decoded_image.h"

#include <atomic>
#include <string>

#include "graphics/image/image_decoder.h"

namespace kestril {
namespace {

std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

void CheckImageSize(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) throw EInvalidGraphic("the picture is empty");
  if (width > kMaxImageSide || height > kMaxImageSide) {
    throw EInvalidGraphic("the picture is " + SizeText(width, height) +
                          "; pictures of more than 65535 pixels a side are not read");
  }
  if (width * height > kMaxImagePixels) {
    throw EInvalidGraphic("the picture is " + SizeText(width, height) +
                          "; pictures of more than 64 megapixels are not read");
  }
}

DecodedImage AllocateImage(int64_t width, int64_t height, int64_t maxPixels) {
  CheckImageSize(width, height);
  if (width * height > maxPixels) {
    throw EImageOverBudget("the picture is " + SizeText(width, height) + "; " +
                           std::to_string(maxPixels) + " pixels are left to decode");
  }
  static std::atomic<uint64_t> decodes{0};
  DecodedImage image;
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.bgr.resize(image.Stride() * static_cast<size_t>(height));
  image.id = ++decodes;
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
