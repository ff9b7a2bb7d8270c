// The draw of each entity class: decides whether and how the entity is drawn and
// hands device work to the drawing engine.
#pragma once

#include "document/records.h"
#include "render/render_context.h"

namespace kestril {

void Draw(RenderContext& ctx, const FDataSen& r);
void Draw(RenderContext& ctx, const FDataEnko& r);
void Draw(RenderContext& ctx, const FDataTen& r);
void Draw(RenderContext& ctx, const FDataMoji& r);
void Draw(RenderContext& ctx, const FDataSunpou& r);
void Draw(RenderContext& ctx, const FDataSolid& r);
// Draws the members of the definition the insert names, placed by the insert.
void Draw(RenderContext& ctx, const FDataBlock& r);

}  // namespace kestril
