#include "graphics/solids.h"

#include <array>
#include <cmath>

#include "graphics/device_draw.h"

namespace kestril {

uint8_t SolidFigureKind(uint8_t lineType, double selector, double start, double sweep) {
  if (lineType == 106) return std::fabs(sweep) <= 6.283 ? 221 : 210;
  // Any other selector outlines the arc.
  uint8_t kind = 100;
  if (selector == 100) {
    kind = 10;
  } else if (selector == 5) {
    kind = 20;
  } else if (selector == 0) {
    kind = 30;
  } else if (selector == -1) {
    kind = start != 0 ? 40 : 41;
  } else {
    return kind;
  }
  return lineType == 111 ? static_cast<uint8_t>(kind + 100) : kind;
}

void DrawSolid(const TStyleLineCanvas& style, std::span<const TaPoint2D, 4> corners,
               const TViewTransform& view, [[maybe_unused]] int32_t colorNumber, uint8_t lineType) {
  if (style.Canvas == nullptr) return;
  if (lineType > 100) {
    const TaPoint2D& p1 = corners[0];
    const TaPoint2D& p2 = corners[1];
    const TaPoint2D& p3 = corners[2];
    const TaPoint2D& p4 = corners[3];
    // Only the ring of line type 106 has an inner boundary; the others get the radius.
    const double inner = lineType == 106 ? p4.y : p2.x;
    DrawCircleSolid(style, p1, kBrushSolid, p2.x, inner, p3.y, p4.x, p2.y, p3.x,
                    SolidFigureKind(lineType, p4.y, p3.y, p4.x), view);
    return;
  }
  Canvas& canvas = *style.Canvas;
  canvas.SetBrush(Brush{style.Color, BrushStyle::Solid});
  SetSolidPen(canvas, style.Color, PenWidthOf(style.Width));
  const std::array<TaPoint2D, 4> device{ToDevice(view, corners[0]), ToDevice(view, corners[1]),
                                        ToDevice(view, corners[2]), ToDevice(view, corners[3])};
  DrawDevicePolygon(canvas, device);
}

}  // namespace kestril
