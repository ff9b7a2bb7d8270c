// Drawing speed: real drawings on the native canvas beside Cairo drawing the same
// segments with the same pens, synthetic drawings of dashed lines at three sizes and of
// circles and arcs at two.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <string>

#include "document/reader.h"
#include "graphics/canvas/recording_canvas.h"
#include "platform/file_stream.h"
#include "render/render_driver.h"
#include "render/view_setup.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using namespace kestril::testing;

constexpr int32_t kWidth = 800, kHeight = 600;

Document ReadPath(const std::string& path) {
  Document doc;
  auto s = OpenFileStream(path);
  ReadDocument(doc, *s);
  return doc;
}

const std::string kStairs = std::string(KESTRIL_TEST_DATA) + "/drawings/stairs-large-v700.jws";

void BM_StairsRead(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadPath(kStairs));
}
BENCHMARK(BM_StairsRead)->Unit(benchmark::kMicrosecond);

// Drawing a real drawing on the native canvas.
void DrawOf(benchmark::State& state, const std::string& path) {
  const Document doc = ReadPath(path);
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, kWidth, kHeight);
  for (auto _ : state) {
    auto canvas = CreateRasterCanvas(kWidth, kHeight);
    RenderOptions options;
    RenderDrawing(doc, view, options, *canvas, kWidth, kHeight, true);
    benchmark::ClobberMemory();
  }
}

void SetPen(cairo_t* cr, const Pen& pen) {
  cairo_set_source_rgb(cr, RedOf(pen.color) / 255.0, GreenOf(pen.color) / 255.0,
                       BlueOf(pen.color) / 255.0);
  cairo_set_line_width(cr, pen.width < 1 ? 1 : pen.width);
  // Cosmetic pens: Cairo's plain stroke; geometric pens: their end caps, round joins.
  const bool round = pen.geometric && pen.cap == PenCap::Round;
  cairo_set_line_cap(cr, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, pen.geometric ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
}

void AddPolyline(cairo_t* cr, const std::vector<TPoint>& points) {
  cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
  for (size_t i = 1; i < points.size(); ++i) {
    cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
  }
}

// The same background, polylines (curves as their flattened dashes), polygons and dots,
// with the same pens and brushes, drawn by Cairo directly: what drawing could cost at
// best on this backend.
void CairoAloneOf(benchmark::State& state, const std::string& path) {
  const Document doc = ReadPath(path);
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, kWidth, kHeight);
  RecordingCanvas recorded(kWidth, kHeight);
  RenderOptions options;
  RenderDrawing(doc, view, options, recorded, kWidth, kHeight, true);
  const std::vector<CanvasCall> draws = recorded.Draws();
  int64_t segments = 0;
  for (auto _ : state) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    segments = 0;
    for (const CanvasCall& c : draws) {
      const Brush& b = c.brush;
      switch (c.op) {
        case CanvasOp::FillRect:
          cairo_set_source_rgb(cr, RedOf(b.color) / 255.0, GreenOf(b.color) / 255.0,
                               BlueOf(b.color) / 255.0);
          cairo_rectangle(cr, c.rect[0], c.rect[1], c.rect[2] - c.rect[0], c.rect[3] - c.rect[1]);
          cairo_fill(cr);
          break;
        case CanvasOp::Polyline:
          if (c.points.size() < 2) break;
          SetPen(cr, c.pen);
          AddPolyline(cr, c.points);
          cairo_stroke(cr);
          segments += static_cast<int64_t>(c.points.size() - 1);
          break;
        case CanvasOp::Polygon:
          if (c.inPath || c.points.size() < 3) break;
          AddPolyline(cr, c.points);
          cairo_close_path(cr);
          cairo_set_source_rgb(cr, RedOf(b.color) / 255.0, GreenOf(b.color) / 255.0,
                               BlueOf(b.color) / 255.0);
          cairo_fill_preserve(cr);
          SetPen(cr, c.pen);
          cairo_stroke(cr);
          break;
        case CanvasOp::Ellipse: {
          const double w = c.rect[2] - c.rect[0], h = c.rect[3] - c.rect[1];
          cairo_save(cr);
          cairo_translate(cr, c.rect[0] + w / 2, c.rect[1] + h / 2);
          cairo_scale(cr, w / 2, h / 2);
          cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
          cairo_restore(cr);
          cairo_set_source_rgb(cr, RedOf(b.color) / 255.0, GreenOf(b.color) / 255.0,
                               BlueOf(b.color) / 255.0);
          cairo_fill_preserve(cr);
          SetPen(cr, c.pen);
          cairo_stroke(cr);
          break;
        }
        default:
          break;
      }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  state.counters["segments"] = static_cast<double>(segments);
}

void BM_StairsDraw(benchmark::State& state) {
  DrawOf(state, kStairs);
}
BENCHMARK(BM_StairsDraw)->Unit(benchmark::kMicrosecond);

void BM_StairsCairoAlone(benchmark::State& state) {
  CairoAloneOf(state, kStairs);
}
BENCHMARK(BM_StairsCairoAlone)->Unit(benchmark::kMicrosecond);

// The real drawing with the most arcs (69 at the top level, 54 in its blocks).
const std::string kSitePlan = std::string(KESTRIL_TEST_DATA) + "/drawings/site-plan-v700.jww";

void BM_SitePlanDraw(benchmark::State& state) {
  DrawOf(state, kSitePlan);
}
BENCHMARK(BM_SitePlanDraw)->Unit(benchmark::kMicrosecond);

void BM_SitePlanCairoAlone(benchmark::State& state) {
  CairoAloneOf(state, kSitePlan);
}
BENCHMARK(BM_SitePlanCairoAlone)->Unit(benchmark::kMicrosecond);

// n dashed lines of every standard dashed type, spread over the sheet.
Document DashedLines(int64_t n) {
  ArchiveWriter a(700);
  for (int64_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i % 1000);
    const double y = static_cast<double>(i / 1000 % 1000);
    const uint8_t type = static_cast<uint8_t>(2 + i % 8);
    a.Line(Line({x, y}, {x + 7, y + 3}, Attr(static_cast<uint16_t>(1 + i % 8), type)));
  }
  a.End();
  Document doc;
  ReadBytes(doc, BuildJws(a));
  return doc;
}

// The whole drawing, fitted, once per iteration; items are the entities drawn.
void DrawRepeatedly(benchmark::State& state, const Document& doc) {
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, kWidth, kHeight);
  auto canvas = CreateRasterCanvas(kWidth, kHeight);
  for (auto _ : state) {
    RenderOptions options;
    RenderDrawing(doc, view, options, *canvas, kWidth, kHeight, true);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DashedLinesDraw(benchmark::State& state) {
  DrawRepeatedly(state, DashedLines(state.range(0)));
}
BENCHMARK(BM_DashedLinesDraw)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

// n circles and arcs over a 100 x 75 sheet, 16 to 80 pixels in radius: half of them
// dashed, every fifth an ellipse or elliptic arc, scattered so they overlap alike at
// every size.
Document CirclesAndArcs(int64_t n) {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 75}, Attr(2)));
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1 << 24);
  };
  for (int64_t i = 0; i < n; ++i) {
    const TaPoint2D c{10 + 80 * next(), 10 + 55 * next()};
    const double r = 2 + 8 * next();
    const uint8_t type = i % 2 == 0 ? 1 : static_cast<uint8_t>(2 + i % 8);
    FDataEnko e = i % 3 == 0 ? Circle(c, r, Attr(static_cast<uint16_t>(1 + i % 8), type))
                             : ArcOf(c, r, kTwoPi * next(), kPi * (0.2 + next()),
                                     Attr(static_cast<uint16_t>(1 + i % 8), type));
    if (i % 5 == 0) {
      e.flatness = 0.6;
      e.tiltAngle = 0.3 * static_cast<double>(i % 7);
    }
    a.Arc(e);
  }
  a.End();
  Document doc;
  ReadBytes(doc, BuildJws(a));
  return doc;
}

void BM_CirclesAndArcsDraw(benchmark::State& state) {
  DrawRepeatedly(state, CirclesAndArcs(state.range(0)));
}
BENCHMARK(BM_CirclesAndArcsDraw)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestril

BENCHMARK_MAIN();
