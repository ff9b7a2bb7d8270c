// A rectangle in device pixels, right and bottom exclusive, as Windows' RECT.
#pragma once

#include <cstdint>

namespace kestril {

struct PixelRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};

// Moves a window's rectangle the least distance that puts it inside the work area (its
// top left corner wins when it is larger), so that a position kept from another screen
// cannot leave the window out of sight.
inline PixelRect KeepOnWorkArea(PixelRect window, const PixelRect& work) {
  int32_t dx = 0, dy = 0;
  if (window.right > work.right) dx = work.right - window.right;
  if (window.left + dx < work.left) dx = work.left - window.left;
  if (window.bottom > work.bottom) dy = work.bottom - window.bottom;
  if (window.top + dy < work.top) dy = work.top - window.top;
  return {window.left + dx, window.top + dy, window.right + dx, window.bottom + dy};
}

}  // namespace kestril
