// Arcs and texts are visited in their places; their figures come with the curve and
// text drawing.
#include "render/entity_draw.h"

namespace kestril {

void Draw(RenderContext&, const FDataEnko&) {}
void Draw(RenderContext&, const FDataMoji&) {}

}  // namespace kestril
