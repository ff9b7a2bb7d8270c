// The pixels GDI lights, where Cairo's own rasteriser would light others: the
// one-pixel line walk, the ellipse walk of cosmetic Ellipse and Arc calls, and wide
// lines built from whole-pixel pieces. The Cairo canvas draws through these rules so
// that its pictures match GDI's.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "base/plane.h"
#include "graphics/canvas/canvas.h"
#include "graphics/canvas/path_recorder.h"

namespace kestril {

// Writes pixels of one colour straight into 32-bit pixels (0x00RRGGBB words, as in a
// Cairo RGB24 image) holding rows firstRow .. firstRow + rows - 1 of a picture
// `width` pixels wide; pixels elsewhere are left out.
class PixelWriter {
 public:
  PixelWriter(unsigned char* data, int64_t stride, int64_t width, int64_t firstRow, int64_t rows,
              Color c)
      : data_(data),
        stride_(stride),
        width_(width),
        firstRow_(firstRow),
        endRow_(firstRow + rows),
        rgb_((uint32_t{RedOf(c)} << 16) | (uint32_t{GreenOf(c)} << 8) | BlueOf(c)) {}

  int64_t Width() const { return width_; }
  // The rows held: FirstRow() up to, not including, EndRow().
  int64_t FirstRow() const { return firstRow_; }
  int64_t EndRow() const { return endRow_; }
  bool Empty() const { return width_ <= 0 || endRow_ <= firstRow_; }
  void Plot(int64_t x, int64_t y) {
    if (x < 0 || y < firstRow_ || x >= width_ || y >= endRow_) return;
    std::memcpy(data_ + (y - firstRow_) * stride_ + x * 4, &rgb_, 4);
  }
  // Pixels x0..x1 of row y.
  void Span(int64_t x0, int64_t x1, int64_t y) {
    if (y < firstRow_ || y >= endRow_) return;
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, width_ - 1);
    for (unsigned char* p = data_ + (y - firstRow_) * stride_ + x0 * 4; x0 <= x1; ++x0, p += 4) {
      std::memcpy(p, &rgb_, 4);
    }
  }

 private:
  unsigned char* data_;
  int64_t stride_;
  int64_t width_;
  int64_t firstRow_;
  int64_t endRow_;
  uint32_t rgb_;
};

// GDI's cosmetic line: one pixel per step along the major axis, from the start pixel
// up to but not including the end pixel. Each step lights the pixel nearest the exact
// line; a tie goes to the smaller minor coordinate, whichever way the line runs, so a
// line and its reverse light the same pixels between their ends. Only the steps that
// land inside the picture are walked, so far-off end points cost nothing.
void WalkThinSegment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, PixelWriter& out);

// The one-pixel lines of flattened figures (whole-pixel points), closed ones back to
// their start.
void WalkThinFigures(std::span<const PathFigure> figures, PixelWriter& out);

// Larger ellipses are stroked from their flattened outline, whose cost does not grow
// with the size; the pixel walk visits every pixel of the outline.
inline constexpr int64_t kMaxWalkedEllipse = int64_t{1} << 16;

// The pixels GDI lights for a cosmetic Ellipse (rays null) or Arc (rays: its start and
// end points) in the box left..right, top..bottom.
void WalkArc(int32_t left, int32_t top, int32_t right, int32_t bottom, const TPoint* rays,
             PixelWriter& out);

// The pixels GDI fills for an Ellipse drawn with a cosmetic pen: in each row, those
// from the leftmost to the rightmost pixel of the walked outline. (Filling the outline's
// Bezier polygon would leave the centre of small discs white.)
void FillWalkedEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom, PixelWriter& out);

// Takes the pieces of a wide line in Cairo's coordinates (pixel centres at +0.5). All
// turn the same way, so that one nonzero-winding fill of them lights the line's pixels.
class WideLinePieces {
 public:
  virtual ~WideLinePieces() = default;
  virtual void Quad(const std::array<TaPoint2D, 4>& corners) = 0;
  virtual void Disc(TaPoint2D centre, double radius) = 0;
};

// GDI builds a wide line from whole-pixel pieces: a band per segment whose corners are
// the end points moved by rounded half widths (the wider half on one side), and discs
// of the pen's width for round joins and caps, all filled as one region. Cairo's exact
// stroke would land half a pixel away from it on slanted lines. `run` is a clipped run
// of a figure; closed: the whole figure, its last point joining its first.
void WideLineRunPieces(std::span<const TaPoint2D> run, bool closed, int32_t width, PenCap cap,
                       WideLinePieces& out);

}  // namespace kestril
