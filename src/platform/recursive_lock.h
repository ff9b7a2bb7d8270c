// A lock the same thread may take again while it holds it (the Windows toolchains'
// runtime has no std::recursive_mutex).
#pragma once

#include <memory>

namespace kestril {

class RecursiveLock {
 public:
  RecursiveLock();
  ~RecursiveLock();
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void lock();
  void unlock();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kestril
