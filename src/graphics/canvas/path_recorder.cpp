#include "graphics/canvas/path_recorder.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/canvas/canvas.h"

namespace kestril {

namespace {

constexpr int kMaxBezierDepth = 10;

// GDI rounds path coordinates half up; out-of-range values saturate.
int32_t RoundToPixel(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::floor(v + 0.5);
  if (r <= INT32_MIN) return INT32_MIN;
  if (r >= INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(r);
}

TaPoint2D Mid(TaPoint2D a, TaPoint2D b) {
  return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

double SquaredDistanceToSegment(TaPoint2D p, TaPoint2D a, TaPoint2D b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
  return ex * ex + ey * ey;
}

void Flatten(TaPoint2D p0, TaPoint2D c1, TaPoint2D c2, TaPoint2D p3, double tolerance, int depth,
             std::vector<TaPoint2D>& out) {
  const double limit = tolerance * tolerance;
  if (depth >= kMaxBezierDepth || (SquaredDistanceToSegment(c1, p0, p3) <= limit &&
                                   SquaredDistanceToSegment(c2, p0, p3) <= limit)) {
    out.push_back(p3);
    return;
  }
  // de Casteljau halves
  const TaPoint2D a = Mid(p0, c1), b = Mid(c1, c2), c = Mid(c2, p3);
  const TaPoint2D ab = Mid(a, b), bc = Mid(b, c);
  const TaPoint2D m = Mid(ab, bc);
  Flatten(p0, a, ab, m, tolerance, depth + 1, out);
  Flatten(m, bc, c, p3, tolerance, depth + 1, out);
}

// The box of Ellipse and Arc with its corners ordered.
struct Box {
  double x1, y1, x2, y2;
};

bool MakeBox(int32_t left, int32_t top, int32_t right, int32_t bottom, Box& box) {
  if (left == right || top == bottom) return false;
  box = {double(std::min(left, right)), double(std::min(top, bottom)),
         double(std::max(left, right)), double(std::max(top, bottom))};
  return true;
}

double RayAngle(const Box& box, TPoint p) {
  const double x = (p.x - box.x1) / (box.x2 - box.x1) * 2 - 1;
  const double y = (p.y - box.y1) / (box.y2 - box.y1) * 2 - 1;
  return std::atan2(y, x);
}

// Appends one Bezier piece of at most 90 degrees of the ellipse inscribed in `box`
// (angles in y-down screen space); the start point too when `withStart`.
void ArcPiece(const Box& box, double from, double to, bool withStart, std::vector<TPoint>& out) {
  double xs[4], ys[4];
  const double half = (to - from) / 2;
  if (std::fabs(half) > 1e-8) {
    const double a = 4.0 / 3.0 * (1 - std::cos(half)) / std::sin(half);
    xs[0] = std::cos(from);
    ys[0] = std::sin(from);
    xs[3] = std::cos(to);
    ys[3] = std::sin(to);
    xs[1] = xs[0] - a * ys[0];
    ys[1] = ys[0] + a * xs[0];
    xs[2] = xs[3] + a * ys[3];
    ys[2] = ys[3] - a * xs[3];
  } else {
    for (int i = 0; i < 4; ++i) {
      xs[i] = std::cos(from);
      ys[i] = std::sin(from);
    }
  }
  for (int i = withStart ? 0 : 1; i < 4; ++i) {
    out.push_back({RoundToPixel(box.x1 + (box.x2 - box.x1) * 0.5 * (xs[i] + 1)),
                   RoundToPixel(box.y1 + (box.y2 - box.y1) * 0.5 * (ys[i] + 1))});
  }
}

// Pieces from angle `from` down to `to` (to < from: counter-clockwise on the screen),
// split at the quadrant boundaries as GDI splits them. GDI's Arc adds an empty last
// piece when the end lies exactly on a boundary (`emptyPieceOnBoundary`); its Ellipse
// always has four pieces.
std::vector<TPoint> TracePieces(Box box, double from, double to, bool emptyPieceOnBoundary) {
  // The right and bottom edges are not part of the figure.
  box.x2 -= 1;
  box.y2 -= 1;
  std::vector<TPoint> out;
  double pieceStart = from;
  double pieceEnd = (std::ceil(from / kHalfPi) - 1) * kHalfPi;
  bool first = true;
  for (;;) {
    const bool last = emptyPieceOnBoundary ? to > pieceEnd : to >= pieceEnd - 1e-9;
    if (last) pieceEnd = to;
    ArcPiece(box, pieceStart, pieceEnd, first, out);
    if (last) break;
    first = false;
    pieceStart = pieceEnd;
    pieceEnd -= kHalfPi;
  }
  return out;
}

}  // namespace

void FlattenBezier(TaPoint2D p0, TaPoint2D c1, TaPoint2D c2, TaPoint2D p3, double tolerance,
                   std::vector<TaPoint2D>& out) {
  Flatten(p0, c1, c2, p3, tolerance, 0, out);
}

std::vector<TPoint> TraceEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Box box;
  if (!MakeBox(left, top, right, bottom, box)) return {};
  std::vector<TPoint> out = TracePieces(box, 0, -kTwoPi, false);
  out.back() = out.front();  // a closed outline, whatever the rounding of 2 pi did
  return out;
}

std::vector<TPoint> TraceArc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                             TPoint end) {
  Box box;
  if (!MakeBox(left, top, right, bottom, box)) return {};
  const double from = RayAngle(box, start);
  double to = RayAngle(box, end);
  if (to >= from) to -= kTwoPi;
  return TracePieces(box, from, to, true);
}

size_t FlattenFigures(std::span<const TPoint> points, std::span<const uint8_t> types,
                      double tolerance, std::vector<PathFigure>& out) {
  size_t count = 0;
  // A figure of out taken for the next one, its storage kept.
  const auto next = [&](TaPoint2D start) -> PathFigure& {
    if (count == out.size()) out.emplace_back();
    PathFigure& f = out[count++];
    f.points.assign(1, start);
    f.closed = false;
    return f;
  };
  const size_t n = std::min(points.size(), types.size());
  auto asDouble = [](TPoint p) { return TaPoint2D{double(p.x), double(p.y)}; };
  TaPoint2D figureStart{};
  bool inFigure = false;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t kind = types[i] & ~kPtCloseFigure;
    if (kind == kPtMoveTo || !inFigure) {
      // A line or curve with no figure open continues from where the last one closed.
      figureStart = kind == kPtMoveTo || count == 0 ? asDouble(points[i]) : figureStart;
      PathFigure& f = next(figureStart);
      inFigure = true;
      if (kind == kPtMoveTo) {
        if (types[i] & kPtCloseFigure) {
          f.closed = true;
          inFigure = false;
        }
        continue;
      }
    }
    PathFigure& f = out[count - 1];
    size_t lastIndex = i;
    if (kind == kPtBezierTo) {
      if (i + 2 >= n) break;  // a cut-off piece
      FlattenBezier(f.points.back(), asDouble(points[i]), asDouble(points[i + 1]),
                    asDouble(points[i + 2]), tolerance, f.points);
      lastIndex = i + 2;
      i += 2;
    } else {
      f.points.push_back(asDouble(points[i]));
    }
    if (types[lastIndex] & kPtCloseFigure) {
      f.closed = true;
      inFigure = false;
    }
  }
  return count;
}

std::vector<PathFigure> FlattenFigures(std::span<const TPoint> points,
                                       std::span<const uint8_t> types, double tolerance) {
  std::vector<PathFigure> figures;
  figures.resize(FlattenFigures(points, types, tolerance, figures));
  return figures;
}

void PathRecorder::Begin(TPoint position) {
  points_.clear();
  types_.clear();
  open_ = true;
  closed_ = false;
  newStroke_ = true;
  pos_ = position;
}

bool PathRecorder::End() {
  if (!open_) return false;
  open_ = false;
  closed_ = true;
  return true;
}

void PathRecorder::Discard() {
  points_.clear();
  types_.clear();
  open_ = false;
  closed_ = false;
}

bool PathRecorder::Add(std::span<const TPoint> points, uint8_t type) {
  if (points.size() > kMaxPathPoints - points_.size()) return false;
  points_.insert(points_.end(), points.begin(), points.end());
  types_.insert(types_.end(), points.size(), type);
  return true;
}

// A PolyBezierTo continues the last figure only when it ends at the current position
// and was neither closed nor followed by a MoveTo; otherwise a move starts a new one.
bool PathRecorder::StartNewStroke() {
  if (!newStroke_ && !points_.empty() && !(types_.back() & kPtCloseFigure) &&
      points_.back() == pos_) {
    return true;
  }
  if (!Add(std::span(&pos_, 1), kPtMoveTo)) return false;
  newStroke_ = false;
  return true;
}

void PathRecorder::MoveTo(TPoint p) {
  if (!open_) return;
  pos_ = p;
  newStroke_ = true;
}

bool PathRecorder::Polyline(std::span<const TPoint> points) {
  if (!open_ || points.size() < 2 || !Add(points, kPtLineTo)) return false;
  types_[types_.size() - points.size()] = kPtMoveTo;
  return true;
}

bool PathRecorder::PolyBezier(std::span<const TPoint> points) {
  if (!open_ || points.size() < 4 || points.size() % 3 != 1) return false;
  if (!Add(points, kPtBezierTo)) return false;
  types_[types_.size() - points.size()] = kPtMoveTo;
  return true;
}

bool PathRecorder::PolyBezierTo(std::span<const TPoint> points) {
  if (!open_ || points.empty() || points.size() % 3 != 0) return false;
  if (points.size() >= kMaxPathPoints - points_.size()) return false;
  if (!StartNewStroke() || !Add(points, kPtBezierTo)) return false;
  pos_ = points.back();
  return true;
}

bool PathRecorder::Polygon(std::span<const TPoint> points) {
  if (!open_ || points.size() < 2 || !Add(points, kPtLineTo)) return false;
  types_[types_.size() - points.size()] = kPtMoveTo;
  types_.back() |= kPtCloseFigure;
  return true;
}

bool PathRecorder::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!open_) return false;
  const std::vector<TPoint> outline = TraceEllipse(left, top, right, bottom);
  if (outline.empty()) return true;  // GDI accepts an empty box and adds nothing
  if (!PolyBezier(outline)) return false;
  types_.back() |= kPtCloseFigure;
  return true;
}

bool PathRecorder::Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                       TPoint end) {
  if (!open_) return false;
  const std::vector<TPoint> outline = TraceArc(left, top, right, bottom, start, end);
  return outline.empty() || PolyBezier(outline);
}

bool PathRecorder::AddFigures(std::span<const TPoint> points, std::span<const uint8_t> types) {
  if (!open_ || points.size() != types.size()) return false;
  if (points.empty()) return true;
  if (types[0] != kPtMoveTo || points.size() > kMaxPathPoints - points_.size()) return false;
  points_.insert(points_.end(), points.begin(), points.end());
  types_.insert(types_.end(), types.begin(), types.end());
  newStroke_ = true;
  return true;
}

bool PathRecorder::Flatten() {
  if (!closed_) return false;
  std::vector<TPoint> points;
  std::vector<uint8_t> types;
  points.reserve(points_.size());
  types.reserve(types_.size());
  std::vector<TaPoint2D> curve;
  for (size_t i = 0; i < points_.size(); ++i) {
    if ((types_[i] & ~kPtCloseFigure) != kPtBezierTo) {
      points.push_back(points_[i]);
      types.push_back(types_[i]);
      continue;
    }
    if (i == 0 || i + 2 >= points_.size()) return false;  // not a path this class made
    const TPoint from = points_[i - 1];
    const TPoint to = points_[i + 2];
    curve.clear();
    FlattenBezier({double(from.x), double(from.y)}, {double(points_[i].x), double(points_[i].y)},
                  {double(points_[i + 1].x), double(points_[i + 1].y)},
                  {double(to.x), double(to.y)}, kFlattenTolerance, curve);
    // Rounded points that repeat the previous one add nothing; the end point is kept
    // even for a curve that shrank to a point, so every piece still ends where it did.
    TPoint prev = from;
    const size_t pieceStart = points.size();
    for (size_t k = 0; k + 1 < curve.size(); ++k) {
      const TPoint p{RoundToPixel(curve[k].x), RoundToPixel(curve[k].y)};
      if (p == prev) continue;
      points.push_back(p);
      types.push_back(kPtLineTo);
      prev = p;
    }
    if (points.size() > pieceStart && points.back() == to) {
      points.pop_back();
      types.pop_back();
    }
    points.push_back(to);
    types.push_back(static_cast<uint8_t>(kPtLineTo | (types_[i + 2] & kPtCloseFigure)));
    if (points.size() > kMaxPathPoints) return false;
    i += 2;
  }
  points_ = std::move(points);
  types_ = std::move(types);
  return true;
}

}  // namespace kestril
