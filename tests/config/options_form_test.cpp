// The options form's rules without a window: what it shows on opening, what each click
// changes and when, and what closing stores, or refuses to store.
#include <gtest/gtest.h>

#include <vector>

#include "config/options_form.h"
#include "config/pixel_rect.h"
#include "config/settings_fields.h"

namespace kestril {
namespace {

using C = FormControl;

// Every stored value and derived size, for comparing whole settings.
std::vector<int64_t> Snapshot(const PluginSettings& s) {
  std::vector<int64_t> v;
  for (const SettingsField& f : SettingsFields()) v.push_back(FieldValue(s, f));
  v.insert(v.end(), {s.jwwHeight, s.jwzHeight, s.PreviewWidth});
  return v;
}

PluginSettings Odd() {
  PluginSettings s;
  s.jwwWidth = 802;
  s.jwzWidth = 3;
  s.PreviewHeight = 121;
  s.hoji = true;
  s.grey = true;
  s.BmpSFst = 2;
  s.BwColor = true;
  s.BwGrey = false;
  s.JwwVer = false;
  for (size_t i = 0; i < kUserPenColors; ++i) s.PenColors[i] = 0x010203 * (i + 1);
  s.UpdateDerivedSizes();
  return s;
}

// A chooser that answers from a script and records where it started.
struct Chooser {
  std::vector<std::optional<Color>> answers;
  std::vector<Color> starts;
  ColorChooser Fn() {
    return [this](Color initial) {
      starts.push_back(initial);
      auto a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
  }
};

TEST(OptionsForm, OpenAndCloseUntouchedKeepsEverySetting) {
  PluginSettings bmp0 = Odd(), bw0 = Odd();
  bmp0.BmpSFst = 0;
  bw0.BwColor = false;
  bw0.BwGrey = true;
  for (const PluginSettings& before : {PluginSettings{}, Odd(), bmp0, bw0}) {
    PluginSettings s = before;
    TForm1 form(s, nullptr);
    EXPECT_EQ(form.Text(C::Edit1), std::to_string(before.jwwWidth));
    EXPECT_EQ(form.Text(C::Edit3), std::to_string(before.PreviewHeight));
    EXPECT_EQ(form.Toggle(C::CheckBox4).Checked, before.BwColor);
    EXPECT_EQ(form.Toggle(C::RadioButton1).Enabled, before.BwColor);
    EXPECT_EQ(form.Toggle(C::RadioButton2).Checked, !before.BwGrey);
    EXPECT_EQ(form.Face(C::BackgroundColorButton), before.PenColors[0]);
    EXPECT_EQ(form.Face(C::GreyColorButton), before.PenColors[10]);
    EXPECT_EQ(Snapshot(s), Snapshot(before)) << "opening changed a setting";
    EXPECT_FALSE(form.FormClose());
    EXPECT_EQ(Snapshot(s), Snapshot(before));
  }
}

TEST(OptionsForm, SourceOrderOpensAndClosesByItsThreeStates) {
  struct Case {
    int32_t stored;
    bool box, radio, radioEnabled;
    int32_t closed;
  };
  for (const Case& c : {Case{0, false, false, false, 0}, Case{1, true, false, true, 1},
                        Case{2, true, true, true, 2}, Case{3, false, false, true, 0},
                        Case{-1, false, false, true, 0}}) {
    PluginSettings s;
    s.BmpSFst = c.stored;
    TForm1 form(s, nullptr);
    EXPECT_EQ(form.Toggle(C::CheckBox3).Checked, c.box) << c.stored;
    EXPECT_EQ(form.Toggle(C::RadioButton3).Checked, c.radio) << c.stored;
    EXPECT_EQ(form.Toggle(C::RadioButton3).Enabled, c.radioEnabled) << c.stored;
    EXPECT_FALSE(form.FormClose());
    EXPECT_EQ(s.BmpSFst, c.closed) << c.stored;
  }
  // The box has no handler: opened with 0, the radio button stays disabled, so checking
  // the box stores 1.
  PluginSettings s;
  s.BmpSFst = 0;
  TForm1 form(s, nullptr);
  form.Click(C::CheckBox3);
  form.Click(C::RadioButton3);
  EXPECT_FALSE(form.Toggle(C::RadioButton3).Checked);
  EXPECT_FALSE(form.FormClose());
  EXPECT_EQ(s.BmpSFst, 1);
}

TEST(OptionsForm, MonochromeAndItsRadioPairChangeTheSettingsAtOnce) {
  PluginSettings s;
  s.BwColor = false;
  s.BwGrey = false;
  TForm1 form(s, nullptr);
  EXPECT_FALSE(form.Toggle(C::RadioButton2).Enabled);
  form.Click(C::RadioButton1);  // disabled: ignored
  EXPECT_TRUE(form.Toggle(C::RadioButton2).Checked);
  form.Click(C::CheckBox4);
  EXPECT_TRUE(s.BwColor);
  EXPECT_TRUE(form.Toggle(C::RadioButton1).Enabled);
  form.Click(C::RadioButton1);
  EXPECT_TRUE(s.BwGrey);
  EXPECT_FALSE(form.Toggle(C::RadioButton2).Checked);
  form.Click(C::RadioButton2);
  EXPECT_FALSE(s.BwGrey);
  form.Click(C::CheckBox4);
  EXPECT_FALSE(s.BwColor);
  EXPECT_FALSE(form.Toggle(C::RadioButton1).Enabled);
  // Disabled, the pair's state is still stored at close.
  s.BwGrey = true;
  EXPECT_FALSE(form.FormClose());
  EXPECT_FALSE(s.BwGrey);
  EXPECT_FALSE(s.BwColor);
}

TEST(OptionsForm, ColourButtonsRunTheChooserFromTheLastChosenColour) {
  PluginSettings s;
  Chooser chooser{{std::nullopt, 0x123456, std::nullopt, 0x654321}, {}};
  TForm1 form(s, chooser.Fn());
  form.Click(C::LineColorButton3);  // cancelled: nothing changes, focus still moves
  EXPECT_EQ(form.Face(C::LineColorButton3), 0x00C000u);
  EXPECT_EQ(s.PenColors[3], 0x00C000u);
  EXPECT_EQ(form.TakeFocusRequest(), C::Button1);
  EXPECT_EQ(form.TakeFocusRequest(), std::nullopt);
  form.Click(C::AuxLineColorButton);  // confirmed: the setting changes at once
  EXPECT_EQ(form.Face(C::AuxLineColorButton), 0x123456u);
  EXPECT_EQ(s.PenColors[9], 0x123456u);
  EXPECT_EQ(form.TakeFocusRequest(), C::Button1);
  form.Click(C::BackgroundColorButton);
  form.Click(C::BackgroundColorButton);
  EXPECT_EQ(s.PenColors[0], 0x654321u);
  EXPECT_EQ(chooser.starts, (std::vector<Color>{0, 0, 0x123456, 0x123456}));
}

TEST(OptionsForm, DefaultButtons) {
  PluginSettings s = Odd();
  const PluginSettings odd = Odd();
  TForm1 form(s, nullptr);
  // Colour defaults show on the buttons only; closing stores them.
  form.Click(C::Button1);
  EXPECT_EQ(form.Face(C::LineColorButton1), 0xC0C000u);
  EXPECT_EQ(form.Face(C::BackgroundColorButton), 0xFFFFFFu);
  EXPECT_EQ(s.PenColors, odd.PenColors);
  // Size defaults change the settings and the edits at once.
  form.Click(C::Button2);
  EXPECT_EQ(form.Text(C::Edit1), "800");
  EXPECT_EQ(form.Text(C::Edit2), "640");
  EXPECT_EQ(form.Text(C::Edit3), "120");
  EXPECT_EQ(s.jwwHeight, 600);
  EXPECT_EQ(s.jwzHeight, 480);
  EXPECT_EQ(s.PreviewWidth, 160);
  EXPECT_FALSE(form.FormClose());
  EXPECT_EQ(s.PenColors, PluginSettings{}.PenColors);
}

TEST(OptionsForm, ClosingStoresSizesWithTheirDerivedSizes) {
  struct Case {
    std::string jww, jws, preview;
    int32_t jwwHeight, jwzHeight, previewWidth;
  };
  for (const Case& c : {Case{"802", "3", "120", 602, 2, 160}, Case{" 42 ", "+7", "3", 32, 5, 4},
                        Case{"1", "32767", "1", 1, 24575, 1}}) {
    PluginSettings s;
    TForm1 form(s, nullptr);
    form.SetText(C::Edit1, c.jww);
    form.SetText(C::Edit2, c.jws);
    form.SetText(C::Edit3, c.preview);
    ASSERT_FALSE(form.FormClose()) << c.jww;
    EXPECT_EQ(s.jwwHeight, c.jwwHeight) << c.jww;
    EXPECT_EQ(s.jwzHeight, c.jwzHeight) << c.jws;
    EXPECT_EQ(s.PreviewWidth, c.previewWidth) << c.preview;
  }
}

TEST(OptionsForm, BadSizeRefusesTheCloseAndStoresNothing) {
  for (const char* bad : {"abc", "", "0", "-5", "32768", "1.5", "12a", "99999999999"}) {
    for (const C edit : {C::Edit1, C::Edit2, C::Edit3}) {
      PluginSettings s = Odd();
      const PluginSettings before = Odd();
      TForm1 form(s, nullptr);
      // Changes before and after the bad field, all to be dropped.
      form.SetText(C::Edit1, "1000");
      form.SetText(C::Edit2, "1001");
      form.SetText(C::Edit3, "1002");
      form.SetText(edit, bad);
      form.Click(C::CheckBox1);
      form.Click(C::Button1);
      const auto refusal = form.FormClose();
      ASSERT_TRUE(refusal) << bad;
      EXPECT_EQ(refusal->field, edit);
      EXPECT_EQ(refusal->reason, std::string(TForm1::LabelOf(edit)) + ": \"" + bad +
                                     "\" is not a whole number from 1 to 32767");
      EXPECT_EQ(Snapshot(s), Snapshot(before)) << bad;
      // Mended, the close goes through.
      form.SetText(edit, "5");
      EXPECT_FALSE(form.FormClose());
      EXPECT_FALSE(s.hoji);
    }
  }
}

TEST(SettingsFields, ValuesAreCheckedByKind) {
  struct Case {
    const char* name;
    const char* text;
    std::optional<uint32_t> value;
  };
  const Case cases[] = {
      {"jwwwidth", "1", 1},
      {"jwwWidth", "32767", 32767},
      {"jwwWidth", "0", {}},
      {"PreviewHeight", "-1", {}},
      {"jwzWidth", "x", {}},
      {"hoji", "1", 1},
      {"HOJI", "2", {}},
      {"BmpSFst", "2", 2},
      {"BmpSFst", "3", {}},
      {"PenColor00", "#FF8000", 0x0080FF},
      {"PenColor01", "0x0080FF", 0x0080FF},
      {"PenColor02", "255", 255},
      {"PenColor03", "16777216", {}},
      {"PenColor04", "#12345", {}},
      {"PenColor05", "0x1000000", {}},
      {"PenColor06", "#GG0000", {}},
  };
  for (const Case& c : cases) {
    const SettingsField* f = FindSettingsField(c.name);
    ASSERT_NE(f, nullptr) << c.name;
    std::string refusal;
    EXPECT_EQ(ParseFieldValue(*f, c.text, refusal), c.value) << c.name << " " << c.text;
    EXPECT_EQ(refusal.empty(), c.value.has_value()) << refusal;
  }
  EXPECT_EQ(FindSettingsField("PenColor11"), nullptr);
  EXPECT_EQ(FormatFieldValue(*FindSettingsField("PenColor00"), 0x0080FF), "#FF8000");
  EXPECT_EQ(FormatFieldValue(*FindSettingsField("PenColor00"), 0xFFFFFFFF), "0xFFFFFFFF");
}

TEST(KeepOnWorkArea, MovesTheLeastThatShowsTheWindow) {
  const PixelRect work{0, 0, 1024, 740};
  struct Case {
    PixelRect window, placed;
  };
  for (const Case& c : {Case{{754, 219, 1037, 510}, {741, 219, 1024, 510}},
                        Case{{10, 10, 293, 301}, {10, 10, 293, 301}},
                        Case{{-3000, -50, -2717, 241}, {0, 0, 283, 291}},
                        Case{{900, 700, 1183, 991}, {741, 449, 1024, 740}},
                        Case{{500, 500, 2500, 1500}, {0, 0, 2000, 1000}}}) {
    EXPECT_EQ(KeepOnWorkArea(c.window, work), c.placed) << c.window.left << "," << c.window.top;
  }
}

}  // namespace
}  // namespace kestril
