// Lines, points and the line of a dimension.
#include "graphics/point_marks.h"
#include "graphics/style_line.h"
#include "render/dash_pattern.h"
#include "render/draw_rules.h"
#include "render/entity_draw.h"
#include "render/text_draw.h"

namespace kestril {
namespace {

void DrawLineOf(RenderContext& ctx, const FDataSen& r) {
  const TJwwHeader& h = ctx.doc.Header;
  const uint8_t type = r.attr.lineType;
  TStyleLineCanvas& style = ctx.cache.Style(ctx.canvas);
  style.Color = FinalColor(ctx, r.attr, PenColorOf(ctx, r.attr.penColor));
  style.Width = PenWidthFor(ctx, r.attr);
  const TaPoint2D a = ctx.placement.Place(r.start);
  const TaPoint2D b = ctx.placement.Place(r.end);
  if (IsRandomLineType(type)) {
    DrawRandomLine(style, a, b, ctx.cache.Shape(type), static_cast<int32_t>(h.RandomWidth[type]),
                   static_cast<int32_t>(h.LinePitch[type]), ctx.view);
    return;
  }
  style.LineType = type;
  const TDoubleDynArray& pattern = ctx.cache.Pattern(type);
  style.Pattern.assign(pattern.begin(), pattern.end());
  DrawStyleLine(style, a, b, ctx.view);
}

}  // namespace

void Draw(RenderContext& ctx, const FDataSen& r) {
  if (HiddenAuxiliary(ctx, r.attr) || !IsVisible(ctx.doc, r.attr) || !InLineRange(r.attr)) return;
  DrawLineOf(ctx, r);
}

void Draw(RenderContext& ctx, const FDataTen& r) {
  if (HiddenAuxiliary(ctx, r.attr) || !IsVisible(ctx.doc, r.attr)) return;
  if (r.attr.penColor >= kPenEntries) return;
  const TJwwHeader& h = ctx.doc.Header;
  TStyleLineCanvas style;
  style.Canvas = &ctx.canvas;
  style.Color = FinalColor(ctx, r.attr, PenColorOf(ctx, r.attr.penColor));
  style.Width = PenWidthFor(ctx, r.attr, /*previewThin=*/false);
  ctx.canvas.SetBrush({style.Color, BrushStyle::Solid});
  const double size = h.DrawFlags[0] == 1 ? h.PrintDotRadius[r.attr.penColor] : 0.0;
  const TaPoint2D at = ctx.placement.Place(r.point);
  if (r.hasMark) {
    DrawPointMarker(style, at, r.markCode, ctx.view, 1, size, r.markScale, r.markAngle, 1.25);
  } else {
    DrawDot(style, at, ctx.view, size);
  }
  ctx.canvas.SetBrush({0xFFFFFF, BrushStyle::Solid});
}

void Draw(RenderContext& ctx, const FDataSunpou& r) {
  // An auxiliary-coloured dimension line hides the whole dimension.
  if (HiddenAuxiliary(ctx, r.line.attr)) return;
  if (IsVisible(ctx.doc, r.line.attr) && InLineRange(r.line.attr)) DrawLineOf(ctx, r.line);
  DrawDimensionValue(ctx, r.text);
}

}  // namespace kestril
