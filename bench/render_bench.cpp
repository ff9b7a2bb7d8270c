// Drawing speed: a real drawing on the native canvas beside Cairo stroking the same
// segments with the same pens, and synthetic drawings of dashed lines at three sizes.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <string>

#include "document/file_stream.h"
#include "document/reader.h"
#include "graphics/canvas/recording_canvas.h"
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

void BM_StairsDraw(benchmark::State& state) {
  const Document doc = ReadPath(kStairs);
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, kWidth, kHeight);
  for (auto _ : state) {
    auto canvas = CreateRasterCanvas(kWidth, kHeight);
    RenderOptions options;
    RenderDrawing(doc, view, options, *canvas, kWidth, kHeight, true);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StairsDraw)->Unit(benchmark::kMicrosecond);

// The same polylines, pens and background, stroked by Cairo directly: what drawing
// could cost at best on this backend.
void BM_StairsCairoAlone(benchmark::State& state) {
  const Document doc = ReadPath(kStairs);
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
      const double r = RedOf(c.pen.color) / 255.0, g = GreenOf(c.pen.color) / 255.0,
                   b = BlueOf(c.pen.color) / 255.0;
      cairo_set_source_rgb(cr, r, g, b);
      if (c.op == CanvasOp::FillRect) {
        cairo_rectangle(cr, c.rect[0], c.rect[1], c.rect[2] - c.rect[0], c.rect[3] - c.rect[1]);
        cairo_fill(cr);
      } else if (c.op == CanvasOp::Polyline && c.points.size() >= 2) {
        cairo_set_line_width(cr, c.pen.width < 1 ? 1 : c.pen.width);
        cairo_move_to(cr, c.points[0].x + 0.5, c.points[0].y + 0.5);
        for (size_t i = 1; i < c.points.size(); ++i) {
          cairo_line_to(cr, c.points[i].x + 0.5, c.points[i].y + 0.5);
        }
        cairo_stroke(cr);
        segments += static_cast<int64_t>(c.points.size() - 1);
      }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  state.counters["segments"] = static_cast<double>(segments);
}
BENCHMARK(BM_StairsCairoAlone)->Unit(benchmark::kMicrosecond);

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

void BM_DashedLinesDraw(benchmark::State& state) {
  const Document doc = DashedLines(state.range(0));
  TViewTransform view;
  SetupView(view, doc.DrawingExtent, kWidth, kHeight);
  auto canvas = CreateRasterCanvas(kWidth, kHeight);
  for (auto _ : state) {
    RenderOptions options;
    RenderDrawing(doc, view, options, *canvas, kWidth, kHeight, true);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DashedLinesDraw)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestril

BENCHMARK_MAIN();
