// The browser canvas's command buffer: what CommandCanvas writes and web/replay.js (or
// DecodeCommands, for tests) reads back. The two must change together.
//
// A stream of little-endian 32-bit words. Four header words: kCommandMagic, width,
// height, background colour. Then commands: an op word, a count word for the ops that
// say "count" (points, characters), then the operands, one word each. Points are device pixels (x,
// y), y down, pixel centres on whole numbers as on GDI. Colours are 0x00BBGGRR. Text is UTF-16, two
// code units per word, low half first, the last word padded with 0.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/canvas/canvas.h"

namespace kestril::web {

inline constexpr uint32_t kCommandMagic = 0x3142434B;  // "KCB1"
inline constexpr uint32_t kHeaderWords = 4;

enum class Op : uint8_t {
  Pen = 1,                 // colour, width, flags (kPenNull, kPenGeometric, cap << 2)
  Brush = 2,               // colour, 1 for a clear brush else 0
  Polyline = 3,            // count points
  PolyBezier = 4,          // count = 1 + 3k points: start, then control, control, end
  Polygon = 5,             // count points: filled (alternate) with the brush, outlined
  Ellipse = 6,             // left, top, right, bottom: filled and outlined
  Arc = 7,                 // left, top, right, bottom, start x, y, end x, y
  FillRect = 8,            // left, top, right, bottom (exclusive): the brush, no pen
  StrokePath = 9,          // count points, then count point types packed 4 per word
  StrokeAndFillPath = 10,  // the same, filled (alternate) first
  Font = 11,               // face length (count); height, width, escapement, orientation,
                           // weight, flags (kFont*), alias length, face, alias (other
                           // names of the face, comma-separated, for the browser to try)
  TextColor = 12,          // colour
  Background = 13,         // 1 opaque, 0 transparent
  Text = 14,               // count (length); x, y, text
  TextEach = 15,           // count (length); count points (a cell per character), text
  Image = 16,              // left, top, right, bottom, width, height, then width x height
                           // pixels 0x00BBGGRR, top row first
  // Text written inside a path bracket, after the bracket's own figures: its glyph
  // outlines outlined with the pen (and filled with the brush).
  StrokeTextPath = 17,         // count (length); x, y, text
  StrokeAndFillTextPath = 18,  // count (length); x, y, text
};

inline constexpr uint32_t kPenNull = 1;
inline constexpr uint32_t kPenGeometric = 2;
inline constexpr uint32_t kFontItalic = 1;
inline constexpr uint32_t kFontUnderline = 2;
inline constexpr uint32_t kFontStrikeOut = 4;

// One drawing operation read back from a buffer, with the state it was drawn in: what a
// canvas would have to draw. Paths come back as their points and types, TextEach as one
// Text per character.
struct DecodedOp {
  Op op;
  std::vector<TPoint> points;
  std::vector<uint8_t> types;     // StrokePath, StrokeAndFillPath
  std::array<int32_t, 4> rect{};  // Ellipse, Arc, FillRect, Image
  Pen pen;
  Brush brush;
  Font font;
  Color textColor = 0;
  BackgroundMode background = BackgroundMode::Opaque;
  std::u16string text;
  TPoint imageSize;
  friend bool operator==(const DecodedOp&, const DecodedOp&) = default;
};

struct DecodedBuffer {
  int32_t width = 0;
  int32_t height = 0;
  Color background = 0;
  std::vector<DecodedOp> ops;
};

// Reads a whole buffer; raises Error where it is malformed (a count running past the
// end, an unknown op).
DecodedBuffer DecodeCommands(std::span<const uint32_t> words);

}  // namespace kestril::web
