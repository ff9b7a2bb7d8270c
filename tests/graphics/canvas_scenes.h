// Drawings made of the same canvas calls on every backend, so the GDI canvas (under
// Wine) and the Cairo canvas can be compared pixel by pixel.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "graphics/canvas/canvas.h"

namespace kestril::test {

struct CanvasScene {
  const char* name;
  int32_t width;
  int32_t height;
  void (*draw)(Canvas& canvas);
};

std::span<const CanvasScene> CanvasScenes();

// Calls made inside a path bracket (BeginPath and EndPath included); `flatten` asks
// for FlattenPath before GetPath.
struct PathScene {
  const char* name;
  bool flatten;
  void (*trace)(Canvas& canvas);
};

std::span<const PathScene> PathScenes();

// Image references drawn by DrawTextImage on a 120 x 90 picture: test pictures found
// in the drawing's folder `images`, and one named 表.png (in Shift-JIS, its second byte
// a backslash) in `own`, a copy of pic.png.
inline constexpr int32_t kTextImagesWidth = 120, kTextImagesHeight = 90;
void DrawTextImages(Canvas& canvas, const std::string& images, const std::string& own);

}  // namespace kestril::test
