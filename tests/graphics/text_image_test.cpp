// DrawTextImage on the recording canvas: the reference's fields, the box, the decoder
// the extension picks, where files are looked for, and the references that are
// skipped without ending the picture.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "graphics/canvas/recording_canvas.h"
#include "graphics/text/cp932.h"
#include "graphics/text_image.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

namespace fs = std::filesystem;

using Box = std::array<int32_t, 4>;

// A drawing folder and a current directory, each with some of the test pictures.
class TextImage : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kestril-text-image-" + std::to_string(getpid()));
    fs::remove_all(root_);
    const fs::path images = fs::path(KESTRIL_TEST_DATA) / "images";
    fs::create_directories(Drawing() / "sub");
    fs::create_directories(Cwd());
    fs::create_directories(Drawing() / "dir.png");
    for (const char* name : {"pic.png", "alpha.png", "huge.png"}) {
      fs::copy_file(images / name, Drawing() / name);
    }
    fs::copy_file(images / "pic.jpg", Drawing() / "photo.JPEG");
    fs::copy_file(images / "pic.png", Drawing() / "pic.gif");
    fs::copy_file(images / "pic24.bmp", Drawing() / "sub" / "pic.bmp");
    fs::copy_file(images / "alpha.png", Drawing() / "sub" / "表.png");  // 0x95 0x5C in CP932
    fs::copy_file(images / "alpha.png", Drawing() / "사진𠮷.png");      // beyond code page 932
    fs::copy_file(images / "alpha.png", Drawing() / "both.png");
    fs::copy_file(images / "pic.png", Cwd() / "both.png");
    fs::copy_file(images / "pic.png", Drawing() / "broken.png");
    fs::resize_file(Drawing() / "broken.png", 60);
    ASSERT_EQ(mkfifo((Drawing() / "fifo.png").c_str(), 0600), 0);
    previous_ = fs::current_path();
    fs::current_path(Cwd());
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }
  fs::path Drawing() const { return root_ / "図面"; }  // a folder name beyond ASCII
  fs::path Cwd() const { return root_ / "cwd"; }

  fs::path root_;
  fs::path previous_;
};

// Scale 2; the start point (5, 50) lies at device (10, 300).
constexpr TViewTransform kView{
    .YAxisFactor = -1, .Scale = 2, .ViewMin = {0, 0}, .ViewMax = {400, 200}};

TEST_F(TextImage, DrawsWhatTheReferenceNamesOrSkipsIt) {
  const Box kBox{10, 200, 210, 300};
  const struct {
    std::string text;
    std::optional<Box> box;  // none: nothing is drawn
    TPoint size{};
    bool fromMemory = false;
    TaPoint2D start{5, 50};
  } kCases[] = {
      {"^@BMpic.png,100,50", kBox, {6, 4}},
      {"^@BMpic.png,100", Box{10, 100, 210, 300}, {6, 4}},                      // a square
      {"^@BMpic.png,\x82\x50\x82\x4f\x82\x4f,\x82\x54\x82\x4f", kBox, {6, 4}},  // １００,５０
      {"^@BMpic.png, 100 ,50,more", kBox, {6, 4}},
      {"^@BMpic.png,-100,50", Box{10, 200, -190, 300}, {6, 4}},  // mirrored, as GDI does
      {"^@BMpic.png,-100,50", Box{0, 200, -200, 300}, {6, 4}, false, {0, 50}},  // shows column 0
      {"^@BMphoto.JPEG,100,50", kBox, {16, 16}},
      {"^@BMsub\\pic.bmp,100,50", kBox, {6, 4}},
      {"^@BMsub\\\x95\x5C.png,100,50", kBox, {2, 2}},       // a second byte that looks like '\'
      {"^@BMboth.png,100,50", kBox, {6, 4}},                // the current directory first
      {"^@BMC:\\jw\\img\\alpha.png,100,50", kBox, {2, 2}},  // by name in the drawing's folder
      {"^@BM\\\\server\\share\\pic.png,100,50", kBox, {6, 4}},
      {"^@BMpic.png,100,50", std::nullopt, {}, true},  // from memory: no drawing folder
      {"^@BMpic.gif,100,50", std::nullopt},
      {"^@BMpic.png", std::nullopt},
      {"^@BMpic.png,", std::nullopt},
      {"^@BMpic.png,abc,50", std::nullopt},
      {"^@BMpic.png,100,5x", std::nullopt},
      {"^@BMpic.png,inf,50", std::nullopt},
      {"^@BMpic.png,0,50", std::nullopt},
      {"^@BMpic.png,100,50", std::nullopt, {}, false, {-500, 50}},  // beside the picture
      {"^@BMmissing.png,100,50", std::nullopt},
      {"^@BMfifo.png,100,50", std::nullopt},
      {"^@BMdir.png,100,50", std::nullopt},
      {"^@BMbroken.png,100,50", std::nullopt},
      {"^@BMhuge.png,100,50", std::nullopt},
      {"^@BM,100,50", std::nullopt},
  };
  // Every reference the same as a Unicode text, as newer Jw_cad stores it.
  for (const bool unicode : {false, true}) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.text + (unicode ? " (Unicode)" : ""));
      RecordingCanvas canvas(800, 600);
      const ImageSearch search{c.fromMemory ? "" : Drawing().string()};
      ImageCache images;
      const JwString text = unicode ? testing::Utf16(DecodeCp932(c.text)) : JwString(c.text);
      DrawTextImage(canvas, c.start, text, kView, search, images);
      if (!c.box) {
        EXPECT_TRUE(canvas.Calls().empty());
        continue;
      }
      ASSERT_EQ(canvas.Calls().size(), 1u);
      const CanvasCall& call = canvas.Calls()[0];
      EXPECT_EQ(call.op, CanvasOp::StretchImage);
      EXPECT_EQ(call.rect, *c.box);
      EXPECT_EQ(call.imageSize, c.size);
    }
  }
  // A Unicode path may name what the code page cannot.
  RecordingCanvas canvas(800, 600);
  ImageCache images;
  DrawTextImage(canvas, {5, 50}, testing::Utf16(u"^@BM사진𠮷.png,100,50"), kView,
                {Drawing().string()}, images);
  ASSERT_EQ(canvas.Calls().size(), 1u);
  EXPECT_EQ(canvas.Calls()[0].imageSize, (TPoint{2, 2}));
}

// One picture's references through one cache: each file is decoded once whatever names
// it, broken and missing files are not tried again and cost nothing of the budget, and
// images beyond the budget (here 30 pixels: pic.png's 24 and alpha.png's 4 fit, the
// bitmap's 24 do not) are skipped.
TEST_F(TextImage, DecodesEachFileOnceWithinThePicturesBudget) {
  const struct {
    const char* text;
    bool drawn;
  } kReferences[] = {
      {"^@BMbroken.png,100,50", false},     {"^@BMbroken.png,10,50", false},
      {"^@BMpic.png,100,50", true},         {"^@BMpic.png,10,5", true},
      {"^@BMC:\\jw\\pic.png,100,50", true}, {"^@BMalpha.png,100,50", true},
      {"^@BMmissing.png,100,50", false},    {"^@BMsub\\pic.bmp,100,50", false},
      {"^@BMsub\\pic.bmp,10,50", false},    {"^@BMpic.png,100,50", true},
  };
  RecordingCanvas canvas(800, 600);
  ImageCache images(30);
  const int64_t before = ImageDecodesSoFar();
  size_t drawn = 0;
  for (const auto& r : kReferences) {
    SCOPED_TRACE(r.text);
    DrawTextImage(canvas, {5, 50}, JwString(r.text), kView, {Drawing().string()}, images);
    drawn += r.drawn;
    EXPECT_EQ(canvas.Calls().size(), drawn);
  }
  EXPECT_EQ(ImageDecodesSoFar() - before, 4);  // pic.png, alpha.png, broken.png, pic.bmp
  EXPECT_EQ(images.Skipped(), 2);
  EXPECT_EQ(images.Remaining(), 2);
}

}  // namespace
}  // namespace kestril
