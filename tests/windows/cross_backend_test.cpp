// kestril.sph under Wine (GDI) against the native build (Cairo): the same drawings,
// fixtures and real ones, must put their ink in the same places. The Wine side's
// pictures come from the Wine.pictures test, which runs first.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "graphics/image/bmp_layout.h"
#include "graphics/image/png_file.h"
#include "platform/file_stream.h"
#include "support/body_picture.h"
#include "support/fixtures.h"
#include "support/ink_overlap.h"
#include "support/real_drawings.h"

namespace kestril {
namespace {

namespace fs = std::filesystem;

const fs::path kWineOut = KESTRIL_WINE_PICTURES;

std::optional<BmpImage> ReadBmp(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
  return ParseBmpFile(bytes);
}

// The background is the colour most pixels have.
uint32_t Background(const BmpImage& p) {
  std::map<uint32_t, size_t> counts;
  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* row = p.rows.data() + size_t(y) * p.stride;
    for (int32_t x = 0; x < p.width; ++x) {
      ++counts[row[3 * x + 2] | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x]) << 16];
    }
  }
  uint32_t best = 0;
  size_t most = 0;
  for (const auto& [colour, n] : counts) {
    if (n > most) most = n, best = colour;
  }
  return best;
}

void Compare(const std::string& name, Stream& stream) {
  SCOPED_TRACE(name);
  const std::optional<BmpImage> read = ReadBmp(kWineOut / (name + ".bmp"));
  ASSERT_TRUE(read.has_value()) << "no picture from Wine for " << name;
  const BmpImage& gdi = *read;
  const BmpImage cairo = testing::PictureOf(stream);
  ASSERT_EQ(cairo.width, gdi.width);
  ASSERT_EQ(cairo.height, gdi.height);
  const uint32_t background = Background(cairo);
  const auto a =
      testing::InkOfBmpRows(gdi.rows.data(), gdi.width, gdi.height, gdi.stride, background, true);
  const auto b = testing::InkOfBmpRows(cairo.rows.data(), cairo.width, cairo.height, cairo.stride,
                                       background, true);
  const double iou = testing::InkOverlap(a, b, gdi.width, gdi.height);
  std::printf("%-24s intersection over union %.3f\n", name.c_str(), iou);
  ::testing::Test::RecordProperty(name, std::to_string(iou));
  if (iou < 0.9) {
    WritePngFromBmpRows((kWineOut / (name + "-native.png")).string(), cairo.rows.data(),
                        cairo.width, cairo.height, cairo.stride);
    WritePngFromBmpRows((kWineOut / (name + "-wine.png")).string(), gdi.rows.data(), gdi.width,
                        gdi.height, gdi.stride);
  }
  EXPECT_GE(iou, 0.9) << "compare " << (kWineOut / name).string() << "-{native,wine}.png";
}

bool WinePicturesMissing() {
  if (fs::exists(kWineOut / "blocks.bmp")) return false;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") {
    ADD_FAILURE() << "the Wine pictures are missing from " << kWineOut;
  }
  return true;
}

TEST(CrossBackend, FixturesInkTheSamePixels) {
  if (WinePicturesMissing()) GTEST_SKIP() << "no Wine pictures (wine64 or mingw missing)";
  for (const testing::Fixture& f : testing::Fixtures()) {
    MemoryStream s = MemoryStream::View(f.bytes);
    Compare(f.name, s);
  }
}

TEST(CrossBackend, RealDrawingsInkTheSamePixels) {
  if (WinePicturesMissing()) GTEST_SKIP() << "no Wine pictures (wine64 or mingw missing)";
  for (const std::string& name : testing::RealDrawings()) {
    auto s = OpenFileStream(testing::RealDrawingPath(name));
    Compare(fs::path(name).stem().string(), *s);
  }
}

}  // namespace
}  // namespace kestril
