#include "render/text_variables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "graphics/text/cp932.h"

namespace kestril {

namespace {

// Names, Sunday first; code page 932 where Japanese.
constexpr std::array<std::string_view, 7> kWeekdaysJapanese = {"\x93\xfa", "\x8c\x8e", "\x89\xce",
                                                               "\x90\x85", "\x96\xd8", "\x8b\xe0",
                                                               "\x93\x79"};  // 日月火水木金土
constexpr std::array<std::string_view, 7> kWeekdaysEnglish = {"SUN", "MON", "TUE", "WED",
                                                              "THU", "FRI", "SAT"};
constexpr std::array<std::string_view, 12> kMonthsEnglish = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEPT", "OCT", "NUV", "DEC"};
constexpr std::string_view kMorning = "\x91\x4f";    // 前
constexpr std::string_view kAfternoon = "\x8c\xe3";  // 後

CivilTime FromTm(const std::tm& t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday};
}

int LastTwoDigits(int v) {
  return ((v % 100) + 100) % 100;
}

// The last two characters of `pad` followed by the decimal v.
std::string LastTwo(char pad, uint64_t v) {
  char buf[24];
  const int n = std::snprintf(buf, sizeof buf, "%c%llu", pad, static_cast<unsigned long long>(v));
  return std::string(buf + n - 2, 2);
}

// The three two-character fields of a number's last two digits.
std::string RightAligned(int v) {
  return LastTwo(' ', static_cast<uint64_t>(LastTwoDigits(v)));
}
std::string ZeroPadded(int v) {
  return LastTwo('0', static_cast<uint64_t>(LastTwoDigits(v)));
}
std::string LeftAligned(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%-2d", LastTwoDigits(v));
  return std::string(buf, 2);
}

// A whole number as digits; what cannot be one reads as 0.
std::string WholeNumber(double v) {
  if (!std::isfinite(v)) return "0";
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", v == 0 ? 0.0 : v);  // no "-0"
  return buf;
}

// Rounded to the nearest whole number, halves to even.
std::string Rounded(double v) {
  return WholeNumber(std::nearbyint(v));
}

// n, n.5 or n + 1 by the fraction's quarter.
std::string HalfStep(double x) {
  if (!std::isfinite(x) || x == 0) return "0";
  const double a = std::fabs(x);
  const double n = std::floor(a);
  const double r = a - n;
  std::string magnitude;
  if (r < 0.25) {
    magnitude = WholeNumber(n);
  } else if (r < 0.75) {
    magnitude = WholeNumber(n).append(".5");
  } else {
    magnitude = WholeNumber(n + 1);
  }
  return x < 0 ? std::string("-").append(magnitude) : magnitude;
}

int TwelveHour(int hour) {
  return hour > 12 ? hour - 12 : hour;
}

std::string DateText(const CivilTime& t, bool withTime) {
  char buf[64];
  if (withTime) {
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
  } else {
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.year, t.month, t.day);
  }
  return buf;
}

// The memo's first two lines; line breaks are CR LF, LF or CR.
std::vector<std::string_view> MemoLines(std::string_view memo) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= memo.size() && lines.size() < 2) {
    const size_t end = memo.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      if (start < memo.size() || lines.empty()) lines.push_back(memo.substr(start));
      break;
    }
    lines.push_back(memo.substr(start, end - start));
    start = end + (memo.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (start == memo.size()) break;
  }
  return lines;
}

// A file name as the text's code page: ASCII and names that are not UTF-8 as they are,
// UTF-8 names (the native file system's) converted.
std::string AsCp932(const std::string& name) {
  std::string out;
  return Utf8ToCp932(name, out) ? out : name;
}

class Expansion {
 public:
  Expansion(std::string_view text) : s_(text), limit_(std::max(text.size(), kMaxExpandedText)) {}

  // Every occurrence of `from` that starts on a character boundary becomes `to`.
  void Replace(std::string_view from, std::string_view to) {
    if (s_.find(from) == std::string::npos) return;
    std::string out;
    out.reserve(s_.size());
    size_t i = 0;
    while (i < s_.size()) {
      if (s_.compare(i, from.size(), from) == 0 &&
          out.size() + to.size() + (s_.size() - i - from.size()) <= limit_) {
        out += to;
        i += from.size();
        continue;
      }
      const size_t len = IsCp932LeadByte(static_cast<uint8_t>(s_[i])) && i + 1 < s_.size() ? 2 : 1;
      out.append(s_, i, len);
      i += len;
    }
    s_ = std::move(out);
  }

  // The right-aligned, zero-padded and left-aligned forms of one field.
  void Fields(std::string_view name, int value) {
    Replace(std::string("&").append(name), RightAligned(value));
    Replace(std::string("%").append(name), ZeroPadded(value));
    Replace(std::string("$").append(name), LeftAligned(value));
  }

  std::string Take() { return std::move(s_); }

 private:
  std::string s_;
  size_t limit_;
};

void Scales(Expansion& x, const std::string& scale, const std::string& printed) {
  x.Replace("%SS", std::string("1/").append(scale));
  x.Replace("%ss", scale);
  x.Replace("%SP", std::string("1/").append(printed));
  x.Replace("%sp", printed);
}

}  // namespace

CivilTime TextClock::Now() const {
  return Local(static_cast<int64_t>(std::time(nullptr)));
}

CivilTime TextClock::Local(int64_t secondsSinceEpoch) const {
  const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm tm{};
#ifdef _WIN32
  if (localtime_s(&tm, &t) != 0) return CivilTime{};
#else
  if (localtime_r(&t, &tm) == nullptr) return CivilTime{};
#endif
  return FromTm(tm);
}

const TextClock& SystemTextClock() {
  static const TextClock clock;
  return clock;
}

std::string ExpandTextVariables(std::string_view text, uint16_t layerGroup, const Document& doc,
                                const TextClock& clock) {
  // Every variable begins with one of these; most texts have none.
  if (text.find_first_of("%&$=_") == std::string_view::npos) return std::string(text);
  const TJwwHeader& h = doc.Header;
  Expansion x(text);

  x.Replace("%mm", h.Memo);
  const std::vector<std::string_view> lines = MemoLines(h.Memo);
  x.Replace("%m1", lines.empty() ? std::string_view(h.Memo) : lines[0]);
  x.Replace("%m2", lines.size() < 2 ? std::string_view("_") : lines[1]);

  const double s = layerGroup < kLayerGroups ? h.GroupScale[layerGroup] : 0.0;
  const double f = h.TextMacroFactor;
  if (s >= 0) {
    Scales(x, Rounded(s), Rounded(s * f));
  } else {
    Scales(x, HalfStep(1 / s), HalfStep(1 / s * f));
  }

  const CivilTime now = clock.Now();
  const size_t weekday = static_cast<size_t>(std::clamp(now.weekday, 0, 6));
  const size_t month = static_cast<size_t>(std::clamp(now.month, 1, 12) - 1);
  x.Replace("%wa", kWeekdaysEnglish[weekday]);
  x.Replace("=wa", kWeekdaysEnglish[weekday]);
  x.Replace("%ma", kMonthsEnglish[month]);
  x.Replace("=ma", kMonthsEnglish[month]);
  x.Replace("%w", kWeekdaysJapanese[weekday]);
  x.Replace("=w", kWeekdaysJapanese[weekday]);
  x.Fields("y", now.year);
  x.Fields("Y", now.year + 12);
  x.Fields("m", now.month);
  x.Fields("d", now.day);
  x.Fields("H", now.hour);
  x.Fields("h", TwelveHour(now.hour));
  x.Fields("M", now.minute);
  x.Fields("S", now.second);
  const bool morning = now.hour <= 12;
  x.Replace("$n", morning ? "AM" : "PM");
  x.Replace("$N", morning ? kMorning : kAfternoon);
  x.Replace("&n", morning ? "AM" : "PM");
  x.Replace("&N", morning ? kMorning : kAfternoon);

  // The file's time; unknown reads as day 0 of the old calendar, 1899-12-30.
  const CivilTime file = doc.FileTime != 0 ? clock.Local(doc.FileTime) : CivilTime{};
  const std::pair<const char*, int> fileFields[] = {
      {"y", file.year}, {"Y", file.year + 12},        {"m", file.month},  {"d", file.day},
      {"H", file.hour}, {"h", TwelveHour(file.hour)}, {"M", file.minute}, {"S", file.second}};
  for (const auto& [name, value] : fileFields) {
    x.Replace(std::string("_").append(name), RightAligned(value));
    x.Replace(std::string("=").append(name), ZeroPadded(value));
  }
  const CivilTime& stamp = doc.FileTime != 0 ? file : now;
  x.Replace("=f", DateText(stamp, false));
  x.Replace("=F", DateText(stamp, true));

  x.Replace("&F", AsCp932(doc.FilePath));
  x.Replace("&f", "");
  x.Replace("%f", AsCp932(doc.FileTitle));

  const uint32_t t = h.ExtraFlags[0];
  x.Replace("&T", LastTwo(' ', t / 60) + ":" + LastTwo(' ', t % 60));
  return x.Take();
}

}  // namespace kestril
