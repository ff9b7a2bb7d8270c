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

// Unicode builds of Jw_cad mark a string with 255 and 0xFFFE and count it in UTF-16
// units, in each of the length forms; a file may mix them with byte strings.
TEST(Stream, UnicodeStringsInEveryLengthFormMixedWithByteStrings) {
  struct Case {
    size_t units;
    bool u32Length;
    size_t prefix;  // bytes before the units
  };
  const Case cases[] = {{0, false, 4},      {1, false, 4},      {254, false, 4},
                        {255, false, 6},    {65533, false, 6},  {65534, false, 10},
                        {65535, false, 10}, {70000, false, 10}, {3, true, 10}};
  ByteWriter w;
  for (const Case& c : cases) {
    std::u16string units(c.units, u'\u8868');  // 表
    if (c.units > 1) units[1] = u'A';
    w.UnicodeString(units, c.u32Length);
    w.String("sjis\x95\x5c");
  }
  // A u16 length of 0xFFFE after the mark is a length too, as MFC reads it.
  w.U8(255), w.U16(0xFFFE), w.U8(255), w.U16(0xFFFE);
  w.Zeros(2 * 0xFFFE);
  MemoryStream s = StreamOf(w);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units);
    const int64_t begin = s.Position();
    const JwString u = s.ReadString();
    EXPECT_EQ(u.encoding, TextEncoding::Utf16);
    ASSERT_EQ(u.bytes.size(), 2 * c.units);
    EXPECT_EQ(s.Position() - begin, static_cast<int64_t>(c.prefix + 2 * c.units));
    if (c.units > 1) {
      EXPECT_EQ(u.bytes.substr(0, 4), std::string("\x68\x88\x41\x00", 4));
    }
    EXPECT_EQ(s.ReadString(), "sjis\x95\x5c");
  }
  EXPECT_EQ(s.ReadString().bytes.size(), 2u * 0xFFFE);
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
  // So does a Unicode one: its length counts units of two bytes, and a 32-bit length
  // cannot ask for more than the data holds either.
  for (const uint32_t units : {3u, 0x7FFFFFFFu}) {
    ByteWriter u;
    u.U8(255), u.U16(0xFFFE), u.U8(255), u.U16(0xFFFF), u.U32(units);
    u.Bytes("\x41\x00\x42\x00\x43");  // five bytes: two and a half units
    MemoryStream us = StreamOf(u);
    EXPECT_THROW(us.ReadString(), EReadError) << units;
  }

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
