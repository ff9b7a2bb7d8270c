#include "config/settings_fields.h"

#include <array>
#include <cstdio>

#include "base/ascii.h"
#include "base/hex.h"

namespace kestril {
namespace {

constexpr std::array<SettingsField, 20> kFields = {{
    {"jwzWidth", FieldKind::Size, "picture width for JWS data and bare archives"},
    {"jwwWidth", FieldKind::Size, "picture width for JWW drawings"},
    {"PreviewHeight", FieldKind::Size, "preview height"},
    {"hoji", FieldKind::Switch, "1: auxiliary-colour entities are not drawn"},
    {"grey", FieldKind::Switch, "kept for the options dialog"},
    {"BmpSFst", FieldKind::SourceOrder, "kept for the options dialog (0, 1 or 2)"},
    {"BwColor", FieldKind::Switch, "1: monochrome output"},
    {"BwGrey", FieldKind::Switch, "with BwColor, 1: black and white only, 0: grey tones"},
    {"JwwVer", FieldKind::Switch, "kept for the options dialog"},
    {"PenColor00", FieldKind::Colour, "background colour"},
    {"PenColor01", FieldKind::Colour, "line colour 1"},
    {"PenColor02", FieldKind::Colour, "line colour 2"},
    {"PenColor03", FieldKind::Colour, "line colour 3"},
    {"PenColor04", FieldKind::Colour, "line colour 4"},
    {"PenColor05", FieldKind::Colour, "line colour 5"},
    {"PenColor06", FieldKind::Colour, "line colour 6"},
    {"PenColor07", FieldKind::Colour, "line colour 7"},
    {"PenColor08", FieldKind::Colour, "line colour 8"},
    {"PenColor09", FieldKind::Colour, "auxiliary line colour"},
    {"PenColor10", FieldKind::Colour, "grey colour"},
}};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Decimal digits only, at most `limit`; nullopt for anything else or more.
std::optional<uint32_t> Decimal(std::string_view s, uint32_t limit) {
  if (s.empty()) return std::nullopt;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > limit) return std::nullopt;
  }
  return static_cast<uint32_t>(v);
}

std::optional<uint32_t> Hex(std::string_view s, size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

size_t PenIndex(const SettingsField& f) {
  return static_cast<size_t>(f.name[8] - '0') * 10 + static_cast<size_t>(f.name[9] - '0');
}

std::string Quote(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(text);
  quoted += '"';
  return quoted;
}

}  // namespace

std::span<const SettingsField> SettingsFields() {
  return kFields;
}

const SettingsField* FindSettingsField(std::string_view name) {
  for (const SettingsField& f : kFields) {
    if (EqualsNoCase(f.name, name)) return &f;
  }
  return nullptr;
}

std::optional<int32_t> ParseSize(std::string_view text) {
  std::string_view s = Trim(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const auto v = Decimal(s, kMaxSize);
  if (!v || *v < kMinSize) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::string SizeRefusal(std::string_view text) {
  return Quote(text) + " is not a whole number from 1 to 32767";
}

std::optional<uint32_t> ParseFieldValue(const SettingsField& field, std::string_view text,
                                        std::string& refusal) {
  const std::string_view s = Trim(text);
  switch (field.kind) {
    case FieldKind::Size:
      if (const auto v = ParseSize(s)) return static_cast<uint32_t>(*v);
      refusal = SizeRefusal(text);
      return std::nullopt;
    case FieldKind::Switch:
      if (s == "0" || s == "1") return static_cast<uint32_t>(s[0] - '0');
      refusal = Quote(text) + " is neither 0 nor 1";
      return std::nullopt;
    case FieldKind::SourceOrder:
      if (s == "0" || s == "1" || s == "2") return static_cast<uint32_t>(s[0] - '0');
      refusal = Quote(text) + " is not 0, 1 or 2";
      return std::nullopt;
    case FieldKind::Colour: {
      std::optional<uint32_t> v;
      if (s.size() == 7 && s[0] == '#') {
        if (const auto rgb = Hex(s.substr(1), 6)) {
          v = ((*rgb >> 16) & 0xFF) | (*rgb & 0xFF00) | ((*rgb & 0xFF) << 16);
        }
      } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        v = Hex(s.substr(2), 6);
      } else {
        v = Decimal(s, 0xFFFFFF);
      }
      if (v) return v;
      refusal = Quote(text) +
                " is not a colour: give #RRGGBB, 0xBBGGRR or a decimal number up to 16777215";
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::string FormatFieldValue(const SettingsField& field, uint32_t value) {
  char buf[16];
  if (field.kind != FieldKind::Colour) {
    return std::to_string(static_cast<int32_t>(value));
  }
  if (value > 0xFFFFFF) {
    std::snprintf(buf, sizeof buf, "0x%08X", value);
  } else {
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF);
  }
  return buf;
}

uint32_t FieldValue(const PluginSettings& s, const SettingsField& f) {
  const std::string_view n = f.name;
  if (f.kind == FieldKind::Colour) return s.PenColors[PenIndex(f)];
  if (n == "jwzWidth") return static_cast<uint32_t>(s.jwzWidth);
  if (n == "jwwWidth") return static_cast<uint32_t>(s.jwwWidth);
  if (n == "PreviewHeight") return static_cast<uint32_t>(s.PreviewHeight);
  if (n == "hoji") return s.hoji;
  if (n == "grey") return s.grey;
  if (n == "BmpSFst") return static_cast<uint32_t>(s.BmpSFst);
  if (n == "BwColor") return s.BwColor;
  if (n == "BwGrey") return s.BwGrey;
  return s.JwwVer;
}

}  // namespace kestril
