// The gdk-pixbuf loader module: every GTK viewer, file chooser and thumbnailer opens
// Jw_cad drawings through it. Each load has its own body, so loads on several threads
// never share a document. Nothing may escape into the C caller: every failure becomes
// a GError.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#undef GDK_PIXBUF_ENABLE_BACKEND

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "desktop/sized_picture.h"
#include "platform/file_settings_store.h"

namespace kestril {
namespace {

// Larger than any drawing Jw_cad writes; a stream beyond it is refused rather than
// held in memory without end.
constexpr size_t kMaxDrawingBytes = size_t{1} << 30;

struct PixbufUnref {
  void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufUnref>;

void SetError(GError** error, GdkPixbufError code, const char* message) {
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message);
}

GdkPixbufError CodeOf(DrawingFault fault) {
  switch (fault) {
    case DrawingFault::NotADrawing:
      return GDK_PIXBUF_ERROR_UNKNOWN_TYPE;
    case DrawingFault::OutOfMemory:
    case DrawingFault::TooLarge:
      return GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY;
    default:
      return GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
  }
}

struct LoadContext {
  GdkPixbufModuleSizeFunc sizeFunc = nullptr;
  GdkPixbufModulePreparedFunc preparedFunc = nullptr;
  GdkPixbufModuleUpdatedFunc updatedFunc = nullptr;
  gpointer userData = nullptr;

  SizedPicture picture;
  std::vector<uint8_t> bytes;
  bool sized = false;     // the caller was told the size and chose its own
  bool sizeOnly = false;  // the caller wanted the size alone: nothing is drawn
  PictureSize size;
};

// Tells the caller the picture's size as soon as the kind of data is known, so that
// asking for the size alone need not read the whole drawing.
void AnnounceSize(LoadContext& c, FileKind kind) {
  c.sized = true;
  c.size = c.picture.NaturalSize(kind);
  if (c.sizeFunc == nullptr) return;
  int w = c.size.width;
  int h = c.size.height;
  c.sizeFunc(&w, &h, c.userData);
  if (w == 0 || h == 0) {
    c.sizeOnly = true;
  } else if (w > 0 && h > 0) {
    c.size = {w, h};
  }
}

// Reads the collected bytes and draws them into a new pixbuf at the chosen size.
PixbufPtr Render(LoadContext& c) {
  MemoryStream stream = MemoryStream::View(c.bytes);
  c.picture.Read(stream, "");
  if (!c.sized) AnnounceSize(c, c.picture.Kind());
  if (c.sizeOnly) return nullptr;
  const PictureSize size = c.size;
  if (size.width > kMaxPictureSide || size.height > kMaxPictureSide) {
    throw EDrawingFault(DrawingFault::TooLarge, "the picture asked for is too large");
  }
  PixbufPtr pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, size.width, size.height));
  if (!pixbuf) throw EDrawingFault(DrawingFault::OutOfMemory, "cannot allocate the picture");
  if (c.preparedFunc != nullptr) c.preparedFunc(pixbuf.get(), nullptr, c.userData);
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
  const auto stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf.get()));
  c.picture.DrawRows(size, [&](int32_t y, const uint8_t* bgr) {
    uint8_t* dst = pixels + static_cast<size_t>(y) * stride;
    for (int32_t x = 0; x < size.width; ++x, bgr += 3, dst += 3) {
      dst[0] = bgr[2];
      dst[1] = bgr[1];
      dst[2] = bgr[0];
    }
  });
  if (c.updatedFunc != nullptr) {
    c.updatedFunc(pixbuf.get(), 0, 0, size.width, size.height, c.userData);
  }
  return pixbuf;
}

// Runs f, turning whatever it raises into a GError; false when it raised.
template <class F>
bool Guarded(GError** error, F f) {
  try {
    f();
    return true;
  } catch (const EDrawingFault& e) {
    SetError(error, CodeOf(e.Fault()), e.what());
  } catch (const std::bad_alloc&) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "out of memory");
  } catch (const std::exception& e) {
    SetError(error, GDK_PIXBUF_ERROR_FAILED, e.what());
  } catch (...) {
    SetError(error, GDK_PIXBUF_ERROR_FAILED, "the drawing could not be drawn");
  }
  return false;
}

void Append(LoadContext& c, const guchar* buf, size_t size) {
  if (size > kMaxDrawingBytes - c.bytes.size()) {
    throw EDrawingFault(DrawingFault::TooLarge,
                        "the data is larger than any Jw_cad drawing (1 GB)");
  }
  c.bytes.insert(c.bytes.end(), buf, buf + size);
}

gpointer BeginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error) {
  LoadContext* context = nullptr;
  Guarded(error, [&] {
    auto c = std::make_unique<LoadContext>();
    c->sizeFunc = sizeFunc;
    c->preparedFunc = preparedFunc;
    c->updatedFunc = updatedFunc;
    c->userData = userData;
    context = c.release();
  });
  return context;
}

gboolean LoadIncrement(gpointer data, const guchar* buf, guint size, GError** error) {
  auto& c = *static_cast<LoadContext*>(data);
  if (c.sizeOnly) return TRUE;
  return Guarded(error, [&] {
    Append(c, buf, size);
    if (!c.sized && c.bytes.size() >= kRecognitionBytes) {
      const FileKind kind = RecogniseKind({c.bytes.data(), kRecognitionBytes});
      if (kind == FileKind::None) {
        throw EDrawingFault(DrawingFault::NotADrawing,
                            "not a Jw_cad drawing (no JWW, JWS or archive signature)");
      }
      AnnounceSize(c, kind);
    }
  });
}

gboolean StopLoad(gpointer data, GError** error) {
  const std::unique_ptr<LoadContext> c(static_cast<LoadContext*>(data));
  if (c->sizeOnly) return TRUE;
  return Guarded(error, [&] { Render(*c); });
}

GdkPixbuf* Load(FILE* f, GError** error) {
  GdkPixbuf* result = nullptr;
  Guarded(error, [&] {
    LoadContext c;
    guchar buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
      Append(c, buf, n);
    }
    if (std::ferror(f)) throw EDrawingFault(DrawingFault::Damaged, "cannot read the file");
    result = Render(c).release();
  });
  return result;
}

}  // namespace
}  // namespace kestril

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  // Settings that cannot be read (a FIFO, a device, a huge file) are said once, in the
  // host's log, and the defaults drawn with.
  kestril::SetSettingsWarning(
      [](const std::string& problem) { g_warning("kestril: %s", problem.c_str()); });
  module->load = kestril::Load;
  module->begin_load = kestril::BeginLoad;
  module->stop_load = kestril::StopLoad;
  module->load_increment = kestril::LoadIncrement;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  // The caller keeps these for the life of the process and never frees them.
  static GdkPixbufModulePattern signature[] = {
      {const_cast<char*>("JwwData."), nullptr, 100},
      {const_cast<char*>("JwsData."), nullptr, 100},
      {nullptr, nullptr, 0},
  };
  static const char* mimeTypes[] = {"application/x-jww", "application/x-jws", nullptr};
  static const char* extensions[] = {"jww", "jws", nullptr};
  info->name = const_cast<char*>("kestril");
  info->signature = signature;
  info->description = const_cast<char*>("Jw_cad drawing");
  info->mime_types = const_cast<char**>(mimeTypes);
  info->extensions = const_cast<char**>(extensions);
  info->flags = GDK_PIXBUF_FORMAT_SCALABLE | GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<char*>("");
}

}  // extern "C"
