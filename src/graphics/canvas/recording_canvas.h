// A canvas that draws nothing and records every call with its arguments and the pen
// and brush in force, so tests can assert exact device coordinates. Its path bracket
// behaves as GDI's (the shared PathRecorder), so GetPath answers what was traced.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "graphics/canvas/canvas.h"
#include "graphics/canvas/path_recorder.h"

namespace kestril {

enum class CanvasOp : uint8_t {
  SetPen,
  SetBrush,
  MoveTo,
  Polyline,
  PolyBezier,
  PolyBezierTo,
  Polygon,
  Ellipse,
  Arc,
  FillRect,
  BeginPath,
  EndPath,
  FlattenPath,
  GetPath,
  StrokePath,
  StrokeAndFillPath,
  StretchImage,
};

struct CanvasCall {
  CanvasOp op;
  std::vector<TPoint> points;     // MoveTo, the poly calls; Arc: start and end
  std::array<int32_t, 4> rect{};  // Ellipse, Arc, FillRect: left, top, right, bottom
  Pen pen;                        // in force when the call was made
  Brush brush;                    // in force when the call was made
  bool inPath = false;            // made inside an open path bracket
  TPoint imageSize;               // StretchImage: the image's width and height (rect: the box)
};

class RecordingCanvas final : public Canvas {
 public:
  RecordingCanvas(int32_t width = 800, int32_t height = 600) : width_(width), height_(height) {}

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
  void StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    const DecodedImage& image) override;

  const std::vector<CanvasCall>& Calls() const { return calls_; }
  // Only the calls that draw or add to a path (no pen, brush or bracket calls).
  std::vector<CanvasCall> Draws() const;
  const Pen& CurrentPen() const { return pen_; }
  const Brush& CurrentBrush() const { return brush_; }
  void Clear() { calls_.clear(); }

  // The path bracket as traced so far (open or closed).
  const PathRecorder& Path() const { return path_; }

  // Points and types GetPath answers while this canvas has no path of its own.
  void SetPathResult(std::vector<TPoint> points, std::vector<uint8_t> types);

 private:
  CanvasCall& Record(CanvasOp op);

  int32_t width_;
  int32_t height_;
  Pen pen_;
  Brush brush_;
  bool inPath_ = false;
  TPoint pos_;
  PathRecorder path_;
  std::vector<CanvasCall> calls_;
  std::vector<TPoint> pathPoints_;
  std::vector<uint8_t> pathTypes_;
};

std::string ToString(CanvasOp op);

}  // namespace kestril
