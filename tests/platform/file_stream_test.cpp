// Streams over files and handles: buffered reads, a window that starts at an offset,
// handles read from their position and left open.
#include "platform/file_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "base/errors.h"

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

TEST_F(FileStreams, AWindowMakesTheOffsetPositionZero) {
  struct Case {
    int64_t offset, size;
  };
  for (const Case c : {Case{70000, 130000}, Case{199999, 1}, Case{200000, 0}, Case{1 << 30, 0}}) {
    auto s = OpenFileStream(path_, c.offset);
    EXPECT_EQ(s->Size(), c.size) << c.offset;
    EXPECT_EQ(s->Position(), 0);
    if (c.size > 0) {
      EXPECT_EQ(s->ReadU8(), c.offset % 251);
    }
    EXPECT_THROW(s->Skip(static_cast<size_t>(s->Remaining()) + 1), EReadError);
  }
  EXPECT_THROW(OpenFileStream(path_, -1), EReadError);
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
