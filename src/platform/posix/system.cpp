#include "platform/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace kestril {

void DefaultBeep() {}

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? path.substr(0, slash == 0 ? 1 : 0)
                                                  : path.substr(0, slash);
}

void PumpMessages() {}

int64_t FileModifiedTime(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_mtime);
}

}  // namespace kestril
