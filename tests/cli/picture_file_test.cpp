// Pictures written one band of rows at a time: the same pixels as one picture drawn at
// once, and memory near one band however large the picture.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/picture_file.h"
#include "graphics/image/bmp_layout.h"
#include "graphics/image/png_file.h"
#include "platform/file_stream.h"
#include "support/real_drawings.h"

namespace kestril::cli {
namespace {

namespace fs = std::filesystem;

// Pixels as red, green, blue bytes, top row first, whichever format was written.
std::vector<uint8_t> Pixels(const std::string& path, PictureFormat format) {
  if (format == PictureFormat::Png) return ReadPng(path).rgb;
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const std::optional<BmpImage> bmp = ParseBmpFile(bytes);
  if (!bmp) return {};
  std::vector<uint8_t> rgb;
  for (int32_t y = bmp->height - 1; y >= 0; --y) {
    const uint8_t* row = bmp->rows.data() + size_t(y) * bmp->stride;
    for (int32_t x = 0; x < bmp->width; ++x)
      rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
  }
  return rgb;
}

TEST(BandedPicture, EqualsThePictureDrawnAtOnce) {
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("kestril-bands-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  PluginSettings settings;
  settings.jwwWidth = settings.jwzWidth = 400;
  settings.UpdateDerivedSizes();
  for (const char* drawing : {"site-plan-v700.jww", "stairs-large-v700.jws", "solids-v700.jws"}) {
    for (bool antialias : {false, true}) {
      TJwwSPIBody body(settings, nullptr);
      if (antialias) {
        body.SetCanvasFactory([](int32_t w, int32_t h, RowBand band) {
          return CreateRasterCanvas(w, h, true, band);
        });
      }
      auto stream = OpenFileStream(testing::RealDrawingPath(drawing));
      ASSERT_EQ(body.ReadRequest(*stream), 0);
      for (PictureFormat format : {PictureFormat::Png, PictureFormat::Bmp}) {
        const std::string ext = format == PictureFormat::Png ? ".png" : ".bmp";
        const std::string whole = (dir / ("whole" + ext)).string();
        WritePicture(body, whole, format, {});
        const std::vector<uint8_t> expected = Pixels(whole, format);
        ASSERT_EQ(expected.size(), 400u * 300 * 3);
        for (int32_t rows : {13, 299}) {
          const std::string banded = (dir / ("banded" + ext)).string();
          WritePicture(body, banded, format, {.bandRows = rows});
          EXPECT_TRUE(Pixels(banded, format) == expected)
              << drawing << (antialias ? " antialiased" : "") << ext << ", bands of " << rows;
        }
      }
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 4);  // no parts left behind
  fs::remove_all(dir);
}

// Peak memory of the whole command, drawing a picture 20,000 pixels wide: drawn at
// once it would need over a gigabyte.
TEST(BandedPicture, AHugePictureNeedsLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "memory is measured on the plain build; the sanitizers' own overhead hides it";
#endif
  const fs::path out =
      fs::path(::testing::TempDir()) / ("kestril-huge-" + std::to_string(::getpid()) + ".png");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::freopen("/dev/null", "w", stdout);
    ::execl(KESTRIL_BIN, KESTRIL_BIN, "render",
            testing::RealDrawingPath("site-plan-v700.jww").c_str(), "--width", "20000", "-o",
            out.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The size from the PNG header (big-endian, after the signature and chunk head).
  std::ifstream in(out, std::ios::binary);
  uint8_t head[24] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const auto be32 = [&](int at) {
    return uint32_t{head[at]} << 24 | uint32_t{head[at + 1]} << 16 | uint32_t{head[at + 2]} << 8 |
           head[at + 3];
  };
  fs::remove(out);
  EXPECT_EQ(be32(16), 20000u);
  EXPECT_EQ(be32(20), 15000u);
  EXPECT_LT(usage.ru_maxrss, 300 * 1024) << "peak kilobytes";
}

}  // namespace
}  // namespace kestril::cli
