#include "plugin/wire_records.h"

#include "base/endian.h"
#include "base/errors.h"

namespace kestril {

void PictureInfo::WriteTo(uint8_t* out) const {
  StoreU32(out + 0, static_cast<uint32_t>(left));
  StoreU32(out + 4, static_cast<uint32_t>(top));
  StoreU32(out + 8, static_cast<uint32_t>(width));
  StoreU32(out + 12, static_cast<uint32_t>(height));
  StoreU16(out + 16, xDensity);
  StoreU16(out + 18, yDensity);
  StoreU16(out + 20, static_cast<uint16_t>(colorDepth));
  const auto handle = reinterpret_cast<uintptr_t>(info);
  if constexpr (sizeof(void*) == 8) {
    StoreU64(out + 22, handle);
  } else {
    StoreU32(out + 22, static_cast<uint32_t>(handle));
  }
}

void StartHeaderBlock(std::span<uint8_t> block) {
  if (block.size() < kHeaderBlockSize) throw Error("header block too small");
  StoreU32(block.data(), BitmapInfoHeader::kSize);
}

}  // namespace kestril
