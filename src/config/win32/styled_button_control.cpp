#include "config/win32/styled_button_control.h"

#include <windowsx.h>

#include <memory>
#include <string>

#include "config/win32/wide_text.h"

namespace kestril {
namespace {

WNDPROC baseProc = nullptr;
int baseExtra = 0;  // the system button's window bytes; ours follow

TStyledButton* Get(HWND w) {
  return reinterpret_cast<TStyledButton*>(GetWindowLongPtrW(w, baseExtra));
}

// Draws the plan off-screen and copies it to the request's DC in one go.
void PaintItem(HWND window, TStyledButton& button, const DRAWITEMSTRUCT& item) {
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  if (width <= 0 || height <= 0) return;
  HDC dc = CreateCompatibleDC(item.hDC);
  HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, width, height);
  if (dc == nullptr || bitmap == nullptr) {
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));

  const std::wstring caption = Widen(button.CaptionText());
  const UINT align = button.CapAlignH() == TNHAlignment::haLeft    ? DT_LEFT
                     : button.CapAlignH() == TNHAlignment::haRight ? DT_RIGHT
                                                                   : DT_CENTER;
  RECT measured = {0, 0, 0, 0};
  if (!caption.empty()) {
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured,
              align | DT_CALCRECT);
  }
  const StyledButtonPaint plan =
      button.Paint(width, height, (item.itemState & ODS_SELECTED) != 0,
                   (item.itemState & ODS_FOCUS) != 0, measured.bottom - measured.top);

  auto fill = [dc](const PixelRect& r, Color c) {
    HBRUSH brush = CreateSolidBrush(ResolveColor(c));
    const RECT rc = {r.left, r.top, r.right, r.bottom};
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
  };
  fill({0, 0, width, height}, plan.face);
  SetBkMode(dc, TRANSPARENT);
  for (const auto& pass : plan.text) {
    if (caption.empty()) break;
    RECT rc = {pass.rect.left, pass.rect.top, pass.rect.right, pass.rect.bottom};
    SetTextColor(dc, ResolveColor(pass.color));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rc, align | DT_NOCLIP);
  }
  for (const auto& piece : plan.frame) {
    if (piece.outline) {
      HBRUSH brush = CreateSolidBrush(ResolveColor(piece.color));
      const RECT rc = {piece.rect.left, piece.rect.top, piece.rect.right, piece.rect.bottom};
      FrameRect(dc, &rc, brush);
      DeleteObject(brush);
    } else {
      fill(piece.rect, piece.color);
    }
  }
  if (plan.focus) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    const RECT rc = {plan.focus->left, plan.focus->top, plan.focus->right, plan.focus->bottom};
    DrawFocusRect(dc, &rc);
  }
  BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

LRESULT CALLBACK StyledButtonProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  TStyledButton* button = Get(w);
  switch (message) {
    case WM_NCCREATE: {
      // Owner-drawn whatever the creator asked for.
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
      create->style = (create->style & ~LONG(BS_TYPEMASK)) | BS_OWNERDRAW;
      SetWindowLongPtrW(w, GWL_STYLE, create->style);
      // The window owns its button from here until WM_NCDESTROY.
      auto made = std::make_unique<TStyledButton>([w] { InvalidateRect(w, nullptr, FALSE); });
      SetWindowLongPtrW(w, baseExtra, reinterpret_cast<LONG_PTR>(made.release()));
      break;
    }
    case WM_NCDESTROY: {
      const LRESULT r = CallWindowProcW(baseProc, w, message, wp, lp);
      SetWindowLongPtrW(w, baseExtra, 0);
      std::unique_ptr<TStyledButton> owned(button);
      return r;
    }
    default:
      break;
  }
  if (button == nullptr) return CallWindowProcW(baseProc, w, message, wp, lp);
  switch (message) {
    case kReflectedDrawItem:
      PaintItem(w, *button, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers every pixel
    case WM_LBUTTONDBLCLK:
      // A quick second click is a second press, not a double click.
      return CallWindowProcW(baseProc, w, WM_LBUTTONDOWN, wp, lp);
    case WM_GETDLGCODE:
      // Take part in the dialog's default-button handling like a push button.
      return DLGC_BUTTON | (button->Default() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE: {
      const bool isDefault = (wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      CallWindowProcW(baseProc, w, message, (wp & ~WPARAM(BS_TYPEMASK)) | BS_OWNERDRAW, FALSE);
      if (isDefault != button->Default()) {
        button->SetDefault(isDefault);
        UpdateWindow(w);
      }
      return 0;
    }
    case WM_ENABLE: {
      const LRESULT r = CallWindowProcW(baseProc, w, message, wp, lp);
      button->SetEnabled(wp != 0);
      return r;
    }
    case WM_MOUSEMOVE: {
      RECT client;
      GetClientRect(w, &client);
      const bool wasHovering = button->Hovering();
      button->MouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), client.right, client.bottom,
                        GetCapture() == w && (wp & MK_LBUTTON) != 0);
      if (!wasHovering && button->Hovering()) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, w, 0};
        TrackMouseEvent(&track);
      }
      break;
    }
    case WM_MOUSELEAVE:
      button->MouseLeave();
      break;
    default:
      break;
  }
  return CallWindowProcW(baseProc, w, message, wp, lp);
}

}  // namespace

COLORREF ResolveColor(Color c) {
  return IsSystemColor(c) ? GetSysColor(static_cast<int>(c & 0xFF)) : (c & 0xFFFFFF);
}

StyledButtonClass::StyledButtonClass(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(nullptr, L"BUTTON", &wc)) return;
  baseProc = wc.lpfnWndProc;
  baseExtra = wc.cbWndExtra;
  wc.cbWndExtra += sizeof(LONG_PTR);
  wc.lpfnWndProc = StyledButtonProc;
  wc.hInstance = instance;
  wc.lpszClassName = kStyledButtonClass;
  wc.style &= ~UINT(CS_GLOBALCLASS);
  if (RegisterClassExW(&wc) != 0) {
    registered_ = owned_ = true;
  } else {
    // Left registered by a dialog whose windows outlived it: usable as it is.
    registered_ = GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
}

StyledButtonClass::~StyledButtonClass() {
  if (owned_) UnregisterClassW(kStyledButtonClass, instance_);
}

TStyledButton* StyledButtonOf(HWND window) {
  wchar_t name[32];
  if (GetClassNameW(window, name, 32) == 0 || lstrcmpiW(name, kStyledButtonClass) != 0) {
    return nullptr;
  }
  return Get(window);
}

}  // namespace kestril
