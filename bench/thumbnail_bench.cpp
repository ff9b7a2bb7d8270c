// A drawing's thumbnail at 256 through the gdk-pixbuf loader (bytes fed in pieces, the
// size chosen by the caller, as gdk-pixbuf-thumbnailer does) and through the code
// `kestril thumbnail` runs, without its process start and PNG writing.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#undef GDK_PIXBUF_ENABLE_BACKEND
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop/sized_picture.h"

namespace {

const std::string kDrawing = std::string(KESTRIL_TEST_DATA) + "/drawings/site-plan-v700.jww";

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void FitTo256(GdkPixbufLoader* loader, int width, int height, gpointer) {
  const kestril::PictureSize fit = kestril::FitSquare({width, height}, 256);
  gdk_pixbuf_loader_set_size(loader, fit.width, fit.height);
}

void BM_LoaderThumbnail256(benchmark::State& state) {
  const std::vector<uint8_t> bytes = ReadAll(kDrawing);
  for (auto _ : state) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("kestril", nullptr);
    if (loader == nullptr) {
      state.SkipWithError("the kestril loader is not in GDK_PIXBUF_MODULE_FILE's cache");
      return;
    }
    g_signal_connect(loader, "size-prepared", G_CALLBACK(FitTo256), nullptr);
    GError* error = nullptr;
    bool ok = true;
    for (size_t at = 0; ok && at < bytes.size(); at += 65536) {
      ok = gdk_pixbuf_loader_write(loader, bytes.data() + at,
                                   std::min<size_t>(65536, bytes.size() - at), &error);
    }
    ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
    GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    benchmark::DoNotOptimize(pixbuf);
    if (!ok || gdk_pixbuf_get_width(pixbuf) != 256) state.SkipWithError("the load failed");
    g_clear_error(&error);
    g_object_unref(loader);
  }
}
BENCHMARK(BM_LoaderThumbnail256)->Unit(benchmark::kMillisecond);

void BM_SizedPicture256(benchmark::State& state) {
  for (auto _ : state) {
    kestril::SizedPicture picture;
    const std::vector<uint8_t> bytes = ReadAll(kDrawing);
    kestril::MemoryStream stream = kestril::MemoryStream::View(bytes);
    picture.Read(stream, kDrawing);
    const kestril::PictureSize fit = kestril::FitSquare(picture.NaturalSize(picture.Kind()), 256);
    uint64_t sum = 0;
    picture.DrawRows(fit, [&](int32_t, const uint8_t* bgr) { sum += bgr[0]; });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SizedPicture256)->Unit(benchmark::kMillisecond);

}  // namespace

// The loader is found through a cache made for it alone, as the tests make it.
int main(int argc, char** argv) {
  const std::string cache =
      (std::filesystem::temp_directory_path() / "kestril-bench-loaders.cache").string();
  const std::string query =
      std::string("'") + KESTRIL_QUERY_LOADERS + "' '" + KESTRIL_LOADER + "' > '" + cache + "'";
  if (std::system(query.c_str()) != 0) std::fprintf(stderr, "cannot make %s\n", cache.c_str());
  ::setenv("GDK_PIXBUF_MODULE_FILE", cache.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
