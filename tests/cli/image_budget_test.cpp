// Drawings that place large images many times: each image is decoded once per picture
// whichever way the picture is made (the command, its bands, the loader's code), images beyond the
// picture's budget are left out with one warning, and a page keeps one copy of each image however
// often it is placed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/picture_file.h"
#include "desktop/sized_picture.h"
#include "graphics/image/image_cache.h"
#include "graphics/image/png_file.h"
#include "platform/file_stream.h"
#include "render/view_setup.h"
#include "support/image_bomb.h"
#include "support/jww_writer.h"

namespace kestril::cli {
namespace {

namespace fs = std::filesystem;
using namespace kestril::testing;

constexpr uint32_t kInserts = 200;

class ImageBudget : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kestril-images-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "config");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return P(name);
  }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  int Render(std::vector<std::string> args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RenderCommand(views);
    ::testing::internal::GetCapturedStdout();
    err_ = ::testing::internal::GetCapturedStderr();
    return status;
  }

  fs::path dir_;
  std::string err_;
  std::vector<uint8_t> rows_;  // the loader's picture, blue, green, red, top row first
};

// How many of the bomb's inserts show the chessboard, both its colours inside the box
// in a picture of width x height (pixel(x, y) is 0x00BBGGRR).
uint32_t InsertsShown(const std::vector<uint8_t>& drawing, int32_t width, int32_t height,
                      const std::function<uint32_t(int32_t x, int32_t y)>& pixel) {
  Document doc;
  EXPECT_TRUE(ReadBytes(doc, drawing).ok);
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, width, height);
  uint32_t shown = 0;
  for (uint32_t i = 0; i < kInserts; ++i) {
    // The middle half of the box, clear of its rounded edges.
    const TaPoint2D a = ToDevice(view, {BombInsertX(i) + 2.5, BombInsertY(i) + 2.5});
    const TaPoint2D b = ToDevice(view, {BombInsertX(i) + 7.5, BombInsertY(i) + 7.5});
    bool black = false, white = false;
    for (auto y = int32_t(b.y); y <= int32_t(a.y); ++y) {
      for (auto x = int32_t(a.x); x <= int32_t(b.x); ++x) {
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        black |= pixel(x, y) == 0;
        white |= pixel(x, y) == 0xFFFFFF;
      }
    }
    shown += black && white;
  }
  return shown;
}

uint32_t RgbAt(const RgbImage& image, int32_t x, int32_t y) {
  const uint8_t* p = image.Pixel(x, y);
  return p[0] | (p[1] << 8) | (p[2] << 16);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// One block holding one reference to an 8192 x 8192 picture, inserted 200 times.
TEST_F(ImageBudget, TheImageOfABombIsDecodedOncePerPicture) {
  WriteCheckerPng(dir_ / "big.png", 8192, 8192, 512);
  const std::vector<uint8_t> bomb = ImageBombDrawing("big.png", kInserts);
  const std::string drawing = Write("bomb.jww", bomb);
  const struct {
    const char* what;
    std::function<void()> make;
    std::function<uint32_t()> shown;  // inserts drawn, when the picture has pixels
  } kCases[] = {
      {"kestril render to PNG",
       [&] {
         ASSERT_EQ(Render({drawing, "-o", P("bomb.png")}), 0) << err_;
       },
       [&] {
         const RgbImage png = ReadPng(P("bomb.png"));
         return InsertsShown(bomb, png.width, png.height,
                             [&](int32_t x, int32_t y) { return RgbAt(png, x, y); });
       }},
      {"a picture drawn in bands of 64 rows",
       [&] {
         TJwwSPIBody body(PluginSettings{}, nullptr);
         body.InputFileName = drawing;
         auto stream = OpenFileStream(drawing);
         ASSERT_EQ(body.ReadRequest(*stream), 0);
         PictureJob job;
         job.bandRows = 64;
         EXPECT_EQ(WritePicture(body, P("banded.png"), PictureFormat::Png, job).imagesSkipped, 0);
       },
       [&] {
         const RgbImage png = ReadPng(P("banded.png"));
         EXPECT_EQ(png.rgb, ReadPng(P("bomb.png")).rgb);
         return InsertsShown(bomb, png.width, png.height,
                             [&](int32_t x, int32_t y) { return RgbAt(png, x, y); });
       }},
      {"the loader's picture at 256",
       [&] {
         SizedPicture picture;
         auto stream = OpenFileStream(drawing);
         picture.Read(*stream, drawing);
         rows_.clear();
         picture.DrawRows({256, 192}, [&](int32_t, const uint8_t* bgr) {
           rows_.insert(rows_.end(), bgr, bgr + 256 * 3);
         });
       },
       [&] {
         return InsertsShown(bomb, 256, 192, [&](int32_t x, int32_t y) {
           const uint8_t* p = &rows_[(size_t(y) * 256 + size_t(x)) * 3];
           return uint32_t(p[2] | (p[1] << 8) | (p[0] << 16));
         });
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const int64_t before = ImageDecodesSoFar();
    c.make();
    EXPECT_EQ(ImageDecodesSoFar() - before, 1);
    EXPECT_EQ(c.shown(), kInserts);
    EXPECT_EQ(err_.find("not drawn"), std::string::npos) << err_;
  }
}

// Five different images of 64 megapixels: four fill the budget, and the references to
// the fifth are left out with one line saying so.
TEST_F(ImageBudget, ImagesBeyondTheBudgetAreLeftOutWithOneWarning) {
  WriteCheckerPng(dir_ / "big.png", 8192, 8192, 512);
  std::vector<std::string> names;
  for (const char* name : {"a.png", "b.png", "c.png", "d.png"}) {
    fs::copy_file(dir_ / "big.png", dir_ / name);
    names.push_back(name);
  }
  names.insert(names.end(), 3, "big.png");
  const std::string drawing = Write("five.jww", ImageRowDrawing(names));
  const int64_t before = ImageDecodesSoFar();
  ASSERT_EQ(Render({drawing, "-o", P("five.png")}), 0) << err_;
  EXPECT_EQ(ImageDecodesSoFar() - before, 5);  // the fifth refused from its header
  EXPECT_EQ(err_, "kestril: " + drawing +
                      ": 3 image references were not drawn: a picture decodes at most 256 "
                      "megapixels of images\n");
}

// Pages with 40 references to a picture of 4096 x 4096, in a process limited to 2 GB of
// address space (a copy for each reference would need 2.5 GB): one copy of the image
// on the page, written whole.
TEST_F(ImageBudget, APageKeepsOneCopyOfEachImage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' shadow memory does not fit an address-space limit";
#endif
  WriteCheckerPng(dir_ / "page.png", 4096, 4096, 256);
  const std::string drawing = Write("forty.jww", ImageBombDrawing("page.png", 40));
  const struct {
    const char* out;
    const char* image;  // what the page writes once per image
  } kCases[] = {{"forty.pdf", "/Subtype /Image"}, {"forty.svg", "<image "}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.out);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit limit{rlim_t{2} << 30, rlim_t{2} << 30};
      ::setrlimit(RLIMIT_AS, &limit);
      ::freopen("/dev/null", "w", stdout);
      ::execl(KESTRIL_BIN, KESTRIL_BIN, "render", drawing.c_str(), "-o", P(c.out).c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Count(ReadText(P(c.out)), c.image), 1u);
  }
}

}  // namespace
}  // namespace kestril::cli
