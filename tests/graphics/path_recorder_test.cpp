// The path bracket as GDI keeps it: figures and point types, curve tracing of Ellipse
// and Arc, flattening, and the recording canvas answering GetPath from it.
#include "graphics/canvas/path_recorder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "graphics/canvas/canvas.h"
#include "graphics/canvas/recording_canvas.h"

namespace kestril {
namespace {

using Points = std::vector<TPoint>;
using Types = std::vector<uint8_t>;

constexpr uint8_t M = kPtMoveTo, L = kPtLineTo, B = kPtBezierTo, C = kPtCloseFigure;

// Within a pixel: points on a half pixel may round either way.
bool Near(TPoint a, TPoint b) {
  return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
}

TEST(PathRecorder, FiguresCarryWindowsPointTypes) {
  PathRecorder r;
  r.Begin({0, 0});
  EXPECT_TRUE(r.Polyline(Points{{1, 1}, {5, 1}, {5, 4}}));
  EXPECT_TRUE(r.Polygon(Points{{10, 10}, {20, 10}, {15, 18}}));
  EXPECT_TRUE(r.PolyBezier(Points{{0, 0}, {1, 2}, {3, 2}, {4, 0}}));
  EXPECT_TRUE(r.End());
  EXPECT_EQ(r.Types(), (Types{M, L, L, M, L, L | C, M, B, B, B}));
  EXPECT_EQ(r.Points()[5], (TPoint{15, 18}));
}

TEST(PathRecorder, InvalidCountsAndCallsOutsideTheBracketAddNothing) {
  PathRecorder r;
  EXPECT_FALSE(r.Polyline(Points{{0, 0}, {1, 1}}));  // no bracket
  r.Begin({0, 0});
  EXPECT_FALSE(r.Polyline(Points{{0, 0}}));
  EXPECT_FALSE(r.Polygon(Points{{0, 0}}));
  EXPECT_FALSE(r.PolyBezier(Points{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_FALSE(r.PolyBezier(Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
  EXPECT_FALSE(r.PolyBezierTo(Points{{1, 1}, {2, 2}}));
  EXPECT_TRUE(r.Points().empty());
  EXPECT_FALSE(r.HasPath());
  EXPECT_FALSE(r.Flatten());  // open bracket: no path yet
  r.End();
  EXPECT_FALSE(r.End());
  EXPECT_TRUE(r.HasPath());
}

// A move is recorded lazily: PolyBezierTo starts a figure at the current position
// unless it continues the open figure that ends there.
TEST(PathRecorder, PolyBezierToContinuesOrStartsFigures) {
  PathRecorder r;
  r.Begin({7, 7});
  r.MoveTo({0, 0});
  r.MoveTo({10, 0});  // only the last move counts
  r.PolyBezierTo(Points{{10, 5}, {5, 10}, {0, 10}});
  r.PolyBezierTo(Points{{-5, 10}, {-10, 5}, {-10, 0}});  // continues
  r.Polygon(Points{{0, 0}, {1, 0}, {1, 1}});
  r.PolyBezierTo(Points{{1, 1}, {2, 2}, {3, 3}});  // after another figure: a new move
  r.End();
  EXPECT_EQ(r.Types(), (Types{M, B, B, B, B, B, B, M, L, L | C, M, B, B, B}));
  EXPECT_EQ(r.Points()[0], (TPoint{10, 0}));
  EXPECT_EQ(r.Points()[10], (TPoint{-10, 0}));
  // Without any move the bracket's starting position is used.
  r.Begin({7, 7});
  r.PolyBezierTo(Points{{8, 8}, {9, 9}, {10, 10}});
  r.End();
  EXPECT_EQ(r.Points()[0], (TPoint{7, 7}));
  EXPECT_EQ(r.Types()[0], M);
}

TEST(PathRecorder, BeginDiscardsThePreviousPath) {
  PathRecorder r;
  r.Begin({});
  r.Polyline(Points{{0, 0}, {1, 1}});
  r.End();
  r.Begin({});
  r.Polyline(Points{{5, 5}, {6, 6}});
  r.End();
  EXPECT_EQ(r.Points(), (Points{{5, 5}, {6, 6}}));
  r.Discard();
  EXPECT_FALSE(r.HasPath());
  EXPECT_TRUE(r.Points().empty());
}

// Ellipse: 13 points from the right end of the axis, counter-clockwise on the screen
// (up first), inside the box without its right and bottom edges, closed.
TEST(PathRecorder, EllipseTracesFourClosedQuarters) {
  PathRecorder r;
  r.Begin({});
  r.Ellipse(0, 0, 101, 51);
  r.End();
  ASSERT_EQ(r.Points().size(), 13u);
  EXPECT_EQ(r.Types().front(), M);
  EXPECT_EQ(r.Types().back(), B | C);
  const Points& p = r.Points();
  EXPECT_EQ(p[0], (TPoint{100, 25}));
  EXPECT_EQ(p[3], (TPoint{50, 0}));
  EXPECT_EQ(p[6], (TPoint{0, 25}));
  EXPECT_EQ(p[9], (TPoint{50, 50}));
  EXPECT_EQ(p[12], p[0]);
  // the first control point leaves the start straight up, 0.5523 of the half height
  EXPECT_EQ(p[1], (TPoint{100, 11}));
  // An empty box adds nothing but is no failure.
  r.Begin({});
  EXPECT_TRUE(r.Ellipse(5, 5, 5, 20));
  r.End();
  EXPECT_TRUE(r.Points().empty());
}

TEST(PathRecorder, ArcRunsCounterClockwiseOnScreenBetweenTheRays) {
  // The rays are taken about the centre of the whole box (50, 50); the curve keeps
  // inside 0..99. From the right (east) to the top (north): one quarter, and as GDI
  // has it, an empty piece where the end lies on the quadrant boundary.
  Points a = TraceArc(0, 0, 100, 100, {200, 50}, {50, -200});
  ASSERT_EQ(a.size(), 7u);
  EXPECT_EQ(a.front(), (TPoint{99, 50}));
  EXPECT_EQ(a[3], (TPoint{50, 0}));
  EXPECT_GT(a[1].x, 90);  // leaves upwards
  EXPECT_LT(a[1].y, 40);
  EXPECT_EQ(a[4], a[3]);
  EXPECT_EQ(a[6], a[3]);
  // From the top to the right the other way round: three quarters (and the empty one).
  Points b = TraceArc(0, 0, 100, 100, {50, -200}, {200, 50});
  ASSERT_EQ(b.size(), 13u);
  EXPECT_TRUE(Near(b[3], {0, 50}));
  EXPECT_TRUE(Near(b[6], {50, 99}));
  EXPECT_EQ(b[9], (TPoint{99, 50}));
  // Equal rays: the whole ellipse, one piece per quadrant.
  Points c = TraceArc(0, 0, 100, 100, {200, 40}, {200, 40});
  ASSERT_EQ(c.size(), 16u);  // five pieces: the start ray is just above east
  EXPECT_EQ(c.front(), c.back());
  // A start between quadrant boundaries splits at the boundaries; swapped corners
  // describe the same box.
  Points d = TraceArc(100, 100, 0, 0, {150, -50}, {-50, 150});  // 45 deg up to 225 deg
  ASSERT_EQ(d.size(), 10u);
  EXPECT_TRUE(Near(d[3], {50, 0}));
  EXPECT_TRUE(Near(d[6], {0, 50}));
}

TEST(PathRecorder, FlattenReplacesCurvesByLinesKeepingFiguresAndCloseFlags) {
  PathRecorder r;
  r.Begin({});
  r.Polyline(Points{{0, 0}, {10, 0}});
  r.Ellipse(0, 0, 41, 41);
  r.End();
  ASSERT_TRUE(r.Flatten());
  const Types& t = r.Types();
  ASSERT_GT(t.size(), 14u);
  EXPECT_EQ(t[0], M);
  EXPECT_EQ(t[1], L);
  EXPECT_EQ(t[2], M);
  for (size_t i = 3; i + 1 < t.size(); ++i) EXPECT_EQ(t[i], L) << i;
  EXPECT_EQ(t.back(), L | C);
  EXPECT_EQ(r.Points().back(), (TPoint{40, 20}));
  // No two neighbours repeat after rounding.
  for (size_t i = 1; i < t.size(); ++i) EXPECT_NE(r.Points()[i], r.Points()[i - 1]) << i;
}

double DistanceToCircle(double x, double y, double cx, double cy, double radius) {
  return std::fabs(std::hypot(x - cx, y - cy) - radius);
}

// A quarter circle of radius 1000 as one Bezier piece: every flattened point and every
// segment midpoint stays near the circle (tolerance, rounding and the Bezier's own
// 0.03 % error), and the segments are short enough to look round.
TEST(PathRecorder, FlattenedQuarterCircleStaysWithinToleranceOfTheCircle) {
  const double radius = 1000, k = 0.5522847498 * radius;
  PathRecorder r;
  r.Begin({});
  r.PolyBezier(Points{
      {1000, 0}, {1000, int32_t(std::lround(k))}, {int32_t(std::lround(k)), 1000}, {0, 1000}});
  r.End();
  ASSERT_TRUE(r.Flatten());
  const Points& p = r.Points();
  ASSERT_GE(p.size(), 20u);
  EXPECT_LE(p.size(), 200u);
  const double rounding = std::sqrt(0.5), bezierError = 0.0003 * radius;
  for (size_t i = 0; i < p.size(); ++i) {
    EXPECT_LE(DistanceToCircle(p[i].x, p[i].y, 0, 0, radius), rounding + bezierError) << i;
    if (i == 0) continue;
    const double mx = (p[i].x + p[i - 1].x) / 2.0, my = (p[i].y + p[i - 1].y) / 2.0;
    EXPECT_LE(DistanceToCircle(mx, my, 0, 0, radius),
              0.75 * kFlattenTolerance + rounding + bezierError)
        << i;
  }
}

TEST(PathRecorder, HugeCurvesFlattenInBoundedPieces) {
  std::vector<TaPoint2D> out;
  FlattenBezier({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX},
                {INT32_MAX, INT32_MAX}, kFlattenTolerance, out);
  EXPECT_LE(out.size(), 1024u);
  EXPECT_EQ(out.back().x, double(INT32_MAX));
  PathRecorder r;
  r.Begin({});
  r.Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  r.Arc(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, {0, 0}, {0, 0});
  r.End();
  EXPECT_LE(r.Points().size(), 13u + 16u);  // at most five pieces for an arc
  EXPECT_TRUE(r.Flatten());
  EXPECT_LE(r.Points().size(), 9u * 1024u + 2u);
}

TEST(FlattenFigures, SplitsFiguresAndClosesMarkedOnes) {
  const Points pts{{0, 0}, {10, 0}, {10, 10}, {20, 20}, {30, 20}, {30, 30}, {20, 30}};
  const Types types{M, L, L | C, M, B, B, B};
  const std::vector<PathFigure> f = FlattenFigures(pts, types, kFlattenTolerance);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_TRUE(f[0].closed);
  EXPECT_EQ(f[0].points.size(), 3u);
  EXPECT_FALSE(f[1].closed);
  EXPECT_EQ(f[1].points.front(), (TaPoint2D{20, 20}));
  EXPECT_EQ(f[1].points.back(), (TaPoint2D{20, 30}));
  EXPECT_GT(f[1].points.size(), 3u);
  // A cut-off Bezier piece is dropped instead of read past the end.
  EXPECT_EQ(FlattenFigures(pts, Types{M, L, L, M, B, B, L}, 0.5).size(), 2u);
  EXPECT_EQ(FlattenFigures(Points{{0, 0}, {1, 1}}, Types{M, B}, 0.5)[0].points.size(), 1u);
}

TEST(RecordingCanvasPath, GetPathAnswersWhatWasTracedAndStrokingConsumesIt) {
  RecordingCanvas c;
  c.MoveTo({3, 4});
  c.BeginPath();
  c.PolyBezierTo(Points{{5, 5}, {6, 6}, {7, 7}});
  c.Polyline(Points{{0, 0}, {1, 1}});
  Points pts{{9, 9}};
  Types types{M};
  c.GetPath(pts, types);  // bracket still open: GDI fails
  EXPECT_TRUE(pts.empty());
  c.EndPath();
  c.GetPath(pts, types);
  EXPECT_EQ(pts, (Points{{3, 4}, {5, 5}, {6, 6}, {7, 7}, {0, 0}, {1, 1}}));
  EXPECT_EQ(types, (Types{M, B, B, B, M, L}));
  c.FlattenPath();
  c.GetPath(pts, types);
  EXPECT_EQ(types.back(), L);
  EXPECT_EQ(std::count(types.begin(), types.end(), B), 0);
  c.StrokePath();
  c.GetPath(pts, types);
  EXPECT_TRUE(pts.empty());
  // Drawing calls were recorded as made inside the bracket.
  EXPECT_TRUE(c.Calls()[2].inPath);
}

TEST(RecordingCanvasPath, SetPathResultStillAnswersWithoutAPathOfItsOwn) {
  RecordingCanvas c;
  c.SetPathResult(Points{{1, 2}, {3, 4}}, Types{M, L});
  Points pts;
  Types types;
  c.GetPath(pts, types);
  EXPECT_EQ(pts, (Points{{1, 2}, {3, 4}}));
  c.BeginPath();
  c.Arc(0, 0, 10, 10, {20, 4}, {20, 4});
  c.EndPath();
  c.GetPath(pts, types);
  EXPECT_EQ(pts.size(), 16u);
}

}  // namespace
}  // namespace kestril
