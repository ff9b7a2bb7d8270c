#include "render/view_setup.h"

#include <algorithm>
#include <cmath>

namespace kestril {
namespace {

// Pixels per drawing unit for a drawing that is a single point.
constexpr double kPointScale = 1.0;

bool HasExtent(double min, double max) {
  return std::isfinite(min) && std::isfinite(max) && (max - min) * 1e7 >= 1;
}

}  // namespace

void SetupView(TViewTransform& view, const DrawingExtentRecord& e, int32_t width, int32_t height) {
  const double w = std::max(1.0, static_cast<double>(width));
  const double h = std::max(1.0, static_cast<double>(height));
  const bool hasX = HasExtent(e.MinX, e.MaxX);
  const bool hasY = HasExtent(e.MinY, e.MaxY);
  // Nothing of an earlier request's view survives: the same data always looks the same.
  view = TViewTransform{};
  view.YAxisFactor = -1;
  if (hasX && hasY) {
    view.Scale = std::min(w / (e.MaxX - e.MinX), h / (e.MaxY - e.MinY));
    view.ViewMin = {e.MinX, e.MinY};
    view.ViewMax = {e.MaxX, e.MaxY};
    return;
  }
  // A direction without extent is centred: a horizontal line runs across the middle of
  // the picture, a vertical one down its middle, a lone point sits in its centre.
  const double cx = std::isfinite(e.MinX + e.MaxX) ? (e.MinX + e.MaxX) / 2 : 0;
  const double cy = std::isfinite(e.MinY + e.MaxY) ? (e.MinY + e.MaxY) / 2 : 0;
  if (hasX) {
    view.Scale = w / (e.MaxX - e.MinX);
  } else if (hasY) {
    view.Scale = h / (e.MaxY - e.MinY);
  } else {
    view.Scale = kPointScale;
  }
  const double left = hasX ? e.MinX : cx - w / 2 / view.Scale;
  const double top = hasY ? e.MaxY : cy + h / 2 / view.Scale;
  view.ViewMin = {left, top - h / view.Scale};
  view.ViewMax = {left + w / view.Scale, top};
}

}  // namespace kestril
