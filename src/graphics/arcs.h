// Circles, ellipses and their arcs, traced into the canvas's open path bracket. Nothing
// is drawn here: the caller closes the bracket, flattens it and strokes the result.
// Circles become cubic Bezier pieces of at most 90 degrees, ellipses pieces of at most
// 20 degrees (each a figure of its own), random-line arcs 5-degree chords.
//
// Device centres and radii are pixels with y growing downward; angles are radians,
// counter-clockwise as seen with y upward. Curves whose outline reaches far beyond the
// canvas are traced only where they come near it, in pieces short enough to stay
// close to the curve, so no coordinate handed to the canvas can overflow.
#pragma once

#include <cstdint>
#include <span>

#include "base/plane.h"
#include "graphics/canvas/canvas.h"
#include "graphics/style_line_canvas.h"
#include "graphics/view.h"

namespace kestril {

// One piece of at most 90 degrees of the circle (rx, ry) about the device centre, from
// start to start + sweep. Continues the current figure; moveFirst starts a new one at
// the piece's start. A sweep of exactly 0 adds a zero-length line at the start point.
void DrawBezierQuadrant(Canvas& canvas, TaPoint2D centre, double rx, double ry, bool moveFirst,
                        double sweep, double start);

// The arc from start through sweep as one figure of 90-degree pieces (a whole circle is
// one move and four pieces). startPoint receives the rounded start point.
void DrawBezierArc(Canvas& canvas, TaPoint2D centre, double rx, double ry, TPoint& startPoint,
                   double sweep, double start);

// One Bezier piece, its own figure, of the ellipse with major semi-axis rx along the
// device direction tilt (turning clockwise on the picture for a positive angle, as
// device y grows downward) and minor semi-axis flatness * rx, from parameter angle
// `from` to `to` (device angles, clockwise on the picture).
void DrawEllipsePiece(Canvas& canvas, double from, double to, TaPoint2D centre, double rx,
                      double flatness, double tilt);

// A circle or circular arc of the drawing (centre in drawing units, radius, start and
// sweep of the drawing); fullCircle 1 draws the whole circle.
void DrawCircleArc(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t fullCircle,
                   double radius, double start, double sweep, const TViewTransform& view);

// An ellipse or elliptic arc: major semi-axis radius turned by tilt, minor semi-axis
// radius * flatness; start and sweep are parameter angles of the untilted ellipse.
// Traced as pieces of at most 20 degrees, each a figure of its own.
void DrawEllipseArc(const TStyleLineCanvas& style, TaPoint2D centre, uint8_t fullCircle,
                    double radius, double start, double sweep, double flatness, double tilt,
                    const TViewTransform& view);

// An arc of a random line type: 5-degree chords, each drawn by DrawRandomLine. A
// flatness of exactly 0 counts as 1. Sweeps beyond a full turn are traced as one turn.
void DrawRandomArc(const TStyleLineCanvas& style, TaPoint2D centre, double radius, double start,
                   double sweep, double flatness, double tilt, std::span<const double> shape,
                   int32_t amplitude, int32_t pitch, uint8_t fullCircle,
                   const TViewTransform& view);

}  // namespace kestril
