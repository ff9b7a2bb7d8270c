// Straight-line drawing of the engine on a RecordingCanvas: the cost of walking dash
// patterns and building random-line periods, apart from any rasteriser.
#include <benchmark/benchmark.h>

#include <vector>

#include "graphics/canvas/recording_canvas.h"
#include "graphics/style_line.h"

namespace kestril {
namespace {

TViewTransform PictureView() {
  TViewTransform view;
  view.YAxisFactor = -1;
  view.Scale = 1;
  return view;
}

TStyleLineCanvas Dashed(RecordingCanvas& canvas, TDoubleDynArray pattern) {
  TStyleLineCanvas style;
  style.Canvas = &canvas;
  style.LineType = 2;
  style.Pattern = std::move(pattern);
  style.Color = 0xFF0000;
  return style;
}

// The diagonal of an 800 x 600 picture (1000 pixels) with an 8-on, 4-off pattern.
void BM_DrawStyleLineDashedDiagonal(benchmark::State& state) {
  RecordingCanvas canvas(800, 600);
  const TStyleLineCanvas style = Dashed(canvas, {8, 4});
  const TViewTransform view = PictureView();
  for (auto _ : state) {
    DrawStyleLine(style, {0, 0}, {800, -600}, view);
    canvas.Clear();
  }
  state.SetItemsProcessed(state.iterations() * 84);  // dashes
}
BENCHMARK(BM_DrawStyleLineDashedDiagonal);

// A line two billion pixels long with a one-pixel pattern, crossing the picture.
void BM_DrawStyleLineHugeFinePattern(benchmark::State& state) {
  RecordingCanvas canvas(800, 600);
  const TStyleLineCanvas style = Dashed(canvas, {1, 1});
  const TViewTransform view = PictureView();
  for (auto _ : state) {
    DrawStyleLine(style, {-1e9, -300}, {1e9, -300}, view);
    canvas.Clear();
  }
}
BENCHMARK(BM_DrawStyleLineHugeFinePattern);

// A 1000-pixel random line of pitch 2: 15 periods of 33 points and a tail.
void BM_DrawRandomLine(benchmark::State& state) {
  RecordingCanvas canvas(800, 600);
  const TStyleLineCanvas style = Dashed(canvas, {});
  const TViewTransform view = PictureView();
  std::vector<double> shape(32);
  for (size_t i = 0; i < shape.size(); ++i) shape[i] = (i / 3) % 2;
  for (auto _ : state) {
    DrawRandomLine(style, {0, 0}, {800, -600}, shape, 3, 2, view);
    canvas.Clear();
  }
}
BENCHMARK(BM_DrawRandomLine);

// The same random line two billion pixels long: only the periods near the picture count.
void BM_DrawRandomLineHuge(benchmark::State& state) {
  RecordingCanvas canvas(800, 600);
  const TStyleLineCanvas style = Dashed(canvas, {});
  const TViewTransform view = PictureView();
  const std::vector<double> shape(32, 1.0);
  for (auto _ : state) {
    DrawRandomLine(style, {-1e9, -300}, {1e9, -300}, shape, 3, 2, view);
    canvas.Clear();
  }
}
BENCHMARK(BM_DrawRandomLineHuge);

}  // namespace
}  // namespace kestril
