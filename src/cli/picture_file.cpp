#include "cli/picture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "graphics/image/png_file.h"

namespace kestril::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void CheckRows(const BitmapInfoHeader& h, std::span<const uint8_t> rows) {
  const int64_t stride = DibStride(h.width, 24);
  if (h.bitCount != 24 || h.height < 0 || stride < 0 ||
      static_cast<uint64_t>(stride) * static_cast<uint64_t>(h.height) > rows.size()) {
    throw Error("the picture's rows do not match its header");
  }
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

void WriteBmpFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows) {
  CheckRows(header, rows);
  const size_t image =
      static_cast<size_t>(DibStride(header.width, 24)) * static_cast<size_t>(header.height);
  std::vector<uint8_t> head;
  head.reserve(54);
  PutU16(head, 0x4D42);  // "BM"
  PutU32(head, static_cast<uint32_t>(54 + image));
  PutU32(head, 0);
  PutU32(head, 54);
  head.resize(54);
  header.WriteTo(std::span<uint8_t>(head).subspan(14));
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
  if (!f) throw Error("cannot write " + path + ": " + std::strerror(errno));
  if (std::fwrite(head.data(), 1, head.size(), f.get()) != head.size() ||
      (image != 0 && std::fwrite(rows.data(), 1, image, f.get()) != image) ||
      std::fflush(f.get()) != 0) {
    throw Error("cannot write " + path + ": " + std::strerror(errno));
  }
  if (std::fclose(f.release()) != 0)
    throw Error("cannot write " + path + ": " + std::strerror(errno));
}

void WritePngFile(const std::string& path, const BitmapInfoHeader& header,
                  std::span<const uint8_t> rows) {
  CheckRows(header, rows);
  if (header.width == 0 || header.height == 0) {
    throw Error("an empty picture (" + std::to_string(header.width) + " x " +
                std::to_string(header.height) + ") cannot be written as PNG");
  }
  WritePngFromBmpRows(path, rows.data(), header.width, header.height,
                      static_cast<size_t>(DibStride(header.width, 24)));
}

}  // namespace kestril::cli
