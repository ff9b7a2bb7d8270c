#include "config/styled_button.h"

namespace kestril {

TStyledButton::TStyledButton(std::function<void()> repaint) : repaint_(std::move(repaint)) {}

template <class T>
void TStyledButton::Assign(T& field, T value) {
  if (field == value) return;
  field = std::move(value);
  if (repaint_) repaint_();
}

void TStyledButton::SetColor(Color v) {
  Assign(color_, v);
}
void TStyledButton::SetCaption(std::string v) {
  Assign(caption_, std::move(v));
}
void TStyledButton::SetCaptionLines(std::vector<std::string> v) {
  Assign(captionLines_, std::move(v));
}
void TStyledButton::SetCapAlignH(TNHAlignment v) {
  Assign(capAlignH_, v);
}
void TStyledButton::SetCapAlignV(TNVAlignment v) {
  Assign(capAlignV_, v);
}
void TStyledButton::SetButtonStyle(TButtonStyle v) {
  Assign(buttonStyle_, v);
}
void TStyledButton::SetCapFixed(bool v) {
  Assign(capFixed_, v);
}
void TStyledButton::SetFocusline(bool v) {
  Assign(focusline_, v);
}
void TStyledButton::SetCapOffsetH(int32_t v) {
  Assign(capOffsetH_, v);
}
void TStyledButton::SetCapOffsetV(int32_t v) {
  Assign(capOffsetV_, v);
}
void TStyledButton::SetFrameColor(Color v) {
  Assign(frameColor_, v);
}
void TStyledButton::SetEdgeHighlight(Color v) {
  Assign(edgeHighlight_, v);
}
void TStyledButton::SetEdgeShadow(Color v) {
  Assign(edgeShadow_, v);
}
void TStyledButton::SetEnabled(bool v) {
  Assign(enabled_, v);
}
void TStyledButton::SetDefault(bool v) {
  Assign(default_, v);
}

void TStyledButton::MouseMove(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight,
                              bool leftButtonCaptured) {
  if (!hovering_ && x >= 0 && y >= 0 && x < clientWidth && y < clientHeight &&
      !leftButtonCaptured) {
    MouseEnter(leftButtonCaptured);
  }
}

void TStyledButton::MouseEnter(bool leftButtonCaptured) {
  if (hovering_ && !leftButtonCaptured) return;
  hovering_ = true;
  if (repaint_) repaint_();
  if (OnMouseEnter) OnMouseEnter();
}

void TStyledButton::MouseLeave() {
  hovering_ = false;
  if (repaint_) repaint_();
  if (OnMouseLeave) OnMouseLeave();
}

std::string TStyledButton::CaptionText() const {
  if (!caption_.empty()) return caption_;
  std::string text;
  for (size_t i = 0; i < captionLines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += captionLines_[i];
  }
  return text;
}

StyledButtonPaint TStyledButton::Paint(int32_t width, int32_t height, bool pressed, bool focused,
                                       int32_t textHeight) const {
  StyledButtonPaint p;
  PixelRect r{0, 0, width, height};
  p.face = enabled_ ? color_ : kClBtnFace;
  p.caption = CaptionText();
  p.align = capAlignH_;

  PixelRect t = r;
  auto shift = [&t](int32_t dx, int32_t dy) {
    t.left += dx;
    t.right += dx;
    t.top += dy;
    t.bottom += dy;
  };
  if (capAlignV_ == TNVAlignment::vaCenter) shift(0, (height - textHeight) / 2);
  if (capAlignV_ == TNVAlignment::vaBottom) shift(0, height - textHeight);
  if (capAlignH_ == TNHAlignment::haLeft) shift(5, 0);
  if (capAlignH_ == TNHAlignment::haRight) shift(-5, 0);
  if (capAlignV_ == TNVAlignment::vaTop) shift(0, 4);
  if (capAlignV_ == TNVAlignment::vaBottom) shift(0, -5);
  // A loose caption shifts toward its edge while the button is neither default nor
  // focused.
  if (buttonStyle_ == TButtonStyle::bsStd && !capFixed_ && !default_ && !focused) {
    if (capAlignH_ == TNHAlignment::haLeft) shift(-1, 0);
    if (capAlignH_ == TNHAlignment::haRight) shift(1, 0);
    if (capAlignV_ == TNVAlignment::vaTop) shift(0, -1);
    if (capAlignV_ == TNVAlignment::vaBottom) shift(0, 1);
  }
  shift(capOffsetH_, capOffsetV_);
  if (pressed) shift(1, 1);
  if (p.caption.empty()) {
    // nothing to write: face and frame only
  } else if (enabled_) {
    p.text.push_back({t, kClBlack});
  } else {
    // Embossed: a lit copy one pixel down and right, the shaded one on top.
    p.text.push_back({{t.left + 1, t.top + 1, t.right + 1, t.bottom + 1}, kClBtnHighlight});
    p.text.push_back({t, kClBtnShadow});
  }

  auto fill = [&p](int32_t l, int32_t tp, int32_t rt, int32_t b, Color c) {
    p.frame.push_back({{l, tp, rt, b}, c, false});
  };
  // The outer edges: top and left, then right and bottom.
  auto edges = [&](Color topLeft, Color bottomRight) {
    fill(r.left, r.top, r.right, r.top + 1, topLeft);
    fill(r.left, r.top, r.left + 1, r.bottom, topLeft);
    fill(r.right - 1, r.top, r.right, r.bottom, bottomRight);
    fill(r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
  };
  auto shrink = [&r] { r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}; };
  switch (buttonStyle_) {
    case TButtonStyle::bsStd:
      if (default_ || focused) {
        p.frame.push_back({r, frameColor_, true});
        shrink();
      }
      if (pressed) {
        p.frame.push_back({r, edgeShadow_, true});
        shrink();
      } else {
        edges(edgeHighlight_, frameColor_);
        fill(r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, edgeShadow_);
        fill(r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, edgeShadow_);
      }
      break;
    case TButtonStyle::bsIELike:
      if (pressed) {
        edges(edgeShadow_, edgeHighlight_);
      } else if (hovering_) {
        edges(edgeHighlight_, edgeShadow_);
      }
      break;
    case TButtonStyle::bsNone:
      break;
  }

  if (focusline_ && default_ && focused && buttonStyle_ != TButtonStyle::bsNone) {
    const int32_t inset = buttonStyle_ == TButtonStyle::bsStd ? 4 : 2;
    p.focus = PixelRect{inset, inset, width - inset, height - inset};
  } else if (focusline_ && default_ && focused) {
    p.focus = PixelRect{0, 0, width, height};
  }
  return p;
}

}  // namespace kestril
