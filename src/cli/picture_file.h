// Writing a picture the plug-in delivered (its BITMAPINFOHEADER and BMP pixel rows)
// to a file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "plugin/in_spi_body.h"

namespace kestril::cli {

enum class PictureFormat { Png, Bmp };

// The format named by a file's extension (.png or .bmp, any case); false otherwise.
bool FormatOfPath(const std::string& path, PictureFormat& format);

// Raise Error with the reason when the file cannot be written. The rows are those of
// the header: 24-bit, bottom-up, padded to four bytes.
void WriteBmpFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows);
void WritePngFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows);

}  // namespace kestril::cli
