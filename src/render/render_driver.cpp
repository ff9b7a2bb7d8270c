#include "render/render_driver.h"

namespace kestril {
namespace {

void FillBackground(const Document& doc, Canvas& canvas, int32_t width, int32_t height) {
  const Color background = doc.Header.PenColor[0];
  canvas.SetBrush({background, BrushStyle::Solid});
  canvas.FillRect(1, 1, width, height);
}

}  // namespace

void RenderDrawing(const Document& doc, const TViewTransform& view, RenderOptions& options,
                   Canvas& canvas, int32_t width, int32_t height, bool fillBackground) {
  (void)view;
  if (doc.ObjectCount == 0) {
    FillBackground(doc, canvas, width, height);
    return;
  }
  if (fillBackground) {
    canvas.SetPen({doc.Header.PenColor[0]});
    FillBackground(doc, canvas, width, height);
  }
  options.PrePassActive = false;
}

void ApplyUserPenColors(TJwwHeader& header, const std::array<Color, 11>& userColors) {
  if (header.CarriesPens) return;
  for (size_t i = 0; i < userColors.size(); ++i) header.PenColor[i] = userColors[i] & 0xFFFFFF;
}

}  // namespace kestril
