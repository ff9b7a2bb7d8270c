// Renders writer-built drawings onto a recording canvas.
#pragma once

#include <gtest/gtest.h>

#include "document/reader.h"
#include "graphics/canvas/recording_canvas.h"
#include "render/render_driver.h"
#include "render/view_setup.h"
#include "support/jww_writer.h"

namespace kestril::testing {

struct Rendered {
  Document doc;
  TViewTransform view;
  RenderOptions options;
  RecordingCanvas canvas{800, 600};
};

inline void Render(Rendered& r, const std::vector<uint8_t>& bytes) {
  ASSERT_TRUE(ReadBytes(r.doc, bytes).ok);
  SetupView(r.view, r.doc.DrawingExtent, 800, 600);
  RenderDrawing(r.doc, r.view, r.options, r.canvas, 800, 600, true);
}

// The polylines drawn, in order.
inline std::vector<std::vector<TPoint>> Polylines(const RecordingCanvas& c) {
  std::vector<std::vector<TPoint>> out;
  for (const CanvasCall& call : c.Draws()) {
    if (call.op == CanvasOp::Polyline) out.push_back(call.points);
  }
  return out;
}

inline std::vector<CanvasCall> DrawsOf(const RecordingCanvas& c, CanvasOp op) {
  std::vector<CanvasCall> out;
  for (const CanvasCall& call : c.Draws()) {
    if (call.op == op) out.push_back(call);
  }
  return out;
}

}  // namespace kestril::testing
