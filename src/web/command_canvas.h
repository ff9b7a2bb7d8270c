// A canvas whose calls become the command buffer of command_buffer.h, for the browser to
// replay on its own 2D canvas: lines and texts are drawn there, sharp at any zoom and
// with the system's fonts. The path bracket is the shared PathRecorder, as on the Cairo
// canvas; a stroked path goes into the buffer as its points and types.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "graphics/canvas/canvas.h"
#include "graphics/canvas/path_recorder.h"

namespace kestril::web {

// The most a buffer holds: 64 MiB, far more than any real drawing needs at any size.
inline constexpr size_t kMaxCommandWords = size_t{16} << 20;

class CommandCanvas final : public Canvas {
 public:
  // The buffer starts with its header: the picture is width x height, white. Past
  // maxWords words nothing more is recorded (Truncated()); the buffer then ends with
  // the last command that fitted whole.
  CommandCanvas(int32_t width, int32_t height, size_t maxWords = kMaxCommandWords);

  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }

  void SetPen(const Pen& pen) override;
  void SetBrush(const Brush& brush) override;
  void MoveTo(TPoint p) override;
  void Polyline(std::span<const TPoint> points) override;
  void PolyBezier(std::span<const TPoint> points) override;
  void PolyBezierTo(std::span<const TPoint> points) override;
  void Polygon(std::span<const TPoint> points) override;
  void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
           TPoint end) override;
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void BeginPath() override;
  void EndPath() override;
  void FlattenPath() override;
  void GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) override;
  void StrokePath() override;
  void StrokeAndFillPath() override;
  void SetFont(const Font& font) override;
  void SetTextColor(Color color) override;
  void SetBackgroundMode(BackgroundMode mode) override;
  void TextOut(TPoint p, std::u16string_view text) override;
  void TextOutEach(std::span<const TPoint> cells, std::u16string_view text) override;
  void StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    const DecodedImage& image) override;

  const std::vector<uint32_t>& Words() const { return words_; }
  // Whether commands were left out for want of room.
  bool Truncated() const { return truncated_; }
  // The buffer, handed over; the canvas is spent.
  std::vector<uint32_t> TakeWords() { return std::move(words_); }

 private:
  // Whether a command of `words` words, and the state it may bring along, still fits;
  // once one does not, none does.
  bool Fits(size_t words);
  // Fits for the path and the texts written into it; a path that does not fit is
  // dropped.
  bool PathFits();
  void Put(int32_t v) { words_.push_back(static_cast<uint32_t>(v)); }
  void PutOp(uint8_t op) { words_.push_back(op); }
  void PutPoints(std::span<const TPoint> points);
  void PutText(std::u16string_view text);
  void PutPath(uint8_t op);
  // Pen, brush, font and text state go into the buffer only when a drawing call needs
  // them and they differ from what the buffer holds already.
  void SyncPen();
  void SyncBrush();
  void SyncText();

  int32_t width_;
  int32_t height_;
  std::vector<uint32_t> words_;
  size_t maxWords_;
  bool truncated_ = false;
  PathRecorder path_;
  TPoint pos_;
  Pen pen_;
  Brush brush_;
  Font font_;
  Color textColor_ = 0;
  BackgroundMode background_ = BackgroundMode::Opaque;
  // What the buffer holds; nothing at first, so the first use writes it.
  bool penWritten_ = false, brushWritten_ = false, fontWritten_ = false;
  bool textColorWritten_ = false, backgroundWritten_ = false;
  Pen bufferPen_;
  Brush bufferBrush_;
  Font bufferFont_;
  Color bufferTextColor_ = 0;
  BackgroundMode bufferBackground_ = BackgroundMode::Opaque;
  std::vector<TPoint> scratch_;
  // Texts written into the open or closed path, with the font they were written in.
  struct PathText {
    TPoint at;
    std::u16string text;
    Font font;
  };
  std::vector<PathText> pathTexts_;
};

}  // namespace kestril::web
