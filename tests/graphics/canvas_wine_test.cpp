// Draws the canvas scenes through the real GDI canvas (a mingw program under Wine) and
// through the Cairo canvas, and compares where they put ink.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "canvas_scenes.h"
#include "canvas_test_util.h"
#include "graphics/canvas/cairo_canvas.h"

namespace kestril {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWine = "/usr/lib/wine/wine64";

bool InCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// Inked pixels grown by one pixel in every direction, so a line one pixel off still
// overlaps.
std::vector<bool> DilatedInk(const std::vector<bool>& ink, int32_t w, int32_t h) {
  std::vector<bool> out(ink.size());
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (!ink[size_t(y) * size_t(w) + size_t(x)]) continue;
      for (int32_t v = std::max(0, y - 1); v <= std::min(h - 1, y + 1); ++v) {
        for (int32_t u = std::max(0, x - 1); u <= std::min(w - 1, x + 1); ++u) {
          out[size_t(v) * size_t(w) + size_t(u)] = true;
        }
      }
    }
  }
  return out;
}

// Bottom-up BGR rows as CopyBmpRows writes them, to top-down ink.
std::vector<bool> InkOfRows(const std::vector<uint8_t>& rows, int32_t w, int32_t h) {
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t{3};
  std::vector<bool> ink(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = rows.data() + stride * size_t(h - 1 - y);
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* px = row + size_t(x) * 3;
      ink[size_t(y) * size_t(w) + size_t(x)] = px[0] != 0xFF || px[1] != 0xFF || px[2] != 0xFF;
    }
  }
  return ink;
}

void WritePpm(const fs::path& path, const std::vector<uint8_t>& rows, int32_t w, int32_t h) {
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t{3};
  std::ofstream f(path, std::ios::binary);
  f << "P6\n" << w << " " << h << "\n255\n";
  for (int32_t y = h - 1; y >= 0; --y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* px = rows.data() + stride * size_t(y) + size_t(x) * 3;
      const char rgb[3] = {char(px[2]), char(px[1]), char(px[0])};
      f.write(rgb, 3);
    }
  }
}

TEST(GdiCanvasUnderWine, InksTheSamePixelsAsTheCairoCanvas) {
  const fs::path exe = KESTRIL_GDI_SCENES_EXE;
  std::string missing;
  if (!fs::exists(kWine)) missing = std::string(kWine) + " is missing (package wine64)";
  if (!fs::exists(exe)) missing = exe.string() + " was not built (x86_64-w64-mingw32-g++ missing)";
  if (!missing.empty()) {
    if (InCi()) FAIL() << missing;
    GTEST_SKIP() << missing;
  }
  const fs::path out = fs::path(KESTRIL_WINE_WORK_DIR) / "scenes";
  fs::remove_all(out);
  fs::create_directories(out);
  // Wine maps drive Z: to the root of the POSIX file system.
  const std::string command = "WINEDEBUG=-all WINEPREFIX='" KESTRIL_WINE_WORK_DIR "/prefix' " +
                              std::string(kWine) + " '" + exe.string() + "' 'Z:" + out.string() +
                              "' >'" + (out / "wine.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command << "\nsee " << (out / "wine.log");

  for (const test::CanvasScene& scene : test::CanvasScenes()) {
    SCOPED_TRACE(scene.name);
    const int32_t w = scene.width, h = scene.height;
    std::ifstream f(out / (std::string(scene.name) + ".bgr"), std::ios::binary);
    const std::vector<uint8_t> gdiRows{std::istreambuf_iterator<char>(f), {}};
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(gdiRows.size(), stride * size_t(h));

    CairoCanvas cairo(w, h);
    scene.draw(cairo);
    std::vector<uint8_t> cairoRows(stride * size_t(h));
    cairo.CopyBmpRows(cairoRows, stride);
    WritePpm(out / (std::string(scene.name) + "-gdi.ppm"), gdiRows, w, h);
    WritePpm(out / (std::string(scene.name) + "-cairo.ppm"), cairoRows, w, h);

    const std::vector<bool> a = DilatedInk(InkOfRows(gdiRows, w, h), w, h);
    const std::vector<bool> b = DilatedInk(InkOfRows(cairoRows, w, h), w, h);
    size_t both = 0, either = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      both += a[i] && b[i];
      either += a[i] || b[i];
    }
    ASSERT_GT(either, 0u) << "the scene draws nothing";
    const double iou = double(both) / double(either);
    std::printf("%-16s IoU %.3f\n", scene.name, iou);
    EXPECT_GE(iou, 0.9) << "compare " << out.string() << "/" << scene.name << "-{gdi,cairo}.ppm";
  }
}

}  // namespace
}  // namespace kestril
