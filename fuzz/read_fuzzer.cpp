// libFuzzer target: any bytes through recognition and the whole read, as the
// picture procedure runs them.
#include <cstddef>
#include <cstdint>

#include "base/stream.h"
#include "document/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestril::MemoryStream stream = kestril::MemoryStream::View({data, size});
  const kestril::FileKind kind = kestril::Recognise(stream);
  if (kind == kestril::FileKind::None) return 0;
  stream.Seek(0);
  kestril::Document doc;
  kestril::ReadDrawing(doc, stream, kind, kestril::ReaderEnvironment{});
  return 0;
}
