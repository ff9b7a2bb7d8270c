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

// Circle-solid figures about device (200, 200), radius 100 pixels, untilted circle.
TEST(DrawCircleSolid, Figures) {
  constexpr Color kColour = 0x2244AA;
  const TPoint right{300, 200}, top{200, 100}, left{100, 200}, centre{200, 200};
  struct Case {
    uint8_t kind;
    double start, sweep;
    CanvasOp op;
    size_t calls, points;
    std::vector<std::pair<size_t, TPoint>> at;  // points of the first call by index
    bool filled;
  };
  const Case cases[] = {
      {30,
       0,
       kHalfPi,
       CanvasOp::Polygon,
       1,
       93,
       {{0, right}, {90, top}, {91, centre}, {92, right}},
       true},
      {30,
       kHalfPi,
       -kHalfPi,
       CanvasOp::Polygon,
       1,
       93,
       {{0, right}, {90, top}, {91, centre}},
       true},
      {20, 0, kPi, CanvasOp::Polygon, 1, 182, {{0, right}, {180, left}, {181, right}}, true},
      {15, 0, kPi, CanvasOp::Polygon, 1, 181, {{180, left}}, true},
      {10, 1, 1, CanvasOp::Polygon, 1, 361, {{0, right}, {90, top}, {360, right}}, true},
      {2, 1, 1, CanvasOp::Polygon, 1, 361, {{0, right}, {360, right}}, false},
      {0, 0, kHalfPi, CanvasOp::Polyline, 1, 91, {{0, right}, {90, top}}, false},
      {100, 0, kHalfPi, CanvasOp::Polyline, 1, 91, {{90, top}}, false},
      {130, 0, kHalfPi, CanvasOp::Polyline, 1, 92, {{90, top}, {91, centre}}, true},
      {210,
       0,
       kTwoPi,
       CanvasOp::Polygon,
       1,
       723,
       {{360, right}, {361, {250, 200}}, {722, right}},
       true},
      {221,
       0,
       kHalfPi,
       CanvasOp::Polygon,
       1,
       183,
       {{90, top}, {91, {200, 150}}, {182, right}},
       true},
      {41, 0, kTwoPi, CanvasOp::Polygon, 4, 93, {{90, top}, {91, {300, 100}}, {92, right}}, true},
      {40, 0.5, 3.6, CanvasOp::Polygon, 3, 71, {}, true},  // 29 to 97 degrees first
      {40, 0.5, -1, CanvasOp::Polygon, 1, 62, {}, true},   // 331 to 360, 0 to 29
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(k.kind) << " sweep " << k.sweep);
    RecordingCanvas canvas;
    DrawCircleSolid(Context(canvas, kColour), Dev(200, 200), kBrushSolid, 100, 50, k.start, k.sweep,
                    1, 0, k.kind, PictureView());
    const auto draws = canvas.Draws();
    ASSERT_EQ(draws.size(), k.calls);
    for (const CanvasCall& c : draws) {
      EXPECT_EQ(c.op, k.op);
      EXPECT_EQ(c.pen.color, kColour);
      EXPECT_EQ(c.brush == (Brush{kColour, BrushStyle::Solid}), k.filled);
    }
    EXPECT_EQ(draws[0].points.size(), k.points);
    for (const auto& [i, p] : k.at) EXPECT_EQ(draws[0].points.at(i), p) << i;
    EXPECT_EQ(canvas.CurrentBrush(), (Brush{0xFFFFFF, BrushStyle::Clear}));
  }
}

TEST(DrawCircleSolid, EllipsesTurnAndSolidsCarryTheirFigureInTheCorners) {
  // A flatness of 0.5 turned a quarter counter-clockwise: the major axis stands upright.
  RecordingCanvas canvas;
  DrawCircleSolid(Context(canvas), Dev(200, 200), kBrushSolid, 100, 100, 0, 0, 0.5, kHalfPi, 10,
                  PictureView());
  ASSERT_EQ(canvas.Draws().size(), 1u);
  EXPECT_EQ(canvas.Draws()[0].points[0], (TPoint{200, 100}));
  EXPECT_EQ(canvas.Draws()[0].points[90], (TPoint{150, 200}));

  // A sector of line type 101: centre p1, radius p2.x, flatness p2.y (0 counts as 1),
  // tilt p3.x, start p3.y, sweep p4.x, selector p4.y.
  canvas.Clear();
  const std::array<TaPoint2D, 4> corners{Dev(200, 200), TaPoint2D{100, 0}, TaPoint2D{0, 0},
                                         TaPoint2D{kHalfPi, 0}};
  DrawSolid(Context(canvas, 0x0000FF), corners, PictureView(), 1, 101);
  ASSERT_EQ(canvas.Draws().size(), 1u);
  EXPECT_EQ(canvas.Draws()[0].op, CanvasOp::Polygon);
  EXPECT_EQ(canvas.Draws()[0].points.size(), 93u);
  EXPECT_EQ(canvas.Draws()[0].points[91], (TPoint{200, 200}));
}

}  // namespace
}  // namespace kestril
