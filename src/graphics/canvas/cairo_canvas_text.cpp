// Text on the Cairo canvas, placed and sized as GDI places and sizes it: the point is the
// top-left corner of the first character cell, the baseline lies the font's ascent
// below it, and the cell and glyphs turn about the point by the escapement.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

#include "graphics/canvas/cairo_canvas.h"
#include "graphics/canvas/cairo_fonts.h"

namespace kestril {

namespace {

// Larger glyphs are filled from their outlines rather than made into glyph images,
// whose memory grows with the square of the size.
constexpr double kMaxGlyphImageEm = 1024;

// The part [t0, t1] of the line origin + t dir (t in [t0, t1] on entry) that comes
// within `margin` of the picture; false when none does.
bool NearPicture(TaPoint2D origin, TaPoint2D dir, double width, double height, double margin,
                 double& t0, double& t1) {
  const double p[4] = {-dir.x, dir.x, -dir.y, dir.y};
  const double q[4] = {origin.x + margin, width + margin - origin.x, origin.y + margin,
                       height + margin - origin.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  return t0 <= t1;
}

}  // namespace

void CairoCanvas::FontCacheRelease::operator()(CairoFontCache* cache) const {
  delete cache;
}

void CairoCanvas::TextOut(TPoint p, std::u16string_view text) {
  WriteText(std::span(&p, 1), text, false);
}

void CairoCanvas::TextOutEach(std::span<const TPoint> cells, std::u16string_view text) {
  WriteText(cells, text.substr(0, std::min(text.size(), cells.size())), true);
}

void CairoCanvas::WriteText(std::span<const TPoint> cells, std::u16string_view text, bool each) {
  if (text.empty() || cells.empty()) return;
  if (!fonts_) fonts_.reset(new CairoFontCache(antialias_));
  CairoFont* font = fonts_->Get(font_);
  if (font == nullptr) return;

  const TaPoint2D along{font->cosine, -font->sine};  // the baseline's direction
  const TaPoint2D down{font->sine, font->cosine};    // from the cell top towards the baseline
  // Glyphs whose cells cannot reach the picture are left out, which also keeps every
  // coordinate handed to Cairo within its range.
  const double margin = font->cellHeight + std::max(font->emX, font->emY) * 2 + 2;
  // Glyphs by the face that has them: the font's own, then its fallbacks.
  std::vector<std::vector<cairo_glyph_t>> bySource(1);
  // The stretches of baseline (cell corner, from, to) whose cells show: background,
  // underline and strike-out follow them.
  struct Shown {
    TPoint cell;
    double from, to;
  };
  std::vector<Shown> shown;
  double advance = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const TPoint cell = cells[each ? i : 0];
    if (each) advance = 0;
    size_t source = 0;
    // A surrogate pair is one character beyond the basic plane.
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    const uint32_t g = fonts_->GlyphOf(*font, c, source);
    cairo_scaled_font_t* sf = CairoFontCache::Source(*font, source);
    const TaPoint2D origin{cell.x + font->ascent * down.x + along.x * advance,
                           cell.y + font->ascent * down.y + along.y * advance};
    // Cairo puts glyphs on whole pixels, rounding halves away from zero; rounding here
    // instead keeps a glyph on the same pixels wherever the canvas's rows begin (a band
    // of a large picture starts below row 0).
    cairo_glyph_t glyph{g, std::floor(origin.x + 0.5), std::floor(origin.y + 0.5)};
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(sf, &glyph, 1, &extents);
    const double step = std::hypot(extents.x_advance, extents.y_advance);
    double t0 = -margin, t1 = margin;
    if (NearPicture(origin, along, width_, height_, margin, t0, t1)) {
      if (bySource.size() <= source) bySource.resize(source + 1);
      bySource[source].push_back(glyph);
      if (!each && !shown.empty()) {
        shown.back().to = advance + step;
      } else {
        shown.push_back({cell, advance, advance + step});
      }
    }
    advance += step;
    if (advance > 1e12) break;  // a text that long has left any picture long ago
  }
  if (shown.empty()) return;

  auto band = [&](const Shown& run, double top, double bottom) {
    auto at = [&](double t, double d) {
      return TaPoint2D{run.cell.x + along.x * t + down.x * d,
                       run.cell.y + along.y * t + down.y * d};
    };
    return std::array<TaPoint2D, 4>{at(run.from, top), at(run.to, top), at(run.to, bottom),
                                    at(run.from, bottom)};
  };
  const double emScale = font->emY / font->face->unitsPerEm;
  std::vector<std::array<TaPoint2D, 4>> lines;
  for (const Shown& run : shown) {
    if (font_.underline) {
      const double thick = std::max(1.0, std::round(font->face->underlineThickness * emScale));
      const double top =
          font->ascent + std::round(-font->face->underlinePosition * emScale - thick / 2);
      lines.push_back(band(run, top, top + thick));
    }
    if (font_.strikeOut) {
      const double thick = std::max(1.0, std::round(font->face->strikeoutSize * emScale));
      const double top = font->ascent - std::round(font->face->strikeoutPosition * emScale);
      lines.push_back(band(run, top, top + thick));
    }
  }

  if (path_.IsOpen()) {
    for (size_t k = 0; k < bySource.size(); ++k) {
      if (k == 0 || !bySource[k].empty()) {
        TextIntoPath(*font, bySource[k], CairoFontCache::Source(*font, k));
      }
    }
    for (const auto& r : lines) {
      const std::array<TPoint, 4> corners = {TPoint{RoundHalfEven(r[0].x), RoundHalfEven(r[0].y)},
                                             TPoint{RoundHalfEven(r[1].x), RoundHalfEven(r[1].y)},
                                             TPoint{RoundHalfEven(r[2].x), RoundHalfEven(r[2].y)},
                                             TPoint{RoundHalfEven(r[3].x), RoundHalfEven(r[3].y)}};
      path_.Polygon(corners);
    }
    return;
  }
  if (background_ == BackgroundMode::Opaque) {
    for (const Shown& run : shown) FillDevicePolygon(band(run, 0, font->cellHeight), 0xFFFFFF);
  }
  cairo_t* cr = cr_.get();
  SetTextSource(textColor_);
  auto show = [&](cairo_scaled_font_t* sf, const std::vector<cairo_glyph_t>& glyphs) {
    if (glyphs.empty()) return;
    cairo_set_scaled_font(cr, sf);
    if (font->emY <= kMaxGlyphImageEm && font->emX <= kMaxGlyphImageEm) {
      ShowGlyphs(sf, glyphs);
    } else {
      cairo_new_path(cr);
      cairo_glyph_path(cr, glyphs.data(), static_cast<int>(glyphs.size()));
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      cairo_fill(cr);
    }
  };
  for (size_t k = 0; k < bySource.size(); ++k) {
    show(CairoFontCache::Source(*font, k), bySource[k]);
  }
  for (const auto& r : lines) FillDevicePolygon(r, textColor_);
}

// Cairo trims a glyph image that crosses the surface's edge to an estimate of its ink
// that can miss a column, while it draws a glyph wholly inside whole. Glyphs that cross
// an edge are therefore drawn on a scratch mask that holds them whole and laid on from
// there, so that every glyph shows the same pixels wherever the surface's edges lie (a
// band of a large picture has edges across the picture). Cairo adds the coverage of the
// glyphs of one call before laying them on, so glyphs whose ink meets go together.
void CairoCanvas::ShowGlyphs(cairo_scaled_font_t* sf, const std::vector<cairo_glyph_t>& glyphs) {
  if (vector_) {
    // Glyphs reach a vector surface whole, as text: no edge trims them.
    cairo_show_glyphs(cr_.get(), glyphs.data(), static_cast<int>(glyphs.size()));
    return;
  }
  struct Box {
    double left, top, right, bottom;
    bool Meets(const Box& o) const {
      return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    void Add(const Box& o) {
      left = std::min(left, o.left);
      top = std::min(top, o.top);
      right = std::max(right, o.right);
      bottom = std::max(bottom, o.bottom);
    }
  };
  const Box surface{0, double(firstRow_), double(width_), double(firstRow_) + rows_};
  const auto within = [&](const Box& b) {
    return b.left >= surface.left && b.right <= surface.right && b.top >= surface.top &&
           b.bottom <= surface.bottom;
  };
  // The ink boxes, with a pixel to spare, of the glyphs that reach the surface.
  std::vector<cairo_glyph_t> shown;
  std::vector<Box> boxes;
  bool allWithin = true;
  for (const cairo_glyph_t& g : glyphs) {
    cairo_text_extents_t e;
    cairo_scaled_font_glyph_extents(sf, &g, 1, &e);
    const Box b{std::floor(g.x + e.x_bearing) - 2, std::floor(g.y + e.y_bearing) - 2,
                std::ceil(g.x + e.x_bearing + e.width) + 2,
                std::ceil(g.y + e.y_bearing + e.height) + 2};
    if (!b.Meets(surface)) continue;
    allWithin = allWithin && within(b);
    shown.push_back(g);
    boxes.push_back(b);
  }
  cairo_t* cr = cr_.get();
  const auto showAll = [&](size_t from, size_t to) {
    cairo_show_glyphs(cr, shown.data() + from, static_cast<int>(to - from));
  };
  if (allWithin) {
    if (!shown.empty()) showAll(0, shown.size());
    return;
  }
  // Runs of glyphs whose ink meets what came before them in the run.
  for (size_t from = 0; from < shown.size();) {
    Box run = boxes[from];
    size_t to = from + 1;
    while (to < shown.size() && boxes[to].Meets(run)) run.Add(boxes[to++]);
    if (within(run)) {
      showAll(from, to);
    } else {
      const int w = static_cast<int>(run.right - run.left);
      const int h = static_cast<int>(run.bottom - run.top);
      std::unique_ptr<cairo_surface_t, SurfaceRelease> mask(
          cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
      std::unique_ptr<cairo_t, ContextRelease> m(cairo_create(mask.get()));
      if (cairo_status(m.get()) == CAIRO_STATUS_SUCCESS) {
        cairo_set_scaled_font(m.get(), sf);
        std::vector<cairo_glyph_t> moved(shown.begin() + from, shown.begin() + to);
        for (cairo_glyph_t& g : moved) {
          g.x -= run.left;
          g.y -= run.top;
        }
        cairo_show_glyphs(m.get(), moved.data(), static_cast<int>(moved.size()));
        cairo_surface_flush(mask.get());
        cairo_mask_surface(cr, mask.get(), run.left, run.top);
      }
    }
    from = to;
  }
}

// One solid source per text colour, set again only when other drawing replaced it.
void CairoCanvas::SetTextSource(Color color) {
  cairo_t* cr = cr_.get();
  if (!textSource_ || textSourceColor_ != color) {
    textSource_.reset(cairo_pattern_create_rgb(RedOf(color) / 255.0, GreenOf(color) / 255.0,
                                               BlueOf(color) / 255.0));
    textSourceColor_ = color;
  }
  if (cairo_get_source(cr) != textSource_.get()) cairo_set_source(cr, textSource_.get());
}

void CairoCanvas::TextIntoPath(const CairoFont&, std::span<const cairo_glyph_t> glyphs,
                               cairo_scaled_font_t* scaled) {
  if (glyphs.empty()) return;
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  cairo_set_scaled_font(cr, scaled);
  cairo_glyph_path(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  cairo_path_t* path = cairo_copy_path(cr);
  cairo_new_path(cr);
  if (path == nullptr) return;
  std::vector<TPoint> points;
  std::vector<uint8_t> types;
  // Cairo samples pixels at their centres, +0.5 from the device's integer centres.
  auto add = [&](const cairo_path_data_t& d, uint8_t type) {
    points.push_back({RoundHalfEven(d.point.x - 0.5), RoundHalfEven(d.point.y - 0.5)});
    types.push_back(type);
  };
  if (path->status == CAIRO_STATUS_SUCCESS) {
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
      const cairo_path_data_t* d = &path->data[i];
      switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
          add(d[1], kPtMoveTo);
          break;
        case CAIRO_PATH_LINE_TO:
          if (!points.empty()) add(d[1], kPtLineTo);
          break;
        case CAIRO_PATH_CURVE_TO:
          if (points.empty()) break;
          for (int k = 1; k <= 3; ++k) add(d[k], kPtBezierTo);
          break;
        case CAIRO_PATH_CLOSE_PATH:
          if (!types.empty()) types.back() |= kPtCloseFigure;
          break;
      }
    }
  }
  cairo_path_destroy(path);
  path_.AddFigures(points, types);
}

void CairoCanvas::FillDevicePolygon(std::span<const TaPoint2D> corners, Color color) {
  cairo_t* cr = cr_.get();
  cairo_new_path(cr);
  cairo_move_to(cr, corners[0].x + 0.5, corners[0].y + 0.5);
  for (size_t i = 1; i < corners.size(); ++i)
    cairo_line_to(cr, corners[i].x + 0.5, corners[i].y + 0.5);
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_set_source_rgb(cr, RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0);
  cairo_fill(cr);
}

}  // namespace kestril
