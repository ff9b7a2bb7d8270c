// Texts on the Cairo canvas: 2,000 texts of 12 Japanese characters on an 800 x 600
// picture through the text engine, beside Cairo alone showing the same glyphs at the same
// places with one font made beforehand.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "graphics/canvas/cairo_canvas.h"
#include "graphics/canvas/cairo_fonts.h"
#include "graphics/text/cp932.h"
#include "graphics/text/jww_text.h"

namespace kestril {
namespace {

constexpr int32_t kW = 800, kH = 600;
constexpr int kTexts = 2000;
constexpr double kSize = 12;  // pixels: cell height and full-width character width
const std::u16string kText = u"配置図平面図立面図断面図";

// The first cell's corner of text i.
TPoint CellOf(int i) {
  return {(i % 5) * 160, (i / 5) % 50 * 12};
}

std::string Sjis(std::u16string_view text) {
  std::string out;
  Utf8ToCp932(Utf16ToUtf8(text), out);
  return out;
}

void BM_JwwTexts(benchmark::State& state) {
  CairoCanvas canvas(kW, kH);
  TStyleLineCanvas style;
  style.Canvas = &canvas;
  TViewTransform view;  // device (x, y) is drawing (x, -y)
  view.YAxisFactor = -1;
  view.Scale = 1;
  const JwString text = Sjis(kText);
  const JwString face = Sjis(u"ＭＳ ゴシック");
  for (auto _ : state) {
    for (int i = 0; i < kTexts; ++i) {
      const TPoint cell = CellOf(i);
      const TaPoint2D start{double(cell.x), -(cell.y + kSize)};  // the baseline's start
      DrawJwwText(style, start, start, view, text, face, 0, 0, {0, 0}, 0, 0, kSize, kSize, {});
    }
  }
  state.SetItemsProcessed(state.iterations() * kTexts);
}
BENCHMARK(BM_JwwTexts)->Unit(benchmark::kMillisecond);

void BM_CairoAloneSameGlyphs(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
  cairo_t* cr = cairo_create(surface);
  CairoFontCache cache(false);
  Font font;
  font.height = static_cast<int32_t>(kSize);
  font.width = static_cast<int32_t>(kSize / 2);
  font.face = u"ＭＳ ゴシック";
  CairoFont* f = cache.Get(font);
  std::vector<cairo_glyph_t> glyphs(kText.size());
  std::vector<uint32_t> index;
  for (char16_t c : kText) {
    size_t source = 0;
    index.push_back(cache.GlyphOf(*f, c, source));
  }
  cairo_set_scaled_font(cr, f->scaled.get());
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (auto _ : state) {
    for (int i = 0; i < kTexts; ++i) {
      const TPoint cell = CellOf(i);
      for (size_t k = 0; k < kText.size(); ++k) {
        glyphs[k] = {index[k], cell.x + kSize * double(k), cell.y + f->ascent};
      }
      cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    }
    cairo_surface_flush(surface);
  }
  state.SetItemsProcessed(state.iterations() * kTexts);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoAloneSameGlyphs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestril

BENCHMARK_MAIN();
