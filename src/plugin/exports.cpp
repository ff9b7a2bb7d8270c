// The six exports of the plug-in and the library's lifetime: the settings are read
// when the library is loaded, then the one body is created; when it is unloaded the
// settings are written back, then the body is freed.
#include <cstddef>

#include "platform/local_memory.h"
#include "platform/recursive_lock.h"
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

// Hosts may call from several threads (thumbnail workers do); the body keeps one
// document, so calls take turns. While a picture is drawn the body pumps the thread's
// messages, and a window of the host may call back in on the same thread: such a call
// must not rebuild the document under the drawing, so it is refused. Only the thread
// holding the lock can see `drawing` set.
RecursiveLock callLock;
bool drawing = false;

class Turn {
 public:
  Turn() { callLock.lock(); }
  ~Turn() { callLock.unlock(); }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
};

class DrawingTurn : public Turn {
 public:
  DrawingTurn() : refused_(drawing) { drawing = true; }
  ~DrawingTurn() {
    if (!refused_) drawing = false;
  }
  DrawingTurn(const DrawingTurn&) = delete;
  DrawingTurn& operator=(const DrawingTurn&) = delete;
  bool Refused() const { return refused_; }

 private:
  bool refused_;
};

int32_t GetPictureTurn(const char* buffer, intptr_t length, uint32_t flags, void** headerHandle,
                       void** pixelHandle, KestrilProgressProc progress, intptr_t userData,
                       PictureMode mode) {
  const DrawingTurn turn;
  TJwwSPIBody* body = library.Body();
  if (body == nullptr || turn.Refused()) {
    if (headerHandle != nullptr) *headerHandle = nullptr;
    if (pixelHandle != nullptr) *pixelHandle = nullptr;
    return kSpiOtherError;
  }
  return SpiGetPictureCommon(*body, buffer, length, flags, headerHandle, pixelHandle, progress,
                             userData, mode);
}

}  // namespace
}  // namespace kestril

using kestril::library;

extern "C" {

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPluginInfo(int32_t infoNumber, char* buffer,
                                                      int32_t bufferLength) {
  const kestril::Turn turn;
  auto* body = library.Body();
  return body ? kestril::SpiGetPluginInfo(*body, infoNumber, buffer, bufferLength) : 0;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL IsSupported(const char* fileName, uintptr_t source) {
  const kestril::Turn turn;
  auto* body = library.Body();
  return body ? kestril::SpiIsSupported(*body, fileName, source) : 0;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPictureInfo(const char* buffer, intptr_t length,
                                                       uint32_t flags, KestrilPictureInfo* info) {
  const kestril::Turn turn;
  auto* body = library.Body();
  return body ? kestril::SpiGetPictureInfo(*body, buffer, length, flags,
                                           reinterpret_cast<uint8_t*>(info))
              : kestril::kSpiOtherError;
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPicture(const char* buffer, intptr_t length,
                                                   uint32_t flags, void** headerHandle,
                                                   void** pixelHandle, KestrilProgressProc progress,
                                                   intptr_t userData) {
  return kestril::GetPictureTurn(buffer, length, flags, headerHandle, pixelHandle, progress,
                                 userData, kestril::PictureMode::Picture);
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL GetPreview(const char* buffer, intptr_t length,
                                                   uint32_t flags, void** headerHandle,
                                                   void** pixelHandle, KestrilProgressProc progress,
                                                   intptr_t userData) {
  return kestril::GetPictureTurn(buffer, length, flags, headerHandle, pixelHandle, progress,
                                 userData, kestril::PictureMode::Preview);
}

KESTRIL_EXPORT int32_t KESTRIL_SPI_CALL ConfigurationDlg(void* parent, int32_t function) {
  // No turn for the whole call: the dialog stays open as long as its user likes, and a
  // host's other threads must not hang on it meanwhile. The body takes a turn whenever
  // it reads or changes the settings.
  kestril::TJwwSPIBody* body = nullptr;
  {
    const kestril::Turn turn;
    body = library.Body();
    if (body)
      body->SetTurnTaker([](const std::function<void()>& f) {
        const kestril::Turn inner;
        f();
      });
  }
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
