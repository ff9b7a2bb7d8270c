// Strings as Jw_cad stores them. Older builds write code page 932 (Windows' Shift-JIS)
// bytes; newer, Unicode builds write MFC Unicode strings (UTF-16LE), and one file may
// mix both. Each string keeps the bytes and the encoding it was stored in: it is
// decoded once, where it is drawn or written out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestril {

enum class TextEncoding : uint8_t {
  Cp932,  // bytes of code page 932
  Utf16,  // UTF-16LE code units, two bytes each
};

struct JwStringView {
  std::string_view bytes;
  TextEncoding encoding = TextEncoding::Cp932;

  bool empty() const { return bytes.empty(); }
  // Whether the string begins with these ASCII characters, in either encoding.
  bool StartsWithAscii(std::string_view ascii) const {
    if (encoding == TextEncoding::Cp932) return bytes.starts_with(ascii);
    if (bytes.size() < 2 * ascii.size()) return false;
    for (size_t i = 0; i < ascii.size(); ++i) {
      if (bytes[2 * i] != ascii[i] || bytes[2 * i + 1] != '\0') return false;
    }
    return true;
  }
  // The string for reading ASCII fields (numbers, commas) out of it: code page 932 bytes
  // as they are (no byte of a double-byte character is a digit, sign, point or comma),
  // UTF-16 units below 0x80 as their byte and any other as 0x80.
  std::string AsciiFields() const {
    if (encoding == TextEncoding::Cp932) return std::string(bytes);
    std::string out(bytes.size() / 2, '\x80');
    for (size_t i = 0; i < out.size(); ++i) {
      if (bytes[2 * i + 1] == '\0' && static_cast<uint8_t>(bytes[2 * i]) < 0x80)
        out[i] = bytes[2 * i];
    }
    return out;
  }
  friend bool operator==(const JwStringView&, const JwStringView&) = default;
  // Equal to code page 932 bytes.
  friend bool operator==(const JwStringView& a, std::string_view cp932) {
    return a.encoding == TextEncoding::Cp932 && a.bytes == cp932;
  }
};

struct JwString {
  std::string bytes;
  TextEncoding encoding = TextEncoding::Cp932;

  JwString() = default;
  // Code page 932 bytes, or whatever encoding is named.
  JwString(std::string_view b, TextEncoding e = TextEncoding::Cp932) : bytes(b), encoding(e) {}
  JwString(const std::string& b) : bytes(b) {}
  JwString(const char* b) : bytes(b) {}

  // UTF-16 units stored as a Unicode build of Jw_cad stores them (little-endian).
  static JwString FromUtf16(std::u16string_view units) {
    JwString s({}, TextEncoding::Utf16);
    s.bytes.reserve(2 * units.size());
    for (char16_t u : units) {
      s.bytes.push_back(static_cast<char>(u & 0xFF));
      s.bytes.push_back(static_cast<char>(u >> 8));
    }
    return s;
  }

  operator JwStringView() const { return {bytes, encoding}; }
  bool empty() const { return bytes.empty(); }
  friend bool operator==(const JwString&, const JwString&) = default;
  friend bool operator==(const JwString& a, std::string_view cp932) {
    return JwStringView(a) == cp932;
  }
  friend bool operator==(const JwString& a, const char* cp932) {
    return a == std::string_view(cp932);
  }
  friend bool operator==(const JwString& a, const std::string& cp932) {
    return a == std::string_view(cp932);
  }
};

}  // namespace kestril
