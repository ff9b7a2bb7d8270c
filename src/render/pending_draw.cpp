// Arcs are visited in their places; their figures come with the curve drawing.
#include "render/entity_draw.h"

namespace kestril {

void Draw(RenderContext&, const FDataEnko&) {}

}  // namespace kestril
