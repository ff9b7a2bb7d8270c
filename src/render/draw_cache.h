// What the draws of one drawing share so that nothing is rebuilt or reallocated per
// entity: each line type's dash pattern and random-line shape, built on first use from
// the header, and the working buffers of the curve strokes.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "document/header.h"
#include "graphics/path.h"
#include "graphics/style_line_canvas.h"

namespace kestril {

class DrawCache {
 public:
  explicit DrawCache(const TJwwHeader& header) : header_(header) {}
  DrawCache(const DrawCache&) = delete;
  DrawCache& operator=(const DrawCache&) = delete;

  // BuildDashPattern of the line type.
  const TDoubleDynArray& Pattern(uint8_t lineType);
  // RandomLineShape of the line type.
  const std::vector<double>& Shape(uint8_t lineType);

  // A drawing context for one draw, its pattern storage kept from draw to draw.
  TStyleLineCanvas& Style(Canvas& canvas);
  // The path a curve is taken into and stroked from.
  TPath& Path() { return path_; }

 private:
  const TJwwHeader& header_;
  std::array<TDoubleDynArray, 256> patterns_;
  std::array<std::vector<double>, 256> shapes_;
  std::bitset<256> patternBuilt_;
  std::bitset<256> shapeBuilt_;
  TStyleLineCanvas style_;
  TPath path_;
};

}  // namespace kestril
