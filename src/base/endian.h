// Little-endian numbers to and from bytes: file records, BMP headers and the plug-in's
// wire records are all little-endian, whatever the machine.
#pragma once

#include <cstdint>
#include <cstring>

namespace kestril {

inline uint16_t LoadU16(const uint8_t* b) {
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t LoadU32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
inline uint64_t LoadU64(const uint8_t* b) {
  return static_cast<uint64_t>(LoadU32(b)) | (static_cast<uint64_t>(LoadU32(b + 4)) << 32);
}
// memcpy rather than std::bit_cast, which the WebAssembly build's library lacks.
inline double LoadF64(const uint8_t* b) {
  const uint64_t bits = LoadU64(b);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

inline void StoreU16(uint8_t* b, uint16_t v) {
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreU64(uint8_t* b, uint64_t v) {
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace kestril
