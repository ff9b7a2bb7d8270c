#include "cli/output_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <vector>

#include "base/errors.h"

namespace kestril::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryMark = ".kestril-tmp-";

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

// Wakes the watcher when its guard goes: never delivered to the process otherwise.
constexpr int kStopSignal = SIGUSR2;

sigset_t Watched(bool withStop) {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  if (withStop) sigaddset(&set, kStopSignal);
  return set;
}

std::string Failure(const std::string& path, int error) {
  return "cannot write " + path + ": " + std::strerror(error);
}

// The temporary, written through a buffer; the first failure is kept and raised again
// by every later call, so a later, different errno never hides the first.
class TemporaryFile final : public ByteSink {
 public:
  TemporaryFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {
    buffer_.reserve(kBufferBytes);
  }
  ~TemporaryFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void Write(const void* data, size_t n) override {
    Check();
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + n <= kBufferBytes) {
      buffer_.insert(buffer_.end(), bytes, bytes + n);
      return;
    }
    Flush();
    if (n >= kBufferBytes) {
      WriteAll(bytes, n);
    } else {
      buffer_.assign(bytes, bytes + n);
    }
  }
  const std::string& Name() const override { return path_; }

  // Everything on the disk and the file closed, or Error.
  void Finish() {
    Flush();
    // Some file systems cannot sync (EINVAL): their data is as safe as it gets.
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != ENOTSUP) Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    // A network file system may report a failed write only now. EINTR still closes it.
    if (::close(fd) != 0 && errno != EINTR) Fail(errno);
  }

 private:
  static constexpr size_t kBufferBytes = size_t{64} << 10;

  void Check() const {
    if (!error_.empty()) throw Error(error_);
  }
  [[noreturn]] void Fail(int error) {
    if (error_.empty()) error_ = Failure(path_, error);
    throw Error(error_);
  }
  void Flush() {
    WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  void WriteAll(const uint8_t* bytes, size_t n) {
    Check();
    while (n > 0) {
      const ssize_t done = ::write(fd_, bytes, n);
      if (done < 0 && errno == EINTR) continue;
      // A write that takes nothing without a reason is a full disk.
      if (done <= 0) Fail(done < 0 ? errno : ENOSPC);
      bytes += done;
      n -= static_cast<size_t>(done);
    }
  }

  std::string path_;
  int fd_;
  std::vector<uint8_t> buffer_;
  std::string error_;
};

// Creates the temporary of path for this process. One left by an earlier process that
// had this process's id is replaced; one this process is writing is a mistake.
int CreateTemporary(const std::string& path, const std::string& temporary) {
  for (int attempt = 0;; ++attempt) {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST || attempt > 0) throw Error(Failure(path, errno));
    ::unlink(temporary.c_str());
  }
}

}  // namespace

std::string TemporaryOf(const std::string& path, pid_t pid) {
  const fs::path p(path);
  return (p.parent_path() /
          ("." + p.filename().string() + std::string(kTemporaryMark) + std::to_string(pid)))
      .string();
}

void WriteOutput(const std::string& path, const std::function<void(ByteSink&)>& write) {
  const std::string temporary = TemporaryOf(path, ::getpid());
  {
    const std::lock_guard lock(Lock());
    if (!Temporaries().insert(temporary).second) {
      throw Error("cannot write " + path + ": it is being written already");
    }
  }
  const auto forget = [&] {
    Temporaries().erase(temporary);
    ::unlink(temporary.c_str());
  };
  try {
    TemporaryFile file(path, CreateTemporary(path, temporary));
    write(file);
    file.Finish();
  } catch (...) {
    const std::lock_guard lock(Lock());
    forget();
    throw;
  }
  const std::lock_guard lock(Lock());
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    forget();
    throw Error(Failure(path, error));
  }
  Temporaries().erase(temporary);
}

size_t RemoveLeftovers(const std::string& folder, const std::set<std::string>& names) {
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec);
  size_t removed = 0;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos || mark < 2) continue;
    if (names.count(name.substr(1, mark - 1)) == 0) continue;
    const std::string_view digits = std::string_view(name).substr(mark + kTemporaryMark.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (error != std::errc() || end != digits.data() + digits.size() || pid <= 0 ||
        digits[0] == '0' || pid == ::getpid()) {
      continue;
    }
    // Only a process that is gone: another run may be writing it now.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    const std::string file = it->path().string();
    if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(file.c_str()) == 0) {
      ++removed;
    }
  }
  return removed;
}

std::optional<FileId> IdOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
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
      for (const std::string& temporary : Temporaries()) ::unlink(temporary.c_str());
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
