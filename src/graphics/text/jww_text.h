// One text of a drawing written character by character: sized from the text's
// character width and height, turned by its angle, written vertically when its flags
// ask for it, spread or compressed by its suffixes, with the in-text control sequences
// ("^!", "^u", "^$3", ...) switching styles, typeface, colour, scripts and overstrikes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "base/jw_string.h"
#include "base/plane.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {

// What the texts of one picture may cost: characters walked and picture areas their
// cells cover. Hostile drawings (a memo repeated into every text, giant characters
// stacked on one spot) then cannot keep a picture from being finished; real drawings
// stay far below both.
struct TextBudget {
  uint64_t characters = uint64_t{1} << 22;
  double pictures = 256;
};

// What the drawing as a whole says about its texts.
struct TextDrawingSettings {
  // 1: every glyph gets a halo in the background colour; 2: a band of the background
  // colour at the start of the text; anything else: nothing behind the text.
  uint32_t backgroundMode = 0;
  double backgroundMargin = 0;  // pixels, for mode 2
  Color backgroundColor = 0xFFFFFF;
  // The colours "^$1" to "^$9" switch to (entry 0 unused).
  std::array<Color, 10> lineColors{};
  // Shared by the texts of one picture; null for no limit.
  TextBudget* budget = nullptr;
};

// Vertical writing: flag bit 5.
inline constexpr uint16_t kVerticalTextFlag = 0x20;

// Draws `text` (code page 932 or UTF-16) from `start` (the baseline's start, drawing units) in
// style.Color. Sizes are drawing units, angle degrees counter-clockwise; offset is
// added to the first cell's corner in pixels. Answers 1 when the text was processed to
// its end.
uint8_t DrawJwwText(const TStyleLineCanvas& style, const TaPoint2D& start, const TaPoint2D& end,
                    const TViewTransform& view, JwStringView text, JwStringView fontName,
                    uint16_t flags, uint32_t textKind, const TaPoint2D& offset, double angle,
                    double spacing, double height, double width,
                    const TextDrawingSettings& settings);

}  // namespace kestril
