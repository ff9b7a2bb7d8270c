// The options form's values and rules, apart from any window system: what the form
// shows when it opens, what each click changes, and what closing stores. The Windows
// dialog mirrors its controls from this model and forwards the user's actions to it,
// so the rules hold (and are tested) on every platform.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/plugin_settings.h"

namespace kestril {

// Every control the form's rules touch, named as on the form.
enum class FormControl {
  Edit1,  // jwwWidth
  Edit2,  // jwzWidth
  Edit3,  // PreviewHeight
  Button2,
  CheckBox1,
  CheckBox2,
  CheckBox3,
  CheckBox4,
  CheckBox5,
  RadioButton1,
  RadioButton2,
  RadioButton3,
  LineColorButton1,
  LineColorButton2,
  LineColorButton3,
  LineColorButton4,
  LineColorButton5,
  LineColorButton6,
  LineColorButton7,
  LineColorButton8,
  AuxLineColorButton,
  GreyColorButton,
  BackgroundColorButton,
  Button1,
};

struct ToggleState {
  bool Checked = false;
  bool Enabled = true;
};

// The system colour chooser: starts from `initial`, answers the chosen colour or
// nothing when the user cancels.
using ColorChooser = std::function<std::optional<Color>(Color initial)>;

class TForm1 {
 public:
  // Opens the form on settings, which the form edits in place; they must outlive it.
  TForm1(PluginSettings& settings, ColorChooser chooser);

  // A user's click on a control: check boxes toggle, radio buttons check themselves
  // (and clear their partners), buttons run their handlers. Disabled controls ignore it.
  void Click(FormControl control);
  void SetText(FormControl edit, std::string text);

  struct CloseRefusal {
    FormControl field;   // the edit holding the bad text
    std::string reason;  // "<label>: \"abc\" is not a whole number from 1 to 32767"
  };
  // Stores every control into the settings. A size text that is not a whole number
  // from 1 to 32767 refuses the close before anything is stored: the settings stay
  // exactly as they were, and the form stays open.
  std::optional<CloseRefusal> FormClose();

  // The control the form wants focused after the last click, taken once.
  std::optional<FormControl> TakeFocusRequest();

  const std::string& Text(FormControl edit) const;
  ToggleState Toggle(FormControl control) const;
  bool Enabled(FormControl control) const;
  // A colour button's face colour.
  Color Face(FormControl button) const;
  PluginSettings& Settings() { return settings_; }

  static bool IsColorButton(FormControl c);
  // The setting a colour button shows: 0 background, 1-8 lines, 9 auxiliary, 10 grey.
  static size_t PenIndexOf(FormControl button);
  // The label beside an edit, as the form shows it ("Jww図面 Width").
  static std::string_view LabelOf(FormControl edit);

  // The handlers, as the form binds them.
  void FormCreate();
  void CheckBox4Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void ColorButtonClick(FormControl button);
  void Button1Click();
  void Button2Click();

 private:
  ToggleState& ToggleRef(FormControl control);
  void Check(FormControl control, bool checked);

  PluginSettings& settings_;
  ColorChooser chooser_;
  Color chosenColor_ = 0;  // the chooser opens on the colour last chosen, black at first
  std::array<std::string, 3> edits_;
  ToggleState checkBox1_, checkBox2_, checkBox3_, checkBox4_, checkBox5_;
  ToggleState radioButton1_, radioButton2_, radioButton3_;
  std::array<Color, kUserPenColors> faces_{};  // by pen index
  std::optional<FormControl> focusRequest_;
};

}  // namespace kestril
