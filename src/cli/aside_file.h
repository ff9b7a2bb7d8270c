// Files written under a temporary name beside their final place and renamed when whole,
// so that a failed or interrupted write never leaves half a file behind nor spoils the
// file that was there before.
#pragma once

#include <signal.h>

#include <functional>
#include <string>
#include <thread>

namespace kestril::cli {

// Calls write(temporary) and renames the temporary to path when write returns. On any
// failure the temporary is removed and the exception passes on; a rename that fails
// raises Error naming path. Safe to call from several threads at once.
void WriteAside(const std::string& path, const std::function<void(const std::string&)>& write);

// While one lives, SIGINT, SIGTERM and SIGHUP remove every temporary of WriteAside before
// the process ends by the signal as it would have without. Create it before any other
// thread, so that they inherit the blocked signals; one at a time.
class InterruptCleanup {
 public:
  InterruptCleanup();
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  sigset_t previous_;
  std::thread watcher_;
};

}  // namespace kestril::cli
