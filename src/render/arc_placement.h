// Where an arc or a circle solid lands inside a block insert: the exact image of the
// stored curve under the insert's whole placement (turns, uneven and negative scales,
// nesting). An affine image of an ellipse is an ellipse; its centre, semi-axes and tilt
// follow from the placement's matrix, and the start and sweep are carried over so that
// the same part of the curve is drawn (a mirror reverses the direction of travel).
#pragma once

#include "base/plane.h"
#include "document/placement.h"

namespace kestril {

// An ellipse about centre with the semi-axis radius turned counter-clockwise by tilt
// and the semi-axis flatness * radius, and an arc of it from start through sweep.
struct ArcFigure {
  TaPoint2D centre;
  double radius = 0;
  double start = 0;
  double sweep = 0;
  double tilt = 0;
  double flatness = 1;
};

// Arc records: start and sweep are parameter angles of the ellipse before its tilt.
// Under a turn and an equal positive scale the result is the stored figure with its
// radius scaled and its tilt turned, flatness, start and sweep unchanged.
ArcFigure PlaceArc(const BlockPlacement& at, const ArcFigure& stored);

// Circle solids: start and sweep are directions from the centre, which the placement
// turns as it turns any direction. A flatness of 0 stands for 1. scaleOut receives how
// much the figure grew (the new radius over the stored one), for an inner radius.
ArcFigure PlaceCircleSolid(const BlockPlacement& at, const ArcFigure& stored, double& scaleOut);

}  // namespace kestril
