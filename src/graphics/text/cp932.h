// Drawing texts are code page 932 (Windows' Shift-JIS) whatever the machine's locale.
// They are walked character by character by their lead bytes and turned into Unicode
// here, through one table shared by every build, so a text reads the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/jw_string.h"

namespace kestril {

// What a byte pair that code page 932 does not define reads as (the code page's own
// default character, a middle dot).
inline constexpr char16_t kCp932DefaultChar = u'\u30FB';

// 0x81-0x9F and 0xE0-0xFC open a double-byte character.
constexpr bool IsCp932LeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// What a character the code page lacks has as its code.
inline constexpr uint16_t kNotInCp932 = 0xFFFF;

// One character of a drawing's text, as code page 932 sees it: its code and byte count
// there decide its width (one byte half-width, two full-width) and how control sequences
// read it, whichever encoding the text was stored in.
struct Cp932Char {
  // The byte, or lead << 8 | trail for a double-byte character; kNotInCp932 for a
  // character of a Unicode text that the code page lacks (it counts as two bytes).
  uint16_t code = 0;
  uint8_t bytes = 1;  // 1 or 2
  char32_t unicode = 0;

  bool IsDoubleByte() const { return bytes == 2; }
};

// Appends a character as UTF-16 (a surrogate pair beyond the basic plane).
void AppendUtf16(std::u16string& out, char32_t c);

// A lead byte takes the byte after it, whatever that is (a '\\' or '|' included); a
// lead byte at the very end stands alone and reads as the default character.
std::vector<Cp932Char> SplitCp932(std::string_view text);

// The Unicode of a whole text.
std::u16string DecodeCp932(std::string_view text);

// The characters of a text in either encoding. UTF-16 units are paired into characters;
// an unpaired surrogate, or a last odd byte, reads as U+FFFD.
std::vector<Cp932Char> SplitText(JwStringView text);
std::u16string DecodeText(JwStringView text);
std::string TextToUtf8(JwStringView text);

// Code page 932 bytes of a text, if every character has them.
bool TextToCp932(JwStringView text, std::string& out);
// Code page 932 bytes of a text; characters the code page lacks become '?'.
std::string Cp932Of(JwStringView text);

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 of a UTF-8 text; false, leaving out alone, when it is not well-formed UTF-8.
bool Utf8ToUtf16(std::string_view text, std::u16string& out);

// Code page 932 bytes of a UTF-8 text; characters the code page lacks become '?'.
// Answers false, leaving out alone, when text is not well-formed UTF-8.
bool Utf8ToCp932(std::string_view text, std::string& out);

namespace cp932_detail {
extern const char16_t kSingleByte[256];      // 0 for lead bytes
extern const char16_t kDoubleByte[60][189];  // leads 0x81-0x9F, 0xE0-0xFC; trails 0x40-0xFC
}  // namespace cp932_detail

}  // namespace kestril
