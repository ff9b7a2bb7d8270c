// The render driver: background, order, pre-pass, and blocks drawn in place.
#include <gtest/gtest.h>

#include "render/entity_draw.h"
#include "render_test_support.h"

namespace kestril {
namespace {

using namespace kestril::testing;

// Drawing (0,0)-(100,50) on 800x600: scale 8, device (8x, 400 - 8y).
constexpr TaPoint2D kFrameA{0, 0}, kFrameB{100, 50};

TPoint Dev(double x, double y) {
  return {RoundHalfEven(8 * x), RoundHalfEven(400 - 8 * y)};
}

Rendered RenderJws(ArchiveWriter& a) {
  Rendered r;
  Render(r, BuildJws(a));
  return r;
}

TEST(RenderDrawing, FillsTheBackgroundFromOneOne) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.End();
  TJwwHeader h = TestHeader();
  h.PenColor[0] = 0x123456;
  Rendered r;
  Render(r, BuildJww(h, a));
  const std::vector<CanvasCall> fills = DrawsOf(r.canvas, CanvasOp::FillRect);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].rect, (std::array<int32_t, 4>{1, 1, 800, 600}));
  EXPECT_EQ(fills[0].brush.color, 0x123456u);
  EXPECT_EQ(r.view.Scale, 8);
}

TEST(RenderDrawing, NoObjectsFillsEvenWithoutTheBackgroundFlag) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.End();
  Document doc;
  ASSERT_TRUE(ReadBytes(doc, BuildJws(a, /*objectCount=*/0)).ok);
  RecordingCanvas canvas;
  RenderOptions options;
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, 800, 600);
  RenderDrawing(doc, view, options, canvas, 800, 600, false);
  ASSERT_EQ(canvas.Draws().size(), 1u);
  EXPECT_EQ(canvas.Draws()[0].op, CanvasOp::FillRect);

  RecordingCanvas other;
  doc.ObjectCount = 1;
  RenderDrawing(doc, view, options, other, 800, 600, false);
  EXPECT_EQ(DrawsOf(other, CanvasOp::FillRect).size(), 0u);
  EXPECT_EQ(DrawsOf(other, CanvasOp::Polyline).size(), 1u);
}

TEST(RenderDrawing, ReverseOrderTakesEachClassFromItsEnd) {
  // File order L1, P, L2; reversed: L2, P, L1.
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.Point(Dot({50, 25}));
  a.Line(Line({10, 10}, {20, 10}));
  a.End();
  TJwwHeader h = TestHeader();
  h.DrawFlags[3] = 1;
  Rendered r;
  Render(r, BuildJww(h, a));
  const std::vector<CanvasCall> draws = r.canvas.Draws();
  ASSERT_EQ(draws.size(), 4u);
  EXPECT_EQ(draws[1].op, CanvasOp::Polyline);
  EXPECT_EQ(draws[1].points[0], Dev(10, 10));
  EXPECT_EQ(draws[2].op, CanvasOp::Ellipse);
  EXPECT_EQ(draws[3].points[0], Dev(0, 0));
}

TEST(RenderDrawing, PrePassDrawsSolidsFirstAndOnlyOnce) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.Solid(Quad({1, 1}, {2, 1}, {2, 2}, {1, 2}));
  a.Line(Line({10, 10}, {20, 10}));
  a.Solid(Quad({3, 3}, {4, 3}, {4, 4}, {3, 4}));
  a.End();
  for (uint32_t mode : {0u, 1u, 2u, 7u}) {
    TJwwHeader h = TestHeader();
    h.DrawFlags[2] = mode;
    Rendered r;
    Render(r, BuildJww(h, a));
    std::vector<CanvasOp> ops;
    for (const CanvasCall& c : r.canvas.Draws()) ops.push_back(c.op);
    using enum CanvasOp;
    if (mode == 1 || mode == 2) {
      EXPECT_EQ(ops, (std::vector<CanvasOp>{FillRect, Polygon, Polygon, Polyline, Polyline}))
          << mode;
    } else {
      // Without a pre-pass the solids are drawn in file order (also for unknown modes).
      EXPECT_EQ(ops, (std::vector<CanvasOp>{FillRect, Polyline, Polygon, Polyline, Polygon}))
          << mode;
    }
    EXPECT_FALSE(r.options.PrePassActive);
  }
}

TEST(RenderDrawing, SolidsTakeTheirOwnColourOrBlackOutsideTheTable) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  FDataSolid own = Quad({1, 1}, {2, 1}, {2, 2}, {1, 2}, Attr(10));
  own.rgb = 0x0000FF;
  a.Solid(own);
  a.Solid(Quad({1, 1}, {2, 1}, {2, 2}, {1, 2}, Attr(400)));
  a.End();
  const Rendered r = RenderJws(a);
  const std::vector<CanvasCall> solids = DrawsOf(r.canvas, CanvasOp::Polygon);
  ASSERT_EQ(solids.size(), 2u);
  EXPECT_EQ(solids[0].brush.color, 0x0000FFu);
  EXPECT_EQ(solids[1].brush.color, 0u);
  EXPECT_EQ(solids[0].points, (std::vector<TPoint>{Dev(1, 1), Dev(2, 1), Dev(2, 2), Dev(1, 2)}));
}

// Definition 0: a line (0,0)-(10,0) and a solid on layer 3 (hidden in JWW tests).
void DefinitionZero(ArchiveWriter& a) {
  a.DefinitionCount(1);
  a.Definition(0, 2);
  a.Line(Line({0, 0}, {10, 0}));
  a.Solid(Quad({0, 0}, {1, 0}, {1, 1}, {0, 1}, Attr(1, 1, /*layer=*/3)));
}

TEST(BlockDraw, MembersAreDrawnWhereTheInsertPlacesThem) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.Block(Insert(0, {50, 25}, 2, 2));
  a.Block(Insert(0, {50, 25}, 1, 1, kHalfPi));
  a.Block(Insert(0, {50, 25}, -1, 1));
  a.Line(Line({1, 1}, {2, 2}));  // drawn without any placement
  DefinitionZero(a);
  a.End();
  TJwwHeader h = TestHeader();
  h.LayerState[0][3] = 0;
  Rendered r;
  Render(r, BuildJww(h, a));
  const auto lines = Polylines(r.canvas);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], (std::vector<TPoint>{Dev(50, 25), Dev(70, 25)}));
  EXPECT_EQ(lines[2], (std::vector<TPoint>{Dev(50, 25), Dev(50, 35)}));  // turned left
  EXPECT_EQ(lines[3], (std::vector<TPoint>{Dev(50, 25), Dev(40, 25)}));  // mirrored
  EXPECT_EQ(lines[4], (std::vector<TPoint>{Dev(1, 1), Dev(2, 2)}));
  EXPECT_TRUE(DrawsOf(r.canvas, CanvasOp::Polygon).empty());  // the hidden member solid
}

TEST(BlockDraw, HiddenInsertsAndUnknownDefinitionsDrawNothing) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.Block(Insert(0, {50, 25}, 1, 1, 0, Attr(1, 1, /*layer=*/7)));
  a.Block(Insert(5, {50, 25}));  // no definition 5
  a.Line(Line({1, 1}, {2, 2}));
  a.DefinitionCount(1);
  a.Definition(0, 1);
  a.Line(Line({0, 0}, {10, 0}));
  a.End();
  TJwwHeader h = TestHeader();
  h.LayerState[0][7] = 0;
  Rendered r;
  Render(r, BuildJww(h, a));
  EXPECT_EQ(Polylines(r.canvas).size(), 2u);
}

TEST(BlockDraw, NestedInsertsComposeAndTheOuterPlacementResumes) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.Block(Insert(1, {50, 25}, 1, 1, kHalfPi));
  a.DefinitionCount(2);
  a.Definition(0, 1);
  a.Line(Line({0, 0}, {1, 0}));
  a.Definition(1, 2);
  a.Block(Insert(0, {2, 0}, 2, 2));
  a.Line(Line({0, 0}, {0, 1}));
  a.End();
  const Rendered r = RenderJws(a);
  const auto lines = Polylines(r.canvas);
  ASSERT_EQ(lines.size(), 3u);
  // (2,0)-(4,0) turned a quarter about (50,25): (50,27)-(50,29).
  EXPECT_EQ(lines[1], (std::vector<TPoint>{Dev(50, 27), Dev(50, 29)}));
  // (0,0)-(0,1) under the outer placement only: (50,25)-(49,25).
  EXPECT_EQ(lines[2], (std::vector<TPoint>{Dev(50, 25), Dev(49, 25)}));
}

TEST(BlockDraw, ASelfInsertingDefinitionStopsAtTheDepthLimit) {
  ArchiveWriter a(700);
  a.Line(Line(kFrameA, kFrameB));
  a.Block(Insert(0, {0, 0}));
  a.DefinitionCount(1);
  a.Definition(0, 2);
  a.Line(Line({0, 0}, {1, 0}));
  a.Block(Insert(0, {1, 0}));
  a.End();
  const Rendered r = RenderJws(a);
  EXPECT_EQ(Polylines(r.canvas).size(), 1u + kMaxBlockNesting);
}

}  // namespace
}  // namespace kestril
