#include "support/image_bomb.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "support/jww_writer.h"

namespace kestril::testing {

void WriteCheckerPng(const std::filesystem::path& file, uint32_t width, uint32_t height,
                     uint32_t square) {
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  const std::unique_ptr<std::FILE, Close> out(std::fopen(file.c_str(), "wb"));
  if (!out) throw std::runtime_error("cannot write " + file.string());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row((width + 7) / 8);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot write " + file.string());
  }
  png_init_io(png, out.get());
  png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (uint32_t y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), png_byte{0});
    for (uint32_t x = 0; x < width; ++x) {
      const bool white = ((x / square) + (y / square)) % 2 == 1;
      if (white) row[x / 8] |= static_cast<png_byte>(0x80 >> (x % 8));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
}

std::vector<uint8_t> ImageBombDrawing(const std::string& image, uint32_t inserts) {
  ArchiveWriter a(700);
  a.Line(Line({-1, -1}, {0, -1}));
  for (uint32_t i = 0; i < inserts; ++i) a.Block(Insert(0, {BombInsertX(i), BombInsertY(i)}));
  a.DefinitionCount(1);
  a.Definition(0, 1, "picture");
  a.Text(Text({0, 0}, {10, 0}, 2.5, "^@BM" + image + ",10,10"));
  a.End();
  return BuildJww(TestHeader(700), a);
}

std::vector<uint8_t> ImageRowDrawing(const std::vector<std::string>& images) {
  ArchiveWriter a(700);
  for (size_t k = 0; k < images.size(); ++k) {
    const double x = 12.0 * double(k);
    a.Text(Text({x, 0}, {x + 10, 0}, 2.5, "^@BM" + images[k] + ",10,10"));
  }
  a.End();
  return BuildJww(TestHeader(700), a);
}

}  // namespace kestril::testing
