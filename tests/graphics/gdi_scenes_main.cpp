// Windows program (run under Wine by the tests): draws every canvas scene through the
// GDI canvas and writes its BMP rows to <dir>/<scene>.bgr.
#include <cstdio>
#include <string>
#include <vector>

#include "canvas_scenes.h"
#include "graphics/canvas/gdi_canvas.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gdi_scenes DIR\n");
    return 2;
  }
  for (const kestril::test::CanvasScene& scene : kestril::test::CanvasScenes()) {
    kestril::GdiCanvas canvas(scene.width, scene.height);
    scene.draw(canvas);
    const size_t stride = (size_t(scene.width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> rows(stride * size_t(scene.height));
    canvas.CopyBmpRows(rows, stride);
    const std::string path = std::string(argv[1]) + "/" + scene.name + ".bgr";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(rows.data(), 1, rows.size(), f) != rows.size()) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::fclose(f);
  }
  return 0;
}
