// Visibility, colour, width and range rules, seen through what reaches the canvas.
#include <gtest/gtest.h>

#include "render/draw_rules.h"
#include "render_test_support.h"

namespace kestril {
namespace {

using namespace kestril::testing;

struct Scene {
  TJwwHeader header = TestHeader(700);
  RenderOptions options;
  std::vector<FDataSen> lines;
  std::vector<FDataTen> points;
};

// The frame line (0,0)-(100,50) first fixes the view; the lines under test follow.
Rendered RenderScene(const Scene& s) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 50}, Attr(1, 1, 0, 15)));
  for (const FDataSen& l : s.lines) a.Line(l);
  for (const FDataTen& p : s.points) a.Point(p);
  a.End();
  Rendered r;
  r.options = s.options;
  Render(r, BuildJww(s.header, a));
  return r;
}

// The polylines after the frame line's.
std::vector<CanvasCall> TestLines(const Rendered& r) {
  std::vector<CanvasCall> out = DrawsOf(r.canvas, CanvasOp::Polyline);
  if (!out.empty()) out.erase(out.begin());
  return out;
}

TEST(DrawRules, AuxiliaryColourHidesWithHoji) {
  Scene s;
  s.lines = {Line({0, 0}, {10, 0}, Attr(9))};
  EXPECT_EQ(TestLines(RenderScene(s)).size(), 1u);
  s.options.hoji = true;
  EXPECT_TRUE(TestLines(RenderScene(s)).empty());
}

TEST(DrawRules, HiddenLayersAndGroupsAreNotDrawn) {
  Scene s;
  s.header.LayerState[2][3] = 0;
  s.header.GroupState[4] = 0;
  s.lines = {Line({0, 0}, {10, 0}, Attr(1, 1, 3, 2)), Line({0, 0}, {10, 0}, Attr(1, 1, 0, 4)),
             Line({0, 0}, {10, 0}, Attr(1, 1, 3, 3))};
  const auto drawn = TestLines(RenderScene(s));
  EXPECT_EQ(drawn.size(), 1u);
}

TEST(DrawRules, ColoursComeFromThePenTable) {
  Scene s;
  s.header.PenColor[3] = 0x00336699;
  s.lines = {Line({0, 0}, {10, 0}, Attr(3))};
  EXPECT_EQ(TestLines(RenderScene(s))[0].pen.color, 0x00336699u);

  s.options.BwColor = true;  // grey: the mean of the three components
  EXPECT_EQ(TestLines(RenderScene(s))[0].pen.color, 0x00666666u);

  s.options.BwGrey = true;  // black or white against the background
  s.header.PenColor[0] = 0x202020;
  EXPECT_EQ(TestLines(RenderScene(s))[0].pen.color, 0xFFFFFFu);
  s.header.PenColor[0] = 0xFFFFFF;
  EXPECT_EQ(TestLines(RenderScene(s))[0].pen.color, 0x000000u);
}

TEST(DrawRules, GreyedLayersWinOverMonochrome) {
  Scene s;
  s.header.LayerState[0][5] = 1;
  s.options.BwColor = s.options.BwGrey = true;
  s.lines = {Line({0, 0}, {10, 0}, Attr(3, 1, 5))};
  EXPECT_EQ(TestLines(RenderScene(s))[0].pen.color, kGreyedLayerColor);
  s.header.LayerState[0][5] = 2;
  s.header.GroupState[0] = 1;
  EXPECT_EQ(TestLines(RenderScene(s))[0].pen.color, kGreyedLayerColor);
}

TEST(DrawRules, LinesOutsideTheTablesAreNotDrawnButPointsAre) {
  Scene s;
  s.lines = {Line({0, 0}, {10, 0}, Attr(1, 63)), Line({0, 0}, {10, 0}, Attr(357, 1)),
             Line({0, 0}, {10, 0}, Attr(356, 1)), Line({0, 0}, {1, 0}, Attr(1, 62))};
  s.points = {Dot({5, 5}, Attr(1, 63)), Dot({5, 5}, Attr(357, 1))};
  const Rendered r = RenderScene(s);
  EXPECT_EQ(TestLines(r).size(), 2u);  // the last two only
  EXPECT_EQ(DrawsOf(r.canvas, CanvasOp::Ellipse).size(), 1u);
}

TEST(DrawRules, PenWidths) {
  Scene s;
  s.header.PenWidth[5] = 3;
  s.header.PenWidth[100] = 4;
  s.lines = {Line({0, 0}, {10, 0}, Attr(5, 1)), Line({0, 0}, {10, 0}, Attr(100, 1)),
             Line({0, 0}, {10, 0}, Attr(5, 30))};
  s.points = {Dot({5, 5}, Attr(5))};
  Rendered r = RenderScene(s);
  std::vector<CanvasCall> lines = TestLines(r);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].pen.width, 3);
  EXPECT_EQ(lines[1].pen.width, 0);      // SXF colours use the thinnest pen
  EXPECT_EQ(lines.back().pen.width, 0);  // so do SXF line types
  EXPECT_EQ(DrawsOf(r.canvas, CanvasOp::Ellipse)[0].pen.width, 3);

  s.options.PreviewMode = true;  // previews draw lines thin, points as they are
  r = RenderScene(s);
  EXPECT_EQ(TestLines(r)[0].pen.width, 0);
  EXPECT_EQ(DrawsOf(r.canvas, CanvasOp::Ellipse)[0].pen.width, 3);
}

TEST(DrawRules, DashedLinesUseTheirPatternRandomLinesTheirShape) {
  Scene s;
  s.header.LinePattern[2] = 0xFF00FF00;  // 8 on, 8 off: 80 pixels give 5 dashes
  s.header.PenWidth[5] = 2;
  s.lines = {Line({0, 50}, {10, 50}, Attr(5, 2))};
  std::vector<CanvasCall> dashes = TestLines(RenderScene(s));
  ASSERT_EQ(dashes.size(), 5u);
  EXPECT_EQ(dashes[0].points, (std::vector<TPoint>{{0, 0}, {8, 0}}));
  EXPECT_EQ(dashes[1].points, (std::vector<TPoint>{{16, 0}, {24, 0}}));
  EXPECT_EQ(dashes[0].pen.width, 2);

  s.lines = {Line({0, 50}, {10, 50}, Attr(1, 12))};
  std::vector<CanvasCall> random = TestLines(RenderScene(s));
  ASSERT_EQ(random.size(), 1u);
  EXPECT_GT(random[0].points.size(), 2u);
}

TEST(DrawRules, PointsUseTheirDotSizeAndMarks) {
  Scene s;
  s.header.DrawFlags[0] = 1;
  s.header.PrintDotRadius[4] = 0.3;  // radius 3 pixels
  s.points = {Dot({50, 25}, Attr(4))};
  FDataTen mark = Dot({50, 25}, Attr(4, 100));
  mark.markCode = 2;
  mark.markScale = 1;
  s.points.push_back(mark);
  const Rendered r = RenderScene(s);
  const std::vector<CanvasCall> dots = DrawsOf(r.canvas, CanvasOp::Ellipse);
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].rect, (std::array<int32_t, 4>{397, 197, 403, 203}));
  EXPECT_EQ(dots[0].brush.color, r.doc.Header.PenColor[4]);
  // Mark code 2: a closed square outline of half-size 1.25 x scale 8 = 10 pixels.
  const std::vector<CanvasCall> square = TestLines(r);
  ASSERT_EQ(square.size(), 1u);
  EXPECT_EQ(square[0].points.front(), (TPoint{390, 210}));
  EXPECT_EQ(r.canvas.CurrentBrush().color, 0xFFFFFFu);  // the brush goes back to white
}

}  // namespace
}  // namespace kestril
