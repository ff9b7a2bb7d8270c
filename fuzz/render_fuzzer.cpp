// libFuzzer target: any bytes read and drawn by the plug-in's body onto a small native
// picture, so hostile coordinates, scales and tables reach the drawing engine and the
// canvas too.
#include <cstddef>
#include <cstdint>

#include "base/stream.h"
#include "plugin/jww_spi_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestril::PluginSettings settings;
  settings.jwwWidth = settings.jwzWidth = 96;
  settings.UpdateDerivedSizes();
  kestril::TJwwSPIBody body(settings, nullptr);
  kestril::MemoryStream stream = kestril::MemoryStream::View({data, size});
  if (body.ReadRequest(stream) != 0) return 0;
  // The drawing switches come from the data too, so every rule gets its turn.
  body.Settings().BwColor = size % 2 == 1;
  body.Settings().hoji = size % 3 == 1;
  body.RenderPicture(body.OutputWidth(), body.OutputHeight(), size % 5 == 1);
  return 0;
}
