// What each entity adds to the drawing's extent, and where block members land.
#include <gtest/gtest.h>

#include <cmath>

#include "document/extent.h"
#include "document/placement.h"
#include "document/reader.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using namespace kestril::testing;

struct Box {
  double minX, minY, maxX, maxY;
};

void ExpectBox(const Document& doc, Box b, double tol = 1e-9) {
  EXPECT_NEAR(doc.DrawingExtent.MinX, b.minX, tol);
  EXPECT_NEAR(doc.DrawingExtent.MinY, b.minY, tol);
  EXPECT_NEAR(doc.DrawingExtent.MaxX, b.maxX, tol);
  EXPECT_NEAR(doc.DrawingExtent.MaxY, b.maxY, tol);
}

Document ReadJws(ArchiveWriter& a, bool expectOk = true) {
  Document doc;
  EXPECT_EQ(ReadBytes(doc, BuildJws(a)).ok, expectOk);
  return doc;
}

std::vector<double> AnglesOf(const ArcExtentPoints& pts, TaPoint2D c) {
  std::vector<double> out;
  for (const TaPoint2D& p : pts.View()) out.push_back(std::atan2(p.y - c.y, p.x - c.x));
  return out;
}

TEST(ArcPoints, ClosedCirclesAddTheirBoxCorners) {
  const ArcExtentPoints pts = ArcPoints({10, 10}, 1, 5, 0, kTwoPi, 0, 1);
  ASSERT_EQ(pts.count, 4);
  EXPECT_EQ(pts.points[0], (TaPoint2D{5, 5}));
  EXPECT_EQ(pts.points[1], (TaPoint2D{15, 5}));
  EXPECT_EQ(pts.points[2], (TaPoint2D{5, 15}));
  EXPECT_EQ(pts.points[3], (TaPoint2D{15, 15}));
  EXPECT_EQ(ArcPoints({10, 10}, 100, 5, 0, kTwoPi, 0, 1).count, 4);  // 100 counts as closed
}

TEST(ArcPoints, ArcsAreSampledEveryTwentiethOfPi) {
  const ArcExtentPoints one = ArcPoints({0, 0}, 0, 1, 0, 1.0, 0, 1);
  ASSERT_EQ(one.count, 8);  // 0, pi/20 .. 6 pi/20, and the end at 1.0
  const std::vector<double> a = AnglesOf(one, {0, 0});
  for (int i = 0; i <= 6; ++i) EXPECT_NEAR(a[i], i * kPi / 20, 1e-12);
  EXPECT_NEAR(a[7], 1.0, 1e-12);

  EXPECT_EQ(ArcPoints({0, 0}, 0, 1, 0, 0.1, 0, 1).count, 2);

  const ArcExtentPoints short_ = ArcPoints({0, 0}, 0, 1, 3.0, 0.2, 0, 1);
  ASSERT_EQ(short_.count, 3);  // one whole step: ends and middle
  const std::vector<double> m = AnglesOf(short_, {0, 0});
  EXPECT_NEAR(m[1], 3.1, 1e-12);
  EXPECT_NEAR(m[2], 3.2 - kTwoPi, 1e-12);

  const ArcExtentPoints sector = ArcPoints({1, 1}, 5, 2, 0, 0.1, 0, 1);
  ASSERT_EQ(sector.count, 3);
  EXPECT_EQ(sector.points[2], (TaPoint2D{1, 1}));  // kind 5 adds its centre

  // A clockwise sweep runs from its end to its start.
  const ArcExtentPoints cw = ArcPoints({0, 0}, 0, 1, 1.0, -0.1, 0, 1);
  EXPECT_NEAR(AnglesOf(cw, {0, 0})[0], 0.9, 1e-12);
}

TEST(ArcPoints, TiltedEllipsesAreBoundedAndHugeSweepsStayBounded) {
  // An ellipse of semi-axes 4 and 1 turned by 90 degrees stands upright.
  const ArcExtentPoints e = ArcPoints({0, 0}, 1, 4, 0, kTwoPi, kHalfPi, 0.25);
  ASSERT_EQ(e.count, 4);
  EXPECT_NEAR(e.points[3].x, 1, 1e-12);
  EXPECT_NEAR(e.points[3].y, 4, 1e-12);
  // Arcs of an ellipse turn with their tilt.
  const ArcExtentPoints arc = ArcPoints({0, 0}, 0, 2, 0, 0.01, kHalfPi, 0.5);
  EXPECT_NEAR(arc.points[0].x, 0, 1e-12);
  EXPECT_NEAR(arc.points[0].y, 2, 1e-12);

  EXPECT_LE(ArcPoints({0, 0}, 0, 1, 0, 1e300, 0, 1).count, 48);
  EXPECT_EQ(ArcPoints({0, 0}, 0, 1, 0, std::nan(""), 0, 1).count, 2);
}

TEST(Extent, TextsCoverTheirBodyAndImagesTheirSize) {
  ArchiveWriter a(700);
  a.Text(Text({0, 0}, {10, 0}, 3, "abc"));
  Document doc = ReadJws(a);
  ExpectBox(doc, {0, 0, 10, 3});

  for (const auto& [text, w, h] : std::vector<std::tuple<std::string, double, double>>{
           {"^@BMa.bmp,40,30", 40, 30}, {"^@BMa.bmp,25", 25, 25}, {"^@BMa.bmp,40,30,5", 5, 5}}) {
    ArchiveWriter b(700);
    b.Text(Text({1, 2}, {1, 2}, 3, text));
    ExpectBox(ReadJws(b), {1, 2, 1 + w, 2 + h});
  }
}

TEST(Extent, AnImageReferenceWithoutASizeAddsOnlyItsPlace) {
  // Such a reference used to make the whole drawing unreadable.
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Text(Text({5, 5}, {6, 5}, 1, "^@BMpicture.png"));
  a.Text(Text({7, 7}, {8, 7}, 1, "^@BMpicture.png,wide,tall"));
  ExpectBox(ReadJws(a), {0, 0, 7, 7});
}

TEST(Extent, SettingsTextsWithAZeroLengthBaselineStayOut) {
  ArchiveWriter a(700);
  a.Line(Line({-210, -148.5}, {210, 148.5}));
  a.Text(Text({0, -1000}, {0, -1000}, 3, "Printer_Orientation = 0", Attr(9)));
  a.Text(Text({0, 0}, {5e-8, 0}, 3, "View_Direct2d = 1", Attr(9)));
  ExpectBox(ReadJws(a), {-210, -148.5, 210, 148.5});
}

TEST(Extent, DimensionsUseTheirOwnVisibility) {
  TJwwHeader h = TestHeader(700);
  h.LayerState[0][2] = 0;
  DimensionSpec d;
  d.rec.attr = Attr(1, 1, /*layer=*/2);  // the dimension as a whole is hidden
  d.rec.line = Line({0, 0}, {100, 0});
  d.value = Text({10, 0}, {20, 0}, 5, "100");
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Dimension(d);
  d.rec.attr = Attr(1);
  a.Dimension(d);
  a.End();
  Document doc;
  ASSERT_TRUE(ReadBytes(doc, BuildJww(h, a)).ok);
  ExpectBox(doc, {0, 0, 100, 5});
}

TEST(Extent, LayersOutsideTheTablesAreHidden) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Line(Line({50, 50}, {60, 60}, Attr(1, 1, /*layer=*/16)));
  a.Line(Line({-50, -50}, {60, 60}, Attr(1, 1, 0, /*layerGroup=*/200)));
  a.Point(Dot({70, 70}, Attr(400)));  // colour numbers are not a table index here
  ExpectBox(ReadJws(a), {0, 0, 70, 70});
}

TEST(Extent, SolidsAddCornersOrTheirArcFigure) {
  ArchiveWriter a(700);
  a.Solid(Quad({0, 0}, {4, 0}, {4, 3}, {0, 3}));
  FDataSolid disc = Quad({10, 10}, {2, 1}, {0, 0}, {kTwoPi, 100}, Attr(1, 101));
  a.Solid(disc);  // centre (10, 10), radius 2, whole ellipse
  ExpectBox(ReadJws(a), {0, 0, 12, 12});
}

// Block placement. Definition 0 holds a line from (0, 0) to (10, 0).
ArchiveWriter OneBlock(const FDataBlock& insert) {
  ArchiveWriter a(700);
  a.Block(insert);
  a.DefinitionCount(1);
  a.Definition(insert.blockNumber, 1);
  a.Line(Line({0, 0}, {10, 0}));
  a.End();
  return a;
}

TEST(Placement, ScalesAndMovesWithoutRotation) {
  ArchiveWriter a = OneBlock(Insert(0, {100, 50}, 2, 2));
  ExpectBox(ReadJws(a), {100, 50, 120, 50});
}

TEST(Placement, RotationTurnsCounterClockwiseAboutTheInsertOrigin) {
  ArchiveWriter a = OneBlock(Insert(0, {100, 50}, 1, 1, kHalfPi));
  ExpectBox(ReadJws(a), {100, 50, 100, 60});
  ArchiveWriter b = OneBlock(Insert(0, {100, 50}, 1, 1, kPi));
  ExpectBox(ReadJws(b), {90, 50, 100, 50});
}

TEST(Placement, NegativeScalesMirror) {
  ArchiveWriter a = OneBlock(Insert(0, {100, 50}, -1, 1));
  ExpectBox(ReadJws(a), {90, 50, 100, 50});
  ArchiveWriter b = OneBlock(Insert(0, {100, 50}, 0, 3));  // a zero scale counts as 1
  ExpectBox(ReadJws(b), {100, 50, 110, 50});
}

TEST(Placement, DefinitionsAreFoundByTheirNumber) {
  // Kept definitions numbered 0, 1, 3: the insert of 3 must place definition 3's line.
  ArchiveWriter a(700);
  a.Block(Insert(3, {0, 0}));
  a.Block(Insert(2, {0, 0}));  // names no definition: adds its place only
  a.DefinitionCount(3);
  a.Definition(0, 1);
  a.Line(Line({0, 0}, {1000, 0}));
  a.Definition(1, 1);
  a.Line(Line({0, 0}, {0, 1000}));
  a.Definition(3, 2);
  a.Line(Line({0, 0}, {7, 0}));
  a.Line(Line({0, 0}, {0, -5}));
  a.End();
  const Document doc = ReadJws(a);
  EXPECT_EQ(doc.BlockDefinitionCount(), 3u);
  ASSERT_NE(doc.FindBlockDefinition(3), nullptr);
  EXPECT_EQ(doc.FindBlockDefinition(3)->firstMember, 2u);
  EXPECT_EQ(doc.FindBlockDefinition(3)->memberCount, 2u);
  EXPECT_EQ(doc.FindBlockDefinition(2), nullptr);
  ExpectBox(doc, {0, -5, 7, 0});
}

TEST(Placement, DefinitionsBeyondTheLargestReferencedNumberEndTheArchive) {
  ArchiveWriter a(700);
  a.Block(Insert(2, {0, 0}));
  a.DefinitionCount(2);
  a.Definition(2, 1);
  a.Line(Line({0, 0}, {1, 0}));
  a.Definition(3, 1);
  a.Line(Line({0, 0}, {50, 50}));
  a.End();
  const Document doc = ReadJws(a);
  EXPECT_EQ(doc.BlockDefinitionCount(), 1u);
  EXPECT_EQ(doc.MemberRecords.size(), 1u);
}

TEST(Placement, NestedInsertsComposeAndTheOuterPlacementResumes) {
  // Definition 1: an insert of definition 0 at (10, 0) scaled 2, then a line up from
  // its origin. Top level: definition 1 at (100, 100), turned a quarter.
  ArchiveWriter a(700);
  a.Block(Insert(1, {100, 100}, 1, 1, kHalfPi));
  a.DefinitionCount(2);
  a.Definition(0, 1);
  a.Line(Line({0, 0}, {1, 0}));
  a.Definition(1, 2);
  a.Block(Insert(0, {10, 0}, 2, 2));
  a.Line(Line({0, 0}, {0, 1}));
  a.End();
  const Document doc = ReadJws(a);
  // (10, 0)-(12, 0) turned a quarter: (0, 10)-(0, 12); (0, 1) turned: (-1, 0).
  ExpectBox(doc, {99, 100, 100, 112});

  BlockPlacement outer = BlockPlacement{}.Then(doc.TopLevel.BlockInserts[0]);
  const BlockPlacement inner = outer.Then(doc.Members.BlockInserts[0]);
  const TaPoint2D p = inner.Place({1, 0});
  EXPECT_NEAR(p.x, 100, 1e-12);
  EXPECT_NEAR(p.y, 112, 1e-12);
  EXPECT_NEAR(inner.BlockRotation, kHalfPi, 1e-15);
  EXPECT_EQ(inner.BlockScaleX, 2);
}

TEST(Placement, SelfInsertingAndExplodingDefinitionsStop) {
  ArchiveWriter a(700);
  a.Block(Insert(0, {0, 0}));
  a.DefinitionCount(1);
  a.Definition(0, 2);
  a.Line(Line({0, 0}, {1, 0}));
  a.Block(Insert(0, {1, 0}));  // inserts itself
  a.End();
  const Document doc = ReadJws(a);
  // Depth 32: 32 copies of the line, each one unit further.
  ExpectBox(doc, {0, 0, 32, 0});

  // 31 levels that each insert the next twice: 2^31 placements without a budget.
  ArchiveWriter b(700);
  b.Block(Insert(0, {0, 0}));
  b.Block(Insert(31, {0, 0}));  // keeps every definition up to 31
  b.DefinitionCount(32);
  for (uint32_t k = 0; k < 31; ++k) {
    b.Definition(k, 3);
    b.Line(Line({0, 0}, {1, 1}));
    b.Block(Insert(k + 1, {0, 0}));
    b.Block(Insert(k + 1, {1, 0}));
  }
  b.Definition(31, 1);
  b.Line(Line({0, 0}, {1, 1}));
  b.End();
  Document big;
  ASSERT_TRUE(ReadBytes(big, BuildJws(b)).ok);  // finishes: the visit budget runs out
  EXPECT_GT(big.DrawingExtent.MaxX, 10);
}

TEST(Placement, HiddenInsertsAddNothing) {
  TJwwHeader h = TestHeader(700);
  h.GroupState[1] = 0;
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {1, 1}));
  a.Block(Insert(0, {500, 500}, 1, 1, 0, Attr(1, 1, 0, /*layerGroup=*/1)));
  a.DefinitionCount(1);
  a.Definition(0, 1);
  a.Line(Line({0, 0}, {10, 0}));
  a.End();
  Document doc;
  ASSERT_TRUE(ReadBytes(doc, BuildJww(h, a)).ok);
  ExpectBox(doc, {0, 0, 1, 1});
}

}  // namespace
}  // namespace kestril
