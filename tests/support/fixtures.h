// Small drawings that exercise one feature each, for reference pictures and for
// comparing the Windows and native canvases.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace kestril::testing {

struct Fixture {
  std::string name;  // also the file name stem
  std::vector<uint8_t> bytes;
};

std::vector<Fixture> Fixtures();

// Test names show the fixture's name, not its bytes.
inline void PrintTo(const Fixture& f, std::ostream* os) {
  *os << f.name;
}

}  // namespace kestril::testing
