#include "base/plane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestril {
namespace {

TEST(NormalizeAngle, FoldsIntoOneTurnAndSnapsNearZero) {
  EXPECT_DOUBLE_EQ(NormalizeAngle(-kHalfPi), kThreeHalfPi);
  EXPECT_EQ(NormalizeAngle(kTwoPi), 0);
  EXPECT_EQ(NormalizeAngle(6.28318530715), 0);  // just below a full turn
  EXPECT_EQ(NormalizeAngle(5e-11), 0);
  EXPECT_DOUBLE_EQ(NormalizeAngle(kPi + 4 * kTwoPi), kPi);
  EXPECT_DOUBLE_EQ(NormalizeAngle(1.0), 1.0);
}

TEST(NormalizeAngle, HostileValuesTerminate) {
  EXPECT_EQ(NormalizeAngle(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(NormalizeAngle(std::nan("")), 0);
  const double big = NormalizeAngle(1e300);
  EXPECT_GE(big, 0);
  EXPECT_LT(big, kTwoPi);
}

TEST(RotateAboutPoint, PositiveAnglesTurnClockwise) {
  TaPoint2D p{1, 0};
  RotateAboutPoint({0, 0}, p, kHalfPi);
  EXPECT_NEAR(p.x, 0, 1e-15);
  EXPECT_NEAR(p.y, -1, 1e-15);
  p = {1, 0};
  RotateAboutPoint({0, 0}, p, -kHalfPi);
  EXPECT_NEAR(p.x, 0, 1e-15);
  EXPECT_NEAR(p.y, 1, 1e-15);
  p = {3, 4};
  RotateAboutPoint({1, 1}, p, kPi);
  EXPECT_NEAR(p.x, -1, 1e-12);
  EXPECT_NEAR(p.y, -2, 1e-12);
}

TEST(ToDevicePoints, RoundsHalvesToEvenAndSaturates) {
  const TaPoint2D in[] = {{2.5, 3.5}, {-2.5, -0.5}, {1e12, -1e12}, {std::nan(""), 0.49}};
  const TaPoint out = ToDevicePoints(in);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], (TPoint{2, 4}));
  EXPECT_EQ(out[1], (TPoint{-2, 0}));
  EXPECT_EQ(out[2],
            (TPoint{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}));
  EXPECT_EQ(out[3], (TPoint{0, 0}));
}

TEST(Distance, IsEuclidean) {
  EXPECT_DOUBLE_EQ(Distance({0, 0}, {3, 4}), 5);
  EXPECT_EQ(Distance({7, 7}, {7, 7}), 0);
}

TEST(SignedDistance, SignFollowsTheSideTowardsB) {
  EXPECT_NEAR(SignedDistance({0, 0}, {10, 0}, {5, 3}), 3, 1e-12);
  EXPECT_NEAR(SignedDistance({0, 0}, {10, 0}, {-5, 3}), -3, 1e-12);
  EXPECT_NEAR(SignedDistance({0, 0}, {0, 10}, {4, 2}), 4, 1e-12);
  EXPECT_EQ(SignedDistance({1, 1}, {1, 1}, {5, 5}), 0);
}

TEST(AngleAt, MeasuresFromPToQ) {
  EXPECT_DOUBLE_EQ(AngleAt({1, 0}, {0, 0}, {0, 1}), kHalfPi);
  EXPECT_DOUBLE_EQ(AngleAt({0, 1}, {0, 0}, {1, 0}), kThreeHalfPi);
}

TEST(OffsetSegment, MovesAlongTheLeftNormal) {
  TaPoint2D s{0, 0}, e{10, 0};
  ASSERT_TRUE(OffsetSegment(s, e, 2));
  EXPECT_NEAR(s.x, 0, 1e-15);
  EXPECT_NEAR(s.y, 2, 1e-15);
  EXPECT_NEAR(e.x, 10, 1e-15);
  EXPECT_NEAR(e.y, 2, 1e-15);

  s = {0, 0}, e = {10, 0};
  ASSERT_TRUE(OffsetSegment(s, e, 1e-10));
  EXPECT_EQ(s, (TaPoint2D{0, 0}));
  EXPECT_EQ(e, (TaPoint2D{10, 0}));

  s = e = {5, 5};
  EXPECT_FALSE(OffsetSegment(s, e, 3));
  EXPECT_EQ(s, (TaPoint2D{5, 5}));
}

}  // namespace
}  // namespace kestril
