#include "support/sample_drawing.h"

#include "support/jww_writer.h"

namespace kestril::testing {

std::vector<uint8_t> SampleDrawing() {
  TJwwHeader h = TestHeader(700);
  h.Memo = "kestril sample\r\nevery kind of entity";
  h.GroupScale[0] = 50;
  h.DrawFlags[0] = 1;  // points drawn at their printed size

  constexpr uint16_t kWall = 2, kCentre = 6, kGreen = 3, kRed = 5, kBlue = 8, kAux = 9;
  ArchiveWriter a(700);

  // Outer walls and a partition.
  const TaPoint2D corners[] = {{0, 0}, {160, 0}, {160, 100}, {0, 100}};
  for (int i = 0; i < 4; ++i) a.Line(Line(corners[i], corners[(i + 1) % 4], Attr(kWall)));
  a.Line(Line({100, 0}, {100, 60}, Attr(kWall)));
  // Centre lines in a dashed and a dash-dot type, a random line and an SXF colour.
  a.Line(Line({-10, 50}, {170, 50}, Attr(kCentre, 5)));
  a.Line(Line({50, -10}, {50, 110}, Attr(kCentre, 7)));
  a.Line(Line({110, 80}, {150, 80}, Attr(kBlue, 12)));
  a.Line(Line({110, 90}, {150, 90}, Attr(116, 47)));
  a.Line(Line({-10, -10}, {170, 110}, Attr(kAux, 9)));  // auxiliary construction line

  // A door swing, a round table, an elliptic rug and a tilted ellipse.
  a.Arc(ArcOf({100, 60}, 30, kHalfPi, kHalfPi, Attr(kGreen)));
  a.Arc(Circle({130, 30}, 12, Attr(kRed)));
  FDataEnko rug = Circle({40, 70}, 20, Attr(kGreen, 2));
  rug.flatness = 0.5;
  a.Arc(rug);
  FDataEnko tilted = Circle({25, 25}, 12, Attr(kBlue));
  tilted.flatness = 0.4;
  tilted.tiltAngle = 0.6;
  a.Arc(tilted);

  // Survey points: a plain dot and marks.
  a.Point(Dot({5, 95}, Attr(kRed)));
  for (int code = 1; code <= 3; ++code) {
    FDataTen mark = Dot({5.0 + 10 * code, 95}, Attr(kBlue, 100));
    mark.markCode = code;
    mark.markScale = 1;
    a.Point(mark);
  }

  // Texts, one turned.
  a.Text(Text({5, 103}, {65, 103}, 5, "kestril sample plan", Attr(1)));
  TextSpec turned = Text({165, 10}, {165, 40}, 4, "east", Attr(kRed));
  turned.rec.angle = 90;
  a.Text(turned);

  // A dimension along the bottom wall.
  DimensionSpec d;
  d.rec.attr = Attr(1);
  d.rec.line = Line({0, -15}, {160, -15}, Attr(1));
  d.value = Text({72, -14}, {88, -14}, 4, "160", Attr(1));
  d.rec.extLine1 = Line({0, -2}, {0, -17}, Attr(1));
  d.rec.extLine2 = Line({160, -2}, {160, -17}, Attr(1));
  a.Dimension(d);

  // Solids: a column and a coloured landing with its own RGB colour.
  a.Solid(Quad({98, 58}, {102, 58}, {102, 62}, {98, 62}, Attr(kWall)));
  FDataSolid landing = Quad({110, 5}, {150, 5}, {150, 15}, {110, 15}, Attr(10));
  landing.rgb = 0x00A0C0F0;
  a.Solid(landing);

  // Windows: block 1 (a frame holding block 0, a pane), placed plainly, turned a
  // quarter and mirrored.
  a.Block(Insert(1, {60, 100}));
  a.Block(Insert(1, {160, 20}, 1, 1, kHalfPi));
  a.Block(Insert(1, {40, 0}, -1, 1));
  a.DefinitionCount(2);
  a.Definition(0, 2, "pane");
  a.Line(Line({0, 0}, {20, 0}, Attr(kBlue)));
  a.Line(Line({0, 0}, {0, 2}, Attr(kBlue)));
  a.Definition(1, 3, "window");
  a.Block(Insert(0, {0, -1}));
  a.Line(Line({0, 1}, {20, 1}, Attr(kWall)));
  a.Line(Line({20, -1}, {20, 1}, Attr(kWall)));
  a.End();
  return BuildJww(h, a);
}

std::vector<uint8_t> ManyLines(int64_t n) {
  ArchiveWriter a(700);
  for (int64_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i % 1000);
    const double y = static_cast<double>(i / 1000);
    a.Line(Line({x, y}, {x + 0.5, y + 0.5}, Attr(static_cast<uint16_t>(1 + i % 8))));
  }
  a.End();
  return BuildJws(a);
}

}  // namespace kestril::testing
