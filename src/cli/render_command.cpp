// `kestril render [FILE...] [-o OUT|DIR/] ...`: the plug-in's picture or preview of a
// drawing, made by the same body and procedure, written as PNG or BMP, or drawn on an
// SVG or PDF page; many drawings at once by several workers, each with its own body.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/plane.h"
#include "cli/commands.h"
#include "cli/drawing_source.h"
#include "cli/output_file.h"
#include "cli/picture_file.h"
#include "graphics/image/image_cache.h"
#include "platform/file_settings_store.h"
#include "platform/file_stream.h"
#include "platform/user_settings.h"
#include "plugin/jww_spi_body.h"

namespace kestril::cli {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kMaxWidth = 32767;

std::string Usage() {
  const std::filesystem::path settings = DefaultSettingsFile();
  return "usage: kestril render [FILE] [-o OUT.png|.bmp|.svg|.pdf] [OPTIONS]\n"
         "       kestril render FILE... [-o DIR/] [--format png|bmp|svg|pdf] [-j N] [OPTIONS]\n"
         "\n"
         "Renders Jw_cad drawings (JWW drawings, JWS data or bare object archives) through\n"
         "the image-viewer plug-in's own procedure: to 24-bit pictures written as PNG or\n"
         "BMP, or drawn by the same procedure on SVG or PDF pages.\n"
         "\n"
         "  FILE            the drawing; without it, the bundled sample\n"
         "                  (" +
         BundledSample() +
         ")\n"
         "  -o, --output OUT\n"
         "                  one drawing: the picture file; its extension, .png, .bmp,\n"
         "                  .svg or .pdf, picks the format (default: FILE's name with the\n"
         "                  format's extension, in the current folder).\n"
         "                  Several drawings, or OUT ending in / or naming a folder: the\n"
         "                  folder (made when missing) that gets one picture per drawing,\n"
         "                  named after it (default: the current folder)\n"
         "  --format F      png, bmp, svg or pdf (default: png, or OUT's extension)\n"
         "  -j, --jobs N    drawings converted at once, 1 to 256 (default: the number\n"
         "                  of processors)\n"
         "  --mm            SVG and PDF: one drawing unit is one millimetre on the page.\n"
         "                  The page is the drawing's sheet (a JWW drawing's paper size,\n"
         "                  A0 to A4, centred on the origin as in Jw_cad) grown by\n"
         "                  anything drawn beyond it, or what is drawn when there is no\n"
         "                  sheet. Without --mm a page is the picture's size in points\n"
         "  --preview       the plug-in's preview instead of its picture\n"
         "  --width W       width in pixels, 1 to 32767; the height is W x 0.75 rounded\n"
         "                  (with --preview the preview's height is W x 0.75 rounded and\n"
         "                  its width follows from that, as in the plug-in)\n"
         "  --antialias     smooth the edges of PNG and BMP pictures (the plug-in, like\n"
         "                  Jw_cad, draws without; SVG and PDF pages are smoothed by\n"
         "                  whatever shows them)\n"
         "  --strict        a drawing that is cut short is a failure (exit 1); without\n"
         "                  it, what was read is drawn and a warning is printed\n"
         "  -h, --help      this text\n"
         "\n"
         "Pictures are written under a hidden temporary beside them,\n"
         "  .NAME.kestril-tmp-PID\n"
         "synced to the disk and renamed when whole: a conversion that fails (a full disk,\n"
         "say) or is stopped by Ctrl-C, SIGTERM or SIGHUP leaves no half picture and keeps\n"
         "the file that was there. One killed outright (SIGKILL, a crash) may leave its\n"
         "temporary, which the next run writing that picture there removes. A picture is\n"
         "never written over one of the drawings being rendered.\n"
         "Several drawings: a drawing that fails is reported and the others go on; a\n"
         "progress bar shows on a terminal, a summary line at the end.\n"
         "\n"
         "Sizes, colours and switches come from the plug-in's settings in\n"
         "  " +
         (settings.empty() ? std::string("(none: neither XDG_CONFIG_HOME nor HOME is set)")
                           : settings.string()) +
         "\n"
         "The options above override them for this run only; nothing is written back.\n"
         "A settings file that is not a regular file of at most 1 MB is ignored, with a\n"
         "warning.\n"
         "Without settings the plug-in's defaults apply: JWW drawings 800 x 600, JWS\n"
         "data and bare archives 640 x 480, previews 160 x 120.\n"
         "\n"
         "Exit status: 0 when every picture was written, 1 when any drawing could not be\n"
         "read or its picture not written (with --strict: or a drawing is cut short), 2 on\n"
         "a usage error.\n";
}

struct Options {
  std::vector<std::string> inputs;
  std::string output;
  std::optional<PictureFormat> format;  // --format
  bool preview = false;
  bool antialias = false;
  bool strict = false;
  bool millimetres = false;
  int32_t width = 0;  // 0: from the settings
  int jobs = 0;       // 0: one per processor
};

constexpr int kMaxJobs = 256;

int UsageError(const std::string& message) {
  std::fprintf(stderr, "kestril render: %s\nRun 'kestril render --help' for the options.\n",
               message.c_str());
  return 2;
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

bool IsVector(PictureFormat format) {
  return format == PictureFormat::Svg || format == PictureFormat::Pdf;
}

std::string SkippedImagesText(int64_t references) {
  return std::to_string(references) +
         (references == 1 ? " image reference was" : " image references were") +
         " not drawn: a picture decodes at most " + std::to_string(kPictureImagePixels >> 20) +
         " megapixels of images";
}

// What became of one drawing.
struct Outcome {
  bool written = false;
  std::string error;    // why it was not written
  std::string warning;  // written, but the drawing is cut short
  std::string skipped;  // written, without some of its images
  std::string size;     // "800 x 600 picture", "420 x 297 mm page"
};

// One drawing to one picture, with a body of its own: nothing of another drawing's
// conversion reaches it, whichever thread runs it.
Outcome Convert(const Options& o, const PluginSettings& settings, const std::string& input,
                const std::string& output, PictureFormat format, const PictureJob& job) {
  Outcome outcome;
  try {
    TJwwSPIBody body(settings, OpenUserSettings());
    if (o.antialias) {
      body.SetCanvasFactory(
          [](int32_t w, int32_t h, RowBand band) { return CreateRasterCanvas(w, h, true, band); });
    }
    std::unique_ptr<Stream> stream = OpenFileStream(input);
    body.InputFileName = SourceEnvironment(input).source->path;
    const int32_t result = body.ReadRequest(*stream);
    if (result != kSpiSuccess) {
      outcome.error = ResultText(result);
      return outcome;
    }
    const PictureNotes notes = WritePicture(body, output, format, job);
    outcome.written = true;
    if (notes.imagesSkipped > 0) outcome.skipped = SkippedImagesText(notes.imagesSkipped);
    const char* what = o.preview ? "preview" : "picture";
    if (!IsVector(format)) {
      outcome.size = std::to_string(body.PictureWidth(o.preview)) + " x " +
                     std::to_string(body.PictureHeight(o.preview)) + " " + what;
    } else {
      const PageSize page = VectorPageSize(body, job);
      char text[96];
      if (o.millimetres) {
        std::snprintf(text, sizeof text, "%.1f x %.1f mm page", page.width * 25.4 / 72,
                      page.height * 25.4 / 72);
      } else {
        std::snprintf(text, sizeof text, "%.0f x %.0f pt %s page", page.width, page.height, what);
      }
      outcome.size = text;
    }
    if (!body.LastRead().complete) outcome.warning = CutShortReason(body.Doc());
  } catch (const std::bad_alloc&) {
    outcome.error = "out of memory";
  } catch (const EOutOfResources& e) {
    outcome.error = std::string("out of memory (") + e.what() + ")";
  } catch (const std::exception& e) {
    outcome.error = e.what();
  }
  return outcome;
}

// Drawings by the files they are, to keep their pictures off them.
using Drawings = std::map<FileId, std::string>;

Drawings DrawingsOf(const std::vector<std::string>& inputs) {
  Drawings drawings;
  for (const std::string& input : inputs) {
    if (const std::optional<FileId> id = IdOf(input)) drawings.emplace(*id, input);
  }
  return drawings;
}

// Why output must not be written: it is one of the drawings. Empty when it may.
std::string ReplacesADrawing(const Drawings& drawings, const std::string& input,
                             const std::string& output) {
  const std::optional<FileId> id = IdOf(output);
  const auto it = id ? drawings.find(*id) : drawings.end();
  if (it == drawings.end()) return {};
  const FileId self = IdOf(input).value_or(FileId{});
  return "its picture " + output + " is " +
         (it->first == self ? std::string("the drawing itself") : "the drawing " + it->second) +
         ": not written";
}

int RenderOne(const Options& o, const PluginSettings& settings, const std::string& input,
              const std::string& output, PictureFormat format) {
  if (const std::string refusal = ReplacesADrawing(DrawingsOf({input}), input, output);
      !refusal.empty()) {
    std::fprintf(stderr, "kestril: %s: %s\n", input.c_str(), refusal.c_str());
    return 1;
  }
  const fs::path place(output);
  RemoveLeftovers(place.parent_path().string(), {place.filename().string()});
  PictureJob job;
  job.preview = o.preview;
  job.millimetres = o.millimetres;
  // Large pictures take a while: show how far they are on a terminal.
  if (::isatty(STDERR_FILENO) != 0) {
    job.progress = [&](int64_t done, int64_t total) {
      if (done == total) {
        std::fputs("\r\033[K", stderr);
      } else {
        std::fprintf(stderr, "\r%s: drawing, %d %%", input.c_str(),
                     static_cast<int>(100 * done / total));
      }
      std::fflush(stderr);
    };
  }
  const Outcome r = Convert(o, settings, input, output, format, job);
  if (!r.written) {
    std::fprintf(stderr, "kestril: %s: %s\n", input.c_str(), r.error.c_str());
    return 1;
  }
  std::printf("%s: %s written to %s\n", input.c_str(), r.size.c_str(), output.c_str());
  if (!r.skipped.empty())
    std::fprintf(stderr, "kestril: %s: %s\n", input.c_str(), r.skipped.c_str());
  if (!r.warning.empty()) {
    std::fprintf(stderr, "kestril: %s: %s%s\n", input.c_str(), r.warning.c_str(),
                 o.strict ? "" : "; the picture shows what was read");
    return o.strict ? 1 : 0;
  }
  return 0;
}

std::string Clock(double seconds) {
  const long s = std::lround(std::max(seconds, 0.0));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// Several drawings into one folder, o.jobs at a time. Workers only convert; this thread
// alone writes to the terminal.
int RenderMany(const Options& o, const PluginSettings& settings, const std::string& folder,
               PictureFormat format) {
  const size_t total = o.inputs.size();
  std::vector<std::string> outputs(total);
  std::vector<Outcome> outcomes(total);
  std::vector<bool> pending(total, true);
  std::map<std::string, size_t> named;  // output -> the drawing that has it
  std::set<std::string> names;          // of the pictures to write
  const Drawings drawings = DrawingsOf(o.inputs);
  for (size_t i = 0; i < total; ++i) {
    const std::string name = fs::path(o.inputs[i]).stem().string() + ExtensionOf(format);
    outputs[i] = (fs::path(folder) / name).string();
    const auto [it, fresh] = named.emplace(outputs[i], i);
    if (!fresh) {
      outcomes[i].error = "its picture would be " + outputs[i] + ", as that of " +
                          o.inputs[it->second] + ": not written";
      pending[i] = false;
    } else if (std::string refusal = ReplacesADrawing(drawings, o.inputs[i], outputs[i]);
               !refusal.empty()) {
      outcomes[i].error = std::move(refusal);
      pending[i] = false;
    } else {
      names.insert(name);
    }
  }
  RemoveLeftovers(folder, names);

  std::mutex lock;
  std::condition_variable changed;
  std::vector<size_t> finished;  // drawings done and not yet reported
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next++) < total;) {
      if (pending[i]) {
        PictureJob job;
        job.preview = o.preview;
        job.millimetres = o.millimetres;
        outcomes[i] = Convert(o, settings, o.inputs[i], outputs[i], format, job);
      }
      const std::lock_guard guard(lock);
      finished.push_back(i);
      changed.notify_one();
    }
  };
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  const size_t workers = std::min<size_t>(o.jobs > 0 ? size_t(o.jobs) : processors, total);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::jthread> threads;
  for (size_t w = 0; w < workers; ++w) threads.emplace_back(work);

  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  size_t done = 0, failed = 0, cutShort = 0;
  const auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const auto bar = [&] {
    constexpr int kCells = 24;
    const int full = static_cast<int>(kCells * done / total);
    const double seconds = elapsed();
    const double rate = seconds > 0 ? done / seconds : 0;
    std::string line = "\r[" + std::string(size_t(full), '#') +
                       std::string(size_t(kCells - full), '.') + "] " + std::to_string(done) + "/" +
                       std::to_string(total);
    if (failed > 0) line += ", " + std::to_string(failed) + " failed";
    char tail[80];
    std::snprintf(tail, sizeof tail, ", %.1f drawings/s", rate);
    line += tail;
    if (done > 0 && done < total) line += ", " + Clock((total - done) / rate) + " left";
    line += "\033[K";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  };
  std::unique_lock guard(lock);
  while (done < total) {
    changed.wait_for(guard, std::chrono::milliseconds(100), [&] { return !finished.empty(); });
    const std::vector<size_t> now = std::move(finished);
    finished.clear();
    guard.unlock();
    if (terminal && !now.empty()) std::fputs("\r\033[K", stderr);
    for (size_t i : now) {
      ++done;
      const Outcome& r = outcomes[i];
      if (r.written && !r.skipped.empty()) {
        std::fprintf(stderr, "kestril: %s: %s\n", o.inputs[i].c_str(), r.skipped.c_str());
      }
      if (!r.written) {
        ++failed;
        std::fprintf(stderr, "kestril: %s: %s\n", o.inputs[i].c_str(), r.error.c_str());
      } else if (!r.warning.empty()) {
        ++cutShort;
        std::fprintf(stderr, "kestril: %s: %s%s\n", o.inputs[i].c_str(), r.warning.c_str(),
                     o.strict ? "" : "; the picture shows what was read");
      }
    }
    if (terminal) bar();
    guard.lock();
  }
  guard.unlock();
  threads.clear();
  if (terminal) std::fputs("\r\033[K", stderr);
  const double seconds = elapsed();
  char summary[160];
  std::snprintf(summary, sizeof summary,
                "kestril render: %zu of %zu drawings written to %s (%s), %zu failed, in %.2f s "
                "(%.1f drawings/s)\n",
                total - failed, total, folder.c_str(), ExtensionOf(format) + 1, failed, seconds,
                seconds > 0 ? total / seconds : 0.0);
  std::fputs(summary, stderr);
  return failed > 0 || (o.strict && cutShort > 0) ? 1 : 0;
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
    } else if (a == "--mm") {
      o.millimetres = true;
    } else if (a == "-o" || a == "--output" || a == "--width" || a == "--format" || a == "-j" ||
               a == "--jobs") {
      if (i + 1 == args.size()) return UsageError(std::string(a) + " needs a value");
      const std::string_view v = args[++i];
      const auto whole = [&](int32_t low, int32_t high, int32_t& out) {
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
        return ec == std::errc() && end == v.data() + v.size() && out >= low && out <= high;
      };
      if (a == "--width") {
        if (!whole(1, kMaxWidth, o.width)) {
          return UsageError("--width takes a whole number from 1 to 32767, not '" + std::string(v) +
                            "'");
        }
      } else if (a == "-j" || a == "--jobs") {
        int32_t jobs = 0;
        if (!whole(1, kMaxJobs, jobs)) {
          return UsageError(std::string(a) + " takes a whole number from 1 to 256, not '" +
                            std::string(v) + "'");
        }
        o.jobs = jobs;
      } else if (a == "--format") {
        PictureFormat f;
        if (!FormatOfName(v, f)) {
          return UsageError("--format takes png, bmp, svg or pdf, not '" + std::string(v) + "'");
        }
        o.format = f;
      } else {
        o.output = std::string(v);
      }
    } else if (a.size() > 1 && a.front() == '-') {
      return UsageError("unknown option " + std::string(a));
    } else {
      o.inputs.emplace_back(a);
    }
  }
  if (o.inputs.empty()) o.inputs.emplace_back(BundledSample());

  std::error_code ec;
  const bool many =
      o.inputs.size() > 1 ||
      (!o.output.empty() && (o.output.back() == '/' || fs::is_directory(o.output, ec)));
  PictureFormat format = o.format.value_or(PictureFormat::Png);
  PictureFormat named;
  if (many && !o.output.empty() && o.output.back() != '/' && !fs::is_directory(o.output, ec) &&
      FormatOfPath(o.output, named)) {
    // Most likely a slip: a folder called "plan.png" would surprise.
    return UsageError("several drawings need a folder for -o, and " + o.output +
                      " names a picture (end it with / to make a folder of that name)");
  }
  if (!many) {
    if (o.output.empty()) {
      o.output = fs::path(o.inputs[0]).stem().string() + ExtensionOf(format);
    } else if (!FormatOfPath(o.output, named)) {
      return UsageError("the output must end in .png, .bmp, .svg or .pdf: " + o.output);
    } else if (o.format && *o.format != named) {
      return UsageError("--format " + std::string(ExtensionOf(*o.format) + 1) + " and the output " +
                        o.output + " disagree");
    } else {
      format = named;
    }
  }
  if (o.millimetres && !IsVector(format)) {
    return UsageError("--mm sizes SVG and PDF pages; PNG and BMP pictures have --width");
  }

  // The user's settings as the plug-in reads them, never written back. A file that
  // cannot be read as settings is said once and the defaults drawn with.
  SetSettingsWarning([](const std::string& problem) {
    std::fprintf(stderr, "kestril: warning: %s\n", problem.c_str());
  });
  PluginSettings settings;
  try {
    std::unique_ptr<SettingsStore> store = OpenUserSettings();
    settings = LoadSettings(*store, false);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestril: cannot read the settings: %s\n", e.what());
    return 1;
  }
  if (o.width > 0) {
    if (o.preview) {
      settings.PreviewHeight = RoundHalfEven(o.width * 0.75);
    } else {
      settings.jwwWidth = o.width;
      settings.jwzWidth = o.width;
    }
    settings.UpdateDerivedSizes();
  }

  // Before any worker starts, so that every thread leaves the signals to the watcher.
  const InterruptCleanup cleanup;
  if (!many) return RenderOne(o, settings, o.inputs[0], o.output, format);
  const std::string folder = o.output.empty() ? "." : o.output;
  // The reason the folder could not be made is the one to tell, not a later check's.
  std::error_code made;
  fs::create_directories(folder, made);
  if (!fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "kestril: cannot make the folder %s: %s\n", folder.c_str(),
                 made ? made.message().c_str()
                 : ec ? ec.message().c_str()
                      : "a file has its name");
    return 1;
  }
  return RenderMany(o, settings, folder, format);
}

}  // namespace kestril::cli
