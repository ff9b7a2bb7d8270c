// The frame between the exports and a body: argument forms, the blocks handed over,
// and every failure of a body turned into the interface's codes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/errors.h"
#include "plugin/in_spi_body.h"

namespace kestril {
namespace {

// A body whose answers a test chooses.
class ScriptedBody final : public TInSPIBody {
 public:
  std::function<int32_t(Stream&, std::span<uint8_t>, TDIBSection&)> picture;
  std::function<int32_t(Stream&, PictureInfo&, std::string&)> info;
  void* parent = nullptr;
  int32_t function = -1;

  int32_t GetPicture(Stream& s, std::span<uint8_t> header, TDIBSection& dib) override {
    return picture(s, header, dib);
  }
  int32_t GetPictureInfo(Stream& s, PictureInfo& i, std::string& text) override {
    return info(s, i, text);
  }
  int32_t ConfigurationDlg(void* p, int32_t f) override {
    parent = p;
    function = f;
    return 77;
  }
};

const char kImage[] = "some bytes of an image";

int32_t CallPicture(TInSPIBody& body, LocalHandle& header, LocalHandle& pixels,
                    PictureMode mode = PictureMode::Picture) {
  return SpiGetPictureCommon(body, kImage, sizeof kImage, 1, &header, &pixels, nullptr, 0, mode);
}

TEST(ErrorCodeOf, MapsEachKindOfFailure) {
  auto code = [](auto error) { return ErrorCodeOf(std::make_exception_ptr(error)); };
  EXPECT_EQ(code(EOutOfResources("x")), 4);
  EXPECT_EQ(code(std::bad_alloc()), 4);
  EXPECT_EQ(code(EFOpenError("x")), 6);
  EXPECT_EQ(code(EReadError("x")), 6);
  EXPECT_EQ(code(Error("x")), 8);
  EXPECT_EQ(code(EConvertError("x")), 8);
  EXPECT_EQ(code(std::runtime_error("x")), 8);
  EXPECT_EQ(code(42), 8);
}

TEST(Frame, BaseBodyProvidesNothing) {
  TInSPIBody body;
  uint8_t record[kPictureInfoSize];
  EXPECT_EQ(SpiGetPictureInfo(body, kImage, sizeof kImage, 1, record), -1);
  LocalHandle header, pixels;
  EXPECT_EQ(CallPicture(body, header, pixels), -1);
  EXPECT_NE(header, nullptr);
  EXPECT_EQ(pixels, nullptr);
  LocalFreeBlock(header);
  EXPECT_EQ(CallPicture(body, header, pixels, PictureMode::Preview), -1);
  LocalFreeBlock(header);
  EXPECT_EQ(SpiIsSupported(body, "x", reinterpret_cast<uintptr_t>(std::string(2000, 'a').data())),
            0);
  EXPECT_EQ(SpiConfigurationDlg(body, nullptr, 0), 0);
  char buf[8];
  EXPECT_EQ(SpiGetPluginInfo(body, 1, buf, sizeof buf), 0);  // empty description
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(SpiGetPluginInfo(body, 2, buf, sizeof buf), 0);  // no formats
}

TEST(Frame, PluginInfoWalksEveryFormat) {
  TInSPIBody body;
  body.AddFormat("*.a", "A");
  body.AddFormat("*.b;*.c", "B and C");
  char buf[32];
  EXPECT_EQ(SpiGetPluginInfo(body, 4, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "*.b;*.c");
  EXPECT_EQ(SpiGetPluginInfo(body, 5, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "B and C");
  EXPECT_EQ(SpiGetPluginInfo(body, 6, buf, sizeof buf), 0);
}

TEST(Frame, SuccessHandsBothBlocksOver) {
  ScriptedBody body;
  LocalHandle allocated = nullptr;
  body.picture = [&](Stream& s, std::span<uint8_t> header, TDIBSection& dib) {
    EXPECT_EQ(header.size(), kHeaderBlockSize);
    EXPECT_EQ(header[0], 40);  // the size field is set before the body runs
    EXPECT_EQ(s.Size(), static_cast<int64_t>(sizeof kImage));
    BitmapInfoHeader h;
    h.width = 2;
    h.height = -3;  // top-down: three rows all the same
    h.WriteTo(header);
    dib.Allocate(h);
    allocated = dib.Handle();
    EXPECT_EQ(dib.Stride, 8);
    EXPECT_EQ(dib.Height, 3);
    return 0;
  };
  LocalHandle header, pixels;
  ASSERT_EQ(CallPicture(body, header, pixels), 0);
  EXPECT_EQ(pixels, allocated);
  EXPECT_EQ(LocalBlockSize(pixels), 24u);
  EXPECT_EQ(LocalBlockSize(header), kHeaderBlockSize);
  EXPECT_EQ(LocalBlockFlags(header), 0u);  // unlocked
  LocalFreeBlock(header);
  LocalFreeBlock(pixels);
}

TEST(Frame, BodysOwnFailureKeepsTheHeaderAndFreesThePixels) {
  ScriptedBody body;
  LocalHandle allocated = nullptr;
  body.picture = [&](Stream&, std::span<uint8_t>, TDIBSection& dib) {
    BitmapInfoHeader h;
    h.width = 4;
    h.height = 4;
    dib.Allocate(h);
    allocated = dib.Handle();
    return 5;
  };
  LocalHandle header, pixels;
  EXPECT_EQ(CallPicture(body, header, pixels), 5);
  EXPECT_NE(header, nullptr);
  EXPECT_EQ(pixels, nullptr);
  EXPECT_EQ(LocalBlockFlags(allocated), kLmemInvalidHandle);  // freed, not leaked
  LocalFreeBlock(header);
}

TEST(Frame, EscapingErrorsFreeBothBlocks) {
  struct Case {
    std::exception_ptr error;
    int32_t code;
  };
  for (const Case& c : {Case{std::make_exception_ptr(std::bad_alloc()), 4},
                        Case{std::make_exception_ptr(EReadError("cut")), 6},
                        Case{std::make_exception_ptr(std::logic_error("bug")), 8}}) {
    ScriptedBody body;
    LocalHandle allocated = nullptr;
    body.picture = [&](Stream&, std::span<uint8_t>, TDIBSection& dib) -> int32_t {
      BitmapInfoHeader h;
      h.width = 4;
      h.height = 4;
      dib.Allocate(h);
      dib.Lock();  // the error strikes while the block is locked
      allocated = dib.Handle();
      std::rethrow_exception(c.error);
    };
    LocalHandle header = &body, pixels = &body;
    EXPECT_EQ(CallPicture(body, header, pixels), c.code);
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(LocalBlockFlags(allocated), kLmemInvalidHandle);
  }
}

TEST(Frame, PixelBlockThatCannotBeDescribedIsRefused) {
  TDIBSection dib;
  BitmapInfoHeader h;
  h.width = -1;
  EXPECT_THROW(dib.Allocate(h), Error);
  h.width = 70000;  // 210000-byte rows
  h.height = 30000;
  EXPECT_THROW(dib.Allocate(h), EOutOfResources);  // 6.3 GB: more than 32 bits
  h.width = INT32_MAX;
  h.height = 1;
  EXPECT_THROW(dib.Allocate(h), EOutOfResources);  // the row alone overflows
  EXPECT_EQ(dib.Handle(), nullptr);
  h.width = 0;
  h.height = 0;
  dib.Allocate(h);
  EXPECT_NE(dib.Handle(), nullptr);
  EXPECT_NO_THROW(dib.Lock());
  EXPECT_EQ(dib.Bits, nullptr);
  dib.Unlock();
}

TEST(Frame, PictureInfoRecordIsWrittenByteByByte) {
  ScriptedBody body;
  body.info = [](Stream&, PictureInfo& i, std::string& text) {
    i.left = -2;
    i.top = 0x01020304;
    i.width = 800;
    i.height = 600;
    i.xDensity = 0xA1B2;
    i.yDensity = 3;
    i.colorDepth = 24;
    text = "Jws";
    return 0;
  };
  uint8_t record[kPictureInfoSize + 1];
  std::memset(record, 0xEE, sizeof record);
  ASSERT_EQ(SpiGetPictureInfo(body, kImage, sizeof kImage, 1, record), 0);
  const uint8_t want[22] = {0xFE, 0xFF, 0xFF, 0xFF, 4, 3,    2,    1, 0x20, 3,  0,
                            0,    0x58, 2,    0,    0, 0xB2, 0xA1, 3, 0,    24, 0};
  EXPECT_EQ(std::memcmp(record, want, sizeof want), 0);
  EXPECT_EQ(record[kPictureInfoSize], 0xEE);
  uintptr_t handle = 0;
  for (size_t i = 0; i < sizeof(void*); ++i) handle |= uintptr_t{record[22 + i]} << (8 * i);
  auto* text = reinterpret_cast<LocalHandle>(handle);
  EXPECT_EQ(LocalBlockSize(text), 4u);
  LocalLock lock(text);
  EXPECT_STREQ(reinterpret_cast<const char*>(lock.bytes()), "Jws");
  LocalFreeBlock(text);
}

TEST(Frame, BodysOwnInfoHandleIsKept) {
  ScriptedBody body;
  LocalHandle own = LocalAllocate(kLhnd, 2);
  body.info = [&](Stream&, PictureInfo& i, std::string& text) {
    i.info = own;
    text = "ignored";
    return 0;
  };
  uint8_t record[kPictureInfoSize];
  ASSERT_EQ(SpiGetPictureInfo(body, kImage, sizeof kImage, 1, record), 0);
  uintptr_t handle = 0;
  for (size_t i = 0; i < sizeof(void*); ++i) handle |= uintptr_t{record[22 + i]} << (8 * i);
  EXPECT_EQ(reinterpret_cast<LocalHandle>(handle), own);
  LocalFreeBlock(own);
}

TEST(Frame, PictureInfoErrorsAreMappedAndTheRecordStaysZero) {
  ScriptedBody body;
  body.info = [](Stream&, PictureInfo& i, std::string&) -> int32_t {
    i.width = 5;
    throw std::bad_alloc();
  };
  uint8_t record[kPictureInfoSize];
  std::memset(record, 0xEE, sizeof record);
  EXPECT_EQ(SpiGetPictureInfo(body, kImage, sizeof kImage, 1, record), 4);
  for (uint8_t b : record) EXPECT_EQ(b, 0);
}

TEST(Frame, IsSupportedAnswersOnlyZeroOrOne) {
  class Yes final : public TInSPIBody {
   public:
    bool IsSupported(Stream& s, std::string_view name) override {
      seenSize = s.Size();
      seenName = std::string(name);
      return true;
    }
    int64_t seenSize = 0;
    std::string seenName;
  } body;
  const std::string head(2000, 'x');
  EXPECT_EQ(SpiIsSupported(body, "a.jww", reinterpret_cast<uintptr_t>(head.data())), 1);
  EXPECT_EQ(body.seenSize, 2000);
  EXPECT_EQ(body.seenName, "a.jww");
  EXPECT_EQ(SpiIsSupported(body, nullptr, reinterpret_cast<uintptr_t>(head.data())), 1);
  EXPECT_EQ(body.seenName, "");
}

TEST(Frame, ConfigurationIsForwarded) {
  ScriptedBody body;
  int window;
  EXPECT_EQ(SpiConfigurationDlg(body, &window, 1), 77);
  EXPECT_EQ(body.parent, &window);
  EXPECT_EQ(body.function, 1);
}

TEST(Frame, ProgressReachesTheHostWithItsValue) {
  TInSPIBody body;
  body.Progress(1, 2);
  EXPECT_FALSE(body.Aborted);  // nobody to ask
  static std::vector<intptr_t> seen;
  body.ProgressCallback = [](int32_t done, int32_t total, intptr_t user) -> int32_t {
    seen.push_back(user);
    return done == total ? 1 : 0;
  };
  body.ProgressData = -12345;
  body.Progress(0, 10);
  EXPECT_FALSE(body.Aborted);
  body.Progress(10, 10);
  EXPECT_TRUE(body.Aborted);
  body.ProgressCallback = nullptr;
  body.Progress(10, 10);
  EXPECT_FALSE(body.Aborted);
  EXPECT_EQ(seen, (std::vector<intptr_t>{-12345, -12345}));
}

}  // namespace
}  // namespace kestril
