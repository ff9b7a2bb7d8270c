#include "cli/picture_file.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "base/ascii.h"
#include "base/errors.h"
#include "cli/aside_file.h"
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

void WritePictureTo(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                    const PictureJob& job, ImageCache& images) {
  const int32_t width = body.PictureWidth(job.preview);
  const int32_t height = body.PictureHeight(job.preview);
  if (width < 0 || height < 0) throw Error("negative picture size in the settings");
  if (width == 0 || height == 0) {
    if (format == PictureFormat::Png) {
      throw Error("an empty picture (" + std::to_string(width) + " x " + std::to_string(height) +
                  ") cannot be written as PNG");
    }
    BmpRowWriter(path, width, height).Finish();
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
    PngRowWriter png(path, width, height);
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
  BmpRowWriter bmp(path, width, height);
  for (int32_t top = (height - 1) / band * band; top >= 0; top -= band) {
    const int32_t count = std::min(band, height - top);
    DrawBand(body, width, height, job.preview, top, count, rows, stride, images);
    for (int32_t r = 0; r < count; ++r) bmp.WriteRow(rows.data() + size_t(r) * stride);
    report(count);
  }
  bmp.Finish();
}

// The page is drawn as the picture is, one unit a point: the same view, pens and rules.
void WriteVectorTo(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                   const PictureJob& job, ImageCache& images) {
  const PageSize size = VectorPageSize(body, job);
  if (!(size.width > 0 && size.height > 0)) {
    throw Error("an empty picture (" + std::to_string(body.PictureWidth(job.preview)) + " x " +
                std::to_string(body.PictureHeight(job.preview)) + ") cannot be written as " +
                (format == PictureFormat::Svg ? "SVG" : "PDF"));
  }
  if (size.width > kMaxPagePoints || size.height > kMaxPagePoints) {
    throw Error("the page would be " +
                std::to_string(std::lround(size.width / kPointsPerMillimetre)) + " x " +
                std::to_string(std::lround(size.height / kPointsPerMillimetre)) +
                " mm; pages are at most 11.5 m a side");
  }
  struct SurfaceRelease {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  };
  std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
      format == PictureFormat::Svg
          ? cairo_svg_surface_create(path.c_str(), size.width, size.height)
          : cairo_pdf_surface_create(path.c_str(), size.width, size.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw Error(std::string("cannot write the page: ") +
                cairo_status_to_string(cairo_surface_status(surface.get())));
  }
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
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw Error(std::string("cannot write the page: ") +
                cairo_status_to_string(cairo_surface_status(surface.get())));
  }
  if (job.progress) job.progress(1, 1);
}

}  // namespace

PictureNotes WritePicture(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                          const PictureJob& job) {
  PictureNotes notes;
  WriteAside(path, [&](const std::string& part) {
    ImageCache images;
    if (format == PictureFormat::Svg || format == PictureFormat::Pdf) {
      WriteVectorTo(body, part, format, job, images);
    } else {
      WritePictureTo(body, part, format, job, images);
    }
    notes.imagesSkipped = images.Skipped();
  });
  return notes;
}

}  // namespace kestril::cli
