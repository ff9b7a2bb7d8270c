// libFuzzer target: any bytes through recognition and the whole read, as the
// picture procedure runs them.
#include <cstddef>
#include <cstdint>

#include "base/stream.h"
#include "document/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestril::MemoryStream stream = kestril::MemoryStream::View({data, size});
  kestril::Document doc;
  kestril::ReadDocument(doc, stream);
  return 0;
}
