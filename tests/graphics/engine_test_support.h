// Shared set-up of the engine tests: a view that maps drawing units one to one onto
// device pixels, and readers of what a RecordingCanvas was asked to draw.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <vector>

#include "graphics/canvas/recording_canvas.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {
inline void PrintTo(const TPoint& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ")";
}
}  // namespace kestril

namespace kestril::test {

// Device (x, y) is drawing (x, -y) on the picture axis.
inline TViewTransform PictureView(double scale = 1) {
  TViewTransform view;
  view.YAxisFactor = -1;
  view.Scale = scale;
  return view;
}

// The drawing point that lands on device (x, y) under PictureView(scale).
inline TaPoint2D Dev(double x, double y, double scale = 1) {
  return {x / scale, -y / scale};
}

inline TStyleLineCanvas Context(RecordingCanvas& canvas, Color color = 0x123456, double width = 0,
                                int32_t lineType = 2, TDoubleDynArray pattern = {}) {
  TStyleLineCanvas style;
  style.Canvas = &canvas;
  style.LineType = lineType;
  style.Pattern = std::move(pattern);
  style.Width = width;
  style.Color = color;
  return style;
}

inline std::vector<CanvasCall> DrawsOf(const RecordingCanvas& canvas, CanvasOp op) {
  std::vector<CanvasCall> out;
  for (const CanvasCall& c : canvas.Calls())
    if (c.op == op) out.push_back(c);
  return out;
}

inline std::vector<std::vector<TPoint>> Polylines(const RecordingCanvas& canvas) {
  std::vector<std::vector<TPoint>> out;
  for (const CanvasCall& c : DrawsOf(canvas, CanvasOp::Polyline)) out.push_back(c.points);
  return out;
}

// Every coordinate handed to the canvas stays within this distance of it.
inline void ExpectNearCanvas(const RecordingCanvas& canvas, int32_t limit = 1 << 22) {
  for (const CanvasCall& c : canvas.Draws()) {
    for (const TPoint& p : c.points) {
      EXPECT_LE(std::abs(int64_t{p.x}), limit) << ToString(c.op);
      EXPECT_LE(std::abs(int64_t{p.y}), limit) << ToString(c.op);
    }
    for (int32_t v : c.rect) EXPECT_LE(std::abs(int64_t{v}), limit) << ToString(c.op);
  }
}

}  // namespace kestril::test
