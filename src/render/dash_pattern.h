// Dash patterns and random-line shapes of line types, from the header's tables.
#pragma once

#include <cstdint>
#include <vector>

#include "document/header.h"
#include "graphics/style_line_canvas.h"

namespace kestril {

// Alternating dash and gap lengths in device pixels, dash first: the runs of equal
// bits of the 32-bit pattern, most significant first, times the unit (1 for types
// below 10, the pitch from 16 on); an odd count gets a final gap of 1.
TDoubleDynArray BuildDashPattern(const TJwwHeader& header, uint8_t lineType);

// The 32 bits of a random line type's pattern as 1.0 and 0.0, most significant first.
std::vector<double> RandomLineShape(const TJwwHeader& header, uint8_t lineType);

bool IsRandomLineType(uint8_t lineType);

}  // namespace kestril
