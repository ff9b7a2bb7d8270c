#include "base/errors.h"
#include "platform/local_memory.h"

namespace kestril {

LocalBlock LocalBlock::Allocate(size_t bytes) {
  LocalHandle h = LocalAllocate(kLhnd, bytes);
  if (h == nullptr) {
    throw EOutOfResources("cannot allocate a block of " + std::to_string(bytes) + " bytes");
  }
  return LocalBlock(h);
}

}  // namespace kestril
