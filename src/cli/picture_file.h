// Writing a picture the plug-in delivered (its BITMAPINFOHEADER and BMP pixel rows)
// to a file: PNG here, BMP through the BMP layout's WriteBmpFile.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "graphics/image/bmp_layout.h"

namespace kestril::cli {

enum class PictureFormat { Png, Bmp };

// The format named by a file's extension (.png or .bmp, any case); false otherwise.
bool FormatOfPath(const std::string& path, PictureFormat& format);

// Raises Error with the reason when the file cannot be written. The rows are those of
// the header: 24-bit, bottom-up, padded to four bytes.
void WritePngFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows);

}  // namespace kestril::cli
