#include "desktop/sized_picture.h"

#include <algorithm>
#include <new>
#include <vector>

#include "graphics/image/bmp_layout.h"
#include "platform/user_settings.h"
#include "plugin/jww_spi_body.h"

namespace kestril {
namespace {

// About 64 MB of canvas per band, whatever the picture's width.
constexpr int64_t kBandBytes = int64_t{64} << 20;

}  // namespace

PictureSize FitSquare(PictureSize natural, int32_t size) {
  if (natural.width <= 0 || natural.height <= 0) return {size, size};
  PictureSize fit;
  if (natural.height > natural.width) {
    fit.height = size;
    fit.width = static_cast<int32_t>(0.5 + double(natural.width) * size / natural.height);
  } else {
    fit.width = size;
    fit.height = static_cast<int32_t>(0.5 + double(natural.height) * size / natural.width);
  }
  fit.width = std::max(fit.width, 1);
  fit.height = std::max(fit.height, 1);
  return fit;
}

SizedPicture::SizedPicture() {
  std::unique_ptr<SettingsStore> store = OpenUserSettings();
  const PluginSettings settings = LoadSettings(*store, false);
  body_ = std::make_unique<TJwwSPIBody>(settings, std::move(store));
}

SizedPicture::~SizedPicture() = default;

PictureSize SizedPicture::NaturalSize(FileKind kind) const {
  const PluginSettings& s = body_->Settings();
  if (kind == FileKind::Jww) return {s.jwwWidth, s.jwwHeight};
  return {s.jwzWidth, s.jwzHeight};
}

FileKind SizedPicture::Kind() const {
  return body_->Kind();
}

void SizedPicture::Read(Stream& stream, const std::string& sourcePath) {
  body_->InputFileName = sourcePath;
  int32_t result = kSpiOtherError;
  try {
    result = body_->ReadRequest(stream);
  } catch (const std::bad_alloc&) {
    throw EDrawingFault(DrawingFault::OutOfMemory, "out of memory while reading the drawing");
  } catch (const EOutOfResources& e) {
    throw EDrawingFault(DrawingFault::OutOfMemory, e.what());
  }
  if (result == kSpiNotSupported) {
    throw EDrawingFault(DrawingFault::NotADrawing,
                        "not a Jw_cad drawing (no JWW, JWS or archive signature)");
  }
  if (result != kSpiSuccess) {
    throw EDrawingFault(DrawingFault::Damaged, "the drawing could not be read (damaged)");
  }
  if (!body_->LastRead().complete) {
    throw EDrawingFault(DrawingFault::CutShort, "the drawing is " + CutShortReason(body_->Doc()));
  }
}

void SizedPicture::DrawRows(PictureSize size,
                            const std::function<void(int32_t y, const uint8_t* bgr)>& row) {
  const int32_t w = size.width;
  const int32_t h = size.height;
  if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide) {
    throw EDrawingFault(DrawingFault::TooLarge,
                        "a picture of " + std::to_string(w) + " x " + std::to_string(h) +
                            " cannot be drawn (each side 1 to 32767 pixels)");
  }
  try {
    const int32_t band =
        static_cast<int32_t>(std::clamp<int64_t>(kBandBytes / (4 * int64_t{w}), 1, h));
    const auto stride = static_cast<size_t>(BmpStride(w, 24));
    std::vector<uint8_t> rows(stride * static_cast<size_t>(band));
    // Images are decoded once for every band; those beyond the budget are left out.
    ImageCache images;
    for (int32_t top = 0; top < h; top += band) {
      const int32_t count = std::min(band, h - top);
      const std::unique_ptr<RasterCanvas> canvas =
          body_->RenderPicture(w, h, false, RowBand{top, count}, &images);
      canvas->CopyBmpRows({rows.data(), stride * static_cast<size_t>(count)}, stride);
      // BMP rows run bottom up within the band.
      for (int32_t r = 0; r < count; ++r) {
        row(top + r, rows.data() + static_cast<size_t>(count - 1 - r) * stride);
      }
    }
  } catch (const std::bad_alloc&) {
    throw EDrawingFault(DrawingFault::OutOfMemory, "out of memory while drawing");
  } catch (const EOutOfResources& e) {
    throw EDrawingFault(DrawingFault::OutOfMemory, e.what());
  }
}

}  // namespace kestril
