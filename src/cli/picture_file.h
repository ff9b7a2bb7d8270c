// Writing the picture the plug-in's body draws to a PNG or BMP file, one band of rows
// at a time when the picture is large, so memory stays near one band whatever the
// picture's size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plugin/jww_spi_body.h"

namespace kestril::cli {

enum class PictureFormat { Png, Bmp };

// The format named by a file's extension (.png or .bmp, any case); false otherwise.
bool FormatOfPath(const std::string& path, PictureFormat& format);

// Rows per band for pictures of this width: as many as about 64 MB of canvas holds.
int32_t BandRowsFor(int32_t width);

struct PictureJob {
  bool preview = false;
  int32_t bandRows = 0;  // 0: BandRowsFor the picture's width
  // Rows written so far and in all; called after each band.
  std::function<void(int64_t done, int64_t total)> progress;
};

// Draws the picture (or preview) of the data the body read last and writes it. Raises
// Error with the reason when it cannot be drawn or written; an empty picture can be
// written as BMP (a header alone) but not as PNG.
void WritePicture(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                  const PictureJob& job);

}  // namespace kestril::cli
