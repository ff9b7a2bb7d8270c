// Pixel tests of the Cairo canvas against the pixels GDI lights for the same calls.
#include "graphics/canvas/cairo_canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>

#include "canvas_test_util.h"

namespace kestril {
namespace {

using test::Pixels;
using Points = std::vector<TPoint>;

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);

Pen Thin(Color c = 0) {
  return Pen{.color = c, .width = 1};
}
Pen Geometric(int32_t w, PenCap cap, Color c = 0) {
  return Pen{.color = c, .width = w, .geometric = true, .cap = cap};
}

// Bounding box of the inked pixels: left, top, right, bottom (inclusive).
std::array<int32_t, 4> InkBox(const Pixels& p) {
  std::array<int32_t, 4> box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int32_t y = 0; y < p.Height(); ++y) {
    for (int32_t x = 0; x < p.Width(); ++x) {
      if (!p.Inked(x, y)) continue;
      box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    }
  }
  return box;
}

TEST(CairoCanvasLines, CosmeticLinesLightTheStartAndLeaveOutTheEnd) {
  CairoCanvas c(12, 6);
  c.SetPen(Thin(kRed));
  c.Polyline(Points{{2, 1}, {9, 1}});
  c.Polyline(Points{{9, 3}, {2, 3}});  // reversed: 9 down to 3
  c.Polyline(Points{{0, 5}, {0, 5}});  // zero length: nothing
  Pixels p(c);
  EXPECT_EQ(p.Row(1), "..#######...");
  EXPECT_EQ(p.Row(3), "...#######..");
  EXPECT_EQ(p.Row(5), "............");
  EXPECT_EQ(p.At(2, 1), kRed);
  // Width 0 is the same one-pixel pen.
  CairoCanvas v(4, 8);
  v.SetPen(Pen{.color = 0, .width = 0});
  v.Polyline(Points{{1, 1}, {1, 6}});
  EXPECT_EQ(Pixels(v).Column(1), ".#####..");
}

TEST(CairoCanvasLines, PolylineJoinsSegmentsAndPolygonOutlineCloses) {
  CairoCanvas c(8, 8);
  c.SetPen(Thin());
  c.Polyline(Points{{1, 1}, {5, 1}, {5, 5}});
  Pixels p(c);
  EXPECT_EQ(p.Row(1), ".#####..");     // the corner pixel comes from the second segment
  EXPECT_EQ(p.Column(5), ".####...");  // the last pixel (5, 5) is left out
  CairoCanvas g(8, 8);
  g.SetPen(Thin());
  g.SetBrush(Brush{.style = BrushStyle::Clear});
  g.Polygon(Points{{1, 1}, {5, 1}, {5, 5}, {1, 5}});
  Pixels q(g);
  EXPECT_EQ(q.Row(1), ".#####..");
  EXPECT_EQ(q.Row(3), ".#...#..");
  EXPECT_EQ(q.Row(5), ".#####..");
}

// The walk GDI uses (as Wine documents it): Bresenham with a bias in octants 3, 5, 6
// and 8, so ties fall the same way whichever way a line runs.
std::set<std::pair<int64_t, int64_t>> ReferenceLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                                                    int64_t w, int64_t h) {
  std::set<std::pair<int64_t, int64_t>> out;
  const int64_t dx = x1 - x0, dy = y1 - y0, adx = std::llabs(dx), ady = std::llabs(dy);
  int octant;
  if (dy > 0) {
    octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  } else {
    octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  }
  const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
  const bool xMajor = adx > ady;
  const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  int64_t err = 2 * minor - major, x = x0, y = y0;
  const int64_t sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
  for (int64_t i = 0; i < major; ++i) {
    if (x >= 0 && y >= 0 && x < w && y < h) out.insert({x, y});
    if (err + bias > 0) {
      (xMajor ? y : x) += xMajor ? sy : sx;
      err += 2 * minor - 2 * major;
    } else {
      err += 2 * minor;
    }
    (xMajor ? x : y) += xMajor ? sx : sy;
  }
  return out;
}

TEST(CairoCanvasLines, CosmeticLinesMatchGdisWalkInEveryOctantAndWhenClipped) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-30, 60);
  for (int i = 0; i < 400; ++i) {
    const TPoint a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    CairoCanvas c(32, 24);
    c.SetPen(Thin());
    c.Polyline(Points{a, b});
    Pixels p(c);
    std::set<std::pair<int64_t, int64_t>> got;
    for (int32_t y = 0; y < 24; ++y) {
      for (int32_t x = 0; x < 32; ++x) {
        if (p.Inked(x, y)) got.insert({x, y});
      }
    }
    ASSERT_EQ(got, ReferenceLine(a.x, a.y, b.x, b.y, 32, 24))
        << "(" << a.x << "," << a.y << ")-(" << b.x << "," << b.y << ")";
  }
}

TEST(CairoCanvasLines, HostileCoordinatesAreClippedNotOverflowed) {
  CairoCanvas c(40, 30);
  c.SetPen(Thin());
  c.Polyline(Points{{INT32_MIN, 5}, {INT32_MAX, 5}});
  c.Polyline(Points{{7, INT32_MAX}, {7, INT32_MIN}});
  c.Polyline(Points{{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}});  // the diagonal
  c.Polyline(Points{{INT32_MIN, 0}, {INT32_MIN, INT32_MAX}});          // far away
  Pixels p(c);
  EXPECT_EQ(p.Row(5), std::string(40, '#'));
  EXPECT_EQ(p.Column(7), std::string(30, '#'));
  for (int32_t i = 0; i < 30; ++i) EXPECT_TRUE(p.Inked(i, i)) << i;
  // Wide pens, fills and curves with extreme coordinates stay bounded too.
  CairoCanvas w(40, 30);
  w.SetPen(Geometric(9, PenCap::Round));
  w.Polyline(Points{{INT32_MIN, 15}, {20, 15}, {INT32_MAX, INT32_MIN}});
  w.SetBrush(Brush{.color = kBlue});
  w.Polygon(Points{{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {0, INT32_MAX}});
  w.Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  w.Arc(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {0, 0}, {0, 0});
  w.PolyBezier(Points{{INT32_MIN, 0}, {INT32_MAX, 9}, {INT32_MIN, 30}, {INT32_MAX, 30}});
  w.FillRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(Pixels(w).At(0, 0), kBlue);
}

TEST(CairoCanvasFills, PolygonFillsAlternateAndExcludesRightAndBottomWithoutPen) {
  CairoCanvas c(12, 12);
  c.SetPen(Pen{.style = PenStyle::Null});
  c.SetBrush(Brush{.color = kBlue});
  c.Polygon(Points{{2, 2}, {8, 2}, {8, 6}, {2, 6}});
  Pixels p(c);
  EXPECT_EQ(p.Row(2), "..######....");
  EXPECT_EQ(p.Row(5), "..######....");
  EXPECT_EQ(p.Row(6), "............");
  // Two overlapping squares in one polygon: the overlap is filled an even number of
  // times and stays empty.
  CairoCanvas d(12, 12);
  d.SetPen(Pen{.style = PenStyle::Null});
  d.SetBrush(Brush{.color = kBlue});
  d.Polygon(Points{{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {3, 3}, {9, 3}, {9, 9}, {3, 9}, {3, 3}});
  Pixels q(d);
  EXPECT_TRUE(q.Inked(1, 1));
  EXPECT_FALSE(q.Inked(4, 4));
  EXPECT_TRUE(q.Inked(7, 7));
}

TEST(CairoCanvasFills, PolygonOutlineIsDrawnOverTheFill) {
  CairoCanvas c(12, 12);
  c.SetPen(Thin(kRed));
  c.SetBrush(Brush{.color = kBlue});
  c.Polygon(Points{{2, 2}, {8, 2}, {8, 8}, {2, 8}});
  Pixels p(c);
  EXPECT_EQ(p.At(2, 2), kRed);
  EXPECT_EQ(p.At(8, 8), kRed);
  EXPECT_EQ(p.At(5, 5), kBlue);
  EXPECT_EQ(InkBox(p), (std::array<int32_t, 4>{2, 2, 8, 8}));
}

// Ellipse(l, t, r, b) keeps inside l..r-1 and t..b-1, touching all four sides.
TEST(CairoCanvasCurves, EllipseFillsItsBoxWithoutRightAndBottomEdges) {
  CairoCanvas c(50, 40);
  c.SetPen(Thin(kRed));
  c.SetBrush(Brush{.color = kBlue});
  c.Ellipse(5, 4, 46, 25);
  Pixels p(c);
  EXPECT_EQ(InkBox(p), (std::array<int32_t, 4>{5, 4, 45, 24}));
  EXPECT_EQ(p.At(25, 14), kBlue);
  EXPECT_EQ(p.At(5, 14), kRed);
  EXPECT_FALSE(p.Inked(6, 5));  // outside the curve near the corner
  // A clear brush leaves the inside white.
  CairoCanvas o(50, 40);
  o.SetBrush(Brush{.style = BrushStyle::Clear});
  o.Ellipse(5, 4, 46, 25);
  EXPECT_FALSE(Pixels(o).Inked(25, 14));
}

// Point dots of a few pixels are solid, as GDI fills them: no white pixel between inked
// ones of a row, and the inside takes the brush.
TEST(CairoCanvasCurves, SmallDiscsAreFilledThrough) {
  for (int32_t size : {3, 4, 5, 6, 7}) {
    CairoCanvas c(20, 20);
    c.SetPen(Thin(kRed));
    c.SetBrush(Brush{.color = kBlue});
    c.Ellipse(5, 5, 5 + size, 5 + size);
    Pixels p(c);
    for (int32_t y = 5; y < 5 + size; ++y) {
      const std::string row = p.Row(y);
      const size_t first = row.find('#'), last = row.rfind('#');
      ASSERT_NE(first, std::string::npos) << size;
      EXPECT_EQ(row.find('.', first), last + 1) << "size " << size << " row " << y << ": " << row;
    }
    if (size >= 5) {
      EXPECT_EQ(p.At(5 + size / 2, 5 + size / 2), kBlue) << size;
    }
  }
}

// Ink at (x, y) or one of its eight neighbours: curves may land a pixel either way.
bool InkNear(const Pixels& p, int32_t x, int32_t y) {
  for (int32_t v = y - 1; v <= y + 1; ++v) {
    for (int32_t u = x - 1; u <= x + 1; ++u) {
      if (p.Inked(u, v)) return true;
    }
  }
  return false;
}

TEST(CairoCanvasCurves, ArcRunsCounterClockwiseFromStartRayToEndRay) {
  // Box centre (20, 20). East to north: the top-right quarter only.
  CairoCanvas c(41, 41);
  c.SetPen(Thin());
  c.Arc(0, 0, 40, 40, {40, 20}, {20, 0});
  Pixels p(c);
  auto box = InkBox(p);
  EXPECT_GE(box[0], 19);
  EXPECT_LE(box[3], 21);
  EXPECT_TRUE(InkNear(p, 33, 6));  // on the circle at 45 degrees up
  // North to east the other way round: three quarters, not the top-right one.
  CairoCanvas d(41, 41);
  d.SetPen(Thin());
  d.Arc(0, 0, 40, 40, {20, 0}, {40, 20});
  Pixels q(d);
  EXPECT_FALSE(InkNear(q, 33, 6));
  EXPECT_TRUE(InkNear(q, 6, 6));
  EXPECT_TRUE(InkNear(q, 6, 33));
  EXPECT_TRUE(InkNear(q, 33, 33));
  // Equal rays: the whole ellipse.
  CairoCanvas e(41, 41);
  e.SetPen(Thin());
  e.Arc(0, 0, 40, 40, {40, 20}, {40, 20});
  Pixels r(e);
  EXPECT_TRUE(InkNear(r, 33, 6));
  EXPECT_TRUE(InkNear(r, 6, 33));
  EXPECT_EQ(InkBox(r), (std::array<int32_t, 4>{0, 0, 39, 39}));
}

TEST(CairoCanvasCurves, PolyBezierToStartsAtTheCurrentPositionAndMovesIt) {
  CairoCanvas c(30, 30);
  c.SetPen(Thin());
  c.MoveTo({2, 2});
  c.PolyBezierTo(Points{{2, 2}, {20, 2}, {20, 2}});     // a straight curve along row 2
  c.PolyBezierTo(Points{{20, 2}, {20, 20}, {20, 20}});  // continues down column 20
  Pixels p(c);
  EXPECT_TRUE(p.Inked(2, 2));
  EXPECT_TRUE(p.Inked(11, 2));
  EXPECT_TRUE(p.Inked(20, 11));
  EXPECT_FALSE(p.Inked(20, 20));
  c.PolyBezierTo(Points{{1, 1}});  // invalid count: no drawing, no move
  c.PolyBezierTo(Points{{20, 25}, {20, 25}, {20, 25}});
  EXPECT_TRUE(Pixels(c).Inked(20, 22));
}

TEST(CairoCanvasPens, GeometricWidthAndEndCaps) {
  // A 20-pixel line of width 6 on row 20: rows 17..22; the caps decide the ends.
  struct Case {
    PenCap cap;
    int32_t left, right;
  };
  for (Case k :
       {Case{PenCap::Flat, 10, 29}, Case{PenCap::Square, 7, 32}, Case{PenCap::Round, 7, 32}}) {
    CairoCanvas c(40, 40);
    c.SetPen(Geometric(6, k.cap));
    c.Polyline(Points{{10, 20}, {30, 20}});
    Pixels p(c);
    EXPECT_EQ(InkBox(p), (std::array<int32_t, 4>{k.left, 17, k.right, 22})) << int(k.cap);
    // Square caps fill their corners, round ones do not.
    EXPECT_EQ(p.Inked(k.left, 17), k.cap != PenCap::Round) << int(k.cap);
  }
  // Slanted bands have whole-pixel corners, the wider half above this line: GDI lights
  // rows 8..11 in column 20 of this line through (20, 10), not Cairo's exact 9..11.
  CairoCanvas s(40, 30);
  s.SetPen(Geometric(3, PenCap::Flat));
  s.Polyline(Points{{5, 5}, {35, 15}});
  EXPECT_EQ(Pixels(s).Column(20), "........####..................");
  // CreatePen's wide pen ends round whatever cap it carries.
  CairoCanvas c(40, 40);
  c.SetPen(Pen{.color = 0, .width = 6, .cap = PenCap::Flat});
  c.Polyline(Points{{10, 20}, {30, 20}});
  EXPECT_EQ(InkBox(Pixels(c))[0], 7);
}

TEST(CairoCanvasPens, NullPenAndClearBrushDrawNothing) {
  CairoCanvas c(20, 20);
  c.SetPen(Pen{.style = PenStyle::Null});
  c.SetBrush(Brush{.style = BrushStyle::Clear});
  c.Polyline(Points{{0, 0}, {19, 19}});
  c.Polygon(Points{{0, 0}, {19, 0}, {19, 19}});
  c.Ellipse(0, 0, 20, 20);
  c.Arc(0, 0, 20, 20, {0, 0}, {0, 0});
  EXPECT_EQ(Pixels(c).InkedCount(), 0);
}

TEST(CairoCanvasPaths, BracketCollectsFiguresAndStrokingDrawsAndConsumesThem) {
  CairoCanvas c(30, 30);
  c.SetPen(Thin());
  c.SetBrush(Brush{.color = kBlue});
  c.BeginPath();
  c.Polyline(Points{{1, 1}, {20, 1}});
  c.Polygon(Points{{5, 5}, {25, 5}, {25, 25}, {5, 25}});
  c.Ellipse(0, 0, 30, 30);
  c.EndPath();
  EXPECT_EQ(Pixels(c).InkedCount(), 0);  // nothing drawn inside the bracket
  std::vector<TPoint> pts;
  std::vector<uint8_t> types;
  c.GetPath(pts, types);
  EXPECT_EQ(pts.size(), 2u + 4u + 13u);
  c.FlattenPath();
  c.GetPath(pts, types);
  EXPECT_EQ(std::count(types.begin(), types.end(), kPtBezierTo), 0);
  c.StrokePath();
  Pixels p(c);
  EXPECT_TRUE(p.Inked(10, 1));
  EXPECT_TRUE(p.Inked(25, 15));
  EXPECT_FALSE(p.Inked(15, 15));  // StrokePath does not fill
  c.GetPath(pts, types);
  EXPECT_TRUE(pts.empty());
  c.StrokePath();  // no path any more: nothing happens
}

TEST(CairoCanvasPaths, StrokeAndFillPathFillsEveryFigureClosed) {
  CairoCanvas c(30, 30);
  c.SetPen(Thin(kRed));
  c.SetBrush(Brush{.color = kBlue});
  c.BeginPath();
  c.Polyline(Points{{2, 2}, {20, 2}, {20, 20}});  // open, filled as a triangle
  c.EndPath();
  c.StrokeAndFillPath();
  Pixels p(c);
  EXPECT_EQ(p.At(15, 8), kBlue);
  EXPECT_FALSE(p.Inked(8, 15));
  EXPECT_EQ(p.At(20, 10), kRed);
  // Calls outside a closed bracket do nothing.
  CairoCanvas d(30, 30);
  d.BeginPath();
  d.Polyline(Points{{2, 2}, {20, 2}});
  d.StrokePath();  // still open: GDI fails the call
  d.FlattenPath();
  d.EndPath();
  d.StrokePath();
  EXPECT_TRUE(Pixels(d).Inked(10, 2));
}

TEST(CairoCanvasAntialias, SmoothsEdgesOnRequestOnly) {
  auto colours = [](bool aa) {
    CairoCanvas c(30, 30, aa);
    c.SetPen(Geometric(3, PenCap::Round));
    c.Polyline(Points{{2, 3}, {27, 20}});
    Pixels p(c);
    std::set<Color> seen;
    for (int32_t y = 0; y < 30; ++y) {
      for (int32_t x = 0; x < 30; ++x) seen.insert(p.At(x, y));
    }
    return seen.size();
  };
  EXPECT_EQ(colours(false), 2u);
  EXPECT_GT(colours(true), 2u);
}

}  // namespace
}  // namespace kestril
