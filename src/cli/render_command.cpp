// `kestril render [FILE] [-o OUT] [--preview] [--width W] [--antialias] [--strict]`: the
// plug-in's picture or preview of a drawing, made by the same body and procedure, written
// as PNG or BMP.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/plane.h"
#include "cli/commands.h"
#include "cli/drawing_source.h"
#include "cli/picture_file.h"
#include "platform/file_settings_store.h"
#include "platform/file_stream.h"
#include "platform/user_settings.h"
#include "plugin/jww_spi_body.h"

namespace kestril::cli {
namespace {

constexpr int32_t kMaxWidth = 32767;

std::string Usage() {
  const std::filesystem::path settings = DefaultSettingsFile();
  return "usage: kestril render [FILE] [-o OUT.png|OUT.bmp] [--preview] [--width W] [--antialias]\n"
         "                      [--strict]\n"
         "\n"
         "Renders a Jw_cad drawing (JWW drawing, JWS data or bare object archive) to a\n"
         "24-bit picture through the image-viewer plug-in's own procedure, and writes it\n"
         "as PNG or BMP.\n"
         "\n"
         "  FILE            the drawing; without it, the bundled sample\n"
         "                  (" +
         BundledSample() +
         ")\n"
         "  -o, --output OUT\n"
         "                  the picture file; its extension, .png or .bmp, picks the\n"
         "                  format (default: FILE's name with .png, in the current folder)\n"
         "  --preview       the plug-in's preview instead of its picture\n"
         "  --width W       width in pixels, 1 to 32767; the height is W x 0.75 rounded\n"
         "                  (with --preview the preview's height is W x 0.75 rounded and\n"
         "                  its width follows from that, as in the plug-in)\n"
         "  --antialias     smooth edges (the plug-in, like Jw_cad, draws without)\n"
         "  --strict        a drawing that is cut short is a failure (exit 1); without\n"
         "                  it, what was read is drawn and a warning is printed\n"
         "  -h, --help      this text\n"
         "\n"
         "Sizes, colours and switches come from the plug-in's settings in\n"
         "  " +
         (settings.empty() ? std::string("(none: neither XDG_CONFIG_HOME nor HOME is set)")
                           : settings.string()) +
         "\n"
         "The options above override them for this run only; nothing is written back.\n"
         "Without settings the plug-in's defaults apply: JWW drawings 800 x 600, JWS\n"
         "data and bare archives 640 x 480, previews 160 x 120.\n"
         "\n"
         "Exit status: 0 when the picture was written, 1 when the drawing could not be\n"
         "read or the picture not written (with --strict: or the drawing is cut short),\n"
         "2 on a usage error.\n";
}

struct Options {
  std::string input;
  std::string output;
  bool preview = false;
  bool antialias = false;
  bool strict = false;
  int32_t width = 0;  // 0: from the settings
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "kestril render: %s\nRun 'kestril render --help' for the options.\n",
               message.c_str());
  return 2;
}

std::string DefaultOutput(const std::string& input) {
  return std::filesystem::path(input).stem().string() + ".png";
}

std::string ResultText(int32_t code) {
  switch (code) {
    case kSpiAborted:
      return "aborted";
    case kSpiNotSupported:
      return "not a Jw_cad drawing (no JWW, JWS or archive signature)";
    case kSpiOutOfMemory:
      return "out of memory";
    case kSpiFileError:
      return "cannot read the file";
    default:
      return "the drawing could not be read (damaged or cut short)";
  }
}

}  // namespace

int RenderCommand(std::span<const std::string_view> args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "-h" || a == "--help") {
      std::fputs(Usage().c_str(), stdout);
      return 0;
    }
    if (a == "--preview") {
      o.preview = true;
    } else if (a == "--antialias") {
      o.antialias = true;
    } else if (a == "--strict") {
      o.strict = true;
    } else if (a == "-o" || a == "--output" || a == "--width") {
      if (i + 1 == args.size()) return UsageError(std::string(a) + " needs a value");
      const std::string_view v = args[++i];
      if (a == "--width") {
        int32_t w = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), w);
        if (ec != std::errc() || end != v.data() + v.size() || w < 1 || w > kMaxWidth) {
          return UsageError("--width takes a whole number from 1 to 32767, not '" + std::string(v) +
                            "'");
        }
        o.width = w;
      } else {
        o.output = std::string(v);
      }
    } else if (a.size() > 1 && a.front() == '-') {
      return UsageError("unknown option " + std::string(a));
    } else if (!o.input.empty()) {
      return UsageError("one drawing at a time");
    } else {
      o.input = std::string(a);
    }
  }
  if (o.input.empty()) o.input = BundledSample();
  if (o.output.empty()) o.output = DefaultOutput(o.input);
  PictureFormat format;
  if (!FormatOfPath(o.output, format)) {
    return UsageError("the output must end in .png or .bmp: " + o.output);
  }

  try {
    // The user's settings as the plug-in reads them, never written back.
    std::unique_ptr<SettingsStore> store = OpenUserSettings();
    PluginSettings settings = LoadSettings(*store, false);
    if (o.width > 0) {
      if (o.preview) {
        settings.PreviewHeight = RoundHalfEven(o.width * 0.75);
      } else {
        settings.jwwWidth = o.width;
        settings.jwzWidth = o.width;
      }
      settings.UpdateDerivedSizes();
    }
    TJwwSPIBody body(settings, std::move(store));
    if (o.antialias) {
      body.SetCanvasFactory(
          [](int32_t w, int32_t h, RowBand band) { return CreateRasterCanvas(w, h, true, band); });
    }

    std::unique_ptr<Stream> stream = OpenFileStream(o.input);
    body.InputFileName = SourceEnvironment(o.input).source->path;
    const int32_t result = body.ReadRequest(*stream);
    if (result != kSpiSuccess) {
      std::fprintf(stderr, "kestril: %s: %s\n", o.input.c_str(), ResultText(result).c_str());
      return 1;
    }
    PictureJob job;
    job.preview = o.preview;
    // Large pictures take a while: show how far they are on a terminal.
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    if (terminal) {
      job.progress = [&](int64_t done, int64_t total) {
        if (done == total) {
          std::fputs("\r\033[K", stderr);
        } else {
          std::fprintf(stderr, "\r%s: drawing, %d %%", o.input.c_str(),
                       static_cast<int>(100 * done / total));
        }
        std::fflush(stderr);
      };
    }
    WritePicture(body, o.output, format, job);
    std::printf("%s: %d x %d %s written to %s\n", o.input.c_str(), body.PictureWidth(o.preview),
                body.PictureHeight(o.preview), o.preview ? "preview" : "picture", o.output.c_str());
    if (!body.LastRead().complete) {
      std::fprintf(stderr, "kestril: %s: %s%s\n", o.input.c_str(),
                   CutShortWarning(body.Doc()).c_str(),
                   o.strict ? "" : "; the picture shows what was read");
      return o.strict ? 1 : 0;
    }
    return 0;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kestril: %s: out of memory\n", o.input.c_str());
  } catch (const EOutOfResources& e) {
    std::fprintf(stderr, "kestril: %s: out of memory (%s)\n", o.input.c_str(), e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestril: %s: %s\n", o.input.c_str(), e.what());
  }
  return 1;
}

}  // namespace kestril::cli
