// Writes test drawings:
//   make_sample OUT.jww               the bundled sample drawing
//   make_sample --lines N OUT.jws     N short lines (for speed and memory measurements)
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "support/jww_writer.h"
#include "support/sample_drawing.h"

namespace {

std::vector<uint8_t> ManyLines(long n) {
  using namespace kestril::testing;
  ArchiveWriter a(700);
  for (long i = 0; i < n; ++i) {
    const double x = static_cast<double>(i % 1000);
    const double y = static_cast<double>(i / 1000);
    a.Line(Line({x, y}, {x + 0.5, y + 0.5}, Attr(static_cast<uint16_t>(1 + i % 8))));
  }
  a.End();
  return BuildJws(a);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> bytes;
  const char* out = nullptr;
  if (argc == 2) {
    bytes = kestril::testing::SampleDrawing();
    out = argv[1];
  } else if (argc == 4 && std::string_view(argv[1]) == "--lines") {
    bytes = ManyLines(std::strtol(argv[2], nullptr, 10));
    out = argv[3];
  } else {
    std::fprintf(stderr, "usage: %s OUT.jww | --lines N OUT.jws\n", argv[0]);
    return 2;
  }
  std::FILE* f = std::fopen(out, "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(out);
    return 1;
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
