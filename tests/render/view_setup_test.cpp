// Fitting the drawing to the picture, including drawings without extent in a direction.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/view_setup.h"

namespace kestril {
namespace {

DrawingExtentRecord Extent(double minX, double minY, double maxX, double maxY) {
  DrawingExtentRecord e;
  e.MinX = minX;
  e.MinY = minY;
  e.MaxX = maxX;
  e.MaxY = maxY;
  e.SizeX = maxX - minX;
  e.SizeY = maxY - minY;
  return e;
}

TEST(SetupView, FitsEachDirectionThatHasAnExtentAndCentresTheOthers) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  // Where the drawing's points (first corner, second corner) land on 800 x 600.
  const struct {
    const char* what;
    DrawingExtentRecord extent;
    double scale;
    TaPoint2D a, b;  // device positions of (MinX, MinY) and (MaxX, MaxY)
  } cases[] = {
      {"100 x 50: scale 8, upper left at 0,0", Extent(0, 0, 100, 50), 8, {0, 400}, {800, 0}},
      {"a horizontal line across the middle", Extent(10, 5, 110, 5), 8, {0, 300}, {800, 300}},
      {"a vertical line down the middle", Extent(3, 0, 3, 60), 10, {400, 600}, {400, 0}},
      {"a lone point in the centre", Extent(7, 7, 7, 7), 1, {400, 300}, {400, 300}},
      {"nothing at all", DrawingExtentRecord{}, 1, {400, 300}, {400, 300}},
  };
  for (const auto& c : cases) {
    TViewTransform view;
    view.Scale = 123;  // an earlier request's view must not survive
    SetupView(view, c.extent, 800, 600);
    EXPECT_EQ(view.YAxisFactor, -1) << c.what;
    EXPECT_DOUBLE_EQ(view.Scale, c.scale) << c.what;
    if (c.extent.MinX > c.extent.MaxX) continue;  // nothing to place
    const TaPoint2D a = ToDevice(view, {c.extent.MinX, c.extent.MinY});
    const TaPoint2D b = ToDevice(view, {c.extent.MaxX, c.extent.MaxY});
    EXPECT_NEAR(a.x, c.a.x, 1e-9) << c.what;
    EXPECT_NEAR(a.y, c.a.y, 1e-9) << c.what;
    EXPECT_NEAR(b.x, c.b.x, 1e-9) << c.what;
    EXPECT_NEAR(b.y, c.b.y, 1e-9) << c.what;
  }
  TViewTransform view;
  SetupView(view, Extent(kNaN, 0, 1, 1), 800, 600);
  EXPECT_TRUE(std::isfinite(view.Scale) && std::isfinite(view.ViewMin.x) &&
              std::isfinite(view.ViewMax.y));
}

}  // namespace
}  // namespace kestril
