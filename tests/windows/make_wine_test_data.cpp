// Writes the drawings the Wine host reads: made by the test writer, so that their
// pixels are known (no entities, only the background) whatever drawing learns later.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/jww_writer.h"

namespace {

using namespace kestril;
using namespace kestril::testing;

bool Write(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<uint8_t> Junk(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestril_wine_test_data OUTDIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);

  TJwwHeader h = TestHeader(700);
  h.PenColor[0] = 0x336699;
  ArchiveWriter none(700);
  none.End();
  const std::vector<uint8_t> emptyJww = BuildJww(h, none);
  const std::vector<uint8_t> emptyJws = BuildJws(none);

  ArchiveWriter line(700);
  line.Line(Line({0, 0}, {100, 50}));
  line.End();

  std::vector<uint8_t> embedded = Junk(300);
  embedded.insert(embedded.end(), emptyJww.begin(), emptyJww.end());
  std::vector<uint8_t> shortJww(156, 0);
  std::copy_n("JwwData.", 8, shortJww.begin());

  bool ok = Write(dir / "empty.jww", emptyJww) && Write(dir / "empty.jws", emptyJws) &&
            Write(dir / "line.jws", BuildJws(line)) && Write(dir / "line.bin", BuildBare(line)) &&
            Write(dir / "embedded.bin", embedded) && Write(dir / "short.jww", shortJww) &&
            Write(dir / "junk.jww", Junk(5000));
  // One file per fixture for the picture comparison; the plug-in goes by the content.
  std::filesystem::create_directories(dir / "fixtures");
  for (const Fixture& f : Fixtures())
    ok = ok && Write(dir / "fixtures" / (f.name + ".bin"), f.bytes);
  if (!ok) std::fprintf(stderr, "kestril_wine_test_data: cannot write to %s\n", argv[1]);
  return ok ? 0 : 1;
}
