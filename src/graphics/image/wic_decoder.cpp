// The Windows builds decode through the Windows Imaging Component, which every
// Windows since XP SP3 carries (and Wine implements), with the decoder the file's
// extension names. PNG pictures are converted to 32-bit BGRA and composed onto white
// as the native decoder does; the others straight to 24-bit BGR.
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

const GUID& ContainerOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::Bmp:
      return GUID_ContainerFormatBmp;
    case ImageFormat::Jpeg:
      return GUID_ContainerFormatJpeg;
    case ImageFormat::Png:
      break;
  }
  return GUID_ContainerFormatPng;
}

}  // namespace

DecodedImage DecodeImage(ImageFormat format, std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(kMaxImageFileBytes)) {
    throw EInvalidGraphic("no picture of that size");
  }
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
  Check(factory->CreateDecoder(ContainerOf(format), nullptr, decoder.out()), "creating a decoder");
  Check(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand), "reading the header");
  Com<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.out()), "reading the picture");
  UINT width = 0, height = 0;
  Check(frame->GetSize(&width, &height), "reading the size");
  DecodedImage image = AllocateImage(width, height);

  // PNG pictures may be transparent; opaque pixels come out of the composition as
  // they went in.
  const bool alpha = format == ImageFormat::Png;
  Com<IWICFormatConverter> converter;
  Check(factory->CreateFormatConverter(converter.out()), "creating a converter");
  Check(converter->Initialize(frame.get(),
                              alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR,
                              WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom),
        "converting the pixels");
  if (!alpha) {
    Check(converter->CopyPixels(nullptr, static_cast<UINT>(image.Stride()),
                                static_cast<UINT>(image.bgr.size()), image.bgr.data()),
          "decoding");
    return image;
  }
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
