// The six exports as a host calls them: the native plug-in loaded with dlopen and
// driven through the same C functions Windows hosts call, its blocks read back with
// its own LocalLock and freed with its LocalFree.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <map>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin_host.h"
#include "support/real_drawings.h"

namespace kestril::testing {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWhite = 0xFFFFFF;

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { Load(); }
  // Loads the plug-in afresh, with these values under its key.
  void Load(const std::string& settings = {}) {
    plugin_.reset();
    if (!settings.empty()) WriteSettings(home_.path(), settings);
    plugin_ = std::make_unique<LoadedPlugin>(home_.path());
  }
  fs::path Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path file = files_ / name;
    WriteBytes(file, bytes);
    return file;
  }
  LoadedPlugin& P() { return *plugin_; }

  TempDir home_;
  TempDir files_;
  std::unique_ptr<LoadedPlugin> plugin_;
};

std::vector<uint8_t> Padded(std::vector<uint8_t> bytes, size_t size) {
  bytes.resize(size, 0);
  return bytes;
}

std::vector<uint8_t> Junk(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- GetPluginInfo -------------------------------------------------------------

TEST_F(PluginTest, PluginInfoNamesTheInterfaceAndTheFormat) {
  char buf[256];
  EXPECT_EQ(P().GetPluginInfo(0, buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "00IN");
  const int32_t n = P().GetPluginInfo(1, buf, sizeof buf);
  EXPECT_EQ(n, static_cast<int32_t>(std::strlen(buf)));
  EXPECT_EQ(std::string(buf).rfind("Jww/Jws to DIB filter Ver0.80", 0), 0u) << buf;
  EXPECT_EQ(P().GetPluginInfo(2, buf, sizeof buf), 11);
  EXPECT_STREQ(buf, "*.Jww;*.Jws");
  EXPECT_EQ(P().GetPluginInfo(3, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "Jww/Jws");
}

TEST_F(PluginTest, PluginInfoOutOfRangeLeavesTheBufferAlone) {
  for (int32_t number : {4, 5, 1000, -1, INT32_MIN}) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(P().GetPluginInfo(number, buf, sizeof buf), 0) << number;
    EXPECT_EQ(buf[0], 'x') << number;
  }
}

TEST_F(PluginTest, PluginInfoIsCutToTheBuffer) {
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(P().GetPluginInfo(2, buf, 5), 4);
  EXPECT_STREQ(buf, "*.Jw");
  EXPECT_EQ(buf[5], 'x');
  EXPECT_EQ(P().GetPluginInfo(0, buf, 1), 0);
  EXPECT_EQ(buf[0], '\0');
  // No room even for the terminator, or no buffer at all: nothing is written.
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(P().GetPluginInfo(0, buf, 0), 0);
  EXPECT_EQ(P().GetPluginInfo(0, buf, -5), 0);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(P().GetPluginInfo(0, nullptr, 10), 0);
}

// ---- IsSupported ---------------------------------------------------------------

TEST_F(PluginTest, IsSupportedReadsTheHostsFirst2000Bytes) {
  // Exactly 2000 bytes each: reading one more would trip the address sanitizer.
  for (const auto& bytes : {EmptyJww(0), JwsWithLine(), BareWithLine()}) {
    const std::vector<uint8_t> head = Padded(bytes, 2000);
    EXPECT_EQ(P().IsSupported("x.jww", reinterpret_cast<uintptr_t>(head.data())), 1);
  }
  const std::vector<uint8_t> junk = Junk(2000);
  EXPECT_EQ(P().IsSupported("x.jww", reinterpret_cast<uintptr_t>(junk.data())), 0);
  const std::vector<uint8_t> real = Padded(ReadBytes(RealDrawingPath("site-plan-v700.jww")), 2000);
  EXPECT_EQ(P().IsSupported(nullptr, reinterpret_cast<uintptr_t>(real.data())), 1);
}

TEST_F(PluginTest, IsSupportedReadsAHandleFromItsPositionAndLeavesIt) {
  const fs::path file = Put("embedded.bin", Concat(Junk(300), JwsWithLine()));
  const int fd = ::open(file.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(P().IsSupported("embedded.bin", static_cast<uintptr_t>(fd)), 0);  // junk at 0
  ASSERT_EQ(::lseek(fd, 300, SEEK_SET), 300);
  EXPECT_EQ(P().IsSupported("embedded.bin", static_cast<uintptr_t>(fd)), 1);
  EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 300);  // not moved
  EXPECT_NE(::fcntl(fd, F_GETFD), -1);       // not closed
  // Fewer than 157 bytes left after the position: not recognised.
  const off_t end = ::lseek(fd, 0, SEEK_END);
  ASSERT_EQ(::lseek(fd, end - 156, SEEK_SET), end - 156);
  EXPECT_EQ(P().IsSupported("embedded.bin", static_cast<uintptr_t>(fd)), 0);
  ::close(fd);
}

TEST_F(PluginTest, IsSupportedAnswersNoForHandlesThatAreNoFiles) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  EXPECT_EQ(P().IsSupported("p", static_cast<uintptr_t>(pipeEnds[0])), 0);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  const int dir = ::open(files_.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir, 0);
  EXPECT_EQ(P().IsSupported("d", static_cast<uintptr_t>(dir)), 0);
  ::close(dir);
  EXPECT_EQ(P().IsSupported("closed", 0xFFF0), 0);  // no such descriptor
}

// ---- GetPictureInfo ------------------------------------------------------------

TEST_F(PluginTest, PictureInfoReportsTheKindsSizeAndText) {
  const InfoRecord jww = InfoOfFile(P(), Put("a.jww", EmptyJww(0)));
  EXPECT_EQ(jww.result, 0);
  EXPECT_EQ(jww.left, 0);
  EXPECT_EQ(jww.top, 0);
  EXPECT_EQ(jww.width, 800);
  EXPECT_EQ(jww.height, 600);
  EXPECT_EQ(jww.xDensity, 0);
  EXPECT_EQ(jww.yDensity, 0);
  EXPECT_EQ(jww.colorDepth, 24);
  EXPECT_FALSE(jww.hasText);

  const InfoRecord jws = InfoOfFile(P(), Put("a.jws", JwsWithLine()));
  EXPECT_EQ(jws.result, 0);
  EXPECT_EQ(jws.width, 640);
  EXPECT_EQ(jws.height, 480);
  EXPECT_TRUE(jws.hasText);
  EXPECT_EQ(jws.text, "Jws");
  EXPECT_EQ(jws.textBlockSize, 4u);

  const InfoRecord bare = InfoOfFile(P(), Put("a.bin", BareWithLine()));
  EXPECT_EQ(bare.result, 0);
  EXPECT_EQ(bare.width, 640);
  EXPECT_EQ(bare.text, "Jwz");
}

TEST_F(PluginTest, SignaturesAreTriedInOrder) {
  // "JwwData." at 0 wins over "CData" at 152; "CData" alone needs no signature.
  std::vector<uint8_t> both = Padded(EmptyJww(0), 400);
  std::memcpy(both.data() + 152, "CData", 5);
  const InfoRecord a = Info(P(), reinterpret_cast<const char*>(both.data()), 400, 1);
  EXPECT_EQ(a.width, 800);
  EXPECT_FALSE(a.hasText);
  std::vector<uint8_t> bare = Junk(400);
  std::memcpy(bare.data() + 152, "CData", 5);
  const InfoRecord b = Info(P(), reinterpret_cast<const char*>(bare.data()), 400, 1);
  EXPECT_EQ(b.result, 0);
  EXPECT_EQ(b.width, 640);
  EXPECT_EQ(b.text, "Jwz");
}

TEST_F(PluginTest, PictureInfoRecognisesAtTheHostsOffset) {
  const fs::path file = Put("embedded.bin", Concat(Junk(300), JwsWithLine()));
  EXPECT_EQ(InfoOfFile(P(), file, 0).result, 2);
  const InfoRecord r = InfoOfFile(P(), file, 300);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.text, "Jws");
  EXPECT_EQ(InfoOfFile(P(), file, 1 << 20).result, 2);  // past the end: nothing there
  EXPECT_EQ(InfoOfFile(P(), file, -1).result, 6);
}

TEST_F(PluginTest, PictureInfoFailuresLeaveAZeroRecord) {
  std::vector<uint8_t> shortJww(156, 0);
  std::memcpy(shortJww.data(), "JwwData.", 8);
  const InfoRecord r = InfoOfFile(P(), Put("short.jww", shortJww));
  EXPECT_EQ(r.result, 2);
  EXPECT_EQ(r.width, 0);
  EXPECT_EQ(r.colorDepth, 0);
  EXPECT_FALSE(r.hasText);
  EXPECT_EQ(InfoOfFile(P(), files_ / "missing.jww").result, 6);
  EXPECT_EQ(Info(P(), nullptr, 0, 0).result, 6);  // no file name
  EXPECT_EQ(P().GetPictureInfo(RealDrawingPath("tiny-v600.jws").c_str(), 0, 0, nullptr), 8);
}

TEST_F(PluginTest, PictureInfoTakesMemoryByAnyOfTheLowFlags) {
  const std::vector<uint8_t> jws = JwsWithLine();
  const char* image = reinterpret_cast<const char*>(jws.data());
  for (uint32_t flags : {1u, 2u, 4u, 7u, 0x101u}) {
    const InfoRecord r = Info(P(), image, static_cast<intptr_t>(jws.size()), flags);
    EXPECT_EQ(r.result, 0) << flags;
    EXPECT_EQ(r.text, "Jws") << flags;
  }
  // flags & 7 == 0: the buffer is a file name.
  const std::string name = Put("by-name.jws", jws).string();
  EXPECT_EQ(Info(P(), name.c_str(), 0, 8).result, 0);
}

TEST_F(PluginTest, PictureInfoOfOddMemoryImagesAnswersACode) {
  const std::vector<uint8_t> jws = JwsWithLine();
  const char* image = reinterpret_cast<const char*>(jws.data());
  EXPECT_EQ(Info(P(), image, 0, 1).result, 2);  // zero length, even with data behind it
  EXPECT_EQ(Info(P(), image, 156, 1).result, 2);
  EXPECT_EQ(Info(P(), nullptr, 0, 1).result, 2);
  EXPECT_EQ(Info(P(), nullptr, 100, 1).result, 8);
  EXPECT_EQ(Info(P(), image, -1, 1).result, 8);
}

// ---- GetPicture and GetPreview -------------------------------------------------

TEST_F(PluginTest, PictureIsDeliveredInBmpLayout) {
  const Delivered d = FetchFile(P(), Request::Picture, Put("empty.jww", EmptyJww(0x336699)));
  ASSERT_EQ(d.result, 0);
  ASSERT_TRUE(d.headerHandle);
  ASSERT_TRUE(d.pixelHandle);
  EXPECT_EQ(d.headerBlockSize, 1064u);
  EXPECT_EQ(d.header.size, 40u);
  EXPECT_EQ(d.header.width, 800);
  EXPECT_EQ(d.header.height, 600);
  EXPECT_EQ(d.header.planes, 1);
  EXPECT_EQ(d.header.bitCount, 24);
  EXPECT_EQ(d.header.compression, 0u);
  EXPECT_EQ(d.header.sizeImage, 2400u * 600);
  EXPECT_EQ(d.header.xPelsPerMeter, 0);
  EXPECT_EQ(d.header.yPelsPerMeter, 0);
  EXPECT_EQ(d.header.clrUsed, 0u);
  EXPECT_EQ(d.header.clrImportant, 0u);
  for (size_t i = 40; i < d.headerBlock.size(); ++i) ASSERT_EQ(d.headerBlock[i], 0) << i;
  EXPECT_EQ(d.pixelBlockSize, 2400u * 600);
  // Both blocks reach the host unlocked.
  EXPECT_EQ(d.headerFlags, 0u);
  EXPECT_EQ(d.pixelFlags, 0u);
  // Background from (1, 1) on; row 0 and column 0 keep the picture's white.
  for (int32_t y = 0; y < 600; ++y) {
    for (int32_t x = 0; x < 800; ++x) {
      const uint32_t want = (x == 0 || y == 0) ? kWhite : 0x336699;
      ASSERT_EQ(d.At(x, y), want) << x << "," << y;
    }
  }
}

TEST_F(PluginTest, TinyPictureShowsStrideAndRowOrder) {
  Load("\"jwwWidth\"=dword:00000003\n");
  const Delivered d = FetchFile(P(), Request::Picture, Put("empty.jww", EmptyJww(0x112233)));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.header.width, 3);
  EXPECT_EQ(d.header.height, 2);  // 2.25 rounded
  EXPECT_EQ(d.header.sizeImage, 24u);
  const std::vector<uint8_t> want = {
      // bottom row first: white, then the background in blue, green, red; padding
      0xFF, 0xFF, 0xFF, 0x11, 0x22, 0x33, 0x11, 0x22, 0x33, 0, 0, 0,
      // top row: white
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0};
  EXPECT_EQ(d.pixels, want);
}

TEST_F(PluginTest, PictureAndPreviewSizesFollowTheKind) {
  const fs::path jww = Put("a.jww", EmptyJww(0));
  const fs::path jws = Put("a.jws", JwsWithLine());
  const fs::path bare = Put("a.bin", BareWithLine());
  struct Case {
    fs::path file;
    Request request;
    int32_t width, height;
  };
  for (const Case& c :
       {Case{jww, Request::Picture, 800, 600}, Case{jws, Request::Picture, 640, 480},
        Case{bare, Request::Picture, 640, 480}, Case{jww, Request::Preview, 160, 120},
        Case{jws, Request::Preview, 160, 120}}) {
    const Delivered d = FetchFile(P(), c.request, c.file);
    EXPECT_EQ(d.result, 0) << c.file;
    EXPECT_EQ(d.header.width, c.width) << c.file;
    EXPECT_EQ(d.header.height, c.height) << c.file;
    EXPECT_EQ(d.pixelBlockSize, static_cast<size_t>(BmpStride(c.width) * c.height)) << c.file;
  }
}

TEST_F(PluginTest, MemoryImageGivesTheSamePictureAsTheFile) {
  const std::vector<uint8_t> bytes = EmptyJww(0x0080FF);
  const Delivered fromFile = FetchFile(P(), Request::Preview, Put("a.jww", bytes));
  const Delivered fromMemory = FetchMemory(P(), Request::Preview, bytes);
  ASSERT_EQ(fromMemory.result, 0);
  EXPECT_EQ(fromMemory.headerBlock, fromFile.headerBlock);
  EXPECT_EQ(fromMemory.pixels, fromFile.pixels);
}

TEST_F(PluginTest, PictureIsReadFromTheHostsOffset) {
  // The data starts at the host's offset for the picture as for the picture info,
  // so both describe the same data.
  const fs::path file = Put("embedded.bin", Concat(Junk(300), EmptyJww(0x445566)));
  const Delivered d = FetchFile(P(), Request::Picture, file, 300);
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.header.width, 800);
  EXPECT_EQ(d.At(400, 300), 0x445566u);
  EXPECT_EQ(FetchFile(P(), Request::Preview, file, 300).result, 0);
  EXPECT_EQ(FetchFile(P(), Request::Picture, file, 0).result, 2);
}

TEST_F(PluginTest, UnrecognisedDataKeepsTheHeaderBlockOnly) {
  const Delivered d = FetchFile(P(), Request::Picture, Put("junk.jww", Junk(5000)));
  EXPECT_EQ(d.result, 2);
  ASSERT_TRUE(d.headerHandle);
  EXPECT_FALSE(d.pixelHandle);
  EXPECT_EQ(d.header.size, 40u);
  EXPECT_EQ(d.header.width, 0);
  EXPECT_EQ(d.headerFlags, 0u);  // unlocked
  const Delivered empty = Fetch(P(), Request::Preview, "", 0, 1);
  EXPECT_EQ(empty.result, 2);
  EXPECT_TRUE(empty.headerHandle);
}

TEST_F(PluginTest, DrawingCutShortAnswers8UnlessItsObjectsCanBeRead) {
  const std::vector<uint8_t> whole = ReadBytes(RealDrawingPath("site-plan-v700.jww"));
  // Cut inside the header: recognised, but not read.
  const Delivered header =
      FetchMemory(P(), Request::Picture, {whole.begin(), whole.begin() + 3000});
  EXPECT_EQ(header.result, 8);
  EXPECT_TRUE(header.headerHandle);
  EXPECT_FALSE(header.pixelHandle);
  const std::vector<uint8_t> jws = ReadBytes(RealDrawingPath("tiny-v600.jws"));
  EXPECT_EQ(FetchMemory(P(), Request::Preview, {jws.begin(), jws.begin() + 300}).result, 8);
  // Cut inside the archive: the objects before the cut make the picture.
  const Delivered half =
      FetchMemory(P(), Request::Picture, {whole.begin(), whole.begin() + whole.size() / 2});
  EXPECT_EQ(half.result, 0);
  EXPECT_TRUE(half.pixelHandle);
}

TEST_F(PluginTest, MissingFileFreesBothBlocks) {
  const Delivered d = FetchFile(P(), Request::Picture, files_ / "missing.jww");
  EXPECT_EQ(d.result, 6);
  EXPECT_FALSE(d.headerHandle);
  EXPECT_FALSE(d.pixelHandle);
  const Delivered dir = FetchFile(P(), Request::Preview, files_.path());
  EXPECT_EQ(dir.result, 6);
  EXPECT_FALSE(dir.headerHandle);
}

TEST_F(PluginTest, MissingHandlePointersAnswer8) {
  const std::string name = Put("a.jww", EmptyJww(0)).string();
  void* h = nullptr;
  EXPECT_EQ(P().GetPicture(name.c_str(), 0, 0, nullptr, &h, nullptr, 0), 8);
  EXPECT_EQ(P().GetPreview(name.c_str(), 0, 0, &h, nullptr, nullptr, 0), 8);
  EXPECT_EQ(h, nullptr);
}

struct ProgressLog {
  std::vector<std::pair<int32_t, int32_t>> calls;
  std::vector<intptr_t> userData;
  int abortOnCall = -1;  // index of the call that answers nonzero
};

int32_t KESTRIL_SPI_CALL Progress(int32_t done, int32_t total, intptr_t userData) {
  auto* log = reinterpret_cast<ProgressLog*>(userData);
  log->calls.emplace_back(done, total);
  log->userData.push_back(userData);
  return static_cast<int>(log->calls.size()) - 1 == log->abortOnCall ? 1 : 0;
}

TEST_F(PluginTest, ProgressIsReportedAtStartAndEnd) {
  const fs::path file = Put("a.jww", EmptyJww(0));
  ProgressLog log;
  const auto user = reinterpret_cast<intptr_t>(&log);
  ASSERT_EQ(Fetch(P(), Request::Picture, file.c_str(), 0, 0, Progress, user).result, 0);
  EXPECT_EQ(log.calls, (std::vector<std::pair<int32_t, int32_t>>{{0, 110}, {110, 110}}));
  EXPECT_EQ(log.userData, (std::vector<intptr_t>{user, user}));
  log.calls.clear();
  ASSERT_EQ(Fetch(P(), Request::Preview, file.c_str(), 0, 0, Progress, user).result, 0);
  EXPECT_EQ(log.calls, (std::vector<std::pair<int32_t, int32_t>>{{0, 120}, {120, 120}}));
}

TEST_F(PluginTest, AbortAtTheStartReadsNothing) {
  ProgressLog log;
  log.abortOnCall = 0;
  // Unreadable data: had it been read, the answer would be 2.
  const fs::path junk = Put("junk.jww", Junk(500));
  const Delivered d =
      Fetch(P(), Request::Picture, junk.c_str(), 0, 0, Progress, reinterpret_cast<intptr_t>(&log));
  EXPECT_EQ(d.result, 1);
  EXPECT_EQ(log.calls.size(), 1u);
  EXPECT_TRUE(d.headerHandle);
  EXPECT_FALSE(d.pixelHandle);
}

TEST_F(PluginTest, AbortAtTheEndComesTooLate) {
  ProgressLog log;
  log.abortOnCall = 1;
  const fs::path file = Put("a.jww", EmptyJww(0));
  const Delivered d =
      Fetch(P(), Request::Preview, file.c_str(), 0, 0, Progress, reinterpret_cast<intptr_t>(&log));
  EXPECT_EQ(d.result, 0);
  EXPECT_TRUE(d.pixelHandle);
}

// Thumbnail workers ask for pictures from several threads at once: each gets the picture
// it would have got alone.
TEST_F(PluginTest, TwoThreadsAtOnceEachGetTheirOwnPicture) {
  const fs::path drawings[2] = {RealDrawingPath("site-plan-v700.jww"),
                                RealDrawingPath("stairs-large-v700.jws")};
  Delivered alone[2];
  for (int i = 0; i < 2; ++i) alone[i] = FetchFile(P(), Request::Picture, drawings[i]);
  constexpr int kRounds = 6;
  std::vector<Delivered> got[2];
  std::thread threads[2];
  for (int i = 0; i < 2; ++i) {
    threads[i] = std::thread([&, i] {
      for (int r = 0; r < kRounds; ++r) {
        got[i].push_back(FetchFile(P(), r % 2 ? Request::Preview : Request::Picture, drawings[i]));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(alone[i].result, 0);
    for (int r = 0; r < kRounds; r += 2) {
      EXPECT_EQ(got[i][r].result, 0);
      EXPECT_TRUE(got[i][r].pixels == alone[i].pixels) << drawings[i] << " round " << r;
    }
  }
}

// A host window that asks for another picture while one is being drawn (the drawing
// lets the thread's messages through) is refused instead of pulling the document away
// under the drawing.
struct Reentry {
  LoadedPlugin* plugin;
  std::string file;
  int32_t inner = -1;
};

int32_t KESTRIL_SPI_CALL CallBackIn(int32_t done, int32_t, intptr_t userData) {
  auto* r = reinterpret_cast<Reentry*>(userData);
  if (done == 0) r->inner = FetchFile(*r->plugin, Request::Picture, r->file).result;
  return 0;
}

TEST_F(PluginTest, APictureAskedForWhileOneIsDrawnIsRefused) {
  Reentry r{&P(), Put("b.jws", JwsWithLine()).string()};
  const fs::path file = Put("a.jww", EmptyJww(0));
  const Delivered outer =
      Fetch(P(), Request::Picture, file.c_str(), 0, 0, CallBackIn, reinterpret_cast<intptr_t>(&r));
  EXPECT_EQ(r.inner, 8);
  EXPECT_EQ(outer.result, 0);
  EXPECT_EQ(InfoOfFile(P(), file).width, 800);  // other calls go on as before
}

TEST_F(PluginTest, PictureInfoAndPictureAgreeAfterEachOther) {
  const fs::path jww = Put("a.jww", EmptyJww(0));
  const fs::path jws = Put("a.jws", JwsWithLine());
  EXPECT_EQ(InfoOfFile(P(), jws).width, 640);
  EXPECT_EQ(FetchFile(P(), Request::Picture, jww).header.width, 800);
  EXPECT_EQ(InfoOfFile(P(), jww).width, 800);
  EXPECT_EQ(FetchFile(P(), Request::Picture, jws).header.width, 640);
}

TEST_F(PluginTest, ConfigurationLeavesTheSettingsAlone) {
  Load("\"jwwWidth\"=dword:00000064\n");
  EXPECT_EQ(P().ConfigurationDlg(nullptr, 0), 0);
  EXPECT_EQ(P().ConfigurationDlg(reinterpret_cast<void*>(uintptr_t{0x1234}), 1), 0);
  EXPECT_EQ(InfoOfFile(P(), Put("a.jww", EmptyJww(0))).width, 100);
}

// ---- Sizes from the settings: zero, negative, huge ------------------------------

TEST_F(PluginTest, ZeroSizedPictureIsDeliveredEmpty) {
  Load("\"jwwWidth\"=dword:00000000\n\"PreviewHeight\"=dword:00000000\n");
  const fs::path file = Put("a.jww", EmptyJww(0));
  for (Request r : {Request::Picture, Request::Preview}) {
    const Delivered d = FetchFile(P(), r, file);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.header.size, 40u);
    EXPECT_EQ(d.header.width, 0);
    EXPECT_EQ(d.header.height, 0);
    EXPECT_EQ(d.header.sizeImage, 0u);
    // A block of no bytes, as LocalAlloc gives one: a handle that locks to nothing.
    EXPECT_TRUE(d.pixelHandle);
    EXPECT_EQ(d.pixelBlockSize, 0u);
    EXPECT_EQ(d.pixelFlags, 0x4000u);
  }
}

TEST_F(PluginTest, NegativeSizeAnswers8WithoutBlocks) {
  Load("\"jwwWidth\"=dword:fffffce0\n\"PreviewHeight\"=dword:ffffffff\n");  // -800, -1
  const fs::path file = Put("a.jww", EmptyJww(0));
  for (Request r : {Request::Picture, Request::Preview}) {
    const Delivered d = FetchFile(P(), r, file);
    EXPECT_EQ(d.result, 8);
    EXPECT_FALSE(d.headerHandle);
    EXPECT_FALSE(d.pixelHandle);
  }
}

TEST_F(PluginTest, PictureTooLargeToDeliverAnswers4WithoutBlocks) {
  // 100000 x 75000 pixels need 22.5 GB; the largest preview height overflows the width.
  Load("\"jwwWidth\"=dword:000186a0\n\"PreviewHeight\"=dword:7fffffff\n");
  const fs::path file = Put("a.jww", EmptyJww(0));
  for (Request r : {Request::Picture, Request::Preview}) {
    const Delivered d = FetchFile(P(), r, file);
    EXPECT_EQ(d.result, 4);
    EXPECT_FALSE(d.headerHandle);
    EXPECT_FALSE(d.pixelHandle);
  }
}

// ---- Real drawings made with Jw_cad ----------------------------------------------

class RealDrawingPicture : public PluginTest, public ::testing::WithParamInterface<std::string> {};

// Pixels in another colour than the background, which is the most common colour.
size_t Inked(const Delivered& d) {
  std::map<uint32_t, size_t> colours;
  for (int32_t y = 1; y < d.header.height; ++y) {
    for (int32_t x = 1; x < d.header.width; ++x) ++colours[d.At(x, y)];
  }
  size_t total = 0, background = 0;
  for (const auto& [colour, n] : colours) {
    total += n;
    background = std::max(background, n);
  }
  return total - background;
}

TEST_P(RealDrawingPicture, RendersAtTheKindsSizeAndShowsTheDrawing) {
  const bool jww = GetParam().ends_with(".jww");
  const Delivered d = FetchFile(P(), Request::Picture, RealDrawingPath(GetParam()));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.header.width, jww ? 800 : 640);
  EXPECT_EQ(d.header.height, jww ? 600 : 480);
  EXPECT_EQ(d.pixelBlockSize, d.header.sizeImage);
  EXPECT_GT(Inked(d), 200u);
  const Delivered preview = FetchFile(P(), Request::Preview, RealDrawingPath(GetParam()));
  ASSERT_EQ(preview.result, 0);
  EXPECT_EQ(preview.header.width, 160);
  EXPECT_GT(Inked(preview), 20u);
}

INSTANTIATE_TEST_SUITE_P(All, RealDrawingPicture, ::testing::ValuesIn(RealDrawings()),
                         NameOfDrawing);

}  // namespace
}  // namespace kestril::testing
