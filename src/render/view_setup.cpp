#include "render/view_setup.h"

#include <algorithm>
#include <cmath>

namespace kestril {

void SetupView(TViewTransform& view, const DrawingExtentRecord& e, int32_t width, int32_t height) {
  // NaN sizes fail these tests too, and keep the previous view.
  if (!(std::fabs(e.SizeX) * 1e7 >= 1) || !(std::fabs(e.SizeY) * 1e7 >= 1)) return;
  const double w = std::max(1.0, static_cast<double>(width));
  const double h = std::max(1.0, static_cast<double>(height));
  view.Scale = std::min(w / std::fabs(e.SizeX), h / std::fabs(e.SizeY));
  view.ViewMin = {e.MinX, e.MinY};
  view.ViewMax = {e.MaxX, e.MaxY};
  view.YAxisFactor = -1;
}

}  // namespace kestril
