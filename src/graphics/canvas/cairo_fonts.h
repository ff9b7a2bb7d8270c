// Typefaces for the Cairo canvas: names as drawings ask for them resolved through
// fontconfig (with the Japanese faces of Windows mapped to the IPA fonts), sized the way
// GDI sizes fonts, and kept in caches so a text of many characters resolves once.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphics/canvas/canvas.h"

namespace kestril {

// The family fontconfig is asked for: an IPA font for the Windows Japanese faces, which
// fontconfig alone would answer with a Latin font without kana; empty for any other
// name, which goes to fontconfig as it is, asking for Japanese coverage.
std::string JapaneseAlias(std::u16string_view face);

// A face as fontconfig resolved it, with the font-unit metrics GDI sizes fonts by. Lives
// as long as the process; shared by every canvas.
struct CairoFace {
  cairo_font_face_t* face = nullptr;  // never null
  std::string file;                   // for tests and diagnostics
  double unitsPerEm = 1;
  double ascent = 0;             // usWinAscent, or the face's ascender
  double descent = 0;            // usWinDescent, or minus the face's descender
  double averageWidth = 0;       // xAvgCharWidth, or half an em
  double underlinePosition = 0;  // below the baseline when negative
  double underlineThickness = 0;
  double strikeoutPosition = 0;  // above the baseline
  double strikeoutSize = 0;
  bool syntheticOblique = false;  // italic asked for and the face has none
};

// The face for a name, weight and slant; bold without a bold face is emboldened, italic
// without an italic face slanted by the font's matrix. Null
// when fontconfig knows no scalable font at all. Thread-safe.
const CairoFace* ResolveCairoFace(std::u16string_view name, bool bold, bool italic);

// A regular face that has the character, whatever its name; null when no installed font
// has it. Thread-safe; asked once per character.
const CairoFace* ResolveCoveringFace(char32_t c);

// A font of one size and turn, ready to show glyphs.
struct CairoFont {
  struct Release {
    void operator()(cairo_scaled_font_t* f) const { cairo_scaled_font_destroy(f); }
  };
  using Scaled = std::unique_ptr<cairo_scaled_font_t, Release>;

  const CairoFace* face = nullptr;
  Scaled scaled;
  // Faces for characters `face` lacks, at the same size, made when first needed:
  // IPAGothic, then any face fontconfig finds that has the character.
  struct Fallback {
    const CairoFace* face = nullptr;
    Scaled scaled;
  };
  std::vector<Fallback> fallbacks;
  cairo_matrix_t matrix{};  // font space to device space
  double emX = 0, emY = 0;  // pixels per em across and up
  double ascent = 0;        // pixels from the cell top to the baseline
  double cellHeight = 0;
  double cosine = 1, sine = 0;  // of the escapement, counter-clockwise on the screen
  // Glyph of each character in `face`, 0 when the face has none.
  std::unordered_map<char32_t, uint32_t> glyphs;
};

// The fonts of one canvas, the most recently used first; small, since a drawing's texts
// use a handful of sizes and turns.
class CairoFontCache {
 public:
  explicit CairoFontCache(bool antialias) : antialias_(antialias) {}
  // The font for f, or null when it cannot be made (no font at all, absurd sizes).
  CairoFont* Get(const Font& f);
  // The glyph of c in font's face (source 0), or in fallbacks[source - 1]; glyph 0 of
  // the face when no face has it.
  uint32_t GlyphOf(CairoFont& font, char32_t c, size_t& source);
  // The scaled font a source names.
  static cairo_scaled_font_t* Source(const CairoFont& font, size_t source) {
    return source == 0 ? font.scaled.get() : font.fallbacks[source - 1].scaled.get();
  }

 private:
  cairo_scaled_font_t* MakeScaled(const CairoFace& face, const cairo_matrix_t& matrix) const;

  static constexpr size_t kCapacity = 32;
  static constexpr size_t kMaxFallbacks = 8;
  bool antialias_;
  std::list<std::pair<Font, std::unique_ptr<CairoFont>>> fonts_;
};

}  // namespace kestril
