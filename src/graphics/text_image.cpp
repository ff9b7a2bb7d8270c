#include "graphics/text_image.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "graphics/image/image_decoder.h"
#include "platform/native_file.h"

#ifndef _WIN32
#include <iconv.h>
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
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

#ifdef _WIN32

bool EndsWithSeparator(std::string_view s) {
  bool ends = false;
  ForEachCharacter(s,
                   [&](size_t i, bool single) { ends = single && (s[i] == '\\' || s[i] == '/'); });
  return ends;
}

// The stored path as it is; a relative one also from the drawing's folder.
std::vector<std::string> Candidates(std::string_view stored, const std::string& folder) {
  std::vector<std::string> out{std::string(stored)};
  const bool drive = stored.size() >= 2 && stored[1] == ':';
  const bool rooted = stored.front() == '\\' || stored.front() == '/';
  if (!drive && !rooted && !folder.empty()) {
    out.push_back(folder + (EndsWithSeparator(folder) ? "" : "\\") + std::string(stored));
  }
  return out;
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
// current directory, then from the drawing's folder. Each candidate is tried as stored
// and in UTF-8.
std::vector<std::string> Candidates(std::string_view stored, const std::string& folder) {
  const bool drive = stored.size() >= 2 && stored[1] == ':';
  const bool windowsRooted = stored.front() == '\\';
  std::string path;
  ForEachCharacter(stored, [&](size_t i, bool single) {
    if (single && stored[i] == '\\') {
      path += '/';
    } else {
      path.append(stored.substr(i, single ? 1 : 2));
    }
  });
  std::vector<std::string> paths;
  if (drive || windowsRooted) {
    if (drive) path.erase(0, 2);
    const size_t slash = path.rfind('/');  // '/' is never a second byte
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!folder.empty() && !name.empty()) paths.push_back(Join(folder, name));
  } else if (path.front() == '/') {
    paths.push_back(path);
  } else {
    paths.push_back(path);
    if (!folder.empty()) paths.push_back(Join(folder, path));
  }
  std::vector<std::string> out;
  for (const std::string& p : paths) {
    out.push_back(p);
    if (std::optional<std::string> utf8 = Utf8Of(p)) out.push_back(std::move(*utf8));
  }
  return out;
}

#endif

// The bytes of the first candidate that opens as a regular file of bounded size;
// nothing when none does.
std::optional<std::vector<uint8_t>> ReadFirstFile(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates) {
    std::optional<NativeFile> file;
    try {
      file.emplace(NativeFile::Open(path));
    } catch (const Error&) {
      continue;  // missing, unreadable or not a regular file
    }
    if (file->Size() > kMaxImageFileBytes) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
    size_t got = 0;
    while (got < bytes.size()) {
      const size_t n =
          file->ReadAt(static_cast<int64_t>(got), bytes.data() + got, bytes.size() - got);
      if (n == 0) break;
      got += n;
    }
    bytes.resize(got);
    return bytes;
  }
  return std::nullopt;
}

}  // namespace

uint8_t DrawTextImage(Canvas& canvas, const TaPoint2D& start, std::string_view text,
                      const TViewTransform& view, const ImageSearch& search) {
  const TaPoint2D device = ToDevice(view, start);
  const std::vector<std::string_view> fields = SplitFields(text);
  // Without a width the image has no size: it is skipped.
  if (fields.size() < 2) return 0;
  const std::string_view path = fields[0].substr(std::min(fields[0].size(), kImagePrefix.size()));
  if (path.empty()) return 0;
  const std::optional<ImageFormat> format = ImageFormatOf(path);
  if (!format) return 0;

  // A size that is not a number skips this image only. An empty third field is taken
  // as no height at all.
  const std::optional<double> width = ParseNumber(fields[1]);
  if (!width) return 0;
  const double w = *width * view.Scale;
  double h = -view.YAxisFactor * w;
  if (fields.size() >= 3 && !IsBlank(fields[2])) {
    const std::optional<double> height = ParseNumber(fields[2]);
    if (!height) return 0;
    h = -view.YAxisFactor * *height * view.Scale;
  }
  const int32_t left = RoundHalfEven(device.x);
  const int32_t top = RoundHalfEven(device.y - h);
  const int32_t right = RoundHalfEven(device.x + w);
  const int32_t bottom = RoundHalfEven(device.y);
  // Nothing of an empty box or of one beside the picture would show.
  if (left == right || top == bottom) return 0;
  if (std::max(left, right) <= 0 || std::min(left, right) >= canvas.Width() ||
      std::max(top, bottom) <= 0 || std::min(top, bottom) >= canvas.Height()) {
    return 0;
  }

  // A missing, unreadable or broken file skips this image; the picture goes on.
  std::optional<DecodedImage> image;
  try {
    const std::optional<std::vector<uint8_t>> bytes =
        ReadFirstFile(Candidates(path, search.drawingFolder));
    if (!bytes) return 0;
    image.emplace(DecodeImage(*format, *bytes));
  } catch (const Error&) {
    return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  canvas.StretchImage(left, top, right, bottom, *image);
  return 0;
}

}  // namespace kestril
