#include "web/command_buffer.h"

#include <string>

#include "base/errors.h"

namespace kestril::web {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const uint32_t> words) : words_(words) {}

  bool AtEnd() const { return at_ >= words_.size(); }
  uint32_t Word() {
    if (AtEnd()) throw Error("command buffer cut short");
    return words_[at_++];
  }
  int32_t Int() { return static_cast<int32_t>(Word()); }
  // A count that the rest of the buffer can hold at `wordsEach` words apiece.
  size_t Count(double wordsEach) {
    const uint32_t n = Word();
    if (n * wordsEach > static_cast<double>(words_.size() - at_)) {
      throw Error("command buffer count past its end");
    }
    return n;
  }
  TPoint Point() {
    const int32_t x = Int();
    return {x, Int()};
  }
  std::vector<TPoint> Points(size_t n) {
    std::vector<TPoint> points(n);
    for (TPoint& p : points) p = Point();
    return points;
  }
  std::u16string Text(size_t n) {
    std::u16string text;
    for (size_t i = 0; i < n; i += 2) {
      const uint32_t w = Word();
      text += static_cast<char16_t>(w & 0xFFFF);
      if (i + 1 < n) text += static_cast<char16_t>(w >> 16);
    }
    return text;
  }

 private:
  std::span<const uint32_t> words_;
  size_t at_ = 0;
};

}  // namespace

DecodedBuffer DecodeCommands(std::span<const uint32_t> words) {
  Reader in(words);
  if (in.Word() != kCommandMagic) throw Error("not a command buffer");
  DecodedBuffer out;
  out.width = in.Int();
  out.height = in.Int();
  out.background = in.Word();
  DecodedOp state{};  // pen, brush and text state in force
  while (!in.AtEnd()) {
    const uint32_t code = in.Word();
    const Op op = static_cast<Op>(code);
    auto emit = [&]() -> DecodedOp& {
      DecodedOp& d = out.ops.emplace_back(state);
      d.op = op;
      return d;
    };
    auto rect = [&](DecodedOp& d) {
      for (int32_t& v : d.rect) v = in.Int();
    };
    switch (op) {
      case Op::Pen: {
        state.pen.color = in.Word();
        state.pen.width = in.Int();
        const uint32_t flags = in.Word();
        state.pen.style = (flags & kPenNull) != 0 ? PenStyle::Null : PenStyle::Solid;
        state.pen.geometric = (flags & kPenGeometric) != 0;
        state.pen.cap = static_cast<PenCap>((flags >> 2) & 3);
        break;
      }
      case Op::Brush:
        state.brush.color = in.Word();
        state.brush.style = in.Word() == 1 ? BrushStyle::Clear : BrushStyle::Solid;
        break;
      case Op::Polyline:
      case Op::PolyBezier:
      case Op::Polygon: {
        const size_t n = in.Count(2);
        emit().points = in.Points(n);
        break;
      }
      case Op::Ellipse:
      case Op::FillRect:
        rect(emit());
        break;
      case Op::Arc: {
        DecodedOp& d = emit();
        rect(d);
        d.points = in.Points(2);
        break;
      }
      case Op::StrokePath:
      case Op::StrokeAndFillPath: {
        const size_t n = in.Count(2.25);
        DecodedOp& d = emit();
        d.points = in.Points(n);
        d.types.resize(n);
        for (size_t i = 0; i < n; i += 4) {
          const uint32_t w = in.Word();
          for (size_t k = 0; k < 4 && i + k < n; ++k) d.types[i + k] = (w >> (8 * k)) & 0xFF;
        }
        break;
      }
      case Op::Font: {
        const size_t faceLength = in.Count(0.5);
        Font& f = state.font;
        f.height = in.Int();
        f.width = in.Int();
        f.escapement = in.Int();
        f.orientation = in.Int();
        f.weight = in.Int();
        const uint32_t flags = in.Word();
        f.italic = (flags & kFontItalic) != 0;
        f.underline = (flags & kFontUnderline) != 0;
        f.strikeOut = (flags & kFontStrikeOut) != 0;
        const size_t aliasLength = in.Count(0.5);
        f.face = in.Text(faceLength);
        in.Text(aliasLength);
        break;
      }
      case Op::TextColor:
        state.textColor = in.Word();
        break;
      case Op::Background:
        state.background = in.Word() == 1 ? BackgroundMode::Opaque : BackgroundMode::Transparent;
        break;
      case Op::Text:
      case Op::StrokeTextPath:
      case Op::StrokeAndFillTextPath: {
        const size_t n = in.Count(0.5);
        DecodedOp& d = emit();
        d.points = {in.Point()};
        d.text = in.Text(n);
        break;
      }
      case Op::TextEach: {
        const size_t n = in.Count(2.5);
        const std::vector<TPoint> cells = in.Points(n);
        const std::u16string text = in.Text(n);
        for (size_t i = 0; i < n; ++i) {
          DecodedOp& d = out.ops.emplace_back(state);
          d.op = Op::Text;
          d.points = {cells[i]};
          d.text = text.substr(i, 1);
        }
        break;
      }
      case Op::Image: {
        DecodedOp& d = emit();
        rect(d);
        d.imageSize = in.Point();
        const int64_t pixels = int64_t{d.imageSize.x} * d.imageSize.y;
        if (d.imageSize.x <= 0 || d.imageSize.y <= 0) throw Error("empty image in command buffer");
        for (int64_t i = 0; i < pixels; ++i) in.Word();
        break;
      }
      default:
        throw Error("unknown command " + std::to_string(code));
    }
  }
  return out;
}

}  // namespace kestril::web
