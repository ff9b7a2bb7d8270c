#include "graphics/style_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine_test_support.h"

namespace kestril {
namespace {

using test::Context;
using test::Dev;
using test::PictureView;
using test::Polylines;
using Lines = std::vector<std::vector<TPoint>>;

// Device x ranges of horizontal dashes at device y = 7.
Lines Dashes(std::initializer_list<std::pair<int32_t, int32_t>> xs) {
  Lines out;
  for (const auto& [from, to] : xs) out.push_back({{from, 7}, {to, 7}});
  return out;
}

Lines DrawHorizontal(double length, TDoubleDynArray pattern, double width = 0) {
  RecordingCanvas canvas;
  DrawStyleLine(Context(canvas, 0x00FF00, width, 2, std::move(pattern)), Dev(0, 7), Dev(length, 7),
                PictureView());
  return Polylines(canvas);
}

TEST(DrawStyleLine, PenWidthsOutsideOneToHundredBecomeTheThinnestPen) {
  const std::pair<double, int32_t> cases[] = {{150, 0},   {0.5, 0}, {2.6, 3}, {2.5, 2},
                                              {100, 100}, {1, 1},   {-4, 0},  {std::nan(""), 0}};
  for (int32_t lineType : {1, 2}) {
    for (const auto& [width, pen] : cases) {
      RecordingCanvas canvas;
      DrawStyleLine(Context(canvas, 0xABCDEF, width, lineType, {10, 5}), Dev(0, 0), Dev(40, 0),
                    PictureView());
      ASSERT_FALSE(canvas.Draws().empty());
      for (const CanvasCall& c : canvas.Draws()) {
        EXPECT_EQ(c.pen, (Pen{0xABCDEF, pen, PenStyle::Solid})) << width << " type " << lineType;
      }
    }
  }
}

TEST(DrawStyleLine, LineTypeOneIsOnePolylineWhateverThePattern) {
  for (const TDoubleDynArray& pattern :
       {TDoubleDynArray{}, TDoubleDynArray{10, 5}, TDoubleDynArray{0, 0}, TDoubleDynArray{-1}}) {
    RecordingCanvas canvas;
    DrawStyleLine(Context(canvas, 0x0000FF, 0, 1, pattern), Dev(3.5, 2.5), Dev(40.5, 30),
                  PictureView());
    EXPECT_EQ(Polylines(canvas), (Lines{{{4, 2}, {40, 30}}}));  // halves to even
    EXPECT_EQ(canvas.Draws().size(), 1u);
  }
}

TEST(DrawStyleLine, WalksThePatternAndCutsTheLastDashAtTheEnd) {
  EXPECT_EQ(DrawHorizontal(32, {10, 5}), Dashes({{0, 10}, {15, 25}, {30, 32}}));
  // A gap running past the end ends the walk; a dash ending on it is not cut.
  EXPECT_EQ(DrawHorizontal(27, {10, 5}), Dashes({{0, 10}, {15, 25}}));
  EXPECT_EQ(DrawHorizontal(25, {10, 5}), Dashes({{0, 10}, {15, 25}}));
  // The index wraps; an odd pattern alternates dash and gap across the wrap.
  EXPECT_EQ(DrawHorizontal(35, {10}), Dashes({{0, 10}, {20, 30}}));
  EXPECT_EQ(DrawHorizontal(24, {2, 3, 4}), Dashes({{0, 2}, {5, 9}, {11, 14}, {18, 20}, {23, 24}}));
  // Lengths are device pixels: a wide pen does not stretch them.
  EXPECT_EQ(DrawHorizontal(32, {10, 5}, 8), Dashes({{0, 10}, {15, 25}, {30, 32}}));
}

TEST(DrawStyleLine, ZeroFirstEntryStartsWithAnEmptyDashThenTheGap) {
  EXPECT_EQ(DrawHorizontal(40, {0, 4, 28, 1}), Dashes({{0, 0}, {4, 32}, {33, 33}, {37, 40}}));
}

TEST(DrawStyleLine, DashesFollowSlantedLinesInBothDirections) {
  RecordingCanvas canvas;
  DrawStyleLine(Context(canvas, 0, 0, 2, {10, 5}), Dev(100, 100), Dev(130, 140), PictureView());
  EXPECT_EQ(Polylines(canvas), (Lines{{{100, 100}, {106, 108}},
                                      {{109, 112}, {115, 120}},
                                      {{118, 124}, {124, 132}},
                                      {{127, 136}, {130, 140}}}));
  canvas.Clear();
  DrawStyleLine(Context(canvas, 0, 0, 2, {10, 5}), Dev(130, 140), Dev(100, 100), PictureView());
  EXPECT_EQ(Polylines(canvas), (Lines{{{130, 140}, {124, 132}},
                                      {{121, 128}, {115, 120}},
                                      {{112, 116}, {106, 108}},
                                      {{103, 104}, {100, 100}}}));
}

TEST(DrawStyleLine, PatternsThatCannotAdvanceDrawTheLineSolid) {
  for (const TDoubleDynArray& pattern :
       {TDoubleDynArray{}, TDoubleDynArray{0, 0}, TDoubleDynArray{0}, TDoubleDynArray{-3, -3},
        TDoubleDynArray{std::nan(""), 0}, TDoubleDynArray{1e-9, 1e-9}}) {
    EXPECT_EQ(DrawHorizontal(32, pattern), Dashes({{0, 32}})) << pattern.size();
  }
}

TEST(DrawStyleLine, NegativeAndNaNEntriesCountAsZero) {
  // A backward length would draw dashes behind the start point or loop for ever.
  EXPECT_EQ(DrawHorizontal(22, {10, -5}), Dashes({{0, 10}, {10, 20}, {20, 22}}));
  EXPECT_EQ(DrawHorizontal(22, {-5, 10}), Dashes({{0, 0}, {10, 10}, {20, 20}}));
  EXPECT_EQ(DrawHorizontal(22, {std::nan(""), 10, 4, 2}), Dashes({{0, 0}, {10, 14}, {16, 16}}));
  // An endless dash reaches the end point.
  EXPECT_EQ(DrawHorizontal(22, {std::numeric_limits<double>::infinity(), 1}), Dashes({{0, 22}}));
}

TEST(DrawStyleLine, NonFiniteEndsDrawNothing) {
  const double inf = std::numeric_limits<double>::infinity();
  for (TaPoint2D far : {TaPoint2D{std::nan(""), 0}, TaPoint2D{0, inf}, TaPoint2D{-inf, 3}}) {
    for (int32_t lineType : {1, 2}) {
      RecordingCanvas canvas;
      DrawStyleLine(Context(canvas, 0, 0, lineType, {1, 1}), Dev(10, 10), far, PictureView());
      EXPECT_TRUE(canvas.Draws().empty());
    }
  }
}

// A line far longer than the canvas draws only the dashes that can show, and exactly
// those the whole walk would draw there.
TEST(DrawStyleLine, LongLinesWalkOnlyTheVisiblePart) {
  for (const TDoubleDynArray& pattern : {TDoubleDynArray{7, 3.5}, TDoubleDynArray{2, 3, 4.5}}) {
    RecordingCanvas whole(40000, 100);
    DrawStyleLine(Context(whole, 0, 0, 2, pattern), Dev(0, 7), Dev(40000, 7), PictureView());
    RecordingCanvas part(800, 100);
    DrawStyleLine(Context(part, 0, 0, 2, pattern), Dev(-20000, 7), Dev(20000, 7), PictureView());

    // Dashes that touch the canvas must agree exactly; the others lie within the margin.
    const auto onCanvas = [](const std::vector<TPoint>& d) { return d[1].x >= 0 && d[0].x < 800; };
    Lines expected;
    for (const auto& line : Polylines(whole)) {
      const std::vector<TPoint> shifted{{line[0].x - 20000, 7}, {line[1].x - 20000, 7}};
      if (onCanvas(shifted)) expected.push_back(shifted);
    }
    Lines drawn;
    for (const auto& line : Polylines(part)) {
      EXPECT_TRUE(line[1].x >= -3 && line[0].x <= 803);
      if (onCanvas(line)) drawn.push_back(line);
    }
    ASSERT_GT(expected.size(), 70u);
    EXPECT_EQ(drawn, expected);
  }
}

TEST(DrawStyleLine, HugeLinesWithFinePatternsStayBounded) {
  RecordingCanvas canvas;  // 800 x 600
  DrawStyleLine(Context(canvas, 0, 0, 2, {1, 1}), Dev(-1e9, 7), Dev(1e9, 7), PictureView());
  const Lines dashes = Polylines(canvas);
  ASSERT_GT(dashes.size(), 395u);
  EXPECT_LT(dashes.size(), 410u);
  for (const auto& d : dashes) {
    EXPECT_EQ(d[0].x % 2, 0);
    EXPECT_EQ(d[1], (TPoint{d[0].x + 1, 7}));
  }

  // Past the double's integer precision, and dashes longer than any canvas.
  for (const TDoubleDynArray& pattern : {TDoubleDynArray{1, 1}, TDoubleDynArray{1e12, 1}}) {
    canvas.Clear();
    DrawStyleLine(Context(canvas, 0, 3, 2, pattern), Dev(-1e17, -3e16), Dev(1e17, 3e16),
                  PictureView());
    EXPECT_FALSE(Polylines(canvas).empty());
    EXPECT_LT(Polylines(canvas).size(), 1000u);
    test::ExpectNearCanvas(canvas);
  }

  // Entirely off the canvas: nothing to draw, however long.
  canvas.Clear();
  DrawStyleLine(Context(canvas, 0, 0, 2, {1, 1}), Dev(-1e9, -50), Dev(1e9, -50), PictureView());
  EXPECT_TRUE(Polylines(canvas).empty());
}

TEST(DrawStyleLine, SolidLinesBeyondTheCoordinateRangeKeepTheirDirection) {
  RecordingCanvas canvas;
  DrawStyleLine(Context(canvas, 0, 0, 1), Dev(100, 100), Dev(100 + 1e12, 100 + 2e12),
                PictureView());
  const Lines lines = Polylines(canvas);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0][0], (TPoint{100, 100}));
  // Saturating both ends at the int32 limit would have bent it to 45 degrees.
  EXPECT_NEAR(double(lines[0][1].y - 100) / (lines[0][1].x - 100), 2.0, 1e-5);
  test::ExpectNearCanvas(canvas);
}

// Random lines -------------------------------------------------------------------------

Lines DrawRandom(double length, std::vector<double> shape, int32_t amplitude, int32_t pitch,
                 Pen* pen = nullptr, double width = 0) {
  RecordingCanvas canvas;
  DrawRandomLine(Context(canvas, 0x0000FF, width), Dev(0, 7), Dev(length, 7), shape, amplitude,
                 pitch, PictureView());
  if (pen) *pen = canvas.CurrentPen();
  return Polylines(canvas);
}

const std::vector<double> kFlat(32, 0.0);

TEST(DrawRandomLine, ShorterThanAPeriodIsOnePolylineOfRoundedPitches) {
  // round(round(L) / pitch) + 1 points, halves to even at both roundings.
  const std::pair<double, size_t> cases[] = {{40, 11}, {41.3, 11}, {42, 11},
                                             {46, 13}, {45.5, 13}, {127, 33}};
  for (const auto& [length, count] : cases) {
    const Lines lines = DrawRandom(length, kFlat, 2, 4);
    ASSERT_EQ(lines.size(), 1u) << length;
    EXPECT_EQ(lines[0].size(), count) << length;
  }
  // A flat shape puts each point on the line, the amplitude ahead of its base point.
  const Lines lines = DrawRandom(12, kFlat, 2, 4);
  EXPECT_EQ(lines, (Lines{{{0, 7}, {6, 7}, {10, 7}, {14, 7}}}));
  // Too short for a pitch: drawn straight instead of vanishing.
  EXPECT_EQ(DrawRandom(1.5, kFlat, 2, 4), (Lines{{{0, 7}, {2, 7}}}));
  EXPECT_TRUE(DrawRandom(0.4, kFlat, 2, 4).empty());
}

TEST(DrawRandomLine, PitchAndAmplitudeZeroUseOnePixel) {
  EXPECT_EQ(DrawRandom(3, kFlat, 0, 0), (Lines{{{0, 7}, {2, 7}, {3, 7}, {4, 7}}}));
  // A pitch that would not move forward is taken as one pixel too.
  EXPECT_EQ(DrawRandom(3, kFlat, 0, -6), (Lines{{{0, 7}, {2, 7}, {3, 7}, {4, 7}}}));
}

TEST(DrawRandomLine, ShapeTurnsLeftOnOneAndRightOnZero) {
  // Travelling right, left is up the picture. The first step compares with the last
  // shape entry (0), so a leading 1 already turns.
  std::vector<double> shape(32, 0.0);
  shape[0] = 1;
  EXPECT_EQ(DrawRandom(30, shape, 10, 10), (Lines{{{0, 7}, {17, 0}, {27, 14}, {40, 7}}}));
  shape[31] = 1;  // now the first step continues a run of ones
  EXPECT_EQ(DrawRandom(30, shape, 10, 10), (Lines{{{0, 7}, {20, 7}, {27, 14}, {40, 7}}}));
}

TEST(DrawRandomLine, ShortShapesAreNotReadPastTheirEnd) {
  const std::vector<double> shape{1, 0};  // the rest counts as 0
  EXPECT_EQ(DrawRandom(30, shape, 10, 10), (Lines{{{0, 7}, {17, 0}, {27, 14}, {40, 7}}}));
  EXPECT_EQ(DrawRandom(30, {}, 10, 10), (Lines{{{0, 7}, {20, 7}, {30, 7}, {40, 7}}}));
}

TEST(DrawRandomLine, WholePeriodsThenATailOfAtLeastTwoPitches) {
  const Lines two = DrawRandom(128, kFlat, 1, 2);  // two periods of 64, no tail
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].size(), 33u);
  EXPECT_EQ(two[1].size(), 33u);
  EXPECT_EQ(two[0][32], (TPoint{65, 7}));
  EXPECT_EQ(two[1][0], (TPoint{64, 7}));  // the base point where the first period ended
  EXPECT_EQ(two[1][1], (TPoint{67, 7}));
  EXPECT_EQ(two[1][32], (TPoint{129, 7}));

  const Lines tail = DrawRandom(70, kFlat, 1, 2);  // one period and three pitches
  ASSERT_EQ(tail.size(), 2u);
  EXPECT_EQ(tail[1], (std::vector<TPoint>{{65, 7}, {67, 7}, {69, 7}, {71, 7}}));

  EXPECT_EQ(DrawRandom(66, kFlat, 1, 2).size(), 1u);  // a one-pitch tail is left out
}

TEST(DrawRandomLine, PenTakesColourAndRoundedWidth) {
  Pen pen;
  DrawRandom(30, kFlat, 1, 2, &pen, 3.5);
  EXPECT_EQ(pen, (Pen{0x0000FF, 4, PenStyle::Solid}));
  DrawRandom(30, kFlat, 1, 2, &pen, 150);  // no upper limit, unlike DrawStyleLine
  EXPECT_EQ(pen.width, 150);
}

TEST(DrawRandomLine, UpwardAxisScalesPitchAndAmplitude) {
  TViewTransform view;
  view.YAxisFactor = 1;
  view.Scale = 5;
  RecordingCanvas canvas;
  // Pitch 3 and amplitude 0 at scale 5 become 6 and 0 pixels.
  DrawRandomLine(Context(canvas), {0, 2}, {4, 2}, kFlat, 0, 3, view);
  EXPECT_EQ(Polylines(canvas), (Lines{{{0, 10}, {6, 10}, {12, 10}, {18, 10}}}));
}

TEST(DrawRandomLine, HostileSizesStayBounded) {
  RecordingCanvas canvas;
  DrawRandomLine(Context(canvas), Dev(-1e9, 7), Dev(1e9, 7), kFlat, 3, 1, PictureView());
  const Lines lines = Polylines(canvas);
  ASSERT_GT(lines.size(), 24u);  // 800 pixels of 32-pixel periods
  EXPECT_LT(lines.size(), 40u);
  for (const auto& line : lines) EXPECT_EQ(line.size(), 33u);

  const int32_t big = std::numeric_limits<int32_t>::max();
  for (auto [amplitude, pitch] : {std::pair{big, 1}, std::pair{1, big}, std::pair{-big, -big}}) {
    canvas.Clear();
    DrawRandomLine(Context(canvas, 0, 1e9), Dev(-1e12, 7), Dev(1e12, 9), kFlat, amplitude, pitch,
                   PictureView());
    // The reach is limited to 2^16 pixels, so at most some 2^17 pixels of line count.
    EXPECT_LT(Polylines(canvas).size(), 10000u);
    test::ExpectNearCanvas(canvas);
  }

  canvas.Clear();
  DrawRandomLine(Context(canvas), Dev(0, 0), Dev(std::nan(""), 0), kFlat, 1, 1, PictureView());
  EXPECT_TRUE(canvas.Draws().empty());
}

}  // namespace
}  // namespace kestril
