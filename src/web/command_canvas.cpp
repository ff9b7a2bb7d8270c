#include "web/command_canvas.h"

#include "graphics/text/japanese_faces.h"
#include "web/command_buffer.h"

namespace kestril::web {
namespace {

uint8_t CodeOf(Op op) {
  return static_cast<uint8_t>(op);
}

// Other names the browser may know the face by: the Windows Japanese faces by their
// English names and by the free fonts that stand in for them.
std::u16string AliasOf(std::u16string_view face) {
  const JapaneseFace* known = FindJapaneseFace(face);
  if (known == nullptr) return {};
  std::u16string alias(known->windowsName);
  alias += u',';
  for (char c : known->ipaFamily) alias += static_cast<char16_t>(c);
  return alias;
}

}  // namespace

CommandCanvas::CommandCanvas(int32_t width, int32_t height, size_t maxWords)
    : width_(width), height_(height), maxWords_(maxWords) {
  words_.reserve(4096);
  words_.push_back(kCommandMagic);
  Put(width);
  Put(height);
  words_.push_back(0xFFFFFF);
}

bool CommandCanvas::Fits(size_t words) {
  // Pen, brush, text colour and background take a few words each, a font its face and
  // the face's other names.
  const size_t state = 64 + font_.face.size();
  if (!truncated_ && words_.size() + state + words <= maxWords_) return true;
  truncated_ = true;
  return false;
}

void CommandCanvas::PutPoints(std::span<const TPoint> points) {
  for (const TPoint& p : points) {
    Put(p.x);
    Put(p.y);
  }
}

void CommandCanvas::PutText(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); i += 2) {
    const uint32_t high = i + 1 < text.size() ? text[i + 1] : 0;
    words_.push_back(static_cast<uint32_t>(text[i]) | high << 16);
  }
}

void CommandCanvas::SyncPen() {
  if (penWritten_ && bufferPen_ == pen_) return;
  PutOp(CodeOf(Op::Pen));
  words_.push_back(pen_.color);
  Put(pen_.width);
  words_.push_back((pen_.style == PenStyle::Null ? kPenNull : 0) |
                   (pen_.geometric ? kPenGeometric : 0) | static_cast<uint32_t>(pen_.cap) << 2);
  bufferPen_ = pen_;
  penWritten_ = true;
}

void CommandCanvas::SyncBrush() {
  if (brushWritten_ && bufferBrush_ == brush_) return;
  PutOp(CodeOf(Op::Brush));
  words_.push_back(brush_.color);
  words_.push_back(brush_.style == BrushStyle::Clear ? 1 : 0);
  bufferBrush_ = brush_;
  brushWritten_ = true;
}

void CommandCanvas::SyncText() {
  if (!fontWritten_ || !(bufferFont_ == font_)) {
    const std::u16string alias = AliasOf(font_.face);
    PutOp(CodeOf(Op::Font));
    Put(static_cast<int32_t>(font_.face.size()));
    Put(font_.height);
    Put(font_.width);
    Put(font_.escapement);
    Put(font_.orientation);
    Put(font_.weight);
    words_.push_back((font_.italic ? kFontItalic : 0) | (font_.underline ? kFontUnderline : 0) |
                     (font_.strikeOut ? kFontStrikeOut : 0));
    Put(static_cast<int32_t>(alias.size()));
    PutText(font_.face);
    PutText(alias);
    bufferFont_ = font_;
    fontWritten_ = true;
  }
  if (!textColorWritten_ || bufferTextColor_ != textColor_) {
    PutOp(CodeOf(Op::TextColor));
    words_.push_back(textColor_);
    bufferTextColor_ = textColor_;
    textColorWritten_ = true;
  }
  if (!backgroundWritten_ || bufferBackground_ != background_) {
    PutOp(CodeOf(Op::Background));
    words_.push_back(background_ == BackgroundMode::Opaque ? 1 : 0);
    bufferBackground_ = background_;
    backgroundWritten_ = true;
  }
}

void CommandCanvas::SetPen(const Pen& pen) {
  pen_ = pen;
}
void CommandCanvas::SetBrush(const Brush& brush) {
  brush_ = brush;
}
void CommandCanvas::SetFont(const Font& font) {
  font_ = font;
}
void CommandCanvas::SetTextColor(Color color) {
  textColor_ = color;
}
void CommandCanvas::SetBackgroundMode(BackgroundMode mode) {
  background_ = mode;
}

void CommandCanvas::MoveTo(TPoint p) {
  pos_ = p;
  path_.MoveTo(p);
}

void CommandCanvas::Polyline(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.Polyline(points);
    return;
  }
  if (points.size() < 2 || !Fits(2 + 2 * points.size())) return;
  SyncPen();
  PutOp(CodeOf(Op::Polyline));
  Put(static_cast<int32_t>(points.size()));
  PutPoints(points);
}

void CommandCanvas::PolyBezier(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.PolyBezier(points);
    return;
  }
  if (points.size() < 4 || points.size() % 3 != 1 || !Fits(2 + 2 * points.size())) return;
  SyncPen();
  PutOp(CodeOf(Op::PolyBezier));
  Put(static_cast<int32_t>(points.size()));
  PutPoints(points);
}

void CommandCanvas::PolyBezierTo(std::span<const TPoint> points) {
  if (points.empty() || points.size() % 3 != 0) return;
  if (path_.IsOpen()) {
    path_.PolyBezierTo(points);
  } else {
    scratch_.assign(1, pos_);
    scratch_.insert(scratch_.end(), points.begin(), points.end());
    PolyBezier(scratch_);
  }
  pos_ = points.back();
}

void CommandCanvas::Polygon(std::span<const TPoint> points) {
  if (path_.IsOpen()) {
    path_.Polygon(points);
    return;
  }
  if (points.size() < 2 || !Fits(2 + 2 * points.size())) return;
  SyncPen();
  SyncBrush();
  PutOp(CodeOf(Op::Polygon));
  Put(static_cast<int32_t>(points.size()));
  PutPoints(points);
}

void CommandCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (path_.IsOpen()) {
    path_.Ellipse(left, top, right, bottom);
    return;
  }
  if (!Fits(5)) return;
  SyncPen();
  SyncBrush();
  PutOp(CodeOf(Op::Ellipse));
  for (int32_t v : {left, top, right, bottom}) Put(v);
}

void CommandCanvas::Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, TPoint start,
                        TPoint end) {
  if (path_.IsOpen()) {
    path_.Arc(left, top, right, bottom, start, end);
    return;
  }
  if (!Fits(9)) return;
  SyncPen();
  PutOp(CodeOf(Op::Arc));
  for (int32_t v : {left, top, right, bottom, start.x, start.y, end.x, end.y}) Put(v);
}

void CommandCanvas::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!Fits(5)) return;
  SyncBrush();
  PutOp(CodeOf(Op::FillRect));
  for (int32_t v : {left, top, right, bottom}) Put(v);
}

void CommandCanvas::BeginPath() {
  path_.Begin(pos_);
  pathTexts_.clear();
}

void CommandCanvas::EndPath() {
  path_.End();
}

void CommandCanvas::FlattenPath() {
  path_.Flatten();
}

void CommandCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) {
  points.clear();
  types.clear();
  if (!path_.HasPath()) return;
  points = path_.Points();
  types = path_.Types();
}

void CommandCanvas::PutPath(uint8_t op) {
  const std::vector<TPoint>& points = path_.Points();
  const std::vector<uint8_t>& types = path_.Types();
  if (!points.empty()) {
    PutOp(op);
    Put(static_cast<int32_t>(points.size()));
    PutPoints(points);
    for (size_t i = 0; i < types.size(); i += 4) {
      uint32_t w = 0;
      for (size_t k = 0; k < 4 && i + k < types.size(); ++k) w |= uint32_t{types[i + k]} << (8 * k);
      words_.push_back(w);
    }
  }
  const bool fill = op == CodeOf(Op::StrokeAndFillPath);
  const Font font = font_;
  for (const PathText& t : pathTexts_) {
    font_ = t.font;
    SyncText();
    PutOp(CodeOf(fill ? Op::StrokeAndFillTextPath : Op::StrokeTextPath));
    Put(static_cast<int32_t>(t.text.size()));
    PutPoints(std::span(&t.at, 1));
    PutText(t.text);
  }
  font_ = font;
  pathTexts_.clear();
  path_.Discard();
}

bool CommandCanvas::PathFits() {
  size_t words = 2 + 2 * path_.Points().size() + (path_.Types().size() + 3) / 4;
  for (const PathText& t : pathTexts_) words += 64 + t.font.face.size() + 4 + t.text.size() / 2;
  if (Fits(words)) return true;
  pathTexts_.clear();
  path_.Discard();
  return false;
}

void CommandCanvas::StrokePath() {
  if (!path_.HasPath() || !PathFits()) return;
  SyncPen();
  PutPath(CodeOf(Op::StrokePath));
}

void CommandCanvas::StrokeAndFillPath() {
  if (!path_.HasPath() || !PathFits()) return;
  SyncPen();
  SyncBrush();
  PutPath(CodeOf(Op::StrokeAndFillPath));
}

void CommandCanvas::TextOut(TPoint p, std::u16string_view text) {
  if (text.empty()) return;
  if (path_.IsOpen()) {
    pathTexts_.push_back({p, std::u16string(text), font_});
    return;
  }
  if (!Fits(4 + (text.size() + 1) / 2)) return;
  SyncText();
  PutOp(CodeOf(Op::Text));
  Put(static_cast<int32_t>(text.size()));
  Put(p.x);
  Put(p.y);
  PutText(text);
}

void CommandCanvas::TextOutEach(std::span<const TPoint> cells, std::u16string_view text) {
  text = text.substr(0, std::min(text.size(), cells.size()));
  if (text.empty()) return;
  if (path_.IsOpen()) {
    for (size_t i = 0; i < text.size(); ++i) TextOut(cells[i], text.substr(i, 1));
    return;
  }
  if (!Fits(3 + 2 * text.size() + text.size() / 2)) return;
  SyncText();
  PutOp(CodeOf(Op::TextEach));
  Put(static_cast<int32_t>(text.size()));
  PutPoints(cells.first(text.size()));
  PutText(text);
}

void CommandCanvas::StretchImage(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 const DecodedImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.bgr.size() < image.Stride() * image.height ||
      !Fits(7 + size_t(image.width) * size_t(image.height))) {
    return;
  }
  PutOp(CodeOf(Op::Image));
  for (int32_t v : {left, top, right, bottom, image.width, image.height}) Put(v);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t* px = row + 3 * x;
      words_.push_back(MakeColor(px[2], px[1], px[0]));
    }
  }
}

}  // namespace kestril::web
