#include "support/fixtures.h"

#include <cmath>

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
// scripts, spread and compressed texts, a dimension and a turned block.
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
  a.DefinitionCount(1);
  a.Definition(0, 2, "label");
  a.Line(Line({0, -1}, {20, -1}, Attr(3)));
  a.Text(JapaneseText({0, 0}, 3, "ブロック内の文字"));
  a.End();
  return {"texts", BuildJww(TestHeader(700), a)};
}

}  // namespace

std::vector<Fixture> Fixtures() {
  return {LineTypes(), Points(), Solids(), Blocks(), Layers(), Texts()};
}

}  // namespace kestril::testing
