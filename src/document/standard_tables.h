// Jw_cad's standard pen and line-type tables, for data whose header carries none.
#pragma once

#include <array>
#include <cstdint>

#include "document/header.h"

namespace kestril {

struct StandardTables {
  std::array<uint32_t, kPenEntries> PenColor;
  std::array<uint32_t, kPenEntries> PenWidth;
  std::array<uint32_t, kPenEntries> PrintPenColor;
  std::array<uint32_t, kPenEntries> PrintPenWidth;
  std::array<double, kPenEntries> PrintDotRadius;
  std::array<uint32_t, kLineTypeEntries> LinePattern;
  std::array<uint32_t, kLineTypeEntries> LineUnit;
  std::array<uint32_t, kLineTypeEntries> LinePitch;
  std::array<uint32_t, kLineTypeEntries> PrintLinePitch;
  std::array<uint32_t, kLineTypeEntries> RandomWidth;
  std::array<uint32_t, kLineTypeEntries> PrintRandomWidth;
};

extern const StandardTables kStandardTables;

}  // namespace kestril
