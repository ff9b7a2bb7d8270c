// A native host for the plug-in: loads kestril.so the way an image viewer loads the
// DLL (dlopen, then the exports by name), with its settings file in a folder of the
// test's own, and reads back what the exports hand over.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/image/bmp_layout.h"
#include "plugin/kestril_spi.h"

namespace kestril::testing {

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& file);
std::string ReadText(const std::filesystem::path& file);

// The settings file of a configuration home, and a file with one key's values.
std::filesystem::path SettingsFile(const std::filesystem::path& configHome);
void WriteSettings(const std::filesystem::path& configHome, const std::string& values);

class LoadedPlugin {
 public:
  // Loads the plug-in with XDG_CONFIG_HOME set to configHome.
  explicit LoadedPlugin(const std::filesystem::path& configHome);
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  // Unloads the library (settings are written back); answers whether it is gone.
  bool Unload();

  decltype(&::GetPluginInfo) GetPluginInfo = nullptr;
  decltype(&::IsSupported) IsSupported = nullptr;
  decltype(&::GetPictureInfo) GetPictureInfo = nullptr;
  decltype(&::GetPicture) GetPicture = nullptr;
  decltype(&::GetPreview) GetPreview = nullptr;
  decltype(&::ConfigurationDlg) ConfigurationDlg = nullptr;
  decltype(&::LocalAlloc) LocalAlloc = nullptr;
  decltype(&::LocalLock) LocalLock = nullptr;
  decltype(&::LocalUnlock) LocalUnlock = nullptr;
  decltype(&::LocalFree) LocalFree = nullptr;
  decltype(&::LocalSize) LocalSize = nullptr;
  decltype(&::LocalFlags) LocalFlags = nullptr;

 private:
  void* library_ = nullptr;
};

// The picture-info record's size for this build's hosts.
inline constexpr size_t kInfoRecordSize = 22 + sizeof(void*);

// What GetPicture or GetPreview handed over, copied out and freed.
struct Delivered {
  int32_t result = -1;
  bool headerHandle = false;
  bool pixelHandle = false;
  size_t headerBlockSize = 0;
  size_t pixelBlockSize = 0;
  unsigned headerFlags = 0;  // LocalFlags before freeing: lock count, discarded
  unsigned pixelFlags = 0;
  std::vector<uint8_t> headerBlock;
  std::vector<uint8_t> pixels;
  // All zero until a header block is read, so that a missing one shows.
  BitmapInfoHeader header{.size = 0, .planes = 0, .bitCount = 0};

  // The colour (0x00BBGGRR) of pixel (x, y), y counted from the top.
  uint32_t At(int32_t x, int32_t y) const;
};

enum class Request { Picture, Preview };

Delivered Fetch(LoadedPlugin& plugin, Request request, const char* buffer, intptr_t length,
                uint32_t flags, KestrilProgressProc progress = nullptr, intptr_t userData = 0);
Delivered FetchFile(LoadedPlugin& plugin, Request request, const std::filesystem::path& file,
                    intptr_t offset = 0);
Delivered FetchMemory(LoadedPlugin& plugin, Request request, const std::vector<uint8_t>& bytes);

// GetPictureInfo's record, read field by field.
struct InfoRecord {
  int32_t result = -1;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint16_t xDensity = 0, yDensity = 0;
  int16_t colorDepth = 0;
  bool hasText = false;
  std::string text;  // copied out; the handle is freed
  size_t textBlockSize = 0;
};
InfoRecord Info(LoadedPlugin& plugin, const char* buffer, intptr_t length, uint32_t flags);
InfoRecord InfoOfFile(LoadedPlugin& plugin, const std::filesystem::path& file, intptr_t offset = 0);

// Test drawings. An empty JWW drawing carries its own pen table with this background.
std::vector<uint8_t> EmptyJww(uint32_t background);
std::vector<uint8_t> JwsWithLine();
std::vector<uint8_t> BareWithLine();

}  // namespace kestril::testing
