#include "base/stream.h"

#include <gtest/gtest.h>

#include "base/errors.h"
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
