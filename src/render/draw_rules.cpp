#include "render/draw_rules.h"

namespace kestril {

bool HiddenAuxiliary(const RenderContext& ctx, const FDataHeader& attr) {
  return attr.penColor == kAuxiliaryColor && ctx.options.hoji;
}

bool InLineRange(const FDataHeader& attr) {
  return attr.lineType < 63 && attr.penColor < kPenEntries;
}

bool IsDark(Color c) {
  return RedOf(c) < 65 && GreenOf(c) < 65 && BlueOf(c) < 65;
}

Color PenColorOf(const RenderContext& ctx, uint16_t colorNumber) {
  return colorNumber < kPenEntries ? ctx.doc.Header.PenColor[colorNumber] : 0;
}

Color FinalColor(const RenderContext& ctx, const FDataHeader& attr, Color c) {
  if (ctx.options.BwColor) {
    if (ctx.options.BwGrey) {
      c = IsDark(ctx.doc.Header.PenColor[0]) ? 0xFFFFFF : 0x000000;
    } else {
      const uint32_t mean = (RedOf(c) + GreenOf(c) + BlueOf(c)) / 3;
      c = MakeColor(static_cast<uint8_t>(mean), static_cast<uint8_t>(mean),
                    static_cast<uint8_t>(mean));
    }
  }
  if (IsGreyed(ctx.doc, attr)) c = kGreyedLayerColor;
  return c;
}

double PenWidthFor(const RenderContext& ctx, const FDataHeader& attr, bool previewThin) {
  if (previewThin && ctx.options.PreviewMode) return 0;
  if (attr.lineType >= 30 || attr.penColor >= 100) return 0;
  return attr.penColor < kPenEntries ? ctx.doc.Header.PenWidth[attr.penColor] : 0;
}

}  // namespace kestril
