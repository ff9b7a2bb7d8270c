// A file opened read-only, or a host's open file handle borrowed for reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestril {

#ifdef _WIN32
using NativeFileHandle = void*;  // HANDLE
#else
using NativeFileHandle = int;  // file descriptor
#endif

class NativeFile {
 public:
  // Raises EFOpenError when the file cannot be opened.
  static NativeFile Open(const std::string& path);
  // Reads through the caller's handle, which is neither moved back nor closed here.
  // Raises EReadError when the handle is not a readable file.
  static NativeFile Borrow(NativeFileHandle handle);

  NativeFile(NativeFile&& other) noexcept;
  NativeFile& operator=(NativeFile&&) = delete;
  NativeFile(const NativeFile&) = delete;
  ~NativeFile();

  int64_t Size() const { return size_; }
  // The handle's position when it was borrowed (0 for opened files).
  int64_t StartPosition() const { return start_; }
  // Up to n bytes from absolute position pos; raises EReadError on a failing read.
  size_t ReadAt(int64_t pos, void* dst, size_t n);

 private:
  NativeFile(NativeFileHandle h, bool owned, int64_t size, int64_t start)
      : handle_(h), owned_(owned), size_(size), start_(start) {}
  NativeFileHandle handle_;
  bool owned_;
  int64_t size_;
  int64_t start_;
};

}  // namespace kestril
