// Texts and dimension values: the rules that decide whether and in which colour a text
// is drawn, and where it lands inside a placed block.
#pragma once

#include "document/records.h"
#include "render/render_context.h"

namespace kestril {

// The value text of a dimension, in its printer colour; the dimension line is drawn
// with the lines.
void DrawDimensionValue(RenderContext& ctx, const FDataMoji& value);

}  // namespace kestril
