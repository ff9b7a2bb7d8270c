// The POSIX raster canvas: a Cairo RGB24 image surface drawn to look like GDI's output.
// Device pixel centres are integer coordinates (Cairo's are at +0.5), so geometry is
// shifted by half a pixel on its way to Cairo. Aliased one-pixel lines and ellipses are
// walked pixel by pixel and wide aliased lines built from pieces, as GDI does it
// (gdi_raster_rules.h); everything else is filled or stroked by Cairo after clipping to
// a little more than the picture, which keeps hostile coordinates clear of Cairo's 24.8
// fixed-point range.
//
// Over a vector surface (PDF, SVG) the same calls become Cairo paths, glyphs and images,
// smoothed as that surface smooths them: none of the pixel rules apply there.
#pragma once

#include <cairo.h>

#include <memory>
#include <unordered_map>

#include "graphics/canvas/canvas.h"
#include "graphics/canvas/path_recorder.h"
#include "graphics/clip.h"
#include "graphics/image/image_cache.h"

namespace kestril {

class CairoFontCache;
struct CairoFont;

class CairoCanvas final : public RasterCanvas {
 public:
  // Raises EOutOfResources for negative sizes and pictures Cairo cannot allocate. A
  // band holds only some rows of the width x height picture; Width() and Height() are
  // still the whole picture's.
  CairoCanvas(int32_t width, int32_t height, bool antialias = false, RowBand band = {});
  // Draws on `target`, a surface of any kind (kept alive while the canvas lives), whose
  // first width x height units are the picture. The page is painted white first. Holds
  // no pixel rows: CopyBmpRows raises Error. Every image drawn goes in once, however
  // often it is drawn (images are told apart by their id), and the page holds them
  // until it is finished; copies of images made for the page alone are charged to the
  // budget of `images`, when given.
  CairoCanvas(cairo_surface_t* target, int32_t width, int32_t height, ImageCache* images = nullptr);

  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }

  void SetPen(const Pen& pen) override { pen_ = pen; }
  void SetBrush(const Brush& brush) override { brush_ = brush; }
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
  void SetFont(const Font& font) override { font_ = font; }
  void SetTextColor(Color color) override { textColor_ = color; }
  void SetBackgroundMode(BackgroundMode mode) override { background_ = mode; }
  void TextOut(TPoint p, std::u16string_view text) override;
  void TextOutEach(std::span<const TPoint> cells, std::u16string_view text) override;
  void StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    const DecodedImage& image) override;

  void CopyBmpRows(std::span<uint8_t> dst, size_t stride) const override;
  int32_t FirstRow() const override { return firstRow_; }
  int32_t Rows() const override { return rows_; }

 private:
  // Fills and/or strokes the figures of a path with the brush and the pen.
  void Render(std::span<const TPoint> points, std::span<const uint8_t> types, bool fill,
              bool stroke);
  // Render with the types of one figure of `rest` points after a move.
  void RenderFigure(std::span<const TPoint> points, uint8_t rest, bool closed, bool fill,
                    bool stroke);
  void FillFigures(std::span<const PathFigure> figures);
  void StrokeFigures(std::span<const PathFigure> figures);
  void StrokeThinAliased(std::span<const PathFigure> figures);
  void StrokeWideAliased(std::span<const PathFigure> figures, int32_t width, PenCap cap);
  // Cosmetic aliased pens draw Ellipse and Arc by an integer ellipse walk, as GDI does.
  bool WalksEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) const;
  // rays: start and end of an arc, or null for the whole ellipse.
  void WalkArc(int32_t left, int32_t top, int32_t right, int32_t bottom, const TPoint* rays);
  // Text: one cell (each false) from which the glyphs advance, or a cell per character.
  void WriteText(std::span<const TPoint> cells, std::u16string_view text, bool each);
  void SetTextSource(Color color);
  void ShowGlyphs(cairo_scaled_font_t* sf, const std::vector<cairo_glyph_t>& glyphs);
  // Text: the glyphs' outlines into the path bracket, or their pixels.
  void TextIntoPath(const CairoFont& font, std::span<const cairo_glyph_t> glyphs,
                    cairo_scaled_font_t* scaled);
  void FillDevicePolygon(std::span<const TaPoint2D> corners, Color color);
  void PaintImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                  const DecodedImage& image);

  struct SurfaceRelease {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  };
  using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;
  // The page's copy of an image, made on its first use.
  cairo_surface_t* SurfaceOf(const DecodedImage& image);
  struct ContextRelease {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
  };

  // Pixels for the rows of the direct walks: flushed before, marked dirty after.
  class SurfaceWriter;
  SurfaceWriter Pixels(Color c);

  int32_t width_;
  int32_t height_;
  int32_t firstRow_ = 0;  // the rows the surface holds
  int32_t rows_ = 0;
  bool antialias_;
  bool vector_ = false;  // a surface without pixels of its own: paths only
  std::unique_ptr<cairo_surface_t, SurfaceRelease> surface_;
  std::unique_ptr<cairo_t, ContextRelease> cr_;
  Pen pen_;
  Brush brush_;
  TPoint pos_;  // current position of PolyBezierTo
  PathRecorder path_;
  Font font_;
  Color textColor_ = 0;
  BackgroundMode background_ = BackgroundMode::Opaque;
  struct FontCacheRelease {
    void operator()(CairoFontCache* cache) const;
  };
  std::unique_ptr<CairoFontCache, FontCacheRelease> fonts_;
  struct PatternRelease {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
  };
  std::unique_ptr<cairo_pattern_t, PatternRelease> textSource_;
  Color textSourceColor_ = 0;
  // Working storage kept from call to call.
  std::vector<TPoint> points_;
  std::vector<uint8_t> types_;
  std::vector<PathFigure> figures_;
  ClippedRuns runs_;
  // Vector pages: the image surfaces by image id, and where copies are charged.
  std::unordered_map<uint64_t, SurfacePtr> imageSurfaces_;
  ImageCache* images_ = nullptr;
};

}  // namespace kestril
