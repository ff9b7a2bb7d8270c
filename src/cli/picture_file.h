// Writing the picture the plug-in's body draws to a PNG or BMP file, one band of rows
// at a time when the picture is large, so memory stays near one band whatever the
// picture's size; or to an SVG or PDF page drawn by the same procedure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "plugin/jww_spi_body.h"

namespace kestril::cli {

enum class PictureFormat { Png, Bmp, Svg, Pdf };

// The format named by a file's extension (.png, .bmp, .svg or .pdf, any case); false
// otherwise.
bool FormatOfPath(const std::string& path, PictureFormat& format);
// The format of a name as --format takes it ("png", "bmp", "svg", "pdf", any case).
bool FormatOfName(std::string_view name, PictureFormat& format);
// ".png", ".bmp", ".svg" or ".pdf".
const char* ExtensionOf(PictureFormat format);

// Rows per band for pictures of this width: as many as about 64 MB of canvas holds.
int32_t BandRowsFor(int32_t width);

struct PictureJob {
  bool preview = false;
  int32_t bandRows = 0;  // 0: BandRowsFor the picture's width
  // Rows written so far and in all; called after each band.
  std::function<void(int64_t done, int64_t total)> progress;
  // SVG and PDF: one drawing unit is one millimetre on the page (see PageInMillimetres).
  bool millimetres = false;
};

// The part of the drawing, in drawing units, that a page in millimetres shows: the
// drawing's sheet (a JWW drawing's paper size, centred on the origin as Jw_cad centres
// it) grown by whatever is drawn beyond it, or for data without a sheet what is drawn.
// False when the drawing has no extent to measure.
bool PageInMillimetres(const TJwwSPIBody& body, DrawingExtentRecord& page);

// The size of the page, in points, that WritePicture gives an SVG or PDF picture.
struct PageSize {
  double width = 0, height = 0;
};
PageSize VectorPageSize(const TJwwSPIBody& body, const PictureJob& job);

// Why the plug-in's settings cannot give the picture (or preview) the job asks for in
// this format, naming the value at fault and its range; empty when they can. An empty
// picture (a size of 0) can be written as BMP, a header alone, as the plug-in hands it
// over; a page in millimetres takes its size from the drawing.
std::string SettingsSizeProblem(const TJwwSPIBody& body, PictureFormat format,
                                const PictureJob& job);

// What a picture written leaves out.
struct PictureNotes {
  // References to images not drawn: the picture's budget of decoded pixels was spent.
  int64_t imagesSkipped = 0;
};

// Draws the picture (or preview) of the data the body read last and writes it through
// WriteOutput. Raises Error with the reason when it cannot be drawn or written,
// SettingsSizeProblem's when the settings are at fault. Each image the drawing refers
// to is decoded once for the whole picture (all its bands).
PictureNotes WritePicture(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                          const PictureJob& job);

}  // namespace kestril::cli
