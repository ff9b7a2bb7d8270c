// How far two pictures of the same drawing agree on where the ink is: intersection
// over union of their inked pixels, each grown by one pixel so that a line one pixel
// off still overlaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestril::testing {

// Inked pixels (any colour but the background) of BMP rows (BGR, bottom row first,
// padded to stride), top row first. Row 0 and column 0 are left out: the plug-in's
// pictures keep them white whatever the background.
std::vector<bool> InkOfBmpRows(const uint8_t* rows, int32_t w, int32_t h, size_t stride,
                               uint32_t background = 0xFFFFFF, bool skipFirstRowAndColumn = false);

std::vector<bool> DilatedInk(const std::vector<bool>& ink, int32_t w, int32_t h);

// |A ∩ B| / |A ∪ B| of the dilated masks; 1 when neither has ink.
double InkOverlap(const std::vector<bool>& a, const std::vector<bool>& b, int32_t w, int32_t h);

}  // namespace kestril::testing
