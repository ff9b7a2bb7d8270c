// Damaged and hostile data: every answer is a clean true or false, never a crash,
// a hang or an allocation the data cannot justify.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "document/reader.h"
#include "support/jww_writer.h"
#include "support/sample_drawing.h"

namespace kestril {
namespace {

using namespace kestril::testing;

std::vector<uint8_t> RichJws(uint32_t version) {
  ArchiveWriter a(version);
  a.Line(Line({0, 0}, {10, 10}));
  a.Arc(ArcOf({5, 5}, 3, 0, 2));
  a.Text(Text({0, 0}, {4, 0}, 2, std::string(300, 'x')));
  FDataTen mark = Dot({1, 1}, Attr(1, 100));
  mark.markCode = 3;
  a.Point(mark);
  a.Solid(Quad({0, 0}, {1, 0}, {1, 1}, {0, 1}, Attr(10)));
  DimensionSpec d;
  d.rec.line = Line({0, 0}, {10, 0});
  d.value = Text({4, 0}, {6, 0}, 1, "10");
  a.Dimension(d);
  a.Block(Insert(1, {20, 20}, 2, 2, 0.5));
  a.DefinitionCount(2);
  a.Definition(0, 1);
  a.Line(Line({0, 0}, {1, 0}));
  a.Definition(1, 2);
  a.Block(Insert(0, {1, 1}));
  a.Arc(Circle({0, 0}, 1));
  a.End();
  return BuildJws(a);
}

// Cuts the data at every offset from `dense` on, and at every 13th before it (the
// long JWW header, where each cut falls back to a byte-by-byte scan).
void ReadEveryPrefix(const std::vector<uint8_t>& whole, size_t dense = 0) {
  for (size_t n = 0; n <= whole.size(); n += n < dense ? 13 : 1) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
    Document doc;
    const ReadResult r = ReadBytes(doc, cut);
    if (n < kRecognitionBytes) {
      EXPECT_EQ(r.kind, FileKind::None) << n;
    }
    // Whatever was read, the document is consistent with itself.
    EXPECT_EQ(doc.TotalObjects(), doc.LineCount() + doc.ArcCount() + doc.TextCount() +
                                      doc.PointCount() + doc.SolidCount() + doc.DimensionCount() +
                                      doc.BlockInsertCount() + doc.BlockDefinitionCount());
  }
}

TEST(BadInput, EveryPrefixOfADrawingReadsOrFailsCleanly) {
  const std::vector<uint8_t> sample = SampleDrawing();
  ReadEveryPrefix(sample, testing::JwwHeaderBytes(testing::TestHeader(700), 0).size() - 64);
  ReadEveryPrefix(RichJws(700));
  ReadEveryPrefix(RichJws(350));
  ArchiveWriter a(600);
  a.Line(Line({0, 0}, {1, 1}));
  a.Point(Dot({2, 2}));
  a.End();
  ReadEveryPrefix(BuildBare(a));
}

TEST(BadInput, TheWholeDrawingStillReads) {
  Document doc;
  EXPECT_TRUE(ReadBytes(doc, RichJws(700)).ok);
  EXPECT_EQ(doc.TotalObjects(), 9u);
}

TEST(BadInput, HugeCountsAskForNothingTheDataLacks) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Block(Insert(0, {0, 0}));
  a.DefinitionCount(1);
  a.Definition(0, 0xFFFF, "claims 65535 members");
  a.Line(Line({0, 0}, {2, 2}));
  a.End();
  Document doc;
  const ReadResult r = ReadBytes(doc, BuildJws(a, /*objectCount=*/0xFFFFFFFF));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(doc.ObjectCount, 0xFFFFFFFFu);
  ASSERT_EQ(doc.BlockDefinitionCount(), 1u);
  // The null tag inside the definition ends the archive; the members are what was read.
  EXPECT_EQ(doc.BlockDefinitions[0].memberCount, 1u);
}

TEST(BadInput, StringLengthsPastTheEndFailTheRead) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  ByteWriter& w = a.raw();
  w.U16(0xFFFF);
  w.U16(700);
  w.U16(9);
  w.Bytes("CDataMoji");
  WriteAttributes(w, Attr(), 700);
  w.Zeros(68);
  w.U8(255);
  w.U16(0xFFFF);
  w.U32(0x10000);  // a font name of 65536 bytes, and far fewer follow
  w.Zeros(20);
  Document doc;
  EXPECT_FALSE(ReadBytes(doc, BuildJws(a)).ok);
  EXPECT_EQ(doc.LineCount(), 1u);
}

TEST(BadInput, NonFiniteCoordinatesDoNotPoisonTheExtent) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Line(Line({std::nan(""), 0}, {0, std::nan("")}));
  a.Arc(ArcOf({0, 0}, std::nan(""), 0, 1e308));
  a.Block(Insert(0, {0, 0}, std::nan(""), 1e308, std::nan("")));
  a.DefinitionCount(1);
  a.Definition(0, 1);
  a.Line(Line({5, 5}, {6, 6}));
  a.End();
  Document doc;
  EXPECT_TRUE(ReadBytes(doc, BuildJws(a)).ok);
  EXPECT_EQ(doc.DrawingExtent.MinX, 0);
  EXPECT_EQ(doc.DrawingExtent.MaxY, 1);
}

// Inputs from fuzzing: the one that exposed an arc extent reading a destroyed
// temporary, and small corpus inputs that reach deep into the reader. Under the
// sanitizers each must read without a fault.
TEST(BadInput, FuzzerFindingsStayFixed) {
  const std::filesystem::path dir = std::filesystem::path(KESTRIL_TEST_DATA) / "fuzz-regressions";
  size_t seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    Document doc;
    ReadBytes(doc, bytes);
    ++seen;
  }
  EXPECT_GT(seen, 0u);
}

}  // namespace
}  // namespace kestril
