// A push button that paints itself: a face of any colour, a caption of one or more
// lines placed by alignment and offsets, and one of three frames. This is its state and
// the plan of one paint; the window that shows it (win32/styled_button_control) resolves
// system colours, measures and draws the plan off-screen and copies it in one go.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/pixel_rect.h"
#include "graphics/canvas/canvas.h"

namespace kestril {

enum class TNHAlignment { haLeft, haCenter, haRight };
enum class TNVAlignment { vaTop, vaCenter, vaBottom };
enum class TButtonStyle { bsStd, bsIELike, bsNone };

// A colour, or with the top bit set one of the system's colours by its index (the
// convention of Windows' own toolkits), resolved when painting.
inline constexpr Color SystemColor(uint32_t index) {
  return 0x80000000u | index;
}
inline constexpr bool IsSystemColor(Color c) {
  return (c & 0x80000000u) != 0;
}
inline constexpr Color kClWindow = SystemColor(5);
inline constexpr Color kClWindowFrame = SystemColor(6);
inline constexpr Color kClBtnFace = SystemColor(15);
inline constexpr Color kClBtnShadow = SystemColor(16);
inline constexpr Color kClBtnHighlight = SystemColor(20);
inline constexpr Color kClBlack = 0x000000;

// What one paint draws, in order: the face, the caption passes, the frame pieces, then
// the focus rectangle.
struct StyledButtonPaint {
  struct TextPass {
    PixelRect rect;
    Color color;
  };
  struct FramePiece {
    PixelRect rect;
    Color color;
    bool outline;  // a 1-pixel outline of rect; otherwise rect filled
  };
  Color face = kClWindow;
  std::string caption;  // lines joined with CR LF
  TNHAlignment align = TNHAlignment::haCenter;
  std::vector<TextPass> text;  // with a transparent background, unclipped; none without caption
  std::vector<FramePiece> frame;
  std::optional<PixelRect> focus;  // dotted, black on the button-face colour
};

class TStyledButton {
 public:
  // repaint: asked for whenever a property changes what the button shows.
  explicit TStyledButton(std::function<void()> repaint = {});

  // Each setter repaints only when the value differs from the current one.
  void SetColor(Color v);
  void SetCaption(std::string v);
  void SetCaptionLines(std::vector<std::string> v);
  void SetCapAlignH(TNHAlignment v);
  void SetCapAlignV(TNVAlignment v);
  void SetButtonStyle(TButtonStyle v);
  void SetCapFixed(bool v);
  void SetFocusline(bool v);
  void SetCapOffsetH(int32_t v);
  void SetCapOffsetV(int32_t v);
  void SetFrameColor(Color v);
  void SetEdgeHighlight(Color v);
  void SetEdgeShadow(Color v);
  void SetEnabled(bool v);
  // The dialog's default-button notification.
  void SetDefault(bool v);

  // The mouse over the button: enter and leave repaint and fire the events.
  void MouseMove(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight,
                 bool leftButtonCaptured);
  void MouseEnter(bool leftButtonCaptured);
  void MouseLeave();
  std::function<void()> OnMouseEnter, OnMouseLeave;

  // The caption to measure: Caption, or the lines joined with CR LF.
  std::string CaptionText() const;
  // The plan for a client area of width x height; textHeight is the caption's measured
  // height with the alignment's flag.
  StyledButtonPaint Paint(int32_t width, int32_t height, bool pressed, bool focused,
                          int32_t textHeight) const;

  TNHAlignment CapAlignH() const { return capAlignH_; }
  bool Hovering() const { return hovering_; }
  bool Default() const { return default_; }
  bool Enabled() const { return enabled_; }

 private:
  template <class T>
  void Assign(T& field, T value);

  std::function<void()> repaint_;
  bool default_ = false;
  std::string caption_;
  std::vector<std::string> captionLines_;
  bool hovering_ = false;
  TNHAlignment capAlignH_ = TNHAlignment::haCenter;
  TNVAlignment capAlignV_ = TNVAlignment::vaCenter;
  TButtonStyle buttonStyle_ = TButtonStyle::bsStd;
  bool capFixed_ = true;
  bool focusline_ = true;
  int32_t capOffsetH_ = 0;
  int32_t capOffsetV_ = 0;
  Color frameColor_ = kClWindowFrame;
  Color edgeHighlight_ = kClBtnHighlight;
  Color edgeShadow_ = kClBtnShadow;
  Color color_ = kClWindow;
  bool enabled_ = true;
};

}  // namespace kestril
