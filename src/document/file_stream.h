// Streams over a file opened by name and over a host's open file handle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document/stream.h"
#include "platform/native_file.h"

namespace kestril {

class FileStream final : public Stream {
 public:
  explicit FileStream(NativeFile file);

 protected:
  std::span<const uint8_t> Fetch(int64_t pos) override;

 private:
  NativeFile file_;
  std::vector<uint8_t> buffer_;
};

// Opens a file read-only (EFOpenError when it cannot be opened).
std::unique_ptr<Stream> OpenFileStream(const std::string& path);
// Reads through the caller's handle from its current position.
std::unique_ptr<Stream> OpenHandleStream(NativeFileHandle handle);

}  // namespace kestril
