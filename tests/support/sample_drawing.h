// The bundled sample drawing: a small plan that uses every kind of entity.
#pragma once

#include <cstdint>
#include <vector>

namespace kestril::testing {

std::vector<uint8_t> SampleDrawing();

// JWS data of n short lines in the eight line colours, for speed and memory figures.
std::vector<uint8_t> ManyLines(int64_t n);

}  // namespace kestril::testing
