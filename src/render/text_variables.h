// Variables in drawing texts (memo lines, scales, today's and the file's date and time,
// the file's name) replaced by their values before a text is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "document/document.h"

namespace kestril {

// A local calendar date and time.
struct CivilTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 6;  // 0 Sunday .. 6 Saturday
};

// Where texts take the time from; tests pin it.
class TextClock {
 public:
  virtual ~TextClock() = default;
  // The current local date and time.
  virtual CivilTime Now() const;
  // A time in seconds since 1970-01-01 UTC as local date and time.
  virtual CivilTime Local(int64_t secondsSinceEpoch) const;
};

// The machine's own clock and time zone.
const TextClock& SystemTextClock();

// A text may grow by its variables up to this many bytes, or UTF-16 units for a Unicode
// text (or its own size, if larger); further substitutions are left out, so a file of a
// few bytes cannot ask for gigabytes.
inline constexpr size_t kMaxExpandedText = 8192;

// The text with every variable replaced, in a fixed order, matching at character
// boundaries only. The clock is read once. A Unicode text stays Unicode; a code page 932
// text becomes Unicode only when a memo or file name it takes in needs characters the
// code page lacks.
JwString ExpandTextVariables(JwStringView text, uint16_t layerGroup, const Document& doc,
                             const TextClock& clock);

}  // namespace kestril
