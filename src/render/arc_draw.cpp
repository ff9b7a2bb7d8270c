// Arcs, circles and ellipses: traced into the canvas's path bracket by the engine,
// flattened there and stroked from a TPath with the line type's pattern.
#include <algorithm>
#include <vector>

#include "graphics/arcs.h"
#include "graphics/path.h"
#include "graphics/solids.h"
#include "render/arc_placement.h"
#include "render/dash_pattern.h"
#include "render/draw_cache.h"
#include "render/draw_rules.h"
#include "render/entity_draw.h"

namespace kestril {

namespace {

// Wider strokes show nothing more on any picture; the canvases stop at the same width.
constexpr uint32_t kMaxStrokeWidth = 1 << 16;

// A single dash longer than any figure: the pattern of a solid stroke.
const TDoubleDynArray kSolidStroke{1000000, 1};

int32_t StrokeWidth(const RenderContext& ctx, const FDataHeader& attr) {
  if (ctx.options.PreviewMode || attr.lineType >= 30 || attr.penColor >= 100) return 1;
  return static_cast<int32_t>(std::min(ctx.doc.Header.PenWidth[attr.penColor], kMaxStrokeWidth));
}

}  // namespace

void Draw(RenderContext& ctx, const FDataEnko& r) {
  if (HiddenAuxiliary(ctx, r.attr) || !IsVisible(ctx.doc, r.attr) || !InLineRange(r.attr)) return;
  const TJwwHeader& h = ctx.doc.Header;
  const uint8_t type = r.attr.lineType;
  const bool random = IsRandomLineType(type);

  ArcFigure stored{r.center, r.radius, r.startAngle, r.arcAngle, r.tiltAngle, r.flatness};
  if (!(stored.radius > 0)) stored.radius = 1.0;
  // A random arc takes a flatness of 0 for a circle.
  if (random && stored.flatness == 0) stored.flatness = 1;
  ArcFigure placed = PlaceArc(ctx.placement, stored);
  const bool circle = placed.tilt == 0 && placed.flatness == 1;
  const bool circleSolid = !random && !circle && r.fullCircle > 1;
  if (circleSolid) {
    // Its ends are directions, not parameter angles.
    double grown = 1;
    placed = PlaceCircleSolid(ctx.placement, stored, grown);
  }

  TStyleLineCanvas& style = ctx.cache.Style(ctx.canvas);
  style.LineType = type;
  const TDoubleDynArray& pattern = type == 1 || random ? kSolidStroke : ctx.cache.Pattern(type);
  style.Pattern.assign(pattern.begin(), pattern.end());
  style.Color = FinalColor(ctx, r.attr, PenColorOf(ctx, r.attr.penColor));
  const int32_t width = StrokeWidth(ctx, r.attr);
  style.Width = width;

  const uint8_t full = static_cast<uint8_t>(r.fullCircle);
  ctx.canvas.BeginPath();
  if (random) {
    DrawRandomArc(style, placed.centre, placed.radius, placed.start, placed.sweep, placed.flatness,
                  placed.tilt, ctx.cache.Shape(type), static_cast<int32_t>(h.RandomWidth[type]),
                  static_cast<int32_t>(h.LinePitch[type]), full, ctx.view);
  } else if (circle) {
    DrawCircleArc(style, placed.centre, full, placed.radius, placed.start, placed.sweep, ctx.view);
  } else if (!circleSolid) {
    DrawEllipseArc(style, placed.centre, full, placed.radius, placed.start, placed.sweep,
                   placed.flatness, placed.tilt, ctx.view);
  } else {
    DrawCircleSolid(style, placed.centre, kBrushSolid, placed.radius, placed.radius, placed.start,
                    placed.sweep, placed.flatness, placed.tilt, full, ctx.view);
  }
  ctx.canvas.EndPath();
  ctx.canvas.FlattenPath();

  TPath& path = ctx.cache.Path();
  path.GetFromCanvas(ctx.canvas);
  path.DrawStyled(ctx.canvas, style.Color, width, pattern, ctx.options.PreviewMode, true);
}

}  // namespace kestril
