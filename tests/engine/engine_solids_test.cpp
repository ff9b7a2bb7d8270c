#include "graphics/solids.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "engine_test_support.h"

namespace kestril {
namespace {

using test::Context;
using test::Dev;
using test::PictureView;

TEST(DrawSolid, QuadrilateralIsOnePolygonFilledAndEdgedInItsColour) {
  for (uint8_t lineType : {uint8_t{5}, uint8_t{0}, uint8_t{100}}) {
    RecordingCanvas canvas;
    const std::array<TaPoint2D, 4> corners{Dev(10.5, 20.5), Dev(60, 20), Dev(61.5, 70),
                                           Dev(10, 71.5)};
    DrawSolid(Context(canvas, 0x3366CC), corners, PictureView(), 7, lineType);
    const auto draws = canvas.Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].op, CanvasOp::Polygon);
    EXPECT_EQ(draws[0].points,
              (std::vector<TPoint>{{10, 20}, {60, 20}, {62, 70}, {10, 72}}));  // halves to even
    EXPECT_EQ(draws[0].brush, (Brush{0x3366CC, BrushStyle::Solid}));
    EXPECT_EQ(draws[0].pen, (Pen{0x3366CC, 0, PenStyle::Solid}));
  }
}

TEST(DrawSolid, CornersFollowTheView) {
  TViewTransform view = PictureView(2);
  view.ViewMin = {5, 0};
  view.ViewMax = {0, 30};
  RecordingCanvas canvas;
  const std::array<TaPoint2D, 4> corners{{{5, 30}, {15, 30}, {15, 20}, {5, 20}}};
  DrawSolid(Context(canvas), corners, view, 1, 2);
  ASSERT_EQ(canvas.Draws().size(), 1u);
  EXPECT_EQ(canvas.Draws()[0].points, (std::vector<TPoint>{{0, 0}, {20, 0}, {20, 20}, {0, 20}}));
}

TEST(DrawSolid, HostileCornersAreCutOrLeftOut) {
  RecordingCanvas canvas;
  const std::array<TaPoint2D, 4> huge{Dev(-1e15, -1e15), Dev(1e15, -1e15), Dev(1e15, 1e15),
                                      Dev(-1e15, 1e15)};
  DrawSolid(Context(canvas), huge, PictureView(), 1, 1);
  ASSERT_EQ(canvas.Draws().size(), 1u);  // still covers the canvas
  test::ExpectNearCanvas(canvas);

  canvas.Clear();
  const std::array<TaPoint2D, 4> broken{Dev(0, 0), Dev(10, 0), Dev(std::nan(""), 10), Dev(0, 10)};
  DrawSolid(Context(canvas), broken, PictureView(), 1, 1);
  EXPECT_TRUE(canvas.Draws().empty());
}

TEST(SolidFigureKind, SelectorPicksTheFigure) {
  EXPECT_EQ(SolidFigureKind(101, 100, 1, 2), 10);  // whole ellipse
  EXPECT_EQ(SolidFigureKind(101, 5, 1, 2), 20);    // segment
  EXPECT_EQ(SolidFigureKind(101, 0, 1, 2), 30);    // sector
  EXPECT_EQ(SolidFigureKind(101, -1, 1, 2), 40);   // band from its start
  EXPECT_EQ(SolidFigureKind(101, -1, 0, 2), 41);   // band in quarters
  EXPECT_EQ(SolidFigureKind(101, 7, 1, 2), 100);   // unknown: the arc's outline
  EXPECT_EQ(SolidFigureKind(101, std::nan(""), 1, 2), 100);
}

TEST(SolidFigureKind, LineType111OutlinesAnd106Rings) {
  EXPECT_EQ(SolidFigureKind(111, 100, 1, 2), 110);
  EXPECT_EQ(SolidFigureKind(111, 0, 1, 2), 130);
  EXPECT_EQ(SolidFigureKind(111, -1, 0, 2), 141);
  EXPECT_EQ(SolidFigureKind(111, 3, 0, 2), 100);  // not a ring
  // Line type 106: p4.y is the inner radius, the sweep decides.
  EXPECT_EQ(SolidFigureKind(106, 100, 0, 6.283), 221);
  EXPECT_EQ(SolidFigureKind(106, 100, 0, -1), 221);
  EXPECT_EQ(SolidFigureKind(106, 0, 0, kTwoPi), 210);
  EXPECT_EQ(SolidFigureKind(106, 0, 0, -kTwoPi), 210);
}

}  // namespace
}  // namespace kestril
