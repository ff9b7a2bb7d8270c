#include "cli/picture_file.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <vector>

#include "base/ascii.h"
#include "base/errors.h"
#include "base/plane.h"
#include "cli/output_file.h"
#include "config/settings_fields.h"
#include "graphics/canvas/cairo_canvas.h"
#include "graphics/image/bmp_layout.h"
#include "graphics/image/png_file.h"

namespace kestril::cli {
namespace {

constexpr int64_t kBandBytes = int64_t{64} << 20;

constexpr double kPointsPerMillimetre = 72 / 25.4;
// Pages are at most this many points a side (about 11.5 m), the pictures' own limit.
constexpr double kMaxPagePoints = 32767;

// Jw_cad's paper sizes by their code, landscape, in millimetres.
struct Sheet {
  uint32_t code;
  double width, height;
};
constexpr Sheet kSheets[] = {
    {0, 1189, 841}, {1, 841, 594}, {2, 594, 420}, {3, 420, 297}, {4, 297, 210}};

// Draws the band of rows top .. top + rows - 1 into `rows` as BMP rows, bottom first.
void DrawBand(TJwwSPIBody& body, int32_t width, int32_t height, bool preview, int32_t top,
              int32_t count, std::vector<uint8_t>& rows, size_t stride, ImageCache& images) {
  const std::unique_ptr<RasterCanvas> canvas =
      body.RenderPicture(width, height, preview, RowBand{top, count}, &images);
  canvas->CopyBmpRows({rows.data(), stride * static_cast<size_t>(count)}, stride);
}

}  // namespace

bool FormatOfPath(const std::string& path, PictureFormat& format) {
  for (PictureFormat f :
       {PictureFormat::Png, PictureFormat::Bmp, PictureFormat::Svg, PictureFormat::Pdf}) {
    if (EndsWithNoCase(path, ExtensionOf(f))) {
      format = f;
      return true;
    }
  }
  return false;
}

bool FormatOfName(std::string_view name, PictureFormat& format) {
  return FormatOfPath("." + std::string(name), format) && name.find('.') == std::string_view::npos;
}

const char* ExtensionOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::Png:
      return ".png";
    case PictureFormat::Bmp:
      return ".bmp";
    case PictureFormat::Svg:
      return ".svg";
    case PictureFormat::Pdf:
      return ".pdf";
  }
  return "";
}

bool PageInMillimetres(const TJwwSPIBody& body, DrawingExtentRecord& page) {
  const DrawingExtentRecord& ink = body.Doc().DrawingExtent;
  page = DrawingExtentRecord{};
  if (std::isfinite(ink.MinX) && std::isfinite(ink.MaxX) && std::isfinite(ink.MinY) &&
      std::isfinite(ink.MaxY) && ink.MinX <= ink.MaxX && ink.MinY <= ink.MaxY) {
    page.Add({ink.MinX, ink.MinY});
    page.Add({ink.MaxX, ink.MaxY});
  }
  if (body.Kind() == FileKind::Jww) {
    for (const Sheet& sheet : kSheets) {
      if (sheet.code != body.Doc().Header.PaperSize) continue;
      page.Add({-sheet.width / 2, -sheet.height / 2});
      page.Add({sheet.width / 2, sheet.height / 2});
    }
  }
  return page.MaxX - page.MinX > 0 && page.MaxY - page.MinY > 0;
}

PageSize VectorPageSize(const TJwwSPIBody& body, const PictureJob& job) {
  DrawingExtentRecord page;
  if (job.millimetres && PageInMillimetres(body, page)) {
    return {(page.MaxX - page.MinX) * kPointsPerMillimetre,
            (page.MaxY - page.MinY) * kPointsPerMillimetre};
  }
  return {double(body.PictureWidth(job.preview)), double(body.PictureHeight(job.preview))};
}

int32_t BandRowsFor(int32_t width) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(kBandBytes / (4 * std::max<int64_t>(width, 1)), 1, INT32_MAX));
}

namespace {

void WritePictureTo(TJwwSPIBody& body, ByteSink& out, PictureFormat format, const PictureJob& job,
                    ImageCache& images) {
  const int32_t width = body.PictureWidth(job.preview);
  const int32_t height = body.PictureHeight(job.preview);
  if (width == 0 || height == 0) {
    BmpRowWriter(out, width, height).Finish();
    return;
  }
  const int32_t band = std::min(job.bandRows > 0 ? job.bandRows : BandRowsFor(width), height);
  const auto stride = static_cast<size_t>(BmpStride(width, 24));
  std::vector<uint8_t> rows(stride * static_cast<size_t>(band));
  int64_t done = 0;
  const auto report = [&](int32_t count) {
    done += count;
    if (job.progress) job.progress(done, height);
  };
  if (format == PictureFormat::Png) {
    PngRowWriter png(out, width, height);
    for (int32_t top = 0; top < height; top += band) {
      const int32_t count = std::min(band, height - top);
      DrawBand(body, width, height, job.preview, top, count, rows, stride, images);
      for (int32_t r = count - 1; r >= 0; --r) png.WriteRow(rows.data() + size_t(r) * stride);
      report(count);
    }
    png.Finish();
    return;
  }
  // BMP rows run bottom up: the lowest band first.
  BmpRowWriter bmp(out, width, height);
  for (int32_t top = (height - 1) / band * band; top >= 0; top -= band) {
    const int32_t count = std::min(band, height - top);
    DrawBand(body, width, height, job.preview, top, count, rows, stride, images);
    for (int32_t r = 0; r < count; ++r) bmp.WriteRow(rows.data() + size_t(r) * stride);
    report(count);
  }
  bmp.Finish();
}

// Cairo's page writers write through this, so that every write is the sink's, checked.
// The first failure is kept for after Cairo has given up.
struct PageStream {
  ByteSink& out;
  std::exception_ptr error;

  static cairo_status_t Write(void* closure, const unsigned char* data, unsigned int n) {
    auto* stream = static_cast<PageStream*>(closure);
    if (stream->error) return CAIRO_STATUS_WRITE_ERROR;
    try {
      stream->out.Write(data, n);
      return CAIRO_STATUS_SUCCESS;
    } catch (...) {
      stream->error = std::current_exception();
      return CAIRO_STATUS_WRITE_ERROR;
    }
  }
  void Check(cairo_surface_t* surface) const {
    if (error) std::rethrow_exception(error);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      throw Error("cannot write " + out.Name() + ": " +
                  cairo_status_to_string(cairo_surface_status(surface)));
    }
  }
};

// The page is drawn as the picture is, one unit a point: the same view, pens and rules.
void WriteVectorTo(TJwwSPIBody& body, ByteSink& out, PictureFormat format, const PictureJob& job,
                   ImageCache& images) {
  const PageSize size = VectorPageSize(body, job);
  // Declared before the surface, which may still write when it goes.
  PageStream stream{out, nullptr};
  struct SurfaceRelease {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  };
  std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
      format == PictureFormat::Svg
          ? cairo_svg_surface_create_for_stream(PageStream::Write, &stream, size.width, size.height)
          : cairo_pdf_surface_create_for_stream(PageStream::Write, &stream, size.width,
                                                size.height));
  stream.Check(surface.get());
  // Sizes in points, which every reader takes at their true size (Cairo writes the
  // number of points whatever unit it is asked to name).
  if (format == PictureFormat::Svg) {
    cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PT);
  }
  {
    CairoCanvas canvas(surface.get(), static_cast<int32_t>(std::ceil(size.width)),
                       static_cast<int32_t>(std::ceil(size.height)), &images);
    DrawingExtentRecord page;
    if (job.millimetres && PageInMillimetres(body, page)) {
      TViewTransform view;
      view.YAxisFactor = -1;
      view.Scale = kPointsPerMillimetre;
      view.ViewMin = {page.MinX, page.MinY};
      view.ViewMax = {page.MaxX, page.MaxY};
      body.DrawPicture(canvas, job.preview, &view, &images);
    } else {
      body.DrawPicture(canvas, job.preview, nullptr, &images);
    }
  }
  cairo_surface_finish(surface.get());
  stream.Check(surface.get());
  if (job.progress) job.progress(1, 1);
}

const char* FormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::Png:
      return "PNG";
    case PictureFormat::Bmp:
      return "BMP";
    case PictureFormat::Svg:
      return "SVG";
    case PictureFormat::Pdf:
      return "PDF";
  }
  return "";
}

bool IsVector(PictureFormat format) {
  return format == PictureFormat::Svg || format == PictureFormat::Pdf;
}

}  // namespace

std::string SettingsSizeProblem(const TJwwSPIBody& body, PictureFormat format,
                                const PictureJob& job) {
  DrawingExtentRecord page;
  if (job.millimetres && IsVector(format) && PageInMillimetres(body, page)) return {};
  const PluginSettings& s = body.Settings();
  const bool jww = body.Kind() == FileKind::Jww;
  const std::string name = job.preview ? "PreviewHeight" : jww ? "jwwWidth" : "jwzWidth";
  const int32_t value = job.preview ? s.PreviewHeight : jww ? s.jwwWidth : s.jwzWidth;
  const std::string is = name + " in the settings is " + std::to_string(value);
  const std::string fix = " (kestril settings set " + name + " N)";
  // The plug-in hands over a header alone for an empty picture; so does a BMP file.
  if (value == 0 && format == PictureFormat::Bmp) return {};
  if (value == 0) {
    return is + ": an empty picture cannot be written as " + FormatName(format) +
           "; it must be 1 to " + std::to_string(kMaxSize) + fix;
  }
  if (value < 0 || value > kMaxSize) {
    return is + "; it must be 1 to " + std::to_string(kMaxSize) + fix;
  }
  if (job.preview && s.PreviewWidth > kMaxSize) {
    PluginSettings most = s;
    while (most.PreviewWidth > kMaxSize) {
      --most.PreviewHeight;
      most.UpdateDerivedSizes();
    }
    return is + ", which makes the preview " + std::to_string(s.PreviewWidth) +
           " pixels wide; for previews it must be 1 to " + std::to_string(most.PreviewHeight) + fix;
  }
  return {};
}

PictureNotes WritePicture(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                          const PictureJob& job) {
  if (const std::string problem = SettingsSizeProblem(body, format, job); !problem.empty()) {
    throw Error(problem);
  }
  if (IsVector(format)) {
    const PageSize size = VectorPageSize(body, job);
    if (!(size.width > 0 && size.height > 0)) {
      throw Error("an empty page cannot be written as " + std::string(FormatName(format)));
    }
    if (size.width > kMaxPagePoints || size.height > kMaxPagePoints) {
      throw Error("the page would be " +
                  std::to_string(std::lround(size.width / kPointsPerMillimetre)) + " x " +
                  std::to_string(std::lround(size.height / kPointsPerMillimetre)) +
                  " mm; pages are at most 11.5 m a side");
    }
  }
  PictureNotes notes;
  WriteOutput(path, [&](ByteSink& out) {
    ImageCache images;
    if (IsVector(format)) {
      WriteVectorTo(body, out, format, job, images);
    } else {
      WritePictureTo(body, out, format, job, images);
    }
    notes.imagesSkipped = images.Skipped();
  });
  return notes;
}

}  // namespace kestril::cli
