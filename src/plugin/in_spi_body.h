// The plug-in frame: the body behind the six exports, the pixel block handed to the
// host, and the frame operations that turn the host's arguments into streams
// (host_input.h) and every failure into the interface's result codes.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"
#include "graphics/image/bmp_layout.h"
#include "platform/local_memory.h"
#include "plugin/host_input.h"
#include "plugin/kestril_spi.h"
#include "plugin/wire_records.h"

namespace kestril {

enum SpiResult : int32_t {
  kSpiNotProvided = KESTRIL_SPI_NOT_PROVIDED,
  kSpiSuccess = KESTRIL_SPI_SUCCESS,
  kSpiAborted = KESTRIL_SPI_ABORTED,
  kSpiNotSupported = KESTRIL_SPI_NOT_SUPPORTED,
  kSpiOutOfMemory = KESTRIL_SPI_OUT_OF_MEMORY,
  kSpiFileError = KESTRIL_SPI_FILE_ERROR,
  kSpiOtherError = KESTRIL_SPI_OTHER_ERROR,
};

using ProgressProc = KestrilProgressProc;

// The pixel block handed to the host. The frame decides whether the block goes to the
// host or is freed; the object only frees a block nobody took.
class TDIBSection {
 public:
  // Takes width, |height| and bit count from the header and allocates stride x
  // |height| zero-filled bytes as a moveable block. A negative width raises Error; a
  // block that cannot be had, or whose size does not fit the header's 32-bit image
  // size, raises EOutOfResources.
  void Allocate(const BitmapInfoHeader& header);
  // Raises EOutOfResources when a block of nonzero size cannot be locked.
  void Lock();
  void Unlock();

  LocalHandle Handle() const { return block_.get(); }
  LocalHandle ReleaseHandle() { return block_.Release(); }
  uint8_t* Bits = nullptr;  // while locked; nullptr for a block of 0 bytes
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
  int64_t Stride = 0;
  size_t ImageSize = 0;

 private:
  LocalBlock block_;
};

// The base of every plug-in body; its operations answer "not provided".
class TInSPIBody {
 public:
  TInSPIBody() = default;
  virtual ~TInSPIBody() = default;
  TInSPIBody(const TInSPIBody&) = delete;
  TInSPIBody& operator=(const TInSPIBody&) = delete;

  virtual bool IsSupported(Stream& stream, std::string_view fileName);
  virtual int32_t GetPictureInfo(Stream& stream, PictureInfo& info, std::string& text);
  // header: the locked header block of the host (kHeaderBlockSize bytes, size field set).
  virtual int32_t GetPicture(Stream& stream, std::span<uint8_t> header, TDIBSection& dib);
  virtual int32_t GetPreview(Stream& stream, std::span<uint8_t> header, TDIBSection& dib);
  virtual int32_t ConfigurationDlg(void* parent, int32_t function);

  void AddFormat(std::string pattern, std::string name);
  // Reports progress to the host; Aborted tells whether it asked to stop.
  void Progress(int32_t done, int32_t total);

  std::string ApiVersion = "00IN";
  std::string Description;
  std::vector<std::string> Extensions;
  std::vector<std::string> FormatNames;
  // The host's file name for the current request; empty for a memory image.
  std::string InputFileName;
  ProgressProc ProgressCallback = nullptr;
  intptr_t ProgressData = 0;
  bool Aborted = false;
};

// The interface's code for an exception: out of memory or resources 4, file open and
// stream errors 6, anything else 8.
int32_t ErrorCodeOf(std::exception_ptr error);

// The frame operations behind the exports; they never throw.
int32_t SpiGetPluginInfo(TInSPIBody& body, int32_t infoNumber, char* buffer,
                         int32_t bufferLength) noexcept;
int32_t SpiIsSupported(TInSPIBody& body, const char* fileName, uintptr_t source) noexcept;
int32_t SpiGetPictureInfo(TInSPIBody& body, const char* buffer, intptr_t length, uint32_t flags,
                          uint8_t* info) noexcept;
enum class PictureMode { Picture, Preview };
int32_t SpiGetPictureCommon(TInSPIBody& body, const char* buffer, intptr_t length, uint32_t flags,
                            LocalHandle* headerHandle, LocalHandle* pixelHandle,
                            ProgressProc progress, intptr_t userData, PictureMode mode) noexcept;
int32_t SpiConfigurationDlg(TInSPIBody& body, void* parent, int32_t function) noexcept;

}  // namespace kestril
