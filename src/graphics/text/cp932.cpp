#include "graphics/text/cp932.h"

#include <unordered_map>

namespace kestril {

namespace {

char16_t DoubleByteUnicode(uint8_t lead, uint8_t trail) {
  const int row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
  if (trail < 0x40 || trail > 0xFC) return kCp932DefaultChar;
  const char16_t u = cp932_detail::kDoubleByte[row][trail - 0x40];
  return u != 0 ? u : kCp932DefaultChar;
}

// Unicode to code page 932; where several codes read as one character the lowest wins.
const std::unordered_map<char16_t, uint16_t>& ReverseTable() {
  static const std::unordered_map<char16_t, uint16_t> table = [] {
    std::unordered_map<char16_t, uint16_t> t;
    for (int b = 0; b < 256; ++b) {
      const char16_t u = cp932_detail::kSingleByte[b];
      if (!IsCp932LeadByte(static_cast<uint8_t>(b))) t.emplace(u, static_cast<uint16_t>(b));
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsCp932LeadByte(static_cast<uint8_t>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const char16_t u =
            DoubleByteUnicode(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
        if (u != kCp932DefaultChar || (lead == 0x81 && trail == 0x45)) {
          t.emplace(u, static_cast<uint16_t>(lead << 8 | trail));
        }
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

std::vector<Cp932Char> SplitCp932(std::string_view text) {
  std::vector<Cp932Char> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    if (!IsCp932LeadByte(b)) {
      out.push_back({b, 1, cp932_detail::kSingleByte[b]});
    } else if (i + 1 == text.size()) {
      out.push_back({b, 1, kCp932DefaultChar});
    } else {
      const uint8_t trail = static_cast<uint8_t>(text[++i]);
      out.push_back({static_cast<uint16_t>(b << 8 | trail), 2, DoubleByteUnicode(b, trail)});
    }
  }
  return out;
}

std::u16string DecodeCp932(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const Cp932Char& c : SplitCp932(text)) out.push_back(c.unicode);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool Utf8ToCp932(std::string_view text, std::string& out) {
  std::string result;
  result.reserve(text.size());
  const auto& table = ReverseTable();
  for (size_t i = 0; i < text.size();) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    uint32_t cp = 0;
    size_t len = 0;
    if (b < 0x80) {
      cp = b, len = 1;
    } else if (b >= 0xC2 && b < 0xE0) {
      cp = b & 0x1F, len = 2;
    } else if (b >= 0xE0 && b < 0xF0) {
      cp = b & 0x0F, len = 3;
    } else if (b >= 0xF0 && b < 0xF5) {
      cp = b & 0x07, len = 4;
    } else {
      return false;
    }
    if (i + len > text.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const uint8_t c = static_cast<uint8_t>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8.
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF) {
      return false;
    }
    i += len;
    const auto it = cp <= 0xFFFF ? table.find(static_cast<char16_t>(cp)) : table.end();
    if (it == table.end()) {
      result.push_back('?');
    } else if (it->second > 0xFF) {
      result.push_back(static_cast<char>(it->second >> 8));
      result.push_back(static_cast<char>(it->second & 0xFF));
    } else {
      result.push_back(static_cast<char>(it->second));
    }
  }
  out = std::move(result);
  return true;
}

}  // namespace kestril
