// The rules every entity draw shares: whether it is drawn, its colour and pen width.
#pragma once

#include <cstdint>

#include "document/records.h"
#include "graphics/canvas/canvas.h"
#include "render/render_context.h"

namespace kestril {

inline constexpr Color kGreyedLayerColor = 0xC0C0C0;
inline constexpr uint16_t kAuxiliaryColor = 9;

// Colour-9 entities are hidden while the auxiliary colour is switched off.
bool HiddenAuxiliary(const RenderContext& ctx, const FDataHeader& attr);

// Lines, arcs and dimension lines: a line type below 63 and a colour number below 357.
bool InLineRange(const FDataHeader& attr);

// The colour an entity is drawn in, from its base colour: monochrome output makes it
// black or white (against a dark or light background) or grey; a greyed layer or
// group makes it 0xC0C0C0.
Color FinalColor(const RenderContext& ctx, const FDataHeader& attr, Color base);

// PenColor of the colour number, black outside the table.
Color PenColorOf(const RenderContext& ctx, uint16_t colorNumber);

// Pen width in pixels; 0 is the thinnest pen. SXF line types and colours use it too.
double PenWidthFor(const RenderContext& ctx, const FDataHeader& attr, bool previewThin = true);

// Whether a colour is dark: red, green and blue all below 65.
bool IsDark(Color c);

}  // namespace kestril
