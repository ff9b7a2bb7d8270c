#include "graphics/device_draw.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "engine_test_support.h"

namespace kestril {
namespace {

using Points = std::vector<TPoint>;
using Lines = std::vector<Points>;
constexpr double kFar = kFarMargin;

TEST(DrawDevicePolyline, OrdinaryPolylinesPassUnchanged) {
  RecordingCanvas canvas;
  const std::vector<TaPoint2D> points{{0.5, 1.5}, {-3000, 2.5}, {4000.49, 9000}, {4000.49, 9000}};
  DrawDevicePolyline(canvas, points);
  EXPECT_EQ(test::Polylines(canvas), (Lines{{{0, 2}, {-3000, 2}, {4000, 9000}, {4000, 9000}}}));
}

TEST(DrawDevicePolyline, LeavingTheFarRectangleSplitsThePolyline) {
  RecordingCanvas canvas(100, 100);
  const std::vector<TaPoint2D> points{{0, 0}, {4 * kFar, 0}, {4 * kFar, 50}, {0, 50}, {0, 60}};
  DrawDevicePolyline(canvas, points);
  const int32_t edge = 100 + (1 << 21);
  EXPECT_EQ(test::Polylines(canvas), (Lines{{{0, 0}, {edge, 0}}, {{edge, 50}, {0, 50}, {0, 60}}}));
}

TEST(DrawDevicePolyline, CutsAreMeasuredFromTheNearEnd) {
  // Measured from the far end, the cut would lose every digit that matters here.
  RecordingCanvas canvas(100, 100);
  const std::array<TaPoint2D, 2> points{{{10, 20}, {1e300, 2e300}}};
  DrawDevicePolyline(canvas, points);
  const int32_t edge = 100 + (1 << 21);
  EXPECT_EQ(test::Polylines(canvas), (Lines{{{10, 20}, {10 + (edge - 20) / 2, edge}}}));
}

TEST(DrawDevicePolyline, TooFewOrNonFinitePointsDrawNothing) {
  RecordingCanvas canvas;
  const std::array<TaPoint2D, 1> one{{{1, 1}}};
  DrawDevicePolyline(canvas, one);
  const std::array<TaPoint2D, 3> broken{{{1, 1}, {std::nan(""), 2}, {3, 3}}};
  DrawDevicePolyline(canvas, broken);
  const std::array<TaPoint2D, 2> outside{{{-3 * kFar, 0}, {-2 * kFar, 10}}};
  DrawDevicePolyline(canvas, outside);
  EXPECT_TRUE(canvas.Calls().empty());
}

TEST(DrawDevicePolygon, CutToTheFarRectangleWhenItReachesBeyond) {
  RecordingCanvas canvas(100, 100);
  const std::array<TaPoint2D, 3> inside{{{0.5, 0}, {10, 0}, {10, 10.5}}};
  DrawDevicePolygon(canvas, inside);
  const std::array<TaPoint2D, 3> big{{{50, 50}, {1e300, 50}, {50, 1e300}}};
  DrawDevicePolygon(canvas, big);
  const std::array<TaPoint2D, 3> away{{{-1e300, 0}, {-1e299, 0}, {-1e299, 1}}};
  DrawDevicePolygon(canvas, away);
  const auto polygons = test::DrawsOf(canvas, CanvasOp::Polygon);
  ASSERT_EQ(polygons.size(), 2u);
  EXPECT_EQ(polygons[0].points, (Points{{0, 0}, {10, 0}, {10, 10}}));
  const int32_t edge = 100 + (1 << 21);
  // The far corner of the triangle lies beyond both edges: the cut leaves a square.
  EXPECT_EQ(polygons[1].points, (Points{{50, edge}, {50, 50}, {edge, 50}, {edge, edge}}));
}

}  // namespace
}  // namespace kestril
