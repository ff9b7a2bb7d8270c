// JPEG through libjpeg-turbo, from memory. libjpeg reports errors by calling
// error_exit, which must not return: it longjmps back into the reader's method that
// called libjpeg, and those methods hold nothing with a destructor.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <string>

#include "graphics/image/image_decoder.h"

namespace kestril {
namespace {

// Progressive files may hold any number of scans; each one costs a pass over the
// whole picture, so a small file could keep the decoder busy for hours.
constexpr int kMaxScans = 500;
constexpr long kMaxDecoderMemory = 512L << 20;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
  error->base.format_message(cinfo, error->text);
  std::longjmp(error->jump, 1);
}

void OnMessage(j_common_ptr) {}

[[noreturn]] void Fail(j_common_ptr cinfo, const char* why) {
  auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(error->text, sizeof error->text, "%s", why);
  std::longjmp(error->jump, 1);
}

void OnProgress(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    Fail(cinfo, "the JPEG file has too many scans");
  }
}

class JpegReader {
 public:
  JpegReader() {
    cinfo_.err = jpeg_std_error(&error_.base);
    error_.base.error_exit = OnError;
    error_.base.output_message = OnMessage;
    progress_.progress_monitor = OnProgress;
  }
  // Also after a failed start: libjpeg frees whatever it had made.
  ~JpegReader() { jpeg_destroy_decompress(&cinfo_); }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  bool Start(std::span<const uint8_t> bytes, int64_t& width, int64_t& height) {
    if (setjmp(error_.jump)) return false;
    jpeg_create_decompress(&cinfo_);
    cinfo_.mem->max_memory_to_use = kMaxDecoderMemory;
    cinfo_.progress = &progress_;
    jpeg_mem_src(&cinfo_, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo_, TRUE);
    cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGR;
    width = cinfo_.image_width;
    height = cinfo_.image_height;
    return true;
  }

  // Decodes into image, sized by Start; row is scratch room for one CMYK row.
  bool Finish(DecodedImage& image, uint8_t* row) {
    if (setjmp(error_.jump)) return false;
    jpeg_start_decompress(&cinfo_);
    if (cinfo_.output_width != JDIMENSION(image.width) ||
        cinfo_.output_height != JDIMENSION(image.height)) {
      Fail("the JPEG decoder changed the picture's size");
    }
    while (cinfo_.output_scanline < cinfo_.output_height) {
      const int32_t y = static_cast<int32_t>(cinfo_.output_scanline);
      JSAMPROW target = cmyk_ ? row : image.Row(y);
      if (jpeg_read_scanlines(&cinfo_, &target, 1) != 1) Fail("the JPEG decoder stalled");
      if (cmyk_) FromCmyk(row, image.Row(y), image.width);
    }
    jpeg_finish_decompress(&cinfo_);
    return true;
  }

  bool Cmyk() const { return cmyk_; }
  std::string Reason() const { return error_.text[0] ? error_.text : "not a JPEG picture"; }

 private:
  // CMYK as Adobe writes it (inverted), by the usual product.
  static void FromCmyk(const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = static_cast<uint8_t>((src[2] * src[3] + 127) / 255);
      dst[1] = static_cast<uint8_t>((src[1] * src[3] + 127) / 255);
      dst[2] = static_cast<uint8_t>((src[0] * src[3] + 127) / 255);
    }
  }

  [[noreturn]] void Fail(const char* why) {
    kestril::Fail(reinterpret_cast<j_common_ptr>(&cinfo_), why);
  }

  ErrorManager error_{};
  jpeg_decompress_struct cinfo_{};
  jpeg_progress_mgr progress_{};
  bool cmyk_ = false;
};

}  // namespace

DecodedImage DecodeJpeg(std::span<const uint8_t> bytes, int64_t maxPixels) {
  if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) {
    throw EInvalidGraphic("not a JPEG file");
  }
  JpegReader reader;
  int64_t width = 0, height = 0;
  if (!reader.Start(bytes, width, height)) throw EInvalidGraphic(reader.Reason());
  DecodedImage image = AllocateImage(width, height, maxPixels);
  std::vector<uint8_t> cmykRow(reader.Cmyk() ? size_t(width) * 4 : 0);
  if (!reader.Finish(image, cmykRow.data())) throw EInvalidGraphic(reader.Reason());
  return image;
}

}  // namespace kestril
