// The plug-in's settings by name, with the checks both the options dialog and the
// command line apply to new values, so that neither can store what the other refuses.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "plugin/plugin_settings.h"

namespace kestril {

enum class FieldKind {
  Size,         // a picture or preview size in pixels: 1 to 32767
  Switch,       // 0 or 1
  SourceOrder,  // BmpSFst: 0, 1 or 2
  Colour,       // 0x00BBGGRR
};

struct SettingsField {
  std::string_view name;  // the stored value's name
  FieldKind kind;
  std::string_view meaning;
};

inline constexpr int32_t kMinSize = 1;
inline constexpr int32_t kMaxSize = 32767;

// Every setting, in the order the plug-in stores them.
std::span<const SettingsField> SettingsFields();
// The field of that name, ASCII case ignored as in the registry; nullptr when none.
const SettingsField* FindSettingsField(std::string_view name);

// A size as typed: blanks around it allowed, a whole decimal number from 1 to 32767.
std::optional<int32_t> ParseSize(std::string_view text);
// Why text is not a size, for messages: "\"abc\" is not a whole number from 1 to 32767".
std::string SizeRefusal(std::string_view text);

// A new value for a field: the value, or the reason it is refused in `refusal`.
// Colours are taken as #RRGGBB, 0xBBGGRR (the stored order) or decimal.
std::optional<uint32_t> ParseFieldValue(const SettingsField& field, std::string_view text,
                                        std::string& refusal);
// The value as a user reads it: sizes and switches in decimal, colours as #RRGGBB (or
// 0x and eight digits when bits above the colour are set).
std::string FormatFieldValue(const SettingsField& field, uint32_t value);

uint32_t FieldValue(const PluginSettings& settings, const SettingsField& field);

}  // namespace kestril
