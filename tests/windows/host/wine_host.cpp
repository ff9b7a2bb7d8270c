// An image viewer in miniature: loads kestril.sph with LoadLibrary, finds the six
// exports with GetProcAddress and drives them as 64-bit hosts do, on Wine's real
// local memory, registry, files and GDI. Its declarations follow the interface, not
// kestril's own header, so that a mismatch between the two shows.
//
//   kestril_wine_host PHASE PLUGIN DATA DRAWINGS OUT
//
// Prints one line per check and closes with "N passed, M failed".
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_checks.h"

namespace {

typedef int(WINAPI* ProgressFn)(int done, int total, LONG_PTR user);
typedef int(WINAPI* GetPluginInfoFn)(int number, LPSTR buffer, int length);
typedef int(WINAPI* IsSupportedFn)(LPCSTR name, void* source);
typedef int(WINAPI* GetPictureInfoFn)(LPCSTR buffer, LONG_PTR length, unsigned flags, void* info);
typedef int(WINAPI* GetPictureFn)(LPCSTR buffer, LONG_PTR length, unsigned flags, HLOCAL* header,
                                  HLOCAL* pixels, ProgressFn progress, LONG_PTR user);
typedef int(WINAPI* ConfigurationDlgFn)(HWND parent, int function);

constexpr size_t kInfoSize = 30;  // packed, with an 8-byte text handle

uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t U16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  bytes.resize(size_t(size.QuadPart));
  DWORD got = 0;
  ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(h);
  return bytes;
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
  CloseHandle(h);
  return ok && put == bytes.size();
}

// GetProcAddress answers a generic function pointer; void (*)() is the type C++
// lets it pass through to the real one.
template <class F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct Plugin {
  HMODULE module = nullptr;
  GetPluginInfoFn GetPluginInfo = nullptr;
  IsSupportedFn IsSupported = nullptr;
  GetPictureInfoFn GetPictureInfo = nullptr;
  GetPictureFn GetPicture = nullptr;
  GetPictureFn GetPreview = nullptr;
  ConfigurationDlgFn ConfigurationDlg = nullptr;

  bool Load(const std::string& path) {
    module = LoadLibraryA(path.c_str());
    if (module == nullptr) return false;
    GetPluginInfo = Proc<GetPluginInfoFn>(module, "GetPluginInfo");
    IsSupported = Proc<IsSupportedFn>(module, "IsSupported");
    GetPictureInfo = Proc<GetPictureInfoFn>(module, "GetPictureInfo");
    GetPicture = Proc<GetPictureFn>(module, "GetPicture");
    GetPreview = Proc<GetPictureFn>(module, "GetPreview");
    ConfigurationDlg = Proc<ConfigurationDlgFn>(module, "ConfigurationDlg");
    return GetPluginInfo && IsSupported && GetPictureInfo && GetPicture && GetPreview &&
           ConfigurationDlg;
  }
  void Unload() {
    if (module) FreeLibrary(module);
    module = nullptr;
  }
};

struct Info {
  int result = -1;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint16_t xDensity = 0, yDensity = 0;
  int16_t depth = 0;
  bool hasText = false;
  std::string text;
  bool wroteBeyond = false;
};

Info GetInfo(Plugin& p, LPCSTR buffer, LONG_PTR length, unsigned flags) {
  uint8_t raw[kInfoSize + 10];
  std::memset(raw, 0xEE, sizeof raw);
  Info r;
  r.result = p.GetPictureInfo(buffer, length, flags, raw);
  r.wroteBeyond = raw[kInfoSize] != 0xEE;
  r.left = int32_t(U32(raw));
  r.top = int32_t(U32(raw + 4));
  r.width = int32_t(U32(raw + 8));
  r.height = int32_t(U32(raw + 12));
  r.xDensity = U16(raw + 16);
  r.yDensity = U16(raw + 18);
  r.depth = int16_t(U16(raw + 20));
  uint64_t handle = 0;
  for (int i = 0; i < 8; ++i) handle |= uint64_t(raw[22 + i]) << (8 * i);
  if (handle != 0) {
    HLOCAL h = reinterpret_cast<HLOCAL>(uintptr_t(handle));
    r.hasText = true;
    if (const char* text = static_cast<const char*>(LocalLock(h))) {
      r.text.assign(text, strnlen(text, LocalSize(h)));
      LocalUnlock(h);
    }
    LocalFree(h);
  }
  return r;
}

struct Picture {
  int result = -1;
  bool header = false;
  bool pixels = false;
  SIZE_T headerSize = 0;
  SIZE_T pixelSize = 0;
  UINT headerFlags = 0;
  UINT pixelFlags = 0;
  bool pixelLockGaveNull = false;
  std::vector<uint8_t> headerBlock;
  std::vector<uint8_t> bits;
  int32_t Width() const { return headerBlock.size() >= 40 ? int32_t(U32(&headerBlock[4])) : 0; }
  int32_t Height() const { return headerBlock.size() >= 40 ? int32_t(U32(&headerBlock[8])) : 0; }
};

// Calls GetPicture or GetPreview and takes what it handed over, as a viewer does.
Picture Fetch(GetPictureFn fn, LPCSTR buffer, LONG_PTR length, unsigned flags,
              ProgressFn progress = nullptr, LONG_PTR user = 0) {
  HLOCAL header = reinterpret_cast<HLOCAL>(uintptr_t(0xBAD0));
  HLOCAL pixels = reinterpret_cast<HLOCAL>(uintptr_t(0xBAD0));
  Picture p;
  p.result = fn(buffer, length, flags, &header, &pixels, progress, user);
  p.header = header != nullptr;
  p.pixels = pixels != nullptr;
  if (header) {
    p.headerSize = LocalSize(header);
    p.headerFlags = LocalFlags(header);
    if (const uint8_t* b = static_cast<const uint8_t*>(LocalLock(header))) {
      p.headerBlock.assign(b, b + p.headerSize);
      LocalUnlock(header);
    }
    LocalFree(header);
  }
  if (pixels) {
    p.pixelSize = LocalSize(pixels);
    p.pixelFlags = LocalFlags(pixels);
    const uint8_t* b = static_cast<const uint8_t*>(LocalLock(pixels));
    p.pixelLockGaveNull = b == nullptr;
    if (b) {
      p.bits.assign(b, b + p.pixelSize);
      LocalUnlock(pixels);
    }
    LocalFree(pixels);
  }
  return p;
}

// The picture as a BMP file: a 14-byte file header, the 40-byte header, the rows.
std::vector<uint8_t> BmpFile(const Picture& p) {
  std::vector<uint8_t> file(14 + 40 + p.bits.size());
  file[0] = 'B';
  file[1] = 'M';
  PutU32(&file[2], uint32_t(file.size()));
  PutU32(&file[10], 14 + 40);
  if (p.headerBlock.size() >= 40) std::memcpy(&file[14], p.headerBlock.data(), 40);
  if (!p.bits.empty()) std::memcpy(&file[54], p.bits.data(), p.bits.size());
  return file;
}

// Checks a BMP file as written to disk: header fields, stride, and the background:
// white row 0 and column 0, the colour everywhere else, zero padding.
void CheckBackgroundBmp(const std::string& path, int32_t width, int32_t height, uint32_t color) {
  const std::vector<uint8_t> f = ReadAll(path);
  CHECK(f.size() >= 54);
  if (f.size() < 54) return;
  const uint8_t* h = &f[14];
  const int64_t stride = (24 * int64_t(width) + 31) / 32 * 4;
  CHECK(f[0] == 'B' && f[1] == 'M');
  CHECK_EQ(U32(&f[10]), 54);
  CHECK_EQ(U32(h), 40);
  CHECK_EQ(int32_t(U32(h + 4)), width);
  CHECK_EQ(int32_t(U32(h + 8)), height);
  CHECK_EQ(U16(h + 12), 1);
  CHECK_EQ(U16(h + 14), 24);
  CHECK_EQ(U32(h + 16), 0);
  CHECK_EQ(U32(h + 20), stride * height);
  CHECK_EQ(U32(h + 24), 0);
  CHECK_EQ(U32(h + 28), 0);
  CHECK_EQ(U32(h + 32), 0);
  CHECK_EQ(U32(h + 36), 0);
  CHECK_EQ(int64_t(f.size()), 54 + stride * height);
  if (int64_t(f.size()) != 54 + stride * height) return;
  long long wrong = 0;
  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* r = &f[54 + size_t(row) * size_t(stride)];
    const int32_t y = height - 1 - row;  // rows are stored bottom-up
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t want = (x == 0 || y == 0) ? 0xFFFFFF : color;
      const uint32_t got =
          uint32_t(r[3 * x + 2]) | (uint32_t(r[3 * x + 1]) << 8) | (uint32_t(r[3 * x]) << 16);
      if (got != want) ++wrong;
    }
    for (int64_t pad = 3 * int64_t(width); pad < stride; ++pad) {
      if (r[pad] != 0) ++wrong;
    }
  }
  host_checks::Report(
      wrong == 0, path + ": background pixels and padding (" + std::to_string(wrong) + " wrong)",
      __LINE__);
}

struct ProgressLog {
  int calls = 0;
  int abortAt = -1;
  std::vector<int> done, total;
  std::vector<LONG_PTR> user;
};

int WINAPI Progress(int done, int total, LONG_PTR user) {
  // The user value travels as the full 64 bits; the log's address comes back.
  ProgressLog* log = reinterpret_cast<ProgressLog*>(user ^ LONG_PTR(0x5A5A000000000000));
  log->done.push_back(done);
  log->total.push_back(total);
  log->user.push_back(user);
  return log->calls++ == log->abortAt ? 1 : 0;
}

LONG_PTR UserOf(ProgressLog& log) {
  return reinterpret_cast<LONG_PTR>(&log) ^ LONG_PTR(0x5A5A000000000000);
}

std::string ReadRegistryString(HKEY key, const char* name, DWORD* type) {
  char buf[64] = {};
  DWORD size = sizeof buf - 1;
  if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size) !=
      ERROR_SUCCESS) {
    *type = REG_NONE;
    return {};
  }
  return std::string(buf);
}

DWORD ReadRegistryDword(HKEY key, const char* name, DWORD* type) {
  DWORD v = 0, size = sizeof v;
  if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(&v), &size) !=
      ERROR_SUCCESS) {
    *type = REG_NONE;
  }
  return v;
}

const char kKey[] = "Software\\Tovalin\\Susie\\Plug-in\\Ferrand";

// ---- phases ---------------------------------------------------------------------

void Frame(Plugin& p, const std::string& data, const std::string& drawings,
           const std::string& out) {
  const std::string emptyJww = data + "\\empty.jww";
  const std::string lineJws = data + "\\line.jws";
  const std::string site = drawings + "\\site-plan-v700.jww";

  // GetPluginInfo
  char buf[256];
  CHECK_EQ(p.GetPluginInfo(0, buf, sizeof buf), 4);
  CHECK(std::strcmp(buf, "00IN") == 0);
  CHECK(p.GetPluginInfo(1, buf, sizeof buf) > 0);
  CHECK(std::strncmp(buf, "Jww/Jws to DIB filter Ver0.80", 29) == 0);
  CHECK_EQ(p.GetPluginInfo(2, buf, sizeof buf), 11);
  CHECK(std::strcmp(buf, "*.Jww;*.Jws") == 0);
  CHECK_EQ(p.GetPluginInfo(3, buf, sizeof buf), 7);
  CHECK(std::strcmp(buf, "Jww/Jws") == 0);
  std::memset(buf, 'x', sizeof buf);
  CHECK_EQ(p.GetPluginInfo(4, buf, sizeof buf), 0);
  CHECK(buf[0] == 'x');
  CHECK_EQ(p.GetPluginInfo(2, buf, 5), 4);
  CHECK(std::strcmp(buf, "*.Jw") == 0);

  // IsSupported with 2000 bytes of memory that end at a page the process may not
  // read: one byte more and the host would crash.
  const std::vector<uint8_t> siteBytes = ReadAll(site);
  CHECK(siteBytes.size() > 3000);
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  uint8_t* pages = static_cast<uint8_t*>(
      VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  DWORD old;
  VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old);
  uint8_t* head = pages + si.dwPageSize - 2000;
  std::memcpy(head, siteBytes.data(), 2000);
  CHECK_EQ(p.IsSupported("site-plan-v700.jww", head), 1);
  std::memset(head, 'j', 2000);
  CHECK_EQ(p.IsSupported("junk.jww", head), 0);
  VirtualFree(pages, 0, MEM_RELEASE);

  // IsSupported with an open file handle, read from where it stands.
  HANDLE file = CreateFileA((data + "\\embedded.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK(file != INVALID_HANDLE_VALUE);
  CHECK_EQ(p.IsSupported("embedded.bin", file), 0);
  SetFilePointer(file, 300, nullptr, FILE_BEGIN);
  CHECK_EQ(p.IsSupported("embedded.bin", file), 1);
  CHECK_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 300);
  CHECK(GetFileSize(file, nullptr) != INVALID_FILE_SIZE);  // still open
  CloseHandle(file);
  HANDLE readEnd, writeEnd;
  CreatePipe(&readEnd, &writeEnd, nullptr, 0);
  CHECK_EQ(p.IsSupported("pipe", readEnd), 0);
  CloseHandle(readEnd);
  CloseHandle(writeEnd);
  CHECK_EQ(p.IsSupported("none", nullptr), 0);

  // GetPictureInfo: file names with offsets, memory images, failures.
  Info i = GetInfo(p, site.c_str(), 0, 0);
  CHECK_EQ(i.result, 0);
  CHECK_EQ(i.left, 0);
  CHECK_EQ(i.top, 0);
  CHECK_EQ(i.width, 800);
  CHECK_EQ(i.height, 600);
  CHECK_EQ(i.xDensity, 0);
  CHECK_EQ(i.yDensity, 0);
  CHECK_EQ(i.depth, 24);
  CHECK(!i.hasText);
  CHECK(!i.wroteBeyond);
  i = GetInfo(p, (drawings + "\\tiny-v600.jws").c_str(), 0, 0);
  CHECK_EQ(i.width, 640);
  CHECK_EQ(i.height, 480);
  CHECK(i.hasText && i.text == "Jws");
  i = GetInfo(p, (data + "\\line.bin").c_str(), 0, 0);
  CHECK(i.hasText && i.text == "Jwz");
  i = GetInfo(p, reinterpret_cast<LPCSTR>(siteBytes.data()), LONG_PTR(siteBytes.size()), 1);
  CHECK_EQ(i.result, 0);
  CHECK_EQ(i.width, 800);
  i = GetInfo(p, (data + "\\embedded.bin").c_str(), 300, 0);
  CHECK_EQ(i.result, 0);
  CHECK_EQ(GetInfo(p, (data + "\\embedded.bin").c_str(), 0, 0).result, 2);
  CHECK_EQ(GetInfo(p, (data + "\\embedded.bin").c_str(), 1 << 20, 0).result, 2);
  CHECK_EQ(GetInfo(p, (data + "\\short.jww").c_str(), 0, 0).result, 2);
  CHECK_EQ(GetInfo(p, (data + "\\missing.jww").c_str(), 0, 0).result, 6);
  CHECK_EQ(GetInfo(p, reinterpret_cast<LPCSTR>(siteBytes.data()), 0, 1).result, 2);
  CHECK_EQ(GetInfo(p, nullptr, 100, 1).result, 8);

  // GetPicture of a drawing with nothing but its background, written out as BMP.
  Picture pic = Fetch(p.GetPicture, emptyJww.c_str(), 0, 0);
  CHECK_EQ(pic.result, 0);
  CHECK_EQ(pic.headerSize, 1064);
  CHECK_EQ(pic.pixelSize, 2400 * 600);
  CHECK_EQ(pic.headerFlags & LMEM_LOCKCOUNT, 0);
  CHECK_EQ(pic.pixelFlags & LMEM_LOCKCOUNT, 0);
  bool paletteZero = true;
  for (size_t k = 40; k < pic.headerBlock.size(); ++k)
    paletteZero = paletteZero && !pic.headerBlock[k];
  CHECK(paletteZero);
  CHECK(WriteAll(out + "\\empty-picture.bmp", BmpFile(pic)));
  CheckBackgroundBmp(out + "\\empty-picture.bmp", 800, 600, 0x336699);

  Picture preview = Fetch(p.GetPreview, emptyJww.c_str(), 0, 0);
  CHECK_EQ(preview.result, 0);
  CHECK(WriteAll(out + "\\empty-preview.bmp", BmpFile(preview)));
  CheckBackgroundBmp(out + "\\empty-preview.bmp", 160, 120, 0x336699);

  const std::vector<uint8_t> emptyBytes = ReadAll(emptyJww);
  Picture fromMemory = Fetch(p.GetPreview, reinterpret_cast<LPCSTR>(emptyBytes.data()),
                             LONG_PTR(emptyBytes.size()), 1);
  CHECK_EQ(fromMemory.result, 0);
  CHECK(fromMemory.bits == preview.bits);
  CHECK(fromMemory.headerBlock == preview.headerBlock);

  Picture embedded = Fetch(p.GetPicture, (data + "\\embedded.bin").c_str(), 300, 0);
  CHECK_EQ(embedded.result, 0);
  CHECK(embedded.bits == pic.bits);

  Picture real = Fetch(p.GetPicture, site.c_str(), 0, 0);
  CHECK_EQ(real.result, 0);
  CHECK_EQ(real.Width(), 800);
  CHECK_EQ(real.Height(), 600);
  CHECK(WriteAll(out + "\\site-plan.bmp", BmpFile(real)));
  Picture jws = Fetch(p.GetPicture, lineJws.c_str(), 0, 0);
  CHECK_EQ(jws.result, 0);
  CHECK_EQ(jws.Width(), 640);
  CHECK_EQ(jws.pixelSize, 1920 * 480);

  // Progress: the host's 64-bit value comes back; an abort at the start reads nothing.
  ProgressLog log;
  Picture withProgress = Fetch(p.GetPicture, emptyJww.c_str(), 0, 0, Progress, UserOf(log));
  CHECK_EQ(withProgress.result, 0);
  CHECK_EQ(log.calls, 2);
  CHECK(log.done.size() == 2 && log.done[0] == 0 && log.done[1] == 110);
  CHECK(log.total.size() == 2 && log.total[0] == 110 && log.total[1] == 110);
  CHECK(log.user.size() == 2 && log.user[0] == UserOf(log) && log.user[1] == UserOf(log));
  ProgressLog previewLog;
  Fetch(p.GetPreview, emptyJww.c_str(), 0, 0, Progress, UserOf(previewLog));
  CHECK(previewLog.total.size() == 2 && previewLog.total[0] == 120);
  ProgressLog stop;
  stop.abortAt = 0;
  Picture aborted =
      Fetch(p.GetPicture, (data + "\\junk.jww").c_str(), 0, 0, Progress, UserOf(stop));
  CHECK_EQ(aborted.result, 1);
  CHECK_EQ(stop.calls, 1);
  CHECK(aborted.header && !aborted.pixels);

  // Data that is not a drawing, a drawing cut short, a file that is not there.
  Picture junk = Fetch(p.GetPicture, (data + "\\junk.jww").c_str(), 0, 0);
  CHECK_EQ(junk.result, 2);
  CHECK(junk.header && !junk.pixels);
  CHECK(junk.headerBlock.size() == 1064 && U32(junk.headerBlock.data()) == 40);
  Picture cut = Fetch(p.GetPicture, reinterpret_cast<LPCSTR>(siteBytes.data()), 3000, 1);
  CHECK_EQ(cut.result, 8);
  CHECK(cut.header && !cut.pixels);
  Picture missing = Fetch(p.GetPreview, (data + "\\missing.jww").c_str(), 0, 0);
  CHECK_EQ(missing.result, 6);
  CHECK(!missing.header && !missing.pixels);

  CHECK_EQ(p.ConfigurationDlg(nullptr, 0), 0);
}

void Settings(const std::string& pluginPath, const std::string& data) {
  const std::string emptyJww = data + "\\empty.jww";
  const std::string emptyJws = data + "\\empty.jws";
  {
    Plugin p;
    CHECK(p.Load(pluginPath));
    if (!p.module) return;
    // jwwWidth is a string in the registry: its default. jwzWidth 3: a 3 x 2 picture.
    const Info jww = GetInfo(p, emptyJww.c_str(), 0, 0);
    CHECK_EQ(jww.width, 800);
    CHECK_EQ(jww.height, 600);
    const Info jws = GetInfo(p, emptyJws.c_str(), 0, 0);
    CHECK_EQ(jws.width, 3);
    CHECK_EQ(jws.height, 2);
    Picture tiny = Fetch(p.GetPicture, emptyJws.c_str(), 0, 0);
    CHECK_EQ(tiny.result, 0);
    CHECK_EQ(tiny.pixelSize, 24);
    // JWS data has no pen table: the background is the user's PenColor00, $123456.
    const std::vector<uint8_t> want = {0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x12, 0x34,
                                       0x56, 0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0};
    CHECK(tiny.bits == want);
    Picture preview = Fetch(p.GetPreview, emptyJws.c_str(), 0, 0);
    CHECK_EQ(preview.Width(), 4);
    CHECK_EQ(preview.Height(), 3);

    // Another program changes a value while the library is loaded.
    HKEY key;
    CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const DWORD other = 999;
    RegSetValueExA(key, "jwzWidth", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&other), 4);
    RegCloseKey(key);
    p.Unload();
  }
  // Unloading wrote every value back, each with its type; the library's jwzWidth won.
  HKEY key;
  CHECK_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type;
  CHECK_EQ(ReadRegistryDword(key, "jwzWidth", &type), 3);
  CHECK_EQ(type, REG_DWORD);
  CHECK_EQ(ReadRegistryDword(key, "jwwWidth", &type), 800);
  CHECK_EQ(type, REG_DWORD);
  CHECK_EQ(ReadRegistryDword(key, "hoji", &type), 1);
  CHECK_EQ(ReadRegistryDword(key, "BwGrey", &type), 1);
  CHECK_EQ(ReadRegistryDword(key, "BmpSFst", &type), 1);
  const char* colours[11] = {"1193046",  "12632064", "0",       "49152",    "255",     "12583104",
                             "16711680", "32896",    "8388863", "16744703", "12632256"};
  for (int n = 0; n < 11; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "PenColor%02d", n);
    const std::string value = ReadRegistryString(key, name, &type);
    host_checks::Report(
        type == REG_SZ && value == colours[n],
        std::string(name) + " is the string " + colours[n] + " (got \"" + value + "\")", __LINE__);
  }
  RegCloseKey(key);

  Plugin again;
  CHECK(again.Load(pluginPath));
  if (again.module) {
    CHECK_EQ(GetInfo(again, emptyJws.c_str(), 0, 0).width, 3);
    again.Unload();
  }
}

void Sizes(Plugin& p, const std::string& which, const std::string& data) {
  const std::string emptyJww = data + "\\empty.jww";
  for (GetPictureFn fn : {p.GetPicture, p.GetPreview}) {
    Picture pic = Fetch(fn, emptyJww.c_str(), 0, 0);
    if (which == "zero") {
      // An empty picture: header with no size, a pixel block of no bytes.
      CHECK_EQ(pic.result, 0);
      CHECK_EQ(pic.Width(), 0);
      CHECK_EQ(pic.Height(), 0);
      CHECK(pic.header && pic.pixels);
      CHECK_EQ(pic.pixelSize, 0);
      CHECK(pic.pixelLockGaveNull);
    } else if (which == "negative") {
      CHECK_EQ(pic.result, 8);
      CHECK(!pic.header && !pic.pixels);
    } else {
      CHECK_EQ(pic.result, 4);
      CHECK(!pic.header && !pic.pixels);
    }
  }
}

// Every drawing of the fixtures folder and of the real drawings, through GetPicture by
// file name with the default settings, written to OUT as NAME.bmp for the native side
// to compare with.
void Pictures(Plugin& p, const std::string& data, const std::string& drawings,
              const std::string& out) {
  for (const std::string& dir : {data + "\\fixtures", drawings}) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &found);
    CHECK(h != INVALID_HANDLE_VALUE);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = found.cFileName;
      // Documents (README, licence texts) sit beside the drawings.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.ends_with(".md") ||
          name.ends_with(".txt")) {
        continue;
      }
      const std::string path = dir + "\\" + name;
      const Picture pic = Fetch(p.GetPicture, path.c_str(), 0, 0);
      host_checks::Report(pic.result == 0 && pic.pixels,
                          name + ": GetPicture answers 0 with pixels", __LINE__);
      if (pic.result == 0) {
        const std::string stem = name.substr(0, name.find_last_of('.'));
        host_checks::Report(WriteAll(out + "\\" + stem + ".bmp", BmpFile(pic)),
                            name + ": BMP written", __LINE__);
      }
    } while (FindNextFileA(h, &found));
    FindClose(h);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::printf("usage: kestril_wine_host PHASE PLUGIN DATA DRAWINGS OUT\n");
    return 2;
  }
  const std::string phase = argv[1], plugin = argv[2], data = argv[3], drawings = argv[4],
                    out = argv[5];
  if (phase == "settings") {
    Settings(plugin, data);
  } else {
    Plugin p;
    CHECK(p.Load(plugin));
    if (p.module) {
      if (phase == "frame") {
        Frame(p, data, drawings, out);
      } else if (phase == "pictures") {
        Pictures(p, data, drawings, out);
      } else if (phase.rfind("sizes-", 0) == 0) {
        Sizes(p, phase.substr(6), data);
      } else {
        std::printf("unknown phase %s\n", phase.c_str());
        return 2;
      }
      p.Unload();
    }
  }
  return host_checks::Summary() ? 0 : 1;
}
