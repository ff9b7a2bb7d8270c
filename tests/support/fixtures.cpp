#include "support/fixtures.h"

#include <cmath>
#include <limits>

#include "graphics/text/cp932.h"
#include "support/jww_writer.h"

namespace kestril::testing {
namespace {

// Every standard line type in a row of its own, in the eight line colours.
Fixture LineTypes() {
  ArchiveWriter a(700);
  const uint8_t types[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14,
                           15, 16, 17, 18, 19, 30, 32, 33, 37, 40, 44, 47, 48};
  int row = 0;
  for (uint8_t t : types) {
    const uint16_t colour = static_cast<uint16_t>(1 + row % 8);
    const double y = -1.2 * row++;
    a.Line(Line({0, y}, {60, y}, Attr(colour, t)));
    a.Line(Line({64, y}, {80, y - 0.8}, Attr(colour, t)));  // slanted
  }
  a.Line(Line({0, 2}, {80, 2}, Attr(116, 1)));  // an SXF colour
  a.End();
  return {"line-types", BuildJws(a)};
}

// A JWW drawing with its own pens: widths, dots of printed size, every mark code.
Fixture Points() {
  TJwwHeader h = TestHeader(700);
  h.DrawFlags[0] = 1;
  for (int i = 1; i <= 8; ++i) h.PenWidth[i] = static_cast<uint32_t>(i % 4);
  h.PrintDotRadius[2] = 0.3;
  h.PrintDotRadius[3] = 0.6;
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 0}, Attr(1)));
  a.Line(Line({0, 60}, {100, 60}, Attr(4)));
  for (int i = 0; i < 8; ++i) {
    a.Line(Line({5.0 + 12 * i, 5}, {10.0 + 12 * i, 15}, Attr(static_cast<uint16_t>(1 + i))));
    a.Point(Dot({5.0 + 12 * i, 20}, Attr(static_cast<uint16_t>(2 + i % 2))));
  }
  int k = 0;
  for (int code = -8; code <= 12; ++code, ++k) {
    FDataTen mark = Dot({5.0 + 9 * (k % 11), 35.0 + 14 * (k / 11)}, Attr(5, 100));
    mark.markCode = code;
    mark.markScale = 1.5;
    mark.markAngle = (k % 3) * 0.4;
    a.Point(mark);
  }
  a.End();
  return {"points", BuildJww(h, a)};
}

// Quadrilaterals in pen colours and their own colour, drawn before the lines.
Fixture Solids() {
  TJwwHeader h = TestHeader(700);
  h.DrawFlags[2] = 1;  // solids in a pre-pass, under everything else
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 0}, Attr(2)));
  a.Line(Line({0, 60}, {100, 60}, Attr(2)));
  for (int i = 0; i < 6; ++i) {
    const double x = 5 + 15 * i;
    a.Solid(
        Quad({x, 10}, {x + 12, 10}, {x + 10, 25}, {x + 2, 28}, Attr(static_cast<uint16_t>(1 + i))));
  }
  FDataSolid own = Quad({10, 35}, {90, 35}, {90, 55}, {10, 55}, Attr(10));
  own.rgb = 0x0080FF;  // orange, 0x00BBGGRR
  a.Solid(own);
  a.Line(Line({0, 45}, {100, 45}, Attr(2)));  // on top of the orange solid
  a.End();
  return {"solids", BuildJww(h, a)};
}

// A flag-shaped block placed plainly, scaled, turned, mirrored and nested.
Fixture Blocks() {
  ArchiveWriter a(700);
  a.Line(Line({-10, -10}, {110, -10}, Attr(8)));
  a.Line(Line({-10, 70}, {110, 70}, Attr(8)));
  a.Block(Insert(0, {0, 0}));
  a.Block(Insert(0, {30, 0}, 1.5, 1.5));
  a.Block(Insert(0, {60, 10}, 1, 1, kPi / 6));
  a.Block(Insert(0, {100, 0}, -1, 1));
  a.Block(Insert(1, {20, 40}, 1, 1, kHalfPi));
  a.DefinitionCount(2);
  a.Definition(0, 4, "flag");
  a.Line(Line({0, 0}, {0, 20}, Attr(2)));
  a.Line(Line({0, 20}, {12, 15}, Attr(5)));
  a.Line(Line({12, 15}, {0, 10}, Attr(5)));
  a.Solid(Quad({0, 10}, {6, 12.5}, {6, 17.5}, {0, 20}, Attr(3)));
  a.Definition(1, 2, "two flags");
  a.Block(Insert(0, {0, 0}, 0.5, 0.5));
  a.Block(Insert(0, {15, 0}, 0.5, -0.5));
  a.End();
  return {"blocks", BuildJws(a)};
}

// Layer states: hidden, greyed, and the auxiliary colour.
Fixture Layers() {
  TJwwHeader h = TestHeader(700);
  h.LayerState[0][1] = 0;  // hidden
  h.LayerState[0][2] = 1;  // greyed
  h.GroupState[3] = 1;     // a greyed group
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 50}, Attr(2)));
  for (int i = 0; i < 5; ++i) {
    const double y = 5 + 10 * i;
    a.Line(Line({10, y}, {90, y}, Attr(static_cast<uint16_t>(1 + i), 1, static_cast<uint16_t>(i))));
  }
  a.Line(Line({10, 48}, {90, 48}, Attr(6, 1, 0, 3)));
  a.Line(Line({10, 2}, {90, 45}, Attr(9)));  // auxiliary colour
  a.End();
  return {"layers", BuildJww(h, a)};
}

// Code page 932 bytes of UTF-8 source text.
std::string Sjis(std::string_view utf8) {
  std::string out;
  Utf8ToCp932(utf8, out);
  return out;
}

TextSpec JapaneseText(TaPoint2D at, double height, std::string_view utf8, double angle = 0,
                      FDataHeader attr = Attr(2), std::string_view font = "ＭＳ ゴシック") {
  TextSpec t = Text(at, {at.x + 10, at.y}, height, Sjis(utf8), attr);
  t.rec.angle = angle;
  t.font = Sjis(font);
  return t;
}

// Japanese and Latin texts: typefaces, sizes, angles, vertical writing, styles, colours,
// scripts, spread and compressed texts, a dimension, a turned block and a north mark
// inserted at three scales, its letter scaled with its box.
Fixture Texts() {
  ArchiveWriter a(700);
  for (const auto& [p, q] : {std::pair{TaPoint2D{0, 0}, TaPoint2D{100, 0}},
                             {TaPoint2D{100, 0}, TaPoint2D{100, 75}},
                             {TaPoint2D{100, 75}, TaPoint2D{0, 75}},
                             {TaPoint2D{0, 75}, TaPoint2D{0, 0}}}) {
    a.Line(Line(p, q, Attr(8)));
  }
  a.Text(JapaneseText({3, 66}, 6, "配置図 1/100 Kestril"));
  a.Text(JapaneseText({3, 57}, 5, "明朝体の文字 Mincho", 0, Attr(2), "ＭＳ 明朝"));
  a.Text(JapaneseText({3, 48}, 5, "^!太字^# ^/斜体^# ^_下線^# ^-取消"));
  a.Text(JapaneseText({3, 40}, 5, "^$3緑^$6青^$2 m^u2 H^d2O"));
  a.Text(JapaneseText({3, 32}, 4, "均等割付・・"));
  a.Text(JapaneseText({3, 25}, 4, "圧縮された文字列^3"));
  TextSpec italic = JapaneseText({3, 18}, 4, "Italic kind 斜体");
  italic.rec.textKind = 10000;
  a.Text(italic);
  a.Text(JapaneseText({52, 6}, 4, "三十度の文字", 30, Attr(5)));
  a.Text(JapaneseText({97, 4}, 4, "右から九十度", 90, Attr(6)));
  TextSpec vertical = JapaneseText({86, 70}, 4, "縦書き（ルビー）、", 270, Attr(2));
  vertical.rec.attr.flags = 0x20;
  a.Text(vertical);
  DimensionSpec dim;
  dim.rec.line = Line({5, 8}, {45, 8}, Attr(1));
  dim.value = JapaneseText({21, 9}, 3, "1,500");
  a.Dimension(dim);
  a.Block(Insert(0, {55, 30}, 1, 1, kPi / 6));
  a.Block(Insert(1, {60, 54}, 1.5, 1.5));
  a.Block(Insert(1, {74, 62}, 0.5, 0.5));
  a.Block(Insert(1, {76, 47}, 0.75, 1.5));
  a.DefinitionCount(2);
  a.Definition(0, 2, "label");
  a.Line(Line({0, -1}, {20, -1}, Attr(3)));
  a.Text(JapaneseText({0, 0}, 3, "ブロック内の文字"));
  a.Definition(1, 5, "north");
  const TaPoint2D box[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}};
  for (int i = 0; i < 4; ++i) a.Line(Line(box[i], box[(i + 1) % 4], Attr(3)));
  a.Text(JapaneseText({1, 1}, 6, "Ｎ", 0, Attr(5)));
  a.End();
  return {"texts", BuildJww(TestHeader(700), a)};
}

// Circles, arcs both ways, ellipses turned and flattened, dashed and random line types,
// wide pens, small bolt holes and an ellipse outlined by its samples.
Fixture Arcs() {
  TJwwHeader h = TestHeader(700);
  h.PenWidth[3] = 3;
  h.PenWidth[4] = 2;
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 0}, Attr(2)));
  a.Line(Line({0, 75}, {100, 75}, Attr(2)));
  for (int i = 0; i < 8; ++i) {
    a.Arc(Circle({6.0 + 12 * i, 66}, 1.0 + 0.6 * i, Attr(static_cast<uint16_t>(1 + i))));
    a.Arc(Circle({6.0 + 12 * i, 58}, 0.4, Attr(5)));  // bolt holes
  }
  a.Arc(ArcOf({12, 38}, 9, 0, kHalfPi, Attr(3)));
  a.Arc(ArcOf({32, 38}, 9, kPi, -kPi * 1.5, Attr(4)));
  a.Arc(ArcOf({52, 38}, 9, 0.4, 5.0, Attr(6)));
  FDataEnko ellipse = Circle({76, 40}, 12, Attr(2));
  ellipse.flatness = 0.45;
  ellipse.tiltAngle = 0.5;
  a.Arc(ellipse);
  FDataEnko elliptic = ArcOf({76, 40}, 16, -1.0, 2.6, Attr(8));
  elliptic.flatness = 0.6;
  elliptic.tiltAngle = -0.3;
  a.Arc(elliptic);
  const uint8_t dashed[] = {2, 3, 5, 7, 9};
  for (int i = 0; i < 5; ++i) {
    a.Arc(Circle({8.0 + 16 * i, 18}, 6, Attr(static_cast<uint16_t>(1 + i), dashed[i])));
  }
  for (int i = 0; i < 5; ++i) {
    a.Arc(ArcOf({10.0 + 20 * i, 1}, 9, 0.3, 2.5, Attr(2, static_cast<uint8_t>(11 + i))));
  }
  FDataEnko sampled = Circle({92, 20}, 5, Attr(6));
  sampled.flatness = 0.7;
  sampled.fullCircle = 2;
  a.Arc(sampled);
  a.End();
  return {"arcs", BuildJww(h, a)};
}

// A circle solid: centre, radius, flatness, tilt, start, sweep and the selector (or the
// inner radius for line type 106) in the corners.
FDataSolid CircleSolid(TaPoint2D c, double r, double start, double sweep, double selector,
                       FDataHeader attr, double flatness = 1, double tilt = 0) {
  return Quad(c, {r, flatness}, {tilt, start}, {sweep, selector}, attr);
}

// Every figure of the circle solids: filled whole, segment, sector, tangent bands from a
// start and in quarters, an unknown selector, their outlines, and rings.
Fixture CircleSolids() {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 0}, Attr(2)));
  a.Line(Line({0, 75}, {100, 75}, Attr(2)));
  const double selectors[] = {100, 5, 0, -1, 7};
  for (int i = 0; i < 5; ++i) {
    const double x = 10 + 20 * i;
    const uint16_t colour = static_cast<uint16_t>(1 + i);
    a.Solid(CircleSolid({x, 62}, 8, 0.5, 3.8, selectors[i], Attr(colour, 101)));
    a.Solid(CircleSolid({x, 40}, 8, 0.5, 3.8, selectors[i], Attr(colour, 111), 0.6, 0.4));
  }
  a.Solid(CircleSolid({10, 15}, 6, 0, kTwoPi, -1, Attr(6, 101)));  // corners of a square
  a.Solid(CircleSolid({30, 15}, 8, 0, kTwoPi, 4, Attr(7, 106)));   // a ring
  a.Solid(CircleSolid({50, 15}, 8, 1, 2, 4, Attr(8, 106)));        // part of a ring
  a.Solid(CircleSolid({70, 15}, 8, 0, 0, 100, Attr(3, 101), 0.4, 1.0));
  a.Solid(CircleSolid({90, 15}, 8, -2.5, -2, 0, Attr(4, 101)));
  a.End();
  return {"circle-solids", BuildJws(a)};
}

// A door with its swing, a hinge pin and a filled quarter, placed plainly, turned,
// scaled unevenly, mirrored both ways and nested.
Fixture ArcBlocks() {
  ArchiveWriter a(700);
  a.Line(Line({-10, -10}, {110, -10}, Attr(8)));
  a.Line(Line({-10, 70}, {110, 70}, Attr(8)));
  a.Block(Insert(0, {0, 0}));
  a.Block(Insert(0, {40, 0}, 1, 1, kPi / 5));
  a.Block(Insert(0, {70, 0}, 1, 1.6));
  a.Block(Insert(0, {110, 0}, -1, 1));
  a.Block(Insert(0, {0, 60}, 1, -1));
  a.Block(Insert(1, {45, 35}, 1.2, 1.2, kHalfPi));
  a.DefinitionCount(2);
  a.Definition(0, 5, "door");
  a.Line(Line({0, 0}, {0, 20}, Attr(2)));
  a.Arc(ArcOf({0, 0}, 20, 0, kHalfPi, Attr(3)));
  a.Arc(Circle({0, 0}, 1.2, Attr(5)));
  a.Arc(ArcOf({0, 0}, 10, 0.2, 1.0, Attr(6, 2)));
  a.Solid(CircleSolid({0, 0}, 5, 0, kHalfPi, 0, Attr(4, 101), 0.5));
  a.Definition(1, 2, "pair");
  a.Block(Insert(0, {0, 0}, 0.5, 0.5, 0.3));
  a.Block(Insert(0, {25, 0}, -0.5, 0.7));
  a.End();
  return {"arc-blocks", BuildJws(a)};
}

// Curves no drawing should hold, drawn safely: a sweep of 1e300, not-a-number and
// infinite values, patterns that cannot be walked (no dash at all, every length 0), and
// tangent bands whose corners lie almost infinitely far off.
Fixture OddArcs() {
  TJwwHeader h = TestHeader(700);
  h.LinePattern[3] = 0;  // no dash at all: (0, 32)
  h.LinePattern[20] = 0xF0F0F0F0;
  h.LinePitch[20] = 0;  // every length 0
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 75}, Attr(2)));
  a.Arc(ArcOf({50, 40}, 10, 0, 1e300, Attr(6)));
  a.Arc(ArcOf({50, 40}, 15, 0, inf, Attr(6)));
  a.Arc(ArcOf({50, 40}, nan, 0, 1, Attr(6)));
  a.Arc(ArcOf({nan, 40}, 5, 0, 1, Attr(6)));
  a.Arc(ArcOf({25, 50}, 8, 0, 1e300, Attr(7, 12)));
  a.Arc(Circle({20, 15}, 8, Attr(8, 3)));
  a.Arc(Circle({45, 15}, 8, Attr(8, 20)));
  a.Solid(CircleSolid({80, 55}, 8, 0.2, kPi, -1, Attr(1, 101)));
  a.Solid(CircleSolid({80, 20}, 8, 0.2, 3.14159, -1, Attr(4, 111)));
  a.Solid(CircleSolid({60, 20}, 8, nan, inf, -1, Attr(1, 101)));
  a.End();
  return {"odd-arcs", BuildJww(h, a)};
}

}  // namespace

std::vector<Fixture> Fixtures() {
  return {LineTypes(), Points(), Solids(),       Blocks(),    Layers(),
          Texts(),     Arcs(),   CircleSolids(), ArcBlocks(), OddArcs()};
}

}  // namespace kestril::testing
