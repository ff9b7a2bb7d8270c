#include "graphics/image/png_file.h"

#include <png.h>

#include <cstring>

#include "base/errors.h"

namespace kestril {
namespace {

png_image Describe(int32_t width, int32_t height, png_uint_32 format) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  return image;
}

// A negative row stride means the rows are stored bottom row first.
void Write(const std::string& path, png_image image, const void* rows, png_int_32 stride) {
  if (image.width == 0 || image.height == 0) {
    throw EReadError("an empty picture cannot be written as PNG: " + path);
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, rows, stride, nullptr)) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw EReadError("cannot write " + path + ": " + reason);
  }
}

}  // namespace

RgbImage FromBmpRows(const uint8_t* rows, int32_t width, int32_t height, size_t stride) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = rows + static_cast<size_t>(height - 1 - y) * stride;
    uint8_t* dst = image.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return image;
}

void WritePng(const std::string& path, const RgbImage& image) {
  Write(path, Describe(image.width, image.height, PNG_FORMAT_RGB), image.rgb.data(),
        static_cast<png_int_32>(image.width) * 3);
}

void WritePngFromBmpRows(const std::string& path, const uint8_t* rows, int32_t width,
                         int32_t height, size_t stride) {
  Write(path, Describe(width, height, PNG_FORMAT_BGR), rows, -static_cast<png_int_32>(stride));
}

RgbImage ReadPng(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    throw EReadError("cannot read " + path + ": " + image.message);
  }
  if (image.width > (1u << 15) || image.height > (1u << 15)) {
    png_image_free(&image);
    throw EReadError(path + " is larger than any picture kestril makes");
  }
  image.format = PNG_FORMAT_RGB;
  RgbImage out;
  out.width = static_cast<int32_t>(image.width);
  out.height = static_cast<int32_t>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw EReadError("cannot read " + path + ": " + reason);
  }
  return out;
}

}  // namespace kestril
