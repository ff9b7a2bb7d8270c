#include <windows.h>

#include "base/errors.h"
#include "platform/native_file.h"

namespace kestril {
namespace {

// The size of a disk file, or -1 for anything else (pipes, consoles, devices, bad
// handles), so that nothing but a file is ever read.
int64_t DiskFileSize(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return -1;
  if (::GetFileType(h) != FILE_TYPE_DISK) return -1;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(h, &size)) return -1;
  return size.QuadPart;
}

}  // namespace

NativeFile NativeFile::Open(const std::string& path) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    throw EFOpenError("cannot open \"" + path + "\" (error " + std::to_string(::GetLastError()) +
                      ")");
  }
  const int64_t size = DiskFileSize(h);
  if (size < 0) {
    ::CloseHandle(h);
    throw EFOpenError("cannot open \"" + path + "\": not a regular file");
  }
  return NativeFile(h, true, size, 0);
}

NativeFile NativeFile::Borrow(NativeFileHandle handle) {
  const int64_t size = DiskFileSize(handle);
  LARGE_INTEGER zero{}, at{};
  if (size < 0 || !::SetFilePointerEx(handle, zero, &at, FILE_CURRENT)) {
    throw EReadError("the handle is not a readable file");
  }
  return NativeFile(handle, false, size, at.QuadPart);
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(other.handle_), owned_(other.owned_), size_(other.size_), start_(other.start_) {
  other.owned_ = false;
}

NativeFile::~NativeFile() {
  if (owned_) ::CloseHandle(handle_);
}

size_t NativeFile::ReadAt(int64_t pos, void* dst, size_t n) {
  // ReadFile at an explicit offset: the borrowed handle's own position is the
  // host's business. (For a synchronous handle the position still moves; it is
  // put back below so the host finds it where it left it.)
  LARGE_INTEGER zero{}, saved{};
  const bool restore = !owned_ && ::SetFilePointerEx(handle_, zero, &saved, FILE_CURRENT);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<uint64_t>(pos) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(pos) >> 32);
  const DWORD want = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
  DWORD got = 0;
  const BOOL ok = ::ReadFile(handle_, dst, want, &got, &at);
  const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
  if (restore) ::SetFilePointerEx(handle_, saved, nullptr, FILE_BEGIN);
  if (!ok && error != ERROR_HANDLE_EOF) {
    throw EReadError("read error (error " + std::to_string(error) + ")");
  }
  return got;
}

}  // namespace kestril
