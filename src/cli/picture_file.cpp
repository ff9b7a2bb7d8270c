#include "cli/picture_file.h"

#include <cctype>

#include "base/errors.h"
#include "graphics/image/png_file.h"

namespace kestril::cli {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool FormatOfPath(const std::string& path, PictureFormat& format) {
  const std::string lower = Lower(path);
  if (lower.ends_with(".png")) {
    format = PictureFormat::Png;
    return true;
  }
  if (lower.ends_with(".bmp")) {
    format = PictureFormat::Bmp;
    return true;
  }
  return false;
}

void WritePngFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows) {
  CheckBmpRows(header, rows);
  if (header.width == 0 || header.height == 0) {
    throw Error("an empty picture (" + std::to_string(header.width) + " x " +
                std::to_string(header.height) + ") cannot be written as PNG");
  }
  WritePngFromBmpRows(path, rows.data(), header.width, header.height,
                      static_cast<size_t>(BmpStride(header.width, 24)));
}

}  // namespace kestril::cli
