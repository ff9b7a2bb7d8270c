// Pictures of a drawing at whatever size a thumbnailer or an image loader asks for:
// the plug-in's body draws straight at that size, never a larger raster scaled down,
// so `kestril thumbnail` and the gdk-pixbuf loader make the same pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/errors.h"
#include "base/stream.h"
#include "document/reader.h"

namespace kestril {

class TJwwSPIBody;

struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
};

// Pictures wider or taller than this are refused, as the plug-in's settings refuse them.
inline constexpr int32_t kMaxPictureSide = 32767;

// `natural` fitted into a size x size square with its aspect kept: the longer side is
// `size`, the other rounded half up (as gdk-pixbuf rounds when it keeps the aspect), at
// least 1.
PictureSize FitSquare(PictureSize natural, int32_t size);

enum class DrawingFault { NotADrawing, Damaged, CutShort, TooLarge, OutOfMemory };

class EDrawingFault : public Error {
 public:
  EDrawingFault(DrawingFault fault, const std::string& message) : Error(message), fault_(fault) {}
  DrawingFault Fault() const { return fault_; }

 private:
  DrawingFault fault_;
};

class SizedPicture {
 public:
  // The user's settings, read as the plug-in reads them and never written back.
  SizedPicture();
  ~SizedPicture();
  SizedPicture(const SizedPicture&) = delete;
  SizedPicture& operator=(const SizedPicture&) = delete;

  // The plug-in's picture size for data of this kind, from the settings.
  PictureSize NaturalSize(FileKind kind) const;

  // Reads the whole drawing from position 0. sourcePath names the file for the
  // file-name and file-time text variables; empty for data handed over in memory.
  // Raises EDrawingFault. A drawing cut short is refused: a thumbnail of part of a
  // drawing would pass for the whole of it.
  void Read(Stream& stream, const std::string& sourcePath);
  FileKind Kind() const;

  // Draws the drawing read last at `size` and hands over its rows top first, each as
  // blue, green, red bytes. Large pictures are drawn a band of rows at a time. Raises
  // EDrawingFault.
  void DrawRows(PictureSize size, const std::function<void(int32_t y, const uint8_t* bgr)>& row);

 private:
  std::unique_ptr<TJwwSPIBody> body_;
};

}  // namespace kestril
