// Clipping shared by the engine and the Cairo canvas: cut points measured from the end
// that stays, closed figures opened where they leave the rectangle.
#include "graphics/clip.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestril {
namespace {

const TDeviceRect kRect{0, 0, 100, 100};

TEST(Clip, SegmentCutsAreMeasuredFromTheEndThatStaysEitherWay) {
  struct Case {
    TaPoint2D a, b;
    bool inside;
    TaPoint2D cutA, cutB;
  };
  for (const Case& c : {Case{{10, 20}, {1e300, 2e300}, true, {10, 20}, {50, 100}},
                        Case{{1e300, 2e300}, {10, 20}, true, {50, 100}, {10, 20}},
                        Case{{-50, 50}, {150, 50}, true, {0, 50}, {100, 50}},
                        Case{{-1, 0.5}, {0.5, 0.5}, true, {0, 0.5}, {0.5, 0.5}},
                        Case{{-10, -10}, {-10, 200}, false, {}, {}}}) {
    TaPoint2D a = c.a, b = c.b;
    ASSERT_EQ(ClipSegment(a, b, kRect), c.inside) << c.a.x;
    if (!c.inside) continue;
    EXPECT_EQ(a, c.cutA) << c.a.x;
    EXPECT_EQ(b, c.cutB) << c.a.x;
  }
}

TEST(Clip, AClosedFigureLeavingTheRectangleIsOpenedOutside) {
  // A square whose right side lies beyond the rectangle: one open run from the top
  // edge's cut round the left side to the bottom edge's cut.
  const std::vector<TaPoint2D> square{{50, 10}, {150, 10}, {150, 90}, {50, 90}};
  ClippedRuns runs;
  ClipPolyline(square, true, kRect, runs);
  ASSERT_EQ(runs.Count(), 1u);
  EXPECT_FALSE(runs.closed);
  const std::vector<TaPoint2D> run(runs.Run(0).begin(), runs.Run(0).end());
  EXPECT_EQ(run, (std::vector<TaPoint2D>{{100, 90}, {50, 90}, {50, 10}, {100, 10}}));

  const std::vector<TaPoint2D> inside{{50, 10}, {60, 10}, {60, 90}};
  ClipPolyline(inside, true, kRect, runs);
  ASSERT_EQ(runs.Count(), 1u);
  EXPECT_TRUE(runs.closed);
  EXPECT_EQ(runs.Run(0).size(), 3u);
}

}  // namespace
}  // namespace kestril
