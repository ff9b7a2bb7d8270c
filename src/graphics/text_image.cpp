#include "graphics/text_image.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "base/decimal.h"
#include "graphics/canvas/stretch_pixels.h"
#include "graphics/image/image_cache.h"
#include "graphics/text/cp932.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#else
#include <iconv.h>

#include "platform/native_file.h"
#endif

namespace kestril {
namespace {

constexpr std::string_view kImagePrefix = "^@BM";

// Texts are Shift-JIS (code page 932): a lead byte and the byte after it are one
// character, whose second byte may look like ',' or '\'.
bool IsLeadByte(char c) {
  const auto b = static_cast<uint8_t>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Calls f(index, isSingleByte) for each character of a Shift-JIS text.
template <typename F>
void ForEachCharacter(std::string_view s, F f) {
  for (size_t i = 0; i < s.size(); ++i) {
    const bool dbcs = IsLeadByte(s[i]) && i + 1 < s.size();
    f(i, !dbcs);
    if (dbcs) ++i;
  }
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  ForEachCharacter(text, [&](size_t i, bool single) {
    if (single && text[i] == ',') {
      fields.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  });
  fields.push_back(text.substr(start));
  return fields;
}

// Full-width digits, signs, point, exponent letters and space become their half-width
// forms, whatever the machine's locale; other characters stay as they are.
std::string ToHalfWidth(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  ForEachCharacter(s, [&](size_t i, bool single) {
    if (single) {
      out += s[i];
      return;
    }
    const auto lead = static_cast<uint8_t>(s[i]);
    const auto trail = static_cast<uint8_t>(s[i + 1]);
    char half = 0;
    if (lead == 0x82 && trail >= 0x4F && trail <= 0x58)
      half = static_cast<char>('0' + trail - 0x4F);
    if (lead == 0x82 && trail == 0x64) half = 'E';
    if (lead == 0x82 && trail == 0x85) half = 'e';
    if (lead == 0x81) {
      if (trail == 0x40) half = ' ';
      if (trail == 0x44) half = '.';
      if (trail == 0x7B) half = '+';
      if (trail == 0x7C) half = '-';
    }
    if (half != 0) {
      out += half;
    } else {
      out.append(s.substr(i, 2));
    }
  });
  return out;
}

// A decimal number with optional surrounding spaces and sign; nothing for anything else
// (empty, letters, infinities).
std::optional<double> ParseNumber(std::string_view field) {
  const std::string text = ToHalfWidth(field);
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (s.size() > 1 && s.front() == '+' && s[1] != '-') s.remove_prefix(1);
  double value = 0;
  if (!ReadFiniteDouble(s, value)) return std::nullopt;
  return value;
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

#ifdef _WIN32

// Wide characters, so that the names reach the file system whatever the machine's code
// page: the stored path is Shift-JIS, the drawing's folder in the host's code page.
std::wstring Widen(std::string_view s, UINT codePage) {
  if (s.empty() || s.size() > 0x7FFFFFFF) return {};
  const int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// The stored path as it is; a relative one also from the drawing's folder.
// A path stored as Unicode reaches the file system as it is.
std::vector<std::wstring> Candidates(std::string_view stored, const std::u16string* unicode,
                                     const std::string& folder) {
  const std::wstring path =
      unicode != nullptr ? std::wstring(unicode->begin(), unicode->end()) : Widen(stored, 932);
  if (path.empty()) return {};
  std::vector<std::wstring> out{path};
  const bool drive = path.size() >= 2 && path[1] == L':';
  const bool rooted = path.front() == L'\\' || path.front() == L'/';
  const std::wstring dir = Widen(folder, CP_ACP);
  if (!drive && !rooted && !dir.empty()) {
    out.push_back(dir + (dir.back() == L'\\' || dir.back() == L'/' ? L"" : L"\\") + path);
  }
  return out;
}

struct HandleRelease {
  void operator()(HANDLE h) const { CloseHandle(h); }
};

// A file a reference names, open: `key` tells it from every other file of the picture.
struct FoundFile {
  std::string key;
  std::unique_ptr<void, HandleRelease> file;
  int64_t size = 0;
};

// The first candidate that opens as a disk file; nothing when none does. Pipes and
// devices are refused by their type once open.
std::optional<FoundFile> OpenFirstFile(const std::vector<std::wstring>& candidates) {
  for (const std::wstring& path : candidates) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    std::unique_ptr<void, HandleRelease> file(h);
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) continue;
    return FoundFile{
        std::string(reinterpret_cast<const char*>(path.data()), path.size() * sizeof(wchar_t)),
        std::move(file), size.QuadPart};
  }
  return std::nullopt;
}

// The file's bytes; nothing for a file beyond the size limit.
std::optional<std::vector<uint8_t>> ReadWhole(FoundFile& found) {
  if (found.size > kMaxImageFileBytes) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(found.size));
  size_t got = 0;
  while (got < bytes.size()) {
    DWORD n = 0;
    if (!ReadFile(found.file.get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n,
                  nullptr) ||
        n == 0) {
      break;
    }
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

#else

// The same path in UTF-8, the encoding of file names here, when it differs.
std::optional<std::string> Utf8Of(std::string_view cp932) {
  if (std::all_of(cp932.begin(), cp932.end(), [](char c) { return (c & 0x80) == 0; })) {
    return std::nullopt;
  }
  const iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(cp932), out(cp932.size() * 3 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t srcLeft = in.size(), dstLeft = out.size();
  const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1) || srcLeft != 0) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return folder + (folder.back() == '/' ? "" : "/") + std::string(name);
}

// Backslashes separate folders. A Windows absolute path (drive or root) names a file
// that is looked for in the drawing's folder; a relative path is looked up from the
// current directory, then from the drawing's folder. The stored part of each candidate
// is tried as stored and in UTF-8 (the folder is a name of this system already).
// A path stored as Unicode is tried in UTF-8 only.
std::vector<std::string> Candidates(std::string_view stored, const std::u16string* unicode,
                                    const std::string& folder) {
  const bool drive = stored.size() >= 2 && stored[1] == ':';
  const bool windowsRooted = stored.front() == '\\';
  std::string path;
  if (unicode != nullptr) {
    path = Utf16ToUtf8(*unicode);
    std::replace(path.begin(), path.end(), '\\', '/');
  } else {
    ForEachCharacter(stored, [&](size_t i, bool single) {
      if (single && stored[i] == '\\') {
        path += '/';
      } else {
        path.append(stored.substr(i, single ? 1 : 2));
      }
    });
  }
  if (drive) path.erase(0, 2);
  if (drive || windowsRooted) {
    const size_t slash = path.rfind('/');  // '/' is never a second byte
    if (slash != std::string::npos) path.erase(0, slash + 1);
  }
  if (path.empty()) return {};
  std::vector<std::string> forms{path};
  if (unicode == nullptr) {
    if (std::optional<std::string> utf8 = Utf8Of(path)) forms.push_back(std::move(*utf8));
  }
  std::vector<std::string> out;
  if (!drive && !windowsRooted) {
    out = forms;  // from the current directory, or absolute
    if (path.front() == '/') return out;
  }
  if (!folder.empty()) {
    for (const std::string& f : forms) out.push_back(Join(folder, f));
  }
  return out;
}

// A file a reference names, open: `key` tells it from every other file of the picture.
struct FoundFile {
  std::string key;
  NativeFile file;
};

// The first candidate that opens as a regular file; nothing when none does.
std::optional<FoundFile> OpenFirstFile(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates) {
    try {
      return FoundFile{path, NativeFile::Open(path)};
    } catch (const Error&) {
      // missing, unreadable or not a regular file
    }
  }
  return std::nullopt;
}

// The file's bytes; nothing for a file beyond the size limit.
std::optional<std::vector<uint8_t>> ReadWhole(FoundFile& found) {
  NativeFile& file = found.file;
  if (file.Size() > kMaxImageFileBytes) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  size_t got = 0;
  while (got < bytes.size()) {
    const size_t n = file.ReadAt(static_cast<int64_t>(got), bytes.data() + got, bytes.size() - got);
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

#endif

// The image a reference names, decoded once for the picture: found by the reference's
// text when it was met before (no file is touched again), else by the file it leads to,
// which other texts may name otherwise. Nothing when it cannot be drawn; a reference
// to an image the budget had no room for counts as skipped.
const DecodedImage* ImageOf(std::string_view path, const std::u16string* unicode,
                            ImageFormat format, const ImageSearch& search, ImageCache& images) {
  const std::string reference = "text:" + search.drawingFolder + '\0' + std::string(path) +
                                (unicode != nullptr ? '\0' + Utf16ToUtf8(*unicode) : "");
  const ImageCache::Entry* entry = images.Find(reference);
  if (entry == nullptr) {
    try {
      std::optional<FoundFile> found =
          OpenFirstFile(Candidates(path, unicode, search.drawingFolder));
      if (found) {
        const std::string file = "file:" + found->key;
        entry = images.Find(file);
        if (entry == nullptr) {
          const std::optional<std::vector<uint8_t>> bytes = ReadWhole(*found);
          entry = bytes ? &images.Decode(file, format, *bytes) : &images.Nothing(file);
        }
      }
    } catch (const Error&) {
      // a file that fails while it is read
    } catch (const std::bad_alloc&) {
    }
    if (entry != nullptr) {
      images.Alias(reference, *entry);
    } else {
      entry = &images.Nothing(reference);
    }
  }
  if (entry->overBudget) images.Skip();
  return entry->image.get();
}

}  // namespace

void DrawTextImage(Canvas& canvas, const TaPoint2D& start, JwStringView stored,
                   const TViewTransform& view, const ImageSearch& search, ImageCache& images) {
  const TaPoint2D device = ToDevice(view, start);
  // Fields and sizes are read in the code page's form, where a Unicode text's characters
  // keep their places; its path is taken from the text itself, every character kept.
  const std::string text = Cp932Of(stored);
  std::optional<std::u16string> unicode;
  if (stored.encoding == TextEncoding::Utf16) {
    const std::u16string whole = DecodeText(stored);
    const size_t comma = std::min(whole.find(u','), whole.size());
    unicode = whole.substr(std::min(comma, kImagePrefix.size()),
                           comma - std::min(comma, kImagePrefix.size()));
  }
  const std::vector<std::string_view> fields = SplitFields(text);
  // Without a width the image has no size: it is skipped.
  if (fields.size() < 2) return;
  const std::string_view path = fields[0].substr(std::min(fields[0].size(), kImagePrefix.size()));
  if (path.empty()) return;
  const std::optional<ImageFormat> format = ImageFormatOf(path);
  if (!format) return;

  // A size that is not a number skips this image only. An empty third field is taken
  // as no height at all.
  const std::optional<double> width = ParseNumber(fields[1]);
  if (!width) return;
  const double w = *width * view.Scale;
  double h = -view.YAxisFactor * w;
  if (fields.size() >= 3 && !IsBlank(fields[2])) {
    const std::optional<double> height = ParseNumber(fields[2]);
    if (!height) return;
    h = -view.YAxisFactor * *height * view.Scale;
  }
  const int32_t left = RoundHalfEven(device.x);
  const int32_t top = RoundHalfEven(device.y - h);
  const int32_t right = RoundHalfEven(device.x + w);
  const int32_t bottom = RoundHalfEven(device.y);
  // Nothing of an empty box or of one beside the picture would show.
  const StretchSpan across = SpanOf(left, right), down = SpanOf(top, bottom);
  if (across.count == 0 || across.first >= canvas.Width() || across.first + across.count <= 0 ||
      down.count == 0 || down.first >= canvas.Height() || down.first + down.count <= 0) {
    return;
  }

  // A missing, unreadable or broken file skips this image; the picture goes on.
  if (const DecodedImage* image =
          ImageOf(path, unicode ? &*unicode : nullptr, *format, search, images)) {
    canvas.StretchImage(left, top, right, bottom, *image);
  }
}

}  // namespace kestril
