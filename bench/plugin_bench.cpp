// GetPicture at 800 x 600, split into its three steps: reading the drawing, rendering
// the picture (SetupView and RenderDrawing), and delivery (the BMP header and the
// pixel rows copied into the host's block). The copy of one pixel block of the same
// size is the yardstick for delivery. Drawings: 0 a drawing without objects (the
// background only), 1 the bundled sample, 2 the largest real drawing.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/file_stream.h"
#include "plugin/jww_spi_body.h"
#include "support/image_bomb.h"
#include "support/jww_writer.h"
#include "support/sample_drawing.h"

namespace kestril {
namespace {

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 600;
constexpr size_t kPixelBlock = 2400 * 600;

std::vector<uint8_t> Drawing(int which) {
  if (which == 0) {
    testing::ArchiveWriter none(700);
    none.End();
    return testing::BuildJww(testing::TestHeader(700), none);
  }
  if (which == 1) return testing::SampleDrawing();
  std::ifstream in(KESTRIL_TEST_DATA "/drawings/site-plan-v700.jww", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* DrawingName(int which) {
  return which == 0 ? "background only" : which == 1 ? "sample" : "site-plan";
}

std::unique_ptr<TJwwSPIBody> MakeBody() {
  PluginSettings s;
  s.UpdateDerivedSizes();
  return std::make_unique<TJwwSPIBody>(s, nullptr);
}

void BM_Read(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Drawing(static_cast<int>(state.range(0)));
  auto body = MakeBody();
  for (auto _ : state) {
    MemoryStream s = MemoryStream::View(bytes);
    if (body->ReadRequest(s) != 0) state.SkipWithError("not read");
  }
  state.SetLabel(DrawingName(static_cast<int>(state.range(0))));
}

void BM_Render(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Drawing(static_cast<int>(state.range(0)));
  auto body = MakeBody();
  MemoryStream s = MemoryStream::View(bytes);
  body->ReadRequest(s);
  for (auto _ : state) {
    auto canvas = body->RenderPicture(kWidth, kHeight, false);
    benchmark::DoNotOptimize(canvas.get());
  }
  state.SetLabel(DrawingName(static_cast<int>(state.range(0))));
}

void BM_Deliver(benchmark::State& state) {
  auto body = MakeBody();
  const std::vector<uint8_t> bytes = Drawing(1);
  MemoryStream s = MemoryStream::View(bytes);
  body->ReadRequest(s);
  const auto canvas = body->RenderPicture(kWidth, kHeight, false);
  std::vector<uint8_t> header(kHeaderBlockSize);
  for (auto _ : state) {
    TDIBSection dib;  // freed at the end of each round, as a host would free it
    TJwwSPIBody::Deliver(canvas.get(), kWidth, kHeight, header, dib);
    benchmark::DoNotOptimize(dib.Handle());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPixelBlock));
}

// Delivery's two parts: the host's zero-filled block, and the canvas writing its
// pixels into it as BMP rows.
void BM_DeliverBlockOnly(benchmark::State& state) {
  BitmapInfoHeader h;
  h.width = kWidth;
  h.height = kHeight;
  for (auto _ : state) {
    TDIBSection dib;
    dib.Allocate(h);
    dib.Lock();
    benchmark::DoNotOptimize(dib.Bits);
    dib.Unlock();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPixelBlock));
}

void BM_DeliverRowsOnly(benchmark::State& state) {
  const auto canvas = CreateRasterCanvas(kWidth, kHeight);
  std::vector<uint8_t> rows(kPixelBlock);
  for (auto _ : state) {
    canvas->CopyBmpRows(rows, 2400);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPixelBlock));
}

// One copy of the pixel block into a fresh block of the host's kind: the yardstick.
void BM_CopyPixelBlock(benchmark::State& state) {
  std::vector<uint8_t> source(kPixelBlock, 0x5A);
  for (auto _ : state) {
    LocalBlock block = LocalBlock::Allocate(kPixelBlock);
    LocalLock lock(block.get());
    std::memcpy(lock.bytes(), source.data(), kPixelBlock);
    benchmark::DoNotOptimize(lock.bytes());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPixelBlock));
}

// The whole request as the exports run it, from a memory image.
void BM_GetPicture(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Drawing(static_cast<int>(state.range(0)));
  auto body = MakeBody();
  for (auto _ : state) {
    LocalHandle header = nullptr, pixels = nullptr;
    const int32_t r = SpiGetPictureCommon(*body, reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<intptr_t>(bytes.size()), 1, &header, &pixels,
                                          nullptr, 0, PictureMode::Picture);
    if (r != 0) state.SkipWithError("GetPicture failed");
    LocalFreeBlock(header);
    LocalFreeBlock(pixels);
  }
  state.SetLabel(DrawingName(static_cast<int>(state.range(0))));
}

// A drawing whose one block holds one reference to an 8192 x 8192 picture, inserted
// 200 times, at 800 x 600: drawn at once (0) or in bands of 64 rows sharing the
// picture's images (1). Either way the picture is decoded once a picture.
void BM_ImageBomb(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kestril-bomb-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  testing::WriteCheckerPng(dir / "big.png", 8192, 8192, 512);
  const std::vector<uint8_t> bytes = testing::ImageBombDrawing("big.png", 200);
  const std::string drawing = (dir / "bomb.jww").string();
  std::ofstream(drawing, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  auto body = MakeBody();
  body->InputFileName = drawing;
  const std::unique_ptr<Stream> stream = OpenFileStream(drawing);
  if (body->ReadRequest(*stream) != 0) state.SkipWithError("not read");
  const bool banded = state.range(0) == 1;
  for (auto _ : state) {
    ImageCache images;
    for (int32_t top = 0; top < kHeight; top += banded ? 64 : kHeight) {
      auto canvas =
          body->RenderPicture(kWidth, kHeight, false, RowBand{top, banded ? 64 : kHeight}, &images);
      benchmark::DoNotOptimize(canvas.get());
    }
  }
  state.SetLabel(banded ? "bands of 64 rows" : "at once");
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_Read)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Render)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Deliver)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeliverBlockOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeliverRowsOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyPixelBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetPicture)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImageBomb)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestril

BENCHMARK_MAIN();
