// The bundled sample drawing: a small plan that uses every kind of entity.
#pragma once

#include <cstdint>
#include <vector>

namespace kestril::testing {

std::vector<uint8_t> SampleDrawing();

}  // namespace kestril::testing
