#include "plugin/plugin_settings.h"

#include <string>

#include "base/hex.h"
#include "base/plane.h"

namespace kestril {
namespace {

std::string PenColorName(size_t i) {
  std::string name = "PenColor00";
  name[8] = static_cast<char>('0' + i / 10);
  name[9] = static_cast<char>('0' + i % 10);
  return name;
}

template <class F>
void Guarded(F&& read) {
  // One unreadable value must not cost the others.
  try {
    read();
  } catch (...) {
  }
}

int32_t ReadInt(const SettingsKey& key, std::string_view name, int32_t fallback) {
  const auto v = key.ReadInteger(name);
  return v ? static_cast<int32_t>(*v) : fallback;
}

bool ReadBool(const SettingsKey& key, std::string_view name, bool fallback) {
  const auto v = key.ReadInteger(name);
  return v ? *v != 0 : fallback;
}

}  // namespace

void PluginSettings::UpdateDerivedSizes() {
  jwzHeight = RoundHalfEven(jwzWidth * 0.75);
  jwwHeight = RoundHalfEven(jwwWidth * 0.75);
  PreviewWidth = RoundHalfEven(PreviewHeight * 1.3333);
}

std::optional<int32_t> ParseSettingsInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  uint64_t value = 0;
  if (i < s.size() &&
      (s[i] == '$' || (s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')))) {
    i += s[i] == '$' ? 1 : 2;
    if (i == s.size() || s.size() - i > 8) return std::nullopt;
    for (; i < s.size(); ++i) {
      const char c = s[i];
      const int d = HexDigitValue(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + static_cast<uint64_t>(d);
    }
    // Eight hex digits fill all 32 bits, the sign bit included.
    const auto bits = static_cast<uint32_t>(negative ? (0 - value) : value);
    return static_cast<int32_t>(bits);
  }
  if (i == s.size()) return std::nullopt;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(s[i] - '0');
    if (value > 2147483648ull) return std::nullopt;
  }
  if (!negative && value > 2147483647ull) return std::nullopt;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(value)
                                       : static_cast<int64_t>(value));
}

PluginSettings LoadSettings(SettingsStore& store, bool createKey) {
  PluginSettings s;
  std::unique_ptr<SettingsKey> key;
  Guarded([&] { key = store.OpenKey(kSettingsKey, createKey); });
  if (key) {
    const SettingsKey& k = *key;
    Guarded([&] { s.jwzWidth = ReadInt(k, "jwzWidth", s.jwzWidth); });
    Guarded([&] { s.jwwWidth = ReadInt(k, "jwwWidth", s.jwwWidth); });
    Guarded([&] { s.PreviewHeight = ReadInt(k, "PreviewHeight", s.PreviewHeight); });
    Guarded([&] { s.hoji = ReadBool(k, "hoji", s.hoji); });
    Guarded([&] { s.grey = ReadBool(k, "grey", s.grey); });
    Guarded([&] { s.BmpSFst = ReadInt(k, "BmpSFst", s.BmpSFst); });
    Guarded([&] { s.BwColor = ReadBool(k, "BwColor", s.BwColor); });
    Guarded([&] { s.BwGrey = ReadBool(k, "BwGrey", s.BwGrey); });
    Guarded([&] { s.JwwVer = ReadBool(k, "JwwVer", s.JwwVer); });
    for (size_t i = 0; i < kUserPenColors; ++i) {
      Guarded([&] {
        const auto text = k.ReadString(PenColorName(i));
        if (!text) return;
        if (const auto v = ParseSettingsInteger(*text)) s.PenColors[i] = static_cast<Color>(*v);
      });
    }
  }
  s.UpdateDerivedSizes();
  return s;
}

void SaveSettings(SettingsStore& store, const PluginSettings& s) {
  try {
    auto key = store.OpenKey(kSettingsKey, true);
    if (!key) return;
    auto integer = [&](std::string_view name, int32_t v) {
      key->WriteInteger(name, static_cast<uint32_t>(v));
    };
    integer("jwzWidth", s.jwzWidth);
    integer("jwwWidth", s.jwwWidth);
    integer("PreviewHeight", s.PreviewHeight);
    integer("hoji", s.hoji ? 1 : 0);
    integer("grey", s.grey ? 1 : 0);
    integer("BmpSFst", s.BmpSFst);
    integer("BwColor", s.BwColor ? 1 : 0);
    integer("BwGrey", s.BwGrey ? 1 : 0);
    integer("JwwVer", s.JwwVer ? 1 : 0);
    for (size_t i = 0; i < kUserPenColors; ++i) {
      key->WriteString(PenColorName(i), std::to_string(static_cast<int32_t>(s.PenColors[i])));
    }
  } catch (...) {
    // Nobody is left to tell: the library is being unloaded.
  }
}

std::optional<JwCadRecentFile> ReadJwCadRecentFile(SettingsStore& store) {
  auto key = store.OpenKey("Software\\Jw_cad\\jw_win\\Folder", false);
  if (!key) return std::nullopt;
  return JwCadRecentFile{key->ReadString("ZFILE").value_or(""),
                         key->ReadString("File").value_or("")};
}

}  // namespace kestril
