// The six exports of the plug-in and the library's lifetime: the settings are read
// when the library is loaded, then the one body is created; when it is unloaded the
// settings are written back, then the body is freed.
#include <cstddef>

#include "platform/local_memory.h"
#include "platform/user_settings.h"
#include "plugin/in_spi_body.h"
#include "plugin/jww_spi_body.h"
#include "plugin/kestril_spi.h"

#ifdef _WIN32
#include <windows.h>

#include "config/win32/options_dialog.h"
#define KESTRIL_EXPORT
#else
#define KESTRIL_EXPORT __attribute__((visibility("default")))
#endif

static_assert(sizeof(KestrilPictureInfo) == kestril::kPictureInfoSize);
static_assert(offsetof(KestrilPictureInfo, colorDepth) == 20);
static_assert(offsetof(KestrilPictureInfo, info) == 22);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(KestrilPictureInfo) == 26, "32-bit hosts expect a 26-byte record");
static_assert(sizeof(intptr_t) == 4 && sizeof(uintptr_t) == 4, "32-bit interface: int32 arguments");
#endif
#if defined(_WIN64)
static_assert(sizeof(KestrilPictureInfo) == 30, "64-bit hosts expect a 30-byte record");
#endif

namespace kestril {
namespace {

class PluginLibrary {
 public:
#ifdef _WIN32
  PluginLibrary() = default;  // DllMain loads
#else
  PluginLibrary() {
    Load();
  }
#endif
  ~PluginLibrary() {
    Unload();
  }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  bool Load() noexcept {
    try {
      std::unique_ptr<SettingsStore> store = OpenUserSettings();
      const PluginSettings settings = LoadSettings(*store, true);
      body_ = std::make_unique<TJwwSPIBody>(settings, std::move(store));
#ifdef _WIN32
      body_->SetOptionsDialog(ShowOptionsDialog);
#endif
      return true;
    } catch (...) {
      return false;
    }
  }

  void Unload() noexcept {
    if (!body_) return;
    if (SettingsStore* store = body_->Store()) SaveSettings(*store, body_->Settings());
    body_.reset();
  }

  TJwwSPIBody* Body() const {
    return body_.get();
  }

 private:
  std::unique_ptr<TJwwSPIBody> body_;
};

// The library-wide body.
PluginLibrary library;

}  // namespace
}  // namespace kestril

using kestril::library;

extern "C" {

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPluginInfo(int32_t infoNumber, char* buffer,
                                                      int32_t bufferLength) {
  auto* body = library.Body();
  return body ? kestril::SpiGetPluginInfo(*body, infoNumber, buffer, bufferLength) : 0;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL IsSupported(const char* fileName, uintptr_t source) {
  auto* body = library.Body();
  return body ? kestril::SpiIsSupported(*body, fileName, source) : 0;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPictureInfo(const char* buffer, intptr_t length,
                                                       uint32_t flags, KestrilPictureInfo* info) {
  auto* body = library.Body();
  return body ? kestril::SpiGetPictureInfo(*body, buffer, length, flags,
                                           reinterpret_cast<uint8_t*>(info))
              : kestril::kSpiOtherError;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPicture(const char* buffer, intptr_t length,
                                                   uint32_t flags, void** headerHandle,
                                                   void** pixelHandle, KestrilProgressProc progress,
                                                   intptr_t userData) {
  auto* body = library.Body();
  return body
             ? kestril::SpiGetPictureCommon(*body, buffer, length, flags, headerHandle, pixelHandle,
                                            progress, userData, kestril::PictureMode::Picture)
             : kestril::kSpiOtherError;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPreview(const char* buffer, intptr_t length,
                                                   uint32_t flags, void** headerHandle,
                                                   void** pixelHandle, KestrilProgressProc progress,
                                                   intptr_t userData) {
  auto* body = library.Body();
  return body
             ? kestril::SpiGetPictureCommon(*body, buffer, length, flags, headerHandle, pixelHandle,
                                            progress, userData, kestril::PictureMode::Preview)
             : kestril::kSpiOtherError;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL ConfigurationDlg(void* parent, int32_t function) {
  auto* body = library.Body();
  return body ? kestril::SpiConfigurationDlg(*body, parent, function) : kestril::kSpiOtherError;
}

#ifndef _WIN32
KESTRIL_EXPORT void* LocalAlloc(unsigned flags, size_t bytes) {
  return kestril::LocalAllocate(flags, bytes);
}
KESTRIL_EXPORT void* LocalLock(void* handle) {
  return kestril::LocalLockBlock(handle);
}
KESTRIL_EXPORT int LocalUnlock(void* handle) {
  return kestril::LocalUnlockBlock(handle) ? 1 : 0;
}
KESTRIL_EXPORT void* LocalFree(void* handle) {
  return kestril::LocalFreeBlock(handle);
}
KESTRIL_EXPORT size_t LocalSize(void* handle) {
  return kestril::LocalBlockSize(handle);
}
KESTRIL_EXPORT unsigned LocalFlags(void* handle) {
  return kestril::LocalBlockFlags(handle);
}
#endif

}  // extern "C"

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return library.Load() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      library.Unload();
      break;
    default:
      break;
  }
  return TRUE;
}
#endif
