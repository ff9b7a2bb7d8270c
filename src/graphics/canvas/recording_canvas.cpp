#include "graphics/canvas/recording_canvas.h"

namespace kestril {

CanvasCall& RecordingCanvas::Record(CanvasOp op) {
  CanvasCall& c = calls_.emplace_back();
  c.op = op;
  c.pen = pen_;
  c.brush = brush_;
  c.inPath = inPath_;
  return c;
}

void RecordingCanvas::SetPen(const Pen& pen) {
  pen_ = pen;
  Record(CanvasOp::SetPen);
}

void RecordingCanvas::SetBrush(const Brush& brush) {
  brush_ = brush;
  Record(CanvasOp::SetBrush);
}

void RecordingCanvas::MoveTo(TPoint p) {
  Record(CanvasOp::MoveTo).points = {p};
  pos_ = p;
  path_.MoveTo(p);
}

void RecordingCanvas::Polyline(std::span<const TPoint> points) {
  Record(CanvasOp::Polyline).points.assign(points.begin(), points.end());
  path_.Polyline(points);
}

void RecordingCanvas::PolyBezier(std::span<const TPoint> points) {
  Record(CanvasOp::PolyBezier).points.assign(points.begin(), points.end());
  path_.PolyBezier(points);
}

void RecordingCanvas::PolyBezierTo(std::span<const TPoint> points) {
  Record(CanvasOp::PolyBezierTo).points.assign(points.begin(), points.end());
  path_.PolyBezierTo(points);
  // GDI moves the current position only when the call is valid.
  if (!points.empty() && points.size() % 3 == 0) pos_ = points.back();
}

void RecordingCanvas::Polygon(std::span<const TPoint> points) {
  Record(CanvasOp::Polygon).points.assign(points.begin(), points.end());
  path_.Polygon(points);
}

void RecordingCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Record(CanvasOp::Ellipse).rect = {left, top, right, bottom};
  path_.Ellipse(left, top, right, bottom);
}

void RecordingCanvas::Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                          TPoint end) {
  CanvasCall& c = Record(CanvasOp::Arc);
  c.rect = {left, top, right, bottom};
  c.points = {start, end};
  path_.Arc(left, top, right, bottom, start, end);
}

void RecordingCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Record(CanvasOp::FillRect).rect = {left, top, right, bottom};
}

void RecordingCanvas::BeginPath() {
  Record(CanvasOp::BeginPath);
  inPath_ = true;
  path_.Begin(pos_);
}

void RecordingCanvas::EndPath() {
  inPath_ = false;
  path_.End();
  Record(CanvasOp::EndPath);
}

void RecordingCanvas::FlattenPath() {
  Record(CanvasOp::FlattenPath);
  path_.Flatten();
}

void RecordingCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) {
  Record(CanvasOp::GetPath);
  if (path_.HasPath()) {
    points = path_.Points();
    types = path_.Types();
  } else if (!path_.IsOpen()) {
    points = pathPoints_;
    types = pathTypes_;
  } else {
    // GDI's GetPath fails while the bracket is open.
    points.clear();
    types.clear();
  }
}

// Stroking consumes the path, as on GDI.
void RecordingCanvas::StrokePath() {
  Record(CanvasOp::StrokePath);
  if (path_.HasPath()) path_.Discard();
}

void RecordingCanvas::StrokeAndFillPath() {
  Record(CanvasOp::StrokeAndFillPath);
  if (path_.HasPath()) path_.Discard();
}

void RecordingCanvas::StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                   const DecodedImage& image) {
  CanvasCall& c = Record(CanvasOp::StretchImage);
  c.rect = {left, top, right, bottom};
  c.imageSize = {image.width, image.height};
}

void RecordingCanvas::SetPathResult(std::vector<TPoint> points, std::vector<uint8_t> types) {
  pathPoints_ = std::move(points);
  pathTypes_ = std::move(types);
}

std::vector<CanvasCall> RecordingCanvas::Draws() const {
  std::vector<CanvasCall> out;
  for (const CanvasCall& c : calls_) {
    switch (c.op) {
      case CanvasOp::SetPen:
      case CanvasOp::SetBrush:
      case CanvasOp::BeginPath:
      case CanvasOp::EndPath:
      case CanvasOp::FlattenPath:
      case CanvasOp::GetPath:
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string ToString(CanvasOp op) {
  static const char* const kNames[] = {
      "SetPen",      "SetBrush", "MoveTo",     "Polyline",          "PolyBezier",  "PolyBezierTo",
      "Polygon",     "Ellipse",  "Arc",        "FillRect",          "BeginPath",   "EndPath",
      "FlattenPath", "GetPath",  "StrokePath", "StrokeAndFillPath", "StretchImage"};
  return kNames[static_cast<int>(op)];
}

}  // namespace kestril
