#include "graphics/image/png_file.h"

#include <png.h>

#include <cstring>
#include <exception>

#include "base/byte_sink.h"
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

namespace {

constexpr int64_t kQuickPixels = int64_t{64} << 20;

[[noreturn]] void PngFailed(png_structp png, png_const_charp message) {
  auto* why = static_cast<std::string*>(png_get_error_ptr(png));
  if (why != nullptr) *why = message;
  png_longjmp(png, 1);
}

void PngWarned(png_structp, png_const_charp) {}

// libpng reports failures by a long jump back into the function that set it: each
// step runs inside such a function, holding nothing that needs destroying.
template <class Step>
bool Guarded(png_structp png, Step step) {
  if (setjmp(png_jmpbuf(png))) return false;
  step();
  return true;
}

// libpng's writes go to the sink. A failure cannot pass through libpng as an exception:
// it is kept and raised again once libpng has jumped back.
void WriteToSink(png_structp png, png_bytep data, size_t n) {
  auto* writer = static_cast<PngRowWriter*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    writer->Sink().Write(data, n);
  } catch (...) {
    if (!writer->SinkError()) writer->SinkError() = std::current_exception();
    ok = false;
  }
  if (!ok) png_error(png, "the write failed");
}

void FlushSink(png_structp) {}

}  // namespace

PngRowWriter::PngRowWriter(ByteSink& out, int32_t width, int32_t height,
                           const std::vector<std::pair<std::string, std::string>>& texts)
    : out_(out), height_(height) {
  if (width <= 0 || height <= 0) {
    throw Error("an empty picture cannot be written as PNG: " + out.Name());
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &why_, PngFailed, PngWarned);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  png_ = png;
  info_ = info;
  if (png == nullptr || info == nullptr) {
    Close();
    throw Error("cannot write " + out.Name() + ": out of memory");
  }
  std::vector<png_text> chunks(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
    chunks[i].key = const_cast<char*>(texts[i].first.c_str());
    chunks[i].text = const_cast<char*>(texts[i].second.c_str());
  }
  const bool ok = Guarded(png, [&] {
    png_set_write_fn(png, this, WriteToSink, FlushSink);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!chunks.empty()) png_set_text(png, info, chunks.data(), static_cast<int>(chunks.size()));
    // Line drawings on a plain ground: rows left unfiltered compress about as well as
    // filtered ones, and choosing filters row by row was most of the writing time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    // Huge pictures favour speed: they would take many seconds to squeeze hard.
    if (int64_t{width} * height > kQuickPixels) png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_set_bgr(png);
  });
  if (!ok) Fail();
}

PngRowWriter::~PngRowWriter() {
  Close();
}

void PngRowWriter::Close() {
  auto png = static_cast<png_structp>(png_);
  auto info = static_cast<png_infop>(info_);
  if (png != nullptr) png_destroy_write_struct(&png, info ? &info : nullptr);
  png_ = info_ = nullptr;
}

void PngRowWriter::Fail() {
  Close();
  if (sinkError_) std::rethrow_exception(sinkError_);
  throw Error("cannot write " + out_.Name() + ": " + why_);
}

void PngRowWriter::WriteRow(const uint8_t* bgr) {
  auto png = static_cast<png_structp>(png_);
  if (png == nullptr || written_ >= height_) throw Error("too many rows for " + out_.Name());
  if (!Guarded(png, [&] { png_write_row(png, bgr); })) Fail();
  ++written_;
}

void PngRowWriter::Finish() {
  auto png = static_cast<png_structp>(png_);
  if (png == nullptr || written_ != height_) throw Error("rows missing in " + out_.Name());
  if (!Guarded(png, [&] { png_write_end(png, static_cast<png_infop>(info_)); })) Fail();
  Close();
}

}  // namespace kestril
