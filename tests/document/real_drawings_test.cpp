// The real drawings made with Jw_cad by people outside the project.
#include <gtest/gtest.h>

#include <string>

#include "document/reader_steps.h"
#include "graphics/text/cp932.h"
#include "platform/file_stream.h"
#include "platform/native_file.h"
#include "support/jww_writer.h"
#include "support/real_drawings.h"
#include "support/sample_drawing.h"

namespace kestril {
namespace {

using testing::RealDrawingPath;

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  auto s = OpenFileStream(path);
  std::vector<uint8_t> bytes(static_cast<size_t>(s->Size()));
  s->ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

ReadResult ReadFile(Document& doc, const std::string& path) {
  auto stream = OpenFileStream(path);
  return ReadDocument(doc, *stream);
}

class RealDrawing : public ::testing::TestWithParam<std::string> {};

TEST_P(RealDrawing, ReadsCompletely) {
  Document doc;
  const ReadResult r = ReadFile(doc, RealDrawingPath(GetParam()));
  EXPECT_NE(r.kind, FileKind::None);
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(doc.TopLevelObjects(), doc.ObjectCount);
  EXPECT_LT(doc.DrawingExtent.MinX, doc.DrawingExtent.MaxX);
  EXPECT_LT(doc.DrawingExtent.MinY, doc.DrawingExtent.MaxY);
}

// Where the object archive of a whole file starts and where the last record the drawing
// keeps ends (a closing null tag or a definition no insert uses holds nothing of it).
std::pair<int64_t, int64_t> ArchiveSpan(const std::vector<uint8_t>& bytes) {
  MemoryStream s = MemoryStream::View(bytes);
  const FileKind kind = Recognise(s);
  Document doc;
  ReadState state;
  if (kind == FileKind::Jww) {
    EXPECT_TRUE(ReadJwwHeader(doc, s, state));
  } else {
    EXPECT_EQ(kind, FileKind::Jws);
    EXPECT_TRUE(ReadJwsHeader(doc, s, state));
  }
  EXPECT_TRUE(ReadArchive(doc, s, state, {}));
  return {state.archiveStart, state.drawingEnd};
}

// A drawing cut anywhere inside its archive is never taken for the whole drawing, and
// reading it neither fails nor faults: what is there is read.
TEST_P(RealDrawing, ACutInsideTheArchiveIsNeverComplete) {
  const std::vector<uint8_t> whole = ReadWholeFile(RealDrawingPath(GetParam()));
  const auto [start, end] = ArchiveSpan(whole);
  ASSERT_LT(start, end);
  constexpr int kCuts = 40;
  int readAnyway = 0;
  for (int i = 0; i < kCuts; ++i) {
    // Spread over the archive, off any record boundary a regular step would favour.
    const int64_t at = start + (end - start) * (2 * i + 1) / (2 * kCuts) + i % 7;
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::min(at, end - 1));
    Document doc;
    MemoryStream s = MemoryStream::View(cut);
    const ReadResult r = ReadDocument(doc, s);
    EXPECT_FALSE(r.complete) << "cut at " << at << " of " << whole.size();
    readAnyway += r.ok;
  }
  EXPECT_GT(readAnyway, 0);  // most cuts leave something to draw
}

struct Expected {
  const char* file;
  uint32_t lines, arcs, texts, points, inserts, definitions, members;
  double minX, minY, maxX, maxY;
};

// tiny and arcs were checked against their bytes by hand (an independent decoding of
// every record); the site plan's counts add up to its header's 2,539 objects and its
// extent is its A3 sheet frame.
TEST(RealDrawing, CountsAndExtentsMatchWhatWasCheckedByHand) {
  const Expected expected[] = {
      {"tiny-v600.jws", 5, 0, 0, 1, 0, 0, 0, -196.152509473959, 49.87499330055785,
       -195.09750947395895, 53.749993300557755},
      {"arcs-v600.jws", 126, 2, 0, 4, 0, 0, 0, -144.07500947395886, -68.87500669944215,
       -119.67500947395884, -66.79775305385093},
      {"site-plan-v700.jww", 2265, 69, 64, 87, 54, 20, 1481, -210, -148.5, 210, 148.5},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.file);
    Document doc;
    ASSERT_TRUE(ReadFile(doc, RealDrawingPath(e.file)).ok);
    EXPECT_EQ(doc.LineCount(), e.lines);
    EXPECT_EQ(doc.ArcCount(), e.arcs);
    EXPECT_EQ(doc.TextCount(), e.texts);
    EXPECT_EQ(doc.PointCount(), e.points);
    EXPECT_EQ(doc.BlockInsertCount(), e.inserts);
    EXPECT_EQ(doc.BlockDefinitionCount(), e.definitions);
    EXPECT_EQ(doc.MemberRecords.size(), e.members);
    EXPECT_NEAR(doc.DrawingExtent.MinX, e.minX, 1e-9);
    EXPECT_NEAR(doc.DrawingExtent.MinY, e.minY, 1e-9);
    EXPECT_NEAR(doc.DrawingExtent.MaxX, e.maxX, 1e-9);
    EXPECT_NEAR(doc.DrawingExtent.MaxY, e.maxY, 1e-9);
  }
}

// The two drawings saved by a Unicode build of Jw_cad hold what their publisher lists;
// their texts and names decode to the same words as the Shift-JIS drawing's.
TEST(RealDrawing, TheUnicodeDrawingsReadAsTheirPublisherDescribesThem) {
  const Expected expected[] = {
      {"unicode-blocks-v700.jww", 0, 0, 6, 0, 2, 2, 4, 0, 0, 0, 0},  // extents not listed
      {"unicode-arcs-v700.jww", 4, 2, 6, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.file);
    Document doc;
    ASSERT_TRUE(ReadFile(doc, RealDrawingPath(e.file)).complete);
    EXPECT_EQ(doc.LineCount(), e.lines);
    EXPECT_EQ(doc.ArcCount(), e.arcs);
    EXPECT_EQ(doc.TextCount(), e.texts);
    EXPECT_EQ(doc.BlockInsertCount(), e.inserts);
    EXPECT_EQ(doc.BlockDefinitionCount(), e.definitions);
    EXPECT_EQ(doc.MemberRecords.size(), e.members);
    bool orientation = false;
    for (const FDataMoji& t : doc.TopLevel.Texts) {
      EXPECT_EQ(t.text.encoding, TextEncoding::Utf16);
      EXPECT_EQ(t.fontName.encoding, TextEncoding::Utf16);
      orientation |= DecodeText(doc.Text(t.text)) == u"Printer_Orientation = 0";
    }
    EXPECT_TRUE(orientation);
    EXPECT_EQ(doc.Header.Memo.encoding, TextEncoding::Utf16);
  }
}

TEST(RealDrawing, TheJwwDrawingCarriesItsOwnTablesAndSettingsTexts) {
  Document doc;
  ASSERT_TRUE(ReadFile(doc, RealDrawingPath("site-plan-v700.jww")).ok);
  EXPECT_TRUE(doc.Header.CarriesPens);
  EXPECT_TRUE(doc.Header.CarriesSxfTables);
  EXPECT_FALSE(doc.ShowAllLayers);
  int settingsTexts = 0;
  for (const FDataMoji& t : doc.TopLevel.Texts) {
    if (doc.Text(t.text).bytes.find(" = ") != std::string_view::npos && t.start == t.end) {
      ++settingsTexts;
      EXPECT_EQ(t.start.y, -1000);
    }
  }
  EXPECT_EQ(settingsTexts, 6);
}

TEST(Sample, TheBundledSampleIsWhatTheWriterMakes) {
  std::vector<uint8_t> committed =
      ReadWholeFile(std::string(KESTRIL_SOURCE_DIR) + "/samples/sample.jww");
  EXPECT_EQ(committed, testing::SampleDrawing())
      << "regenerate it: build/native/bin/make_sample samples/sample.jww";
  Document doc;
  MemoryStream s = MemoryStream::View(committed);
  ASSERT_TRUE(ReadDocument(doc, s).complete);
  EXPECT_GT(doc.LineCount(), 0u);
  EXPECT_GT(doc.ArcCount(), 0u);
  EXPECT_GT(doc.TextCount(), 0u);
  EXPECT_GT(doc.PointCount(), 0u);
  EXPECT_GT(doc.SolidCount(), 0u);
  EXPECT_GT(doc.DimensionCount(), 0u);
  EXPECT_GT(doc.BlockInsertCount(), 0u);
  EXPECT_GT(doc.Members.BlockInserts.size(), 0u);  // a nested block
}

INSTANTIATE_TEST_SUITE_P(All, RealDrawing, ::testing::ValuesIn(testing::RealDrawings()),
                         testing::NameOfDrawing);

}  // namespace
}  // namespace kestril
