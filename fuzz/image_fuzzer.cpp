// libFuzzer target: any bytes through the three image decoders, and whatever they
// decode stretched onto a small native picture in a box taken from the bytes; the
// same bytes as an image reference's text (fields, full-width digits, paths).
#include <cstddef>
#include <cstdint>

#include <string>

#include "graphics/canvas/canvas.h"
#include "graphics/canvas/recording_canvas.h"
#include "graphics/image/image_decoder.h"
#include "graphics/text_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (kestril::ImageFormat format :
       {kestril::ImageFormat::Bmp, kestril::ImageFormat::Jpeg, kestril::ImageFormat::Png}) {
    try {
      const kestril::DecodedImage image = kestril::DecodeImage(format, bytes);
      auto canvas = kestril::CreateRasterCanvas(64, 48);
      // The last bytes place the box, mirrored and beyond the picture as they come.
      auto at = [&](size_t back) {
        return int32_t(int8_t(size > back ? data[size - 1 - back] : 0));
      };
      canvas->StretchImage(at(0), at(1), at(2) * 4, at(3) * 4, image);
    } catch (const kestril::Error&) {
    }
  }
  kestril::RecordingCanvas recording(64, 48);
  const std::string text = "^@BM" + std::string(reinterpret_cast<const char*>(data), size);
  const kestril::TViewTransform view{-1, 0.5, {0, 0}, {0, 48}};
  kestril::ImageCache images;
  kestril::DrawTextImage(recording, {1, 1}, kestril::JwString(text), view, {"/nonexistent"},
                         images);
  kestril::DrawTextImage(recording, {1, 1}, kestril::JwString(text, kestril::TextEncoding::Utf16),
                         view, {"/nonexistent"}, images);
  return 0;
}
