// The real drawings made with Jw_cad by people outside the project.
#include <gtest/gtest.h>

#include <string>

#include "document/file_stream.h"
#include "document/reader.h"
#include "platform/native_file.h"

namespace kestril {
namespace {

std::string Drawing(const char* name) { return std::string(KESTRIL_TEST_DATA) + "/drawings/" + name; }

struct ReadDrawingResult {
  FileKind kind;
  bool ok;
};

ReadDrawingResult ReadFile(Document& doc, const std::string& path) {
  auto stream = OpenFileStream(path);
  const FileKind kind = Recognise(*stream);
  stream->Seek(0);
  return {kind, ReadDrawing(doc, *stream, kind, ReaderEnvironment{})};
}

class RealDrawing : public ::testing::TestWithParam<const char*> {};

TEST_P(RealDrawing, ReadsCompletely) {
  Document doc;
  const auto r = ReadFile(doc, Drawing(GetParam()));
  EXPECT_NE(r.kind, FileKind::None);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(doc.TotalObjects() - doc.BlockDefinitionCount(), doc.ObjectCount);
  EXPECT_LT(doc.DrawingExtent.MinX, doc.DrawingExtent.MaxX);
  EXPECT_LT(doc.DrawingExtent.MinY, doc.DrawingExtent.MaxY);
}

INSTANTIATE_TEST_SUITE_P(All, RealDrawing,
                         ::testing::Values("arcs-v600.jws", "elevation-v700.jws",
                                           "parts-v351-a.jws", "parts-v351-b.jws",
                                           "plan-small-v700.jws", "plan-v700.jws",
                                           "site-plan-v700.jww", "solids-text-v700.jws",
                                           "solids-v700.jws", "stairs-large-v700.jws",
                                           "tiny-v600.jws"));

}  // namespace
}  // namespace kestril
