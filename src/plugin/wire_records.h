// What the plug-in hands its hosts besides the pixels: the picture-info record and the
// header block, laid out byte by byte as the interface fixes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "graphics/image/bmp_layout.h"
#include "platform/local_memory.h"

namespace kestril {

// The header block handed to the host: a BITMAPINFOHEADER and room for 256 palette
// entries.
inline constexpr size_t kHeaderBlockSize = 1064;
// The picture-info record: 26 bytes for 32-bit hosts, 30 for 64-bit ones.
inline constexpr size_t kPictureInfoSize = 22 + sizeof(void*);

// What a body reports for GetPictureInfo.
struct PictureInfo {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t xDensity = 0;
  uint16_t yDensity = 0;
  int16_t colorDepth = 0;
  LocalHandle info = nullptr;

  void WriteTo(uint8_t* out) const;  // kPictureInfoSize bytes
};

// A fresh header block (kHeaderBlockSize bytes) says that a BITMAPINFOHEADER lies
// there even when a body fails before writing one: hosts read its size field.
void StartHeaderBlock(std::span<uint8_t> block);

}  // namespace kestril
