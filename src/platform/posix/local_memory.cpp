// The local-memory work-alike: handles are numbers issued by this heap, never
// addresses, so a handle cannot be mistaken for its block and a stale or foreign
// handle is recognised as invalid instead of being dereferenced. The heap stands in
// for the operating system's, so it is the one process-wide table here.
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/local_memory.h"

namespace kestril {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

struct Block {
  std::unique_ptr<void, FreeDeleter> data;
  size_t size = 0;
  unsigned locks = 0;
  bool moveable = false;
};

class LocalHeap {
 public:
  LocalHandle Allocate(unsigned flags, size_t bytes) {
    const bool moveable = (flags & kLmemMoveable) != 0;
    Block b;
    b.size = bytes;
    b.moveable = moveable;
    if (bytes != 0 || !moveable) {
      // calloc of a large block maps fresh zero pages instead of writing zeros.
      void* p = (flags & kLmemZeroInit) ? std::calloc(bytes ? bytes : 1, 1)
                                        : std::malloc(bytes ? bytes : 1);
      if (p == nullptr) return nullptr;
      b.data.reset(p);
    }
    std::lock_guard lock(mutex_);
    uintptr_t key;
    if (moveable) {
      key = kFirstHandle + 16 * next_++;
    } else {
      key = reinterpret_cast<uintptr_t>(b.data.get());
    }
    blocks_.emplace(key, std::move(b));
    return reinterpret_cast<LocalHandle>(key);
  }

  void* Lock(LocalHandle h) {
    std::lock_guard lock(mutex_);
    Block* b = Find(h);
    if (b == nullptr || b->data == nullptr) return nullptr;
    if (b->moveable && b->locks < kLmemLockCount) ++b->locks;
    return b->data.get();
  }

  bool Unlock(LocalHandle h) {
    std::lock_guard lock(mutex_);
    Block* b = Find(h);
    if (b == nullptr || b->locks == 0) return false;
    return --b->locks != 0;
  }

  LocalHandle Free(LocalHandle h) {
    if (h == nullptr) return nullptr;
    std::unique_ptr<void, FreeDeleter> data;  // freed outside the lock
    std::lock_guard lock(mutex_);
    auto it = blocks_.find(reinterpret_cast<uintptr_t>(h));
    if (it == blocks_.end()) return h;
    data = std::move(it->second.data);
    blocks_.erase(it);
    return nullptr;
  }

  size_t Size(LocalHandle h) {
    std::lock_guard lock(mutex_);
    const Block* b = Find(h);
    return b ? b->size : 0;
  }

  unsigned Flags(LocalHandle h) {
    std::lock_guard lock(mutex_);
    const Block* b = Find(h);
    if (b == nullptr) return kLmemInvalidHandle;
    return (b->data == nullptr ? kLmemDiscarded : 0) | b->locks;
  }

 private:
  // Above the first 64 KiB, like Windows handles, and 16-aligned like them.
  static constexpr uintptr_t kFirstHandle = 0x10008;

  Block* Find(LocalHandle h) {
    auto it = blocks_.find(reinterpret_cast<uintptr_t>(h));
    return it == blocks_.end() ? nullptr : &it->second;
  }

  std::mutex mutex_;
  std::unordered_map<uintptr_t, Block> blocks_;
  uintptr_t next_ = 0;
};

LocalHeap& Heap() {
  static LocalHeap heap;
  return heap;
}

}  // namespace

LocalHandle LocalAllocate(unsigned flags, size_t bytes) {
  try {
    return Heap().Allocate(flags, bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* LocalLockBlock(LocalHandle h) {
  return Heap().Lock(h);
}
bool LocalUnlockBlock(LocalHandle h) {
  return Heap().Unlock(h);
}
LocalHandle LocalFreeBlock(LocalHandle h) {
  return Heap().Free(h);
}
size_t LocalBlockSize(LocalHandle h) {
  return Heap().Size(h);
}
unsigned LocalBlockFlags(LocalHandle h) {
  return Heap().Flags(h);
}

}  // namespace kestril
