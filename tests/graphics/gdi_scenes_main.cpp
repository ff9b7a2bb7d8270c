// Windows program (run under Wine by the tests): draws every canvas scene through the
// GDI canvas and writes its BMP rows to <dir>/<scene>.bgr, writes what GetPath answers
// for every path scene to <dir>/<scene>.path ("x y type" lines), and reports on
// <dir>/checks.txt how the GDI canvas treats sizes it cannot make. Given a folder of
// images, it also decodes each through the Windows decoders into <dir>/<image>.decoded
// ("width height" and a line feed, then the top-down rows), or "refused: " and the
// reason when the decoder refused it, and draws the image references of
// DrawTextImages into <dir>/text_images.bgr.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "canvas_scenes.h"
#include "graphics/canvas/gdi_canvas.h"
#include "graphics/image/bmp_layout.h"
#include "graphics/image/image_decoder.h"

namespace {

using kestril::GdiCanvas;

bool WriteFile(const std::string& path, const void* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

template <typename F>
const char* Outcome(F make) {
  try {
    make();
    return "made";
  } catch (const kestril::EOutOfResources&) {
    return "out-of-resources";
  } catch (...) {
    return "other-error";
  }
}

bool DecodeImages(const std::string& images, const std::string& dir) {
  namespace fs = std::filesystem;
  for (const fs::directory_entry& entry : fs::directory_iterator(images)) {
    const std::string name = entry.path().filename().string();
    const auto format = kestril::ImageFormatOf(name);
    if (!format) continue;
    std::vector<uint8_t> bytes(static_cast<size_t>(entry.file_size()));
    std::FILE* f = std::fopen(entry.path().string().c_str(), "rb");
    if (!f) return false;
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (got != bytes.size()) return false;
    std::string out;
    try {
      const kestril::DecodedImage image = kestril::DecodeImage(*format, bytes);
      out = std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
      out.append(image.bgr.begin(), image.bgr.end());
    } catch (const kestril::Error& e) {
      out = std::string("refused: ") + e.what();
    }
    if (!WriteFile(dir + "/" + name + ".decoded", out.data(), out.size())) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: gdi_scenes DIR [IMAGES]\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (argc == 3) {
    if (!DecodeImages(argv[2], dir)) return 1;
    namespace fs = std::filesystem;
    fs::copy_file(fs::path(argv[2]) / "pic.png", fs::path(dir) / L"\u8868.png",
                  fs::copy_options::overwrite_existing);
    GdiCanvas canvas(kestril::test::kTextImagesWidth, kestril::test::kTextImagesHeight);
    kestril::test::DrawTextImages(canvas, argv[2], dir);
    const size_t stride = (size_t(canvas.Width()) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> rows(stride * size_t(canvas.Height()));
    canvas.CopyBmpRows(rows, stride);
    if (!WriteFile(dir + "/text_images.bgr", rows.data(), rows.size())) return 1;
  }
  for (const kestril::test::CanvasScene& scene : kestril::test::CanvasScenes()) {
    GdiCanvas canvas(scene.width, scene.height);
    scene.draw(canvas);
    const size_t stride = static_cast<size_t>(kestril::BmpStride(scene.width));
    std::vector<uint8_t> rows(stride * size_t(scene.height));
    canvas.CopyBmpRows(rows, stride);
    if (!WriteFile(dir + "/" + scene.name + ".bgr", rows.data(), rows.size())) return 1;
  }
  for (const kestril::test::PathScene& scene : kestril::test::PathScenes()) {
    GdiCanvas canvas(16, 16);
    scene.trace(canvas);
    if (scene.flatten) canvas.FlattenPath();
    std::vector<kestril::TPoint> points;
    std::vector<uint8_t> types;
    canvas.GetPath(points, types);
    std::string text;
    for (size_t i = 0; i < points.size(); ++i) {
      text += std::to_string(points[i].x) + " " + std::to_string(points[i].y) + " " +
              std::to_string(types[i]) + "\n";
    }
    if (!WriteFile(dir + "/" + scene.name + ".path", text.data(), text.size())) return 1;
  }
  std::string checks;
  checks += std::string("negative ") + Outcome([] { GdiCanvas c(-1, 5); }) + "\n";
  checks += std::string("huge ") + Outcome([] { GdiCanvas c(1 << 16, 1 << 16); }) + "\n";
  checks += std::string("zero ") + Outcome([] {
              GdiCanvas c(0, 7);
              std::vector<uint8_t> none(4, 0x5A);
              c.CopyBmpRows(none, 0);
              if (none != std::vector<uint8_t>(4, 0x5A)) throw 1;
            }) +
            "\n";
  return WriteFile(dir + "/checks.txt", checks.data(), checks.size()) ? 0 : 1;
}
