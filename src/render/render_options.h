// The switches entity drawing reads: the user's settings and the request's mode.
#pragma once

namespace kestril {

struct RenderOptions {
  bool hoji = false;     // auxiliary-colour (colour 9) entities are not drawn
  bool BwColor = false;  // monochrome output
  bool BwGrey = false;   // with BwColor: black or white only, else grey tones
  bool PreviewMode = false;
  bool PrePassActive = false;  // the render driver's pre-pass is running
};

}  // namespace kestril
