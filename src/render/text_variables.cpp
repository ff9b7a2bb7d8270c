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
template <class Str>
std::vector<Str> MemoLines(const Str& memo) {
  using C = typename Str::value_type;
  std::vector<Str> lines;
  size_t start = 0;
  const C breaks[] = {C('\r'), C('\n'), C(0)};
  while (start <= memo.size() && lines.size() < 2) {
    const size_t end = memo.find_first_of(breaks, start);
    if (end == Str::npos) {
      if (start < memo.size() || lines.empty()) lines.push_back(memo.substr(start));
      break;
    }
    lines.push_back(memo.substr(start, end - start));
    start =
        end + (end + 1 < memo.size() && memo[end] == C('\r') && memo[end + 1] == C('\n') ? 2 : 1);
    if (start == memo.size()) break;
  }
  return lines;
}

// A text is expanded in its own encoding: code page 932 bytes, or UTF-16 units when it
// was stored as Unicode (or when a value it takes in needs characters the code page
// lacks). Values are turned into the text's encoding as they go in.
template <class Str>
struct Encoding;

template <>
struct Encoding<std::string> {
  static std::string Ascii(std::string_view s) { return std::string(s); }
  static std::string Cp932(std::string_view s) { return std::string(s); }
  static std::string Of(JwStringView s) { return Cp932Of(s); }
  // A file name: UTF-8 names (the native file system's) converted, others as they are.
  static std::string FileName(const std::string& name) {
    std::string out;
    return Utf8ToCp932(name, out) ? out : name;
  }
  // A lead byte and the byte after it are one character.
  static size_t CharLength(const std::string& s, size_t i) {
    return IsCp932LeadByte(static_cast<uint8_t>(s[i])) && i + 1 < s.size() ? 2 : 1;
  }
};

template <>
struct Encoding<std::u16string> {
  static std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }
  static std::u16string Cp932(std::string_view s) { return DecodeCp932(s); }
  static std::u16string Of(JwStringView s) { return DecodeText(s); }
  static std::u16string FileName(const std::string& name) {
    std::u16string out;
    return Utf8ToUtf16(name, out) ? out : DecodeCp932(name);
  }
  // Variables are ASCII, so matching unit by unit keeps to character boundaries.
  static size_t CharLength(const std::u16string&, size_t) { return 1; }
};

template <class Str>
class Expansion {
  using E = Encoding<Str>;

 public:
  Expansion(Str text, size_t limit) : s_(std::move(text)), limit_(limit) {}

  // Every occurrence of `from` that starts on a character boundary becomes `to`.
  void Replace(std::string_view fromAscii, const Str& to) {
    const Str from = E::Ascii(fromAscii);
    if (s_.find(from) == Str::npos) return;
    Str out;
    out.reserve(s_.size());
    size_t i = 0;
    while (i < s_.size()) {
      if (s_.compare(i, from.size(), from) == 0 &&
          out.size() + to.size() + (s_.size() - i - from.size()) <= limit_) {
        out += to;
        i += from.size();
        continue;
      }
      const size_t len = E::CharLength(s_, i);
      out.append(s_, i, len);
      i += len;
    }
    s_ = std::move(out);
  }
  void ReplaceAscii(std::string_view from, std::string_view to) { Replace(from, E::Ascii(to)); }
  void ReplaceCp932(std::string_view from, std::string_view to) { Replace(from, E::Cp932(to)); }

  // The right-aligned, zero-padded and left-aligned forms of one field.
  void Fields(std::string_view name, int value) {
    ReplaceAscii(std::string("&").append(name), RightAligned(value));
    ReplaceAscii(std::string("%").append(name), ZeroPadded(value));
    ReplaceAscii(std::string("$").append(name), LeftAligned(value));
  }

  Str Take() { return std::move(s_); }

 private:
  Str s_;
  size_t limit_;
};

template <class Str>
void Scales(Expansion<Str>& x, const std::string& scale, const std::string& printed) {
  x.ReplaceAscii("%SS", std::string("1/").append(scale));
  x.ReplaceAscii("%ss", scale);
  x.ReplaceAscii("%SP", std::string("1/").append(printed));
  x.ReplaceAscii("%sp", printed);
}

template <class Str>
Str Expand(Str text, size_t limit, uint16_t layerGroup, const Document& doc,
           const TextClock& clock) {
  using E = Encoding<Str>;
  const TJwwHeader& h = doc.Header;
  Expansion<Str> x(std::move(text), limit);

  const Str memo = E::Of(h.Memo);
  x.Replace("%mm", memo);
  const std::vector<Str> lines = MemoLines(memo);
  x.Replace("%m1", lines.empty() ? memo : lines[0]);
  x.Replace("%m2", lines.size() < 2 ? E::Ascii("_") : lines[1]);

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
  x.ReplaceAscii("%wa", kWeekdaysEnglish[weekday]);
  x.ReplaceAscii("=wa", kWeekdaysEnglish[weekday]);
  x.ReplaceAscii("%ma", kMonthsEnglish[month]);
  x.ReplaceAscii("=ma", kMonthsEnglish[month]);
  x.ReplaceCp932("%w", kWeekdaysJapanese[weekday]);
  x.ReplaceCp932("=w", kWeekdaysJapanese[weekday]);
  x.Fields("y", now.year);
  x.Fields("Y", now.year + 12);
  x.Fields("m", now.month);
  x.Fields("d", now.day);
  x.Fields("H", now.hour);
  x.Fields("h", TwelveHour(now.hour));
  x.Fields("M", now.minute);
  x.Fields("S", now.second);
  const bool morning = now.hour <= 12;
  x.ReplaceAscii("$n", morning ? "AM" : "PM");
  x.ReplaceCp932("$N", morning ? kMorning : kAfternoon);
  x.ReplaceAscii("&n", morning ? "AM" : "PM");
  x.ReplaceCp932("&N", morning ? kMorning : kAfternoon);

  // The file's time; unknown reads as day 0 of the old calendar, 1899-12-30.
  const CivilTime file = doc.FileTime != 0 ? clock.Local(doc.FileTime) : CivilTime{};
  const std::pair<const char*, int> fileFields[] = {
      {"y", file.year}, {"Y", file.year + 12},        {"m", file.month},  {"d", file.day},
      {"H", file.hour}, {"h", TwelveHour(file.hour)}, {"M", file.minute}, {"S", file.second}};
  for (const auto& [name, value] : fileFields) {
    x.ReplaceAscii(std::string("_").append(name), RightAligned(value));
    x.ReplaceAscii(std::string("=").append(name), ZeroPadded(value));
  }
  const CivilTime& stamp = doc.FileTime != 0 ? file : now;
  x.ReplaceAscii("=f", DateText(stamp, false));
  x.ReplaceAscii("=F", DateText(stamp, true));

  x.Replace("&F", E::FileName(doc.FilePath));
  x.ReplaceAscii("&f", "");
  x.Replace("%f", E::FileName(doc.FileTitle));

  const uint32_t t = h.ExtraFlags[0];
  x.ReplaceAscii("&T", LastTwo(' ', t / 60) + ":" + LastTwo(' ', t % 60));
  return x.Take();
}

// Whether a code page 932 text must be expanded as Unicode: it takes in a memo or a
// file name with characters the code page lacks.
bool NeedsUnicode(std::string_view text, const Document& doc) {
  std::string ignored;
  const bool memo =
      text.find("%m") != std::string_view::npos && !TextToCp932(doc.Header.Memo, ignored);
  auto lacks = [&](const std::string& name) {
    std::u16string units;
    std::string out;
    return Utf8ToUtf16(name, units) && !TextToCp932(JwString::FromUtf16(units), out);
  };
  const bool names = (text.find("&F") != std::string_view::npos && lacks(doc.FilePath)) ||
                     (text.find("%f") != std::string_view::npos && lacks(doc.FileTitle));
  return memo || names;
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

JwString ExpandTextVariables(JwStringView text, uint16_t layerGroup, const Document& doc,
                             const TextClock& clock) {
  // Every variable begins with one of these; most texts have none.
  const std::u16string units = text.encoding == TextEncoding::Utf16 ? DecodeText(text) : u"";
  const bool any = text.encoding == TextEncoding::Utf16
                       ? units.find_first_of(u"%&$=_") != std::u16string::npos
                       : text.bytes.find_first_of("%&$=_") != std::string_view::npos;
  if (!any) return JwString(text.bytes, text.encoding);
  if (text.encoding == TextEncoding::Cp932 && !NeedsUnicode(text.bytes, doc)) {
    const size_t limit = std::max(text.bytes.size(), kMaxExpandedText);
    return JwString(Expand(std::string(text.bytes), limit, layerGroup, doc, clock));
  }
  // The same budget in characters as a code page 932 text of single bytes has.
  const std::u16string whole = text.encoding == TextEncoding::Utf16 ? units : DecodeText(text);
  const size_t limit = std::max(whole.size(), kMaxExpandedText);
  return JwString::FromUtf16(Expand(whole, limit, layerGroup, doc, clock));
}

}  // namespace kestril
