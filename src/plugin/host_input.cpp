#include "plugin/host_input.h"

#include <cstring>
#include <span>
#include <vector>

#include "base/errors.h"
#include "platform/file_stream.h"

namespace kestril {

std::unique_ptr<Stream> OpenInput(const char* buffer, intptr_t length, uint32_t flags) {
  if ((flags & 7) != 0) {
    if (length < 0 || (buffer == nullptr && length != 0)) {
      throw Error("invalid memory image");
    }
    // The host's image outlives the call.
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer);
    return std::make_unique<MemoryStream>(
        MemoryStream::Borrowed{}, std::span<const uint8_t>(bytes, static_cast<size_t>(length)));
  }
  if (buffer == nullptr) throw EFOpenError("no file name");
  return OpenFileStream(buffer, length);
}

std::unique_ptr<Stream> OpenIsSupportedInput(uintptr_t source) {
  if ((source & ~uintptr_t{0xFFFF}) != 0) {
    std::vector<uint8_t> head(kIsSupportedBytes);
    std::memcpy(head.data(), reinterpret_cast<const void*>(source), head.size());
    return std::make_unique<MemoryStream>(std::move(head));
  }
#ifdef _WIN32
  return OpenHandleStream(reinterpret_cast<NativeFileHandle>(source));
#else
  return OpenHandleStream(static_cast<NativeFileHandle>(source));
#endif
}

}  // namespace kestril
