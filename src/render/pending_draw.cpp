// Texts are visited in their places; their figures come with the text drawing.
#include "render/entity_draw.h"

namespace kestril {

void Draw(RenderContext&, const FDataMoji&) {}

}  // namespace kestril
