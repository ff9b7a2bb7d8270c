#include "render/dash_pattern.h"

#include <gtest/gtest.h>

#include "support/jww_writer.h"

namespace kestril {
namespace {

TDoubleDynArray PatternOf(uint32_t bits, uint8_t type = 2, uint32_t pitch = 1) {
  TJwwHeader h = testing::TestHeader();
  h.LinePattern[type] = bits;
  h.LinePitch[type] = pitch;
  return BuildDashPattern(h, type);
}

TEST(BuildDashPattern, CutsThePatternIntoRunsDashFirst) {
  EXPECT_EQ(PatternOf(0xFF00FF00), (TDoubleDynArray{8, 8, 8, 8}));
  EXPECT_EQ(PatternOf(0xFFFFFFFF), (TDoubleDynArray{32, 1}));
  EXPECT_EQ(PatternOf(0), (TDoubleDynArray{0, 32}));
  EXPECT_EQ(PatternOf(0x0FFFFFFF), (TDoubleDynArray{0, 4, 28, 1}));
  EXPECT_EQ(PatternOf(0xF0F0F0F0), (TDoubleDynArray{4, 4, 4, 4, 4, 4, 4, 4}));
}

TEST(BuildDashPattern, DoublePitchTypesScaleByTheirPitchButNotTheClosingGap) {
  EXPECT_EQ(PatternOf(0xFF00FF00, 16, 3), (TDoubleDynArray{24, 24, 24, 24}));
  EXPECT_EQ(PatternOf(0xFFFF0000, 40, 2), (TDoubleDynArray{32, 32}));
  EXPECT_EQ(PatternOf(0xFFFFFFF0, 17, 2), (TDoubleDynArray{56, 8}));
  EXPECT_EQ(PatternOf(0xFFFFFFFF, 18, 4), (TDoubleDynArray{128, 1}));
  // Below 10 the unit is one pixel whatever the pitch.
  EXPECT_EQ(PatternOf(0xFF00FF00, 5, 7), (TDoubleDynArray{8, 8, 8, 8}));
}

TEST(RandomLineShape, IsTheBitsMostSignificantFirst) {
  TJwwHeader h = testing::TestHeader();
  h.LinePattern[12] = 0xC0000001;
  const std::vector<double> shape = RandomLineShape(h, 12);
  ASSERT_EQ(shape.size(), 32u);
  EXPECT_EQ(shape[0], 1.0);
  EXPECT_EQ(shape[1], 1.0);
  EXPECT_EQ(shape[2], 0.0);
  EXPECT_EQ(shape[31], 1.0);
}

}  // namespace
}  // namespace kestril
