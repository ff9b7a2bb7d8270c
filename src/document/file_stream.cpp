#include "document/file_stream.h"

namespace kestril {

FileStream::FileStream(NativeFile file)
    : Stream(file.Size(), file.StartPosition()), file_(std::move(file)), buffer_(64 * 1024) {}

std::span<const uint8_t> FileStream::Fetch(int64_t pos) {
  if (pos >= Size()) return {};
  return {buffer_.data(), file_.ReadAt(pos, buffer_.data(), buffer_.size())};
}

std::unique_ptr<Stream> OpenFileStream(const std::string& path) {
  return std::make_unique<FileStream>(NativeFile::Open(path));
}

std::unique_ptr<Stream> OpenHandleStream(NativeFileHandle handle) {
  return std::make_unique<FileStream>(NativeFile::Borrow(handle));
}

}  // namespace kestril
