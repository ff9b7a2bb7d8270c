// Decoded images on the Cairo canvas: written straight into the image surface.
#include <bit>

#include "graphics/canvas/cairo_canvas.h"
#include "graphics/canvas/stretch_pixels.h"

namespace kestril {

void CairoCanvas::StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               const DecodedImage& image) {
  cairo_surface_t* surface = surface_.get();
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int64_t stride = cairo_image_surface_get_stride(surface);
  // RGB24 pixels are 0x00RRGGBB in native order: blue, green, red, 0 in memory here.
  static_assert(std::endian::native == std::endian::little);
  // Moving the box and the picture by the same whole rows leaves every pixel's choice.
  StretchPixels(
      left, int64_t{top} - firstRow_, right, int64_t{bottom} - firstRow_, image, width_, rows_,
      [&](int64_t y) { return data + y * stride; }, 4);
  cairo_surface_mark_dirty(surface);
}

}  // namespace kestril
