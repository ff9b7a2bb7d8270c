// Decimal numbers in text, read the way std::from_chars reads a double, also where the
// standard library has no floating-point from_chars (the WebAssembly build's).
#pragma once

#include <string_view>

namespace kestril {

// True when the whole of text is one finite number in from_chars' general format (no
// blanks, no '+', no hexadecimal); out then holds it.
bool ReadFiniteDouble(std::string_view text, double& out);

}  // namespace kestril
