// Decoded images on the Cairo canvas: written straight into the image surface.
#include <algorithm>
#include <bit>
#include <memory>

#include "graphics/canvas/cairo_canvas.h"
#include "graphics/canvas/stretch_pixels.h"

namespace kestril {

void CairoCanvas::StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               const DecodedImage& image) {
  if (vector_) {
    PaintImage(left, top, right, bottom, image);
    return;
  }
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

cairo_surface_t* CairoCanvas::SurfaceOf(const DecodedImage& image) {
  if (image.id != 0) {
    if (const auto it = imageSurfaces_.find(image.id); it != imageSurfaces_.end()) {
      return it->second.get();
    }
  }
  SurfacePtr pixels(cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height));
  if (cairo_surface_status(pixels.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  unsigned char* data = cairo_image_surface_get_data(pixels.get());
  const int stride = cairo_image_surface_get_stride(pixels.get());
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* src = image.Row(y);
    unsigned char* dst = data + int64_t{y} * stride;
    for (int32_t x = 0; x < image.width; ++x) {
      dst[4 * x] = src[3 * x];
      dst[4 * x + 1] = src[3 * x + 1];
      dst[4 * x + 2] = src[3 * x + 2];
      dst[4 * x + 3] = 0;
    }
  }
  cairo_surface_mark_dirty(pixels.get());
  // An image without an id lives no longer than this call: the page keeps its copy.
  const uint64_t key = image.id != 0 ? image.id : ~uint64_t{0} - imageSurfaces_.size();
  return imageSurfaces_.emplace(key, std::move(pixels)).first->second.get();
}

// On a vector surface the image goes in whole, once for every box it is drawn in,
// scaled into each box by the surface and shown without smoothing, as the picture
// shows it.
void CairoCanvas::PaintImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                             const DecodedImage& image) {
  const StretchSpan across = SpanOf(left, right), down = SpanOf(top, bottom);
  if (across.count == 0 || down.count == 0 || image.width <= 0 || image.height <= 0 ||
      image.bgr.size() < image.Stride() * static_cast<size_t>(image.height) ||
      across.first >= width_ || across.first + across.count <= 0 || down.first >= height_ ||
      down.first + down.count <= 0) {
    return;
  }
  cairo_t* cr = cr_.get();
  // A box reaching far beyond the page would leave Cairo's coordinate range: its part on
  // the page goes in instead, stretched here as the picture shows it, a copy for this
  // box alone.
  constexpr int64_t kFar = int64_t{1} << 22;
  if (across.first < -kFar || across.count > kFar || down.first < -kFar || down.count > kFar) {
    const int64_t x0 = std::max<int64_t>(across.first, 0), y0 = std::max<int64_t>(down.first, 0);
    const int64_t cw = std::min<int64_t>(across.first + across.count, width_) - x0;
    const int64_t ch = std::min<int64_t>(down.first + down.count, height_) - y0;
    if (images_ != nullptr && !images_->Spend(cw * ch)) return;
    SurfacePtr part(cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(cw), int(ch)));
    if (cairo_surface_status(part.get()) != CAIRO_STATUS_SUCCESS) return;
    unsigned char* data = cairo_image_surface_get_data(part.get());
    const int stride = cairo_image_surface_get_stride(part.get());
    // Moving the box and the copy by the same whole pixels leaves every pixel's choice.
    StretchPixels(
        left - x0, top - y0, right - x0, bottom - y0, image, cw, ch,
        [&](int64_t y) { return data + y * stride; }, 4);
    cairo_surface_mark_dirty(part.get());
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, double(x0), double(y0), double(cw), double(ch));
    cairo_clip(cr);
    cairo_set_source_surface(cr, part.get(), double(x0), double(y0));
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    return;
  }
  cairo_surface_t* pixels = SurfaceOf(image);
  if (pixels == nullptr) return;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, double(across.first), double(down.first), double(across.count),
                  double(down.count));
  cairo_clip(cr);
  cairo_translate(cr, double(across.mirrored ? across.first + across.count : across.first),
                  double(down.mirrored ? down.first + down.count : down.first));
  cairo_scale(cr, (across.mirrored ? -1.0 : 1.0) * double(across.count) / image.width,
              (down.mirrored ? -1.0 : 1.0) * double(down.count) / image.height);
  cairo_set_source_surface(cr, pixels, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
}

}  // namespace kestril
