// Solids and block inserts.
#include "graphics/solids.h"
#include "render/arc_placement.h"
#include "render/draw_rules.h"
#include "render/entity_draw.h"

namespace kestril {

void Draw(RenderContext& ctx, const FDataSolid& r) {
  if (HiddenAuxiliary(ctx, r.attr) || !IsVisible(ctx.doc, r.attr)) return;
  const Color base = r.attr.penColor == 10 ? r.rgb : PenColorOf(ctx, r.attr.penColor);
  TStyleLineCanvas style;
  style.Canvas = &ctx.canvas;
  style.Color = FinalColor(ctx, r.attr, base);
  if (r.attr.lineType > 100 && ctx.placement.InBlock) {
    // The corners of a circle solid carry its centre, radius, flatness, tilt, angles and
    // selector: only the centre is a point. The figure is placed as a whole and keeps the
    // kind its stored values choose.
    const ArcFigure stored{r.p1, r.p2.x, r.p3.y, r.p4.x, r.p3.x, r.p2.y};
    double grown = 1;
    const ArcFigure placed = PlaceCircleSolid(ctx.placement, stored, grown);
    const double inner = r.attr.lineType == 106 ? r.p4.y * grown : placed.radius;
    DrawCircleSolid(style, placed.centre, kBrushSolid, placed.radius, inner, placed.start,
                    placed.sweep, placed.flatness, placed.tilt,
                    SolidFigureKind(r.attr.lineType, r.p4.y, r.p3.y, r.p4.x), ctx.view);
    return;
  }
  const std::array<TaPoint2D, 4> corners = {ctx.placement.Place(r.p1), ctx.placement.Place(r.p2),
                                            ctx.placement.Place(r.p3), ctx.placement.Place(r.p4)};
  DrawSolid(style, corners, ctx.view, r.attr.penColor, r.attr.lineType);
}

namespace {

// Draws each member with its own draw, the placement of its insert in force.
struct MemberDrawer {
  RenderContext& ctx;

  void Member(const MemberRef& m, const BlockPlacement& at) {
    const EntityLists& l = ctx.doc.Members;
    ctx.placement = at;
    switch (m.cls) {
      case EntityClass::Line:
        Draw(ctx, l.Lines[m.index]);
        break;
      case EntityClass::Arc:
        Draw(ctx, l.Arcs[m.index]);
        break;
      case EntityClass::Text:
        Draw(ctx, l.Texts[m.index]);
        break;
      case EntityClass::Point:
        Draw(ctx, l.Points[m.index]);
        break;
      case EntityClass::Solid:
        Draw(ctx, l.Solids[m.index]);
        break;
      case EntityClass::Dimension:
        Draw(ctx, l.Dimensions[m.index]);
        break;
      case EntityClass::Block:
      case EntityClass::List:
        break;
    }
  }
  bool EnterInsert(const FDataBlock& insert, const BlockPlacement&) {
    return IsVisible(ctx.doc, insert.attr);
  }
};

}  // namespace

void Draw(RenderContext& ctx, const FDataBlock& r) {
  if (!IsVisible(ctx.doc, r.attr)) return;
  const BlockPlacement outer = ctx.placement;
  MemberDrawer drawer{ctx};
  ForEachPlacedMember(ctx.doc, r, outer, drawer, ctx.budget);
  ctx.placement = outer;
}

}  // namespace kestril
