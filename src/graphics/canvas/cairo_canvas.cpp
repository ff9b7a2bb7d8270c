#include "graphics/canvas/cairo_canvas.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "graphics/canvas/raster_size.h"

namespace kestril {

namespace {

void SetSource(cairo_t* cr, Color c) {
  cairo_set_source_rgb(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
}

}  // namespace

CairoCanvas::CairoCanvas(int32_t width, int32_t height, bool antialias)
    : width_(width), height_(height), antialias_(antialias) {
  CheckRasterSize(width, height);
  surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS) {
    throw EOutOfResources("cannot create the picture");
  }
  cr_.reset(cairo_create(surface_.get()));
  if (cairo_status(cr_.get()) != CAIRO_STATUS_SUCCESS) {
    throw EOutOfResources("cannot create the drawing context");
  }
  cairo_set_antialias(cr_.get(), antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_source_rgb(cr_.get(), 1, 1, 1);
  cairo_paint(cr_.get());
}

void CairoCanvas::MoveTo(TPoint p) {
  pos_ = p;
}
void CairoCanvas::Polyline(std::span<const TPoint>) {}
void CairoCanvas::PolyBezier(std::span<const TPoint>) {}
void CairoCanvas::PolyBezierTo(std::span<const TPoint>) {}
void CairoCanvas::Polygon(std::span<const TPoint>) {}
void CairoCanvas::Ellipse(int32_t, int32_t, int32_t, int32_t) {}
void CairoCanvas::Arc(int32_t, int32_t, int32_t, int32_t, TPoint, TPoint) {}

void CairoCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (brush_.style == BrushStyle::Clear) return;
  // Clamp in 64 bits first: the edges may be anywhere in the int32 range.
  const int64_t l = std::clamp<int64_t>(left, 0, width_);
  const int64_t r = std::clamp<int64_t>(right, 0, width_);
  const int64_t t = std::clamp<int64_t>(top, 0, height_);
  const int64_t b = std::clamp<int64_t>(bottom, 0, height_);
  if (r <= l || b <= t) return;
  cairo_t* cr = cr_.get();
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, double(l), double(t), double(r - l), double(b - t));
  SetSource(cr, brush_.color);
  cairo_fill(cr);
  cairo_restore(cr);
}

void CairoCanvas::BeginPath() {}
void CairoCanvas::EndPath() {}
void CairoCanvas::FlattenPath() {}
void CairoCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) {
  points.clear();
  types.clear();
}
void CairoCanvas::StrokePath() {}
void CairoCanvas::StrokeAndFillPath() {}

void CairoCanvas::CopyBmpRows(std::span<uint8_t> dst, size_t stride) const {
  CheckBmpDestination(dst.size(), stride, width_, height_);
  if (width_ == 0 || height_ == 0) return;
  cairo_surface_t* s = surface_.get();
  cairo_surface_flush(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const size_t srcStride = static_cast<size_t>(cairo_image_surface_get_stride(s));
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  for (int32_t y = 0; y < height_; ++y) {
    // RGB24 pixels are native-endian 32-bit words 0x00RRGGBB.
    const auto* src = reinterpret_cast<const uint32_t*>(data + srcStride * size_t(y));
    uint8_t* out = dst.data() + stride * size_t(height_ - 1 - y);
    for (int32_t x = 0; x < width_; ++x) {
      const uint32_t px = src[x];
      *out++ = static_cast<uint8_t>(px);
      *out++ = static_cast<uint8_t>(px >> 8);
      *out++ = static_cast<uint8_t>(px >> 16);
    }
    std::memset(out, 0, stride - rowBytes);
  }
}

std::unique_ptr<RasterCanvas> CreateRasterCanvas(int32_t width, int32_t height, bool antialias) {
  return std::make_unique<CairoCanvas>(width, height, antialias);
}

}  // namespace kestril
