#include "plugin_host.h"

#include <cairo.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/endian.h"
#include "support/jww_writer.h"

namespace kestril::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static int counter = 0;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "kestril-";
  name += std::to_string(::getpid()) + "-" + std::to_string(counter++);
  if (info) name += std::string("-") + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = fs::temp_directory_path() / name;
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path SettingsFile(const fs::path& configHome) {
  return configHome / "kestril" / "settings.reg";
}

void WriteSettings(const fs::path& configHome, const std::string& values) {
  const std::string text =
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tovalin\\Susie\\Plug-in\\Ferrand]\n" + values;
  WriteBytes(SettingsFile(configHome), std::vector<uint8_t>(text.begin(), text.end()));
}

LoadedPlugin::LoadedPlugin(const fs::path& configHome) {
  // Cairo and pixman make one-time caches when they load; were they unloaded with
  // the plug-in, the leak checker would count those as leaks of every test. The
  // host keeps them loaded for the whole run instead.
  (void)cairo_version();
  ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
  library_ = ::dlopen(KESTRIL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    ADD_FAILURE() << "dlopen: " << ::dlerror();
    return;
  }
  auto bind = [this](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(library_, name));
    if (fn == nullptr) ADD_FAILURE() << "missing export " << name;
  };
  bind(GetPluginInfo, "GetPluginInfo");
  bind(IsSupported, "IsSupported");
  bind(GetPictureInfo, "GetPictureInfo");
  bind(GetPicture, "GetPicture");
  bind(GetPreview, "GetPreview");
  bind(ConfigurationDlg, "ConfigurationDlg");
  bind(LocalAlloc, "LocalAlloc");
  bind(LocalLock, "LocalLock");
  bind(LocalUnlock, "LocalUnlock");
  bind(LocalFree, "LocalFree");
  bind(LocalSize, "LocalSize");
  bind(LocalFlags, "LocalFlags");
}

LoadedPlugin::~LoadedPlugin() {
  Unload();
}

bool LoadedPlugin::Unload() {
  if (library_ == nullptr) return true;
  ::dlclose(library_);
  library_ = nullptr;
  void* still = ::dlopen(KESTRIL_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (still == nullptr) return true;
  ::dlclose(still);
  return false;
}

uint32_t Delivered::At(int32_t x, int32_t y) const {
  const int64_t stride = BmpStride(header.width);
  const int64_t row = header.height - 1 - y;  // bottom-up
  const uint8_t* p = pixels.data() + row * stride + x * 3;
  return static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[0]) << 16);
}

Delivered Fetch(LoadedPlugin& plugin, Request request, const char* buffer, intptr_t length,
                uint32_t flags, KestrilProgressProc progress, intptr_t userData) {
  void* hInfo = reinterpret_cast<void*>(uintptr_t{0xDEAD0});  // must be overwritten
  void* hBits = reinterpret_cast<void*>(uintptr_t{0xDEAD0});
  Delivered d;
  auto call = request == Request::Picture ? plugin.GetPicture : plugin.GetPreview;
  d.result = call(buffer, length, flags, &hInfo, &hBits, progress, userData);
  d.headerHandle = hInfo != nullptr;
  d.pixelHandle = hBits != nullptr;
  if (hInfo) {
    d.headerBlockSize = plugin.LocalSize(hInfo);
    d.headerFlags = plugin.LocalFlags(hInfo);
    const auto* p = static_cast<const uint8_t*>(plugin.LocalLock(hInfo));
    if (p) {
      d.headerBlock.assign(p, p + d.headerBlockSize);
      if (d.headerBlockSize >= BitmapInfoHeader::kSize) {
        d.header = BitmapInfoHeader::ReadFrom({p, d.headerBlockSize});
      }
      plugin.LocalUnlock(hInfo);
    }
    EXPECT_EQ(plugin.LocalFree(hInfo), nullptr);
  }
  if (hBits) {
    d.pixelBlockSize = plugin.LocalSize(hBits);
    d.pixelFlags = plugin.LocalFlags(hBits);
    const auto* p = static_cast<const uint8_t*>(plugin.LocalLock(hBits));
    if (p) {
      d.pixels.assign(p, p + d.pixelBlockSize);
      plugin.LocalUnlock(hBits);
    }
    EXPECT_EQ(plugin.LocalFree(hBits), nullptr);
  }
  return d;
}

Delivered FetchFile(LoadedPlugin& plugin, Request request, const fs::path& file, intptr_t offset) {
  return Fetch(plugin, request, file.c_str(), offset, 0);
}

Delivered FetchMemory(LoadedPlugin& plugin, Request request, const std::vector<uint8_t>& bytes) {
  return Fetch(plugin, request, reinterpret_cast<const char*>(bytes.data()),
               static_cast<intptr_t>(bytes.size()), 1);
}

InfoRecord Info(LoadedPlugin& plugin, const char* buffer, intptr_t length, uint32_t flags) {
  uint8_t raw[kInfoRecordSize + 4];
  std::memset(raw, 0xA5, sizeof raw);
  InfoRecord r;
  r.result =
      plugin.GetPictureInfo(buffer, length, flags, reinterpret_cast<KestrilPictureInfo*>(raw));
  EXPECT_EQ(raw[kInfoRecordSize], 0xA5) << "wrote past the record";
  auto u32 = [&](size_t at) { return LoadU32(raw + at); };
  auto u16 = [&](size_t at) { return LoadU16(raw + at); };
  r.left = static_cast<int32_t>(u32(0));
  r.top = static_cast<int32_t>(u32(4));
  r.width = static_cast<int32_t>(u32(8));
  r.height = static_cast<int32_t>(u32(12));
  r.xDensity = u16(16);
  r.yDensity = u16(18);
  r.colorDepth = static_cast<int16_t>(u16(20));
  const uint64_t handle = sizeof(void*) == 8 ? LoadU64(raw + 22) : LoadU32(raw + 22);
  if (handle != 0) {
    void* h = reinterpret_cast<void*>(static_cast<uintptr_t>(handle));
    r.hasText = true;
    r.textBlockSize = plugin.LocalSize(h);
    const char* p = static_cast<const char*>(plugin.LocalLock(h));
    if (p) r.text.assign(p, strnlen(p, r.textBlockSize));
    plugin.LocalUnlock(h);
    EXPECT_EQ(plugin.LocalFree(h), nullptr);
  }
  return r;
}

InfoRecord InfoOfFile(LoadedPlugin& plugin, const fs::path& file, intptr_t offset) {
  return Info(plugin, file.c_str(), offset, 0);
}

std::vector<uint8_t> EmptyJww(uint32_t background) {
  TJwwHeader h = TestHeader(700);
  h.PenColor[0] = background;
  ArchiveWriter a(700);
  a.End();
  return BuildJww(h, a);
}

std::vector<uint8_t> JwsWithLine() {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 50}));
  a.End();
  return BuildJws(a);
}

std::vector<uint8_t> BareWithLine() {
  ArchiveWriter a(700);
  a.Line(Line({0, 0}, {100, 50}));
  a.End();
  return BuildBare(a);
}

}  // namespace kestril::testing
