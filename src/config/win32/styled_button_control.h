// The window class "TStyledButton": a push button (a superclass of the system's BUTTON)
// that is owner-drawn and paints itself from a TStyledButton. Its parent reflects
// WM_DRAWITEM to it as kReflectedDrawItem.
#pragma once

#include <windows.h>

#include "config/styled_button.h"

namespace kestril {

inline constexpr wchar_t kStyledButtonClass[] = L"TStyledButton";
// WM_DRAWITEM sent back to the control that asked for it.
inline constexpr UINT kReflectedDrawItem = 0x2000 + WM_DRAWITEM;

// Registers the class for the module while the object lives.
class StyledButtonClass {
 public:
  explicit StyledButtonClass(HINSTANCE instance);
  ~StyledButtonClass();
  StyledButtonClass(const StyledButtonClass&) = delete;
  StyledButtonClass& operator=(const StyledButtonClass&) = delete;
  bool Registered() const { return registered_; }

 private:
  HINSTANCE instance_;
  bool registered_ = false;
  bool owned_ = false;
};

// The button behind a window of the class; nullptr for any other window.
TStyledButton* StyledButtonOf(HWND window);

// A colour as GDI takes it: system colours resolved.
COLORREF ResolveColor(Color color);

}  // namespace kestril
