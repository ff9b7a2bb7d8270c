#include "cli/aside_file.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "base/errors.h"

namespace kestril::cli {
namespace {

// The temporaries being written, for the signal watcher. Renames happen under the same
// lock, so a temporary is either removed by the watcher or renamed, never half of each.
std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::set<std::string>& Temporaries() {
  static std::set<std::string> names;
  return names;
}

std::atomic<uint64_t> next{0};

// Wakes the watcher when its guard goes: never delivered to the process otherwise.
constexpr int kStopSignal = SIGUSR2;

sigset_t Watched(bool withStop) {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  if (withStop) sigaddset(&set, kStopSignal);
  return set;
}

}  // namespace

void WriteAside(const std::string& path, const std::function<void(const std::string&)>& write) {
  const std::string part =
      path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(next++);
  {
    const std::lock_guard lock(Lock());
    Temporaries().insert(part);
  }
  const auto forget = [&] {
    Temporaries().erase(part);
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
  };
  try {
    write(part);
  } catch (...) {
    const std::lock_guard lock(Lock());
    forget();
    throw;
  }
  const std::lock_guard lock(Lock());
  std::error_code ec;
  std::filesystem::rename(part, path, ec);
  if (ec) {
    forget();
    throw Error("cannot write " + path + ": " + ec.message());
  }
  Temporaries().erase(part);
}

InterruptCleanup::InterruptCleanup() {
  const sigset_t set = Watched(true);
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
  watcher_ = std::thread([] {
    const sigset_t set = Watched(true);
    int signal = 0;
    while (sigwait(&set, &signal) == 0) {
      if (signal == kStopSignal) return;
      std::unique_lock lock(Lock());
      for (const std::string& part : Temporaries()) ::unlink(part.c_str());
      // End as the signal ends a process, holding the lock so that nothing is renamed.
      ::signal(signal, SIG_DFL);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signal);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      ::raise(signal);
      ::_exit(128 + signal);
    }
  });
}

InterruptCleanup::~InterruptCleanup() {
  pthread_kill(watcher_.native_handle(), kStopSignal);
  watcher_.join();
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace kestril::cli
