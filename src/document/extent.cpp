#include "document/extent.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "base/decimal.h"

namespace kestril {
namespace {

void Add(Document& doc, const BlockPlacement& at, const TaPoint2D& p) {
  doc.DrawingExtent.Add(at.Place(p));
}

TaPoint2D ArcPoint(const TaPoint2D& c, double r, double g, double t, double a) {
  TaPoint2D p{c.x + r * std::cos(a), c.y + g * std::sin(a)};
  RotateAboutPoint(c, p, -t);
  return p;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool ParseDecimal(std::string_view field, double& out) {
  field = Trim(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  return ReadFiniteDouble(field, out);
}

}  // namespace

bool IsSettingsText(const FDataMoji& r) {
  return std::fabs(r.end.x - r.start.x) < 1e-7 && std::fabs(r.end.y - r.start.y) < 1e-7;
}

bool IsImageReference(const Document& doc, const FDataMoji& r) {
  return doc.Text(r.text).StartsWithAscii("^@BM");
}

bool ImageReferenceSize(std::string_view text, double& w, double& h) {
  std::vector<std::string_view> fields;
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    fields.push_back(text.substr(from, comma == std::string_view::npos ? comma : comma - from));
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  if (fields.size() == 3) return ParseDecimal(fields[1], w) && ParseDecimal(fields[2], h);
  if (!ParseDecimal(fields.back(), w)) return false;
  h = w;
  return true;
}

ArcExtentPoints ArcPoints(const TaPoint2D& c, int32_t kind, double r, double start, double sweep,
                          double tilt, double f) {
  ArcExtentPoints out;
  if (kind == 100) kind = 1;
  const double g = f != 0 ? f * r : r;
  if (kind == 1 && tilt == 0) {
    for (double sy : {-1.0, 1.0}) {
      for (double sx : {-1.0, 1.0}) out.Add({c.x + sx * r, c.y + sy * f * r});
    }
    return out;
  }
  if (kind == 1 && f != 1) {
    // The box of the tilted ellipse: half-widths from the turned semi-axes.
    const double ct = std::cos(tilt), st = std::sin(tilt);
    const double hx = std::sqrt(r * r * ct * ct + g * g * st * st);
    const double hy = std::sqrt(r * r * st * st + g * g * ct * ct);
    for (double sy : {-1.0, 1.0}) {
      for (double sx : {-1.0, 1.0}) out.Add({c.x + sx * hx, c.y + sy * hy});
    }
    return out;
  }
  double first = start;
  double second = start + sweep;
  if (sweep >= 0) {
    if (second > kPi) second -= kTwoPi;
  } else {
    if (second < -kPi) second += kTwoPi;
    std::swap(first, second);
  }
  constexpr double kStep = kPi / 20;
  const double span = std::fabs(sweep);
  // Beyond a full turn further steps only repeat angles already added.
  const double steps = std::isfinite(span) ? std::min(std::trunc(span / kStep), 41.0) : 0.0;
  const int n = static_cast<int>(steps);
  out.Add(ArcPoint(c, r, g, tilt, first));
  if (span >= kStep) {
    if (n == 1) {
      out.Add(ArcPoint(c, r, g, tilt, first + span / 2));
    } else {
      for (int i = 1; i <= n; ++i) {
        double a = first + i * kStep;
        if (a > kTwoPi) a -= kTwoPi;
        out.Add(ArcPoint(c, r, g, tilt, a));
      }
    }
  }
  out.Add(ArcPoint(c, r, g, tilt, second));
  if (kind == 5) out.Add(c);
  return out;
}

namespace {
void AddArcExtent(Document& doc, const BlockPlacement& at, const TaPoint2D& c, int32_t kind,
                  double r, double start, double sweep, double tilt, double f) {
  const ArcExtentPoints points = ArcPoints(c, kind, r, start, sweep, tilt, f);
  for (const TaPoint2D& p : points.View()) Add(doc, at, p);
}
}  // namespace

void AddExtent(Document& doc, const FDataSen& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  Add(doc, at, r.start);
  Add(doc, at, r.end);
}

void AddExtent(Document& doc, const FDataEnko& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  AddArcExtent(doc, at, r.center, static_cast<int32_t>(r.fullCircle), r.radius, r.startAngle,
               r.arcAngle, r.tiltAngle, r.flatness);
}

void AddExtent(Document& doc, const FDataTen& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  Add(doc, at, r.point);
}

namespace {
// A text baseline and the same baseline moved up by the text height.
void AddTextBody(Document& doc, const BlockPlacement& at, TaPoint2D s, TaPoint2D e, double height) {
  Add(doc, at, s);
  Add(doc, at, e);
  OffsetSegment(s, e, height);
  Add(doc, at, s);
  Add(doc, at, e);
}
}  // namespace

void AddExtent(Document& doc, const FDataMoji& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  if (IsImageReference(doc, r)) {
    Add(doc, at, r.start);
    double w = 0, h = 0;
    if (ImageReferenceSize(doc.Text(r.text).AsciiFields(), w, h)) {
      Add(doc, at, {r.start.x + w, r.start.y + h});
    }
    return;
  }
  if (IsSettingsText(r)) return;
  AddTextBody(doc, at, r.start, r.end, r.height);
}

void AddExtent(Document& doc, const FDataSunpou& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  Add(doc, at, r.line.start);
  Add(doc, at, r.line.end);
  AddTextBody(doc, at, r.text.start, r.text.end, r.text.height);
}

void AddExtent(Document& doc, const FDataSolid& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  if (r.attr.lineType >= 101) {
    AddArcExtent(doc, at, r.p1, RoundHalfEven(r.p4.y), r.p2.x, r.p3.y, r.p4.x, r.p3.x, r.p2.y);
    return;
  }
  for (const TaPoint2D& p : {r.p1, r.p2, r.p3, r.p4}) Add(doc, at, p);
}

void AddExtent(Document& doc, const FDataBlock& r, const BlockPlacement& at) {
  if (!IsVisible(doc, r.attr)) return;
  Add(doc, at, r.refPoint);
}

}  // namespace kestril
