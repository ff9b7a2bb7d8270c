#include "render/draw_cache.h"

#include "render/dash_pattern.h"

namespace kestril {

const TDoubleDynArray& DrawCache::Pattern(uint8_t lineType) {
  if (!patternBuilt_[lineType]) {
    patterns_[lineType] = BuildDashPattern(header_, lineType);
    patternBuilt_[lineType] = true;
  }
  return patterns_[lineType];
}

const std::vector<double>& DrawCache::Shape(uint8_t lineType) {
  if (!shapeBuilt_[lineType]) {
    shapes_[lineType] = RandomLineShape(header_, lineType);
    shapeBuilt_[lineType] = true;
  }
  return shapes_[lineType];
}

TStyleLineCanvas& DrawCache::Style(Canvas& canvas) {
  style_.Canvas = &canvas;
  style_.LineType = 0;
  style_.Pattern.clear();
  style_.Width = 0;
  style_.Color = 0;
  return style_;
}

}  // namespace kestril
