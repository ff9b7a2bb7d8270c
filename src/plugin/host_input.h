// The host's data as streams: a memory image, a file with the data starting at an
// offset, or (for IsSupported) the file's first bytes or an open handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/stream.h"

namespace kestril {

// IsSupported reads this much from a host's memory pointer.
inline constexpr size_t kIsSupportedBytes = 2000;

// The input of GetPictureInfo, GetPicture and GetPreview: flags & 7 selects a memory
// image of `length` bytes, read in place, otherwise `buffer` names a file whose data
// starts at byte `length`. Position 0 of the stream is the start of the data either way.
std::unique_ptr<Stream> OpenInput(const char* buffer, intptr_t length, uint32_t flags);

// The input of IsSupported: above 0xFFFF a pointer to the file's first
// kIsSupportedBytes bytes, otherwise an open file handle read from its position.
std::unique_ptr<Stream> OpenIsSupportedInput(uintptr_t source);

}  // namespace kestril
