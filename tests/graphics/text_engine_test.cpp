// The text engine on the recording canvas: every character's cell corner, font and
// colour, and the code page 932 walk it rests on.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/canvas/recording_canvas.h"
#include "graphics/text/cp932.h"
#include "graphics/text/jww_text.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

// One line per TextOut: "text@x,y height/width e<escapement>", then " bold", " italic",
// " #<colour>" (hex) when not the text's colour 0x123456.
std::vector<std::string> Written(const RecordingCanvas& canvas) {
  std::vector<std::string> out;
  for (const CanvasCall& c : canvas.Calls()) {
    if (c.op != CanvasOp::TextOut) continue;
    std::ostringstream s;
    s << Utf16ToUtf8(c.text) << "@" << c.points[0].x << "," << c.points[0].y << " " << c.font.height
      << "/" << c.font.width << " e" << c.font.escapement;
    if (c.font.weight != 400) s << " w" << c.font.weight;
    if (c.font.italic) s << " italic";
    if (c.textColor != 0x123456) s << " #" << std::hex << c.textColor;
    out.push_back(s.str());
  }
  return out;
}

struct TextCase {
  const char* name;
  JwString text;  // code page 932 unless made otherwise
  std::vector<std::string> expected;
  double angle = 0;
  uint16_t flags = 0;
  uint32_t kind = 0;
  double width = 2, height = 4, spacing = 1;  // 20, 40 and 10 pixels at scale 10
};

// The start point lands on device (100, 200); horizontal cells then begin at (100, 160).
// With `unicode` the text and its face name are handed over as UTF-16.
RecordingCanvas Draw(const TextCase& c, const TextDrawingSettings& settings = {},
                     bool unicode = false) {
  RecordingCanvas canvas;
  TStyleLineCanvas style;
  style.Canvas = &canvas;
  style.Color = 0x123456;
  TViewTransform view;
  view.YAxisFactor = -1;
  view.Scale = 10;
  const JwString face = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック
  const JwString& text = c.text;
  DrawJwwText(style, {10, -20}, {30, -20}, view, unicode ? testing::Utf16(DecodeText(text)) : text,
              unicode ? testing::Utf16(DecodeText(face)) : face, c.flags, c.kind, {0, 0}, c.angle,
              c.spacing, c.height, c.width, settings);
  if (unicode) {
    for (const CanvasCall& call : canvas.Calls()) {
      if (call.op == CanvasOp::TextOut) {
        EXPECT_EQ(call.font.face, DecodeText(face));
      }
    }
  }
  return canvas;
}

TextDrawingSettings ColourThree() {
  TextDrawingSettings settings;
  settings.lineColors[3] = 0x00FF00;
  return settings;
}

// Texts in code page 932 with the calls they make.
std::vector<TextCase> ShiftJisCases() {
  return {
      {"sizes and single-byte steps",
       "ABC",
       {"A@100,160 40/10 e0", "B@115,160 40/10 e0", "C@130,160 40/10 e0"}},
      {"double-byte steps",
       "\x82\xa0\x82\xa2",  // あい
       {"あ@100,160 40/10 e0", "い@130,160 40/10 e0"}},
      {"spread by two cells",
       "AB\x81\x45\x81\x45",  // AB・・
       {"A@100,160 40/10 e0", "B@145,160 40/10 e0"}},
      {"spread by half a cell",
       "AB\xa5",  // AB･
       {"A@100,160 40/10 e0", "B@122,160 40/10 e0"}},
      {"one character has nothing to spread", "A\x81\x45", {"A@100,160 40/10 e0"}},
      {"compression by two",
       "ABCD^2",
       {"A@100,160 40/5 e0", "B@108,160 40/5 e0", "C@115,160 40/5 e0", "D@122,160 40/5 e0"}},
      {"superscript: half height, 5 back, half a step",
       "m^u2X",
       {"m@100,160 40/10 e0", "2@110,160 20/10 e0", "X@130,160 40/10 e0"}},
      {"subscript", "m^d2", {"m@100,160 40/10 e0", "2@118,179 20/10 e0"}},
      {"small overstrike takes no room",
       "A^oBC",
       {"A@100,160 40/10 e0", "B@104,164 21/6 e0", "C@115,160 40/10 e0"}},
      {"italic kind", "A", {"A@100,160 40/10 e0 italic"}, 0, 0, 10005},
      {"weight kind draws bold", "A", {"A@100,160 40/10 e0 w700"}, 0, 0, 20005},
      {"both", "A", {"A@100,160 40/10 e0 w700 italic"}, 0, 0, 30005},
      {"bold sequence", "^!A", {"A@100,160 40/10 e0 w700"}},
      {"sequences off draw as text",
       "^*^!A",
       {"^@100,160 40/10 e0", "!@115,160 40/10 e0", "A@130,160 40/10 e0"}},
      {"and on again", "^*^^^!A", {"A@100,160 40/10 e0 w700"}},
      {"reset by ^%", "^!^%A", {"A@100,160 40/10 e0"}},
      {"line colour 3", "^$3X", {"X@100,160 40/10 e0 #ff00"}},
      {"no line colour 0",
       "^$0X",
       {"^@100,160 40/10 e0", "$@115,160 40/10 e0", "0@130,160 40/10 e0", "X@145,160 40/10 e0"}},
      {"turned", "AB", {"A@80,200 40/10 e900", "B@80,185 40/10 e900"}, 90},
      {"angles beyond a turn", "A", {"A@100,160 40/10 e0"}, 720},
      {"vertical writing downwards, the long vowel turned with the line",
       "\x83\x41\x81\x5b",  // アー
       {"ア@100,200 40/10 e0", "ー@130,230 40/10 e2700"},
       270,
       kVerticalTextFlag},
      {"overstrike on the cell before", "A^bB", {"A@100,160 40/10 e0", "B@102,160 40/10 e0"}},
      {"two characters in one cell", "A^w12", {"A@100,160 40/10 e0", "12@104,165 20/6 e0"}},
      {"vertical writing, the comma set off diagonally",
       "\x83\x41\x81\x41",  // ア、
       {"ア@100,200 40/10 e0", "、@121,209 40/10 e0"},
       270,
       kVerticalTextFlag},
      {"a second byte '\\\\' or '|' stays in its character",
       "\x95\x5c\x83\x7c\x81\x5e!",  // 表ポ／!
       {"表@100,160 40/10 e0", "ポ@130,160 40/10 e0", "／@160,160 40/10 e0", "!@190,160 40/10 e0"}},
      {"a lead byte at the very end", "A\x82", {"A@100,160 40/10 e0", "・@115,160 40/10 e0"}},
      {"under half a pixel high draws nothing", "A", {}, 0, 0, 0, 2, 0.04},
  };
}

TEST(DrawJwwText, PlacesSizesAndStylesEveryCharacter) {
  for (const TextCase& c : ShiftJisCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Written(Draw(c, ColourThree())), c.expected);
  }
}

// A text stored as Unicode is drawn as its Shift-JIS twin: the same glyphs, widths,
// sequences, suffixes and vertical writing. Characters the code page lacks are drawn,
// full-width; what is not UTF-16 reads as U+FFFD.
TEST(DrawJwwText, UnicodeTextsDrawAsTheirShiftJisTwins) {
  for (const TextCase& c : ShiftJisCases()) {
    if (c.text == "A\x82") continue;  // a cut-off lead byte has no Unicode twin
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Written(Draw(c, ColourThree(), true)), c.expected);
  }
  const TextCase cases[] = {
      {"beyond the basic plane",
       testing::Utf16(u"A\U00020BB7B"),
       {"A@100,160 40/10 e0", "\U00020BB7@115,160 40/10 e0", "B@145,160 40/10 e0"}},
      {"an IBM extension kanji and Hangul",
       testing::Utf16(u"髙한"),
       {"髙@100,160 40/10 e0", "한@130,160 40/10 e0"}},
      {"accented Latin the code page lacks is full-width",
       testing::Utf16(u"éA"),
       {"é@100,160 40/10 e0", "A@130,160 40/10 e0"}},
      {"half-width katakana stay half-width",
       testing::Utf16(u"ｱｲ"),
       {"ｱ@100,160 40/10 e0", "ｲ@115,160 40/10 e0"}},
      {"unpaired surrogates",
       testing::Utf16(std::u16string{0xD800, u'A', 0xDC00}),
       {"\uFFFD@100,160 40/10 e0", "A@130,160 40/10 e0", "\uFFFD@145,160 40/10 e0"}},
      {"sequences around them",
       testing::Utf16(u"^!𠮷^w12"),
       {"𠮷@100,160 40/10 e0 w700", "12@104,165 20/6 e0 w700"}},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Written(Draw(c)), c.expected);
  }
  // An odd last byte is not a unit.
  const JwString odd(std::string_view("A\0B", 3), TextEncoding::Utf16);
  EXPECT_EQ(DecodeText(odd), u"A\uFFFD");
}

TEST(DrawJwwText, BackgroundModes) {
  TextDrawingSettings band;
  band.backgroundMode = 2;
  band.backgroundMargin = 2;
  band.backgroundColor = 0xABCDEF;
  RecordingCanvas banded = Draw({"band", "A", {}}, band);
  const std::vector<CanvasCall> draws = banded.Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].op, CanvasOp::Polygon);
  EXPECT_EQ(draws[0].points, (std::vector<TPoint>{{98, 162}, {102, 162}, {102, 118}, {98, 118}}));
  EXPECT_EQ(draws[0].brush, (Brush{0xABCDEF, BrushStyle::Solid}));
  EXPECT_EQ(draws[0].pen.color, 0xABCDEFu);
  EXPECT_EQ(draws[1].background, BackgroundMode::Transparent);

  TextDrawingSettings halo = band;
  halo.backgroundMode = 1;
  std::vector<CanvasOp> ops;
  RecordingCanvas haloed = Draw({"halo", "A^$3B", {}}, halo);
  for (const CanvasCall& c : haloed.Calls()) {
    if (c.op == CanvasOp::BeginPath || c.op == CanvasOp::TextOut || c.op == CanvasOp::EndPath) {
      ops.push_back(c.op);
    }
    if (c.op == CanvasOp::StrokeAndFillPath) {
      ops.push_back(c.op);
      // Filled in the text's own colour whatever the sequences say, ringed by 3 pixels.
      EXPECT_EQ(c.brush, (Brush{0x123456, BrushStyle::Solid}));
      EXPECT_EQ(c.pen.color, 0xABCDEFu);
      EXPECT_EQ(c.pen.width, 3);
    }
    if (c.op == CanvasOp::TextOut) {
      EXPECT_TRUE(c.inPath);
    }
  }
  const std::vector<CanvasOp> perGlyph = {CanvasOp::BeginPath, CanvasOp::TextOut, CanvasOp::EndPath,
                                          CanvasOp::StrokeAndFillPath};
  std::vector<CanvasOp> twice = perGlyph;
  twice.insert(twice.end(), perGlyph.begin(), perGlyph.end());
  EXPECT_EQ(ops, twice);
}

// Sizes and angles that are not numbers, or absurdly large, draw nothing and never fail;
// a picture's texts stop where their budget ends.
TEST(DrawJwwText, RefusesWhatCannotBeDrawnAndKeepsToItsBudget) {
  const double nan = std::nan("");
  for (const TextCase& c :
       {TextCase{"nan angle", "A", {}, nan}, TextCase{"nan height", "A", {}, 0, 0, 0, 2, nan},
        TextCase{"huge height", "A", {}, 0, 0, 0, 2, 1e300}}) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Written(Draw(c)).empty());
  }
  TextBudget budget;
  budget.characters = 5;
  TextDrawingSettings limited;
  limited.budget = &budget;
  EXPECT_EQ(Written(Draw({"characters", "ABCDEFG", {}, 0, 0, 0, 0, 4, 0}, limited)).size(), 5u);
  EXPECT_EQ(budget.characters, 0u);
  budget = TextBudget{};
  budget.pictures = 1.5;  // a character 100 units high covers the whole picture
  EXPECT_EQ(Written(Draw({"cover", "AAA", {}, 0, 0, 0, 0, 100}, limited)).size(), 1u);
}

TEST(Cp932, DecodesByLeadBytesAndEncodesBack) {
  // Half-width katakana, a NEC special character, an undefined pair and a cut-off lead.
  EXPECT_EQ(DecodeCp932("A\xb1\x87\x40\x85\x40\x81"), u"Aｱ①\u30FB\u30FB");
  const std::vector<Cp932Char> chars = SplitCp932("\x95\x5c|");
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].code, 0x955C);
  EXPECT_EQ(chars[0].unicode, u'表');
  std::string sjis;
  ASSERT_TRUE(Utf8ToCp932("配置図-A.jww", sjis));
  EXPECT_EQ(sjis, "\x94\x7a\x92\x75\x90\x7d-A.jww");
  EXPECT_FALSE(Utf8ToCp932("\x94\x7a", sjis));  // code page 932 is not UTF-8
  EXPECT_EQ(Utf16ToUtf8(u"aé表"), "a\xc3\xa9\xe8\xa1\xa8");
}

}  // namespace
}  // namespace kestril
