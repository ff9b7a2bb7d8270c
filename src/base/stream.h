// Byte streams: a memory image here; files and a host's OS handles in platform/.
// Reads are little-endian and field by field; reading past the end raises EReadError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/endian.h"
#include "base/jw_string.h"

namespace kestril {

class Stream {
 public:
  virtual ~Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  int64_t Position() const { return pos_; }
  int64_t Size() const { return size_; }
  int64_t Remaining() const { return size_ > pos_ ? size_ - pos_ : 0; }

  // Any position at or after 0 may be set; reads beyond the end fail. A negative
  // position raises EReadError.
  void Seek(int64_t pos);

  // Copies up to n bytes and answers how many were copied.
  size_t Read(void* dst, size_t n);

  // Copies exactly n bytes or raises EReadError (the position is then unspecified).
  void ReadBuffer(void* dst, size_t n) {
    const int64_t offset = pos_ - window_start_;
    if (offset >= 0 && static_cast<uint64_t>(offset) + n <= window_.size()) {
      if (n != 0) std::memcpy(dst, window_.data() + offset, n);
      pos_ += static_cast<int64_t>(n);
      return;
    }
    ReadBufferSlow(dst, n);
  }

  void Skip(size_t n);

  uint8_t ReadU8() {
    uint8_t b;
    ReadBuffer(&b, 1);
    return b;
  }
  uint16_t ReadU16() {
    uint8_t b[2];
    ReadBuffer(b, 2);
    return LoadU16(b);
  }
  uint32_t ReadU32() {
    uint8_t b[4];
    ReadBuffer(b, 4);
    return LoadU32(b);
  }
  double ReadF64() {
    uint8_t b[8];
    ReadBuffer(b, 8);
    return LoadF64(b);
  }

  // A Jw_cad string, as MFC stores strings: a length byte; or 255 and a u16 length; or
  // 255, 0xFFFF and a u32 length; then that many bytes of code page 932. A Unicode
  // string is marked by 255 and 0xFFFE, then its length in UTF-16 code units in the
  // same forms, then the units. The bytes are appended to out as they are stored, and
  // the answer says which encoding they are in. Lengths are checked against the data
  // before anything is allocated.
  JwString ReadString();
  TextEncoding ReadStringInto(std::string& out);
  void ReadStringInto(JwString& out) { out.encoding = ReadStringInto(out.bytes = {}); }
  // A u16 count, or 0xFFFF and a u32 count.
  uint32_t ReadCount();

  // Told where each string read begins (at its length) and ends, for tools that rewrite
  // the strings of a drawing.
  using StringObserver = std::function<void(int64_t begin, int64_t end, TextEncoding encoding)>;
  void ObserveStrings(StringObserver observer) { observer_ = std::move(observer); }

 protected:
  Stream(int64_t size, int64_t position) : pos_(position), size_(size) {}

  // Answers the bytes available from absolute position pos on (at least one byte
  // when pos is before the end; empty at or past the end). The span stays valid
  // until the next Fetch.
  virtual std::span<const uint8_t> Fetch(int64_t pos) = 0;

 private:
  void ReadBufferSlow(void* dst, size_t n);
  TextEncoding ReadStringForm(std::string& out);
  TextEncoding ReadStringBytes(std::string& out, uint64_t n, TextEncoding encoding);

  StringObserver observer_;
  std::span<const uint8_t> window_;
  int64_t window_start_ = 0;
  int64_t pos_ = 0;
  int64_t size_ = 0;
};

// A stream over bytes in memory, owned or borrowed.
class MemoryStream final : public Stream {
 public:
  explicit MemoryStream(std::vector<uint8_t> bytes);
  // Reads the caller's bytes in place; they must outlive the stream.
  struct Borrowed {};
  MemoryStream(Borrowed, std::span<const uint8_t> bytes);
  static MemoryStream View(std::span<const uint8_t> bytes) {
    return MemoryStream(Borrowed{}, bytes);
  }

 protected:
  std::span<const uint8_t> Fetch(int64_t pos) override;

 private:
  std::vector<uint8_t> owned_;
  std::span<const uint8_t> bytes_;
};

}  // namespace kestril
