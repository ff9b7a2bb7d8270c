// Arc tracers and patterned path strokes, asserted on the exact device points and
// figures they hand to a RecordingCanvas.
#include "graphics/arcs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "engine_test_support.h"
#include "graphics/path.h"
#include "graphics/solids.h"

namespace kestril {
namespace {

using test::Context;
using test::Dev;
using test::PictureView;
using Points = std::vector<TPoint>;

constexpr double kDeg = kPi / 180;
constexpr uint8_t kMove = kPtMoveTo, kLine = kPtLineTo, kBez = kPtBezierTo;

struct Traced {
  Points points;
  std::vector<uint8_t> types;
  std::vector<Points> bezierCalls;  // PolyBezier calls: one figure each
};

// Runs `trace` inside a path bracket of a fresh canvas; flattened on request.
Traced Trace(const std::function<void(RecordingCanvas&)>& trace, bool flatten = false) {
  RecordingCanvas canvas;
  canvas.BeginPath();
  trace(canvas);
  canvas.EndPath();
  if (flatten) canvas.FlattenPath();
  Traced t{canvas.Path().Points(), canvas.Path().Types(), {}};
  for (const CanvasCall& c : test::DrawsOf(canvas, CanvasOp::PolyBezier)) {
    t.bezierCalls.push_back(c.points);
  }
  return t;
}

Traced Circle(double start, double sweep, uint8_t full = 0) {
  return Trace([&](RecordingCanvas& c) {
    DrawCircleArc(Context(c), Dev(100, 100), full, 10, start, sweep, PictureView());
  });
}

Traced Ellipse(double start, double sweep, uint8_t full = 0) {
  return Trace([&](RecordingCanvas& c) {
    DrawEllipseArc(Context(c), Dev(300, 300), full, 100, start, sweep, 0.5, 0, PictureView());
  });
}

// The device point of the untilted ellipse above at drawing angle a, rounded.
TPoint OnEllipse(double a) {
  return {RoundHalfEven(300 + 100 * std::cos(a)), RoundHalfEven(300 - 50 * std::sin(a))};
}

TEST(DrawCircleArc, WholeCircleIsOneMoveAndFourQuartersJoinedAtTheAxes) {
  const Traced t = Circle(1.0, 0.3, 1);  // start and sweep play no part
  ASSERT_EQ(t.points.size(), 13u);
  EXPECT_EQ(t.types, (std::vector<uint8_t>{kMove, kBez, kBez, kBez, kBez, kBez, kBez, kBez, kBez,
                                           kBez, kBez, kBez, kBez}));
  const Points joins{t.points[0], t.points[3], t.points[6], t.points[9], t.points[12]};
  EXPECT_EQ(joins, (Points{{110, 100}, {100, 90}, {90, 100}, {100, 110}, {110, 100}}));
  EXPECT_EQ(t.points[1], (TPoint{110, 94}));  // 0.5523 of the radius, rounded
  EXPECT_EQ(t.points[2], (TPoint{106, 90}));
}

TEST(DrawCircleArc, PiecesOfArcs) {
  // A clockwise quarter from 0 is traced from 270 degrees with a positive sweep.
  Traced t = Circle(0, -kHalfPi);
  EXPECT_EQ(t.points, (Points{{100, 110}, {106, 110}, {110, 106}, {110, 100}}));
  // 100 degrees: a quarter, then 10 degrees, in one figure.
  t = Circle(0, 100 * kDeg);
  ASSERT_EQ(t.points.size(), 7u);
  EXPECT_EQ(t.points[3], (TPoint{100, 90}));
  EXPECT_EQ(t.points[6], (TPoint{98, 90}));
  EXPECT_EQ(t.types[0], kMove);
  // A sweep of 0: a move and a zero-length line at the start point.
  t = Circle(30 * kDeg, 0);
  EXPECT_EQ(t.points, (Points{{109, 95}, {109, 95}}));
  EXPECT_EQ(t.types, (std::vector<uint8_t>{kMove, kLine}));
}

TEST(DrawEllipseArc, PiecesOfTwentyDegreesEachAFigure) {
  Traced t = Ellipse(0, 0, 1);
  ASSERT_EQ(t.bezierCalls.size(), 18u);
  for (size_t g = 0; g < 18; ++g) {
    // Device angles run clockwise on the picture: piece g spans -20g .. -20(g+1) degrees.
    EXPECT_EQ(t.bezierCalls[g].front(), OnEllipse(-20.0 * g * kDeg)) << g;
    EXPECT_EQ(t.bezierCalls[g].back(), OnEllipse(-20.0 * (g + 1) * kDeg)) << g;
  }
  // 50 degrees: 20, 20 and 10, from the end back to the start.
  t = Ellipse(0, 50 * kDeg);
  ASSERT_EQ(t.bezierCalls.size(), 3u);
  const double ends[][2] = {{50, 30}, {30, 10}, {10, 0}};
  for (size_t g = 0; g < 3; ++g) {
    EXPECT_EQ(t.bezierCalls[g].front(), OnEllipse(ends[g][0] * kDeg));
    EXPECT_EQ(t.bezierCalls[g].back(), OnEllipse(ends[g][1] * kDeg));
  }
  // A remainder of 0.0001 radians or less is dropped; a little more is kept.
  EXPECT_EQ(Ellipse(0, 40 * kDeg + 0.00009).bezierCalls.size(), 2u);
  EXPECT_EQ(Ellipse(0, 40 * kDeg + 0.0002).bezierCalls.size(), 3u);
}

TEST(DrawEllipseArc, TiltTurnsCounterClockwiseOnThePicture) {
  const Traced t = Trace([](RecordingCanvas& c) {
    DrawEllipseArc(Context(c), Dev(300, 300), 0, 100, 0, 20 * kDeg, 0.5, kHalfPi, PictureView());
  });
  ASSERT_EQ(t.bezierCalls.size(), 1u);
  EXPECT_EQ(t.bezierCalls[0].back(), (TPoint{300, 200}));   // the major axis points up
  EXPECT_EQ(t.bezierCalls[0].front(), (TPoint{283, 206}));  // 20 degrees on, turned
}

// First points of the chords DrawRandomArc drew (pitch 1: each chord one polyline that
// starts at the chord's start; a zero-length chord draws nothing).
std::vector<TPoint> ChordStarts(double sweep) {
  RecordingCanvas canvas;
  const std::vector<double> shape(32, 1.0);
  DrawRandomArc(Context(canvas), Dev(300, 300), 200, 0, sweep, 1, 0, shape, 0, 1, 1, PictureView());
  std::vector<TPoint> out;
  for (const Points& p : test::Polylines(canvas)) out.push_back(p.front());
  EXPECT_EQ(canvas.CurrentBrush(), (Brush{0xFFFFFF, BrushStyle::Clear}));
  return out;
}

TPoint OnRandomCircle(double degrees) {
  return {RoundHalfEven(300 + 200 * std::cos(degrees * kDeg)),
          RoundHalfEven(300 - 200 * std::sin(degrees * kDeg))};
}

TEST(DrawRandomArc, FiveDegreeChordsAndALastChordToTheEnd) {
  std::vector<TPoint> expected;
  for (int k = 0; k < 18; ++k) expected.push_back(OnRandomCircle(5 * k));
  EXPECT_EQ(ChordStarts(90 * kDeg), expected);  // and a zero-length chord at 90
  EXPECT_EQ(ChordStarts(7 * kDeg), (std::vector<TPoint>{OnRandomCircle(0), OnRandomCircle(5)}));
  EXPECT_EQ(ChordStarts(8 * kDeg),
            (std::vector<TPoint>{OnRandomCircle(0), OnRandomCircle(5), OnRandomCircle(10)}));
  EXPECT_TRUE(ChordStarts(0).empty());
}

// The polylines stroked for the dashes of a path.
std::vector<Points> Dashes(const RecordingCanvas& canvas) {
  std::vector<Points> out;
  for (const CanvasCall& c : test::DrawsOf(canvas, CanvasOp::Polyline)) {
    if (c.inPath) out.push_back(c.points);
  }
  return out;
}

std::vector<Points> Stroke(const Points& polyline, std::vector<double> pattern, int32_t width = 1,
                           bool thin = false, bool flatCaps = true) {
  RecordingCanvas canvas;
  std::vector<TPoint> scratch;
  StrokeDashes(polyline, canvas, 0x112233, width, pattern, thin, flatCaps, scratch);
  for (const CanvasCall& c : test::DrawsOf(canvas, CanvasOp::Polyline)) {
    const Pen expected =
        thin ? Pen{0x112233, 0, PenStyle::Solid}
             : Pen{0x112233, width, PenStyle::Solid, true, flatCaps ? PenCap::Flat : PenCap::Round};
    EXPECT_EQ(c.pen, expected);
  }
  EXPECT_EQ(test::DrawsOf(canvas, CanvasOp::StrokePath).size(),
            test::DrawsOf(canvas, CanvasOp::Polyline).size());
  return Dashes(canvas);
}

TEST(StrokeDashes, LaysThePatternInPenWidthsAlongThePolyline) {
  const Points line{{0, 0}, {20, 0}};
  const std::vector<Points> fourTwo{
      {{0, 0}, {4, 0}}, {{6, 0}, {10, 0}}, {{12, 0}, {16, 0}}, {{18, 0}, {20, 0}}};
  EXPECT_EQ(Stroke(line, {4, 2}), fourTwo);
  EXPECT_EQ(Stroke(line, {4, 2}, 0), fourTwo);  // the thinnest pen counts as one pixel
  EXPECT_EQ(Stroke(line, {4, 2}, 1, true), fourTwo);
  EXPECT_EQ(Stroke(line, {4, 2}, 1, false, false), fourTwo);
  EXPECT_EQ(Stroke({{0, 0}, {40, 0}}, {4, 2}, 3),
            (std::vector<Points>{{{0, 0}, {12, 0}}, {{18, 0}, {30, 0}}, {{36, 0}, {40, 0}}}));
  // A dash runs through the vertices it covers.
  EXPECT_EQ(Stroke({{0, 0}, {10, 0}, {10, 10}}, {14, 2}),
            (std::vector<Points>{{{0, 0}, {10, 0}, {10, 4}}, {{10, 6}, {10, 10}}}));
  // An odd pattern alternates across its wrap.
  EXPECT_EQ(Stroke({{0, 0}, {0, 14}}, {2, 3, 4}),
            (std::vector<Points>{{{0, 0}, {0, 2}}, {{0, 5}, {0, 9}}, {{0, 11}, {0, 14}}}));
}

TEST(StrokeDashes, PatternsThatCannotBeWalkedStrokeSolid) {
  const Points bend{{0, 0}, {30, 0}, {30, 30}};
  const std::vector<Points> whole{bend};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<double>> patterns{
      {1000000, 1}, {}, {0, 0}, {-3, -1}, {nan, nan}, {1e-9, 1e-9}, {1e308, 1e308}};
  for (const auto& pattern : patterns) EXPECT_EQ(Stroke(bend, pattern), whole);
  EXPECT_TRUE(Stroke({}, {4, 2}).empty());
}

TEST(StrokeDashes, DashesOutOfReachOfTheCanvasAreLeftOut) {
  // Two billion pixels of one-pixel dashes, crossing an 800 x 600 canvas at y = 300.
  const std::vector<Points> dashes = Stroke({{-1'000'000'000, 300}, {1'000'000'000, 300}}, {1, 1});
  ASSERT_FALSE(dashes.empty());
  EXPECT_LT(dashes.size(), 1000u);
  for (const Points& d : dashes) EXPECT_LE(std::abs(d[0].x - 400), 410);
  EXPECT_EQ(dashes.front()[0].x % 2, 0);  // still in step with the pattern's start
}

TEST(TPath, FiguresAreStrokedApartAndClosedFiguresRunBackToTheirStart) {
  RecordingCanvas canvas;
  canvas.SetPathResult({{0, 0}, {10, 0}, {10, 10}, {0, 20}, {10, 20}},
                       {kMove, kLine, kLine, kMove, kLine});
  TPath path;
  path.GetFromCanvas(canvas);
  ASSERT_EQ(path.Count(), 5);
  path.DrawStyled(canvas, 0, 1, std::vector<double>{4, 2}, false, true);
  EXPECT_EQ(Dashes(canvas), (std::vector<Points>{{{0, 0}, {4, 0}},
                                                 {{6, 0}, {10, 0}, {10, 0}},
                                                 {{10, 2}, {10, 6}},
                                                 {{10, 8}, {10, 10}},
                                                 {{0, 20}, {4, 20}},
                                                 {{6, 20}, {10, 20}}}));
  RecordingCanvas triangle;
  triangle.SetPathResult({{50, 50}, {80, 50}, {50, 80}},
                         {kMove, kLine, uint8_t(kLine | kPtCloseFigure)});
  path.GetFromCanvas(triangle);
  path.DrawStyled(triangle, 0, 2, std::vector<double>{1000000, 1}, false, true);
  EXPECT_EQ(Dashes(triangle), (std::vector<Points>{{{50, 50}, {80, 50}, {50, 80}, {50, 50}}}));
}

TEST(TPath, PointsAndTheirKinds) {
  RecordingCanvas canvas;
  canvas.SetPathResult({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}},
                       {kMove, kBez, kBez, uint8_t(kBez | kPtCloseFigure), kLine});
  TPath path;
  path.GetFromCanvas(canvas);
  TPath copy;
  copy.Assign(path);
  ASSERT_EQ(copy.Count(), 5);
  EXPECT_EQ(copy.GetPoint(0).Kind, 0);
  EXPECT_EQ(copy.GetPoint(1).Kind, 2);
  EXPECT_TRUE(copy.GetPoint(3).CloseFigure);
  EXPECT_FALSE(copy.GetPoint(2).CloseFigure);
  EXPECT_EQ(copy.GetPoint(4).Kind, 1);
  EXPECT_EQ(copy.GetPoint(4).X, 9);
  for (int32_t bad : {-1, 5}) {
    try {
      copy.GetPoint(bad);
      ADD_FAILURE() << bad;
    } catch (const EPathError& e) {
      EXPECT_STREQ(e.what(), "TPath.GetPoint: Index is Out of Range");
    }
  }
  // An empty path draws nothing and raises nothing.
  RecordingCanvas empty;
  TPath none;
  none.GetFromCanvas(empty);
  none.DrawStyled(empty, 0, 1, std::vector<double>{4, 2}, false, true);
  EXPECT_TRUE(Dashes(empty).empty());
}

// Every traced and flattened point of hostile curves stays near the canvas, and
// tracing them ends (with few points).
TEST(ArcTracers, HostileCurvesTraceNothingFarOrUnbounded) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    TaPoint2D centre;
    double radius, start, sweep, flatness, tilt;
  };
  const Case cases[] = {
      {Dev(400, 300), 1e12, 0, kTwoPi, 1, 0},
      {Dev(400, 300), 1e12, 0.3, 2, 0.5, 0.7},
      {Dev(-1e12, 300), 1e12 + 400, 0, 1, 1, 0},
      {Dev(1e15, 1e15), 5, 0, kTwoPi, 1, 0},
      {Dev(400, 300), nan, 0, 1, 1, 0},
      {Dev(400, 300), 50, inf, 1, 1, 0},
      {Dev(400, 300), 50, 0, 1e300, 0.5, 0},
      {Dev(400, 300), 50, 0, -inf, 1, 0},
      {Dev(nan, 300), 50, 0, 1, 1, 0},
      {Dev(400, 300), inf, 0, 1, 1, 0},
      {Dev(400, 300), 50, 0, 1, std::nan(""), 0},
      {Dev(400, 300), 1e300, 0, 7, 1e300, 1},
  };
  const std::vector<double> shape(32, 1.0);
  for (const Case& k : cases) {
    for (int tracer = 0; tracer < 4; ++tracer) {
      RecordingCanvas canvas;
      canvas.BeginPath();
      const TStyleLineCanvas style = Context(canvas);
      switch (tracer) {
        case 0:
          DrawCircleArc(style, k.centre, 0, k.radius, k.start, k.sweep, PictureView());
          break;
        case 1:
          DrawEllipseArc(style, k.centre, 0, k.radius, k.start, k.sweep, k.flatness, k.tilt,
                         PictureView());
          break;
        case 2:
          DrawRandomArc(style, k.centre, k.radius, k.start, k.sweep, k.flatness, k.tilt, shape, 3,
                        2, 0, PictureView());
          break;
        default:
          DrawCircleSolid(style, k.centre, kBrushSolid, k.radius, k.radius / 2, k.start, k.sweep,
                          k.flatness, k.tilt, 221, PictureView());
      }
      canvas.EndPath();
      canvas.FlattenPath();
      SCOPED_TRACE(testing::Message() << "tracer " << tracer << " radius " << k.radius);
      EXPECT_LT(canvas.Path().Points().size(), 200000u);
      for (const TPoint& p : canvas.Path().Points()) {
        ASSERT_LE(std::abs(int64_t{p.x}), 1 << 23);
        ASSERT_LE(std::abs(int64_t{p.y}), 1 << 23);
      }
    }
  }
}

// A circle of ten million pixels whose edge crosses the canvas is traced there, on the
// curve, although its centre and most of it lie far off.
TEST(ArcTracers, FarReachingCirclesAreTracedOnTheCurveNearTheCanvas) {
  constexpr double r = 1e7;
  const TaPoint2D centre{400 - r, 300};
  for (int tracer = 0; tracer < 2; ++tracer) {
    const Traced t = Trace(
        [&](RecordingCanvas& c) {
          if (tracer == 0) {
            DrawCircleArc(Context(c), Dev(centre.x, centre.y), 1, r, 0, 0, PictureView());
          } else {
            DrawEllipseArc(Context(c), Dev(centre.x, centre.y), 1, r, 0, 0, 1, 0.25, PictureView());
          }
        },
        true);
    // Points along the flattened segments that cross the canvas lie on the circle.
    int onCanvas = 0;
    for (size_t i = 1; i < t.points.size(); ++i) {
      if (t.types[i] == kMove) continue;
      const TPoint a = t.points[i - 1], b = t.points[i];
      for (int k = 0; k <= 1000; ++k) {
        const double x = a.x + (b.x - a.x) * k / 1000.0, y = a.y + (b.y - a.y) * k / 1000.0;
        if (x < 0 || x > 800 || y < 0 || y > 600) continue;
        ++onCanvas;
        EXPECT_NEAR(std::hypot(x - centre.x, y - centre.y), r, 1.5) << x << "," << y;
      }
    }
    EXPECT_GT(onCanvas, 2) << tracer;
  }
}

}  // namespace
}  // namespace kestril
