// A picture made by the plug-in's own body and procedure, in process, for comparing
// with reference pictures and with what the Windows build makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/stream.h"
#include "graphics/image/bmp_layout.h"
#include "plugin/plugin_settings.h"

namespace kestril::testing {

// The picture GetPicture would deliver for the data (empty when it is not read).
BmpImage PictureOf(Stream& stream, const PluginSettings& settings = {});

}  // namespace kestril::testing
