// The view record: how drawing units map to device pixels of the output picture.
#pragma once

#include "base/plane.h"

namespace kestril {

struct TViewTransform {
  double YAxisFactor = 0;  // -1 for pictures: drawing y grows up, device y down
  double Scale = 0;        // pixels per drawing unit
  TaPoint2D ViewMin;       // x is the horizontal origin
  TaPoint2D ViewMax;       // y is the vertical origin
};

// Device coordinates (doubles) of a drawing point.
inline TaPoint2D ToDevice(const TViewTransform& view, const TaPoint2D& p) {
  return {(p.x - view.ViewMin.x) * view.Scale,
          (p.y - view.ViewMax.y) * view.Scale * view.YAxisFactor};
}

}  // namespace kestril
