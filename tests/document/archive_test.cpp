// The object archive: class numbering, records of every version, block definitions,
// the scan for old data and the whole read of each kind.
#include <gtest/gtest.h>

#include <cmath>

#include "document/reader_steps.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using namespace kestril::testing;

std::vector<uint8_t> Jws(ArchiveWriter& a) {
  return BuildJws(a);
}

Document Read(const std::vector<uint8_t>& bytes, bool expectOk = true) {
  Document doc;
  const ReadResult r = ReadBytes(doc, bytes);
  EXPECT_EQ(r.ok, expectOk);
  return doc;
}

TEST(ClassNumbering, ClassesAndObjectsShareOneNumbering) {
  // Written by hand: the first class gets 0x8001; after one object a new class gets
  // 0x8003 (1 + one class + one object before it).
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Point(Dot({5, 5}));
  ByteWriter& w = a.raw();
  w.U16(0x8003);
  WriteTen(w, Dot({6, 6}), 700);
  w.U16(0x8001);
  WriteSen(w, Line({2, 2}, {3, 3}), 700);
  a.End();
  const Document doc = Read(Jws(a));
  EXPECT_EQ(doc.LineCount(), 2u);
  EXPECT_EQ(doc.PointCount(), 2u);
  EXPECT_EQ(doc.TopLevel.Points[1].point, (TaPoint2D{6, 6}));
  ASSERT_EQ(doc.ClassOrder.size(), 4u);
  EXPECT_EQ(doc.ClassOrder[2], EntityClass::Point);
  EXPECT_EQ(doc.ClassOrder[3], EntityClass::Line);
}

TEST(ClassNumbering, DefinitionClassesTakeTwoNumbers) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 0}));
  a.Block(Insert(1, {0, 0}));
  a.DefinitionCount(2);
  a.Definition(0, 1);  // r = 2 objects, c = 2 - 1 classes: tag 0x8000 + 2 + 1 + 2
  EXPECT_EQ(a.ClassTag(EntityClass::List), 0x8005u);
  a.Line(Line({0, 0}, {2, 0}));
  ByteWriter& w = a.raw();
  w.U16(0x8005);
  FDataList list;
  list.number = 1;
  list.count = 1;
  WriteList(w, list, "second", 700);
  w.U16(0x8001);
  WriteSen(w, Line({0, 0}, {3, 0}), 700);
  a.End();
  const Document doc = Read(Jws(a));
  ASSERT_EQ(doc.BlockDefinitionCount(), 2u);
  EXPECT_EQ(doc.Text(doc.BlockDefinitions[1].list.name), "second");
  EXPECT_EQ(doc.MemberRecords.size(), 2u);
  EXPECT_EQ(doc.Members.Lines[1].end.x, 3);
  // Definition headers close ClassOrder.
  EXPECT_EQ(doc.ClassOrder.back(), EntityClass::List);
  EXPECT_EQ(doc.TotalObjects(), 4u);
}

TEST(ClassNumbering, LongClassReferencesBeyond32768Objects) {
  ArchiveWriter a(700);
  for (int i = 0; i < 0x8002; ++i) a.Line(Line({0, 0}, {double(i), 1}));
  a.Point(Dot({1, 2}));  // described after more than 0x8000 objects: a long tag
  a.Point(Dot({3, 4}));  // referenced with 0x7FFF and the u32 tag
  a.Line(Line({0, 0}, {-1, -1}));
  a.End();
  EXPECT_GT(a.ClassTag(EntityClass::Point), 0x80000000u);
  const Document doc = Read(Jws(a));
  EXPECT_EQ(doc.LineCount(), 0x8003u);
  EXPECT_EQ(doc.PointCount(), 2u);
  EXPECT_EQ(doc.DrawingExtent.MinX, -1);
}

TEST(Archive, ANullTagAtTheStartIsAnEmptyDrawing) {
  ArchiveWriter a(700);
  a.End();
  const Document doc = Read(Jws(a));
  EXPECT_EQ(doc.TotalObjects(), 0u);
  EXPECT_EQ(doc.DrawingExtent.MinX, 1e99);
  EXPECT_EQ(doc.DrawingExtent.MaxX, -1e99);
  EXPECT_EQ(doc.DrawingExtent.SizeX, -2e99);
  EXPECT_EQ(doc.DrawingExtent.SizeY, -2e99);
  EXPECT_EQ(doc.DrawingExtent.Aspect, 1);
}

TEST(Archive, EndsAtTheEndOfTheDataWithoutANullTag) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {10, 5}));
  const Document doc = Read(Jws(a));
  EXPECT_EQ(doc.LineCount(), 1u);
  EXPECT_EQ(doc.DrawingExtent.SizeX, 10);
  EXPECT_EQ(doc.DrawingExtent.CentreY, 2.5);
  EXPECT_EQ(doc.DrawingExtent.Aspect, 2);
}

TEST(Archive, TooFewBytesForARecordEndTheArchive) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  ByteWriter& w = a.raw();
  w.U16(0x8001);
  w.Zeros(40);  // not more than the 44 a line needs
  Document doc;
  const ReadResult r = ReadBytes(doc, Jws(a));
  EXPECT_EQ(doc.LineCount(), 1u);
  EXPECT_TRUE(r.ok && r.complete);  // how a well-formed archive may end
}

TEST(Archive, ARecordCutShortFailsTheRead) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Text(Text({0, 0}, {5, 0}, 2, std::string(300, 't')));
  std::vector<uint8_t> bytes = Jws(a);
  bytes.resize(bytes.size() - 100);  // inside the long text
  const Document doc = Read(bytes, /*expectOk=*/false);
  EXPECT_EQ(doc.LineCount(), 1u);  // what was read before stays
}

TEST(Archive, UnknownClassNamesKeepThePreviousKind) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.DescribeClass("CDataSomethingElse", 700);
  WriteSen(a.raw(), Line({7, 7}, {8, 8}), 700);
  a.End();
  const Document doc = Read(Jws(a));
  EXPECT_EQ(doc.LineCount(), 2u);
  EXPECT_EQ(doc.TopLevel.Lines[1].start.x, 7);
}

TEST(Archive, ObjectReferencesReadNothing) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.ObjectReference(2);
  a.Line(Line({2, 2}, {3, 3}));
  a.End();
  const Document doc = Read(Jws(a));
  EXPECT_EQ(doc.LineCount(), 2u);
}

TEST(Records, AttributesLoseThePenWidthBeforeVersion351) {
  for (uint32_t version : {350u, 351u}) {
    FDataHeader attr = Attr(3, 2, 4, 5);
    attr.penWidth = 9;
    attr.group = 0x01020304;
    attr.flags = 0x0102;
    ArchiveWriter a(version);
    a.Line(Line({1, 2}, {3, 4}, attr));
    a.Line(Line({5, 6}, {7, 8}, attr));
    a.End();
    // Sizes: tag 6 + name 8, record 45 or 47; then tag 2, record; then the null tag.
    const size_t record = version >= 351 ? 47 : 45;
    ASSERT_EQ(a.bytes().size(), 6 + 8 + record + 2 + record + 2);
    const Document doc = Read(Jws(a));
    ASSERT_EQ(doc.LineCount(), 2u);
    const FDataSen& l = doc.TopLevel.Lines[1];
    EXPECT_EQ(l.attr.penWidth, version >= 351 ? 9 : 0);
    EXPECT_EQ(l.attr.group, 0x01020304u);
    EXPECT_EQ(l.attr.penColor, 3);
    EXPECT_EQ(l.attr.lineType, 2);
    EXPECT_EQ(l.attr.layer, 4);
    EXPECT_EQ(l.attr.layerGroup, 5);
    EXPECT_EQ(l.attr.flags, 0x0102);
    EXPECT_EQ(l.end, (TaPoint2D{7, 8}));
  }
}

TEST(Records, PointMarksExistFromVersion300) {
  for (uint32_t version : {299u, 300u}) {
    FDataTen mark = Dot({1, 1}, Attr(2, 100));
    mark.markCode = -7;
    mark.markAngle = 0.5;
    mark.markScale = 2;
    ArchiveWriter a(version);
    a.Point(mark);
    a.Point(Dot({2, 2}));
    a.End();
    const Document doc = Read(Jws(a));
    ASSERT_EQ(doc.PointCount(), 2u);
    const FDataTen& p = doc.TopLevel.Points[0];
    EXPECT_EQ(p.hasMark, version >= 300);
    EXPECT_EQ(p.markCode, version >= 300 ? -7 : 0);
    EXPECT_EQ(doc.TopLevel.Points[1].point, (TaPoint2D{2, 2}));
  }
}

TEST(Records, SolidsCarryTheirOwnColourOnlyForColour10) {
  ArchiveWriter a(700);
  FDataSolid own = Quad({0, 0}, {1, 0}, {1, 1}, {0, 1}, Attr(10));
  own.rgb = 0xFF0000FF;  // the top byte is dropped
  a.Solid(own);
  a.Solid(Quad({0, 0}, {2, 0}, {2, 2}, {0, 2}, Attr(3)));
  a.End();
  const Document doc = Read(Jws(a));
  ASSERT_EQ(doc.SolidCount(), 2u);
  EXPECT_EQ(doc.TopLevel.Solids[0].rgb, 0x0000FFu);
  EXPECT_EQ(doc.TopLevel.Solids[1].p3, (TaPoint2D{2, 2}));
}

TEST(Records, TextsKeepFontAndTextBytesUnconverted) {
  ArchiveWriter a(700);
  TextSpec t = Text({0, 0}, {10, 0}, 3, "\x93\xfa\x96\x7b");  // Shift-JIS bytes
  t.font = std::string(260, 'f');
  t.rec.angle = 30;
  a.Text(t);
  a.End();
  const Document doc = Read(Jws(a));
  ASSERT_EQ(doc.TextCount(), 1u);
  const FDataMoji& m = doc.TopLevel.Texts[0];
  EXPECT_EQ(doc.Text(m.text), "\x93\xfa\x96\x7b");
  EXPECT_EQ(doc.Text(m.fontName), t.font);
  EXPECT_EQ(m.angle, 30);
}

TEST(Records, DimensionsReadTheirSxfTailFromVersion420) {
  DimensionSpec d;
  d.rec.attr = Attr(1);
  d.rec.line = Line({0, 0}, {10, 0});
  d.value = Text({2, 1}, {6, 1}, 2, "10");
  d.rec.points[3].point = {9, 9};
  d.sxfMode = 3;

  ArchiveWriter a(420);
  a.Dimension(d);
  DimensionSpec bare = d;
  bare.writeSxf = false;  // the next object's class reference follows the text
  a.Dimension(bare);
  a.Line(Line({0, 0}, {1, 1}));
  a.End();
  const Document doc = Read(Jws(a));
  ASSERT_EQ(doc.DimensionCount(), 2u);
  EXPECT_TRUE(doc.TopLevel.Dimensions[0].hasSxfTail);
  EXPECT_EQ(doc.TopLevel.Dimensions[0].sxfMode, 3);
  EXPECT_EQ(doc.TopLevel.Dimensions[0].points[3].point, (TaPoint2D{9, 9}));
  EXPECT_FALSE(doc.TopLevel.Dimensions[1].hasSxfMode);
  EXPECT_EQ(doc.Text(doc.TopLevel.Dimensions[1].text.text), "10");
  EXPECT_EQ(doc.LineCount(), 1u);

  ArchiveWriter old(351);
  old.Dimension(d);  // no SXF mode before version 420
  old.Line(Line({0, 0}, {1, 1}));
  old.End();
  const Document before = Read(Jws(old));
  EXPECT_EQ(before.DimensionCount(), 1u);
  EXPECT_EQ(before.LineCount(), 1u);
}

TEST(BareArchive, TakesItsVersionFromTheFirstClassSchema) {
  ArchiveWriter a(351);
  a.Line(Line({0, 0}, {4, 4}, Attr(2)));
  a.End();
  const std::vector<uint8_t> bytes = BuildBare(a);
  ASSERT_EQ(std::string(bytes.begin() + 152, bytes.begin() + 160), "CDataSen");
  Document doc;
  const ReadResult r = ReadBytes(doc, bytes);
  EXPECT_EQ(r.kind, FileKind::Bare);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(doc.Header.Version, 351u);
  EXPECT_EQ(doc.TopLevel.Lines[0].attr.penColor, 2);
  EXPECT_TRUE(doc.ShowAllLayers);
}

TEST(JwwDrawing, ReadsWithLayerStatesAndTheWholeArchive) {
  TJwwHeader h = TestHeader(700);
  h.LayerState[0][1] = 0;  // layer 1 of group 0 hidden
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {10, 10}));
  a.Line(Line({-50, -50}, {100, 100}, Attr(1, 1, /*layer=*/1)));
  a.End();
  const Document doc = Read(BuildJww(h, a));
  EXPECT_EQ(doc.LineCount(), 2u);
  EXPECT_FALSE(doc.ShowAllLayers);
  // The hidden line adds nothing to the extent.
  EXPECT_EQ(doc.DrawingExtent.MinX, 0);
  EXPECT_EQ(doc.DrawingExtent.MaxX, 10);
}

TEST(ScanArchive, FindsTheArchiveOfDataBelowVersion65) {
  TJwwHeader h = TestHeader(60);
  ArchiveWriter a(60);
  a.Line(Line({0, 0}, {3, 4}));
  a.Point(Dot({1, 1}));
  a.End();
  const Document doc = Read(BuildJww(h, a, /*objectCount=*/0));
  EXPECT_EQ(doc.LineCount(), 1u);
  EXPECT_EQ(doc.PointCount(), 1u);
  EXPECT_EQ(doc.ObjectCount, 2u);  // taken from what was read
  EXPECT_TRUE(doc.ShowAllLayers);
}

TEST(ScanArchive, AnInvalidJwwHeaderFallsBackToTheScan) {
  TJwwHeader h = TestHeader(700);
  h.CheckValue = 0;
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {3, 4}));
  a.End();
  const Document doc = Read(BuildJww(h, a));
  EXPECT_EQ(doc.LineCount(), 1u);
}

TEST(ScanArchive, FailsWithoutAClassNameOrWhenTheNameSitsAtTheStart) {
  Document doc;
  ReadState state;
  int beeps = 0;
  ReaderEnvironment env;
  env.scanFoundNothing = [&] { ++beeps; };
  std::vector<uint8_t> noClass(500, 'x');
  MemoryStream s = MemoryStream::View(noClass);
  EXPECT_FALSE(ScanArchive(doc, s, state, env));
  EXPECT_EQ(beeps, 0);  // the scan ran to the end without a failing read

  const std::string early = "CDataSen and more bytes after it";
  std::vector<uint8_t> bytes(early.begin(), early.end());
  MemoryStream t = MemoryStream::View(bytes);
  EXPECT_FALSE(ScanArchive(doc, t, state, env));

  std::vector<uint8_t> empty;
  MemoryStream u = MemoryStream::View(empty);
  EXPECT_FALSE(ScanArchive(doc, u, state, env));
  EXPECT_EQ(beeps, 2);  // a read before the start, a read past the end
}

// Each string keeps the encoding it was stored in, whatever its neighbours use.
TEST(Records, StringsKeepTheirOwnEncodingInAMixedFile) {
  TJwwHeader h = TestHeader(700);
  h.Memo = Utf16(u"メモ");
  h.LayerName[0][1] = "\x95\xc7";  // 壁
  ArchiveWriter a(700);
  TextSpec unicode = Text({0, 0}, {10, 0}, 3, Utf16(u"𠮷野家"));
  unicode.font = Utf16(u"ＭＳ 明朝");
  a.Text(unicode);
  a.Text(Text({0, 5}, {10, 5}, 3, "\x93\xfa"));  // 日 in Shift-JIS
  a.Definition(0, 1, "blk");
  a.Line(Line({0, 0}, {1, 1}));
  a.End();
  const Document doc = Read(BuildJww(h, a));
  EXPECT_EQ(doc.Header.Memo, Utf16(u"メモ"));
  EXPECT_EQ(doc.Header.LayerName[0][1], "\x95\xc7");
  ASSERT_EQ(doc.TextCount(), 2u);
  EXPECT_EQ(doc.Text(doc.TopLevel.Texts[0].text), JwStringView(Utf16(u"𠮷野家")));
  EXPECT_EQ(doc.Text(doc.TopLevel.Texts[0].fontName), JwStringView(Utf16(u"ＭＳ 明朝")));
  EXPECT_EQ(doc.Text(doc.TopLevel.Texts[1].text), "\x93\xfa");
  EXPECT_EQ(doc.Text(doc.TopLevel.Texts[1].fontName), "MS Gothic");
  EXPECT_EQ(doc.MemberRecords.size(), 1u);
}

// A header of a version that says where its archive starts, misread (strings in a form
// not understood, damage), is refused: neither walked from a wrong place nor scanned.
TEST(ReadDocument, AMisreadHeaderIsRefusedNotDrawn) {
  ArchiveWriter a(700);
  a.Text(Text({0, 0}, {44, 0}, 3, "a text"));
  a.Line(Line({0, 0}, {3, 4}));
  a.End();
  TJwwHeader h = TestHeader(700);
  h.Memo = "memo";
  const std::vector<uint8_t> good = BuildJww(h, a);
  const size_t memo = 12;  // after the signature and the version
  ASSERT_EQ(good[memo], 4);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> marked = good;  // a Unicode mark whose length runs off the data
  marked[memo] = 0xFF;
  marked.insert(marked.begin() + memo + 1, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
  std::vector<uint8_t> shifted = good;  // the memo two bytes longer than written
  shifted[memo] = 6;
  const Case cases[] = {{"a string mark that does not parse", marked},
                        {"every field after the memo misplaced", shifted}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Document doc;
    const ReadResult r = ReadBytes(doc, c.bytes);
    EXPECT_EQ(r.kind, FileKind::Jww);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(doc.TotalObjects(), 0u);
  }
  Document doc;
  EXPECT_TRUE(ReadBytes(doc, good).complete);
}

TEST(ReadDocument, AJwsHeaderCutShortIsNotRead) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  std::vector<uint8_t> bytes = Jws(a);
  bytes.resize(300);  // recognised (over 157 bytes) but the header is incomplete
  Document doc;
  const ReadResult r = ReadBytes(doc, bytes);
  EXPECT_EQ(r.kind, FileKind::Jws);
  EXPECT_FALSE(r.ok);
}

TEST(LoadFileName, TheNamedFileOrElseJwCadsLastFileNamesTheDrawing) {
  ReaderEnvironment env;
  env.hostFolder = "C:\\viewer";
  Document doc;
  const auto names = [&] { return doc.FileTitle + "|" + doc.FilePath; };

  env.source = SourceFile{"/home/a/plans/site.v2.JWW", 1700000000};
  LoadFileName(doc, env);
  EXPECT_EQ(names(), "site.v2|/home/a/plans/site.v2.JWW");
  EXPECT_EQ(doc.FileTime, 1700000000);
  EXPECT_EQ(doc.SourceFolder, "/home/a/plans");
  env.source = SourceFile{"C:\\cad\\stairs.jws", 0};
  LoadFileName(doc, env);
  EXPECT_EQ(names(), "stairs|C:\\cad\\stairs.jws");
  EXPECT_EQ(doc.SourceFolder, "C:\\cad");

  // From memory: Jw_cad's own record, and nothing of the file read before.
  env.source.reset();
  LoadFileName(doc, env);  // Jw_cad's settings do not open
  EXPECT_EQ(names(), "|");
  EXPECT_EQ(doc.FileTime, 0);
  EXPECT_EQ(doc.SourceFolder, "");
  const struct {
    const char* file;
    const char* folder;
    const char* expected;
  } cases[] = {
      {"plan.JWW", "C:\\cad", "plan|C:\\cad\\plan.jww"},
      {"site.dxf", "C:\\cad", "site|C:\\cad\\site.jww"},
      {"notes.txt", "C:\\cad", "notes.txt|C:\\cad\\notes.txt.jww"},
      {"plan.jww", "", "no-name|C:\\viewer\\no-name.jww"},
  };
  for (const auto& c : cases) {
    env.jwCadRecent = JwCadRecentFile{c.file, c.folder};
    LoadFileName(doc, env);
    EXPECT_EQ(names(), c.expected) << c.file;
  }
}

}  // namespace
}  // namespace kestril
