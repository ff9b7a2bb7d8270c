#include "graphics/text/japanese_faces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

namespace kestril {

namespace {

// The MS Gothic and MS Mincho families have 256 units to the em, usWinAscent 220 and
// usWinDescent 36: their cell is their em. The IPA fonts' cells are 1.076 em (Gothic) and
// 1.102 em (Mincho).
constexpr double kMsEmPerCell = 256.0 / (220 + 36);

constexpr JapaneseFace kGothic{u"MS Gothic", "IPAGothic", kMsEmPerCell};
constexpr JapaneseFace kPGothic{u"MS PGothic", "IPAPGothic", kMsEmPerCell};
constexpr JapaneseFace kUiGothic{u"MS UI Gothic", "IPAPGothic", kMsEmPerCell};
constexpr JapaneseFace kMincho{u"MS Mincho", "IPAMincho", kMsEmPerCell};
constexpr JapaneseFace kPMincho{u"MS PMincho", "IPAPMincho", kMsEmPerCell};

// Names as NormalisedName leaves them.
constexpr std::array<std::pair<std::u16string_view, const JapaneseFace*>, 10> kNames = {{
    {u"msゴシック", &kGothic},
    {u"msgothic", &kGothic},
    {u"msｺﾞｼｯｸ", &kGothic},
    {u"mspゴシック", &kPGothic},
    {u"mspgothic", &kPGothic},
    {u"msuigothic", &kUiGothic},
    {u"ms明朝", &kMincho},
    {u"msmincho", &kMincho},
    {u"msp明朝", &kPMincho},
    {u"mspmincho", &kPMincho},
}};

// Full-width Latin letters as ASCII, ASCII lower case, spaces of both widths dropped.
std::u16string NormalisedName(std::u16string_view name) {
  std::u16string out;
  for (char16_t c : name) {
    if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - 0xFF01 + 0x21);
    if (c == u' ' || c == u'\u3000') continue;
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    out.push_back(c);
  }
  return out;
}

}  // namespace

const JapaneseFace* FindJapaneseFace(std::u16string_view name) {
  const std::u16string key = NormalisedName(name);
  for (const auto& [n, face] : kNames) {
    if (n == key) return face;
  }
  return nullptr;
}

int32_t StandInHeight(std::u16string_view name, int32_t height) {
  const JapaneseFace* face = height > 0 ? FindJapaneseFace(name) : nullptr;
  if (face == nullptr) return height;
  return -static_cast<int32_t>(std::max(1.0, std::round(height * face->emPerCell)));
}

}  // namespace kestril
