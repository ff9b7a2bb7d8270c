// The settings' reading rules, value by value, against a store in memory.
#include <gtest/gtest.h>

#include "plugin/plugin_settings.h"

namespace kestril {
namespace {

using Values = MemorySettingsStore::Values;

PluginSettings LoadFrom(const Values& values) {
  MemorySettingsStore store;
  store.Key(kSettingsKey) = values;
  return LoadSettings(store, true);
}

TEST(PluginSettings, EmptyKeyGivesTheDefaults) {
  MemorySettingsStore store;
  const PluginSettings s = LoadSettings(store, true);
  EXPECT_TRUE(store.HasKey(kSettingsKey));  // created on reading
  EXPECT_EQ(s.jwzWidth, 640);
  EXPECT_EQ(s.jwwWidth, 800);
  EXPECT_EQ(s.PreviewHeight, 120);
  EXPECT_FALSE(s.hoji);
  EXPECT_FALSE(s.grey);
  EXPECT_EQ(s.BmpSFst, 1);
  EXPECT_FALSE(s.BwColor);
  EXPECT_TRUE(s.BwGrey);
  EXPECT_TRUE(s.JwwVer);
  EXPECT_EQ(s.PenColors,
            (std::array<Color, 11>{0xFFFFFF, 0xC0C000, 0x000000, 0x00C000, 0x00C0C0, 0xC000C0,
                                   0xFF0000, 0x008080, 0x8000FF, 0xFF80FF, 0xC0C0C0}));
  EXPECT_EQ(s.jwzHeight, 480);
  EXPECT_EQ(s.jwwHeight, 600);
  EXPECT_EQ(s.PreviewWidth, 160);
}

TEST(PluginSettings, ReaderThatMustLeaveNoTraceCreatesNoKey) {
  MemorySettingsStore store;
  const PluginSettings s = LoadSettings(store, false);
  EXPECT_FALSE(store.HasKey(kSettingsKey));
  EXPECT_EQ(s.jwwWidth, 800);
  EXPECT_EQ(s.jwwHeight, 600);
}

TEST(PluginSettings, ValuesOfTheWrongTypeReadAsDefaults) {
  const PluginSettings s = LoadFrom({{"jwwWidth", std::string("1000")},
                                     {"hoji", std::string("1")},
                                     {"PenColor00", uint32_t{5}},
                                     {"jwzWidth", uint32_t{320}}});
  EXPECT_EQ(s.jwwWidth, 800);
  EXPECT_FALSE(s.hoji);
  EXPECT_EQ(s.PenColors[0], 0xFFFFFFu);
  EXPECT_EQ(s.jwzWidth, 320);
}

TEST(PluginSettings, BooleansAreAnyNonzeroValue) {
  const PluginSettings s = LoadFrom({{"hoji", uint32_t{5}},
                                     {"grey", uint32_t{0xFFFFFFFF}},
                                     {"BwColor", uint32_t{1}},
                                     {"BwGrey", uint32_t{0}},
                                     {"JwwVer", uint32_t{0}}});
  EXPECT_TRUE(s.hoji);
  EXPECT_TRUE(s.grey);
  EXPECT_TRUE(s.BwColor);
  EXPECT_FALSE(s.BwGrey);
  EXPECT_FALSE(s.JwwVer);
}

TEST(PluginSettings, PenColoursAreIntegersInText) {
  const PluginSettings s = LoadFrom({{"PenColor01", std::string("255")},
                                     {"PenColor02", std::string("$FF00")},
                                     {"PenColor03", std::string("abc")},
                                     {"PenColor04", std::string("")},
                                     {"PenColor10", std::string("-1")}});
  EXPECT_EQ(s.PenColors[1], 255u);
  EXPECT_EQ(s.PenColors[2], 0xFF00u);
  EXPECT_EQ(s.PenColors[3], 0x00C000u);
  EXPECT_EQ(s.PenColors[4], 0x00C0C0u);
  EXPECT_EQ(s.PenColors[10], 0xFFFFFFFFu);
}

TEST(PluginSettings, DerivedSizesRoundHalvesToEven) {
  struct Case {
    int32_t width, height;
  };
  // 601.5 -> 602, 1.5 -> 2, 4.5 -> 4, 0.75 -> 1, -0.75 -> -1
  for (Case c : {Case{802, 602}, Case{2, 2}, Case{6, 4}, Case{1, 1}, Case{0, 0}, Case{-1, -1},
                 Case{-800, -600}, Case{INT32_MAX, 1610612735}}) {
    const PluginSettings s = LoadFrom({{"jwwWidth", static_cast<uint32_t>(c.width)},
                                       {"jwzWidth", static_cast<uint32_t>(c.width)}});
    EXPECT_EQ(s.jwwHeight, c.height) << c.width;
    EXPECT_EQ(s.jwzHeight, c.height) << c.width;
  }
  EXPECT_EQ(LoadFrom({{"PreviewHeight", uint32_t{3}}}).PreviewWidth, 4);  // 3.9999
  EXPECT_EQ(LoadFrom({{"PreviewHeight", uint32_t{1}}}).PreviewWidth, 1);
  EXPECT_EQ(LoadFrom({{"PreviewHeight", uint32_t{0}}}).PreviewWidth, 0);
  // Beyond 32 bits the width stays at the largest size instead of wrapping.
  EXPECT_EQ(LoadFrom({{"PreviewHeight", uint32_t{INT32_MAX}}}).PreviewWidth, INT32_MAX);
  EXPECT_EQ(LoadFrom({{"PreviewHeight", uint32_t{0x80000000}}}).PreviewWidth, INT32_MIN);
}

TEST(ParseSettingsInteger, ReadsWhatTheSettingsHold) {
  EXPECT_EQ(ParseSettingsInteger("16777215"), 16777215);
  EXPECT_EQ(ParseSettingsInteger("  42"), 42);
  EXPECT_EQ(ParseSettingsInteger("+7"), 7);
  EXPECT_EQ(ParseSettingsInteger("-5"), -5);
  EXPECT_EQ(ParseSettingsInteger("$FF"), 255);
  EXPECT_EQ(ParseSettingsInteger("$ff"), 255);
  EXPECT_EQ(ParseSettingsInteger("0x10"), 16);
  EXPECT_EQ(ParseSettingsInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseSettingsInteger("-$1"), -1);
  EXPECT_EQ(ParseSettingsInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseSettingsInteger("-2147483648"), INT32_MIN);
}

TEST(ParseSettingsInteger, RefusesWhatIsNoInteger) {
  for (const char* text : {"", " ", "-", "$", "0x", "abc", "12a", "1 ", "1.5", "2147483648",
                           "-2147483649", "99999999999999999999", "$123456789", "$G"}) {
    EXPECT_EQ(ParseSettingsInteger(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(PluginSettings, SaveWritesEveryValueWithItsType) {
  MemorySettingsStore store;
  PluginSettings s;
  s.jwwWidth = -3;
  s.hoji = true;
  s.BwGrey = false;
  s.BmpSFst = 2;
  s.PenColors[3] = 0xFFFFFFFF;
  s.PenColors[5] = 0x123456;
  SaveSettings(store, s);
  const Values& v = store.Key(kSettingsKey);
  EXPECT_EQ(v.size(), 20u);
  EXPECT_EQ(v.at("jwzWidth"), Values::mapped_type(uint32_t{640}));
  EXPECT_EQ(v.at("jwwWidth"), Values::mapped_type(uint32_t{0xFFFFFFFD}));
  EXPECT_EQ(v.at("PreviewHeight"), Values::mapped_type(uint32_t{120}));
  EXPECT_EQ(v.at("hoji"), Values::mapped_type(uint32_t{1}));
  EXPECT_EQ(v.at("grey"), Values::mapped_type(uint32_t{0}));
  EXPECT_EQ(v.at("BmpSFst"), Values::mapped_type(uint32_t{2}));
  EXPECT_EQ(v.at("BwGrey"), Values::mapped_type(uint32_t{0}));
  EXPECT_EQ(v.at("JwwVer"), Values::mapped_type(uint32_t{1}));
  EXPECT_EQ(v.at("PenColor00"), Values::mapped_type(std::string("16777215")));
  EXPECT_EQ(v.at("PenColor03"), Values::mapped_type(std::string("-1")));
  EXPECT_EQ(v.at("PenColor05"), Values::mapped_type(std::string("1193046")));
  // What was saved reads back as it was.
  const PluginSettings back = LoadSettings(store, false);
  EXPECT_EQ(back.jwwWidth, -3);
  EXPECT_EQ(back.PenColors, s.PenColors);
  EXPECT_TRUE(back.hoji);
  EXPECT_FALSE(back.BwGrey);
}

// A store whose reads of some values fail outright.
class FaultyKey final : public SettingsKey {
 public:
  std::optional<uint32_t> ReadInteger(std::string_view name) const override {
    if (name == "jwwWidth" || name == "hoji") throw std::runtime_error("device error");
    if (name == "jwzWidth") return 100;
    return std::nullopt;
  }
  std::optional<std::string> ReadString(std::string_view name) const override {
    if (name == "PenColor01") throw std::runtime_error("device error");
    if (name == "PenColor02") return "$10";
    return std::nullopt;
  }
  bool WriteInteger(std::string_view, uint32_t) override { throw std::runtime_error("full"); }
  bool WriteString(std::string_view, std::string_view) override { return false; }
};

class FaultyStore final : public SettingsStore {
 public:
  explicit FaultyStore(bool opens) : opens_(opens) {}
  std::unique_ptr<SettingsKey> OpenKey(std::string_view, bool) override {
    if (!opens_) throw std::runtime_error("no registry");
    return std::make_unique<FaultyKey>();
  }

 private:
  bool opens_;
};

TEST(PluginSettings, EachValueIsReadOnItsOwn) {
  FaultyStore store(true);
  const PluginSettings s = LoadSettings(store, true);
  EXPECT_EQ(s.jwwWidth, 800);
  EXPECT_FALSE(s.hoji);
  EXPECT_EQ(s.jwzWidth, 100);
  EXPECT_EQ(s.jwzHeight, 75);
  EXPECT_EQ(s.PenColors[1], 0xC0C000u);
  EXPECT_EQ(s.PenColors[2], 16u);
  EXPECT_NO_THROW(SaveSettings(store, s));
}

TEST(PluginSettings, StoreThatCannotBeOpenedGivesDefaults) {
  FaultyStore store(false);
  const PluginSettings s = LoadSettings(store, true);
  EXPECT_EQ(s.jwwWidth, 800);
  EXPECT_EQ(s.PreviewWidth, 160);
  EXPECT_NO_THROW(SaveSettings(store, s));
}

}  // namespace
}  // namespace kestril
