// Every file the command makes (pictures, pages, thumbnails) is written by WriteOutput:
// under a hidden temporary beside its place, every write, the sync and the close
// checked, and renamed over the old file only when whole. A failed or interrupted write
// never leaves half a file behind nor spoils the file that was there before.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <compare>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "base/byte_sink.h"

namespace kestril::cli {

// Lets write append the output's bytes to a sink over ".NAME.kestril-tmp-PID" in the
// folder of path; when write returns, the temporary is flushed, synced to the disk,
// closed and renamed to path. On any failure the temporary is removed, the file at path
// is left as it was and Error is raised naming path (never the temporary) with the
// system's first reason ("No space left on device"); an exception from write passes
// on. Safe to call from several threads at once for different paths.
void WriteOutput(const std::string& path, const std::function<void(ByteSink&)>& write);

// The temporary WriteOutput writes path under in the process pid.
std::string TemporaryOf(const std::string& path, pid_t pid);

// Removes from folder the temporaries of the given file names that a process killed
// outright (SIGKILL, a crash) left behind: only names made exactly as TemporaryOf makes
// them, of processes that no longer exist. Answers how many were removed.
size_t RemoveLeftovers(const std::string& folder, const std::set<std::string>& names);

// A file by its device and inode, so that two names of one file compare equal.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  auto operator<=>(const FileId&) const = default;
};
// The file a path names (links followed); nothing when there is none.
std::optional<FileId> IdOf(const std::string& path);

// While one lives, SIGINT, SIGTERM and SIGHUP remove every temporary of WriteOutput
// before the process ends by the signal as it would have without. Create it before any
// other thread, so that they inherit the blocked signals; one at a time.
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
