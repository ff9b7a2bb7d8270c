// Writes the bundled sample drawing: make_sample OUT.jww
#include <cstdio>

#include "support/sample_drawing.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.jww\n", argv[0]);
    return 2;
  }
  const std::vector<uint8_t> bytes = kestril::testing::SampleDrawing();
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(argv[1]);
    return 1;
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
