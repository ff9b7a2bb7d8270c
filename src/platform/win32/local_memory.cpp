#include <windows.h>

#include "platform/local_memory.h"

namespace kestril {

LocalHandle LocalAllocate(unsigned flags, size_t bytes) {
  return ::LocalAlloc(flags, bytes);
}
void* LocalLockBlock(LocalHandle h) {
  return ::LocalLock(h);
}
bool LocalUnlockBlock(LocalHandle h) {
  return ::LocalUnlock(h) != FALSE;
}
LocalHandle LocalFreeBlock(LocalHandle h) {
  return ::LocalFree(h);
}
size_t LocalBlockSize(LocalHandle h) {
  return ::LocalSize(h);
}
unsigned LocalBlockFlags(LocalHandle h) {
  return ::LocalFlags(h);
}

}  // namespace kestril
