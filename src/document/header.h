// The header record shared by the three kinds of data: every field a JWW, JWS or
// bare-archive header carries, and the pen and line-type tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/jw_string.h"

namespace kestril {

inline constexpr int kLayerGroups = 16;
inline constexpr int kLayers = 16;
inline constexpr int kPenEntries = 357;      // colour numbers 0..356
inline constexpr int kLineTypeEntries = 63;  // line types 0..62
inline constexpr int kSxfPens = 257;         // colour numbers 100..356
inline constexpr int kSxfLineTypes = 33;     // line types 30..62

// A few header rows that are read and kept but drive nothing.
struct HeaderEntry3F1U {
  double a = 0, b = 0, c = 0;
  uint32_t u = 0;
};

struct TJwwHeader {
  std::string Signature;  // 8 bytes
  uint32_t Version = 0;
  JwString Memo;
  std::string JwsComment;  // 192 bytes, zero bytes included
  uint32_t PaperSize = 0;
  uint32_t WriteGroup = 0;

  std::array<uint32_t, kLayerGroups> GroupState{};  // 0 hidden, 1 greyed, else shown
  std::array<uint32_t, kLayerGroups> GroupWriteLayer{};
  std::array<double, kLayerGroups> GroupScale{};
  std::array<uint32_t, kLayerGroups> GroupProtect{};
  std::array<std::array<uint32_t, kLayers>, kLayerGroups> LayerState{};
  std::array<std::array<uint32_t, kLayers>, kLayerGroups> LayerProtect{};
  std::array<uint32_t, 21> Reserved1{};
  std::array<double, 2> SettingsA{};
  double TextMacroFactor = 0;
  uint32_t SettingsB = 0;
  uint32_t SettingsC = 0;
  std::array<double, 5> SettingsD{};
  std::array<std::array<JwString, kLayers>, kLayerGroups> LayerName;
  std::array<JwString, kLayerGroups> GroupName;
  std::array<double, 3> SettingsE{};
  uint32_t SettingsEFlag = 0;
  std::array<double, 2> SettingsF{};
  uint32_t SettingsGFlag = 0;
  std::array<double, 6> SettingsG{};
  std::array<HeaderEntry3F1U, 10> SettingsRow18{};
  std::array<double, 11> SettingsH{};

  // Per colour number. Entries 0..9 come from the screen and printer pen rows,
  // 100..356 from the SXF rows.
  std::array<uint32_t, kPenEntries> PenColor{};
  std::array<uint32_t, kPenEntries> PenWidth{};
  std::array<uint32_t, kPenEntries> PrintPenColor{};
  std::array<uint32_t, kPenEntries> PrintPenWidth{};
  std::array<double, kPenEntries> PrintDotRadius{};

  // Per line type. 2..9 dashed, 11..15 random, 16..19 double pitch, 30..62 SXF.
  std::array<uint32_t, kLineTypeEntries> LinePattern{};
  std::array<uint32_t, kLineTypeEntries> LineUnit{};
  std::array<uint32_t, kLineTypeEntries> LinePitch{};
  std::array<uint32_t, kLineTypeEntries> PrintLinePitch{};
  std::array<uint32_t, kLineTypeEntries> RandomWidth{};
  std::array<uint32_t, kLineTypeEntries> PrintRandomWidth{};

  std::array<uint32_t, 11> DrawFlags{};  // [0] point size, [2] pre-pass, [3] reverse order
  std::array<uint32_t, 5> ExtraFlags{};
  std::array<double, 5> ExtraValues{};
  std::array<double, 4> ExtraValues2{};
  std::array<uint32_t, 2> ExtraFlags2{};

  std::array<JwString, kSxfPens> SxfColorName;
  std::array<JwString, kSxfLineTypes> SxfLineName;
  std::array<uint32_t, kSxfLineTypes> SxfSegmentCount{};
  std::array<std::array<double, 10>, kSxfLineTypes> SxfSegments{};

  std::array<HeaderEntry3F1U, 10> SettingsRow34{};
  double CheckValue = 0;
  std::array<double, 4> SettingsI{};
  std::array<uint32_t, 2> SettingsIFlags{};
  uint32_t TextOptionMode = 0;
  std::array<double, 3> TextOptionA{};
  std::array<double, 3> TextOptionB{};

  // Which tables the data itself carried; the others hold the standard tables.
  bool CarriesPens = false;       // colour numbers 0..9, line types 2..19
  bool CarriesSxfTables = false;  // colour numbers 100..356, line types 30..62
};

// A header holding Jw_cad's standard pen and line-type tables and zeros elsewhere:
// the starting point of every header read.
TJwwHeader DefaultHeader();

}  // namespace kestril
