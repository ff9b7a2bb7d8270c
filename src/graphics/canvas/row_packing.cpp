#include "graphics/canvas/row_packing.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kestril {
namespace {

// One row of RGB24 pixels (native-endian words 0x00RRGGBB) as blue, green, red bytes.
void PackRowPortable(const unsigned char* src, uint8_t* out, int32_t width) {
  int32_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four pixels in three words: the byte order in memory is already blue, green, red.
    for (; x + 4 <= width; x += 4, src += 16, out += 12) {
      uint32_t p0, p1, p2, p3;
      std::memcpy(&p0, src, 4);
      std::memcpy(&p1, src + 4, 4);
      std::memcpy(&p2, src + 8, 4);
      std::memcpy(&p3, src + 12, 4);
      const uint32_t w0 = (p0 & 0xFFFFFF) | (p1 << 24);
      const uint32_t w1 = ((p1 >> 8) & 0xFFFF) | (p2 << 16);
      const uint32_t w2 = ((p2 >> 16) & 0xFF) | (p3 << 8);
      std::memcpy(out, &w0, 4);
      std::memcpy(out + 4, &w1, 4);
      std::memcpy(out + 8, &w2, 4);
    }
  }
  for (; x < width; ++x, src += 4) {
    uint32_t px;
    std::memcpy(&px, src, 4);
    *out++ = static_cast<uint8_t>(px);
    *out++ = static_cast<uint8_t>(px >> 8);
    *out++ = static_cast<uint8_t>(px >> 16);
  }
}

#if defined(__x86_64__) || defined(__i386__)
// The same with one byte shuffle per four pixels. Each store writes 16 bytes of which
// 12 count, so the loop stops while the rest of the row still has room for the extra 4.
__attribute__((target("ssse3"))) void PackRowSsse3(const unsigned char* src, uint8_t* out,
                                                   int32_t width) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t x = 0;
  for (; x + 6 <= width; x += 4, src += 16, out += 12) {
    const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(px, order));
  }
  PackRowPortable(src, out, width - x);
}

using PackRowFn = void (*)(const unsigned char*, uint8_t*, int32_t);
const PackRowFn PackRow = __builtin_cpu_supports("ssse3") ? PackRowSsse3 : PackRowPortable;
#else
const auto PackRow = PackRowPortable;
#endif

}  // namespace

void PackBmpRows(const unsigned char* src, size_t srcStride, int32_t width, int32_t height,
                 std::span<uint8_t> dst, size_t stride) {
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = dst.data() + stride * size_t(height - 1 - y);
    PackRow(src + srcStride * size_t(y), out, width);
    std::memset(out + rowBytes, 0, stride - rowBytes);
  }
}

}  // namespace kestril
