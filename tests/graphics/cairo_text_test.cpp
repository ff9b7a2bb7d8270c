// Text on the Cairo canvas: the Japanese faces found under their Windows names, fonts
// sized and turned as GDI sizes and turns them, styles, path brackets, hostile sizes.
#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "canvas_test_util.h"
#include "graphics/canvas/cairo_canvas.h"
#include "graphics/canvas/cairo_fonts.h"
#include "graphics/text/cp932.h"
#include "graphics/text/japanese_faces.h"

namespace kestril {
namespace {

using test::Pixels;

constexpr std::u16string_view kGothic = u"ＭＳ ゴシック";

struct Ink {
  int64_t count = 0;
  std::array<int32_t, 4> box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};  // l, t, r, b inclusive
  int32_t Width() const { return box[2] - box[0] + 1; }
  int32_t Height() const { return box[3] - box[1] + 1; }
};

Ink InkOf(const RasterCanvas& canvas, Color ink = 0) {
  const Pixels p(canvas);
  Ink out;
  for (int32_t y = 0; y < p.Height(); ++y) {
    for (int32_t x = 0; x < p.Width(); ++x) {
      if (p.At(x, y) != ink) continue;
      ++out.count;
      out.box = {std::min(out.box[0], x), std::min(out.box[1], y), std::max(out.box[2], x),
                 std::max(out.box[3], y)};
    }
  }
  return out;
}

Font MakeFont(int32_t height, int32_t width, int32_t escapement = 0,
              std::u16string_view face = kGothic) {
  Font f;
  f.height = height;
  f.width = width;
  f.escapement = f.orientation = escapement;
  f.face = std::u16string(face);
  return f;
}

// One call of TextOut on a fresh 120 x 120 canvas.
Ink Written(const Font& font, std::u16string_view text, TPoint at = {40, 40}) {
  CairoCanvas canvas(120, 120);
  canvas.SetBackgroundMode(BackgroundMode::Transparent);
  canvas.SetFont(font);
  canvas.TextOut(at, text);
  return InkOf(canvas);
}

TEST(CairoText, WindowsJapaneseFacesMapToIpaFonts) {
  const std::pair<std::u16string_view, const char*> cases[] = {{u"ＭＳ ゴシック", "IPAGothic"},
                                                               {u"ＭＳゴシック", "IPAGothic"},
                                                               {u"MS Gothic", "IPAGothic"},
                                                               {u"ms gothic", "IPAGothic"},
                                                               {u"ＭＳ Ｐゴシック", "IPAPGothic"},
                                                               {u"MS UI Gothic", "IPAPGothic"},
                                                               {u"ＭＳ 明朝", "IPAMincho"},
                                                               {u"ＭＳ Ｐ明朝", "IPAPMincho"},
                                                               {u"Arial", ""},
                                                               {u"", ""}};
  for (const auto& [face, family] : cases) EXPECT_EQ(JapaneseAlias(face), family);
  const CairoFace* gothic = ResolveCairoFace(kGothic, false, false);
  ASSERT_NE(gothic, nullptr);
  EXPECT_EQ(gothic->ascent, 1802);  // IPAGothic's cell: usWinAscent + usWinDescent
  EXPECT_EQ(gothic->descent, 401);
  EXPECT_EQ(gothic->averageWidth, 1024);
}

// A font in a Windows Japanese face is asked for the em that face has in the cell asked
// for (MS Gothic's and MS Mincho's cell is their em), so that the IPA font standing in
// draws glyphs as tall as theirs; other faces are sized by their own cell.
TEST(CairoText, StandInsTakeTheWindowsFacesEm) {
  struct Case {
    std::u16string_view face;
    int32_t height, asked;
    double em;
  };
  const Case cases[] = {
      {u"ＭＳ ゴシック", 40, -40, 40}, {u"MS UI Gothic", 13, -13, 13},
      {u"ＭＳ Ｐ明朝", 40, -40, 40},   {u"ＭＳ 明朝", -30, -30, 30},  // an em stays an em
      {u"ＭＳ 明朝", 0, 0, 15},    // the default cell of the face that draws
      {u"IPAGothic", 40, 40, 37},  // 40 x 2048 / (1802 + 401)
      {u"IPAMincho", 40, 40, 36},  // 40 x 2048 / (1802 + 455)
  };
  CairoFontCache cache(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.face) + " " + std::to_string(c.height));
    EXPECT_EQ(StandInHeight(c.face, c.height), c.asked);
    const CairoFont* font = cache.Get(MakeFont(c.height, 0, 0, c.face));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->emY, c.em);
  }
}

// Whatever face a drawing names, kana, kanji, circled digits and Latin letters have glyphs.
TEST(CairoText, EveryFaceHasJapaneseGlyphs) {
  CairoFontCache cache(false);
  for (std::u16string_view face :
       {kGothic, std::u16string_view(u"ＭＳ 明朝"), std::u16string_view(u"Arial"),
        std::u16string_view(u"No Such Face"), std::u16string_view()}) {
    CairoFont* font = cache.Get(MakeFont(20, 5, 0, face));
    ASSERT_NE(font, nullptr);
    for (char16_t c : std::u16string_view(u"あア漢①Ａa")) {
      size_t source = 0;
      EXPECT_NE(cache.GlyphOf(*font, c, source), 0u) << int(c);
    }
    // Characters no Japanese face has come from a face that has them: Hangul, and kanji
    // beyond the basic plane.
    for (char32_t c : {U'한', U'\U00020BB7'}) {
      size_t source = 0;
      EXPECT_NE(cache.GlyphOf(*font, c, source), 0u) << int(c);
      EXPECT_GT(source, 0u);
    }
  }
}

// GDI's sizes: the cell is the height, the average (half-width) character the width; the
// point is the cell's top-left corner, about which the escapement turns it.
TEST(CairoText, SizesAndTurnsFontsAsGdiDoes) {
  const Ink upright = Written(MakeFont(40, 10), u"田");
  EXPECT_GE(upright.box[0], 40);
  EXPECT_LE(upright.box[2], 60);  // a full-width cell is twice the average width
  EXPECT_GE(upright.Width(), 13);
  EXPECT_GE(upright.box[1], 40);
  EXPECT_LE(upright.box[3], 80);
  EXPECT_GE(upright.Height(), 28);

  const Ink wide = Written(MakeFont(40, 20), u"田");
  EXPECT_NEAR(wide.Width(), 2 * upright.Width(), 3);
  EXPECT_NEAR(wide.Height(), upright.Height(), 1);

  const Ink turned = Written(MakeFont(40, 10, 900), u"田");  // reads upwards
  EXPECT_GE(turned.box[0], 40);
  EXPECT_LE(turned.box[2], 80);
  EXPECT_GE(turned.box[1], 20);
  EXPECT_LE(turned.box[3], 40);
  EXPECT_NEAR(turned.Width(), upright.Height(), 1);
  EXPECT_NEAR(turned.Height(), upright.Width(), 1);
}

TEST(CairoText, StylesAddInk) {
  const Font plain = MakeFont(40, 10);
  const Ink regular = Written(plain, u"田");
  Font bold = plain;
  bold.weight = 700;
  EXPECT_GT(Written(bold, u"田").count, regular.count * 11 / 10);
  Font italic = plain;
  italic.italic = true;
  EXPECT_GT(Written(italic, u"田").box[2], regular.box[2]);  // its top leans right
  Font underline = plain;
  underline.underline = true;
  EXPECT_GT(Written(underline, u"田").box[3], regular.box[3]);
  Font strike = plain;
  strike.strikeOut = true;
  EXPECT_GT(Written(strike, u"ハ").count, Written(plain, u"ハ").count + 15);
}

// Inside a path bracket the glyph outlines join the path; filled they ink what TextOut
// inks, and an opaque background fills the cell.
TEST(CairoText, PathBracketsAndBackgrounds) {
  CairoCanvas direct(120, 120);
  direct.SetBackgroundMode(BackgroundMode::Transparent);
  direct.SetFont(MakeFont(40, 10));
  direct.TextOut({40, 40}, u"田");
  const Ink shown = InkOf(direct);

  CairoCanvas traced(120, 120);
  traced.SetFont(MakeFont(40, 10));
  traced.BeginPath();
  traced.TextOut({40, 40}, u"田");
  traced.EndPath();
  std::vector<TPoint> points;
  std::vector<uint8_t> types;
  traced.GetPath(points, types);
  ASSERT_FALSE(points.empty());
  EXPECT_EQ(types.front(), kPtMoveTo);
  traced.SetBrush({0, BrushStyle::Solid});
  traced.SetPen({0, 1, PenStyle::Null});
  traced.StrokeAndFillPath();
  const Ink filled = InkOf(traced);
  EXPECT_NEAR(double(filled.count), double(shown.count), shown.count * 0.15);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(filled.box[i], shown.box[i], 1);

  CairoCanvas opaque(120, 120);
  opaque.SetBrush({0xFF0000, BrushStyle::Solid});
  opaque.FillRect(0, 0, 120, 120);
  opaque.SetFont(MakeFont(40, 10));
  opaque.TextOut({40, 40}, u"田");
  const Pixels p(opaque);
  EXPECT_EQ(p.At(40, 40), 0xFFFFFFu);  // the cell's corner
  EXPECT_EQ(p.At(39, 40), 0xFF0000u);
}

// Characters written together, each at its own cell, ink exactly what separate calls do.
TEST(CairoText, CharactersTogetherAsOneByOne) {
  const std::vector<TPoint> cells = {{5, 10}, {31, 12}, {57, 14}};
  Font f = MakeFont(24, 12, 150);
  f.underline = true;
  CairoCanvas together(120, 60), apart(120, 60);
  for (CairoCanvas* c : {&together, &apart}) {
    c->SetBackgroundMode(BackgroundMode::Transparent);
    c->SetFont(f);
    c->SetTextColor(0x0000FF);
  }
  together.TextOutEach(cells, u"文字列");
  for (size_t i = 0; i < cells.size(); ++i)
    apart.TextOut(cells[i], std::u16string(1, u"文字列"[i]));
  const Pixels a(together), b(apart);
  int64_t differ = 0;
  for (int32_t y = 0; y < 60; ++y) {
    for (int32_t x = 0; x < 120; ++x) differ += a.At(x, y) != b.At(x, y);
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(InkOf(together, 0x0000FF).count, 200);
}

TEST(CairoText, HostileSizesAndPlacesFinishAndDrawOnlyWhatShows) {
  CairoCanvas canvas(60, 60);
  canvas.SetTextColor(0);
  for (const auto& [height, at] :
       std::vector<std::pair<int32_t, TPoint>>{{1 << 30, {10, 10}},
                                               {60000, {10, 10}},
                                               {400000, {-100000, 10}},
                                               {20, {INT32_MAX, INT32_MIN}}}) {
    canvas.SetFont(MakeFont(height, 0));
    canvas.TextOut(at, u"田田田田");
  }
  EXPECT_EQ(InkOf(canvas).count, 0);
  // A glyph far larger than the picture is filled from its outline where it shows.
  canvas.SetFont(MakeFont(3000, 0));
  canvas.TextOut({-1000, -1000}, u"■");
  EXPECT_GT(InkOf(canvas).count, 0);
}

}  // namespace
}  // namespace kestril
