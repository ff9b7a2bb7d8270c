// The Windows raster canvas: a 24-bit DIB section selected into a memory DC. Every
// call is the GDI call of the same name.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef TextOut  // windows.h's name for TextOutA or TextOutW; the canvas has its own

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "graphics/canvas/canvas.h"

namespace kestril {

struct GdiObjectRelease {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
// An owned pen, brush or bitmap. Whoever selects it must select it out again before
// it is released.
template <typename H>
using GdiObject = std::unique_ptr<std::remove_pointer_t<H>, GdiObjectRelease>;

struct MemoryDcRelease {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcRelease>;

class GdiCanvas final : public RasterCanvas {
 public:
  // Raises EOutOfResources for negative sizes and when GDI cannot create the DIB
  // section or its DC. A 0-sized canvas keeps a 1x1 DIB that nobody sees.
  GdiCanvas(int32_t width, int32_t height);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }

  void SetPen(const Pen& pen) override;
  void SetBrush(const Brush& brush) override;
  void MoveTo(TPoint p) override;
  void Polyline(std::span<const TPoint> points) override;
  void PolyBezier(std::span<const TPoint> points) override;
  void PolyBezierTo(std::span<const TPoint> points) override;
  void Polygon(std::span<const TPoint> points) override;
  void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
           TPoint end) override;
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void BeginPath() override;
  void EndPath() override;
  void FlattenPath() override;
  void GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) override;
  void StrokePath() override;
  void StrokeAndFillPath() override;
  void SetFont(const Font& font) override;
  void SetTextColor(Color color) override;
  void SetBackgroundMode(BackgroundMode mode) override;
  void TextOut(TPoint p, std::u16string_view text) override;
  void StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    const DecodedImage& image) override;

  void CopyBmpRows(std::span<uint8_t> dst, size_t stride) const override;

 private:
  int32_t width_;
  int32_t height_;
  int32_t dibWidth_;
  int32_t dibHeight_;
  uint8_t* bits_ = nullptr;  // owned by dib_
  MemoryDc dc_;
  GdiObject<HBITMAP> dib_;
  GdiObject<HPEN> pen_;
  GdiObject<HBRUSH> brush_;
  // Fonts made so far, the most recently used last; the selected one is among them.
  std::vector<std::pair<Font, GdiObject<HFONT>>> fonts_;
  // What the DC held before we selected ours, selected back before anything is freed.
  HGDIOBJ oldBitmap_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
};

}  // namespace kestril
