#include "cli/picture_file.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/errors.h"
#include "graphics/image/bmp_layout.h"
#include "graphics/image/png_file.h"

namespace kestril::cli {
namespace {

constexpr int64_t kBandBytes = int64_t{64} << 20;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Draws the band of rows top .. top + rows - 1 into `rows` as BMP rows, bottom first.
void DrawBand(TJwwSPIBody& body, int32_t width, int32_t height, bool preview, int32_t top,
              int32_t count, std::vector<uint8_t>& rows, size_t stride) {
  const std::unique_ptr<RasterCanvas> canvas =
      body.RenderPicture(width, height, preview, RowBand{top, count});
  canvas->CopyBmpRows({rows.data(), stride * static_cast<size_t>(count)}, stride);
}

}  // namespace

bool FormatOfPath(const std::string& path, PictureFormat& format) {
  const std::string lower = Lower(path);
  if (lower.ends_with(".png")) {
    format = PictureFormat::Png;
    return true;
  }
  if (lower.ends_with(".bmp")) {
    format = PictureFormat::Bmp;
    return true;
  }
  return false;
}

int32_t BandRowsFor(int32_t width) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(kBandBytes / (4 * std::max<int64_t>(width, 1)), 1, INT32_MAX));
}

namespace {

void WritePictureTo(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                    const PictureJob& job) {
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
      DrawBand(body, width, height, job.preview, top, count, rows, stride);
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
    DrawBand(body, width, height, job.preview, top, count, rows, stride);
    for (int32_t r = 0; r < count; ++r) bmp.WriteRow(rows.data() + size_t(r) * stride);
    report(count);
  }
  bmp.Finish();
}

}  // namespace

void WritePicture(TJwwSPIBody& body, const std::string& path, PictureFormat format,
                  const PictureJob& job) {
  // Written aside and renamed when whole, so that a failure never leaves half a picture
  // nor spoils one that was there before.
  const std::string part = path + ".part-" + std::to_string(::getpid());
  try {
    WritePictureTo(body, part, format, job);
    std::error_code ec;
    std::filesystem::rename(part, path, ec);
    if (ec) throw Error("cannot write " + path + ": " + ec.message());
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    throw;
  }
}

}  // namespace kestril::cli
