// The user's settings of the plug-in: picture and preview sizes, drawing switches and
// the dialog's colours, kept under the registry key the image viewers' plug-ins use.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "document/reader.h"
#include "graphics/canvas/canvas.h"
#include "platform/settings_store.h"

namespace kestril {

inline constexpr std::string_view kSettingsKey = "Software\\Tovalin\\Susie\\Plug-in\\Ferrand";
inline constexpr size_t kUserPenColors = 11;

struct PluginSettings {
  int32_t jwzWidth = 640;  // JWS data and bare archives
  int32_t jwwWidth = 800;  // JWW drawings
  int32_t PreviewHeight = 120;
  bool hoji = false;  // colour-9 (auxiliary) entities are not drawn
  bool grey = false;
  int32_t BmpSFst = 1;
  bool BwColor = false;  // monochrome output
  bool BwGrey = true;    // with BwColor: black or white only, else grey tones
  bool JwwVer = true;
  // 0 background, 1-8 line colours, 9 auxiliary, 10 grey.
  std::array<Color, kUserPenColors> PenColors = {0xFFFFFF, 0xC0C000, 0x000000, 0x00C000,
                                                 0x00C0C0, 0xC000C0, 0xFF0000, 0x008080,
                                                 0x8000FF, 0xFF80FF, 0xC0C0C0};

  // Derived from the widths and the preview height by UpdateDerivedSizes.
  int32_t jwzHeight = 480;
  int32_t jwwHeight = 600;
  int32_t PreviewWidth = 160;

  void UpdateDerivedSizes();
};

// An integer as the settings hold it in text: optional blanks and sign, decimal
// digits or '$' (or 0x) and up to eight hexadecimal digits, which may wrap to a
// negative value. Anything else, or a decimal outside 32 bits, is not an integer.
std::optional<int32_t> ParseSettingsInteger(std::string_view text);

// Reads every value on its own: a missing value, one of the wrong type, or a colour
// that is not an integer gives that value's default. createKey: create the key when
// it is missing (the plug-in does; a reader that must leave no trace does not). A key
// that is missing or cannot be opened gives the defaults.
PluginSettings LoadSettings(SettingsStore& store, bool createKey);

// Writes every value, the colours as decimal strings; errors are not reported.
void SaveSettings(SettingsStore& store, const PluginSettings& settings);

// Jw_cad's own record of its last-opened file, or nothing when its key does not open.
std::optional<JwCadRecentFile> ReadJwCadRecentFile(SettingsStore& store);

}  // namespace kestril
