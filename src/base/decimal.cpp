#include "base/decimal.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace kestril {

bool ReadFiniteDouble(std::string_view text, double& out) {
  if (text.empty()) return false;
  double value = 0;
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
#else
  // strtod reads more than from_chars (blanks, '+', hexadecimal, infinities): only the
  // characters of a plain decimal number go to it, a sign only first or after an
  // exponent letter. The C locale is the only one here.
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    const bool sign = c == '-' && (i == 0 || text[i - 1] == 'e' || text[i - 1] == 'E');
    const bool expSign = c == '+' && i > 0 && (text[i - 1] == 'e' || text[i - 1] == 'E');
    if (!digit && !sign && !expSign && c != '.' && c != 'e' && c != 'E') return false;
  }
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  value = std::strtod(copy.c_str(), &end);
  if (errno == ERANGE || end != copy.c_str() + copy.size()) return false;
#endif
  if (!std::isfinite(value)) return false;
  out = value;
  return true;
}

}  // namespace kestril
