// Streams over a file opened by name and over a host's open file handle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "platform/native_file.h"

namespace kestril {

class FileStream final : public Stream {
 public:
  // The stream sees the file from byte `offset` on: that byte is position 0, and the
  // stream starts where the file's own position lies in that window. A negative offset
  // raises EReadError.
  explicit FileStream(NativeFile file, int64_t offset = 0);

 protected:
  std::span<const uint8_t> Fetch(int64_t pos) override;

 private:
  NativeFile file_;
  int64_t offset_;
  std::vector<uint8_t> buffer_;
};

// Opens a file read-only (EFOpenError when it cannot be opened or is not a regular
// file), its data starting at byte `offset`.
std::unique_ptr<Stream> OpenFileStream(const std::string& path, int64_t offset = 0);
// Reads through the caller's handle from its current position.
std::unique_ptr<Stream> OpenHandleStream(NativeFileHandle handle);

}  // namespace kestril
