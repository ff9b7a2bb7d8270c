// The arc draw: which tracer a record goes to, with which stroke, and where arcs and
// circle solids land inside turned, scaled, mirrored and nested block inserts.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "render_test_support.h"

namespace kestril {
namespace {

using namespace kestril::testing;

// Drawing x -100..100, y -50..100 on 800 x 600 at 4 pixels per unit.
TViewTransform View() {
  TViewTransform v;
  v.YAxisFactor = -1;
  v.Scale = 4;
  v.ViewMin = {-100, -50};
  v.ViewMax = {100, 100};
  return v;
}

RecordingCanvas Draw(const std::vector<uint8_t>& bytes, RenderOptions options = {},
                     DrawingExtentRecord* extent = nullptr) {
  Document doc;
  EXPECT_TRUE(ReadBytes(doc, bytes).ok);
  RecordingCanvas canvas(800, 600);
  RenderDrawing(doc, View(), options, canvas, 800, 600, false);
  if (extent != nullptr) *extent = doc.DrawingExtent;
  return canvas;
}

// The polylines stroked from paths (the dashes), and what was traced into paths.
std::vector<std::vector<TPoint>> Strokes(const RecordingCanvas& c) {
  std::vector<std::vector<TPoint>> out;
  for (const CanvasCall& call : DrawsOf(c, CanvasOp::Polyline)) {
    if (call.inPath && !out.empty() && call.points == out.back()) continue;
    if (call.inPath) out.push_back(call.points);
  }
  return out;
}

// Distance from p to the nearest segment of the polylines.
double DistanceTo(const TaPoint2D& p, const std::vector<std::vector<TaPoint2D>>& lines) {
  double best = std::numeric_limits<double>::infinity();
  for (const auto& line : lines) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      const TaPoint2D a = line[i], b = line[i + 1];
      const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
      const double t =
          len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
      best = std::min(best, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
    }
  }
  return best;
}

// An insert's own map, counter-clockwise: origin + R(rotation) (sx x, sy y).
struct Placement {
  TaPoint2D origin;
  double sx = 1, sy = 1, rotation = 0;
  TaPoint2D operator()(const TaPoint2D& p) const {
    const double x = sx * p.x, y = sy * p.y;
    const double c = std::cos(rotation), s = std::sin(rotation);
    return {origin.x + c * x - s * y, origin.y + s * x + c * y};
  }
};

struct PlacementCase {
  const char* name;
  Placement outer;
  bool nested = false;
  Placement inner;  // the insert inside definition 1
};

// Definition 0 holds the member; definition 1 holds an insert of definition 0. The
// drawing holds one insert, of definition 1 when nested.
std::vector<uint8_t> Placed(const PlacementCase& k,
                            const std::function<void(ArchiveWriter&)>& member) {
  ArchiveWriter a(700);
  const Placement& o = k.outer;
  a.Block(Insert(k.nested ? 1 : 0, o.origin, o.sx, o.sy, o.rotation));
  a.DefinitionCount(2);
  a.Definition(0, 1, "member");
  member(a);
  a.Definition(1, 1, "holder");
  const Placement& i = k.inner;
  a.Block(Insert(0, i.origin, i.sx, i.sy, i.rotation));
  a.End();
  return BuildJws(a);
}

const PlacementCase kPlacements[] = {
    {"plain", {{0, 0}}, false, {}},
    {"moved and turned", {{-20, 10}, 1, 1, 0.7}, false, {}},
    {"scaled 2, 3", {{-30, -10}, 2, 3, 0}, false, {}},
    {"scaled and turned", {{5, 5}, 1.5, 0.5, -1.1}, false, {}},
    {"mirrored in x", {{0, 20}, -1, 1, 0}, false, {}},
    {"mirrored in y", {{-10, 40}, 1, -1, 0.3}, false, {}},
    {"mirrored twice", {{0, 0}, -2, -2, 0}, false, {}},
    {"nested", {{-40, 0}, -1, 1, 0.5}, true, {{20, 10}, 2, 1, 0.3}},
    {"nested mirrors", {{30, 20}, 1, -1.5, 2.0}, true, {{-5, 0}, -1, 1, -0.4}},
};

// Drawn pixels of a placed member against the image of the stored curve (device),
// both ways: drawn points lie on the image, and the image is covered by the strokes.
void ExpectOnImage(const std::vector<std::vector<TaPoint2D>>& drawn,
                   const std::vector<TaPoint2D>& image, double tolerance) {
  ASSERT_FALSE(drawn.empty());
  const std::vector<std::vector<TaPoint2D>> imageLine{image};
  for (const auto& line : drawn) {
    for (const TaPoint2D& p : line) {
      EXPECT_LE(DistanceTo(p, imageLine), tolerance) << p.x << ", " << p.y;
    }
  }
  for (const TaPoint2D& p : image) {
    EXPECT_LE(DistanceTo(p, drawn), tolerance) << "not drawn: " << p.x << ", " << p.y;
  }
}

std::vector<std::vector<TaPoint2D>> AsDouble(const std::vector<std::vector<TPoint>>& lines) {
  std::vector<std::vector<TaPoint2D>> out;
  for (const auto& l : lines) {
    out.emplace_back();
    for (const TPoint& p : l) out.back().push_back({double(p.x), double(p.y)});
  }
  return out;
}

TEST(ArcDraw, PlacedArcsLieOnTheImageOfTheStoredCurve) {
  struct Stored {
    double tilt, flatness;
  };
  for (const PlacementCase& k : kPlacements) {
    for (const Stored& s : {Stored{0, 1}, Stored{0.4, 0.5}}) {
      SCOPED_TRACE(::testing::Message() << k.name << ", tilt " << s.tilt);
      FDataEnko arc = ArcOf({6, 4}, 8, 0.3, 2.0, Attr(2));
      arc.tiltAngle = s.tilt;
      arc.flatness = s.flatness;
      DrawingExtentRecord extent;
      const RecordingCanvas canvas =
          Draw(Placed(k, [&](ArchiveWriter& a) { a.Arc(arc); }), {}, &extent);
      std::vector<TaPoint2D> image;
      for (int i = 0; i <= 400; ++i) {
        const double u = arc.startAngle + arc.arcAngle * i / 400;
        const double x = arc.radius * std::cos(u), y = arc.flatness * arc.radius * std::sin(u);
        const double c = std::cos(s.tilt), sn = std::sin(s.tilt);
        TaPoint2D p{arc.center.x + c * x - sn * y, arc.center.y + sn * x + c * y};
        if (k.nested) p = k.inner(p);
        p = k.outer(p);
        // The extent takes in the placed curve (its samples every pi/20 miss at most the
        // bulge between them).
        const double bulge = 0.01 * arc.radius * 3;
        EXPECT_TRUE(p.x >= extent.MinX - bulge && p.x <= extent.MaxX + bulge &&
                    p.y >= extent.MinY - bulge && p.y <= extent.MaxY + bulge)
            << p.x << ", " << p.y;
        image.push_back(ToDevice(View(), p));
      }
      ExpectOnImage(AsDouble(Strokes(canvas)), image, 1.5);
    }
  }
}

TEST(ArcDraw, PlacedCircleSolidsLieOnTheImageOfTheStoredFigure) {
  for (const PlacementCase& k : kPlacements) {
    SCOPED_TRACE(k.name);
    // A sector from 0.3 through 2.0 of radius 8 about (6, 4).
    FDataSolid sector = Quad({6, 4}, {8, 1}, {0, 0.3}, {2.0, 0}, Attr(3, 101));
    const RecordingCanvas canvas = Draw(Placed(k, [&](ArchiveWriter& a) { a.Solid(sector); }));
    const auto polygons = DrawsOf(canvas, CanvasOp::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    std::vector<TaPoint2D> outline;
    for (const TPoint& p : polygons[0].points) outline.push_back({double(p.x), double(p.y)});
    // The arc's samples, then the centre and the first sample again.
    ASSERT_GE(outline.size(), 4u);
    TaPoint2D centre = {6, 4};
    if (k.nested) centre = k.inner(centre);
    centre = ToDevice(View(), k.outer(centre));
    EXPECT_NEAR(outline[outline.size() - 2].x, centre.x, 0.5);
    EXPECT_NEAR(outline[outline.size() - 2].y, centre.y, 0.5);
    outline.resize(outline.size() - 2);
    std::vector<TaPoint2D> image;
    for (int i = 0; i <= 400; ++i) {
      const double u = 0.3 + 2.0 * i / 400;
      TaPoint2D p{6 + 8 * std::cos(u), 4 + 8 * std::sin(u)};
      if (k.nested) p = k.inner(p);
      image.push_back(ToDevice(View(), k.outer(p)));
    }
    // The ends snap to whole degrees of the placed figure's samples.
    ExpectOnImage({outline}, image, 2.5);
  }
}

// Which tracer a record reaches, and how its path is stroked.
TEST(ArcDraw, RecordsReachTheirTracerAndStroke) {
  TJwwHeader h = TestHeader(700);
  h.PenWidth[5] = 5;
  h.PenWidth[150] = 5;
  struct Case {
    const char* name;
    std::function<void(FDataEnko&)> edit;
    bool preview;
    CanvasOp traced;
    Pen stroke;
  };
  const Pen thin{h.PenColor[5], 0, PenStyle::Solid};
  const auto wide = [&](Color c, int32_t w) {
    return Pen{c, w, PenStyle::Solid, true, PenCap::Flat};
  };
  const Case cases[] = {
      {"circle", [](FDataEnko&) {}, false, CanvasOp::PolyBezierTo, wide(h.PenColor[5], 5)},
      {"preview", [](FDataEnko&) {}, true, CanvasOp::PolyBezierTo, thin},
      {"colour 150", [](FDataEnko& e) { e.attr.penColor = 150; }, false, CanvasOp::PolyBezierTo,
       wide(h.PenColor[150], 1)},
      {"line type 30", [](FDataEnko& e) { e.attr.lineType = 30; }, false, CanvasOp::PolyBezierTo,
       wide(h.PenColor[5], 1)},
      {"ellipse", [](FDataEnko& e) { e.flatness = 0.5; }, false, CanvasOp::PolyBezier,
       wide(h.PenColor[5], 5)},
      {"tilted", [](FDataEnko& e) { e.tiltAngle = 0.5; }, false, CanvasOp::PolyBezier,
       wide(h.PenColor[5], 5)},
      {"full value 2",
       [](FDataEnko& e) {
         e.flatness = 0.5;
         e.fullCircle = 2;
       },
       false, CanvasOp::Polygon, wide(h.PenColor[5], 5)},
      {"random", [](FDataEnko& e) { e.attr.lineType = 12; }, false, CanvasOp::Polyline,
       wide(h.PenColor[5], 5)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    FDataEnko e = Circle({0, 20}, 10, Attr(5));
    k.edit(e);
    ArchiveWriter a(700);
    a.Arc(e);
    a.End();
    RenderOptions options;
    options.PreviewMode = k.preview;
    const RecordingCanvas canvas = Draw(BuildJww(h, a), options);
    bool traced = false;
    for (const CanvasCall& c : canvas.Calls()) traced |= c.inPath && c.op == k.traced;
    EXPECT_TRUE(traced) << ToString(k.traced);
    const auto strokes = DrawsOf(canvas, CanvasOp::StrokePath);
    ASSERT_FALSE(strokes.empty());
    for (const CanvasCall& s : strokes) EXPECT_EQ(s.pen, k.stroke);
  }
}

TEST(ArcDraw, RadiiNotAboveZeroDrawOneUnit) {
  for (double r : {0.0, -3.0, std::nan("")}) {
    ArchiveWriter a(700);
    a.Arc(Circle({0, 20}, r, Attr(2)));
    a.End();
    const RecordingCanvas canvas = Draw(BuildJws(a));
    const auto strokes = Strokes(canvas);
    ASSERT_EQ(strokes.size(), 1u) << r;
    int32_t right = INT32_MIN;
    for (const TPoint& p : strokes[0]) right = std::max(right, p.x);
    EXPECT_EQ(right, 404) << r;  // centre x 400, one unit of 4 pixels
  }
}

}  // namespace
}  // namespace kestril
