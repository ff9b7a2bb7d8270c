#include "graphics/text/japanese_faces.h"

#include <array>
#include <string>
#include <utility>

namespace kestril {

namespace {

constexpr JapaneseFace kGothic{u"MS Gothic", "IPAGothic"};
constexpr JapaneseFace kPGothic{u"MS PGothic", "IPAPGothic"};
constexpr JapaneseFace kUiGothic{u"MS UI Gothic", "IPAPGothic"};
constexpr JapaneseFace kMincho{u"MS Mincho", "IPAMincho"};
constexpr JapaneseFace kPMincho{u"MS PMincho", "IPAPMincho"};

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

}  // namespace kestril
