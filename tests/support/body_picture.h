// A picture made by the plug-in's own body and procedure, in process, for comparing
// with reference pictures and with what the Windows build makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/stream.h"
#include "plugin/plugin_settings.h"

namespace kestril::testing {

// BMP pixel rows: blue, green, red; bottom row first; each row padded to stride.
struct BmpPicture {
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;
  std::vector<uint8_t> rows;
};

// The picture GetPicture would deliver for the data (empty when it is not read).
BmpPicture PictureOf(Stream& stream, const PluginSettings& settings = {});

}  // namespace kestril::testing
