// Text variables against a pinned clock, a file time read as UTC, and one table of
// drawings' values.
#include "render/text_variables.h"

#include <gtest/gtest.h>

#include <string>

#include "graphics/text/cp932.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

class PinnedClock : public TextClock {
 public:
  explicit PinnedClock(CivilTime now) : now_(now) {}
  CivilTime Now() const override {
    ++reads;
    return now_;
  }
  // UTC, so the test does not depend on the machine's time zone.
  CivilTime Local(int64_t s) const override {
    int64_t days = s / 86400, rest = s % 86400;
    CivilTime t;
    t.weekday = static_cast<int>((days + 4) % 7);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    for (t.year = 1970; DaysFromCivil(t.year + 1, 1, 1) <= days; ++t.year) {
    }
    for (t.month = 1; t.month < 12 && DaysFromCivil(t.year, t.month + 1, 1) <= days; ++t.month) {
    }
    t.day = static_cast<int>(days - DaysFromCivil(t.year, t.month, 1) + 1);
    return t;
  }
  mutable int reads = 0;

 private:
  CivilTime now_;
};

constexpr CivilTime kMonday{2007, 3, 5, 14, 7, 9, 1};  // 2007-03-05 14:07:09

struct VariableCase {
  std::string text;
  std::string expected;
  CivilTime now = kMonday;
  std::string memo = "";
  double scale = 100;
  double factor = 1;
  int64_t fileTime = 0;
  uint32_t minutes = 0;  // ExtraFlags[0]
};

TEST(ExpandTextVariables, ReplacesEveryVariableInItsOrder) {
  const VariableCase cases[] = {
      {"%y &y $y %Y", "07  7 7  19"},
      {"&m $d %H &h %M $S", " 3 5  14  2 07 9 "},
      {"$n &N %wa %w %ma =wa =ma", "PM \x8c\xe3 MON \x8c\x8e MAR MON MAR"},  // 後, 月
      {"$d", "12", {2007, 3, 12, 8, 0, 0, 1}},
      {"$n $N &n", "AM \x91\x4f AM", {2007, 3, 5, 12, 30, 0, 1}},  // 前
      {"%h &h", "00  0", {2007, 3, 5, 0, 30, 0, 1}},
      {"%ma", "SEPT", {2007, 9, 1, 0, 0, 0, 6}},
      {"%m1/%m2", "A/_", kMonday, "A"},
      {"%m1/%m2", "A/B", kMonday, "A\r\nB\r\nC"},
      {"[%mm]", "[A\nB]", kMonday, "A\nB"},
      {"%SS %ss %SP %sp", "1/100 100 1/200 200", kMonday, "", 100, 2},
      {"%ss", "250", kMonday, "", 250.5},
      {"%ss", "252", kMonday, "", 251.5},
      {"%SS", "1/-0.5", kMonday, "", -2},
      {"%ss", "-2.5", kMonday, "", -1 / 2.3},
      {"%sp %SP", "2 1/2", kMonday, "", -0.5, -1.1},  // (1/s) f = 2.2
      {"%sp", "3", kMonday, "", -0.5, -1.4},          // 2.8
      {"%sp", "0", kMonday, "", -0.5, 0},
      {"%SSS", "1/100S"},  // never read as a second
      {"=y =m =d _H =S =f", "99 12 30  0 00 2007/03/05"},
      {"=y _m =d _h =M =F =f", "01  2 03  4 05 2001/02/03 04:05:06 2001/02/03", kMonday, "", 100, 1,
       981173106},
      {"&T", " 2: 5", kMonday, "", 100, 1, 0, 125},
      {"&T", "05: 0", kMonday, "", 100, 1, 0, 6300},
      // A double-byte character whose second byte is '_' does not start "_y".
      {"\x81\x5fy _y", "\x81\x5fy 99"},
      // A second "%mm" would grow the text past its limit; left as it is, its "%m" is the
      // month.
      {"%mm%mm", std::string(5000, 'x') + "03m", kMonday, std::string(5000, 'x')},
  };
  for (const VariableCase& c : cases) {
    SCOPED_TRACE(c.text);
    Document doc;
    doc.Header.Memo = c.memo;
    doc.Header.GroupScale[3] = c.scale;
    doc.Header.TextMacroFactor = c.factor;
    doc.Header.ExtraFlags[0] = c.minutes;
    doc.FileTime = c.fileTime;
    const PinnedClock clock(c.now);
    EXPECT_EQ(ExpandTextVariables(JwString(c.text), 3, doc, clock), c.expected);
    // The text and the memo stored as Unicode give the same characters, as Unicode.
    doc.Header.Memo = testing::Utf16(DecodeCp932(c.memo));
    const JwString unicode =
        ExpandTextVariables(testing::Utf16(DecodeCp932(c.text)), 3, doc, clock);
    EXPECT_EQ(unicode.encoding, TextEncoding::Utf16);
    EXPECT_EQ(DecodeText(unicode), DecodeCp932(c.expected));
  }
}

TEST(ExpandTextVariables, FileNamesAndTheClockReadOnce) {
  Document doc;
  doc.FileTitle = "\xe9\x85\x8d\xe7\xbd\xae\xe5\x9b\xb3";  // 配置図, UTF-8 as file names are
  doc.FilePath = "C:\\cad\\plan.jww";
  const PinnedClock clock(kMonday);
  EXPECT_EQ(ExpandTextVariables(JwString("%f|&F|&f|%y%m%d%H%M%S"), 0, doc, clock),
            "\x94\x7a\x92\x75\x90\x7d|C:\\cad\\plan.jww||070305140709");
  EXPECT_EQ(clock.reads, 1);
  EXPECT_EQ(ExpandTextVariables(JwString("plain text"), 0, doc, clock), "plain text");
  EXPECT_EQ(clock.reads, 1);

  // A name with characters the code page lacks turns the text into Unicode so they show;
  // a Unicode text takes any name.
  doc.FileTitle = "\xf0\xa0\xae\xb7\xe9\x87\x8e";  // 𠮷野 in UTF-8
  for (const JwString& text : {JwString("[%f]"), testing::Utf16(u"[%f]")}) {
    const JwString out = ExpandTextVariables(text, 0, doc, clock);
    EXPECT_EQ(out.encoding, TextEncoding::Utf16);
    EXPECT_EQ(DecodeText(out), u"[𠮷野]");
  }
  EXPECT_EQ(ExpandTextVariables(JwString("[%m1]"), 0, doc, clock), "[]");  // stays in its code page
}

}  // namespace
}  // namespace kestril
