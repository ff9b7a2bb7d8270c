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

// Calls f(code point) for each character of a UTF-8 text; false when it is not
// well-formed UTF-8 (overlong forms and surrogates included).
template <class F>
bool ForEachUtf8(std::string_view text, F f) {
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
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF) {
      return false;
    }
    i += len;
    f(static_cast<char32_t>(cp));
  }
  return true;
}

constexpr char32_t kReplacement = 0xFFFD;

// A Unicode character with the code and width code page 932 gives it.
Cp932Char FromUnicode(char32_t u) {
  const auto& table = ReverseTable();
  const auto it = u <= 0xFFFF ? table.find(static_cast<char16_t>(u)) : table.end();
  if (it == table.end()) return {kNotInCp932, 2, u};
  return {it->second, static_cast<uint8_t>(it->second > 0xFF ? 2 : 1), u};
}

// The character's code page 932 bytes; '?' for one the code page lacks.
void AppendCp932(std::string& out, const Cp932Char& c) {
  if (c.code == kNotInCp932) {
    out.push_back('?');
    return;
  }
  if (c.bytes == 2) out.push_back(static_cast<char>(c.code >> 8));
  out.push_back(static_cast<char>(c.code & 0xFF));
}

std::vector<Cp932Char> SplitUtf16(std::string_view bytes) {
  std::vector<Cp932Char> out;
  const size_t units = bytes.size() / 2;
  out.reserve(units + 1);
  auto unit = [&](size_t i) {
    return static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                 static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  };
  for (size_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    char32_t c = u;
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (unit(++i) - 0xDC00);
    } else if (u >= 0xD800 && u < 0xE000) {
      c = kReplacement;
    }
    out.push_back(FromUnicode(c));
  }
  if (bytes.size() % 2 != 0) out.push_back(FromUnicode(kReplacement));
  return out;
}

}  // namespace

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
}

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

std::vector<Cp932Char> SplitText(JwStringView text) {
  return text.encoding == TextEncoding::Utf16 ? SplitUtf16(text.bytes) : SplitCp932(text.bytes);
}

std::u16string DecodeCp932(std::string_view text) {
  return DecodeText({text, TextEncoding::Cp932});
}

std::u16string DecodeText(JwStringView text) {
  std::u16string out;
  out.reserve(text.bytes.size());
  for (const Cp932Char& c : SplitText(text)) AppendUtf16(out, c.unicode);
  return out;
}

std::string TextToUtf8(JwStringView text) {
  return Utf16ToUtf8(DecodeText(text));
}

bool TextToCp932(JwStringView text, std::string& out) {
  if (text.encoding == TextEncoding::Cp932) {
    out.assign(text.bytes);
    return true;
  }
  std::string result;
  for (const Cp932Char& c : SplitText(text)) {
    if (c.code == kNotInCp932) return false;
    AppendCp932(result, c);
  }
  out = std::move(result);
  return true;
}

std::string Cp932Of(JwStringView text) {
  if (text.encoding == TextEncoding::Cp932) return std::string(text.bytes);
  std::string out;
  for (const Cp932Char& c : SplitText(text)) AppendCp932(out, c);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool Utf8ToUtf16(std::string_view text, std::u16string& out) {
  std::u16string result;
  result.reserve(text.size());
  if (!ForEachUtf8(text, [&](char32_t c) { AppendUtf16(result, c); })) return false;
  out = std::move(result);
  return true;
}

bool Utf8ToCp932(std::string_view text, std::string& out) {
  std::string result;
  result.reserve(text.size());
  const bool ok = ForEachUtf8(text, [&](char32_t c) { AppendCp932(result, FromUnicode(c)); });
  if (!ok) return false;
  out = std::move(result);
  return true;
}

}  // namespace kestril
