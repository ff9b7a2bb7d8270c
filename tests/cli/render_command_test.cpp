// `kestril render`: the plug-in's picture written as PNG or BMP or drawn on SVG and PDF
// pages, many drawings at once, the user's settings read but never written, and clear
// answers to wrong use.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output_file.h"
#include "support/jww_writer.h"
#include "support/real_drawings.h"

namespace kestril::cli {
namespace {

namespace fs = std::filesystem;
using namespace kestril::testing;

struct Png {
  bool ok = false;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;                    // top row first
  uint32_t At(uint32_t x, uint32_t y) const {  // 0x00BBGGRR
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return p[0] | (p[1] << 8) | (p[2] << 16);
  }
};

Png ReadPng(const fs::path& file) {
  Png png;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return png;
  image.format = PNG_FORMAT_RGB;
  png.width = image.width;
  png.height = image.height;
  png.rgb.resize(PNG_IMAGE_SIZE(image));
  png.ok = png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr) != 0;
  return png;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  const std::string text = ReadText(file);
  return {text.begin(), text.end()};
}

class RenderCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kestril-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "config");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    TJwwHeader h = TestHeader(700);
    h.PenColor[0] = 0x336699;
    ArchiveWriter none(700);
    none.End();
    Write("empty.jww", BuildJww(h, none));
    Write("empty.jws", BuildJws(none));
    Write("junk.jww", std::vector<uint8_t>(500, 'j'));
  }
  void TearDown() override {
    TearDownMounts();
    fs::remove_all(dir_);
  }

  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  void Settings(const std::string& values) {
    fs::create_directories(dir_ / "config" / "kestril");
    std::ofstream(dir_ / "config" / "kestril" / "settings.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n"
        << values;
  }
  int Run(std::vector<std::string> args,
          int (*command)(std::span<const std::string_view>) = RenderCommand) {
    std::vector<std::string_view> views(args.begin(), args.end());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = command(views);
    out_ = ::testing::internal::GetCapturedStdout();
    err_ = ::testing::internal::GetCapturedStderr();
    return status;
  }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  // Names in a folder that are temporaries of an unfinished picture.
  std::vector<std::string> Leftovers(const fs::path& folder) const {
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder)) {
      if (e.path().filename().string().find(".kestril-tmp-") != std::string::npos)
        left.push_back(e.path().filename().string());
    }
    return left;
  }
  // A small tmpfs mounted on dir_/name, unmounted at the end; false (the test skipped
  // or failed) when it cannot be mounted here.
  bool Mount(const std::string& name, const std::string& options) {
    fs::create_directories(dir_ / name);
    if (::mount("tmpfs", P(name).c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    mounts_.push_back(P(name));
    return true;
  }
  void TearDownMounts() {
    for (const std::string& m : mounts_) ::umount2(m.c_str(), MNT_DETACH);
    mounts_.clear();
  }

  fs::path dir_;
  std::string out_, err_;
  std::vector<std::string> mounts_;
};

TEST_F(RenderCommandTest, WritesThePictureAsPng) {
  ASSERT_EQ(Run({P("empty.jww"), "-o", P("out.png")}), 0) << err_;
  EXPECT_NE(out_.find("800 x 600 picture written to"), std::string::npos) << out_;
  const Png png = ReadPng(dir_ / "out.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 800u);
  EXPECT_EQ(png.height, 600u);
  // Top row and left column white, the background elsewhere: the rows are not upside down.
  EXPECT_EQ(png.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(png.At(400, 0), 0xFFFFFFu);
  EXPECT_EQ(png.At(0, 599), 0xFFFFFFu);
  EXPECT_EQ(png.At(1, 1), 0x336699u);
  EXPECT_EQ(png.At(799, 599), 0x336699u);
}

TEST_F(RenderCommandTest, WritesThePictureAsBmp) {
  ASSERT_EQ(Run({"--width", "3", P("empty.jww"), "--output", P("out.BMP")}), 0) << err_;
  const std::string bmp = ReadText(dir_ / "out.BMP");
  ASSERT_EQ(bmp.size(), 54u + 24u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(bmp[2]), 78);   // file size
  EXPECT_EQ(static_cast<uint8_t>(bmp[10]), 54);  // pixel offset
  EXPECT_EQ(static_cast<uint8_t>(bmp[14]), 40);
  EXPECT_EQ(static_cast<uint8_t>(bmp[18]), 3);  // width
  EXPECT_EQ(static_cast<uint8_t>(bmp[22]), 2);  // height: 2.25 rounded
  const std::string rows = bmp.substr(54);
  EXPECT_EQ(rows, std::string("\xFF\xFF\xFF\x33\x66\x99\x33\x66\x99\0\0\0"
                              "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\0\0\0",
                              24));
}

TEST_F(RenderCommandTest, PreviewAndWidthChooseTheSize) {
  struct Case {
    std::vector<std::string> args;
    uint32_t width, height;
  };
  for (const Case& c :
       {Case{{"--preview"}, 160, 120}, Case{{"--width", "400"}, 400, 300},
        Case{{"--preview", "--width", "200"}, 200, 150}, Case{{"--width", "1"}, 1, 1}}) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {P("empty.jws"), "-o", P("out.png")});
    ASSERT_EQ(Run(args), 0) << err_;
    const Png png = ReadPng(dir_ / "out.png");
    EXPECT_EQ(png.width, c.width) << args[0];
    EXPECT_EQ(png.height, c.height) << args[0];
  }
}

TEST_F(RenderCommandTest, ReadsTheUsersSettingsAndNeverWritesThem) {
  const std::string settings = "\"jwwWidth\"=dword:00000140\n\"PenColor00\"=\"255\"\n";
  Settings(settings);
  const fs::path file = dir_ / "config" / "kestril" / "settings.reg";
  const std::string before = ReadText(file);
  ASSERT_EQ(Run({P("empty.jww"), "-o", P("a.png")}), 0) << err_;
  EXPECT_EQ(ReadPng(dir_ / "a.png").width, 320u);
  // JWS data has no pen table: the user's background colour shows.
  ASSERT_EQ(Run({P("empty.jws"), "-o", P("b.png")}), 0) << err_;
  EXPECT_EQ(ReadPng(dir_ / "b.png").At(5, 5), 0x0000FFu);
  // The command line wins for the run.
  ASSERT_EQ(Run({P("empty.jww"), "--width", "100", "-o", P("c.png")}), 0) << err_;
  EXPECT_EQ(ReadPng(dir_ / "c.png").width, 100u);
  EXPECT_EQ(ReadText(file), before);
}

TEST_F(RenderCommandTest, LeavesNoSettingsBehind) {
  ASSERT_EQ(Run({P("empty.jww"), "-o", P("a.png")}), 0) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "config" / "kestril"));
}

TEST_F(RenderCommandTest, DefaultOutputIsTheDrawingsNameInTheCurrentFolder) {
  const fs::path before = fs::current_path();
  fs::create_directories(dir_ / "cwd");
  fs::current_path(dir_ / "cwd");
  const int status = Run({P("empty.jww")});
  fs::current_path(before);
  ASSERT_EQ(status, 0) << err_;
  EXPECT_TRUE(ReadPng(dir_ / "cwd" / "empty.png").ok);
}

TEST_F(RenderCommandTest, WithoutAFileRendersTheSample) {
  if (!fs::exists(KESTRIL_SOURCE_DIR "/samples/sample.jww")) GTEST_SKIP() << "no sample";
  ASSERT_EQ(Run({"-o", P("sample.png")}), 0) << err_;
  EXPECT_NE(out_.find("sample.jww"), std::string::npos);
  const Png png = ReadPng(dir_ / "sample.png");
  ASSERT_TRUE(png.ok);
  ASSERT_EQ(png.width, 800u);
  // Its four arcs, each alone in its colour in its box: the door swing, the elliptic rug
  // (dashed), the round table and the tilted ellipse.
  struct Arc {
    uint32_t x0, y0, x1, y1;
    uint32_t colour;  // 0x00BBGGRR
    int atLeast;
  };
  for (const Arc& a :
       {Arc{350, 85, 495, 225, 0x00C000, 150}, Arc{130, 128, 315, 225, 0x00C000, 100},
        Arc{565, 298, 680, 412, 0xC000C0, 250}, Arc{105, 338, 205, 416, 0x8000FF, 150}}) {
    int inked = 0;
    for (uint32_t y = a.y0; y < a.y1; ++y) {
      for (uint32_t x = a.x0; x < a.x1; ++x) inked += png.At(x, y) == a.colour;
    }
    EXPECT_GE(inked, a.atLeast) << std::hex << a.colour;
  }
}

TEST_F(RenderCommandTest, DrawingsThatCannotBeRenderedAnswer1) {
  EXPECT_EQ(Run({P("missing.jww"), "-o", P("a.png")}), 1);
  EXPECT_NE(err_.find("missing.jww"), std::string::npos) << err_;
  EXPECT_EQ(Run({P("junk.jww"), "-o", P("a.png")}), 1);
  EXPECT_NE(err_.find("not a Jw_cad drawing"), std::string::npos) << err_;
  EXPECT_EQ(Run({P("empty.jww"), "-o", P("no/such/folder/a.png")}), 1);
  EXPECT_NE(err_.find("cannot write"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(dir_ / "a.png"));
}

TEST_F(RenderCommandTest, ADrawingCutShortIsDrawnWithAWarningAndFailsOnlyWhenStrict) {
  ArchiveWriter a(700);
  for (int i = 0; i < 20; ++i) a.Line(Line({0, 0}, {10.0 + i, 5}));
  std::vector<uint8_t> bytes = BuildJws(a);
  bytes.resize(bytes.size() - 300);
  Write("cut.jws", bytes);
  ASSERT_EQ(Run({P("cut.jws"), "-o", P("cut.png")}), 0) << err_;
  EXPECT_TRUE(ReadPng(dir_ / "cut.png").ok);
  EXPECT_NE(err_.find("cut short: 13 of the 20 objects it announces were read"), std::string::npos)
      << err_;
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1);
  fs::remove(dir_ / "cut.png");
  EXPECT_EQ(Run({P("cut.jws"), "--strict", "-o", P("cut.png")}), 1);
  EXPECT_TRUE(fs::exists(dir_ / "cut.png"));  // written all the same
  EXPECT_EQ(Run({P("empty.jws"), "--strict", "-o", P("whole.png")}), 0) << err_;
  EXPECT_EQ(err_, "");

  std::vector<std::string_view> info = {"--json", "--strict"};
  const std::string cut = P("cut.jws");
  info.push_back(cut);
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(InfoCommand(info), 1);
  const std::string json = ::testing::internal::GetCapturedStdout();
  ::testing::internal::GetCapturedStderr();
  EXPECT_NE(json.find("\"read_ok\":true,\"complete\":false,\"objects_read\":13,"),
            std::string::npos)
      << json;
}

// A size in the settings that cannot be drawn is named, with its range.
TEST_F(RenderCommandTest, SizesOutOfRangeInTheSettingsAreNamed) {
  struct Case {
    std::string value;  // dword
    std::vector<std::string> args;
    std::string out;
    int status;
    std::string says;
  };
  for (const Case& c : {
           Case{"00000000", {}, "a.png", 1, "jwwWidth in the settings is 0: an empty picture"},
           Case{"00000000", {}, "a.bmp", 0, ""},  // a header alone, as the plug-in gives
           Case{"0000ffff",
                {},
                "a.png",
                1,
                "jwwWidth in the settings is 65535; it must be 1 to "
                "32767"},
           Case{
               "ffffffff", {}, "a.pdf", 1, "jwwWidth in the settings is -1; it must be 1 to 32767"},
           Case{"00007fff",
                {"--preview"},
                "a.png",
                1,
                "PreviewHeight in the settings is 32767, which makes the preview 43688 pixels "
                "wide; for previews it must be 1 to 24576"},
       }) {
    SCOPED_TRACE(c.value + " " + c.out);
    Settings("\"jwwWidth\"=dword:" + c.value + "\n\"PreviewHeight\"=dword:" + c.value + "\n");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {P("empty.jww"), "-o", P(c.out)});
    EXPECT_EQ(Run(args), c.status) << err_;
    EXPECT_NE(err_.find(c.says), std::string::npos) << err_;
    EXPECT_EQ(fs::exists(dir_ / c.out), c.status == 0);
  }
  EXPECT_EQ(fs::file_size(dir_ / "a.bmp"), 54u);
}

TEST_F(RenderCommandTest, WrongUseAnswers2) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--width"},
                                               {"--width", "0"},
                                               {"--width", "32768"},
                                               {"--width", "12x"},
                                               {"--width", "-5"},
                                               {"-o"},
                                               {"-o", P("a.gif")},
                                               {"--bogus"},
                                               {"-j", "0"},
                                               {"--jobs", "257"},
                                               {"--format", "gif"},
                                               {"--format", "svg", "-o", P("a.png")},
                                               {"--mm", "-o", P("a.png")},
                                               {P("a.jww"), P("b.jww"), "-o", P("x.png")}}) {
    EXPECT_EQ(Run(args), 2) << args[0];
    EXPECT_NE(err_.find("kestril render --help"), std::string::npos) << err_;
  }
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.find("usage: kestril render"), std::string::npos);
  EXPECT_NE(out_.find((dir_ / "config" / "kestril" / "settings.reg").string()), std::string::npos);
}

TEST_F(RenderCommandTest, ManyDrawingsGiveThePicturesOfOneAtATimeAndGoOnPastBadOnes) {
  fs::create_directories(dir_ / "in");
  fs::create_directories(dir_ / "out");
  std::vector<std::string> args;
  for (const std::string& name : RealDrawings()) {
    fs::copy_file(RealDrawingPath(name), dir_ / "in" / name);
    args.push_back(P("in/" + name));
  }
  // Cut inside its header: recognised, not read. Its picture from before stays.
  std::vector<uint8_t> cut(3000);
  std::ifstream(RealDrawingPath("site-plan-v700.jww"), std::ios::binary)
      .read(reinterpret_cast<char*>(cut.data()), 3000);
  Write("in/bad.jww", cut);
  std::ofstream(dir_ / "out" / "bad.png") << "before";
  args.insert(args.begin() + 3, P("in/bad.jww"));
  args.insert(args.end(), {"-o", P("out/"), "-j", "2"});
  ASSERT_EQ(Run(args), 1) << err_;
  EXPECT_NE(err_.find("kestril: " + P("in/bad.jww") + ": the drawing could not be read"),
            std::string::npos)
      << err_;
  const std::string summary = std::to_string(RealDrawings().size()) + " of " +
                              std::to_string(RealDrawings().size() + 1) + " drawings written";
  EXPECT_NE(err_.find(summary), std::string::npos) << err_;
  EXPECT_EQ(ReadText(dir_ / "out" / "bad.png"), "before");
  EXPECT_EQ(Leftovers(dir_ / "out"), std::vector<std::string>{});
  for (const std::string& name : RealDrawings()) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Run({P("in/" + name), "-o", P("one.png")}), 0) << err_;
    const std::string stem = fs::path(name).stem().string();
    const Png batch = ReadPng(dir_ / "out" / (stem + ".png")), one = ReadPng(dir_ / "one.png");
    ASSERT_TRUE(batch.ok && one.ok);
    EXPECT_EQ(batch.width, one.width);
    EXPECT_TRUE(batch.rgb == one.rgb);
  }

  // Two drawings of one name: the second is not written over the first's picture; a
  // folder that is not there yet is made; --format picks the pictures' kind.
  fs::create_directories(dir_ / "a");
  fs::create_directories(dir_ / "b");
  Write("a/x.jws", ReadBytes(dir_ / "empty.jws"));
  Write("b/x.jws", ReadBytes(dir_ / "in" / "tiny-v600.jws"));
  ASSERT_EQ(Run({P("a/x.jws"), P("b/x.jws"), "--format", "bmp", "-o", P("new/"), "-j", "3"}), 1);
  EXPECT_NE(err_.find(P("b/x.jws") + ": its picture would be"), std::string::npos) << err_;
  EXPECT_EQ(ReadText(dir_ / "new" / "x.bmp").substr(0, 2), "BM");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "new"), fs::directory_iterator()), 1);
}

// An interrupted conversion removes its temporary and keeps the picture that was there.
TEST_F(RenderCommandTest, AnInterruptedConversionLeavesWhatWasThere) {
  std::ofstream(dir_ / "big.png") << "before";
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    const std::string drawing = RealDrawingPath("site-plan-v700.jww"), out = P("big.png");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      ::execl(KESTRIL_BIN, KESTRIL_BIN, "render", drawing.c_str(), "--width", "32767", "-o",
              out.c_str(), nullptr);
      ::_exit(127);
    }
    // Interrupted once its temporary is being written.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Leftovers(dir_).empty() && std::chrono::steady_clock::now() < deadline) ::usleep(2000);
    EXPECT_EQ(Leftovers(dir_).size(), 1u);
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(Leftovers(dir_), std::vector<std::string>{});
    EXPECT_EQ(ReadText(dir_ / "big.png"), "before");
  }
}

// SVG and PDF pages: the same drawing drawn with paths, one unit a point, or with --mm
// one drawing unit a millimetre on the drawing's sheet.
TEST_F(RenderCommandTest, VectorPagesHoldTheDrawingAtTheirSize) {
  const std::string site = RealDrawingPath("site-plan-v700.jww");
  struct Case {
    std::vector<std::string> args;
    std::string out;
    double width, height;  // points
  };
  const double a3w = 420 * 72 / 25.4, a3h = 297 * 72 / 25.4;
  for (const Case& c : {Case{{site}, "p.pdf", 800, 600}, Case{{site, "--mm"}, "p.pdf", a3w, a3h},
                        Case{{site, "--mm"}, "p.svg", a3w, a3h}, Case{{site}, "p.svg", 800, 600},
                        Case{{P("empty.jww")}, "e.svg", 800, 600},
                        Case{{site, "--width", "400", "--format", "svg"}, "", 400, 300}}) {
    std::vector<std::string> args = c.args;
    const std::string out = c.out.empty() ? "site-plan-v700.svg" : c.out;
    if (!c.out.empty()) args.insert(args.end(), {"-o", P(out)});
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    const int status = Run(args);
    fs::current_path(before);
    SCOPED_TRACE(args[0] + " -> " + out);
    ASSERT_EQ(status, 0) << err_;
    const std::string text = ReadText(dir_ / out);
    double w = 0, h = 0;
    if (out.ends_with(".pdf")) {
      EXPECT_EQ(text.substr(0, 5), "%PDF-");
      const size_t box = text.find("/MediaBox [");
      ASSERT_NE(box, std::string::npos);
      ASSERT_EQ(std::sscanf(text.c_str() + box, "/MediaBox [ 0 0 %lf %lf", &w, &h), 2);
    } else {
      // Parsed by a real XML reader: the page's size and its paths.
      const std::string command =
          "python3 -c 'import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); "
          "print(r.get(\"width\"), r.get(\"height\"), sum(e.tag.endswith(\"}path\") for e in "
          "r.iter()))' " +
          P(out);
      FILE* pipe = ::popen(command.c_str(), "r");
      ASSERT_NE(pipe, nullptr);
      int paths = -1;
      ASSERT_EQ(std::fscanf(pipe, "%lfpt %lfpt %d", &w, &h, &paths), 3);
      EXPECT_EQ(::pclose(pipe), 0);
      // The site plan's 2,539 objects are paths (and glyphs); the empty drawing's page has
      // its background alone.
      if (out == "e.svg") {
        EXPECT_LE(paths, 2);
      } else {
        EXPECT_GE(paths, 2000);
      }
    }
    EXPECT_NEAR(w, c.width, 0.5);
    EXPECT_NEAR(h, c.height, 0.5);
  }
}

bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

// Onto a full disk, and into a read-only one: every format fails with the output's name
// and the system's reason, and the picture that was there stays byte for byte.
TEST_F(RenderCommandTest, AFullDiskKeepsThePictureThatWasThere) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  if (!Mount("full", "size=1m") || !Mount("ro", "ro,size=64k")) {
    if (InCi()) FAIL() << "cannot mount a tmpfs: " << std::strerror(errno);
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  }
  const std::string drawing = RealDrawingPath("parts-v351-a.jws");
  struct Case {
    std::string out;
    bool thumbnail;
  };
  const Case cases[] = {{"full/p.png", false},
                        {"full/p.bmp", false},
                        {"full/p.svg", false},
                        {"full/p.pdf", false},
                        {"full/t.png", true}};
  const auto run = [&](const Case& c) {
    return c.thumbnail ? Run({"-s", "64", drawing, P(c.out)}, ThumbnailCommand)
                       : Run({drawing, "--width", "100", "-o", P(c.out)});
  };
  for (const Case& c : cases) ASSERT_EQ(run(c), 0) << err_;
  {
    std::ofstream fill(dir_ / "full" / "fill", std::ios::binary);
    const std::string block(1 << 16, 'x');
    while (fill.write(block.data(), block.size())) {
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    const std::string before = ReadText(dir_ / c.out);
    EXPECT_EQ(run(c), 1);
    EXPECT_NE(err_.find("cannot write " + P(c.out) + ": No space left on device"),
              std::string::npos)
        << err_;
    EXPECT_EQ(err_.find("kestril-tmp"), std::string::npos) << err_;
    EXPECT_EQ(ReadText(dir_ / c.out), before);
    EXPECT_EQ(Leftovers(dir_ / "full"), std::vector<std::string>{});
  }

  // Nearly full: each page of a batch is either reported written and whole, or failed
  // and not there.
  fs::remove(dir_ / "full" / "fill");
  for (const Case& c : cases) fs::remove(dir_ / c.out);
  {
    std::ofstream fill(dir_ / "full" / "fill", std::ios::binary);
    const std::string block(4096, 'x');
    while (fill.write(block.data(), block.size()) && fill.flush()) {
    }
  }
  fs::resize_file(dir_ / "full" / "fill", fs::file_size(dir_ / "full" / "fill") - (24 << 10));
  std::vector<std::string> args;
  for (const std::string& name : RealDrawings()) args.push_back(RealDrawingPath(name));
  args.insert(args.end(), {"--format", "pdf", "-o", P("full/"), "-j", "2"});
  EXPECT_EQ(Run(args), 1);
  size_t whole = 0;
  for (const std::string& name : RealDrawings()) {
    const fs::path page = dir_ / "full" / (fs::path(name).stem().string() + ".pdf");
    const bool failed = err_.find(name + ": cannot write " + page.string() +
                                  ": No space left on device") != std::string::npos;
    EXPECT_NE(failed, fs::exists(page)) << name << "\n" << err_;
    if (!failed) {
      EXPECT_TRUE(ReadText(page).ends_with("%%EOF\n")) << page;
      ++whole;
    }
  }
  EXPECT_LT(whole, RealDrawings().size());
  EXPECT_NE(err_.find(std::to_string(whole) + " of " + std::to_string(RealDrawings().size()) +
                      " drawings written"),
            std::string::npos)
      << err_;
  EXPECT_EQ(Leftovers(dir_ / "full"), std::vector<std::string>{});

  // The first reason is the one told, not a later check's.
  EXPECT_EQ(Run({drawing, "-o", P("ro/sub/")}), 1);
  EXPECT_NE(err_.find("cannot make the folder " + P("ro/sub/") + ": Read-only file system"),
            std::string::npos)
      << err_;
  EXPECT_EQ(Run({drawing, "-o", P("ro/p.png")}), 1);
  EXPECT_NE(err_.find("cannot write " + P("ro/p.png") + ": Read-only file system"),
            std::string::npos)
      << err_;
}

// A picture named like a drawing being rendered, by any of its names, is refused, alone
// or in a batch; the drawing stays as it was.
TEST_F(RenderCommandTest, APictureIsNeverWrittenOverADrawing) {
  const std::vector<uint8_t> drawing = ReadBytes(RealDrawingPath("tiny-v600.jws"));
  Write("plan.png", drawing);
  Write("other.jws", drawing);
  fs::create_hard_link(dir_ / "plan.png", dir_ / "hard.pdf");
  fs::create_symlink(dir_ / "plan.png", dir_ / "link.bmp");
  fs::create_directories(dir_ / "in");
  Write("in/plan.jws", drawing);
  struct Case {
    std::vector<std::string> args;
    bool thumbnail;
    std::string says;
  };
  for (const Case& c : {
           Case{{"plan.png"}, false, "its picture plan.png is the drawing itself: not written"},
           Case{{"plan.png", "-o", "hard.pdf"}, false, "hard.pdf is the drawing itself"},
           Case{{"plan.png", "-o", "link.bmp"}, false, "link.bmp is the drawing itself"},
           Case{{"plan.png", "plan.png"}, true, "would replace the drawing itself"},
           // plan.jws's picture would be plan.png, another of the drawings.
           Case{{"in/plan.jws", "plan.png", "other.jws", "-o", "."},
                false,
                "in/plan.jws: its picture ./plan.png is the drawing plan.png: not written"},
       }) {
    SCOPED_TRACE(c.says);
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    const int status = c.thumbnail ? Run(c.args, ThumbnailCommand) : Run(c.args);
    fs::current_path(before);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err_.find(c.says), std::string::npos) << err_;
    EXPECT_EQ(ReadBytes(dir_ / "plan.png"), drawing);
  }
  EXPECT_TRUE(ReadPng(dir_ / "other.png").ok);  // the rest of the batch goes on
}

// A temporary left by a run that is gone (killed outright) is removed by the next run
// that writes that picture there; nothing else is touched.
TEST_F(RenderCommandTest, LeftoversOfRunsThatAreGoneAreRemoved) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = std::to_string(child);
  fs::create_directories(dir_ / "out");
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {TemporaryOf(P("out/empty.png"), child), true},
      {TemporaryOf(P("out/empty.jws.png"), child), false},    // not a picture written
      {TemporaryOf(P("out/empty.png"), ::getppid()), false},  // its run goes on
      {P("out/.empty.png.kestril-tmp-0" + dead), false},      // not as we name them
      {P("out/.empty.png.kestril-tmp-" + dead + "x"), false},
      {TemporaryOf(P("out/empty.bmp"), child), true},  // the batch's
      {TemporaryOf(P("out/tiny-v600.bmp"), child), true},
  };
  for (const Case& c : cases) std::ofstream(c.name) << "half";
  ASSERT_EQ(Run({P("empty.jww"), "-o", P("out/empty.png")}), 0) << err_;
  ASSERT_EQ(
      Run({P("empty.jww"), RealDrawingPath("tiny-v600.jws"), "-o", P("out/"), "--format", "bmp"}),
      0)
      << err_;
  for (const Case& c : cases) EXPECT_NE(fs::exists(c.name), c.removed) << c.name;
}

}  // namespace
}  // namespace kestril::cli
