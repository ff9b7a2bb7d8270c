// PNG through libpng's progressive-free reader, from memory. libpng reports errors by
// longjmp, so the two functions that call it hold nothing with a destructor: what
// they fill is allocated by their callers.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "graphics/image/image_decoder.h"

namespace kestril {
namespace {

struct MemoryInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t n) {
  auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (n > in->size - in->pos) png_error(png, "the PNG file is cut short");
  std::memcpy(out, in->data + in->pos, n);
  in->pos += n;
}

struct ErrorText {
  char text[128];
};

void OnError(png_structp png, png_const_charp message) {
  auto* error = static_cast<ErrorText*>(png_get_error_ptr(png));
  std::snprintf(error->text, sizeof error->text, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

class PngReader {
 public:
  explicit PngReader(std::span<const uint8_t> bytes) : input_{bytes.data(), bytes.size(), 0} {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error_, OnError, OnWarning);
    if (png_) info_ = png_create_info_struct(png_);
    if (!png_ || !info_) throw EOutOfResources("cannot start the PNG decoder");
    png_set_read_fn(png_, &input_, ReadFromMemory);
    const png_uint_32 side =
        static_cast<png_uint_32>(std::min<int64_t>(kMaxImagePixels, PNG_UINT_31_MAX));
    png_set_user_limits(png_, side, side);
    png_set_chunk_malloc_max(png_, 8u << 20);
  }
  ~PngReader() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  // Reads the header and sets up output of eight bits per channel: blue, green, red,
  // and alpha when the picture has transparency.
  bool Start(png_uint_32& width, png_uint_32& height, bool& alpha) {
    if (setjmp(png_jmpbuf(png_))) return false;
    png_read_info(png_, info_);
    width = png_get_image_width(png_, info_);
    height = png_get_image_height(png_, info_);
    if (uint64_t{width} * height > uint64_t{kMaxImagePixels}) {
      std::snprintf(error_.text, sizeof error_.text, "the PNG picture is too large");
      return false;
    }
    alpha = (png_get_color_type(png_, info_) & PNG_COLOR_MASK_ALPHA) != 0 ||
            png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
    png_set_expand(png_);
    png_set_strip_16(png_);
    png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    return png_get_rowbytes(png_, info_) == size_t{width} * (alpha ? 4 : 3);
  }

  bool Finish(png_bytepp rows) {
    if (setjmp(png_jmpbuf(png_))) return false;
    png_read_image(png_, rows);
    png_read_end(png_, nullptr);
    return true;
  }

  std::string Reason() const { return error_.text[0] ? error_.text : "not a PNG picture"; }

 private:
  MemoryInput input_;
  ErrorText error_{};
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

}  // namespace

DecodedImage DecodePng(std::span<const uint8_t> bytes) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    throw EInvalidGraphic("not a PNG file");
  }
  PngReader reader(bytes);
  png_uint_32 width = 0, height = 0;
  bool alpha = false;
  if (!reader.Start(width, height, alpha)) throw EInvalidGraphic(reader.Reason());
  DecodedImage image = AllocateImage(width, height);
  std::vector<png_bytep> rows(height);
  if (!alpha) {
    for (int32_t y = 0; y < image.height; ++y) rows[size_t(y)] = image.Row(y);
    if (!reader.Finish(rows.data())) throw EInvalidGraphic(reader.Reason());
    return image;
  }
  std::vector<uint8_t> bgra(size_t{width} * height * 4);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = bgra.data() + size_t{y} * width * 4;
  if (!reader.Finish(rows.data())) throw EInvalidGraphic(reader.Reason());
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* src = rows[size_t(y)];
    uint8_t* dst = image.Row(y);
    for (int32_t x = 0; x < image.width; ++x, src += 4, dst += 3) {
      for (int c = 0; c < 3; ++c) dst[c] = OverWhite(src[c], src[3]);
    }
  }
  return image;
}

}  // namespace kestril
