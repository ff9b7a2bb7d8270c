#include "plugin/in_spi_body.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "base/errors.h"
#include "document/file_stream.h"
#include "platform/native_file.h"

namespace kestril {
namespace {

void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutU64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A file seen from the host's start offset on: the data's first byte is position 0,
// so recognising and reading agree on where the data is.
class FileWindowStream final : public Stream {
 public:
  FileWindowStream(NativeFile file, int64_t offset)
      : Stream(std::max<int64_t>(0, file.Size() - offset), 0),
        file_(std::move(file)),
        offset_(offset),
        buffer_(64 * 1024) {}

 protected:
  std::span<const uint8_t> Fetch(int64_t pos) override {
    if (pos >= Size()) return {};
    const size_t want =
        static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer_.size()), Size() - pos));
    return {buffer_.data(), file_.ReadAt(offset_ + pos, buffer_.data(), want)};
  }

 private:
  NativeFile file_;
  int64_t offset_;
  std::vector<uint8_t> buffer_;
};

// The host's memory image, read in place: it outlives the call.
class HostImageStream final : public Stream {
 public:
  explicit HostImageStream(std::span<const uint8_t> bytes)
      : Stream(static_cast<int64_t>(bytes.size()), 0), bytes_(bytes) {}

 protected:
  std::span<const uint8_t> Fetch(int64_t pos) override {
    if (pos >= Size()) return {};
    return bytes_.subspan(static_cast<size_t>(pos));
  }

 private:
  std::span<const uint8_t> bytes_;
};

int32_t RunGuarded(auto&& operation) noexcept {
  try {
    return operation();
  } catch (...) {
    return ErrorCodeOf(std::current_exception());
  }
}

}  // namespace

void BitmapInfoHeader::WriteTo(std::span<uint8_t> out) const {
  uint8_t* p = out.data();
  PutU32(p + 0, size);
  PutU32(p + 4, static_cast<uint32_t>(width));
  PutU32(p + 8, static_cast<uint32_t>(height));
  PutU16(p + 12, planes);
  PutU16(p + 14, bitCount);
  PutU32(p + 16, compression);
  PutU32(p + 20, sizeImage);
  PutU32(p + 24, static_cast<uint32_t>(xPelsPerMeter));
  PutU32(p + 28, static_cast<uint32_t>(yPelsPerMeter));
  PutU32(p + 32, clrUsed);
  PutU32(p + 36, clrImportant);
}

BitmapInfoHeader BitmapInfoHeader::ReadFrom(std::span<const uint8_t> in) {
  const uint8_t* p = in.data();
  BitmapInfoHeader h;
  h.size = GetU32(p + 0);
  h.width = static_cast<int32_t>(GetU32(p + 4));
  h.height = static_cast<int32_t>(GetU32(p + 8));
  h.planes = GetU16(p + 12);
  h.bitCount = GetU16(p + 14);
  h.compression = GetU32(p + 16);
  h.sizeImage = GetU32(p + 20);
  h.xPelsPerMeter = static_cast<int32_t>(GetU32(p + 24));
  h.yPelsPerMeter = static_cast<int32_t>(GetU32(p + 28));
  h.clrUsed = GetU32(p + 32);
  h.clrImportant = GetU32(p + 36);
  return h;
}

int64_t DibStride(int64_t width, int64_t bitCount) {
  if (width < 0 || bitCount < 0) return -1;
  const int64_t stride = (bitCount * width + 31) / 32 * 4;
  return stride > std::numeric_limits<int32_t>::max() ? -1 : stride;
}

void PictureInfo::WriteTo(uint8_t* out) const {
  PutU32(out + 0, static_cast<uint32_t>(left));
  PutU32(out + 4, static_cast<uint32_t>(top));
  PutU32(out + 8, static_cast<uint32_t>(width));
  PutU32(out + 12, static_cast<uint32_t>(height));
  PutU16(out + 16, xDensity);
  PutU16(out + 18, yDensity);
  PutU16(out + 20, static_cast<uint16_t>(colorDepth));
  const auto handle = reinterpret_cast<uintptr_t>(info);
  if constexpr (sizeof(void*) == 8) {
    PutU64(out + 22, handle);
  } else {
    PutU32(out + 22, static_cast<uint32_t>(handle));
  }
}

void TDIBSection::Allocate(const BitmapInfoHeader& header) {
  const int64_t height = header.height < 0 ? -static_cast<int64_t>(header.height) : header.height;
  if (header.width < 0) throw Error("negative picture width");
  const int64_t stride = DibStride(header.width, header.bitCount);
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

std::unique_ptr<Stream> OpenInput(const char* buffer, intptr_t length, uint32_t flags) {
  if ((flags & 7) != 0) {
    if (length < 0 || (buffer == nullptr && length != 0)) {
      throw Error("invalid memory image");
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer);
    return std::make_unique<HostImageStream>(
        std::span<const uint8_t>(bytes, static_cast<size_t>(length)));
  }
  if (buffer == nullptr) throw EFOpenError("no file name");
  if (length < 0) throw EReadError("negative start offset");
  return std::make_unique<FileWindowStream>(NativeFile::Open(buffer), length);
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
    std::unique_ptr<Stream> stream;
    if ((source & ~uintptr_t{0xFFFF}) != 0) {
      std::vector<uint8_t> head(kIsSupportedBytes);
      std::memcpy(head.data(), reinterpret_cast<const void*>(source), head.size());
      stream = std::make_unique<MemoryStream>(std::move(head));
    } else {
#ifdef _WIN32
      stream = OpenHandleStream(reinterpret_cast<NativeFileHandle>(source));
#else
      stream = OpenHandleStream(static_cast<NativeFileHandle>(source));
#endif
    }
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
      PutU32(locked.bytes(), BitmapInfoHeader::kSize);
      body.InputFileName = (flags & 7) == 0 && buffer != nullptr ? buffer : "";
      body.ProgressCallback = progress;
      body.ProgressData = userData;
      const std::span<uint8_t> block(locked.bytes(), kHeaderBlockSize);
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
