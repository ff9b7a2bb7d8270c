#include "base/stream.h"

#include <algorithm>

#include "base/errors.h"

namespace kestril {

void Stream::Seek(int64_t pos) {
  if (pos < 0) throw EReadError("stream position before the start");
  pos_ = pos;
}

size_t Stream::Read(void* dst, size_t n) {
  auto* out = static_cast<uint8_t*>(dst);
  size_t done = 0;
  while (done < n && pos_ < size_) {
    const int64_t offset = pos_ - window_start_;
    if (offset < 0 || static_cast<uint64_t>(offset) >= window_.size()) {
      window_ = Fetch(pos_);
      window_start_ = pos_;
      if (window_.empty()) break;
      continue;
    }
    const size_t take = std::min(n - done, window_.size() - static_cast<size_t>(offset));
    std::memcpy(out + done, window_.data() + offset, take);
    done += take;
    pos_ += static_cast<int64_t>(take);
  }
  return done;
}

void Stream::ReadBufferSlow(void* dst, size_t n) {
  if (Read(dst, n) != n) throw EReadError("stream read error: unexpected end of data");
}

void Stream::Skip(size_t n) {
  if (static_cast<uint64_t>(Remaining()) < n) {
    throw EReadError("stream read error: unexpected end of data");
  }
  pos_ += static_cast<int64_t>(n);
}

JwString Stream::ReadString() {
  JwString s;
  ReadStringInto(s);
  return s;
}

TextEncoding Stream::ReadStringInto(std::string& out) {
  if (observer_) {
    const int64_t begin = pos_;
    const TextEncoding encoding = ReadStringForm(out);
    observer_(begin, pos_, encoding);
    return encoding;
  }
  return ReadStringForm(out);
}

TextEncoding Stream::ReadStringForm(std::string& out) {
  TextEncoding encoding = TextEncoding::Cp932;
  uint64_t n = ReadU8();
  if (n == 0xFF) {
    n = ReadU16();
    if (n == 0xFFFE) {
      // Unicode: the length follows again, counted in code units.
      encoding = TextEncoding::Utf16;
      n = ReadU8();
      if (n < 0xFF) return ReadStringBytes(out, 2 * n, encoding);
      n = ReadU16();
    }
    if (n == 0xFFFF) n = ReadU32();
  }
  return ReadStringBytes(out, encoding == TextEncoding::Utf16 ? 2 * n : n, encoding);
}

TextEncoding Stream::ReadStringBytes(std::string& out, uint64_t n, TextEncoding encoding) {
  // Check before allocating, so a bogus length cannot ask for memory the data lacks.
  if (static_cast<uint64_t>(Remaining()) < n) {
    throw EReadError("stream read error: string runs past the end");
  }
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(n));
  ReadBuffer(out.data() + at, static_cast<size_t>(n));
  return encoding;
}

uint32_t Stream::ReadCount() {
  const uint16_t c = ReadU16();
  return c == 0xFFFF ? ReadU32() : c;
}

MemoryStream::MemoryStream(std::vector<uint8_t> bytes)
    : Stream(static_cast<int64_t>(bytes.size()), 0), owned_(std::move(bytes)), bytes_(owned_) {}

MemoryStream::MemoryStream(Borrowed, std::span<const uint8_t> view)
    : Stream(static_cast<int64_t>(view.size()), 0), bytes_(view) {}

std::span<const uint8_t> MemoryStream::Fetch(int64_t pos) {
  if (pos < 0 || static_cast<uint64_t>(pos) >= bytes_.size()) return {};
  return bytes_.subspan(static_cast<size_t>(pos));
}

}  // namespace kestril
