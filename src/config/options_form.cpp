#include "config/options_form.h"

#include <stdexcept>

#include "config/settings_fields.h"

namespace kestril {

TForm1::TForm1(PluginSettings& settings, ColorChooser chooser)
    : settings_(settings), chooser_(std::move(chooser)) {
  FormCreate();
}

bool TForm1::IsColorButton(FormControl c) {
  return c >= FormControl::LineColorButton1 && c <= FormControl::BackgroundColorButton;
}

size_t TForm1::PenIndexOf(FormControl button) {
  if (button == FormControl::BackgroundColorButton) return 0;
  return static_cast<size_t>(button) - static_cast<size_t>(FormControl::LineColorButton1) + 1;
}

std::string_view TForm1::LabelOf(FormControl edit) {
  switch (edit) {
    case FormControl::Edit1:
      return "Jww図面 Width";
    case FormControl::Edit2:
      return "Jws図面 Width";
    case FormControl::Edit3:
      return "ｻﾑﾈｲﾙ Height";
    default:
      return {};
  }
}

const std::string& TForm1::Text(FormControl edit) const {
  return edits_.at(static_cast<size_t>(edit));
}

void TForm1::SetText(FormControl edit, std::string text) {
  edits_.at(static_cast<size_t>(edit)) = std::move(text);
}

ToggleState& TForm1::ToggleRef(FormControl c) {
  switch (c) {
    case FormControl::CheckBox1:
      return checkBox1_;
    case FormControl::CheckBox2:
      return checkBox2_;
    case FormControl::CheckBox3:
      return checkBox3_;
    case FormControl::CheckBox4:
      return checkBox4_;
    case FormControl::CheckBox5:
      return checkBox5_;
    case FormControl::RadioButton1:
      return radioButton1_;
    case FormControl::RadioButton2:
      return radioButton2_;
    case FormControl::RadioButton3:
      return radioButton3_;
    default:
      throw std::invalid_argument("not a check box or radio button");
  }
}

ToggleState TForm1::Toggle(FormControl c) const {
  return const_cast<TForm1*>(this)->ToggleRef(c);
}

bool TForm1::Enabled(FormControl c) const {
  switch (c) {
    case FormControl::RadioButton1:
    case FormControl::RadioButton2:
    case FormControl::RadioButton3:
      return Toggle(c).Enabled;
    default:
      return true;
  }
}

Color TForm1::Face(FormControl button) const {
  return faces_.at(PenIndexOf(button));
}

std::optional<FormControl> TForm1::TakeFocusRequest() {
  auto r = focusRequest_;
  focusRequest_.reset();
  return r;
}

// Checking from code runs the click handler whenever the state changes, as a user's
// click would; a radio button clears its partner and runs its handler only when it
// becomes checked.
void TForm1::Check(FormControl c, bool checked) {
  ToggleState& t = ToggleRef(c);
  if (t.Checked == checked) return;
  t.Checked = checked;
  switch (c) {
    case FormControl::CheckBox4:
      CheckBox4Click();
      break;
    case FormControl::RadioButton1:
      if (checked) {
        radioButton2_.Checked = false;
        RadioButton1Click();
      }
      break;
    case FormControl::RadioButton2:
      if (checked) {
        radioButton1_.Checked = false;
        RadioButton2Click();
      }
      break;
    default:
      break;
  }
}

void TForm1::Click(FormControl c) {
  if (!Enabled(c)) return;
  switch (c) {
    case FormControl::CheckBox1:
    case FormControl::CheckBox2:
    case FormControl::CheckBox3:
    case FormControl::CheckBox4:
    case FormControl::CheckBox5:
      Check(c, !ToggleRef(c).Checked);
      break;
    case FormControl::RadioButton1:
    case FormControl::RadioButton2:
    case FormControl::RadioButton3:
      Check(c, true);
      break;
    case FormControl::Button1:
      Button1Click();
      break;
    case FormControl::Button2:
      Button2Click();
      break;
    default:
      if (IsColorButton(c)) ColorButtonClick(c);
      break;
  }
}

void TForm1::FormCreate() {
  PluginSettings& s = settings_;
  edits_ = {std::to_string(s.jwwWidth), std::to_string(s.jwzWidth),
            std::to_string(s.PreviewHeight)};
  Check(FormControl::CheckBox1, s.hoji);
  Check(FormControl::CheckBox2, s.grey);
  radioButton3_.Enabled = true;
  switch (s.BmpSFst) {
    case 0:
      Check(FormControl::CheckBox3, false);
      Check(FormControl::RadioButton3, false);
      radioButton3_.Enabled = false;
      break;
    case 1:
      Check(FormControl::CheckBox3, true);
      Check(FormControl::RadioButton3, false);
      break;
    case 2:
      Check(FormControl::CheckBox3, true);
      Check(FormControl::RadioButton3, true);
      break;
    default:  // both as the form defines them: clear
      break;
  }
  if (s.BwColor) {
    Check(FormControl::CheckBox4, true);
    radioButton1_.Enabled = radioButton2_.Enabled = true;
  } else {
    radioButton1_.Enabled = radioButton2_.Enabled = false;
  }
  Check(s.BwGrey ? FormControl::RadioButton1 : FormControl::RadioButton2, true);
  Check(FormControl::CheckBox5, s.JwwVer);
  faces_ = s.PenColors;
}

void TForm1::CheckBox4Click() {
  if (checkBox4_.Checked) {
    settings_.BwColor = true;
    radioButton1_.Enabled = radioButton2_.Enabled = true;
  } else {
    checkBox4_.Checked = false;
    settings_.BwColor = false;
    radioButton1_.Enabled = radioButton2_.Enabled = false;
  }
}

void TForm1::RadioButton1Click() {
  settings_.BwGrey = radioButton1_.Checked;
}

void TForm1::RadioButton2Click() {
  settings_.BwGrey = !radioButton2_.Checked;
}

void TForm1::ColorButtonClick(FormControl button) {
  if (const std::optional<Color> chosen = chooser_ ? chooser_(chosenColor_) : std::nullopt) {
    chosenColor_ = *chosen;
    faces_[PenIndexOf(button)] = *chosen;
    settings_.PenColors[PenIndexOf(button)] = *chosen;
  }
  focusRequest_ = FormControl::Button1;
}

void TForm1::Button1Click() {
  faces_ = PluginSettings{}.PenColors;
}

void TForm1::Button2Click() {
  const PluginSettings defaults;
  settings_.jwwWidth = defaults.jwwWidth;
  settings_.jwzWidth = defaults.jwzWidth;
  settings_.PreviewHeight = defaults.PreviewHeight;
  settings_.UpdateDerivedSizes();
  edits_ = {std::to_string(defaults.jwwWidth), std::to_string(defaults.jwzWidth),
            std::to_string(defaults.PreviewHeight)};
}

std::optional<TForm1::CloseRefusal> TForm1::FormClose() {
  // Every size is checked before anything is stored: a bad third size must not leave
  // the first two stored and the rest not.
  std::array<int32_t, 3> sizes{};
  for (size_t i = 0; i < sizes.size(); ++i) {
    const auto edit = static_cast<FormControl>(i);
    const std::optional<int32_t> v = ParseSize(edits_[i]);
    if (!v) return CloseRefusal{edit, std::string(LabelOf(edit)) + ": " + SizeRefusal(edits_[i])};
    sizes[i] = *v;
  }
  PluginSettings& s = settings_;
  s.jwwWidth = sizes[0];
  s.jwzWidth = sizes[1];
  s.PreviewHeight = sizes[2];
  s.UpdateDerivedSizes();
  s.hoji = checkBox1_.Checked;
  s.grey = checkBox2_.Checked;
  s.BmpSFst = !checkBox3_.Checked ? 0 : radioButton3_.Checked ? 2 : 1;
  s.BwColor = checkBox4_.Checked;
  s.BwGrey = !radioButton2_.Checked;
  s.JwwVer = checkBox5_.Checked;
  s.PenColors = faces_;
  return std::nullopt;
}

}  // namespace kestril
