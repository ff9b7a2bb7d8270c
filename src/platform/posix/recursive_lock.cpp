#include "platform/recursive_lock.h"

#include <mutex>

namespace kestril {

struct RecursiveLock::Impl {
  std::recursive_mutex mutex;
};

RecursiveLock::RecursiveLock() : impl_(std::make_unique<Impl>()) {}
RecursiveLock::~RecursiveLock() = default;

void RecursiveLock::lock() {
  impl_->mutex.lock();
}

void RecursiveLock::unlock() {
  impl_->mutex.unlock();
}

}  // namespace kestril
