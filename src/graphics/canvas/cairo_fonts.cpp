#include "graphics/canvas/cairo_fonts.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <tuple>

#include "graphics/text/cp932.h"
#include "graphics/text/japanese_faces.h"

namespace kestril {

namespace {

// The face every other face falls back to for characters it lacks.
constexpr std::u16string_view kFallbackFace = u"IPAGothic";

// Pixels per em beyond which no glyph is made: nothing of such a character can be
// read, FreeType refuses sizes not far above it, and Cairo loses the font it was making
// when that happens.
constexpr double kMaxEm = 1 << 14;

// Slant of italic glyphs made from an upright face (about 12 degrees).
constexpr double kObliqueShear = 0x0366A / 65536.0;

// The FreeType library the faces are opened with; used under the face cache's lock.
FT_Library FreeType() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return library;
}

struct FcPatternRelease {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, FcPatternRelease>;

// Reads the GDI metrics of a face from its FreeType face; false for faces that cannot
// be scaled (bitmap fonts).
bool ReadMetrics(CairoFace& f) {
  cairo_matrix_t unit, identity;
  cairo_matrix_init_scale(&unit, 16, 16);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_scaled_font_t* sf = cairo_scaled_font_create(f.face, &unit, &identity, options);
  cairo_font_options_destroy(options);
  bool ok = false;
  if (cairo_scaled_font_status(sf) == CAIRO_STATUS_SUCCESS) {
    if (FT_Face ft = cairo_ft_scaled_font_lock_face(sf)) {
      if (FT_IS_SCALABLE(ft) && ft->units_per_EM > 0) {
        ok = true;
        f.unitsPerEm = ft->units_per_EM;
        f.ascent = ft->ascender;
        f.descent = -ft->descender;
        f.averageWidth = f.unitsPerEm / 2;
        f.underlinePosition = ft->underline_position;
        f.underlineThickness = ft->underline_thickness;
        f.strikeoutPosition = f.unitsPerEm * 0.25;
        f.strikeoutSize = f.underlineThickness;
        f.syntheticOblique = !(ft->style_flags & FT_STYLE_FLAG_ITALIC);
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
        if (os2 != nullptr && os2->version != 0xFFFF) {
          if (os2->usWinAscent + os2->usWinDescent > 0) {
            f.ascent = os2->usWinAscent;
            f.descent = os2->usWinDescent;
          }
          if (os2->xAvgCharWidth > 0) f.averageWidth = os2->xAvgCharWidth;
          if (os2->yStrikeoutSize > 0) {
            f.strikeoutPosition = os2->yStrikeoutPosition;
            f.strikeoutSize = os2->yStrikeoutSize;
          }
        }
        if (f.ascent + f.descent <= 0) {
          f.ascent = f.unitsPerEm * 0.88;
          f.descent = f.unitsPerEm * 0.12;
        }
        if (f.underlineThickness <= 0) f.underlineThickness = f.unitsPerEm / 20;
        if (f.strikeoutSize <= 0) f.strikeoutSize = f.underlineThickness;
      }
      cairo_ft_scaled_font_unlock_face(sf);
    }
  }
  cairo_scaled_font_destroy(sf);
  return ok;
}

std::unique_ptr<CairoFace> FaceOfMatch(FcPattern* match, bool bold, bool italic);

std::unique_ptr<CairoFace> LoadFace(std::u16string_view name, bool bold, bool italic) {
  const std::string alias = JapaneseAlias(name);
  const std::string family = alias.empty() ? Utf16ToUtf8(name) : alias;
  Pattern request(FcPatternCreate());
  if (!request) return nullptr;
  FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  // A face unknown here should at least be one that has kana and kanji.
  if (alias.empty())
    FcPatternAddString(request.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(request.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(request.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(request.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, request.get(), FcMatchPattern);
  FcDefaultSubstitute(request.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, request.get(), &result));
  if (!match) return nullptr;
  return FaceOfMatch(match.get(), bold, italic);
}

// A regular face that has c, whatever its name; null when no installed font has it.
std::unique_ptr<CairoFace> LoadCoveringFace(char32_t c) {
  Pattern request(FcPatternCreate());
  FcCharSet* chars = FcCharSetCreate();
  if (!request || chars == nullptr) {
    if (chars != nullptr) FcCharSetDestroy(chars);
    return nullptr;
  }
  FcCharSetAddChar(chars, c);
  FcPatternAddCharSet(request.get(), FC_CHARSET, chars);
  FcCharSetDestroy(chars);
  FcPatternAddBool(request.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, request.get(), FcMatchPattern);
  FcDefaultSubstitute(request.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, request.get(), &result));
  FcCharSet* has = nullptr;
  if (!match || FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &has) != FcResultMatch ||
      !FcCharSetHasChar(has, c)) {
    return nullptr;
  }
  return FaceOfMatch(match.get(), false, false);
}

std::unique_ptr<CairoFace> FaceOfMatch(FcPattern* match, bool bold, bool italic) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
  int index = 0, weight = FC_WEIGHT_REGULAR;
  FcBool embolden = FcFalse;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  // Fontconfig's own rules may have answered a regular face as bold, to be emboldened.
  FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);

  // Only the file: the system's hinting and smoothing choices must not reach the
  // picture, which takes its own.
  // A FreeType face of our own for every name and style: Cairo shares one face among
  // equal patterns, so emboldening one would embolden all. Only the file is taken from
  // fontconfig; the system's hinting and smoothing choices must not reach the picture.
  FT_Face ft = nullptr;
  if (FT_New_Face(FreeType(), reinterpret_cast<const char*>(file), index, &ft) != 0) return nullptr;
  auto f = std::make_unique<CairoFace>();
  f->file = reinterpret_cast<const char*>(file);
  f->face = cairo_ft_font_face_create_for_ft_face(ft, 0);
  static const cairo_user_data_key_t kOwnedFace{};
  if (cairo_font_face_set_user_data(f->face, &kOwnedFace, ft, [](void* p) {
        FT_Done_Face(static_cast<FT_Face>(p));
      }) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(f->face);
    FT_Done_Face(ft);
    return nullptr;
  }
  if (cairo_font_face_status(f->face) != CAIRO_STATUS_SUCCESS || !ReadMetrics(*f)) {
    cairo_font_face_destroy(f->face);
    return nullptr;
  }
  if (bold && (embolden || weight < FC_WEIGHT_DEMIBOLD)) {
    cairo_ft_font_face_set_synthesize(f->face, CAIRO_FT_SYNTHESIZE_BOLD);
  }
  f->syntheticOblique = italic && f->syntheticOblique;
  return f;
}

}  // namespace

std::string JapaneseAlias(std::u16string_view face) {
  const JapaneseFace* f = FindJapaneseFace(face);
  return f == nullptr ? std::string() : std::string(f->ipaFamily);
}

const CairoFace* ResolveCairoFace(std::u16string_view name, bool bold, bool italic) {
  static std::mutex mutex;
  static std::map<std::tuple<std::u16string, bool, bool>, std::unique_ptr<CairoFace>> faces;
  const std::lock_guard lock(mutex);
  auto key = std::make_tuple(std::u16string(name), bold, italic);
  auto it = faces.find(key);
  if (it == faces.end()) {
    std::unique_ptr<CairoFace> face = LoadFace(name, bold, italic);
    // A name fontconfig cannot make a scalable face of reads as the fallback face.
    if (!face && name != kFallbackFace) face = LoadFace(kFallbackFace, bold, italic);
    it = faces.emplace(std::move(key), std::move(face)).first;
  }
  return it->second.get();
}

const CairoFace* ResolveCoveringFace(char32_t c) {
  static std::mutex mutex;
  static std::map<char32_t, const CairoFace*> byChar;
  static std::map<std::string, std::unique_ptr<CairoFace>> byFile;
  const std::lock_guard lock(mutex);
  auto it = byChar.find(c);
  if (it != byChar.end()) return it->second;
  const CairoFace* found = nullptr;
  if (std::unique_ptr<CairoFace> face = LoadCoveringFace(c)) {
    auto [at, fresh] = byFile.try_emplace(face->file, std::move(face));
    found = at->second.get();
  }
  byChar.emplace(c, found);
  return found;
}

cairo_scaled_font_t* CairoFontCache::MakeScaled(const CairoFace& face,
                                                const cairo_matrix_t& matrix) const {
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options,
                                   antialias_ ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_scaled_font_t* sf = cairo_scaled_font_create(face.face, &matrix, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(sf) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(sf);
    return nullptr;
  }
  return sf;
}

CairoFont* CairoFontCache::Get(const Font& f) {
  for (auto it = fonts_.begin(); it != fonts_.end(); ++it) {
    if (it->first == f) {
      if (it != fonts_.begin()) fonts_.splice(fonts_.begin(), fonts_, it);
      return fonts_.front().second.get();
    }
  }
  const CairoFace* face = ResolveCairoFace(f.face, f.weight >= 600, f.italic);
  if (face == nullptr) return nullptr;
  auto font = std::make_unique<CairoFont>();
  font->face = face;
  const double cell = face->ascent + face->descent;
  // GDI: a positive height is the cell, a negative one the em, 0 a default cell. The IPA
  // fonts standing in for the Windows faces are asked for the em the Windows face has.
  const int32_t height = StandInHeight(f.face, f.height);
  double em = height > 0 ? height * face->unitsPerEm / cell
                         : (height < 0 ? -double(height) : 16 * face->unitsPerEm / cell);
  em = std::max(1.0, std::round(em));
  if (em > kMaxEm) return nullptr;
  font->emY = em;
  font->emX = f.width > 0 ? f.width * face->unitsPerEm / face->averageWidth : em;
  if (font->emX > kMaxEm) return nullptr;
  font->ascent = std::round(face->ascent * em / face->unitsPerEm);
  font->cellHeight = font->ascent + std::round(face->descent * em / face->unitsPerEm);
  const double turn = f.escapement / 10.0 * std::numbers::pi / 180;
  font->cosine = std::cos(turn);
  font->sine = std::sin(turn);
  // Font space is y-down like the device; the turn is counter-clockwise on the screen. A
  // slanted face is sheared as FreeType obliques glyphs.
  const double shear = face->syntheticOblique ? kObliqueShear : 0;
  const double c = font->cosine, s = font->sine;
  cairo_matrix_init(&font->matrix, c * font->emX, -s * font->emX,
                    s * font->emY - shear * c * font->emX, c * font->emY + shear * s * font->emX, 0,
                    0);
  font->scaled.reset(MakeScaled(*face, font->matrix));
  if (!font->scaled) return nullptr;
  if (fonts_.size() >= kCapacity) fonts_.pop_back();
  fonts_.emplace_front(f, std::move(font));
  return fonts_.front().second.get();
}

uint32_t CairoFontCache::GlyphOf(CairoFont& font, char32_t c, size_t& source) {
  // The source is kept in the top byte of a glyph (glyph numbers stay below 2^24).
  constexpr int kSourceShift = 24;
  auto lookup = [](cairo_scaled_font_t* sf, char32_t ch) -> uint32_t {
    FT_Face ft = cairo_ft_scaled_font_lock_face(sf);
    if (ft == nullptr) return 0;
    const uint32_t g = FT_Get_Char_Index(ft, ch);
    cairo_ft_scaled_font_unlock_face(sf);
    return g < (1u << kSourceShift) ? g : 0;
  };
  auto fallback = [&](const CairoFace* face) -> size_t {
    if (face == nullptr || face == font.face) return 0;
    for (size_t i = 0; i < font.fallbacks.size(); ++i) {
      if (font.fallbacks[i].face == face) return i + 1;
    }
    if (font.fallbacks.size() >= kMaxFallbacks) return 0;
    CairoFont::Scaled scaled(MakeScaled(*face, font.matrix));
    if (!scaled) return 0;
    font.fallbacks.push_back({face, std::move(scaled)});
    return font.fallbacks.size();
  };
  auto it = font.glyphs.find(c);
  if (it == font.glyphs.end()) {
    uint32_t g = lookup(font.scaled.get(), c);
    // Characters the face lacks come from IPAGothic, else from any face that has them.
    if (g == 0 && c >= 0x20) {
      for (const CairoFace* face :
           {ResolveCairoFace(kFallbackFace, false, false), ResolveCoveringFace(c)}) {
        const size_t k = fallback(face);
        const uint32_t fg = k != 0 ? lookup(font.fallbacks[k - 1].scaled.get(), c) : 0;
        if (fg != 0) {
          g = fg | static_cast<uint32_t>(k) << kSourceShift;
          break;
        }
      }
    }
    it = font.glyphs.emplace(c, g).first;
  }
  source = it->second >> kSourceShift;
  return it->second & ((1u << kSourceShift) - 1);
}

}  // namespace kestril
