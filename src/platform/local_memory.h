// Blocks of memory handed to a host: moveable, zero-filled, addressed through a
// handle that is locked for access (LocalAlloc(LHND), LocalLock, LocalUnlock,
// LocalFree). On Windows these are the kernel's own; elsewhere a work-alike heap with
// the same handle semantics, exported by the native plug-in for its hosts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace kestril {

using LocalHandle = void*;  // HLOCAL

inline constexpr unsigned kLmemFixed = 0x0000;
inline constexpr unsigned kLmemMoveable = 0x0002;
inline constexpr unsigned kLmemZeroInit = 0x0040;
inline constexpr unsigned kLhnd = kLmemMoveable | kLmemZeroInit;
inline constexpr unsigned kLmemDiscarded = 0x4000;
inline constexpr unsigned kLmemInvalidHandle = 0x8000;
inline constexpr unsigned kLmemLockCount = 0x00FF;

// nullptr when the block cannot be had. A moveable block of 0 bytes is a valid handle
// that locks to nullptr (a discarded block), as on Windows.
LocalHandle LocalAllocate(unsigned flags, size_t bytes);
// The block's address, counting one more lock; nullptr for a discarded or invalid handle.
void* LocalLockBlock(LocalHandle h);
// Counts one lock less; answers whether the block is still locked.
bool LocalUnlockBlock(LocalHandle h);
// nullptr when freed (or h was nullptr), else h.
LocalHandle LocalFreeBlock(LocalHandle h);
size_t LocalBlockSize(LocalHandle h);
// Lock count in the low byte, kLmemDiscarded, or kLmemInvalidHandle.
unsigned LocalBlockFlags(LocalHandle h);

// Owns a block until it is released to someone else (the host).
class LocalBlock {
 public:
  LocalBlock() = default;
  explicit LocalBlock(LocalHandle h) : handle_(h) {}
  LocalBlock(LocalBlock&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
  LocalBlock& operator=(LocalBlock&& o) noexcept {
    if (this != &o) {
      Reset();
      handle_ = std::exchange(o.handle_, nullptr);
    }
    return *this;
  }
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;
  ~LocalBlock() { Reset(); }

  // A moveable, zero-filled block; raises EOutOfResources when it cannot be had.
  static LocalBlock Allocate(size_t bytes);

  LocalHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  LocalHandle Release() { return std::exchange(handle_, nullptr); }
  void Reset() {
    if (handle_) LocalFreeBlock(std::exchange(handle_, nullptr));
  }

 private:
  LocalHandle handle_ = nullptr;
};

// Keeps a block locked for a scope.
class LocalLock {
 public:
  explicit LocalLock(LocalHandle h) : handle_(h), bits_(LocalLockBlock(h)) {}
  LocalLock(const LocalLock&) = delete;
  LocalLock& operator=(const LocalLock&) = delete;
  ~LocalLock() {
    if (bits_) LocalUnlockBlock(handle_);
  }
  uint8_t* bytes() const { return static_cast<uint8_t*>(bits_); }

 private:
  LocalHandle handle_;
  void* bits_;
};

}  // namespace kestril
