// The browser has no files beside a drawing: the page hands the drawing over in memory,
// and the files a drawing names (images) are never there. Opening one fails as a
// missing file does elsewhere, so those images are skipped as they are natively.
#include "platform/native_file.h"
#include "base/errors.h"

namespace kestril {

NativeFile NativeFile::Open(const std::string& path) {
  throw EFOpenError("cannot open \"" + path + "\": the browser reads no files");
}

NativeFile NativeFile::Borrow(NativeFileHandle) {
  throw EReadError("the browser reads no files");
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(other.handle_), owned_(false), size_(other.size_), start_(other.start_) {}

// No file is ever opened here, owned or not: nothing to close.
NativeFile::~NativeFile() {
  static_cast<void>(owned_);
}

size_t NativeFile::ReadAt(int64_t, void*, size_t) {
  throw EReadError("the browser reads no files");
}

}  // namespace kestril
