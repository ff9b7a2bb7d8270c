// `kestril thumbnail [-s SIZE] INPUT OUTPUT.png`: a thumbnail as file managers want it
// (freedesktop thumbnail conventions), drawn at its size by the same code as the
// gdk-pixbuf loader, so both make the same pixels.

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "base/errors.h"
#include "cli/commands.h"
#include "cli/drawing_source.h"
#include "cli/output_file.h"
#include "desktop/sized_picture.h"
#include "graphics/image/png_file.h"
#include "platform/file_settings_store.h"
#include "platform/file_stream.h"
#include "platform/system.h"

namespace kestril::cli {
namespace {

constexpr int32_t kDefaultSize = 256;
// The largest freedesktop size is 1024; the drawing is held whole while it is written.
constexpr int32_t kMaxSize = 4096;

constexpr const char* kUsage =
    "usage: kestril thumbnail [-s SIZE] INPUT OUTPUT.png\n"
    "\n"
    "Writes a thumbnail of a Jw_cad drawing as file managers want it: the plug-in's\n"
    "picture drawn directly at the size, its longer side SIZE pixels, as PNG with the\n"
    "drawing's URI and modification time (Thumb::URI, Thumb::MTime).\n"
    "\n"
    "  INPUT           the drawing, as a path or a file:// URI\n"
    "  OUTPUT.png      the thumbnail; written aside and renamed when whole\n"
    "  -s, --size SIZE the longer side in pixels, 1 to 4096 (default 256)\n"
    "  -h, --help      this text\n"
    "\n"
    "Colours and switches come from the plug-in's settings (see 'kestril settings');\n"
    "the shape is that of the plug-in's picture. A drawing that is cut short or\n"
    "damaged gives no thumbnail.\n"
    "\n"
    "Exit status: 0 when the thumbnail was written, 1 when the drawing could not be\n"
    "read or the thumbnail not written, 2 on a usage error.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "kestril thumbnail: %s\nRun 'kestril thumbnail --help' for the options.\n",
               message.c_str());
  return 2;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsUnreserved(unsigned char c) {
  return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

bool PathOfFileUri(std::string_view uri, std::string& path) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return false;
  }
  std::string_view rest = uri.substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view host = rest.substr(0, slash);
  if (!host.empty() && host != "localhost") return false;
  rest = rest.substr(slash);
  path.clear();
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%') {
      const int hi = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
      const int lo = hi >= 0 ? HexValue(rest[i + 2]) : -1;
      if (lo < 0) return false;
      const char c = static_cast<char>(hi * 16 + lo);
      if (c == '\0') return false;
      path += c;
      i += 2;
    } else if (rest[i] == '?' || rest[i] == '#') {
      return false;
    } else {
      path += rest[i];
    }
  }
  return true;
}

std::string FileUriOfPath(const std::string& absolutePath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char ch : absolutePath) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c)) {
      uri += ch;
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

int ThumbnailCommand(std::span<const std::string_view> args) {
  int32_t size = kDefaultSize;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "-s" || a == "--size") {
      if (i + 1 == args.size()) return UsageError(std::string(a) + " needs a value");
      const std::string_view v = args[++i];
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), size);
      if (ec != std::errc() || end != v.data() + v.size() || size < 1 || size > kMaxSize) {
        return UsageError("the size is a whole number from 1 to 4096, not '" + std::string(v) +
                          "'");
      }
    } else if (a.size() > 1 && a.front() == '-') {
      return UsageError("unknown option " + std::string(a));
    } else {
      files.emplace_back(a);
    }
  }
  if (files.size() != 2) return UsageError("give the drawing and the thumbnail file");
  const std::string& input = files[0];
  const std::string& output = files[1];

  std::string path = input;
  std::string uri;
  if (input.find("://") != std::string::npos) {
    if (!PathOfFileUri(input, path)) {
      std::fprintf(stderr, "kestril thumbnail: %s: only local file:// URIs can be read\n",
                   input.c_str());
      return 1;
    }
    uri = input;
  }
  const std::string source = SourceEnvironment(path).source->path;
  if (uri.empty()) uri = FileUriOfPath(source);

  SetSettingsWarning([](const std::string& problem) {
    std::fprintf(stderr, "kestril thumbnail: warning: %s\n", problem.c_str());
  });
  try {
    const std::optional<FileId> drawing = IdOf(path);
    if (drawing && drawing == IdOf(output)) {
      throw Error("the thumbnail " + output + " would replace the drawing itself");
    }
    const std::filesystem::path place(output);
    RemoveLeftovers(place.parent_path().string(), {place.filename().string()});
    SizedPicture picture;
    const std::unique_ptr<Stream> stream = OpenFileStream(path);
    picture.Read(*stream, source);
    const PictureSize fit = FitSquare(picture.NaturalSize(picture.Kind()), size);
    WriteOutput(output, [&](ByteSink& out) {
      PngRowWriter png(out, fit.width, fit.height,
                       {{"Thumb::URI", uri},
                        {"Thumb::MTime", std::to_string(FileModifiedTime(source))},
                        {"Software", "kestril " KESTRIL_VERSION}});
      picture.DrawRows(fit, [&](int32_t, const uint8_t* bgr) { png.WriteRow(bgr); });
      png.Finish();
    });
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestril thumbnail: %s: %s\n", input.c_str(), e.what());
  }
  return 1;
}

}  // namespace kestril::cli
