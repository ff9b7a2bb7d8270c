// Which texts and dimension values are drawn, where, and in which colour.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "graphics/text/cp932.h"
#include "render_test_support.h"

namespace kestril {
namespace {

using namespace kestril::testing;

struct TextScene {
  const char* name;
  std::function<void(TJwwHeader&, RenderOptions&)> setup;
  std::function<void(ArchiveWriter&)> write;
  // "text@x,y #colour e<escapement>" per character written, "image" per picture.
  std::vector<std::string> expected;
  size_t lines = 0;  // dimension lines drawn
};

const std::string kPicture = "^@BM" KESTRIL_TEST_DATA "/images/pic24.bmp,10,5";

TextSpec At(std::string text, FDataHeader attr = Attr(), double angle = 0) {
  TextSpec t = Text({10, 10}, {20, 10}, 1, std::move(text), attr);
  t.rec.angle = angle;
  return t;
}

DimensionSpec Dimension(FDataHeader line, FDataHeader value) {
  DimensionSpec d;
  d.rec.line = Line({10, 5}, {30, 5}, line);
  d.value = At("D", value);
  return d;
}

// A frame line (0,0)-(100,50) fixes the view at 8 pixels a unit; (10, 10) lands on
// (80, 320) and a text 1 unit high has its first cell's corner at (80, 312).
TEST(TextDraw, ChoosesTextsColoursAndPlaces) {
  const TextScene scenes[] = {
      {"pen colour for texts, printer colour for dimension values",
       [](TJwwHeader& h, RenderOptions&) {
         h.PenColor[3] = 0x11;
         h.PrintPenColor[3] = 0x22;
       },
       [](ArchiveWriter& a) {
         a.Text(At("T", Attr(3)));
         a.Dimension(Dimension(Attr(1), Attr(3)));
       },
       {"T@80,312 #11 e0", "D@80,312 #22 e0"},
       1},
      {"greyed layer",
       [](TJwwHeader& h, RenderOptions&) { h.LayerState[0][2] = 1; },
       [](ArchiveWriter& a) { a.Text(At("T", Attr(3, 1, 2))); },
       {"T@80,312 #c0c0c0 e0"}},
      {"colour numbers beyond the table draw black",
       [](TJwwHeader&, RenderOptions&) {},
       [](ArchiveWriter& a) { a.Text(At("T", Attr(400))); },
       {"T@80,312 #0 e0"}},
      {"auxiliary colour hidden: a text, and a whole dimension by its line",
       [](TJwwHeader&, RenderOptions& o) { o.hoji = true; },
       [](ArchiveWriter& a) {
         a.Text(At("T", Attr(9)));
         a.Dimension(Dimension(Attr(9), Attr(1)));
         a.Dimension(Dimension(Attr(1), Attr(9)));
       },
       {},
       1},
      {"hidden or undrawable dimension lines keep their values",
       [](TJwwHeader& h, RenderOptions&) { h.LayerState[0][1] = 0; },
       [](ArchiveWriter& a) {
         a.Dimension(Dimension(Attr(2, 1, 1), Attr(2)));
         a.Dimension(Dimension(Attr(2, 70), Attr(2)));
       },
       {"D@80,312 #0 e0", "D@80,312 #0 e0"}},
      {"with a pre-pass, image references first and ordinary texts once after",
       [](TJwwHeader& h, RenderOptions&) { h.DrawFlags[2] = 1; },
       [](ArchiveWriter& a) {
         a.Text(At("T"));
         a.Text(At(kPicture));
         a.Text(At("^@B"));
       },
       {"image", "T@80,312 #c0c000 e0", "^@80,312 #c0c000 e0", "@@84,312 #c0c000 e0",
        "B@88,312 #c0c000 e0"}},
      {"without one, in their places",
       [](TJwwHeader&, RenderOptions&) {},
       [](ArchiveWriter& a) {
         a.Text(At("T"));
         a.Text(At(kPicture));
       },
       {"T@80,312 #c0c000 e0", "image"}},
      {"variables of the text's own group",
       [](TJwwHeader& h, RenderOptions&) { h.GroupScale[2] = 50; },
       [](ArchiveWriter& a) { a.Text(At("%ss", Attr(1, 1, 0, 2))); },
       {"5@80,312 #c0c000 e0", "0@84,312 #c0c000 e0"}},
      {"reference point offset",
       [](TJwwHeader& h, RenderOptions&) {
         h.TextOptionMode = 1;
         h.TextOptionA[0] = 3;
         h.TextOptionB[0] = 4;
       },
       [](ArchiveWriter& a) { a.Text(At("T")); },
       {"T@80,308 #c0c000 e0"}},
      {"a block turned a quarter turns its text from 30 to 120 degrees",
       [](TJwwHeader&, RenderOptions&) {},
       [](ArchiveWriter& a) {
         a.Block(Insert(0, {10, 10}, 1, 1, kHalfPi));
         a.DefinitionCount(1);
         a.Definition(0, 1);
         TextSpec t = Text({0, 0}, {10, 0}, 1, "T");
         t.rec.angle = 30;
         a.Text(t);
       },
       {"T@73,324 #c0c000 e1200"}},
  };
  for (const TextScene& s : scenes) {
    SCOPED_TRACE(s.name);
    TJwwHeader h = TestHeader(700);
    RenderOptions options;
    s.setup(h, options);
    ArchiveWriter a(700);
    a.Line(Line({0, 0}, {100, 50}));
    s.write(a);
    a.End();
    Rendered r;
    r.options = options;
    Render(r, BuildJww(h, a));
    std::vector<std::string> written;
    for (const CanvasCall& c : r.canvas.Calls()) {
      if (c.op == CanvasOp::StretchImage) written.push_back("image");
      if (c.op != CanvasOp::TextOut) continue;
      std::ostringstream o;
      o << Utf16ToUtf8(c.text) << "@" << c.points[0].x << "," << c.points[0].y << " #" << std::hex
        << c.textColor << std::dec << " e" << c.font.escapement;
      written.push_back(o.str());
    }
    EXPECT_EQ(written, s.expected);
    EXPECT_EQ(Polylines(r.canvas).size(), s.lines + 1);
  }
}

// A text 2 units high and wide with 1 unit of spacing, "AB" from (0, 0) of block 0,
// drawn at 8 pixels a unit: 16 pixels high, 8 wide a half-width character, its cells 12
// apart. Inside inserts the height follows the composed vertical scale, the width and
// the spacing the horizontal one; mirroring keeps the text readable.
TEST(TextDraw, TextsInScaledInsertsTakeTheScale) {
  struct Case {
    const char* name;
    double sx, sy;   // the insert of block 0; 0: the text is not in a block
    double outer;    // an insert at this scale holding that insert; 0: none
    bool dimension;  // the text is a dimension's value
    int32_t height, width, advance;
  };
  const Case cases[] = {
      {"outside any insert", 0, 0, 0, false, 16, 8, 12},
      {"half", 0.5, 0.5, 0, false, 8, 4, 6},
      {"double", 2, 2, 0, false, 32, 16, 24},
      {"1 x 3", 1, 3, 0, false, 48, 8, 12},
      {"mirrored half", -0.5, 0.5, 0, false, 8, 4, 6},
      {"half inside double", 0.5, 0.5, 2, false, 16, 8, 12},
      {"1 x 3 inside half", 1, 3, 0.5, false, 24, 4, 6},
      {"a dimension value, double", 2, 2, 0, true, 32, 16, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArchiveWriter a(700);
    a.Line(Line({0, 0}, {100, 50}));
    const bool nested = c.outer != 0;
    if (c.sx != 0) {
      a.Block(nested ? Insert(1, {10, 10}, c.outer, c.outer) : Insert(0, {10, 10}, c.sx, c.sy));
      a.DefinitionCount(nested ? 2 : 1);
      a.Definition(0, 1);
    }
    TextSpec t = Text({0, 0}, {10, 0}, 2, "AB");
    t.rec.spacing = 1;
    if (c.dimension) {
      DimensionSpec d;
      d.rec.line = Line({0, -1}, {5, -1});
      d.value = t;
      a.Dimension(d);
    } else {
      a.Text(t);
    }
    if (nested) {
      a.Definition(1, 1);
      a.Block(Insert(0, {0, 0}, c.sx, c.sy));
    }
    a.End();
    Rendered r;
    Render(r, BuildJww(TestHeader(700), a));
    const std::vector<CanvasCall> texts = DrawsOf(r.canvas, CanvasOp::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    for (const CanvasCall& call : texts) {
      EXPECT_EQ(call.font.height, c.height);
      EXPECT_EQ(call.font.width, c.width);
    }
    EXPECT_EQ(texts[1].points[0].x - texts[0].points[0].x, c.advance);
    EXPECT_EQ(texts[1].points[0].y, texts[0].points[0].y);
  }
}

}  // namespace
}  // namespace kestril

namespace kestril {
namespace {

// Texts that repeat a long memo use up the picture's text budget; those after it are not
// drawn, so a small file cannot make a picture endless.
TEST(TextDraw, TextsBeyondThePicturesBudgetAreNotDrawn) {
  TJwwHeader h = TestHeader(700);
  h.Memo = std::string(8000, 'x');
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 50}));
  for (int i = 0; i < 600; ++i) a.Text(At("%mm"));
  a.Text(At("Z"));
  a.End();
  Rendered r;
  Render(r, BuildJww(h, a));
  size_t zs = 0;
  for (const CanvasCall& c : r.canvas.Calls()) zs += c.op == CanvasOp::TextOut && c.text == u"Z";
  EXPECT_EQ(zs, 0u);
}

}  // namespace
}  // namespace kestril
