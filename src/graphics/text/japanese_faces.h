// The Japanese typefaces of Windows as drawings name them ("ＭＳ ゴシック", "MS Gothic",
// "ＭＳゴシック", ...): one entry per face, with its English name, which GDI finds on
// every Windows locale, and the IPA font that stands in for it elsewhere.
#pragma once

#include <string_view>

namespace kestril {

struct JapaneseFace {
  std::u16string_view windowsName;
  std::string_view ipaFamily;
};

// The face a name stands for, written with full-width or half-width letters, with or
// without spaces, in any case; null for any other name.
const JapaneseFace* FindJapaneseFace(std::u16string_view name);

}  // namespace kestril
