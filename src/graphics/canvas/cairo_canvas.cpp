#include "graphics/canvas/cairo_canvas.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "base/errors.h"
#include "graphics/canvas/raster_size.h"

#ifndef __SIZEOF_INT128__
#error "the one-pixel line walk needs 128-bit integers for int32 end points"
#endif

namespace kestril {

namespace {

using Wide = __int128;

// Wider pens gain nothing visible on a picture of at most 32767 pixels a side and
// would push the clip margin towards Cairo's limits.
constexpr int32_t kMaxPenWidth = 1 << 16;

// Bezier tolerance for anti-aliased output, where rounding to pixels would show.
constexpr double kSmoothTolerance = 0.1;

struct ClipRect {
  double x0, y0, x1, y1;
  bool Contains(TaPoint2D p) const { return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1; }
};

void SetSource(cairo_t* cr, Color c) {
  cairo_set_source_rgb(cr, RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0);
}

// Liang-Barsky: the part [t0, t1] of a->b inside r, false when none is.
bool ClipSegment(TaPoint2D a, TaPoint2D b, const ClipRect& r, double& t0, double& t1) {
  t0 = 0;
  t1 = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - r.x0, r.x1 - a.x, a.y - r.y0, r.y1 - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  return true;
}

TaPoint2D Lerp(TaPoint2D a, TaPoint2D b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

// The runs of a polyline inside r. A closed figure that leaves r is opened at a vertex
// outside, so its cut ends (and their caps) all lie outside the margin.
std::vector<std::vector<TaPoint2D>> ClipPolyline(std::vector<TaPoint2D> pts, bool closed,
                                                 const ClipRect& r, bool& stillClosed) {
  std::vector<std::vector<TaPoint2D>> runs;
  stillClosed = false;
  if (closed) {
    const auto outside =
        std::find_if(pts.begin(), pts.end(), [&](TaPoint2D p) { return !r.Contains(p); });
    if (outside == pts.end()) {
      stillClosed = true;
      runs.push_back(std::move(pts));
      return runs;
    }
    std::rotate(pts.begin(), outside, pts.end());
    pts.push_back(pts.front());
  }
  std::vector<TaPoint2D> run;
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    double t0, t1;
    if (!ClipSegment(pts[i], pts[i + 1], r, t0, t1)) continue;
    if (run.empty() || t0 > 0) {
      if (run.size() >= 2) runs.push_back(std::move(run));
      run.clear();
      run.push_back(Lerp(pts[i], pts[i + 1], t0));
    }
    run.push_back(Lerp(pts[i], pts[i + 1], t1));
    if (t1 < 1) {
      runs.push_back(std::move(run));
      run.clear();
    }
  }
  if (run.size() >= 2) runs.push_back(std::move(run));
  return runs;
}

// Sutherland-Hodgman against each edge of r. Points outside are moved onto the edge,
// which keeps the winding number of every point inside r, so the even-odd fill there
// is unchanged.
std::vector<TaPoint2D> ClipPolygon(std::vector<TaPoint2D> poly, const ClipRect& r) {
  auto clipEdge = [&](auto inside, auto cross) {
    std::vector<TaPoint2D> out;
    out.reserve(poly.size() + 4);
    for (size_t i = 0; i < poly.size(); ++i) {
      const TaPoint2D a = poly[i], b = poly[(i + 1) % poly.size()];
      const bool ina = inside(a), inb = inside(b);
      if (ina) out.push_back(a);
      if (ina != inb) out.push_back(cross(a, b));
    }
    poly = std::move(out);
  };
  auto atX = [](double x) {
    return [x](TaPoint2D a, TaPoint2D b) { return Lerp(a, b, (x - a.x) / (b.x - a.x)); };
  };
  auto atY = [](double y) {
    return [y](TaPoint2D a, TaPoint2D b) { return Lerp(a, b, (y - a.y) / (b.y - a.y)); };
  };
  clipEdge([&](TaPoint2D p) { return p.x >= r.x0; }, atX(r.x0));
  clipEdge([&](TaPoint2D p) { return p.x <= r.x1; }, atX(r.x1));
  clipEdge([&](TaPoint2D p) { return p.y >= r.y0; }, atY(r.y0));
  clipEdge([&](TaPoint2D p) { return p.y <= r.y1; }, atY(r.y1));
  return poly;
}

std::vector<uint8_t> FigureTypes(size_t n, uint8_t rest, bool closed) {
  std::vector<uint8_t> types(n, rest);
  if (n == 0) return types;
  types[0] = kPtMoveTo;
  if (closed) types.back() |= kPtCloseFigure;
  return types;
}

Wide FloorDiv(Wide a, Wide b) {  // b > 0
  Wide q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

Wide CeilDiv(Wide a, Wide b) {
  return -FloorDiv(-a, b);
}

// The first k in [lo, hi] for which the monotone `pred` holds, or hi + 1.
template <typename Pred>
int64_t FirstTrue(int64_t lo, int64_t hi, Pred pred) {
  while (lo <= hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (pred(mid)) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// Writes pixels of one colour straight into the image surface, inside the picture only.
class PixelWriter {
 public:
  PixelWriter(cairo_surface_t* surface, int64_t width, int64_t height, Color c)
      : surface_(surface),
        data_(cairo_image_surface_get_data(surface)),
        stride_(cairo_image_surface_get_stride(surface)),
        width_(width),
        height_(height),
        rgb_((uint32_t{RedOf(c)} << 16) | (uint32_t{GreenOf(c)} << 8) | BlueOf(c)) {
    cairo_surface_flush(surface_);
  }
  ~PixelWriter() { cairo_surface_mark_dirty(surface_); }
  PixelWriter(const PixelWriter&) = delete;
  PixelWriter& operator=(const PixelWriter&) = delete;

  int64_t Width() const { return width_; }
  int64_t Height() const { return height_; }
  void Plot(int64_t x, int64_t y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::memcpy(data_ + y * stride_ + x * 4, &rgb_, 4);
  }

 private:
  cairo_surface_t* surface_;
  unsigned char* data_;
  int64_t stride_;
  int64_t width_;
  int64_t height_;
  uint32_t rgb_;
};

// GDI's cosmetic line: one pixel per step along the major axis, from the start pixel
// up to but not including the end pixel. Each step lights the pixel nearest the exact
// line; a tie goes to the smaller minor coordinate, whichever way the line runs, so a
// line and its reverse light the same pixels between their ends. Only the steps that
// land inside the picture are walked, so far-off end points cost nothing.
void ThinSegment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, PixelWriter& out) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  const bool xMajor = std::llabs(dx) > std::llabs(dy);
  const int64_t u0 = xMajor ? x0 : y0, v0 = xMajor ? y0 : x0;
  const int64_t du = xMajor ? dx : dy, dv = xMajor ? dy : dx;
  const int64_t uLimit = xMajor ? out.Width() : out.Height();
  const int64_t vLimit = xMajor ? out.Height() : out.Width();
  const int64_t n = std::llabs(du);
  const int64_t su = du > 0 ? 1 : -1;

  int64_t kLo = 0, kHi = n - 1;
  if (su > 0) {
    kLo = std::max(kLo, -u0);
    kHi = std::min(kHi, uLimit - 1 - u0);
  } else {
    kLo = std::max(kLo, u0 - (uLimit - 1));
    kHi = std::min(kHi, u0);
  }
  if (kLo > kHi) return;

  // Minor offset at step k: round(dv * k / n), ties down, = ceil((2 dv k - n) / 2n).
  const int64_t den = 2 * n;
  auto offset = [&](int64_t k) { return CeilDiv(Wide{2} * dv * k - n, den); };
  if (dv >= 0) {
    kLo = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) >= 0; });
    kHi = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) > vLimit - 1; }) - 1;
  } else {
    kLo = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) <= vLimit - 1; });
    kHi = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) < 0; }) - 1;
  }
  if (kLo > kHi) return;

  // Walk with an exact remainder: c = offset(k), r = c * den - (2 dv k - n) in [0, den).
  const Wide num = Wide{2} * dv * kLo - n;
  int64_t c = static_cast<int64_t>(CeilDiv(num, den));
  int64_t r = static_cast<int64_t>(Wide{c} * den - num);
  for (int64_t k = kLo; k <= kHi; ++k) {
    const int64_t u = u0 + su * k, v = v0 + c;
    const int64_t x = xMajor ? u : v, y = xMajor ? v : u;
    out.Plot(x, y);
    r -= 2 * dv;
    if (r < 0) {
      ++c;
      r += den;
    } else if (r >= den) {
      --c;
      r -= den;
    }
  }
}

// Larger ellipses are stroked from their flattened outline, whose cost does not grow
// with the size; the pixel walk below visits every pixel of the outline.
constexpr int64_t kMaxWalkedEllipse = int64_t{1} << 16;

// The pixels of the ellipse inscribed in the inclusive pixel box x0..x1, y0..y1, by
// Alois Zingl's integer walk: the kind of outline GDI lights for a cosmetic Ellipse or
// Arc, rather than the flattened Bezier outline of a path.
template <typename Plot>
void WalkEllipse(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Plot plot) {
  int64_t a = x1 - x0, b = y1 - y0;
  const int64_t b1 = b & 1;
  int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
  int64_t err = dx + dy + b1 * a * a;
  y0 += (b + 1) / 2;
  y1 = y0 - b1;
  const int64_t a8 = 8 * a * a, b8 = 8 * b * b;
  do {
    plot(x1, y0);
    plot(x0, y0);
    plot(x0, y1);
    plot(x1, y1);
    const int64_t e2 = 2 * err;
    if (e2 <= dy) {
      ++y0;
      --y1;
      err += dy += a8;
    }
    if (e2 >= dx || 2 * err > dy) {
      ++x0;
      --x1;
      err += dx += b8;
    }
  } while (x0 <= x1);
  while (y0 - y1 < b) {  // the tips of very flat ellipses
    plot(x0 - 1, y0);
    plot(x1 + 1, y0++);
    plot(x0 - 1, y1);
    plot(x1 + 1, y1--);
  }
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
  path_.MoveTo(p);
}

void CairoCanvas::Polyline(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.Polyline(points);
  } else if (points.size() >= 2) {
    Render(points, FigureTypes(points.size(), kPtLineTo, false), false, true);
  }
}

void CairoCanvas::PolyBezier(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.PolyBezier(points);
  } else if (points.size() >= 4 && points.size() % 3 == 1) {
    Render(points, FigureTypes(points.size(), kPtBezierTo, false), false, true);
  }
}

void CairoCanvas::PolyBezierTo(std::span<const TPoint> points) {
  if (points.empty() || points.size() % 3 != 0) return;
  if (path_.IsOpen()) {
    path_.PolyBezierTo(points);
  } else {
    std::vector<TPoint> all;
    all.reserve(points.size() + 1);
    all.push_back(pos_);
    all.insert(all.end(), points.begin(), points.end());
    Render(all, FigureTypes(all.size(), kPtBezierTo, false), false, true);
  }
  pos_ = points.back();
}

void CairoCanvas::Polygon(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.Polygon(points);
  } else if (points.size() >= 2) {
    Render(points, FigureTypes(points.size(), kPtLineTo, true), true, true);
  }
}

void CairoCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (path_.IsOpen()) {
    path_.Ellipse(left, top, right, bottom);
    return;
  }
  const std::vector<TPoint> outline = TraceEllipse(left, top, right, bottom);
  const bool walk = WalksEllipse(left, top, right, bottom);
  Render(outline, FigureTypes(outline.size(), kPtBezierTo, true), true, !walk);
  if (walk) WalkArc(left, top, right, bottom, nullptr);
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
  Render(outline, FigureTypes(outline.size(), kPtBezierTo, false), false, true);
}

bool CairoCanvas::WalksEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
  if (antialias_ || pen_.style == PenStyle::Null || pen_.width > 1) return false;
  const int64_t w = std::llabs(int64_t{right} - left), h = std::llabs(int64_t{bottom} - top);
  return w <= kMaxWalkedEllipse && h <= kMaxWalkedEllipse;
}

void CairoCanvas::WalkArc(int32_t left, int32_t top, int32_t right, int32_t bottom,
                          const TPoint* rays) {
  if (left == right || top == bottom || width_ == 0 || height_ == 0) return;
  // Right and bottom edges are outside the figure, as for every GDI box.
  const int64_t x0 = std::min(left, right), x1 = int64_t{std::max(left, right)} - 1;
  const int64_t y0 = std::min(top, bottom), y1 = int64_t{std::max(top, bottom)} - 1;
  const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
  // Angles counter-clockwise on the screen (y up); a pixel is on the arc when its
  // direction from the centre lies between the start and the end ray.
  auto angle = [&](double x, double y) { return std::atan2(cy - y, x - cx); };
  double from = 0, sweep = kTwoPi;
  if (rays) {
    from = angle(rays[0].x, rays[0].y);
    sweep = std::remainder(angle(rays[1].x, rays[1].y) - from, kTwoPi);
    if (sweep <= 0) sweep += kTwoPi;
  }
  PixelWriter out(surface_.get(), width_, height_, pen_.color);
  WalkEllipse(x0, y0, x1, y1, [&](int64_t x, int64_t y) {
    if (rays) {
      double d = std::remainder(angle(double(x), double(y)) - from, kTwoPi);
      if (d < 0) d += kTwoPi;
      if (d > sweep) return;
    }
    out.Plot(x, y);
  });
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

void CairoCanvas::Render(std::span<const TPoint> points, std::span<const uint8_t> types, bool fill,
                         bool stroke) {
  fill = fill && brush_.style == BrushStyle::Solid;
  stroke = stroke && pen_.style != PenStyle::Null;
  if ((!fill && !stroke) || points.empty() || width_ == 0 || height_ == 0) return;
  std::vector<PathFigure> figures =
      FlattenFigures(points, types, antialias_ ? kSmoothTolerance : kFlattenTolerance);
  if (!antialias_) {
    // GDI flattens curves to whole pixels before it draws them.
    for (PathFigure& f : figures) {
      for (TaPoint2D& p : f.points) p = {std::floor(p.x + 0.5), std::floor(p.y + 0.5)};
    }
  }
  if (fill) FillFigures(figures);
  if (stroke) StrokeFigures(figures);
}

void CairoCanvas::FillFigures(const std::vector<PathFigure>& figures) {
  const ClipRect r{-2, -2, width_ + 2.0, height_ + 2.0};
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

void CairoCanvas::StrokeFigures(const std::vector<PathFigure>& figures) {
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
  const double margin = lineWidth + 4;
  const ClipRect r{-margin, -margin, width_ + margin, height_ + margin};
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  for (const PathFigure& f : figures) {
    bool closed = false;
    for (const auto& run : ClipPolyline(f.points, f.closed, r, closed)) {
      // A zero-length segment keeps its round or square caps: a dot, as on GDI.
      cairo_move_to(cr, run[0].x + 0.5, run[0].y + 0.5);
      for (size_t i = 1; i < run.size(); ++i) cairo_line_to(cr, run[i].x + 0.5, run[i].y + 0.5);
      if (closed) cairo_close_path(cr);
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

// GDI builds a wide line from whole-pixel pieces: a band per segment whose corners are
// the end points moved by rounded half widths (the wider half on one side), and discs
// of the pen's width for round joins and caps, all filled as one region. Cairo's exact
// stroke would land half a pixel away from it on slanted lines.
void CairoCanvas::StrokeWideAliased(const std::vector<PathFigure>& figures, int32_t width,
                                    PenCap cap) {
  const double margin = width + 4.0;
  const ClipRect r{-margin, -margin, width_ + margin, height_ + margin};
  const int64_t half = width / 2;
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  SetSource(cr, pen_.color);
  // Opaque aliased fills of the pieces a batch at a time light the same pixels as one
  // fill of them all, without Cairo intersecting every piece with every other one.
  int pending = 0;
  auto added = [&] {
    if (++pending < 16) return;
    cairo_fill(cr);
    pending = 0;
  };
  // Every piece is added with the same orientation so that the winding fill unites them.
  auto polygon = [&](std::array<TaPoint2D, 4> c) {
    double area = 0;
    for (size_t i = 0; i < 4; ++i) {
      area += c[i].x * c[(i + 1) % 4].y - c[(i + 1) % 4].x * c[i].y;
    }
    if (area < 0) std::reverse(c.begin(), c.end());
    cairo_move_to(cr, c[0].x, c[0].y);
    for (size_t i = 1; i < 4; ++i) cairo_line_to(cr, c[i].x, c[i].y);
    cairo_close_path(cr);
    added();
  };
  auto rect = [&](double l, double t, double rr, double b) {
    polygon({TaPoint2D{l, t}, {rr, t}, {rr, b}, {l, b}});
  };
  auto disc = [&](TaPoint2D p) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, p.x - double(half) + width / 2.0, p.y - double(half) + width / 2.0, width / 2.0,
              0, kTwoPi);
    cairo_close_path(cr);
    added();
  };
  auto round = [](double v) { return std::floor(v + 0.5); };
  auto segment = [&](TaPoint2D a, TaPoint2D b, bool squareA, bool squareB) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0) return;
    if (dy == 0 || dx == 0) {
      // Axis-parallel bands are plain rectangles of the pen's width, right and bottom
      // edges outside; square caps reach half a width past the ends.
      const bool horizontal = dy == 0;
      double lo = horizontal ? a.x : a.y, hi = horizontal ? b.x : b.y;
      bool capLo = squareA, capHi = squareB;
      if (lo > hi) {
        std::swap(lo, hi);
        std::swap(capLo, capHi);
      }
      if (capLo) lo -= double(half);
      if (capHi) hi += double(half);
      const double across = (horizontal ? a.y : a.x) - double(half);
      if (horizontal) {
        rect(lo, across, hi, across + width);
      } else {
        rect(across, lo, across + width, hi);
      }
      return;
    }
    const double len = std::hypot(dx, dy);
    if (squareA || squareB) {
      const double ex = round(dx / len * double(half)), ey = round(dy / len * double(half));
      if (squareA) a = {a.x - ex, a.y - ey};
      if (squareB) b = {b.x + ex, b.y + ey};
    }
    const double wx = width * std::fabs(dy) / len, wy = width * std::fabs(dx) / len;
    TaPoint2D narrow{round(wx / 2), round(wy / 2)};
    TaPoint2D wide{round((wx + 1) / 2), round((wy + 1) / 2)};
    if (dx < 0) {
      wide.y = -wide.y;
      narrow.y = -narrow.y;
    }
    if (dy < 0) {
      std::swap(narrow, wide);
      narrow.x = -narrow.x;
      wide.x = -wide.x;
    }
    // Corners are whole pixels; the polygon fill samples pixel centres, +0.5 in Cairo.
    polygon({TaPoint2D{a.x + wide.x + 0.5, a.y - wide.y + 0.5},
             {a.x - narrow.x + 0.5, a.y + narrow.y + 0.5},
             {b.x - narrow.x + 0.5, b.y + narrow.y + 0.5},
             {b.x + wide.x + 0.5, b.y - wide.y + 0.5}});
  };
  for (const PathFigure& f : figures) {
    bool closed = false;
    for (auto run : ClipPolyline(f.points, f.closed, r, closed)) {
      for (TaPoint2D& p : run) p = {round(p.x), round(p.y)};  // clipped ends fall between
      if (closed) run.push_back(run.front());
      const size_t n = run.size();
      for (size_t i = 0; i + 1 < n; ++i) {
        segment(run[i], run[i + 1], !closed && i == 0 && cap == PenCap::Square,
                !closed && i + 2 == n && cap == PenCap::Square);
      }
      for (size_t i = closed ? 0 : 1; i + 1 < n; ++i) disc(run[i]);  // round joins
      if (!closed && cap == PenCap::Round) {
        disc(run.front());
        disc(run.back());
      }
    }
  }
  cairo_fill(cr);
}

void CairoCanvas::StrokeThinAliased(const std::vector<PathFigure>& figures) {
  PixelWriter out(surface_.get(), width_, height_, pen_.color);
  auto at = [](TaPoint2D p) { return std::pair{int64_t(p.x), int64_t(p.y)}; };
  for (const PathFigure& f : figures) {
    const size_t n = f.points.size();
    for (size_t i = 0; i + 1 < n; ++i) {
      const auto [x0, y0] = at(f.points[i]);
      const auto [x1, y1] = at(f.points[i + 1]);
      ThinSegment(x0, y0, x1, y1, out);
    }
    if (f.closed && n >= 2) {
      const auto [x0, y0] = at(f.points[n - 1]);
      const auto [x1, y1] = at(f.points[0]);
      ThinSegment(x0, y0, x1, y1, out);
    }
  }
}

namespace {

// One row of RGB24 pixels (native-endian words 0x00RRGGBB) as blue, green, red bytes.
void PackRowPortable(const unsigned char* src, uint8_t* out, int32_t width) {
  int32_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four pixels in three words: the byte order in memory is already blue, green, red.
    for (; x + 4 <= width; x += 4, src += 16, out += 12) {
      uint32_t p0, p1, p2, p3;
      std::memcpy(&p0, src, 4);
      std::memcpy(&p1, src + 4, 4);
      std::memcpy(&p2, src + 8, 4);
      std::memcpy(&p3, src + 12, 4);
      const uint32_t w0 = (p0 & 0xFFFFFF) | (p1 << 24);
      const uint32_t w1 = ((p1 >> 8) & 0xFFFF) | (p2 << 16);
      const uint32_t w2 = ((p2 >> 16) & 0xFF) | (p3 << 8);
      std::memcpy(out, &w0, 4);
      std::memcpy(out + 4, &w1, 4);
      std::memcpy(out + 8, &w2, 4);
    }
  }
  for (; x < width; ++x, src += 4) {
    uint32_t px;
    std::memcpy(&px, src, 4);
    *out++ = static_cast<uint8_t>(px);
    *out++ = static_cast<uint8_t>(px >> 8);
    *out++ = static_cast<uint8_t>(px >> 16);
  }
}

#if defined(__x86_64__) || defined(__i386__)
// The same with one byte shuffle per four pixels. Each store writes 16 bytes of which
// 12 count, so the loop stops while the rest of the row still has room for the extra 4.
__attribute__((target("ssse3"))) void PackRowSsse3(const unsigned char* src, uint8_t* out,
                                                   int32_t width) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t x = 0;
  for (; x + 6 <= width; x += 4, src += 16, out += 12) {
    const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(px, order));
  }
  PackRowPortable(src, out, width - x);
}

using PackRowFn = void (*)(const unsigned char*, uint8_t*, int32_t);
const PackRowFn PackRow = __builtin_cpu_supports("ssse3") ? PackRowSsse3 : PackRowPortable;
#else
const auto PackRow = PackRowPortable;
#endif

}  // namespace

void CairoCanvas::CopyBmpRows(std::span<uint8_t> dst, size_t stride) const {
  CheckBmpDestination(dst.size(), stride, width_, height_);
  if (width_ == 0 || height_ == 0) return;
  cairo_surface_t* s = surface_.get();
  cairo_surface_flush(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const size_t srcStride = static_cast<size_t>(cairo_image_surface_get_stride(s));
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* out = dst.data() + stride * size_t(height_ - 1 - y);
    PackRow(data + srcStride * size_t(y), out, width_);
    std::memset(out + rowBytes, 0, stride - rowBytes);
  }
}

std::unique_ptr<RasterCanvas> CreateRasterCanvas(int32_t width, int32_t height, bool antialias) {
  return std::make_unique<CairoCanvas>(width, height, antialias);
}

}  // namespace kestril
