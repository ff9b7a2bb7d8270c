#include "document/placement.h"

namespace kestril {

BlockPlacement BlockPlacement::Then(const FDataBlock& insert) const {
  const double sx = EffectiveBlockScale(insert.scaleX);
  const double sy = EffectiveBlockScale(insert.scaleY);
  const double c = insert.rotation == 0 ? 1.0 : std::cos(insert.rotation);
  const double s = insert.rotation == 0 ? 0.0 : std::sin(insert.rotation);
  // The insert's own map: origin + R (sx x, sy y).
  const double l00 = c * sx, l01 = -s * sy, l10 = s * sx, l11 = c * sy;
  const double ox = insert.refPoint.x, oy = insert.refPoint.y;

  BlockPlacement out;
  out.InBlock = true;
  out.BlockNumber = insert.blockNumber;
  if (!InBlock) {
    out.m00 = l00, out.m01 = l01, out.m10 = l10, out.m11 = l11;
    out.tx = ox, out.ty = oy;
    out.BlockRotation = insert.rotation;
    out.BlockScaleX = sx;
    out.BlockScaleY = sy;
    return out;
  }
  out.m00 = m00 * l00 + m01 * l10;
  out.m01 = m00 * l01 + m01 * l11;
  out.m10 = m10 * l00 + m11 * l10;
  out.m11 = m10 * l01 + m11 * l11;
  out.tx = m00 * ox + m01 * oy + tx;
  out.ty = m10 * ox + m11 * oy + ty;
  out.BlockRotation = BlockRotation + insert.rotation;
  out.BlockScaleX = BlockScaleX * sx;
  out.BlockScaleY = BlockScaleY * sy;
  return out;
}

}  // namespace kestril
