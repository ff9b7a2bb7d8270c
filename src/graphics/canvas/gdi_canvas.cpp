#include "graphics/canvas/gdi_canvas.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "graphics/canvas/raster_size.h"
#include "graphics/canvas/stretch_pixels.h"
#include "graphics/text/japanese_faces.h"

namespace kestril {

namespace {

std::vector<POINT> ToPoints(std::span<const TPoint> points) {
  std::vector<POINT> out(points.size());
  for (size_t i = 0; i < points.size(); ++i) out[i] = POINT{points[i].x, points[i].y};
  return out;
}

// GDI counts points in int or DWORD; longer lists are refused rather than truncated.
bool CountFits(std::span<const TPoint> points) {
  return points.size() <= INT_MAX;
}

// Wider pens show nothing more on a picture GDI can make, and keep GDI's widening
// arithmetic far from overflow; the Cairo canvas caps them the same way.
constexpr int32_t kMaxPenWidth = 1 << 16;

GdiObject<HPEN> MakePen(const Pen& pen) {
  const int32_t width = std::clamp(pen.width, 0, kMaxPenWidth);
  HPEN h = nullptr;
  if (pen.style == PenStyle::Null) {
    h = CreatePen(PS_NULL, 0, 0);
  } else if (pen.geometric) {
    DWORD cap = PS_ENDCAP_ROUND;
    if (pen.cap == PenCap::Flat) cap = PS_ENDCAP_FLAT;
    if (pen.cap == PenCap::Square) cap = PS_ENDCAP_SQUARE;
    LOGBRUSH lb{BS_SOLID, pen.color, 0};
    h = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | cap | PS_JOIN_ROUND,
                     static_cast<DWORD>(std::max(width, 1)), &lb, 0, nullptr);
  } else {
    h = CreatePen(PS_SOLID, width, pen.color);
  }
  if (!h) throw EOutOfResources("cannot create a pen");
  return GdiObject<HPEN>(h);
}

GdiObject<HBRUSH> MakeBrush(const Brush& brush) {
  HBRUSH h = nullptr;
  if (brush.style == BrushStyle::Clear) {
    LOGBRUSH lb{BS_NULL, 0, 0};
    h = CreateBrushIndirect(&lb);
  } else {
    h = CreateSolidBrush(brush.color);
  }
  if (!h) throw EOutOfResources("cannot create a brush");
  return GdiObject<HBRUSH>(h);
}

}  // namespace

GdiCanvas::GdiCanvas(int32_t width, int32_t height)
    : width_(width),
      height_(height),
      dibWidth_(std::max(width, 1)),
      dibHeight_(std::max(height, 1)) {
  CheckRasterSize(width, height);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = dibWidth_;
  bmi.bmiHeader.biHeight = dibHeight_;  // positive: rows bottom-up, as in a BMP file
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 24;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dib_.reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib_ || !bits) throw EOutOfResources("cannot create the picture");
  bits_ = static_cast<uint8_t*>(bits);
  std::memset(bits, 0xFF, static_cast<size_t>(BmpStride(dibWidth_)) * size_t(dibHeight_));
  dc_.reset(CreateCompatibleDC(nullptr));
  if (!dc_) throw EOutOfResources("cannot create the drawing context");
  // Everything that can fail comes before the first SelectObject, so a throw never
  // leaves an object selected while it is deleted.
  pen_ = MakePen(Pen{});
  brush_ = MakeBrush(Brush{});
  oldBitmap_ = SelectObject(dc_.get(), dib_.get());
  oldPen_ = SelectObject(dc_.get(), pen_.get());
  oldBrush_ = SelectObject(dc_.get(), brush_.get());
}

GdiCanvas::~GdiCanvas() {
  if (!dc_) return;
  if (oldFont_) SelectObject(dc_.get(), oldFont_);
  if (oldBrush_) SelectObject(dc_.get(), oldBrush_);
  if (oldPen_) SelectObject(dc_.get(), oldPen_);
  if (oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
}

void GdiCanvas::SetPen(const Pen& pen) {
  GdiObject<HPEN> next = MakePen(pen);
  SelectObject(dc_.get(), next.get());
  pen_ = std::move(next);  // the previous pen is no longer selected
}

void GdiCanvas::SetBrush(const Brush& brush) {
  GdiObject<HBRUSH> next = MakeBrush(brush);
  SelectObject(dc_.get(), next.get());
  brush_ = std::move(next);
}

void GdiCanvas::MoveTo(TPoint p) {
  MoveToEx(dc_.get(), p.x, p.y, nullptr);
}

void GdiCanvas::Polyline(std::span<const TPoint> points) {
  if (!CountFits(points)) return;
  const std::vector<POINT> pts = ToPoints(points);
  ::Polyline(dc_.get(), pts.data(), static_cast<int>(pts.size()));
}

void GdiCanvas::PolyBezier(std::span<const TPoint> points) {
  if (!CountFits(points)) return;
  const std::vector<POINT> pts = ToPoints(points);
  ::PolyBezier(dc_.get(), pts.data(), static_cast<DWORD>(pts.size()));
}

void GdiCanvas::PolyBezierTo(std::span<const TPoint> points) {
  if (!CountFits(points)) return;
  const std::vector<POINT> pts = ToPoints(points);
  ::PolyBezierTo(dc_.get(), pts.data(), static_cast<DWORD>(pts.size()));
}

void GdiCanvas::Polygon(std::span<const TPoint> points) {
  if (!CountFits(points)) return;
  const std::vector<POINT> pts = ToPoints(points);
  ::Polygon(dc_.get(), pts.data(), static_cast<int>(pts.size()));
}

void GdiCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  ::Ellipse(dc_.get(), left, top, right, bottom);
}

void GdiCanvas::Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                    TPoint end) {
  ::Arc(dc_.get(), left, top, right, bottom, start.x, start.y, end.x, end.y);
}

void GdiCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const RECT r{left, top, right, bottom};
  ::FillRect(dc_.get(), &r, brush_.get());
}

void GdiCanvas::BeginPath() {
  ::BeginPath(dc_.get());
}
void GdiCanvas::EndPath() {
  ::EndPath(dc_.get());
}
void GdiCanvas::FlattenPath() {
  ::FlattenPath(dc_.get());
}

void GdiCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) {
  points.clear();
  types.clear();
  const int n = ::GetPath(dc_.get(), nullptr, nullptr, 0);
  if (n <= 0) return;
  std::vector<POINT> pts(static_cast<size_t>(n));
  std::vector<BYTE> kinds(static_cast<size_t>(n));
  const int got = ::GetPath(dc_.get(), pts.data(), kinds.data(), n);
  if (got <= 0) return;
  points.reserve(static_cast<size_t>(got));
  for (int i = 0; i < got; ++i) points.push_back(TPoint{pts[size_t(i)].x, pts[size_t(i)].y});
  types.assign(kinds.begin(), kinds.begin() + got);
}

void GdiCanvas::StrokePath() {
  ::StrokePath(dc_.get());
}
void GdiCanvas::StrokeAndFillPath() {
  ::StrokeAndFillPath(dc_.get());
}

namespace {

// Fonts kept per canvas: a drawing's texts use a handful of sizes and turns.
constexpr size_t kFontCacheSize = 32;

GdiObject<HFONT> MakeFont(const Font& f) {
  LOGFONTW lf{};
  // The em of the Windows Japanese faces for their cells: the same glyphs where Windows
  // has them, and glyphs as tall where another face stands in for them.
  lf.lfHeight = StandInHeight(f.face, f.height);
  lf.lfWidth = f.width;
  lf.lfEscapement = f.escapement;
  lf.lfOrientation = f.orientation;
  lf.lfWeight = f.weight;
  lf.lfItalic = f.italic;
  lf.lfUnderline = f.underline;
  lf.lfStrikeOut = f.strikeOut;
  lf.lfCharSet = SHIFTJIS_CHARSET;  // prefer faces with Japanese glyphs
  // Aliased like every other figure of the picture, whatever the system's smoothing.
  lf.lfQuality = NONANTIALIASED_QUALITY;
  // The Japanese faces by their English names, which GDI knows on every locale.
  const JapaneseFace* japanese = FindJapaneseFace(f.face);
  const std::u16string_view face = japanese != nullptr ? japanese->windowsName : f.face;
  const size_t n = std::min(face.size(), size_t{LF_FACESIZE - 1});
  for (size_t i = 0; i < n; ++i) lf.lfFaceName[i] = static_cast<WCHAR>(face[i]);
  HFONT h = CreateFontIndirectW(&lf);
  if (!h) throw EOutOfResources("cannot create a font");
  return GdiObject<HFONT>(h);
}

}  // namespace

void GdiCanvas::SetFont(const Font& font) {
  auto it =
      std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& e) { return e.first == font; });
  if (it == fonts_.end()) {
    fonts_.emplace_back(font, MakeFont(font));
    it = fonts_.end() - 1;
  } else {
    std::rotate(it, it + 1, fonts_.end());
    it = fonts_.end() - 1;
  }
  HGDIOBJ previous = SelectObject(dc_.get(), it->second.get());
  if (oldFont_ == nullptr) oldFont_ = previous;
  // The oldest font is no longer selected once it is not the last.
  if (fonts_.size() > kFontCacheSize) fonts_.erase(fonts_.begin());
}

void GdiCanvas::SetTextColor(Color color) {
  ::SetTextColor(dc_.get(), color);
}

void GdiCanvas::SetBackgroundMode(BackgroundMode mode) {
  ::SetBkMode(dc_.get(), mode == BackgroundMode::Transparent ? TRANSPARENT : OPAQUE);
}

void GdiCanvas::TextOut(TPoint p, std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return;
  const std::wstring wide(text.begin(), text.end());
  ::ExtTextOutW(dc_.get(), p.x, p.y, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()),
                nullptr);
}

void GdiCanvas::StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                             const DecodedImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.bgr.size() < image.Stride() * static_cast<size_t>(image.height)) {
    return;
  }
  const int64_t w = int64_t{right} - left, h = int64_t{bottom} - top;
  if (w == 0 || h == 0) return;
  // GDI's own stretch for boxes of sizes a picture can have; far larger ones could
  // overflow its arithmetic, so their visible part is picked here, by the same rule,
  // straight into the DIB section.
  constexpr int64_t kGdiLimit = int64_t{1} << 30;
  const bool gdiSafe = std::abs(w) * image.width <= kGdiLimit &&
                       std::abs(h) * image.height <= kGdiLimit &&
                       std::max({std::abs(int64_t{left}), std::abs(int64_t{right}),
                                 std::abs(int64_t{top}), std::abs(int64_t{bottom})}) <= (1 << 24);
  if (gdiSafe) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = image.width;
    bmi.bmiHeader.biHeight = -image.height;  // rows top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc_.get(), COLORONCOLOR);
    ::StretchDIBits(dc_.get(), left, top, static_cast<int>(w), static_cast<int>(h), 0, 0,
                    image.width, image.height, image.bgr.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
    return;
  }
  GdiFlush();
  const size_t stride = static_cast<size_t>(BmpStride(dibWidth_));
  StretchPixels(
      left, top, right, bottom, image, width_, height_,
      [&](int64_t y) { return bits_ + stride * static_cast<size_t>(dibHeight_ - 1 - y); }, 3);
}

void GdiCanvas::CopyBmpRows(std::span<uint8_t> dst, size_t stride) const {
  CheckBmpDestination(dst.size(), stride, width_, height_);
  if (width_ == 0 || height_ == 0) return;
  GdiFlush();  // GDI may still be drawing into the section
  const size_t srcStride = static_cast<size_t>(BmpStride(dibWidth_));
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  // Both sides are bottom-up, so row i of the DIB is row i of the output.
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* out = dst.data() + stride * size_t(y);
    std::memcpy(out, bits_ + srcStride * size_t(y), rowBytes);
    std::memset(out + rowBytes, 0, stride - rowBytes);
  }
}

std::unique_ptr<RasterCanvas> CreateRasterCanvas(int32_t width, int32_t height, bool,
                                                 RowBand band) {
  if (band.top != 0 || (band.rows >= 0 && band.rows != height)) {
    throw Error("the GDI canvas draws whole pictures only");
  }
  return std::make_unique<GdiCanvas>(width, height);
}

}  // namespace kestril
