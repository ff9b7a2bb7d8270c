#include "platform/file_stream.h"

#include <algorithm>

#include "base/errors.h"

namespace kestril {
namespace {

int64_t CheckedOffset(int64_t offset) {
  if (offset < 0) throw EReadError("negative start offset");
  return offset;
}

}  // namespace

FileStream::FileStream(NativeFile file, int64_t offset)
    : Stream(std::max<int64_t>(0, file.Size() - CheckedOffset(offset)),
             std::max<int64_t>(0, file.StartPosition() - offset)),
      file_(std::move(file)),
      offset_(offset),
      buffer_(64 * 1024) {}

std::span<const uint8_t> FileStream::Fetch(int64_t pos) {
  if (pos >= Size()) return {};
  const size_t want =
      static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer_.size()), Size() - pos));
  return {buffer_.data(), file_.ReadAt(offset_ + pos, buffer_.data(), want)};
}

std::unique_ptr<Stream> OpenFileStream(const std::string& path, int64_t offset) {
  CheckedOffset(offset);
  return std::make_unique<FileStream>(NativeFile::Open(path), offset);
}

std::unique_ptr<Stream> OpenHandleStream(NativeFileHandle handle) {
  return std::make_unique<FileStream>(NativeFile::Borrow(handle));
}

}  // namespace kestril
