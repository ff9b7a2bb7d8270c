// Drawing costs of the Cairo canvas on a picture of the plug-in's usual size.
#include <benchmark/benchmark.h>

#include <climits>
#include <random>
#include <vector>

#include "graphics/canvas/cairo_canvas.h"

namespace kestril {
namespace {

constexpr int32_t kW = 1024, kH = 768;

std::vector<TPoint> RandomPoints(size_t n) {
  std::mt19937 rng(1);
  std::uniform_int_distribution<int32_t> x(-100, kW + 100), y(-100, kH + 100);
  std::vector<TPoint> pts(n);
  for (TPoint& p : pts) p = {x(rng), y(rng)};
  return pts;
}

void BM_CosmeticPolyline(benchmark::State& state) {
  CairoCanvas c(kW, kH);
  c.SetPen(Pen{.color = 0, .width = 1});
  const std::vector<TPoint> pts = RandomPoints(1000);
  for (auto _ : state) c.Polyline(pts);
  state.SetItemsProcessed(state.iterations() * 999);
}
BENCHMARK(BM_CosmeticPolyline);

void BM_WidePolyline(benchmark::State& state) {
  CairoCanvas c(kW, kH);
  c.SetPen(Pen{.color = 0, .width = 3, .geometric = true, .cap = PenCap::Flat});
  const std::vector<TPoint> pts = RandomPoints(1000);
  for (auto _ : state) c.Polyline(pts);
  state.SetItemsProcessed(state.iterations() * 999);
}
BENCHMARK(BM_WidePolyline);

// How the drawing engine draws a dashed circle: trace, flatten, fetch, stroke dashes.
void BM_CirclePathFlattenAndStroke(benchmark::State& state) {
  CairoCanvas c(kW, kH);
  c.SetPen(Pen{.color = 0, .width = 2, .geometric = true, .cap = PenCap::Flat});
  std::vector<TPoint> points;
  std::vector<uint8_t> types;
  for (auto _ : state) {
    c.BeginPath();
    c.Arc(112, 84, 912, 684, {912, 384}, {912, 384});
    c.EndPath();
    c.FlattenPath();
    c.GetPath(points, types);
    for (size_t i = 0; i + 8 < points.size(); i += 8) {
      c.BeginPath();
      c.Polyline(std::span(points).subspan(i, 5));
      c.EndPath();
      c.StrokePath();
    }
  }
}
BENCHMARK(BM_CirclePathFlattenAndStroke);

void BM_FilledEllipse(benchmark::State& state) {
  CairoCanvas c(kW, kH);
  c.SetPen(Pen{.color = 0, .width = 1});
  c.SetBrush(Brush{.color = 0xFF});
  for (auto _ : state) c.Ellipse(100, 100, 900, 700);
}
BENCHMARK(BM_FilledEllipse);

// Far-off geometry must cost no more than what lands on the picture.
void BM_HostileCoordinates(benchmark::State& state) {
  CairoCanvas c(kW, kH);
  c.SetPen(Pen{.color = 0, .width = 1});
  const std::vector<TPoint> line{{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}};
  for (auto _ : state) {
    c.Polyline(line);
    c.Arc(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {0, 0}, {0, 0});
  }
}
BENCHMARK(BM_HostileCoordinates);

}  // namespace
}  // namespace kestril
