// Texts, image references and the value texts of dimensions.
#include "render/text_draw.h"

#include <cmath>
#include <numbers>
#include <string>

#include "graphics/text/cp932.h"
#include "graphics/text/jww_text.h"
#include "graphics/text_image.h"
#include "render/draw_rules.h"
#include "render/entity_draw.h"

namespace kestril {

namespace {

constexpr std::string_view kImagePrefix = "^@BM";

// What the drawing says about all its texts, in the colours of this text's rules.
TextDrawingSettings SettingsFor(RenderContext& ctx, const FDataHeader& attr) {
  const TJwwHeader& h = ctx.doc.Header;
  TextDrawingSettings s;
  s.budget = &ctx.textBudget;
  s.backgroundColor = h.PenColor[0];
  // Colour sequences follow the monochrome and greyed-layer rules like the text itself.
  for (uint16_t i = 1; i < s.lineColors.size(); ++i) {
    s.lineColors[i] = FinalColor(ctx, attr, h.PenColor[i]);
  }
  return s;
}

// Places, expands and draws a text record in `color`.
void DrawTextRecord(RenderContext& ctx, const FDataMoji& r, Color color) {
  // Once the picture's texts have used up their budget, the rest are not even expanded.
  if (ctx.textBudget.characters == 0) return;
  const TJwwHeader& h = ctx.doc.Header;
  TStyleLineCanvas style;
  style.Canvas = &ctx.canvas;
  style.Color = color;
  const TaPoint2D start = ctx.placement.Place(r.start);
  const TaPoint2D end = ctx.placement.Place(r.end);
  double angle = r.angle;
  double height = r.height, width = r.width, spacing = r.spacing;
  if (ctx.placement.InBlock) {
    angle += ctx.placement.BlockRotation * 180 / std::numbers::pi;
    // An insert scales its texts with its figures: the height by its vertical scale, the
    // width and the spacing by its horizontal one. A mirroring insert moves the text to
    // the mirrored place but still writes it readably, so only the sizes are taken.
    height *= std::fabs(ctx.placement.BlockScaleY);
    width *= std::fabs(ctx.placement.BlockScaleX);
    spacing *= std::fabs(ctx.placement.BlockScaleX);
  }
  const TaPoint2D offset =
      h.TextOptionMode == 1 ? TaPoint2D{h.TextOptionA[0], h.TextOptionB[0]} : TaPoint2D{};
  const JwString text =
      ExpandTextVariables(ctx.doc.Text(r.text), r.attr.layerGroup, ctx.doc, *ctx.clock);
  DrawJwwText(style, start, end, ctx.view, text, ctx.doc.Text(r.fontName), r.attr.flags, r.textKind,
              offset, angle, spacing, height, width, SettingsFor(ctx, r.attr));
}

}  // namespace

void Draw(RenderContext& ctx, const FDataMoji& r) {
  if (HiddenAuxiliary(ctx, r.attr) || !IsVisible(ctx.doc, r.attr)) return;
  const bool image = ctx.doc.Text(r.text).StartsWithAscii(kImagePrefix);
  // With a pre-pass, image references are drawn in it and the other texts after it.
  if (ctx.doc.Header.DrawFlags[2] != 0 && image != ctx.options.PrePassActive) return;
  if (image) {
    DrawTextImage(ctx.canvas, ctx.placement.Place(r.start), ctx.doc.Text(r.text), ctx.view,
                  ImageSearch{ctx.doc.SourceFolder}, ctx.images);
    return;
  }
  // Colour numbers beyond the table draw black.
  DrawTextRecord(ctx, r, FinalColor(ctx, r.attr, PenColorOf(ctx, r.attr.penColor)));
}

void DrawDimensionValue(RenderContext& ctx, const FDataMoji& value) {
  if (HiddenAuxiliary(ctx, value.attr) || !IsVisible(ctx.doc, value.attr)) return;
  const uint16_t n = value.attr.penColor;
  const Color base = n < kPenEntries ? ctx.doc.Header.PrintPenColor[n] : 0;
  DrawTextRecord(ctx, value, FinalColor(ctx, value.attr, base));
}

}  // namespace kestril
