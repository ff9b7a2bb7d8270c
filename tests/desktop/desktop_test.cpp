// The desktop parts as a user's desktop meets them: installed into a temporary prefix,
// file types as GIO reports them, the loader inside gdk-pixbuf and behind its
// thumbnailer, each drawing's thumbnail the same as `kestril thumbnail`'s, and the
// packages with the expected files.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "graphics/image/png_file.h"
#include "support/real_drawings.h"

namespace kestril::testing {
namespace {

namespace fs = std::filesystem;

bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

// A tool the test needs: a skip here, a failure under CI (setup installs them all).
#define REQUIRE_TOOL(path)                                                        \
  if (!fs::exists(path)) {                                                        \
    if (InCi()) FAIL() << (path) << " is missing (scripts/setup.sh installs it)"; \
    GTEST_SKIP() << (path) << " is missing (scripts/setup.sh installs it)";       \
  }

#define Quote_(literal) "'" literal "'"

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

// A command's exit status; a crash fails the test.
int Shell(const std::string& command, std::string* out = nullptr) {
  const std::string capture = (fs::temp_directory_path() / "kestril-desktop-out.txt").string();
  const int status = std::system((command + " >" + capture + " 2>&1").c_str());
  std::ifstream in(capture);
  std::stringstream text;
  text << in.rdbuf();
  if (out != nullptr) *out = text.str();
  EXPECT_TRUE(WIFEXITED(status)) << command << " did not exit by itself:\n" << text.str();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Compares a pixbuf with a PNG pixel by pixel; the first difference, or nothing.
std::string Difference(GdkPixbuf* pixbuf, const fs::path& png) {
  const RgbImage image = ReadPng(png.string());
  const int w = gdk_pixbuf_get_width(pixbuf);
  const int h = gdk_pixbuf_get_height(pixbuf);
  if (w != image.width || h != image.height) {
    return "sizes " + std::to_string(w) + "x" + std::to_string(h) + " and " +
           std::to_string(image.width) + "x" + std::to_string(image.height);
  }
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      const uint8_t* q = image.Pixel(x, y);
      if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2]) {
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + " differs";
      }
    }
  }
  return "";
}

GdkPixbuf* LoadPng(const fs::path& png) {
  GError* error = nullptr;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(png.c_str(), &error);
  if (error != nullptr) ADD_FAILURE() << png << ": " << error->message;
  g_clear_error(&error);
  return pixbuf;
}

class DesktopTest : public ::testing::Test {
 protected:
  // One installation for every test: the prefix, its MIME database, the loader cache,
  // and settings of our own so the user's cannot change the pictures.
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("kestril-desktop-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "config" / "kestril");
    fs::create_directories(dir_ / "home");
    std::ofstream(dir_ / "config" / "kestril" / "settings.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n"
        << "\"jwwWidth\"=dword:00000190\n";  // 400 x 300
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_ / "home").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (Prefix() / "share").string().append(":/usr/share").c_str(), 1);
    ::setenv("GDK_PIXBUF_MODULE_FILE", (dir_ / "loaders.cache").c_str(), 1);
    installed_ = Shell("cmake --install " Quote_(KESTRIL_BUILD_DIR) " --prefix " +
                       Quote(Prefix().string())) == 0;
    if (fs::exists(KESTRIL_UPDATE_MIME)) {
      Shell(Quote(KESTRIL_UPDATE_MIME) + " " + Quote((Prefix() / "share" / "mime").string()));
    }
    if (fs::exists(KESTRIL_QUERY_LOADERS)) {
      Shell("(" + Quote(KESTRIL_QUERY_LOADERS) + " " + Quote(KESTRIL_LOADER) + " >" +
            Quote((dir_ / "loaders.cache").string()) + ")");
    }
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  void SetUp() override { ASSERT_TRUE(installed_) << "cmake --install failed"; }

  static fs::path Prefix() { return dir_ / "prefix"; }
  static std::string Kestril() { return (Prefix() / "bin" / "kestril").string(); }
  // The first `fraction` of a real drawing's bytes.
  static fs::path Truncated(const std::string& name, double fraction) {
    std::vector<uint8_t> bytes = ReadBytes(RealDrawingPath(name));
    bytes.resize(static_cast<size_t>(bytes.size() * fraction));
    const fs::path out = dir_ / ("cut-" + name);
    WriteBytes(out, bytes);
    return out;
  }

  // The installed thumbnailer entry's command for one drawing, as a file manager runs it:
  // %s the size, %u the drawing's URI, %o the thumbnail file.
  static std::string EntryCommand(const fs::path& drawing, const fs::path& out, int size) {
    std::ifstream entry(Prefix() / "share" / "thumbnailers" / "kestril.thumbnailer");
    std::string line;
    while (std::getline(entry, line) && !line.starts_with("Exec=")) {
    }
    EXPECT_TRUE(line.starts_with("Exec=kestril ")) << line;
    std::string command = Quote(Kestril()) + line.substr(std::string("Exec=kestril").size());
    const std::pair<std::string, std::string> fields[] = {
        {"%s", std::to_string(size)},
        {"%u", Quote("file://" + drawing.string())},
        {"%o", Quote(out.string())}};
    for (const auto& [field, value] : fields) {
      const size_t at = command.find(field);
      EXPECT_NE(at, std::string::npos) << field << " missing from " << line;
      if (at != std::string::npos) command.replace(at, field.size(), value);
    }
    return command;
  }

  static inline fs::path dir_;
  static inline bool installed_ = false;
};

TEST_F(DesktopTest, FileTypesByNameAndByContent) {
  REQUIRE_TOOL(KESTRIL_GIO);
  REQUIRE_TOOL(KESTRIL_UPDATE_MIME);
  fs::copy_file(RealDrawingPath("site-plan-v700.jww"), dir_ / "drawing.bin");
  fs::copy_file(RealDrawingPath("tiny-v600.jws"), dir_ / "data.bin");
  const struct {
    fs::path file;
    const char* type;
  } cases[] = {
      {RealDrawingPath("site-plan-v700.jww"), "application/x-jww"},
      {RealDrawingPath("stairs-large-v700.jws"), "application/x-jws"},
      {dir_ / "drawing.bin", "application/x-jww"},
      {dir_ / "data.bin", "application/x-jws"},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(Shell(Quote(KESTRIL_GIO) + " info -a standard::content-type " + Quote(c.file), &out),
              0);
    EXPECT_NE(out.find(std::string("standard::content-type: ") + c.type), std::string::npos)
        << c.file << ":\n"
        << out;
  }
}

// gdk-pixbuf's own thumbnailer, through the loader, makes each drawing's thumbnail the
// same as our thumbnailer entry's command does; cut-short and foreign data give an error
// exit.
TEST_F(DesktopTest, ThumbnailerThroughTheLoaderMatchesTheCommand) {
  REQUIRE_TOOL(KESTRIL_PIXBUF_THUMBNAILER);
  REQUIRE_TOOL(KESTRIL_QUERY_LOADERS);
  for (const std::string& name : RealDrawings()) {
    const fs::path viaLoader = dir_ / (name + ".loader.png");
    const fs::path viaCommand = dir_ / (name + ".command.png");
    std::string out;
    ASSERT_EQ(Shell(Quote(KESTRIL_PIXBUF_THUMBNAILER) + " -s 128 " + Quote(RealDrawingPath(name)) +
                        " " + Quote(viaLoader),
                    &out),
              0)
        << name << ": " << out;
    ASSERT_EQ(Shell(EntryCommand(RealDrawingPath(name), viaCommand, 128), &out), 0)
        << name << ": " << out;
    GdkPixbuf* thumb = LoadPng(viaLoader);
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(std::max(gdk_pixbuf_get_width(thumb), gdk_pixbuf_get_height(thumb)), 128) << name;
    EXPECT_EQ(Difference(thumb, viaCommand), "") << name;
    g_object_unref(thumb);
  }
  fs::copy_file(RealDrawingPath("tiny-v600.jws"), dir_ / "junk.jww");
  std::vector<uint8_t> junk = ReadBytes(dir_ / "junk.jww");
  junk.assign(junk.size(), 'j');
  WriteBytes(dir_ / "junk.jww", junk);
  for (const fs::path& bad : {Truncated("site-plan-v700.jww", 0.6),
                              Truncated("stairs-large-v700.jws", 0.3), dir_ / "junk.jww"}) {
    std::string out;
    EXPECT_NE(Shell(Quote(KESTRIL_PIXBUF_THUMBNAILER) + " -s 128 " + Quote(bad) + " " +
                        Quote(dir_ / "bad.png"),
                    &out),
              0)
        << bad;
    EXPECT_EQ(
        Shell(Quote(Kestril()) + " thumbnail " + Quote(bad) + " " + Quote(dir_ / "bad.png"), &out),
        1)
        << bad;
    EXPECT_FALSE(fs::exists(dir_ / "bad.png")) << bad;
  }
}

// In process: a whole file (the loader's own load), at a size (incremental, the size
// chosen by the caller), the size alone, and data in pieces that the loader refuses
// with the right error.
TEST_F(DesktopTest, LoaderInsideGdkPixbuf) {
  REQUIRE_TOOL(KESTRIL_QUERY_LOADERS);
  const std::string drawing = RealDrawingPath("site-plan-v700.jww");
  const struct {
    int size;  // 0: the natural size, from the settings (400 x 300)
    int width, height;
  } sizes[] = {{0, 400, 300}, {128, 128, 96}, {57, 57, 43}};
  for (const auto& s : sizes) {
    GError* error = nullptr;
    GdkPixbuf* pixbuf =
        s.size == 0 ? gdk_pixbuf_new_from_file(drawing.c_str(), &error)
                    : gdk_pixbuf_new_from_file_at_size(drawing.c_str(), s.size, s.size, &error);
    ASSERT_NE(pixbuf, nullptr) << (error ? error->message : "");
    EXPECT_EQ(gdk_pixbuf_get_width(pixbuf), s.width);
    EXPECT_EQ(gdk_pixbuf_get_height(pixbuf), s.height);
    const fs::path png = dir_ / ("at-" + std::to_string(s.size) + ".png");
    const std::string size = std::to_string(s.size == 0 ? s.width : s.size);
    std::vector<std::string_view> args = {"-s", size, drawing, png.c_str()};
    ::testing::internal::CaptureStderr();
    const int status = cli::ThumbnailCommand(args);
    EXPECT_EQ(status, 0) << ::testing::internal::GetCapturedStderr();
    if (status == 0) ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Difference(pixbuf, png), "") << s.size;
    g_object_unref(pixbuf);
  }
  int w = 0, h = 0;
  const GdkPixbufFormat* format = gdk_pixbuf_get_file_info(drawing.c_str(), &w, &h);
  ASSERT_NE(format, nullptr);
  EXPECT_STREQ(gdk_pixbuf_format_get_name(const_cast<GdkPixbufFormat*>(format)), "kestril");
  EXPECT_EQ(w * 1000 + h, 400 * 1000 + 300);
  gdk_pixbuf_get_file_info(RealDrawingPath("tiny-v600.jws").c_str(), &w, &h);
  EXPECT_EQ(w * 1000 + h, 640 * 1000 + 480);

  std::vector<uint8_t> shortJww = {'J', 'w', 'w', 'D', 'a', 't', 'a', '.'};
  shortJww.resize(100, 0);
  const struct {
    std::vector<uint8_t> bytes;
    GdkPixbufError code;
  } bad[] = {
      {ReadBytes(Truncated("site-plan-v700.jww", 0.5)), GDK_PIXBUF_ERROR_CORRUPT_IMAGE},
      {std::vector<uint8_t>(5000, 'j'), GDK_PIXBUF_ERROR_UNKNOWN_TYPE},
      {shortJww, GDK_PIXBUF_ERROR_UNKNOWN_TYPE},
      {{}, GDK_PIXBUF_ERROR_UNKNOWN_TYPE},
  };
  for (const auto& b : bad) {
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("kestril", &error);
    ASSERT_NE(loader, nullptr) << (error ? error->message : "");
    bool ok = true;
    for (size_t at = 0; ok && at < b.bytes.size(); at += 777) {
      ok = gdk_pixbuf_loader_write(loader, b.bytes.data() + at,
                                   std::min<size_t>(777, b.bytes.size() - at), &error);
    }
    if (ok) ok = gdk_pixbuf_loader_close(loader, &error);
    EXPECT_FALSE(ok) << b.bytes.size() << " bytes";
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain, GDK_PIXBUF_ERROR);
    EXPECT_EQ(error->code, b.code) << error->message;
    g_clear_error(&error);
    g_object_unref(loader);
  }
}

TEST_F(DesktopTest, InstalledProgramAndPackages) {
  std::string out;
  EXPECT_EQ(Shell(Quote(Kestril()) + " --version", &out), 0);
  EXPECT_EQ(out, "kestril " KESTRIL_VERSION "\n");
  // The bundled sample is the installed one, not the source tree's.
  EXPECT_EQ(Shell("cd " + Quote(dir_) + " && " + Quote(Kestril()) + " render", &out), 0) << out;
  EXPECT_NE(out.find((Prefix() / "share/kestril/sample.jww").string()), std::string::npos) << out;

  ASSERT_EQ(
      Shell(Quote(KESTRIL_CPACK) + " --config " Quote_(KESTRIL_BUILD_DIR "/CPackConfig.cmake") +
                " -B " + Quote(dir_ / "deb"),
            &out),
      0)
      << out;
  const fs::path deb = dir_ / "deb" / ("kestril_" KESTRIL_VERSION "_amd64.deb");
  ASSERT_EQ(Shell("dpkg-deb -c " + Quote(deb), &out), 0) << out;
  for (const char* file :
       {"./usr/bin/kestril", "./usr/share/man/man1/kestril.1.gz",
        "./usr/share/thumbnailers/kestril.thumbnailer", "./usr/share/mime/packages/kestril.xml",
        "./usr/share/kestril/sample.jww",
        "./usr/lib/x86_64-linux-gnu/gdk-pixbuf-2.0/2.10.0/loaders/libpixbufloader-kestril.so"}) {
    EXPECT_NE(out.find(std::string(file) + "\n"), std::string::npos) << file << "\n" << out;
  }
  ASSERT_EQ(Shell("dpkg-deb -f " + Quote(deb) + " Depends", &out), 0);
  for (const char* dependency : {"shared-mime-info", "libgdk-pixbuf-2.0-0", "libcairo2"}) {
    EXPECT_NE(out.find(dependency), std::string::npos) << out;
  }

  const std::string zip = KESTRIL_WINDOWS_ZIP;
  if (zip.empty() || !fs::exists(zip)) {
    if (InCi()) FAIL() << "the Windows zip was not built (mingw-w64 missing)";
    GTEST_SKIP() << "the Windows plug-ins were not built (mingw-w64 missing)";
  }
  ASSERT_EQ(Shell("cmake -E tar tf " + Quote(zip), &out), 0) << out;
  for (const char* file : {"kestril.spi\n", "kestril.sph\n", "README.txt\n"}) {
    EXPECT_NE(out.find(file), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace kestril::testing
