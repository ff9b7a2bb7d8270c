#include "graphics/point_marks.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "engine_test_support.h"

namespace kestril {
namespace {

using test::Context;
using test::Dev;
using test::DrawsOf;
using test::PictureView;
using test::Polylines;
using Points = std::vector<TPoint>;
using Box = std::array<int32_t, 4>;

// Marks at scale 4 with mark scale 1: the square half-size is 1.25 * 4 = 5 pixels and the
// circle radius 5.657. The point sits on device (100, 50).
constexpr double kScale = 4;
const TaPoint2D kPoint = Dev(100, 50, kScale);

RecordingCanvas Mark(int32_t code, double angle = 0, uint8_t marksOn = 1, double size = 0) {
  RecordingCanvas canvas;
  DrawPointMarker(Context(canvas, 0x00AA00, 1.5), kPoint, code, PictureView(kScale), marksOn, size,
                  1, angle, 1.25);
  return canvas;
}

Box DotBox(double size, const TViewTransform& view = PictureView(kScale)) {
  RecordingCanvas canvas;
  DrawDot(Context(canvas, 0x0000FF, 2.5), kPoint, view, size);
  const auto ellipses = DrawsOf(canvas, CanvasOp::Ellipse);
  EXPECT_EQ(canvas.Draws().size(), 1u);
  EXPECT_EQ(ellipses.at(0).pen, (Pen{0x0000FF, 2, PenStyle::Solid}));
  return ellipses.at(0).rect;
}

TEST(DrawDot, RadiusFromSizeOnPictures) {
  EXPECT_EQ(DotBox(0.3), (Box{97, 47, 103, 53}));
  EXPECT_EQ(DotBox(20), (Box{0, -50, 200, 150}));  // capped at 100
  EXPECT_EQ(DotBox(0), (Box{98, 48, 102, 52}));
  EXPECT_EQ(DotBox(-1), (Box{98, 48, 102, 52}));
  EXPECT_EQ(DotBox(0.25), (Box{98, 48, 102, 52}));  // 2.5 rounds to even
  EXPECT_EQ(DotBox(std::nan("")), (Box{98, 48, 102, 52}));
}

TEST(DrawDot, RadiusFollowsTheScaleOnAnUpwardAxis) {
  TViewTransform view;
  view.YAxisFactor = 1;
  view.Scale = 4;
  const TaPoint2D p{25, 12.5};  // device (100, 50)
  RecordingCanvas canvas;
  DrawDot(Context(canvas), p, view, 3);
  DrawDot(Context(canvas), p, view, 0);
  const auto ellipses = DrawsOf(canvas, CanvasOp::Ellipse);
  ASSERT_EQ(ellipses.size(), 2u);
  EXPECT_EQ(ellipses[0].rect, (Box{88, 38, 112, 62}));  // 4 * 3
  EXPECT_EQ(ellipses[1].rect, (Box{98, 48, 102, 52}));  // 4 / 2
}

TEST(DrawPointMarker, SquareOfHalfSizeFiveStandsOnACornerWhenTurned) {
  const Points square{{95, 55}, {105, 55}, {105, 45}, {95, 45}, {95, 55}};
  EXPECT_EQ(Polylines(Mark(2)), (std::vector<Points>{square}));
  EXPECT_EQ(Polylines(Mark(-5)), (std::vector<Points>{square}));

  const auto turned = Polylines(Mark(2, kPi / 4));
  ASSERT_EQ(turned.size(), 1u);
  EXPECT_EQ(turned[0], (Points{{100, 57}, {107, 50}, {100, 43}, {93, 50}, {100, 57}}));

  // Code 5: the outline, then the square filled.
  const auto filled = Mark(5).Draws();
  ASSERT_EQ(filled.size(), 2u);
  EXPECT_EQ(filled[0].points, square);
  EXPECT_EQ(filled[1].op, CanvasOp::Polygon);
  EXPECT_EQ(filled[1].points, Points(square.begin(), square.end() - 1));
}

TEST(DrawPointMarker, ArrowheadsHaveTheirTipOnThePoint) {
  EXPECT_EQ(Polylines(Mark(9)), (std::vector<Points>{{{70, 55}, {100, 50}, {70, 45}}}));
  const Points closed{{70, 55}, {100, 50}, {70, 45}, {70, 55}};
  EXPECT_EQ(Polylines(Mark(1)), (std::vector<Points>{closed}));
  EXPECT_EQ(Polylines(Mark(11)), (std::vector<Points>{closed}));
  const auto filled = Mark(6).Draws();  // only the filled figure; its pen draws the edge
  ASSERT_EQ(filled.size(), 1u);
  EXPECT_EQ(filled[0].op, CanvasOp::Polygon);
  EXPECT_EQ(filled[0].points, closed);
}

TEST(DrawPointMarker, AngleTurnsCounterClockwiseOnThePictureOnEitherAxis) {
  // Turned a quarter, the arrow points up the drawing: its arms end below the point.
  EXPECT_EQ(Polylines(Mark(9, kPi / 2)), (std::vector<Points>{{{105, 80}, {100, 50}, {95, 80}}}));

  TViewTransform up;
  up.YAxisFactor = 1;
  up.Scale = kScale;
  RecordingCanvas canvas;
  DrawPointMarker(Context(canvas), {25, 12.5}, 9, up, 1, 0, 1, kPi / 2, 1.25);
  EXPECT_EQ(Polylines(canvas), (std::vector<Points>{{{105, 20}, {100, 50}, {95, 20}}}));
}

TEST(DrawPointMarker, CirclesAreNotTurned) {
  const Box box{94, 44, 106, 56};  // 5.657 pixels each side, rounded
  for (int32_t code : {3, 4, -2}) {
    const auto draws = Mark(code, 1.0).Draws();
    ASSERT_EQ(draws.size(), 1u) << code;
    const CanvasCall& arc = draws[0];
    EXPECT_EQ(arc.op, CanvasOp::Arc);
    EXPECT_EQ(arc.rect, box);
    EXPECT_EQ(arc.points[0], arc.points[1]);  // the whole circle
  }
  const auto filled = Mark(7, 1.0).Draws();
  ASSERT_EQ(filled.size(), 1u);
  EXPECT_EQ(filled[0].op, CanvasOp::Ellipse);
  EXPECT_EQ(filled[0].rect, box);
}

TEST(DrawPointMarker, Strokes) {
  using Lines = std::vector<Points>;
  EXPECT_EQ(Polylines(Mark(10)), (Lines{{{94, 56}, {106, 44}}}));
  // k = 2.5: the halves round to even.
  EXPECT_EQ(Polylines(Mark(-7)), (Lines{{{98, 48}, {102, 52}}, {{102, 48}, {98, 52}}}));
  EXPECT_EQ(Polylines(Mark(-4)), (Lines{{{95, 50}, {105, 50}}, {{100, 45}, {100, 55}}}));
  EXPECT_EQ(Polylines(Mark(-1)),
            (Lines{{{100, 45}, {100, 55}}, {{92, 48}, {108, 52}}, {{92, 52}, {108, 48}}}));
  EXPECT_EQ(Polylines(Mark(-6)), (Lines{{{100, 43}, {102, 53}, {98, 53}, {100, 43}}}));
}

TEST(DrawPointMarker, CodeEightIsTwoHalfCirclesMeetingAtThePoint) {
  const RecordingCanvas canvas = Mark(8);
  const auto arcs = DrawsOf(canvas, CanvasOp::Arc);
  ASSERT_EQ(arcs.size(), 2u);
  EXPECT_EQ(arcs[0].rect, (Box{89, 44, 100, 56}));
  EXPECT_EQ(arcs[0].points, (Points{{94, 56}, {94, 44}}));  // bottom, round by the right
  EXPECT_EQ(arcs[1].rect, (Box{100, 44, 111, 56}));
  EXPECT_EQ(arcs[1].points, (Points{{106, 44}, {106, 56}}));  // top, round by the left

  // Turned, the circles keep their size: their boxes move with the centres.
  const auto turned = DrawsOf(Mark(8, kPi / 4), CanvasOp::Arc);
  ASSERT_EQ(turned.size(), 2u);
  EXPECT_EQ(turned[0].rect, (Box{90, 48, 102, 60}));  // about (96, 54)
  EXPECT_EQ(turned[1].rect, (Box{98, 40, 110, 52}));  // about (104, 46)
}

TEST(DrawPointMarker, UnknownCodesAndMarksOffDrawThePlainDot) {
  const auto dot = Mark(0, 0, 1, 0.3).Draws();
  ASSERT_EQ(dot.size(), 1u);
  const CanvasCall& disc = dot[0];
  EXPECT_EQ(disc.op, CanvasOp::Ellipse);
  EXPECT_EQ(disc.rect, (Box{97, 47, 103, 53}));
  EXPECT_EQ(disc.pen, (Pen{0x00AA00, 2, PenStyle::Solid}));

  const auto drawsAsDot = [&](const RecordingCanvas& canvas) {
    const auto draws = canvas.Draws();
    return draws.size() == 1 && draws[0].op == CanvasOp::Ellipse && draws[0].rect == disc.rect;
  };
  for (int32_t code : {-3, 12, -8, 100, -100, std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::max()}) {
    EXPECT_TRUE(drawsAsDot(Mark(code, 0, 1, 0.3))) << code;
  }
  EXPECT_TRUE(drawsAsDot(Mark(2, 0, 0, 0.3)));
  for (int32_t code = -7; code <= 11; ++code) {
    if (code == 0 || code == -3) continue;
    const RecordingCanvas canvas = Mark(code, 0, 1, 0.3);
    EXPECT_FALSE(drawsAsDot(canvas)) << code;
    EXPECT_FALSE(canvas.Draws().empty()) << code;
  }
}

TEST(DrawPointMarker, HostileScalesAndAnglesStayNearTheCanvas) {
  const double inf = std::numeric_limits<double>::infinity();
  for (int32_t code = -7; code <= 11; ++code) {
    for (double markScale : {1e300, -1e12, inf, std::nan("")}) {
      for (double angle : {0.0, 0.3, 1e300, std::nan("")}) {
        RecordingCanvas canvas;
        DrawPointMarker(Context(canvas), kPoint, code, PictureView(kScale), 1, 1e300, markScale,
                        angle, 1.25);
        test::ExpectNearCanvas(canvas);
      }
    }
  }
  // A huge filled square still covers the canvas.
  RecordingCanvas canvas;
  DrawPointMarker(Context(canvas), kPoint, 5, PictureView(kScale), 1, 0, 1e12, 0, 1.25);
  EXPECT_EQ(DrawsOf(canvas, CanvasOp::Polygon).size(), 1u);
}

}  // namespace
}  // namespace kestril
