#include "document/stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "document/file_stream.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using testing::ByteWriter;

MemoryStream StreamOf(ByteWriter& w) {
  return MemoryStream(w.bytes());
}

TEST(Stream, ReadsLittleEndianPrimitives) {
  ByteWriter w;
  w.U16(0xBEEF);
  w.U32(0x12345678);
  w.F64(-2.5);
  MemoryStream s = StreamOf(w);
  EXPECT_EQ(s.ReadU16(), 0xBEEF);
  EXPECT_EQ(s.ReadU32(), 0x12345678u);
  EXPECT_EQ(s.ReadF64(), -2.5);
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(Stream, StringsHaveAShortAndALongLengthForm) {
  ByteWriter w;
  w.String("");
  w.String("abc");
  const std::string memo(300, 'm');
  w.String(memo);  // 255, then 300 as u16
  w.String("xy", /*longForm=*/true);
  MemoryStream s = StreamOf(w);
  EXPECT_EQ(s.ReadString(), "");
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(s.ReadString(), "abc");
  EXPECT_EQ(s.ReadString(), memo);
  EXPECT_EQ(s.ReadString(), "xy");
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(Stream, CountsHaveAShortAndALongForm) {
  ByteWriter w;
  w.Count(7);
  w.Count(0xFFFF);  // does not fit: 0xFFFF then u32
  w.Count(5, /*longForm=*/true);
  MemoryStream s = StreamOf(w);
  EXPECT_EQ(s.ReadCount(), 7u);
  EXPECT_EQ(s.ReadCount(), 0xFFFFu);
  EXPECT_EQ(s.ReadCount(), 5u);
}

TEST(Stream, ReadingPastTheEndRaisesAReadError) {
  ByteWriter w;
  w.U16(1);
  MemoryStream s = StreamOf(w);
  EXPECT_THROW(s.ReadU32(), EReadError);

  // A string whose length runs past the end fails before allocating anything.
  ByteWriter big;
  big.U8(255);
  big.U16(60000);
  big.Bytes("short");
  MemoryStream t = StreamOf(big);
  EXPECT_THROW(t.ReadString(), EReadError);

  MemoryStream u = StreamOf(w);
  EXPECT_THROW(u.Seek(-1), EReadError);
  u.Seek(100);  // past the end is allowed; reading there is not
  EXPECT_THROW(u.ReadU8(), EReadError);
}

TEST(Stream, ViewReadsInPlaceAndPartialReadsReportTheirLength) {
  const std::vector<uint8_t> bytes = {1, 2, 3};
  MemoryStream s = MemoryStream::View(bytes);
  uint8_t buf[8] = {};
  EXPECT_EQ(s.Read(buf, sizeof buf), 3u);
  EXPECT_EQ(buf[2], 3);
  EXPECT_EQ(s.Read(buf, sizeof buf), 0u);
}

}  // namespace
}  // namespace kestril

namespace kestril {
namespace {

class FileStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "kestril_stream_test.bin";
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 200000; ++i) std::fputc(i % 251, f);  // spans several buffer fills
    std::fclose(f);
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(FileStreams, ReadAcrossBufferBoundariesAndSeekBack) {
  auto s = OpenFileStream(path_);
  EXPECT_EQ(s->Size(), 200000);
  s->Seek(65534);
  EXPECT_EQ(s->ReadU32(), static_cast<uint32_t>((65534 % 251) | ((65535 % 251) << 8) |
                                                ((65536 % 251) << 16) | ((65537 % 251) << 24)));
  s->Seek(3);
  EXPECT_EQ(s->ReadU8(), 3);
  s->Seek(199999);
  EXPECT_THROW(s->ReadU16(), EReadError);
  EXPECT_THROW(OpenFileStream(path_ + ".missing"), EFOpenError);
}

TEST_F(FileStreams, AHandleIsReadFromItsPositionAndLeftOpen) {
  const int fd = ::open(path_.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::lseek(fd, 500, SEEK_SET), 500);
  {
    auto s = OpenHandleStream(fd);
    EXPECT_EQ(s->Position(), 500);
    EXPECT_EQ(s->ReadU8(), 500 % 251);
  }
  uint8_t b = 0;
  EXPECT_EQ(::read(fd, &b, 1), 1);  // still open after the stream is gone
  ::close(fd);

  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  EXPECT_THROW(OpenHandleStream(pipe_fds[0]), EReadError);  // not a file
  ::close(pipe_fds[0]);
  ::close(pipe_fds[1]);
}

}  // namespace
}  // namespace kestril
