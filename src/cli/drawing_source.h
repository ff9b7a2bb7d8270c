// What the commands share about the drawing files they read.
#pragma once

#include <string>

#include "document/document.h"
#include "document/reader.h"

namespace kestril::cli {

// The reader's environment for a drawing read from this file: the file's own title,
// full path and time name the drawing.
ReaderEnvironment SourceEnvironment(const std::string& path);

// The bundled sample drawing: share/kestril/sample.jww beside the installed program
// (bin/../share/kestril), else the source tree's copy the program was built from.
std::string BundledSample();

}  // namespace kestril::cli
