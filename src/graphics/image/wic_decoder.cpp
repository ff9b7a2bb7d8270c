// The Windows builds decode JPEG and PNG through the Windows Imaging Component, which
// every Windows since XP SP3 carries (and Wine implements), with the decoder the
// file's extension names. BMP files are read by our own reader, as natively: Wine's
// decoder refuses some that Windows reads (core headers), and ours is the same
// everywhere. Pixels are converted to 32-bit BGRA and composed onto white, as the
// native decoders compose transparent PNG pixels.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The class and format identifiers are defined here rather than taken from an import
// library, so the plug-in imports nothing but ole32 for them.
#include <initguid.h>
#include <wincodec.h>

#include <string>

#include "graphics/image/image_decoder.h"

namespace kestril {
namespace {

// An owned COM interface pointer.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }
  void** outVoid() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// COM for this thread, for as long as the decoder runs. A thread already in the
// other apartment kind can use WIC as it is.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char code[16];
    wsprintfA(code, "%08lX", static_cast<unsigned long>(hr));
    throw EInvalidGraphic(std::string(what) + " failed (" + code + ")");
  }
}

uint32_t Big16(const uint8_t* p) {
  return (uint32_t{p[0]} << 8) | p[1];
}
uint32_t Big32(const uint8_t* p) {
  return (Big16(p) << 16) | Big16(p + 2);
}

// The size the file's header claims, when it can be found: some decoders allocate the
// whole picture (or a table per row) before they look any further, so sizes beyond the
// limits are refused here first, as the native decoders refuse them. Files without a
// readable header are left for the decoder to refuse.
void CheckClaimedSize(ImageFormat format, std::span<const uint8_t> b, int64_t maxPixels) {
  int64_t width = 0, height = 0;
  if (format == ImageFormat::Png && b.size() >= 24) {
    width = Big32(&b[16]);
    height = Big32(&b[20]);
  } else if (format == ImageFormat::Jpeg) {
    // Marker segments up to the first frame header (or the first scan).
    size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xFF) {
      const uint8_t marker = b[i + 1];
      if (marker == 0xFF) {
        ++i;  // fill byte
        continue;
      }
      if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
        i += 2;  // markers without a segment
        continue;
      }
      if (marker == 0xD9 || marker == 0xDA) break;
      const bool frame =
          marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (frame && i + 9 <= b.size()) {
        height = Big16(&b[i + 5]);
        width = Big16(&b[i + 7]);
        break;
      }
      i += 2 + Big16(&b[i + 2]);
    }
  }
  if (width > 0 && height > 0) {
    CheckImageSize(width, height);
    if (width * height > maxPixels)
      throw EImageOverBudget("the picture is too large to decode now");
  }
}

}  // namespace

DecodedImage DecodeImage(ImageFormat format, std::span<const uint8_t> bytes, int64_t maxPixels) {
  if (format == ImageFormat::Bmp) return DecodeBmp(bytes, maxPixels);
  if (bytes.empty() || bytes.size() > static_cast<size_t>(kMaxImageFileBytes)) {
    throw EInvalidGraphic("no picture of that size");
  }
  CheckClaimedSize(format, bytes, maxPixels);
  ComScope com;
  Com<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, factory.outVoid()),
        "creating the imaging factory");
  Com<IWICStream> stream;
  Check(factory->CreateStream(stream.out()), "creating a stream");
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size())),
        "reading from memory");
  Com<IWICBitmapDecoder> decoder;
  const GUID& container =
      format == ImageFormat::Jpeg ? GUID_ContainerFormatJpeg : GUID_ContainerFormatPng;
  Check(factory->CreateDecoder(container, nullptr, decoder.out()), "creating a decoder");
  Check(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand), "reading the header");
  Com<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.out()), "reading the picture");
  UINT width = 0, height = 0;
  Check(frame->GetSize(&width, &height), "reading the size");
  DecodedImage image = AllocateImage(width, height, maxPixels);

  // Every source format converts to 32-bit BGRA (Wine's converter reaches 24-bit BGR
  // from few of them); opaque pixels come out of the composition as they went in.
  Com<IWICFormatConverter> converter;
  Check(factory->CreateFormatConverter(converter.out()), "creating a converter");
  Check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                              nullptr, 0.0, WICBitmapPaletteTypeCustom),
        "converting the pixels");
  // One row at a time, so the picture is never held twice.
  std::vector<uint8_t> row(size_t{width} * 4);
  for (int32_t y = 0; y < image.height; ++y) {
    const WICRect rect{0, y, image.width, 1};
    Check(converter->CopyPixels(&rect, width * 4, static_cast<UINT>(row.size()), row.data()),
          "decoding");
    uint8_t* dst = image.Row(y);
    for (int32_t x = 0; x < image.width; ++x, dst += 3) {
      const uint8_t* src = row.data() + size_t(x) * 4;
      for (int c = 0; c < 3; ++c) dst[c] = OverWhite(src[c], src[3]);
    }
  }
  return image;
}

}  // namespace kestril
