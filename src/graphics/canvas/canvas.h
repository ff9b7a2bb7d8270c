// A small GDI-shaped drawing surface in device pixels (y down). Every backend follows
// the GDI call of the same name, so one engine draws alike on Windows and elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/plane.h"
#include "graphics/image/decoded_image.h"

namespace kestril {

// A Windows colour reference: 0x00BBGGRR, red in the low byte.
using Color = uint32_t;

constexpr uint8_t RedOf(Color c) {
  return static_cast<uint8_t>(c & 0xFF);
}
constexpr uint8_t GreenOf(Color c) {
  return static_cast<uint8_t>((c >> 8) & 0xFF);
}
constexpr uint8_t BlueOf(Color c) {
  return static_cast<uint8_t>((c >> 16) & 0xFF);
}
constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}

enum class PenStyle : uint8_t { Solid, Null };
enum class PenCap : uint8_t { Round, Square, Flat };

struct Pen {
  Color color = 0;
  // Device pixels. A cosmetic pen of width 0 or 1 lights one pixel per step.
  int32_t width = 1;
  PenStyle style = PenStyle::Solid;
  // Geometric pens (ExtCreatePen) have the given end cap and round joins; cosmetic
  // pens (CreatePen) always end round.
  bool geometric = false;
  PenCap cap = PenCap::Round;
  friend bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushStyle : uint8_t { Solid, Clear };

struct Brush {
  Color color = 0xFFFFFF;
  BrushStyle style = BrushStyle::Solid;
  friend bool operator==(const Brush&, const Brush&) = default;
};

// Point types of a path as GetPath reports them.
enum PathPointType : uint8_t {
  kPtCloseFigure = 0x01,
  kPtLineTo = 0x02,
  kPtBezierTo = 0x04,
  kPtMoveTo = 0x06,
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;

  virtual void SetPen(const Pen& pen) = 0;
  virtual void SetBrush(const Brush& brush) = 0;

  // Current position for PolyBezierTo (Polyline neither uses nor moves it).
  virtual void MoveTo(TPoint p) = 0;
  virtual void Polyline(std::span<const TPoint> points) = 0;
  // 1 + 3n points: a start point, then control, control, end for each piece.
  virtual void PolyBezier(std::span<const TPoint> points) = 0;
  // 3n points from the current position; the position moves to the last point.
  virtual void PolyBezierTo(std::span<const TPoint> points) = 0;
  // Outlined with the pen and filled with the brush (alternate fill).
  virtual void Polygon(std::span<const TPoint> points) = 0;
  // The ellipse inscribed in the box, outlined and filled.
  virtual void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  // Counter-clockwise arc of the ellipse inscribed in the box, from the ray through
  // start to the ray through end (equal rays: the whole ellipse).
  virtual void Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                   TPoint end) = 0;
  // Fills with the brush; right and bottom edges are exclusive. The pen is not used.
  virtual void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;

  // Path bracket: between BeginPath and EndPath the drawing calls above (except
  // FillRect) add figures to the path instead of drawing.
  virtual void BeginPath() = 0;
  virtual void EndPath() = 0;
  // Replaces every curve of the closed path by line segments.
  virtual void FlattenPath() = 0;
  // The closed path's points and their PathPointType values.
  virtual void GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) = 0;
  virtual void StrokePath() = 0;
  virtual void StrokeAndFillPath() = 0;

  // Stretches the image over the box (right and bottom exclusive), each device pixel
  // taking the image pixel nearest its centre, as StretchDIBits does in GDI's default
  // stretch mode. A box whose right lies left of its left (or bottom above its top)
  // shows the image mirrored that way. Not part of a path bracket.
  virtual void StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            const DecodedImage& image) = 0;
};

// A canvas over a 24-bit picture that starts white.
class RasterCanvas : public Canvas {
 public:
  // Writes the rows the canvas holds as BMP pixel rows: blue, green, red per pixel,
  // bottom row first, each row padded to `stride` bytes. dst holds stride x Rows()
  // bytes.
  virtual void CopyBmpRows(std::span<uint8_t> dst, size_t stride) const = 0;
  // The rows of the picture this canvas holds: all of them, or one band.
  virtual int32_t FirstRow() const { return 0; }
  virtual int32_t Rows() const { return Height(); }
};

// Rows top .. top + rows - 1 of a picture, for drawing a picture too large to hold
// whole one band at a time. Drawing goes on in the whole picture's coordinates and
// clipping decisions stay those of the whole picture, so the bands put together are
// the picture drawn at once, pixel for pixel.
struct RowBand {
  int32_t top = 0;
  int32_t rows = -1;  // -1: every row from top on
};

// The platform's raster canvas (GDI on Windows, Cairo elsewhere). Raises
// EOutOfResources when the picture cannot be created. Bands are drawn by the Cairo
// canvas only; elsewhere a band short of the whole picture raises Error.
std::unique_ptr<RasterCanvas> CreateRasterCanvas(int32_t width, int32_t height,
                                                 bool antialias = false, RowBand band = {});

}  // namespace kestril
