// Turns the BMP files the Wine hosts write (24-bit, bottom-up) into PNG files.
//   kestril_bmp_to_png IN.bmp OUT.png [IN.bmp OUT.png...]
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/image/png_file.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

bool Convert(const std::string& in, const std::string& out) {
  std::ifstream file(in, std::ios::binary);
  const std::vector<uint8_t> b((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || b[28] != 24) return false;
  const auto width = static_cast<int32_t>(U32(b, 18));
  const auto height = static_cast<int32_t>(U32(b, 22));
  const size_t offset = U32(b, 10);
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
  if (offset > b.size() || b.size() - offset < stride * static_cast<size_t>(height)) return false;
  kestril::WritePngFromBmpRows(out, b.data() + offset, width, height, stride);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: kestril_bmp_to_png IN.bmp OUT.png [IN.bmp OUT.png...]\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    try {
      if (!Convert(argv[i], argv[i + 1])) {
        std::fprintf(stderr, "kestril_bmp_to_png: %s is not a 24-bit BMP file\n", argv[i]);
        status = 1;
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kestril_bmp_to_png: %s\n", e.what());
      status = 1;
    }
  }
  return status;
}
