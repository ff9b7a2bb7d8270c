#include "graphics/canvas/cairo_canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "base/errors.h"
#include "graphics/canvas/gdi_raster_rules.h"
#include "graphics/canvas/raster_size.h"
#include "graphics/canvas/row_packing.h"
#include "graphics/clip.h"

namespace kestril {

namespace {

// Wider pens gain nothing visible on a picture of at most 32767 pixels a side and
// would push the clip margin towards Cairo's limits.
constexpr int32_t kMaxPenWidth = 1 << 16;

// Bezier tolerance for anti-aliased output, where rounding to pixels would show.
constexpr double kSmoothTolerance = 0.1;

void SetSource(cairo_t* cr, Color c) {
  cairo_set_source_rgb(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
}

}  // namespace

class CairoCanvas::SurfaceWriter {
 public:
  SurfaceWriter(cairo_surface_t* surface, int64_t width, int64_t firstRow, int64_t rows, Color c)
      : pixels(cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface),
               width, firstRow, rows, c),
        surface_(surface) {
    cairo_surface_flush(surface_);
  }
  ~SurfaceWriter() { cairo_surface_mark_dirty(surface_); }
  SurfaceWriter(const SurfaceWriter&) = delete;
  SurfaceWriter& operator=(const SurfaceWriter&) = delete;

  PixelWriter pixels;

 private:
  cairo_surface_t* surface_;
};

CairoCanvas::SurfaceWriter CairoCanvas::Pixels(Color c) {
  return SurfaceWriter(surface_.get(), width_, firstRow_, rows_, c);
}

CairoCanvas::CairoCanvas(int32_t width, int32_t height, bool antialias, RowBand band)
    : width_(width), height_(height), antialias_(antialias) {
  if (width < 0 || height < 0) throw EOutOfResources("picture size is negative");
  firstRow_ = std::clamp(band.top, 0, height);
  rows_ = band.rows < 0 ? height - firstRow_ : std::clamp(band.rows, 0, height - firstRow_);
  CheckRasterSize(width, rows_);  // what is held, not the whole picture
  surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, rows_));
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
  // Everything is drawn in the whole picture's coordinates: a whole number of rows up,
  // which moves every point exactly.
  cairo_translate(cr_.get(), 0, -firstRow_);
}

CairoCanvas::CairoCanvas(cairo_surface_t* target, int32_t width, int32_t height, ImageCache* images)
    : width_(width),
      height_(height),
      rows_(height),
      antialias_(true),
      vector_(true),
      images_(images) {
  if (width < 0 || height < 0) throw EOutOfResources("picture size is negative");
  surface_.reset(cairo_surface_reference(target));
  cr_.reset(cairo_create(target));
  if (cairo_status(cr_.get()) != CAIRO_STATUS_SUCCESS) {
    throw EOutOfResources("cannot create the drawing context");
  }
  cairo_rectangle(cr_.get(), 0, 0, width, height);
  cairo_set_source_rgb(cr_.get(), 1, 1, 1);
  cairo_fill(cr_.get());
}

void CairoCanvas::MoveTo(TPoint p) {
  pos_ = p;
  path_.MoveTo(p);
}

void CairoCanvas::Polyline(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.Polyline(points);
  } else if (points.size() >= 2) {
    RenderFigure(points, kPtLineTo, false, false, true);
  }
}

void CairoCanvas::PolyBezier(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.PolyBezier(points);
  } else if (points.size() >= 4 && points.size() % 3 == 1) {
    RenderFigure(points, kPtBezierTo, false, false, true);
  }
}

void CairoCanvas::PolyBezierTo(std::span<const TPoint> points) {
  if (points.empty() || points.size() % 3 != 0) return;
  if (path_.IsOpen()) {
    path_.PolyBezierTo(points);
  } else {
    points_.assign(1, pos_);
    points_.insert(points_.end(), points.begin(), points.end());
    RenderFigure(points_, kPtBezierTo, false, false, true);
  }
  pos_ = points.back();
}

void CairoCanvas::Polygon(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.Polygon(points);
  } else if (points.size() >= 2) {
    RenderFigure(points, kPtLineTo, true, true, true);
  }
}

void CairoCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (path_.IsOpen()) {
    path_.Ellipse(left, top, right, bottom);
    return;
  }
  if (WalksEllipse(left, top, right, bottom)) {
    // Filled and edged by the same pixel walk, as GDI fills and edges them.
    if (brush_.style == BrushStyle::Solid) {
      SurfaceWriter out = Pixels(brush_.color);
      FillWalkedEllipse(left, top, right, bottom, out.pixels);
    }
    WalkArc(left, top, right, bottom, nullptr);
    return;
  }
  const std::vector<TPoint> outline = TraceEllipse(left, top, right, bottom);
  RenderFigure(outline, kPtBezierTo, true, true, true);
}

void CairoCanvas::Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                      TPoint end) {
  if (path_.IsOpen()) {
    path_.Arc(left, top, right, bottom, start, end);
    return;
  }
  if (WalksEllipse(left, top, right, bottom)) {
    const TPoint rays[2] = {start, end};
    WalkArc(left, top, right, bottom, rays);
    return;
  }
  const std::vector<TPoint> outline = TraceArc(left, top, right, bottom, start, end);
  RenderFigure(outline, kPtBezierTo, false, false, true);
}

bool CairoCanvas::WalksEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
  if (antialias_ || pen_.style == PenStyle::Null || pen_.width > 1) return false;
  const int64_t w = std::llabs(int64_t{right} - left), h = std::llabs(int64_t{bottom} - top);
  return w <= kMaxWalkedEllipse && h <= kMaxWalkedEllipse;
}

void CairoCanvas::WalkArc(int32_t left, int32_t top, int32_t right, int32_t bottom,
                          const TPoint* rays) {
  SurfaceWriter out = Pixels(pen_.color);
  kestril::WalkArc(left, top, right, bottom, rays, out.pixels);
}

void CairoCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (brush_.style == BrushStyle::Clear) return;
  // GDI blits an inverted rectangle mirrored about its first edge: columns right+1 up
  // to left. Work in 64 bits: the edges may be anywhere in the int32 range.
  auto span = [](int64_t from, int64_t to, int64_t limit) {
    if (to < from) std::tie(from, to) = std::pair{to + 1, from + 1};
    return std::pair{std::clamp<int64_t>(from, 0, limit), std::clamp<int64_t>(to, 0, limit)};
  };
  const auto [l, r] = span(left, right, width_);
  const auto [t, b] = span(top, bottom, height_);
  if (r <= l || b <= t) return;
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  cairo_rectangle(cr, double(l), double(t), double(r - l), double(b - t));
  SetSource(cr, brush_.color);
  cairo_fill(cr);
}

void CairoCanvas::BeginPath() {
  path_.Begin(pos_);
}
void CairoCanvas::EndPath() {
  path_.End();
}
void CairoCanvas::FlattenPath() {
  path_.Flatten();
}

void CairoCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) {
  points.clear();
  types.clear();
  if (!path_.HasPath()) return;
  points = path_.Points();
  types = path_.Types();
}

void CairoCanvas::StrokePath() {
  if (!path_.HasPath()) return;
  Render(path_.Points(), path_.Types(), false, true);
  path_.Discard();
}

void CairoCanvas::StrokeAndFillPath() {
  if (!path_.HasPath()) return;
  Render(path_.Points(), path_.Types(), true, true);
  path_.Discard();
}

void CairoCanvas::RenderFigure(std::span<const TPoint> points, uint8_t rest, bool closed, bool fill,
                               bool stroke) {
  if (points.empty()) return;
  types_.assign(points.size(), rest);
  types_[0] = kPtMoveTo;
  if (closed) types_.back() |= kPtCloseFigure;
  Render(points, types_, fill, stroke);
}

void CairoCanvas::Render(std::span<const TPoint> points, std::span<const uint8_t> types, bool fill,
                         bool stroke) {
  fill = fill && brush_.style == BrushStyle::Solid;
  stroke = stroke && pen_.style != PenStyle::Null;
  if ((!fill && !stroke) || points.empty() || width_ == 0 || height_ == 0) return;
  const size_t count =
      FlattenFigures(points, types, antialias_ ? kSmoothTolerance : kFlattenTolerance, figures_);
  const std::span<PathFigure> figures(figures_.data(), count);
  if (!antialias_) {
    // GDI flattens curves to whole pixels before it draws them.
    for (PathFigure& f : figures) {
      for (TaPoint2D& p : f.points) p = {std::floor(p.x + 0.5), std::floor(p.y + 0.5)};
    }
  }
  if (fill) FillFigures(figures);
  if (stroke) StrokeFigures(figures);
}

void CairoCanvas::FillFigures(std::span<const PathFigure> figures) {
  const TDeviceRect r = GrownCanvasRect(*this, 2);
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  for (const PathFigure& f : figures) {
    if (f.points.size() < 3) continue;
    const std::vector<TaPoint2D> poly = ClipPolygon(f.points, r);
    if (poly.size() < 3) continue;
    cairo_move_to(cr, poly[0].x + 0.5, poly[0].y + 0.5);
    for (size_t i = 1; i < poly.size(); ++i) cairo_line_to(cr, poly[i].x + 0.5, poly[i].y + 0.5);
    cairo_close_path(cr);
  }
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  SetSource(cr, brush_.color);
  cairo_fill(cr);
}

void CairoCanvas::StrokeFigures(std::span<const PathFigure> figures) {
  const int32_t width = std::clamp(pen_.width, 0, kMaxPenWidth);
  // CreatePen's wide pens end round whatever cap the Pen carries.
  const PenCap cap = pen_.geometric ? pen_.cap : PenCap::Round;
  if (!antialias_) {
    if (width <= 1) {
      StrokeThinAliased(figures);
    } else {
      StrokeWideAliased(figures, width, cap);
    }
    return;
  }
  const double lineWidth = std::max(width, 1);
  const TDeviceRect r = GrownCanvasRect(*this, lineWidth + 4);
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  ClippedRuns& runs = runs_;
  for (const PathFigure& f : figures) {
    ClipPolyline(f.points, f.closed, r, runs);
    for (size_t i = 0; i < runs.Count(); ++i) {
      const std::span<const TaPoint2D> run = runs.Run(i);
      // A zero-length segment keeps its round or square caps: a dot, as on GDI.
      cairo_move_to(cr, run[0].x + 0.5, run[0].y + 0.5);
      for (size_t k = 1; k < run.size(); ++k) cairo_line_to(cr, run[k].x + 0.5, run[k].y + 0.5);
      if (runs.closed) cairo_close_path(cr);
    }
  }
  cairo_line_cap_t cairoCap = CAIRO_LINE_CAP_ROUND;
  if (cap == PenCap::Flat || width <= 1) cairoCap = CAIRO_LINE_CAP_BUTT;
  if (cap == PenCap::Square && width > 1) cairoCap = CAIRO_LINE_CAP_SQUARE;
  cairo_set_line_cap(cr, cairoCap);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, lineWidth);
  SetSource(cr, pen_.color);
  cairo_stroke(cr);
}

void CairoCanvas::StrokeWideAliased(std::span<const PathFigure> figures, int32_t width,
                                    PenCap cap) {
  // Opaque aliased fills of the pieces a batch at a time light the same pixels as one
  // fill of them all, without Cairo intersecting every piece with every other one.
  class Filler final : public WideLinePieces {
   public:
    explicit Filler(cairo_t* cr) : cr_(cr) {}
    void Quad(const std::array<TaPoint2D, 4>& c) override {
      cairo_move_to(cr_, c[0].x, c[0].y);
      for (size_t i = 1; i < 4; ++i) cairo_line_to(cr_, c[i].x, c[i].y);
      cairo_close_path(cr_);
      Added();
    }
    void Disc(TaPoint2D centre, double radius) override {
      cairo_new_sub_path(cr_);
      cairo_arc(cr_, centre.x, centre.y, radius, 0, kTwoPi);
      cairo_close_path(cr_);
      Added();
    }

   private:
    void Added() {
      if (++pending_ < 16) return;
      cairo_fill(cr_);
      pending_ = 0;
    }
    cairo_t* cr_;
    int pending_ = 0;
  };
  const TDeviceRect r = GrownCanvasRect(*this, width + 4.0);
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  SetSource(cr, pen_.color);
  Filler filler(cr);
  ClippedRuns& runs = runs_;
  for (const PathFigure& f : figures) {
    ClipPolyline(f.points, f.closed, r, runs);
    for (size_t i = 0; i < runs.Count(); ++i) {
      WideLineRunPieces(runs.Run(i), runs.closed, width, cap, filler);
    }
  }
  cairo_fill(cr);
}

void CairoCanvas::StrokeThinAliased(std::span<const PathFigure> figures) {
  SurfaceWriter out = Pixels(pen_.color);
  WalkThinFigures(figures, out.pixels);
}

void CairoCanvas::CopyBmpRows(std::span<uint8_t> dst, size_t stride) const {
  if (vector_) throw Error("a vector picture has no pixel rows");
  CheckBmpDestination(dst.size(), stride, width_, rows_);
  if (width_ == 0 || rows_ == 0) return;
  cairo_surface_t* s = surface_.get();
  cairo_surface_flush(s);
  PackBmpRows(cairo_image_surface_get_data(s),
              static_cast<size_t>(cairo_image_surface_get_stride(s)), width_, rows_, dst, stride);
}

std::unique_ptr<RasterCanvas> CreateRasterCanvas(int32_t width, int32_t height, bool antialias,
                                                 RowBand band) {
  return std::make_unique<CairoCanvas>(width, height, antialias, band);
}

}  // namespace kestril
