// Header layouts of the three kinds of data, and every version gate of the JWW header.
#include <gtest/gtest.h>

#include "document/reader_steps.h"
#include "document/standard_tables.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using testing::JwwHeaderBytes;
using testing::TestHeader;

struct HeaderRead {
  bool ok;
  int64_t archiveStart;
  size_t size;
};

HeaderRead ReadJww(Document& doc, const TJwwHeader& h, uint32_t count = 0, bool longCount = false) {
  const std::vector<uint8_t> bytes = JwwHeaderBytes(h, count, longCount);
  MemoryStream s = MemoryStream::View(bytes);
  ReadState state;
  const bool ok = ReadJwwHeader(doc, s, state);
  return {ok, state.archiveStart, bytes.size()};
}

size_t HeaderSize(uint32_t version) {
  Document doc;
  const HeaderRead r = ReadJww(doc, TestHeader(version));
  EXPECT_TRUE(r.ok) << "version " << version;
  EXPECT_EQ(r.archiveStart, static_cast<int64_t>(r.size)) << "version " << version;
  return r.size;
}

TEST(JwwHeader, AVersion700HeaderWithEmptyTextsTakes14097Bytes) {
  // Worked out by hand from the field table: signature, version, memo, 16 groups of
  // 148 bytes, ..., the SXF tables (9758 bytes) and the two-byte object count.
  EXPECT_EQ(HeaderSize(700), 14097u);
}

TEST(JwwHeader, EachVersionGateAddsItsFields) {
  EXPECT_EQ(HeaderSize(65) - HeaderSize(64), 60u);      // settings A, C and D
  EXPECT_EQ(HeaderSize(200) - HeaderSize(199), 264u);   // rows 15, 17, 18 (4 entries), 19
  EXPECT_EQ(HeaderSize(201) - HeaderSize(200), 532u);   // pen and line-type tables
  EXPECT_EQ(HeaderSize(202) - HeaderSize(201), 12u);    // text macro factor and a flag
  EXPECT_EQ(HeaderSize(212) - HeaderSize(211), 1172u);  // protect fields and Reserved1
  EXPECT_EQ(HeaderSize(214) - HeaderSize(213), 52u);    // text options
  EXPECT_EQ(HeaderSize(217) - HeaderSize(216), 44u);    // draw flags
  EXPECT_EQ(HeaderSize(223) - HeaderSize(222), 60u);
  EXPECT_EQ(HeaderSize(225) - HeaderSize(224), 32u);
  EXPECT_EQ(HeaderSize(230) - HeaderSize(229), 8u);
  EXPECT_EQ(HeaderSize(300) - HeaderSize(299), 200u);   // row 16 and the 10-entry row 18
  EXPECT_EQ(HeaderSize(420) - HeaderSize(419), 9758u);  // SXF pens and line types
}

TEST(JwwHeader, FieldsLandWhereTheyBelong) {
  TJwwHeader h = TestHeader(700);
  h.Memo = std::string(300, 'M');  // long string form
  h.LayerState[3][4] = 0;
  h.GroupState[15] = 1;
  h.GroupScale[2] = 50;
  h.TextMacroFactor = 1.5;
  h.PenColor[5] = 0xAB123456;  // only the low 24 bits are kept
  h.PenWidth[5] = 7;
  h.PrintDotRadius[9] = 0.75;
  h.LinePattern[3] = 0xF0F0F0F0;
  h.LinePitch[17] = 3;
  h.RandomWidth[12] = 9;
  h.DrawFlags = {1, 0, 2, 1, 0, 0, 0, 0, 0, 0, 0};
  h.ExtraFlags[0] = 125;
  h.PenColor[356] = 0x01FF00FF;
  h.LinePattern[62] = 0x0000FFFF;
  h.SxfColorName[16] = "darkgray";
  h.CheckValue = 2.5;
  h.TextOptionMode = 1;
  h.TextOptionA[0] = 0.25;
  h.TextOptionB[0] = -0.5;

  Document doc;
  ASSERT_TRUE(ReadJww(doc, h, 70000, /*longCount=*/true).ok);
  const TJwwHeader& r = doc.Header;
  EXPECT_EQ(r.Version, 700u);
  EXPECT_EQ(r.Memo, h.Memo);
  EXPECT_EQ(r.LayerState[3][4], 0u);
  EXPECT_EQ(r.LayerState[3][5], 2u);
  EXPECT_EQ(r.GroupState[15], 1u);
  EXPECT_EQ(r.GroupScale[2], 50);
  EXPECT_EQ(r.TextMacroFactor, 1.5);
  EXPECT_EQ(r.PenColor[5], 0x123456u);
  EXPECT_EQ(r.PenWidth[5], 7u);
  EXPECT_EQ(r.PrintDotRadius[9], 0.75);
  EXPECT_EQ(r.LinePattern[3], 0xF0F0F0F0u);
  EXPECT_EQ(r.LinePitch[17], 3u);
  EXPECT_EQ(r.RandomWidth[12], 9u);
  EXPECT_EQ(r.DrawFlags[2], 2u);
  EXPECT_EQ(r.DrawFlags[3], 1u);
  EXPECT_EQ(r.ExtraFlags[0], 125u);
  EXPECT_EQ(r.PenColor[356], 0xFF00FFu);
  EXPECT_EQ(r.LinePattern[62], 0x0000FFFFu);
  EXPECT_EQ(r.SxfColorName[16], "darkgray");
  EXPECT_EQ(r.CheckValue, 2.5);
  EXPECT_EQ(r.TextOptionMode, 1u);
  EXPECT_EQ(r.TextOptionA[0], 0.25);
  EXPECT_EQ(r.TextOptionB[0], -0.5);
  EXPECT_EQ(doc.ObjectCount, 70000u);
  EXPECT_TRUE(r.CarriesPens);
  EXPECT_TRUE(r.CarriesSxfTables);
}

TEST(JwwHeader, TablesTheHeaderDoesNotCarryAreTheStandardOnes) {
  TJwwHeader h = TestHeader(300);  // pens 0..9 but no SXF tables
  h.PenColor[100] = 0x123;         // not written below version 420
  h.PenColor[3] = 0x00FF00;
  Document doc;
  ASSERT_TRUE(ReadJww(doc, h).ok);
  EXPECT_EQ(doc.Header.PenColor[3], 0x00FF00u);
  EXPECT_EQ(doc.Header.PenColor[116], kStandardTables.PenColor[116]);
  EXPECT_EQ(doc.Header.LinePattern[47], kStandardTables.LinePattern[47]);
  EXPECT_TRUE(doc.Header.CarriesPens);
  EXPECT_FALSE(doc.Header.CarriesSxfTables);

  Document old;
  ASSERT_TRUE(ReadJww(old, TestHeader(200)).ok);
  EXPECT_FALSE(old.Header.CarriesPens);
  EXPECT_EQ(old.Header.DrawFlags[3], 0u);
}

TEST(JwwHeader, RejectsBadSignatureCheckValueAndShortData) {
  for (double check : {0.0, 1e8, 5e-8}) {
    TJwwHeader h = TestHeader();
    h.CheckValue = check;
    Document doc;
    EXPECT_FALSE(ReadJww(doc, h).ok) << check;
  }
  for (double check : {1e-7, 1e7}) {
    TJwwHeader h = TestHeader();
    h.CheckValue = check;
    Document doc;
    EXPECT_TRUE(ReadJww(doc, h).ok) << check;
  }
  TJwwHeader wrong = TestHeader();
  wrong.Signature = "JwwDatX.";
  Document doc;
  EXPECT_FALSE(ReadJww(doc, wrong).ok);

  std::vector<uint8_t> bytes = JwwHeaderBytes(TestHeader(), 0);
  bytes.resize(bytes.size() - 1);
  MemoryStream s = MemoryStream::View(bytes);
  ReadState state;
  EXPECT_FALSE(ReadJwwHeader(doc, s, state));
}

TEST(JwsHeader, HasFixedOffsetsAndAShortOrLongCount) {
  std::vector<uint8_t> bytes = testing::JwsHeaderBytes(600, 6);
  ASSERT_EQ(bytes.size(), 454u);
  // Group scale 5 at offset 220 + 5 * 8.
  bytes[220 + 5 * 8 + 7] = 0x40;  // 1.0 (0x3FF0...) becomes 2.0 (0x4000...)
  bytes[220 + 5 * 8 + 6] = 0x00;
  Document doc;
  ReadState state;
  MemoryStream s = MemoryStream::View(bytes);
  ASSERT_TRUE(ReadJwsHeader(doc, s, state));
  EXPECT_EQ(doc.Header.Version, 600u);
  EXPECT_EQ(doc.Header.GroupScale[5], 2.0);
  EXPECT_EQ(doc.ObjectCount, 6u);
  EXPECT_EQ(state.archiveStart, 454);
  EXPECT_FALSE(doc.Header.CarriesPens);

  const std::vector<uint8_t> longer = testing::JwsHeaderBytes(700, 3, /*longCount=*/true);
  MemoryStream t = MemoryStream::View(longer);
  ASSERT_TRUE(ReadJwsHeader(doc, t, state));
  EXPECT_EQ(state.archiveStart, 458);
  EXPECT_EQ(doc.ObjectCount, 3u);
}

TEST(BareHeader, StartsItsArchiveAt146AndHasNoVersion) {
  const std::vector<uint8_t> bytes = testing::BareHeaderBytes(9);
  Document doc;
  MemoryStream s = MemoryStream::View(bytes);
  ReadState state;
  ASSERT_TRUE(ReadBareHeader(doc, s, state));
  EXPECT_EQ(state.archiveStart, 146);
  EXPECT_EQ(doc.Header.Version, 0u);
  EXPECT_EQ(doc.ObjectCount, 9u);
}

TEST(Recognise, FindsTheKindInTheFirst157Bytes) {
  std::vector<uint8_t> head(157, 0);
  EXPECT_EQ(RecogniseKind(head), FileKind::None);
  std::copy_n("CData", 5, head.begin() + 152);
  EXPECT_EQ(RecogniseKind(head), FileKind::Bare);
  std::copy_n("JwwData.", 8, head.begin());
  EXPECT_EQ(RecogniseKind(head), FileKind::Jww);  // the signature wins over "CData"
  std::copy_n("JwsData.", 8, head.begin());
  EXPECT_EQ(RecogniseKind(head), FileKind::Jws);
  head.resize(156);
  EXPECT_EQ(RecogniseKind(head), FileKind::None);  // too short, whatever it says
}

}  // namespace
}  // namespace kestril
