// Draws the canvas scenes through the real GDI canvas (a mingw program under Wine) and
// through the Cairo canvas, and compares where they put ink.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "canvas_scenes.h"
#include "canvas_test_util.h"
#include "graphics/canvas/cairo_canvas.h"
#include "graphics/canvas/recording_canvas.h"
#include "graphics/image/bmp_layout.h"
#include "graphics/image/image_decoder.h"
#include "support/ink_overlap.h"

namespace kestril {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWine = "/usr/lib/wine/wine64";

bool InCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

void WritePpm(const fs::path& path, const std::vector<uint8_t>& rows, int32_t w, int32_t h) {
  const size_t stride = static_cast<size_t>(BmpStride(w));
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

struct PathPoints {
  std::vector<TPoint> points;
  std::vector<uint8_t> types;
};

PathPoints ReadPath(const fs::path& file) {
  PathPoints p;
  std::ifstream f(file);
  int32_t x, y, t;
  while (f >> x >> y >> t) {
    p.points.push_back({x, y});
    p.types.push_back(static_cast<uint8_t>(t));
  }
  return p;
}

double DistanceToPolyline(TPoint p, const std::vector<TPoint>& line) {
  double best = 1e300;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const double ax = line[i].x, ay = line[i].y;
    const double dx = line[i + 1].x - ax, dy = line[i + 1].y - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - ax) * dx + (p.y - ay) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(p.x - (ax + t * dx), p.y - (ay + t * dy)));
  }
  return best;
}

// Runs the mingw program under Wine once for the whole suite.
class GdiCanvasUnderWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path exe = KESTRIL_GDI_SCENES_EXE;
    if (!fs::exists(kWine)) {
      missing_ = std::string(kWine) + " is missing (package wine64)";
      return;
    }
    if (!fs::exists(exe)) {
      missing_ = exe.string() + " was not built (x86_64-w64-mingw32-g++ is missing)";
      return;
    }
    fs::remove_all(Out());
    fs::create_directories(Out());
    // Wine maps drive Z: to the root of the POSIX file system.
    const std::string command = "WINEDEBUG=-all WINEPREFIX='" KESTRIL_WINE_WORK_DIR "/prefix' " +
                                std::string(kWine) + " '" + exe.string() +
                                "' 'Z:" + Out().string() + "' 'Z:" KESTRIL_TEST_DATA "/images' >'" +
                                (Out() / "wine.log").string() + "' 2>&1";
    // The tests of this suite run side by side on one prefix, and a Wine started at the
    // very moment another starts its server may fail at once, writing nothing: once more.
    if (std::system(command.c_str()) != 0 && std::system(command.c_str()) != 0) {
      failure_ = command + "\nfailed twice, see " + (Out() / "wine.log").string();
    }
  }

  void SetUp() override {
    if (!missing_.empty()) {
      if (InCi()) FAIL() << missing_;
      GTEST_SKIP() << missing_;
    }
    ASSERT_TRUE(failure_.empty()) << failure_;
  }

  // ctest runs each test in a process of its own, possibly side by side.
  static fs::path Out() {
    return fs::path(KESTRIL_WINE_WORK_DIR) / ("scenes-" + std::to_string(getpid()));
  }

  // The pictures stay behind, to be looked at, when something failed.
  static void TearDownTestSuite() {
    if (missing_.empty() && ::testing::UnitTest::GetInstance()->failed_test_count() == 0) {
      std::error_code ignored;
      fs::remove_all(Out(), ignored);
    }
  }

  static inline std::string missing_;
  static inline std::string failure_;
};

TEST_F(GdiCanvasUnderWine, InksTheSamePixelsAsTheCairoCanvas) {
  const fs::path out = Out();
  for (const test::CanvasScene& scene : test::CanvasScenes()) {
    SCOPED_TRACE(scene.name);
    const int32_t w = scene.width, h = scene.height;
    std::ifstream f(out / (std::string(scene.name) + ".bgr"), std::ios::binary);
    const std::vector<uint8_t> gdiRows{std::istreambuf_iterator<char>(f), {}};
    const size_t stride = static_cast<size_t>(BmpStride(w));
    ASSERT_EQ(gdiRows.size(), stride * size_t(h));

    CairoCanvas cairo(w, h);
    scene.draw(cairo);
    std::vector<uint8_t> cairoRows(stride * size_t(h));
    cairo.CopyBmpRows(cairoRows, stride);
    WritePpm(out / (std::string(scene.name) + "-gdi.ppm"), gdiRows, w, h);
    WritePpm(out / (std::string(scene.name) + "-cairo.ppm"), cairoRows, w, h);

    const std::vector<bool> a = testing::InkOfBmpRows(gdiRows.data(), w, h, stride);
    const std::vector<bool> b = testing::InkOfBmpRows(cairoRows.data(), w, h, stride);
    ASSERT_TRUE(std::count(a.begin(), a.end(), true) > 0) << "the scene draws nothing";
    const double iou = testing::InkOverlap(a, b, w, h);
    std::printf("%-16s IoU %.3f\n", scene.name, iou);
    EXPECT_GE(iou, scene.minOverlap)
        << "compare " << out.string() << "/" << scene.name << "-{gdi,cairo}.ppm";
  }
}

// Stretched images are not blended, so GDI and Cairo must agree on every pixel.
TEST_F(GdiCanvasUnderWine, StretchesImagesToTheSamePixelsAsTheCairoCanvas) {
  for (const char* name : {"stretched_images", "huge_image_box"}) {
    SCOPED_TRACE(name);
    const auto scene =
        std::find_if(test::CanvasScenes().begin(), test::CanvasScenes().end(),
                     [&](const test::CanvasScene& s) { return s.name == std::string(name); });
    ASSERT_NE(scene, test::CanvasScenes().end());
    std::ifstream f(Out() / (std::string(name) + ".bgr"), std::ios::binary);
    const std::vector<uint8_t> gdiRows{std::istreambuf_iterator<char>(f), {}};
    CairoCanvas cairo(scene->width, scene->height);
    scene->draw(cairo);
    std::vector<uint8_t> cairoRows(gdiRows.size());
    cairo.CopyBmpRows(cairoRows, (size_t(scene->width) * 3 + 3) & ~size_t{3});
    EXPECT_TRUE(gdiRows == cairoRows)
        << "compare " << Out().string() << "/" << name << "-{gdi,cairo}.ppm";
  }
}

// The Windows decoders (WIC, as Wine implements it) and the native ones give the same
// pixels for every test image, JPEG within a few levels, and refuse the same files.
TEST_F(GdiCanvasUnderWine, DecodesTheTestImagesAsTheNativeDecodersDo) {
  int compared = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(KESTRIL_TEST_DATA "/images")) {
    const std::string name = entry.path().filename().string();
    const std::optional<ImageFormat> format = ImageFormatOf(name);
    if (!format) continue;
    SCOPED_TRACE(name);
    std::ifstream w(Out() / (name + ".decoded"), std::ios::binary);
    const std::string wic{std::istreambuf_iterator<char>(w), {}};
    ASSERT_FALSE(wic.empty()) << "not decoded under Wine";
    std::ifstream n(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(n), {}};
    std::string native;
    try {
      const DecodedImage image = DecodeImage(*format, bytes);
      native = std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
      native.append(image.bgr.begin(), image.bgr.end());
    } catch (const Error&) {
      native = "refused";
    }
    ++compared;
    if (native == "refused") {
      EXPECT_EQ(wic.rfind("refused", 0), 0u) << "WIC decoded it";
      continue;
    }
    if (*format != ImageFormat::Jpeg) {
      EXPECT_TRUE(wic == native) << "WIC: " << wic.substr(0, wic.find('\n'))
                                 << ", native: " << native.substr(0, native.find('\n'));
      continue;
    }
    ASSERT_EQ(wic.size(), native.size());
    int worst = 0;
    for (size_t i = native.find('\n'); i < native.size(); ++i) {
      worst = std::max(worst, std::abs(int(uint8_t(wic[i])) - int(uint8_t(native[i]))));
    }
    std::printf("%-24s largest difference %d\n", name.c_str(), worst);
    EXPECT_LE(worst, 8);
  }
  EXPECT_GE(compared, 15);
}

// Image references looked up and drawn the Windows way (wide-character names, the
// drawing's folder as the second try) and the native way, on GDI and on Cairo.
TEST_F(GdiCanvasUnderWine, DrawsImageReferencesAsTheNativeBuildDoes) {
  std::ifstream f(Out() / "text_images.bgr", std::ios::binary);
  const std::vector<uint8_t> gdiRows{std::istreambuf_iterator<char>(f), {}};
  const fs::path own = Out() / "native";
  fs::create_directories(own);
  fs::copy_file(KESTRIL_TEST_DATA "/images/pic.png", own / "表.png");
  CairoCanvas cairo(test::kTextImagesWidth, test::kTextImagesHeight);
  test::DrawTextImages(cairo, KESTRIL_TEST_DATA "/images", own.string());
  const size_t stride = (size_t(cairo.Width()) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> cairoRows(stride * size_t(cairo.Height()));
  cairo.CopyBmpRows(cairoRows, stride);
  WritePpm(Out() / "text_images-gdi.ppm", gdiRows, cairo.Width(), cairo.Height());
  WritePpm(Out() / "text_images-cairo.ppm", cairoRows, cairo.Width(), cairo.Height());
  EXPECT_TRUE(gdiRows == cairoRows)
      << "compare " << Out().string() << "/text_images-{gdi,cairo}.ppm";
  // Each found image shows its first pixel: red (pic24.bmp, alpha.png) and, turned
  // upside down by its negative height (rows 6 to 35), the bottom left one of pic.png.
  const test::Pixels p(cairo);
  EXPECT_EQ(p.At(5, 30), MakeColor(255, 0, 0));
  EXPECT_EQ(p.At(40, 30), MakeColor(255, 0, 0));
  EXPECT_EQ(p.At(70, 6), MakeColor(0, 255, 255));
  EXPECT_EQ(p.At(5, 5), 0xFFFFFFu);  // missing.png
}

// GetPath on GDI's own path bracket against the shared recorder, for the same calls:
// the same figures and point types, points within a pixel (rounding of curve points).
TEST_F(GdiCanvasUnderWine, GetPathAnswersAsTheRecorderDoes) {
  for (const test::PathScene& scene : test::PathScenes()) {
    SCOPED_TRACE(scene.name);
    const PathPoints gdi = ReadPath(Out() / (std::string(scene.name) + ".path"));
    RecordingCanvas rec;
    scene.trace(rec);
    if (scene.flatten) rec.FlattenPath();
    PathPoints ours;
    rec.GetPath(ours.points, ours.types);
    ASSERT_FALSE(gdi.points.empty());
    if (!scene.flatten) {
      ASSERT_EQ(gdi.types, ours.types);
      for (size_t i = 0; i < gdi.points.size(); ++i) {
        EXPECT_LE(std::abs(gdi.points[i].x - ours.points[i].x), 1) << i;
        EXPECT_LE(std::abs(gdi.points[i].y - ours.points[i].y), 1) << i;
      }
      continue;
    }
    // Flattened: the same figures (moves and closes), each point of one path close to
    // the other path's polyline.
    auto figures = [](const PathPoints& p) {
      std::vector<uint8_t> marks;
      for (uint8_t t : p.types) {
        if (t == kPtMoveTo || (t & kPtCloseFigure)) marks.push_back(t);
      }
      return marks;
    };
    EXPECT_EQ(figures(gdi), figures(ours));
    EXPECT_EQ(std::count(gdi.types.begin(), gdi.types.end(), kPtBezierTo), 0);
    EXPECT_EQ(std::count(ours.types.begin(), ours.types.end(), kPtBezierTo), 0);
    for (TPoint p : gdi.points) EXPECT_LE(DistanceToPolyline(p, ours.points), 1.5);
    for (TPoint p : ours.points) EXPECT_LE(DistanceToPolyline(p, gdi.points), 1.5);
  }
}

TEST_F(GdiCanvasUnderWine, RefusesSizesItCannotMakeAndKeepsZeroSizes) {
  std::ifstream f(Out() / "checks.txt");
  const std::string checks{std::istreambuf_iterator<char>(f), {}};
  EXPECT_EQ(checks, "negative out-of-resources\nhuge out-of-resources\nzero made\n");
}

}  // namespace
}  // namespace kestril
