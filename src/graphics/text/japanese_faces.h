// The Japanese typefaces of Windows as drawings name them ("ＭＳ ゴシック", "MS Gothic",
// "ＭＳゴシック", ...): one entry per face, with its English name, which GDI finds on
// every Windows locale, the IPA font that stands in for it elsewhere, and the size of its
// em against its cell.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestril {

struct JapaneseFace {
  std::u16string_view windowsName;
  std::string_view ipaFamily;
  // The Windows face's em over its cell, unitsPerEm / (usWinAscent + usWinDescent): GDI
  // sizes a font by its cell, and a stand-in with a taller cell would otherwise draw
  // smaller glyphs than the face the drawing was made with.
  double emPerCell;
};

// The face a name stands for, written with full-width or half-width letters, with or
// without spaces, in any case; null for any other name.
const JapaneseFace* FindJapaneseFace(std::u16string_view name);

// The GDI height (positive: the cell, negative: the em, in pixels) to ask whatever face
// draws a font named `name` of height `height`: for the Windows Japanese faces, the em
// their own cell of that height has, so that a stand-in draws glyphs as tall as theirs;
// for other names, and for heights that are not cells, `height` itself.
int32_t StandInHeight(std::u16string_view name, int32_t height);

}  // namespace kestril
