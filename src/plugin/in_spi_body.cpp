#include "plugin/in_spi_body.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "base/errors.h"

namespace kestril {
namespace {

int32_t RunGuarded(auto&& operation) noexcept {
  try {
    return operation();
  } catch (...) {
    return ErrorCodeOf(std::current_exception());
  }
}

}  // namespace

void TDIBSection::Allocate(const BitmapInfoHeader& header) {
  const int64_t height = header.height < 0 ? -static_cast<int64_t>(header.height) : header.height;
  if (header.width < 0) throw Error("negative picture width");
  const int64_t stride = BmpStride(header.width, header.bitCount);
  // The header's image size is 32 bits: a larger block could not be described.
  if (stride < 0 || stride * height > std::numeric_limits<uint32_t>::max() ||
      static_cast<uint64_t>(stride * height) > std::numeric_limits<size_t>::max()) {
    throw EOutOfResources("picture too large");
  }
  block_ = LocalBlock::Allocate(static_cast<size_t>(stride * height));
  Bits = nullptr;
  Width = header.width;
  Height = static_cast<int32_t>(height);
  BitCount = header.bitCount;
  Stride = stride;
  ImageSize = static_cast<size_t>(stride * height);
}

void TDIBSection::Lock() {
  Bits = static_cast<uint8_t*>(LocalLockBlock(block_.get()));
  if (Bits == nullptr && ImageSize != 0) throw EOutOfResources("cannot lock the pixel block");
}

void TDIBSection::Unlock() {
  if (Bits != nullptr) LocalUnlockBlock(block_.get());
  Bits = nullptr;
}

bool TInSPIBody::IsSupported(Stream&, std::string_view) {
  return false;
}
int32_t TInSPIBody::GetPictureInfo(Stream&, PictureInfo&, std::string&) {
  return kSpiNotProvided;
}
int32_t TInSPIBody::GetPicture(Stream&, std::span<uint8_t>, TDIBSection&) {
  return kSpiNotProvided;
}
int32_t TInSPIBody::GetPreview(Stream&, std::span<uint8_t>, TDIBSection&) {
  return kSpiNotProvided;
}
int32_t TInSPIBody::ConfigurationDlg(void*, int32_t) {
  return kSpiSuccess;
}

void TInSPIBody::AddFormat(std::string pattern, std::string name) {
  Extensions.push_back(std::move(pattern));
  FormatNames.push_back(std::move(name));
}

void TInSPIBody::Progress(int32_t done, int32_t total) {
  Aborted = false;
  if (ProgressCallback != nullptr) Aborted = ProgressCallback(done, total, ProgressData) != 0;
}

int32_t ErrorCodeOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EOutOfResources&) {
    return kSpiOutOfMemory;
  } catch (const std::bad_alloc&) {
    return kSpiOutOfMemory;
  } catch (const EFOpenError&) {
    return kSpiFileError;
  } catch (const EReadError&) {
    return kSpiFileError;
  } catch (...) {
    return kSpiOtherError;
  }
}

int32_t SpiGetPluginInfo(TInSPIBody& body, int32_t infoNumber, char* buffer,
                         int32_t bufferLength) noexcept {
  try {
    if (infoNumber < 0 || buffer == nullptr || bufferLength <= 0) return 0;
    const std::string* text = nullptr;
    if (infoNumber == 0) {
      text = &body.ApiVersion;
    } else if (infoNumber == 1) {
      text = &body.Description;
    } else {
      const size_t n = static_cast<size_t>(infoNumber) - 2;
      if (n >= 2 * body.Extensions.size()) return 0;
      text = n % 2 == 0 ? &body.Extensions[n / 2] : &body.FormatNames[n / 2];
    }
    const size_t copied = std::min(text->size(), static_cast<size_t>(bufferLength) - 1);
    std::memcpy(buffer, text->data(), copied);
    buffer[copied] = '\0';
    return static_cast<int32_t>(copied);
  } catch (...) {
    return 0;
  }
}

int32_t SpiIsSupported(TInSPIBody& body, const char* fileName, uintptr_t source) noexcept {
  try {
    const std::unique_ptr<Stream> stream = OpenIsSupportedInput(source);
    const bool supported = body.IsSupported(*stream, fileName ? fileName : "");
    return static_cast<int32_t>(supported) & 0x7F;
  } catch (...) {
    return 0;
  }
}

int32_t SpiGetPictureInfo(TInSPIBody& body, const char* buffer, intptr_t length, uint32_t flags,
                          uint8_t* out) noexcept {
  if (out == nullptr) return kSpiOtherError;
  std::memset(out, 0, kPictureInfoSize);
  return RunGuarded([&] {
    auto stream = OpenInput(buffer, length, flags);
    PictureInfo info;
    std::string text;
    const int32_t result = body.GetPictureInfo(*stream, info, text);
    LocalBlock textBlock;
    if (info.info == nullptr && !text.empty()) {
      textBlock = LocalBlock::Allocate(text.size() + 1);
      LocalLock lock(textBlock.get());
      std::memcpy(lock.bytes(), text.c_str(), text.size() + 1);
    }
    if (textBlock) info.info = textBlock.Release();
    info.WriteTo(out);
    return result;
  });
}

int32_t SpiGetPictureCommon(TInSPIBody& body, const char* buffer, intptr_t length, uint32_t flags,
                            LocalHandle* headerHandle, LocalHandle* pixelHandle,
                            ProgressProc progress, intptr_t userData, PictureMode mode) noexcept {
  if (headerHandle == nullptr || pixelHandle == nullptr) return kSpiOtherError;
  *headerHandle = nullptr;
  *pixelHandle = nullptr;
  LocalBlock header;
  TDIBSection dib;
  int32_t result = kSpiNotProvided;
  try {
    header = LocalBlock::Allocate(kHeaderBlockSize);
    auto stream = OpenInput(buffer, length, flags);
    {
      LocalLock locked(header.get());
      if (locked.bytes() == nullptr) throw EOutOfResources("cannot lock the header block");
      const std::span<uint8_t> block(locked.bytes(), kHeaderBlockSize);
      StartHeaderBlock(block);
      body.InputFileName = (flags & 7) == 0 && buffer != nullptr ? buffer : "";
      body.ProgressCallback = progress;
      body.ProgressData = userData;
      switch (mode) {
        case PictureMode::Picture:
          result = body.GetPicture(*stream, block, dib);
          break;
        case PictureMode::Preview:
          result = body.GetPreview(*stream, block, dib);
          break;
      }
    }
  } catch (...) {
    // Neither block goes to the host; both are freed on the way out.
    return ErrorCodeOf(std::current_exception());
  }
  if (result == kSpiSuccess) *pixelHandle = dib.ReleaseHandle();
  // A body's own failure still hands over the header block, size field set: hosts
  // free what they are given.
  *headerHandle = header.Release();
  return result;
}

int32_t SpiConfigurationDlg(TInSPIBody& body, void* parent, int32_t function) noexcept {
  return RunGuarded([&] { return body.ConfigurationDlg(parent, function); });
}

}  // namespace kestril
