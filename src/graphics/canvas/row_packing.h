// Cairo's RGB24 pixels turned into BMP rows, four pixels at a time (with one byte
// shuffle where the processor has it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestril {

// Rows of `width` native-endian 0x00RRGGBB words, `srcStride` bytes apart, written as
// BMP rows: blue, green, red bytes, bottom row first, each padded with zeros to
// `stride`. dst must hold `height` rows of `stride` >= 3 * width bytes.
void PackBmpRows(const unsigned char* src, size_t srcStride, int32_t width, int32_t height,
                 std::span<uint8_t> dst, size_t stride);

}  // namespace kestril
