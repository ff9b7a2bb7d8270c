#include "platform/native_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"

namespace kestril {
namespace {
int64_t RegularFileSize(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}
}  // namespace

NativeFile NativeFile::Open(const std::string& path) {
  const auto fail = [&](const char* why) {
    return EFOpenError("cannot open \"" + path + "\": " + why);
  };
  // A FIFO without a writer would block the open, and opening a device may act on it:
  // only regular files are opened, and without blocking in case the name changes kind
  // between the look and the open.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) throw fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw fail("not a regular file");
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw fail(std::strerror(errno));
  const int64_t size = RegularFileSize(fd);
  if (size < 0) {
    ::close(fd);
    throw fail("not a regular file");
  }
  return NativeFile(fd, true, size, 0);
}

NativeFile NativeFile::Borrow(NativeFileHandle handle) {
  const int64_t size = RegularFileSize(handle);
  const off_t at = size < 0 ? -1 : ::lseek(handle, 0, SEEK_CUR);
  if (at < 0) throw EReadError("the handle is not a readable file");
  return NativeFile(handle, false, size, static_cast<int64_t>(at));
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(other.handle_), owned_(other.owned_), size_(other.size_), start_(other.start_) {
  other.owned_ = false;
}

NativeFile::~NativeFile() {
  if (owned_) ::close(handle_);
}

size_t NativeFile::ReadAt(int64_t pos, void* dst, size_t n) {
  for (;;) {
    const ssize_t got = ::pread(handle_, dst, n, static_cast<off_t>(pos));
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) throw EReadError(std::string("read error: ") + std::strerror(errno));
  }
}

}  // namespace kestril
