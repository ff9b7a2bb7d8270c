#include "graphics/canvas/gdi_raster_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#ifndef __SIZEOF_INT128__
#error "the one-pixel line walk needs 128-bit integers for int32 end points"
#endif

namespace kestril {
namespace {

using Wide = __int128;

Wide FloorDiv(Wide a, Wide b) {  // b > 0
  Wide q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

Wide CeilDiv(Wide a, Wide b) {
  return -FloorDiv(-a, b);
}

// The first k in [lo, hi] for which the monotone `pred` holds, or hi + 1.
template <typename Pred>
int64_t FirstTrue(int64_t lo, int64_t hi, Pred pred) {
  while (lo <= hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (pred(mid)) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// The pixels of the ellipse inscribed in the inclusive pixel box x0..x1, y0..y1, by
// Alois Zingl's integer walk: the kind of outline GDI lights for a cosmetic Ellipse or
// Arc, rather than the flattened Bezier outline of a path.
template <typename Plot>
void WalkEllipse(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Plot plot) {
  int64_t a = x1 - x0, b = y1 - y0;
  const int64_t b1 = b & 1;
  int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
  int64_t err = dx + dy + b1 * a * a;
  y0 += (b + 1) / 2;
  y1 = y0 - b1;
  const int64_t a8 = 8 * a * a, b8 = 8 * b * b;
  do {
    plot(x1, y0);
    plot(x0, y0);
    plot(x0, y1);
    plot(x1, y1);
    const int64_t e2 = 2 * err;
    if (e2 <= dy) {
      ++y0;
      --y1;
      err += dy += a8;
    }
    if (e2 >= dx || 2 * err > dy) {
      ++x0;
      --x1;
      err += dx += b8;
    }
  } while (x0 <= x1);
  while (y0 - y1 < b) {  // the tips of very flat ellipses
    plot(x0 - 1, y0);
    plot(x1 + 1, y0++);
    plot(x0 - 1, y1);
    plot(x1 + 1, y1--);
  }
}

// Steps kLo..kHi of a line along its major axis u, with an exact remainder: c is the
// minor offset round(dv k / n) (ties down) of step k, r = c 2n - (2 dv k - n), in [0, 2n).
void WalkSteps(int64_t u0, int64_t v0, int64_t su, int64_t dv, int64_t n, int64_t kLo, int64_t kHi,
               int64_t c, int64_t r, bool xMajor, PixelWriter& out) {
  const int64_t den = 2 * n;
  for (int64_t k = kLo; k <= kHi; ++k) {
    const int64_t u = u0 + su * k, v = v0 + c;
    out.Plot(xMajor ? u : v, xMajor ? v : u);
    r -= 2 * dv;
    if (r < 0) {
      ++c;
      r += den;
    } else if (r >= den) {
      --c;
      r -= den;
    }
  }
}

}  // namespace

void WalkThinSegment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, PixelWriter& out) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  const bool xMajor = std::llabs(dx) > std::llabs(dy);
  const int64_t u0 = xMajor ? x0 : y0, v0 = xMajor ? y0 : x0;
  const int64_t du = xMajor ? dx : dy, dv = xMajor ? dy : dx;
  // The pixels held: columns 0 .. width - 1, rows FirstRow() .. EndRow() - 1.
  const int64_t uMin = xMajor ? 0 : out.FirstRow(), uMax = xMajor ? out.Width() : out.EndRow();
  const int64_t vMin = xMajor ? out.FirstRow() : 0, vMax = xMajor ? out.EndRow() : out.Width();
  const int64_t n = std::llabs(du);
  const int64_t su = du > 0 ? 1 : -1;

  // Most segments lie wholly inside the pixels held: every step is walked from the start.
  if (x0 >= 0 && x1 >= 0 && y0 >= out.FirstRow() && y1 >= out.FirstRow() && x0 < out.Width() &&
      x1 < out.Width() && y0 < out.EndRow() && y1 < out.EndRow()) {
    WalkSteps(u0, v0, su, dv, n, 0, n - 1, 0, n, xMajor, out);
    return;
  }

  int64_t kLo = 0, kHi = n - 1;
  if (su > 0) {
    kLo = std::max(kLo, uMin - u0);
    kHi = std::min(kHi, uMax - 1 - u0);
  } else {
    kLo = std::max(kLo, u0 - (uMax - 1));
    kHi = std::min(kHi, u0 - uMin);
  }
  if (kLo > kHi) return;

  // Minor offset at step k: round(dv * k / n), ties down, = ceil((2 dv k - n) / 2n).
  const int64_t den = 2 * n;
  auto offset = [&](int64_t k) { return CeilDiv(Wide{2} * dv * k - n, den); };
  if (dv >= 0) {
    kLo = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) >= vMin; });
    kHi = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) > vMax - 1; }) - 1;
  } else {
    kLo = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) <= vMax - 1; });
    kHi = FirstTrue(kLo, kHi, [&](int64_t k) { return v0 + offset(k) < vMin; }) - 1;
  }
  if (kLo > kHi) return;

  const Wide num = Wide{2} * dv * kLo - n;
  const int64_t c = static_cast<int64_t>(CeilDiv(num, den));
  WalkSteps(u0, v0, su, dv, n, kLo, kHi, c, static_cast<int64_t>(Wide{c} * den - num), xMajor, out);
}

void WalkThinFigures(std::span<const PathFigure> figures, PixelWriter& out) {
  auto at = [](TaPoint2D p) { return std::pair{int64_t(p.x), int64_t(p.y)}; };
  for (const PathFigure& f : figures) {
    const size_t n = f.points.size();
    for (size_t i = 0; i + 1 < n; ++i) {
      const auto [x0, y0] = at(f.points[i]);
      const auto [x1, y1] = at(f.points[i + 1]);
      WalkThinSegment(x0, y0, x1, y1, out);
    }
    if (f.closed && n >= 2) {
      const auto [x0, y0] = at(f.points[n - 1]);
      const auto [x1, y1] = at(f.points[0]);
      WalkThinSegment(x0, y0, x1, y1, out);
    }
  }
}

void FillWalkedEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom, PixelWriter& out) {
  if (left == right || top == bottom || out.Empty()) return;
  const int64_t x0 = std::min(left, right), x1 = int64_t{std::max(left, right)} - 1;
  const int64_t y0 = std::min(top, bottom), y1 = int64_t{std::max(top, bottom)} - 1;
  // The leftmost and rightmost outline pixel of each row; on the stack for small dots.
  const size_t height = static_cast<size_t>(y1 - y0 + 1);
  std::array<std::pair<int64_t, int64_t>, 64> few;
  std::vector<std::pair<int64_t, int64_t>> many;
  if (height > few.size()) many.resize(height);
  const std::span<std::pair<int64_t, int64_t>> rows =
      height > few.size() ? std::span(many) : std::span(few).first(height);
  std::fill(rows.begin(), rows.end(), std::pair{INT64_MAX, INT64_MIN});
  WalkEllipse(x0, y0, x1, y1, [&](int64_t x, int64_t y) {
    if (y < y0 || y > y1) return;
    auto& [from, to] = rows[static_cast<size_t>(y - y0)];
    from = std::min(from, x);
    to = std::max(to, x);
  });
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].first <= rows[i].second) {
      out.Span(rows[i].first, rows[i].second, y0 + static_cast<int64_t>(i));
    }
  }
}

void WalkArc(int32_t left, int32_t top, int32_t right, int32_t bottom, const TPoint* rays,
             PixelWriter& out) {
  if (left == right || top == bottom || out.Empty()) return;
  // Right and bottom edges are outside the figure, as for every GDI box.
  const int64_t x0 = std::min(left, right), x1 = int64_t{std::max(left, right)} - 1;
  const int64_t y0 = std::min(top, bottom), y1 = int64_t{std::max(top, bottom)} - 1;
  const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
  // Angles counter-clockwise on the screen (y up); a pixel is on the arc when its
  // direction from the centre lies between the start and the end ray.
  auto angle = [&](double x, double y) { return std::atan2(cy - y, x - cx); };
  double from = 0, sweep = kTwoPi;
  if (rays) {
    from = angle(rays[0].x, rays[0].y);
    sweep = std::remainder(angle(rays[1].x, rays[1].y) - from, kTwoPi);
    if (sweep <= 0) sweep += kTwoPi;
  }
  WalkEllipse(x0, y0, x1, y1, [&](int64_t x, int64_t y) {
    if (rays) {
      double d = std::remainder(angle(double(x), double(y)) - from, kTwoPi);
      if (d < 0) d += kTwoPi;
      if (d > sweep) return;
    }
    out.Plot(x, y);
  });
}

void WideLineRunPieces(std::span<const TaPoint2D> clipped, bool closed, int32_t width, PenCap cap,
                       WideLinePieces& out) {
  const int64_t half = width / 2;
  auto quad = [&](std::array<TaPoint2D, 4> c) {
    double area = 0;
    for (size_t i = 0; i < 4; ++i) {
      area += c[i].x * c[(i + 1) % 4].y - c[(i + 1) % 4].x * c[i].y;
    }
    if (area < 0) std::reverse(c.begin(), c.end());
    out.Quad(c);
  };
  auto rect = [&](double l, double t, double rr, double b) {
    quad({TaPoint2D{l, t}, {rr, t}, {rr, b}, {l, b}});
  };
  auto disc = [&](TaPoint2D p) {
    out.Disc({p.x - double(half) + width / 2.0, p.y - double(half) + width / 2.0}, width / 2.0);
  };
  auto round = [](double v) { return std::floor(v + 0.5); };
  auto segment = [&](TaPoint2D a, TaPoint2D b, bool squareA, bool squareB) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0) return;
    if (dy == 0 || dx == 0) {
      // Axis-parallel bands are plain rectangles of the pen's width, right and bottom
      // edges outside; square caps reach half a width past the ends.
      const bool horizontal = dy == 0;
      double lo = horizontal ? a.x : a.y, hi = horizontal ? b.x : b.y;
      bool capLo = squareA, capHi = squareB;
      if (lo > hi) {
        std::swap(lo, hi);
        std::swap(capLo, capHi);
      }
      if (capLo) lo -= double(half);
      if (capHi) hi += double(half);
      const double across = (horizontal ? a.y : a.x) - double(half);
      if (horizontal) {
        rect(lo, across, hi, across + width);
      } else {
        rect(across, lo, across + width, hi);
      }
      return;
    }
    const double len = std::hypot(dx, dy);
    if (squareA || squareB) {
      const double ex = round(dx / len * double(half)), ey = round(dy / len * double(half));
      if (squareA) a = {a.x - ex, a.y - ey};
      if (squareB) b = {b.x + ex, b.y + ey};
    }
    const double wx = width * std::fabs(dy) / len, wy = width * std::fabs(dx) / len;
    TaPoint2D narrow{round(wx / 2), round(wy / 2)};
    TaPoint2D wide{round((wx + 1) / 2), round((wy + 1) / 2)};
    if (dx < 0) {
      wide.y = -wide.y;
      narrow.y = -narrow.y;
    }
    if (dy < 0) {
      std::swap(narrow, wide);
      narrow.x = -narrow.x;
      wide.x = -wide.x;
    }
    // Corners are whole pixels; the polygon fill samples pixel centres, +0.5 in Cairo.
    quad({TaPoint2D{a.x + wide.x + 0.5, a.y - wide.y + 0.5},
          {a.x - narrow.x + 0.5, a.y + narrow.y + 0.5},
          {b.x - narrow.x + 0.5, b.y + narrow.y + 0.5},
          {b.x + wide.x + 0.5, b.y - wide.y + 0.5}});
  };
  std::vector<TaPoint2D> run(clipped.begin(), clipped.end());
  for (TaPoint2D& p : run) p = {round(p.x), round(p.y)};  // clipped ends fall between
  if (closed) run.push_back(run.front());
  const size_t n = run.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    segment(run[i], run[i + 1], !closed && i == 0 && cap == PenCap::Square,
            !closed && i + 2 == n && cap == PenCap::Square);
  }
  for (size_t i = closed ? 0 : 1; i + 1 < n; ++i) disc(run[i]);  // round joins
  if (!closed && cap == PenCap::Round) {
    disc(run.front());
    disc(run.back());
  }
}

}  // namespace kestril
