#include "platform/recursive_lock.h"

#include <windows.h>

namespace kestril {

struct RecursiveLock::Impl {
  CRITICAL_SECTION section;
};

RecursiveLock::RecursiveLock() : impl_(std::make_unique<Impl>()) {
  ::InitializeCriticalSection(&impl_->section);
}

RecursiveLock::~RecursiveLock() {
  ::DeleteCriticalSection(&impl_->section);
}

void RecursiveLock::lock() {
  ::EnterCriticalSection(&impl_->section);
}

void RecursiveLock::unlock() {
  ::LeaveCriticalSection(&impl_->section);
}

}  // namespace kestril
