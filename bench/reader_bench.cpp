// Reading speed: a synthetic drawing of many lines (memory bandwidth bound) and the
// largest real drawing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "document/file_stream.h"
#include "document/reader.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using namespace kestril::testing;

std::vector<uint8_t> ManyLines(int64_t n) {
  ArchiveWriter a(700);
  for (int64_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i % 1000);
    const double y = static_cast<double>(i / 1000);
    a.Line(Line({x, y}, {x + 0.5, y + 0.5}, Attr(static_cast<uint16_t>(1 + i % 8))));
  }
  a.End();
  return BuildJws(a);
}

void BM_ReadManyLines(benchmark::State& state) {
  const std::vector<uint8_t> bytes = ManyLines(state.range(0));
  Document doc;
  for (auto _ : state) {
    MemoryStream s = MemoryStream::View(bytes);
    const bool ok = ReadDrawing(doc, s, FileKind::Jws, {});
    if (!ok) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(doc.DrawingExtent);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["records_MB"] =
      static_cast<double>(doc.TopLevel.Lines.capacity() * sizeof(FDataSen) +
                          doc.ClassOrder.capacity()) /
      1e6;
}
BENCHMARK(BM_ReadManyLines)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// A fresh document each time: the cost a request pays, allocation included.
void BM_ReadManyLinesFresh(benchmark::State& state) {
  const std::vector<uint8_t> bytes = ManyLines(state.range(0));
  for (auto _ : state) {
    Document doc;
    MemoryStream s = MemoryStream::View(bytes);
    benchmark::DoNotOptimize(ReadDrawing(doc, s, FileKind::Jws, {}));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadManyLinesFresh)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ReadLargestRealDrawing(benchmark::State& state) {
  const std::string path = std::string(KESTRIL_TEST_DATA) + "/drawings/stairs-large-v700.jws";
  for (auto _ : state) {
    Document doc;
    auto s = OpenFileStream(path);
    benchmark::DoNotOptimize(ReadDrawing(doc, *s, FileKind::Jws, {}));
  }
  state.SetBytesProcessed(state.iterations() * 474297);
}
BENCHMARK(BM_ReadLargestRealDrawing)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestril

BENCHMARK_MAIN();
