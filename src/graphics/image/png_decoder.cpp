// PNG through libpng's progressive-free reader, from memory, a row at a time straight
// into the decoded picture, so memory is the picture's pixels and a row or two whatever
// the file's depth. libpng reports errors by longjmp, so the reader's methods that call
// it hold nothing with a destructor: what they fill is allocated by their callers.
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
    // Sizes are judged after the header, by our own limits and in our own words.
    png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(png_, 8u << 20);
  }
  ~PngReader() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  // Reads the header.
  bool Start(png_uint_32& width, png_uint_32& height) {
    if (setjmp(png_jmpbuf(png_))) return false;
    png_read_info(png_, info_);
    width = png_get_image_width(png_, info_);
    height = png_get_image_height(png_, info_);
    return true;
  }

  // Sets up output of eight bits per channel, whatever the file's depth: blue, green,
  // red, and alpha when the picture has transparency. Answers the number of passes.
  bool Prepare(bool& alpha, int& passes) {
    if (setjmp(png_jmpbuf(png_))) return false;
    alpha = (png_get_color_type(png_, info_) & PNG_COLOR_MASK_ALPHA) != 0 ||
            png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
    png_set_expand(png_);
    png_set_strip_16(png_);
    png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    passes = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    return png_get_rowbytes(png_, info_) ==
           size_t{png_get_image_width(png_, info_)} * (alpha ? 4 : 3);
  }

  // Reads the rows of every pass, row y into rowOf(y) (each pass adds its pixels to
  // what the earlier ones left there), calling rowDone(y) once row y is whole.
  template <typename RowOf, typename RowDone>
  bool ReadRows(int passes, png_uint_32 height, RowOf rowOf, RowDone rowDone) {
    if (setjmp(png_jmpbuf(png_))) return false;
    ReadEachRow(passes, height, rowOf, rowDone);
    png_read_end(png_, nullptr);
    return true;
  }

  std::string Reason() const { return error_.text[0] ? error_.text : "not a PNG picture"; }

 private:
  template <typename RowOf, typename RowDone>
  void ReadEachRow(int passes, png_uint_32 height, RowOf rowOf, RowDone rowDone) {
    for (int pass = 0; pass < passes; ++pass) {
      for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png_, rowOf(y), nullptr);
        if (pass + 1 == passes) rowDone(y);
      }
    }
  }

  MemoryInput input_;
  ErrorText error_{};
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

// Four-byte pixels composed onto white as three-byte ones. dst may be src itself or
// lie before it.
void ComposeRow(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
    const uint8_t b = src[0], g = src[1], r = src[2], a = src[3];
    dst[0] = OverWhite(b, a);
    dst[1] = OverWhite(g, a);
    dst[2] = OverWhite(r, a);
  }
}

}  // namespace

DecodedImage DecodePng(std::span<const uint8_t> bytes, int64_t maxPixels) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    throw EInvalidGraphic("not a PNG file");
  }
  PngReader reader(bytes);
  png_uint_32 width = 0, height = 0;
  if (!reader.Start(width, height)) throw EInvalidGraphic(reader.Reason());
  CheckImageSize(width, height);
  bool alpha = false;
  int passes = 1;
  if (!reader.Prepare(alpha, passes)) throw EInvalidGraphic(reader.Reason());
  DecodedImage image = AllocateImage(width, height, maxPixels);
  const auto row = [&](png_uint_32 y) { return image.Row(int32_t(y)); };
  bool read = false;
  if (!alpha) {
    read = reader.ReadRows(passes, height, row, [](png_uint_32) {});
  } else if (passes == 1) {
    // One row of four-byte pixels at a time, composed as it comes.
    std::vector<uint8_t> wide(size_t{width} * 4);
    read = reader.ReadRows(
        1, height, [&](png_uint_32) { return wide.data(); },
        [&](png_uint_32 y) { ComposeRow(wide.data(), row(y), image.width); });
  } else {
    // Every pass adds to every row, so an interlaced picture is held whole with its
    // alpha, in the image's own storage (made four bytes a pixel), and composed in place
    // when complete: row y's four-byte pixels start no earlier than its three-byte row,
    // so each is read before anything is written over it.
    const size_t wideStride = size_t{width} * 4;
    image.bgr = {};
    image.bgr.resize(wideStride * height);
    read = reader.ReadRows(
        passes, height, [&](png_uint_32 y) { return image.bgr.data() + y * wideStride; },
        [](png_uint_32) {});
    for (int32_t y = 0; read && y < image.height; ++y) {
      ComposeRow(image.bgr.data() + size_t(y) * wideStride, image.Row(y), image.width);
      // The row's padding, which held four-byte pixels, is zero as in every picture.
      std::fill(image.Row(y) + 3 * size_t(image.width), image.Row(y) + image.Stride(), 0);
    }
    image.bgr.resize(image.Stride() * height);
  }
  if (!read) throw EInvalidGraphic(reader.Reason());
  return image;
}

}  // namespace kestril
