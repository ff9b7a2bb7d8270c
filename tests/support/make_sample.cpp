// Writes test drawings:
//   make_sample OUT.jww               the bundled sample drawing
//   make_sample --lines N OUT.jws     N short lines (for speed and memory measurements)
//   make_sample --unicode IN OUT      IN with every string in the Unicode form
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>

#include "support/jww_writer.h"
#include "support/sample_drawing.h"

namespace {}  // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> bytes;
  const char* out = nullptr;
  if (argc == 2) {
    bytes = kestril::testing::SampleDrawing();
    out = argv[1];
  } else if (argc == 4 && std::string_view(argv[1]) == "--lines") {
    bytes = kestril::testing::ManyLines(std::strtol(argv[2], nullptr, 10));
    out = argv[3];
  } else if (argc == 4 && std::string_view(argv[1]) == "--unicode") {
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
      std::perror(argv[2]);
      return 1;
    }
    bytes = kestril::testing::WithUnicodeStrings(
        std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    out = argv[3];
  } else {
    std::fprintf(stderr, "usage: %s OUT.jww | --lines N OUT.jws | --unicode IN OUT\n", argv[0]);
    return 2;
  }
  std::FILE* f = std::fopen(out, "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(out);
    return 1;
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
