#include "plugin/jww_spi_body.h"

#include "base/errors.h"
#include "platform/system.h"
#include "render/render_driver.h"
#include "render/view_setup.h"

namespace kestril {
namespace {

constexpr int32_t kPictureProgressTotal = 110;

// Clears the preview flag however drawing ends.
class PreviewScope {
 public:
  PreviewScope(RenderOptions& options, bool preview) : options_(options) {
    options_.PreviewMode = preview;
  }
  ~PreviewScope() { options_.PreviewMode = false; }
  PreviewScope(const PreviewScope&) = delete;
  PreviewScope& operator=(const PreviewScope&) = delete;

 private:
  RenderOptions& options_;
};

}  // namespace

TJwwSPIBody::TJwwSPIBody(PluginSettings settings, std::unique_ptr<SettingsStore> store)
    : settings_(settings),
      store_(std::move(store)),
      canvasFactory_([](int32_t w, int32_t h, RowBand band) {
        return CreateRasterCanvas(w, h, false, band);
      }) {
  Description = "Jww/Jws to DIB filter Ver0.80 (kestril: Jw_cad drawings as 24-bit pictures)";
  AddFormat("*.Jww;*.Jws", "Jww/Jws");
  hostFolder_ = ExecutableFolder();
}

ReaderEnvironment TJwwSPIBody::Environment() const {
  ReaderEnvironment env;
  if (!InputFileName.empty()) {
    env.source = SourceFile{InputFileName, FileModifiedTime(InputFileName)};
  } else if (store_) {
    env.jwCadRecent = ReadJwCadRecentFile(*store_);
  }
  env.hostFolder = hostFolder_;
  env.scanFoundNothing = DefaultBeep;
  return env;
}

bool TJwwSPIBody::Recognise(Stream& stream) {
  const FileKind kind = kestril::Recognise(stream);
  switch (kind) {
    case FileKind::None:
      return false;
    case FileKind::Jww:
      outputWidth_ = settings_.jwwWidth;
      outputHeight_ = settings_.jwwHeight;
      break;
    case FileKind::Jws:
    case FileKind::Bare:
      outputWidth_ = settings_.jwzWidth;
      outputHeight_ = settings_.jwzHeight;
      break;
  }
  fileKind_ = kind;
  return true;
}

bool TJwwSPIBody::IsSupported(Stream& stream, std::string_view) {
  return Recognise(stream);
}

int32_t TJwwSPIBody::GetPictureInfo(Stream& stream, PictureInfo& info, std::string& text) {
  if (!Recognise(stream)) return kSpiNotSupported;
  info.left = 0;
  info.top = 0;
  info.width = outputWidth_;
  info.height = outputHeight_;
  info.xDensity = 0;
  info.yDensity = 0;
  info.colorDepth = 24;
  switch (fileKind_) {
    case FileKind::Jws:
      text = "Jws";
      break;
    case FileKind::Bare:
      text = "Jwz";
      break;
    default:
      text.clear();
      break;
  }
  return kSpiSuccess;
}

int32_t TJwwSPIBody::GetPicture(Stream& stream, std::span<uint8_t> header, TDIBSection& dib) {
  return RenderRequest(stream, header, dib, false);
}

int32_t TJwwSPIBody::GetPreview(Stream& stream, std::span<uint8_t> header, TDIBSection& dib) {
  return RenderRequest(stream, header, dib, true);
}

int32_t TJwwSPIBody::ConfigurationDlg(void* parent, int32_t) {
  if (!optionsDialog_) return kSpiSuccess;
  auto inTurn = [this](const std::function<void()>& f) {
    if (turnTaker_) {
      turnTaker_(f);
    } else {
      f();
    }
  };
  PluginSettings working;
  inTurn([&] { working = settings_; });
  const std::function<void()> publish = [&] { inTurn([&] { settings_ = working; }); };
  if (optionsDialog_(parent, working, publish)) {
    inTurn([&] {
      settings_ = working;
      if (store_) SaveSettings(*store_, settings_);
    });
  }
  return kSpiSuccess;
}

int32_t TJwwSPIBody::ReadRequest(Stream& stream) {
  stream.Seek(0);
  if (!Recognise(stream)) return kSpiNotSupported;
  lastRead_ = ReadDocument(doc_, stream, Environment());
  if (!lastRead_.ok) return kSpiOtherError;
  // Data without a pen table is drawn in the user's colours.
  ApplyUserPenColors(doc_.Header, settings_.PenColors);
  return kSpiSuccess;
}

int32_t TJwwSPIBody::PictureWidth(bool preview) const {
  return preview ? settings_.PreviewWidth : outputWidth_;
}

int32_t TJwwSPIBody::PictureHeight(bool preview) const {
  return preview ? settings_.PreviewHeight : outputHeight_;
}

std::unique_ptr<RasterCanvas> TJwwSPIBody::RenderPicture(int32_t width, int32_t height,
                                                         bool preview, RowBand band,
                                                         ImageCache* images) {
  if (width < 0 || height < 0) throw Error("negative picture size in the settings");
  // Refuse what could never be delivered before drawing it.
  const int64_t stride = BmpStride(width, 24);
  if (stride < 0 || stride * height > static_cast<int64_t>(UINT32_MAX)) {
    throw EOutOfResources("picture too large");
  }
  // An empty picture has nothing to draw on and nothing to deliver but its header.
  if (width == 0 || height == 0) {
    SetupView(view_, doc_.DrawingExtent, width, height);
    return nullptr;
  }
  std::unique_ptr<RasterCanvas> canvas = canvasFactory_(width, height, band);
  if (!canvas) throw EOutOfResources("cannot create the picture");
  DrawPicture(*canvas, preview, nullptr, images);
  return canvas;
}

void TJwwSPIBody::DrawPicture(Canvas& canvas, bool preview, const TViewTransform* view,
                              ImageCache* images) {
  options_.hoji = settings_.hoji;
  options_.BwColor = settings_.BwColor;
  options_.BwGrey = settings_.BwGrey;
  PreviewScope mode(options_, preview);
  const int32_t width = canvas.Width(), height = canvas.Height();
  if (view != nullptr) {
    view_ = *view;
  } else {
    SetupView(view_, doc_.DrawingExtent, width, height);
  }
  RenderDrawing(doc_, view_, options_, canvas, width, height, true, PumpMessages, images);
}

void TJwwSPIBody::Deliver(const RasterCanvas* canvas, int32_t width, int32_t height,
                          std::span<uint8_t> header, TDIBSection& dib) {
  BitmapInfoHeader h;
  h.width = width;
  h.height = height;
  h.sizeImage = static_cast<uint32_t>(BmpStride(width, 24) * height);
  dib.Allocate(h);
  h.WriteTo(header);
  dib.Lock();
  struct Unlock {
    TDIBSection& dib;
    ~Unlock() { dib.Unlock(); }
  } unlock{dib};
  if (canvas != nullptr && dib.ImageSize != 0) {
    canvas->CopyBmpRows({dib.Bits, dib.ImageSize}, static_cast<size_t>(dib.Stride));
  }
}

int32_t TJwwSPIBody::RenderRequest(Stream& stream, std::span<uint8_t> header, TDIBSection& dib,
                                   bool preview) {
  const int32_t total = preview ? settings_.PreviewHeight : kPictureProgressTotal;
  Progress(0, total);
  if (Aborted) return kSpiAborted;
  if (const int32_t read = ReadRequest(stream); read != kSpiSuccess) return read;
  const int32_t width = PictureWidth(preview);
  const int32_t height = PictureHeight(preview);
  const std::unique_ptr<RasterCanvas> canvas = RenderPicture(width, height, preview);
  Deliver(canvas.get(), width, height, header, dib);
  Progress(total, total);  // too late to abort: the picture is made
  return kSpiSuccess;
}

}  // namespace kestril
