// Fixture drawings rendered by the plug-in's body on the native canvas, compared with
// committed reference pictures. To accept new pictures after a deliberate change, run the test with
// KESTRIL_UPDATE_REFERENCES=1 and review the PNGs in tests/data/reference/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "graphics/image/png_file.h"
#include "support/body_picture.h"
#include "support/fixtures.h"
#include "support/jww_writer.h"
#include "support/real_drawings.h"

namespace kestril {
namespace {

using testing::Fixture;

constexpr int32_t kWidth = 400, kHeight = 300;
// Pixels allowed to differ (any amount): room for rasteriser rounding, not for a change.
constexpr double kTolerance = 0.002;

// The plug-in's picture with the default settings but for the size.
RgbImage Render(const std::vector<uint8_t>& bytes) {
  PluginSettings settings;
  settings.jwwWidth = settings.jwzWidth = kWidth;
  settings.UpdateDerivedSizes();
  MemoryStream s = MemoryStream::View(bytes);
  const BmpImage p = testing::PictureOf(s, settings);
  EXPECT_EQ(p.height, kHeight);
  return FromBmpRows(p.rows.data(), p.width, p.height, p.stride);
}

std::filesystem::path ReferencePath(const std::string& name) {
  return std::filesystem::path(KESTRIL_TEST_DATA) / "reference" / (name + ".png");
}

class ReferencePicture : public ::testing::TestWithParam<Fixture> {};

TEST_P(ReferencePicture, MatchesTheCommittedPicture) {
  const Fixture& f = GetParam();
  const RgbImage actual = Render(f.bytes);
  const std::filesystem::path reference = ReferencePath(f.name);
  if (std::getenv("KESTRIL_UPDATE_REFERENCES") != nullptr) {
    WritePng(reference.string(), actual);
    GTEST_SKIP() << "wrote " << reference;
  }
  ASSERT_TRUE(std::filesystem::exists(reference))
      << reference << " is missing; create it with KESTRIL_UPDATE_REFERENCES=1";
  const RgbImage expected = ReadPng(reference.string());
  ASSERT_EQ(expected.width, actual.width);
  ASSERT_EQ(expected.height, actual.height);
  size_t differing = 0;
  RgbImage diff = actual;
  for (size_t i = 0; i < actual.rgb.size(); i += 3) {
    const bool same =
        std::equal(actual.rgb.begin() + i, actual.rgb.begin() + i + 3, expected.rgb.begin() + i);
    differing += !same;
    // Differing pixels in red, the others faded, so that the changes stand out in place.
    for (size_t c = 0; c < 3; ++c) {
      const int faded = 255 - (255 - actual.rgb[i + c]) / 4;
      diff.rgb[i + c] = static_cast<uint8_t>(same ? faded : c == 0 ? 255 : 0);
    }
  }
  const double share = static_cast<double>(differing) / (kWidth * kHeight);
  if (share > kTolerance) {
    const std::filesystem::path out = std::filesystem::current_path() / (f.name + "-actual.png");
    WritePng(out.string(), actual);
    WritePng((std::filesystem::current_path() / (f.name + "-diff.png")).string(), diff);
    ADD_FAILURE() << f.name << ": " << differing << " pixels differ (" << share * 100 << "%); see "
                  << out;
  }
  // A reference that shows nothing would make the comparison meaningless.
  size_t inked = 0;
  for (size_t i = 0; i < expected.rgb.size(); i += 3) {
    inked += expected.rgb[i] != 255 || expected.rgb[i + 1] != 255 || expected.rgb[i + 2] != 255;
  }
  EXPECT_GT(inked, 200u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ReferencePicture, ::testing::ValuesIn(testing::Fixtures()),
                         [](const ::testing::TestParamInfo<Fixture>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// A real drawing with every string rewritten in the Unicode form, as a Unicode build of
// Jw_cad saves it, draws the very same pixels as the original.
class UnicodeCopy : public ::testing::TestWithParam<std::string> {};

TEST_P(UnicodeCopy, DrawsTheSamePixelsAsTheOriginal) {
  std::ifstream in(testing::RealDrawingPath(GetParam()), std::ios::binary);
  const std::vector<uint8_t> original(std::istreambuf_iterator<char>(in), {});
  const std::vector<uint8_t> copy = testing::WithUnicodeStrings(original);
  if (GetParam().starts_with("unicode-")) {
    EXPECT_EQ(copy, original);  // already Unicode throughout
  } else {
    EXPECT_GE(copy.size(), original.size());  // the same where a drawing holds no string
  }
  const RgbImage a = Render(original), b = Render(copy);
  EXPECT_TRUE(a.rgb == b.rgb);
}

INSTANTIATE_TEST_SUITE_P(RealDrawings, UnicodeCopy, ::testing::ValuesIn(testing::RealDrawings()),
                         testing::NameOfDrawing);

}  // namespace
}  // namespace kestril
