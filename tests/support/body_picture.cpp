#include "support/body_picture.h"

#include "plugin/jww_spi_body.h"

namespace kestril::testing {

BmpImage PictureOf(Stream& stream, const PluginSettings& settings) {
  TJwwSPIBody body(settings, nullptr);
  BmpImage out;
  if (body.ReadRequest(stream) != 0) return out;
  out.width = body.OutputWidth();
  out.height = body.OutputHeight();
  const auto canvas = body.RenderPicture(out.width, out.height, false);
  out.stride = static_cast<size_t>(BmpStride(out.width));
  out.rows.resize(out.stride * size_t(out.height));
  if (canvas) canvas->CopyBmpRows(out.rows, out.stride);
  return out;
}

}  // namespace kestril::testing
