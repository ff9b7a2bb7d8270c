// The checks of the Wine host programs: one line per check, and the totals at the end
// ("N passed, M failed"), which the test scripts read.
#pragma once

#include <cstdio>
#include <string>

namespace host_checks {

inline int passed = 0;
inline int failed = 0;

inline void Report(bool ok, const std::string& what, int line) {
  if (ok) {
    ++passed;
    std::printf("ok: %s\n", what.c_str());
  } else {
    ++failed;
    std::printf("FAIL (line %d): %s\n", line, what.c_str());
  }
  std::fflush(stdout);
}

// Prints the totals; true when every check passed and there was at least one.
inline bool Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 && passed > 0;
}

}  // namespace host_checks

#define CHECK(cond) host_checks::Report((cond), #cond, __LINE__)
#define CHECK_EQ(a, b)                                                                             \
  do {                                                                                             \
    const long long va_ = static_cast<long long>(a), vb_ = static_cast<long long>(b);              \
    host_checks::Report(                                                                           \
        va_ == vb_,                                                                                \
        std::string(#a " == " #b " (") + std::to_string(va_) + " vs " + std::to_string(vb_) + ")", \
        __LINE__);                                                                                 \
  } while (0)
