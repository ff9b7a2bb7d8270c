// Reading speed: a synthetic drawing of many lines (memory bandwidth bound) and the
// largest real drawing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "document/reader.h"
#include "platform/file_stream.h"
#include "support/jww_writer.h"
#include "support/sample_drawing.h"

namespace kestril {
namespace {

using namespace kestril::testing;

void BM_ReadManyLines(benchmark::State& state) {
  const std::vector<uint8_t> bytes = ManyLines(state.range(0));
  Document doc;
  for (auto _ : state) {
    MemoryStream s = MemoryStream::View(bytes);
    const bool ok = ReadDocument(doc, s).ok;
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
    benchmark::DoNotOptimize(ReadDocument(doc, s).ok);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadManyLinesFresh)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ReadLargestRealDrawing(benchmark::State& state) {
  const std::string path = std::string(KESTRIL_TEST_DATA) + "/drawings/stairs-large-v700.jws";
  for (auto _ : state) {
    Document doc;
    auto s = OpenFileStream(path);
    benchmark::DoNotOptimize(ReadDocument(doc, *s).ok);
  }
  state.SetBytesProcessed(state.iterations() * 474297);
}
BENCHMARK(BM_ReadLargestRealDrawing)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestril

BENCHMARK_MAIN();
