// The styled button's paint plan and its repaint and hover rules.
#include <gtest/gtest.h>

#include "config/styled_button.h"

namespace kestril {
namespace {

using Piece = StyledButtonPaint::FramePiece;

// Frame pieces as (rect, colour, outline) for comparing whole frames.
std::vector<std::tuple<PixelRect, Color, bool>> Frame(const StyledButtonPaint& p) {
  std::vector<std::tuple<PixelRect, Color, bool>> v;
  for (const Piece& f : p.frame) v.emplace_back(f.rect, f.color, f.outline);
  return v;
}

constexpr Color kHi = 0x0000F1, kSh = 0x0000F2, kFr = 0x0000F3;

TStyledButton Swatch(TButtonStyle style) {
  TStyledButton b;
  b.SetButtonStyle(style);
  b.SetEdgeHighlight(kHi);
  b.SetEdgeShadow(kSh);
  b.SetFrameColor(kFr);
  b.SetColor(0x336699);
  return b;
}

TEST(StyledButton, FramesByStyleAndState) {
  using F = std::vector<std::tuple<PixelRect, Color, bool>>;
  const F raised = {{{0, 0, 35, 1}, kHi, false},
                    {{0, 0, 1, 17}, kHi, false},
                    {{34, 0, 35, 17}, kSh, false},
                    {{0, 16, 35, 17}, kSh, false}};
  const F sunken = {{{0, 0, 35, 1}, kSh, false},
                    {{0, 0, 1, 17}, kSh, false},
                    {{34, 0, 35, 17}, kHi, false},
                    {{0, 16, 35, 17}, kHi, false}};
  TStyledButton ie = Swatch(TButtonStyle::bsIELike);
  EXPECT_EQ(Frame(ie.Paint(35, 17, false, false, 0)), F{});
  EXPECT_EQ(Frame(ie.Paint(35, 17, true, false, 0)), sunken);
  ie.MouseEnter(false);
  EXPECT_EQ(Frame(ie.Paint(35, 17, false, false, 0)), raised);
  EXPECT_EQ(Frame(ie.Paint(35, 17, true, false, 0)), sunken);

  TStyledButton std = Swatch(TButtonStyle::bsStd);
  const F rest = {{{0, 0, 35, 1}, kHi, false},   {{0, 0, 1, 17}, kHi, false},
                  {{34, 0, 35, 17}, kFr, false}, {{0, 16, 35, 17}, kFr, false},
                  {{33, 1, 34, 16}, kSh, false}, {{1, 15, 34, 16}, kSh, false}};
  EXPECT_EQ(Frame(std.Paint(35, 17, false, false, 0)), rest);
  const F focusedPressed = {{{0, 0, 35, 17}, kFr, true}, {{1, 1, 34, 16}, kSh, true}};
  EXPECT_EQ(Frame(std.Paint(35, 17, true, true, 0)), focusedPressed);
  EXPECT_EQ(Frame(Swatch(TButtonStyle::bsNone).Paint(35, 17, true, true, 0)), F{});

  // The focus line: only when default and focused, inset by style.
  EXPECT_FALSE(std.Paint(35, 17, false, true, 0).focus);
  std.SetDefault(true);
  EXPECT_EQ(std.Paint(35, 17, false, true, 0).focus, (PixelRect{4, 4, 31, 13}));
  ie.SetDefault(true);
  EXPECT_EQ(ie.Paint(35, 17, false, true, 0).focus, (PixelRect{2, 2, 33, 15}));
  std.SetFocusline(false);
  EXPECT_FALSE(std.Paint(35, 17, false, true, 0).focus);
}

TEST(StyledButton, FaceAndCaption) {
  TStyledButton b = Swatch(TButtonStyle::bsStd);
  StyledButtonPaint p = b.Paint(35, 17, false, false, 0);
  EXPECT_EQ(p.face, 0x336699u);
  EXPECT_TRUE(p.text.empty());  // a swatch: face and frame only

  b.SetCaptionLines({"one", "two"});
  p = b.Paint(60, 40, false, false, 26);
  EXPECT_EQ(p.caption, "one\r\ntwo");
  ASSERT_EQ(p.text.size(), 1u);
  EXPECT_EQ(p.text[0].rect, (PixelRect{0, 7, 60, 47}));  // (40 - 26) / 2 down
  b.SetCaption("x");
  EXPECT_EQ(b.Paint(60, 40, false, false, 13).caption, "x");
  EXPECT_EQ(b.Paint(60, 40, true, false, 13).text[0].rect, (PixelRect{1, 14, 61, 54}));

  // Disabled: the button-face colour whatever Color says, and an embossed caption.
  b.SetEnabled(false);
  p = b.Paint(60, 40, false, false, 13);
  EXPECT_EQ(p.face, kClBtnFace);
  ASSERT_EQ(p.text.size(), 2u);
  EXPECT_EQ(p.text[0].color, kClBtnHighlight);
  EXPECT_EQ(p.text[0].rect, (PixelRect{1, 14, 61, 54}));
  EXPECT_EQ(p.text[1].color, kClBtnShadow);
  EXPECT_EQ(p.text[1].rect, (PixelRect{0, 13, 60, 53}));
}

TEST(StyledButton, LooseCaptionShiftsTowardItsEdgeWithoutFocus) {
  struct Case {
    TNHAlignment h;
    TNVAlignment v;
    PixelRect focused, loose;
  };
  for (const Case& c :
       {Case{TNHAlignment::haLeft, TNVAlignment::vaTop, {5, 4, 65, 44}, {4, 3, 64, 43}},
        Case{TNHAlignment::haRight, TNVAlignment::vaBottom, {-5, 22, 55, 62}, {-4, 23, 56, 63}},
        Case{TNHAlignment::haCenter, TNVAlignment::vaCenter, {0, 13, 60, 53}, {0, 13, 60, 53}}}) {
    TStyledButton b;
    b.SetCaption("x");
    b.SetCapAlignH(c.h);
    b.SetCapAlignV(c.v);
    b.SetCapFixed(false);
    EXPECT_EQ(b.Paint(60, 40, false, true, 13).text[0].rect, c.focused);
    EXPECT_EQ(b.Paint(60, 40, false, false, 13).text[0].rect, c.loose);
    b.SetCapFixed(true);
    EXPECT_EQ(b.Paint(60, 40, false, false, 13).text[0].rect, c.focused);
    b.SetCapOffsetH(2);
    b.SetCapOffsetV(-3);
    const PixelRect& f = c.focused;
    EXPECT_EQ(b.Paint(60, 40, false, false, 13).text[0].rect,
              (PixelRect{f.left + 2, f.top - 3, f.right + 2, f.bottom - 3}));
  }
}

TEST(StyledButton, RepaintsOnlyOnChangeAndTracksTheMouse) {
  int repaints = 0, enters = 0, leaves = 0;
  TStyledButton b([&] { ++repaints; });
  b.OnMouseEnter = [&] { ++enters; };
  b.OnMouseLeave = [&] { ++leaves; };
  b.SetColor(kClWindow);
  b.SetCaptionLines({});
  b.SetButtonStyle(TButtonStyle::bsStd);
  b.SetFrameColor(kClWindowFrame);
  EXPECT_EQ(repaints, 0);
  b.SetColor(0x123456);
  b.SetCaptionLines({"a"});
  b.SetCaptionLines({"a"});
  b.SetDefault(true);
  b.SetDefault(true);
  EXPECT_EQ(repaints, 3);

  b.MouseMove(40, 5, 35, 17, false);  // outside
  b.MouseMove(5, 5, 35, 17, true);    // pressed elsewhere and dragged in
  EXPECT_FALSE(b.Hovering());
  b.MouseMove(5, 5, 35, 17, false);
  b.MouseMove(6, 5, 35, 17, false);
  EXPECT_TRUE(b.Hovering());
  EXPECT_EQ(enters, 1);
  b.MouseLeave();
  EXPECT_FALSE(b.Hovering());
  EXPECT_EQ(leaves, 1);
  EXPECT_EQ(repaints, 5);
}

}  // namespace
}  // namespace kestril
