#include "graphics/image/png_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

#include "base/errors.h"

namespace kestril {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr Open(const std::string& path, const char* mode) {
  FilePtr f(std::fopen(path.c_str(), mode));
  if (!f) throw EFOpenError("cannot open \"" + path + "\"");
  return f;
}

void PngWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp; these keep every C++ object out of the jump's way
// and answer false instead.
bool WriteRows(std::FILE* f, const RgbImage& image) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t row = static_cast<size_t>(image.width) * 3;
  for (int32_t y = 0; y < image.height; ++y) {
    png_write_row(png, image.rgb.data() + static_cast<size_t>(y) * row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Reads into image as 8-bit RGB, whatever the file holds; rows is scratch space for
// the row pointers. Pictures beyond 32768 pixels a side are refused.
bool ReadRows(std::FILE* f, RgbImage& image, std::vector<png_bytep>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 3 || w > 1u << 15 || h > 1u << 15) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  image.width = static_cast<int32_t>(w);
  image.height = static_cast<int32_t>(h);
  image.rgb.resize(static_cast<size_t>(w) * h * 3);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = image.rgb.data() + static_cast<size_t>(y) * w * 3;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
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
  FilePtr f = Open(path, "wb");
  if (!WriteRows(f.get(), image) || std::fflush(f.get()) != 0) {
    throw EReadError("cannot write the PNG file \"" + path + "\"");
  }
}

RgbImage ReadPng(const std::string& path) {
  FilePtr f = Open(path, "rb");
  RgbImage image;
  std::vector<png_bytep> rows;
  if (!ReadRows(f.get(), image, rows)) throw EReadError("\"" + path + "\" is not a readable PNG file");
  return image;
}

}  // namespace kestril
