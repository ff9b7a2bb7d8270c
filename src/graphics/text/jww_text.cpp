#include "graphics/text/jww_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "graphics/device_draw.h"
#include "graphics/text/cp932.h"

namespace kestril {

namespace {

constexpr double kDegree = std::numbers::pi / 180;

// A character taller than this shows nothing legible on any picture; it is left out
// rather than handed to a font engine that may refuse or choke on it.
constexpr int32_t kMaxFontHeight = 1 << 14;

constexpr uint16_t kMiddleDot = 0x8145;      // "・"
constexpr uint16_t kHalfMiddleDot = 0x00A5;  // "･"
constexpr std::u16string_view kGothicFace = u"ＭＳゴシック";

// Vertical writing: characters turned with the line, and characters set off diagonally
// (code page 932 codes).
constexpr uint16_t kTurnedChars[] = {
    0x815B, 0x8160, 0x8169, 0x816A, 0x816B, 0x816C, 0x816D, 0x816E, 0x816F,  // ー～（）〔〕［］｛
    0x8170, 0x8173, 0x8174, 0x8175, 0x8176, 0x8177, 0x8178, 0x8179, 0x817A,  // ｝《》「」『』【】
    '(',    ')',    '[',    ']',    '{',    '}',    0x00A2, 0x00A3,          // ()[]{}｢｣
};
constexpr uint16_t kDiagonalChars[] = {0x8141, 0x8142, 0x8143, 0x8144,  // 、。，．
                                       0x00A4, 0x00A1, ',',    '.'};    // ､｡,.

bool IsIn(std::span<const uint16_t> table, uint16_t code) {
  return std::find(table.begin(), table.end(), code) != table.end();
}

bool IsAscii(const Cp932Char& c, char ch) {
  return c.bytes == 1 && c.code == static_cast<uint8_t>(ch);
}

int DigitOf(const Cp932Char& c) {
  return c.bytes == 1 && c.code >= '1' && c.code <= '9' ? c.code - '0' : 0;
}

double Degrees360(double a) {
  a = std::fmod(a, 360);
  if (a < 0) a += 360;
  return a >= 360 ? a - 360 : a;
}

// Where a character stands relative to the run of the text.
enum class Placement : uint8_t {
  Normal,
  Superscript,  // "^u"
  Centred,      // "^c"
  Subscript,    // "^d"
  OverSmall,    // "^o"
  OverBefore,   // "^b"
  OverBeforeB,  // "^B"
  OverNarrow,   // "^n"
  OverSame,     // "^O"
  Pair,         // "^w": two characters in one small cell
};

bool Overstrikes(Placement p) {
  return p >= Placement::OverSmall;
}

bool IsScript(Placement p) {
  return p == Placement::Superscript || p == Placement::Centred || p == Placement::Subscript;
}

struct TextStyle {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  bool gothic = false;  // "ＭＳゴシック" instead of the text's own typeface
  Color color = 0;
};

// What a character's font and colour are made of.
struct FontKey {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  bool gothic = false;
  Color color = 0;
  friend bool operator==(const FontKey&, const FontKey&) = default;
};

// A character to be drawn, with the style in force where it stands.
struct DrawnChar {
  std::u16string text;  // one character; two for a "^w" pair
  uint16_t code = 0;
  bool doubleByte = false;
  Placement placement = Placement::Normal;
  TextStyle style;
};

// Takes the spread marks and the compression suffix off the end of the text; answers
// the number of extra character cells (negative: the compression digit).
double TakeSuffixes(std::vector<Cp932Char>& chars) {
  double e = 0;
  if (!chars.empty() && (chars.back().code == kMiddleDot || chars.back().code == kHalfMiddleDot)) {
    e = chars.back().code == kMiddleDot ? 1 : 0.5;
    chars.pop_back();
    while (!chars.empty() && chars.back().code == kMiddleDot) {
      e += 1;
      chars.pop_back();
    }
  }
  if (chars.size() >= 2 && IsAscii(chars[chars.size() - 2], '^')) {
    const int digit = DigitOf(chars.back());
    chars.resize(chars.size() - 2);
    if (digit != 0) {
      size_t bytes = 0;
      for (const Cp932Char& c : chars) bytes += c.bytes;
      e = static_cast<double>(bytes) - digit <= 1 ? 0 : -digit;
    }
  }
  return e;
}

// Applies the control sequences and lists the characters that are drawn.
std::vector<DrawnChar> ParseText(const std::vector<Cp932Char>& chars, const TextStyle& initial,
                                 const std::array<Color, 10>& lineColors) {
  std::vector<DrawnChar> out;
  out.reserve(chars.size());
  TextStyle s = initial;
  bool active = true;
  Placement pending = Placement::Normal;
  auto draw = [&](const Cp932Char& c) {
    std::u16string text;
    AppendUtf16(text, c.unicode);
    out.push_back({std::move(text), c.code, c.IsDoubleByte(), pending, s});
    pending = Placement::Normal;
  };
  const size_t n = chars.size();
  size_t i = 0;
  while (i < n) {
    const Cp932Char& c = chars[i];
    if (IsAscii(c, '^') && i + 1 < n && chars[i + 1].bytes == 1) {
      const char d = static_cast<char>(chars[i + 1].code);
      if (d == '%') {  // everything back, even while sequences are off
        s = TextStyle{};
        s.color = initial.color;
        active = true;
        pending = Placement::Normal;
        i += 2;
        continue;
      }
      if (d == '*' || d == '^') {
        active = d == '^';
        i += 2;
        continue;
      }
      size_t used = active ? 2 : 0;
      if (active) {
        switch (d) {
          case '!':
            s.bold = true;
            break;
          case '/':
            s.italic = true;
            break;
          case '_':
            s.underline = true;
            break;
          case '-':
            s.strikeOut = true;
            break;
          case '#':
            s.bold = initial.bold;
            s.italic = initial.italic;
            s.underline = initial.underline;
            s.strikeOut = initial.strikeOut;
            break;
          case '\\':
            s.gothic = true;
            break;
          case '&':
            s.gothic = false;
            break;
          case '$':
            if (i + 2 < n && DigitOf(chars[i + 2]) != 0) {
              s.color = lineColors[static_cast<size_t>(DigitOf(chars[i + 2]))];
              used = 3;
            } else {
              used = 0;
            }
            break;
          case 'u':
            pending = Placement::Superscript;
            break;
          case 'c':
            pending = Placement::Centred;
            break;
          case 'd':
            pending = Placement::Subscript;
            break;
          case 'o':
            pending = Placement::OverSmall;
            break;
          case 'b':
          case 'B':
          case 'n':
          case 'O':
            if (i == 0) {
              used = 0;
            } else {
              pending = d == 'b'   ? Placement::OverBefore
                        : d == 'B' ? Placement::OverBeforeB
                        : d == 'n' ? Placement::OverNarrow
                                   : Placement::OverSame;
            }
            break;
          case 'w':
            used = 0;
            if (i + 3 < n && !chars[i + 2].IsDoubleByte()) {
              if (chars[i + 3].IsDoubleByte()) {
                pending = Placement::OverSmall;
                draw(chars[i + 2]);
                used = 3;
              } else {
                std::u16string pair;
                AppendUtf16(pair, chars[i + 2].unicode);
                AppendUtf16(pair, chars[i + 3].unicode);
                out.push_back({std::move(pair), chars[i + 2].code, false, Placement::Pair, s});
                pending = Placement::Normal;
                used = 4;
              }
            }
            break;
          default:
            used = 0;
        }
      }
      if (used != 0) {
        i += used;
        continue;
      }
    }
    draw(c);
    ++i;
  }
  return out;
}

}  // namespace

uint8_t DrawJwwText(const TStyleLineCanvas& style, const TaPoint2D& start, const TaPoint2D&,
                    const TViewTransform& view, JwStringView text, JwStringView fontName,
                    uint16_t flags, uint32_t textKind, const TaPoint2D& offset, double angle,
                    double spacing, double height, double width,
                    const TextDrawingSettings& settings) {
  if (style.Canvas == nullptr) return 0;
  Canvas& canvas = *style.Canvas;
  const double yf = view.YAxisFactor;
  const TaPoint2D origin = ToDevice(view, start);
  double wpx = width * view.Scale;
  double halfW = wpx / 2;
  const double hpx = height * view.Scale;
  double spx = spacing * view.Scale;
  if (!IsFinite(origin) || !std::isfinite(wpx) || !std::isfinite(hpx) || !std::isfinite(spx) ||
      !std::isfinite(angle) || !IsFinite(offset) || !std::isfinite(yf)) {
    return 0;
  }
  angle = Degrees360(angle);
  const bool vertical = flags != 0 && (flags & kVerticalTextFlag) != 0;
  const double glyphAngle = vertical ? Degrees360(angle + 90) : angle;
  const double rad = angle * kDegree;

  // The first cell's corner.
  TaPoint2D ref = vertical ? TaPoint2D{origin.x + offset.x, origin.y + yf * offset.y}
                           : TaPoint2D{origin.x - std::sin(rad) * (wpx - offset.x),
                                       origin.y + yf * std::cos(rad) * (offset.y + hpx)};

  TextBudget* budget = settings.budget;
  if (budget != nullptr) {
    if (budget->characters < text.bytes.size()) {
      const size_t unit = text.encoding == TextEncoding::Utf16 ? 2 : 1;
      text.bytes = text.bytes.substr(0, budget->characters / unit * unit);
    }
    budget->characters -= text.bytes.size();
  }
  std::vector<Cp932Char> chars = SplitText(text);
  const double extra = TakeSuffixes(chars);

  TextStyle initial;
  initial.bold = textKind >= 20000;
  initial.italic = (textKind >= 10000 && textKind < 20000) || textKind >= 30000;
  initial.color = style.Color;
  const std::vector<DrawnChar> drawn = ParseText(chars, initial, settings.lineColors);

  size_t count = 0, bytes = 0;
  for (const DrawnChar& d : drawn) {
    count += d.placement == Placement::Pair ? 2 : 1;
    bytes += d.placement == Placement::Pair ? 2 : (d.doubleByte && !IsScript(d.placement) ? 2 : 1);
  }
  if (extra > 0 && count > 1) {
    // Spread so the text covers `extra` more cells; a single character has no gap.
    spx = ((extra + double(count) - 1) * spx + extra * wpx) / (double(count) - 1);
  } else if (extra < 0 && double(bytes) + extra > 0) {
    const double f = (double(bytes) + extra) / double(bytes);
    wpx *= f;
    halfW *= f;
    spx *= f;
  }

  canvas.SetBackgroundMode(BackgroundMode::Transparent);
  const Color background = settings.backgroundColor;
  if (settings.backgroundMode == 2) {
    const double m = settings.backgroundMargin;
    const double c = Degrees360(-glyphAngle) * kDegree;
    const double sx = std::sin(c) * hpx, sy = std::cos(c) * hpx;
    const TaPoint2D band[4] = {{ref.x - m, ref.y + m},
                               {ref.x + m, ref.y + m},
                               {ref.x + m + sx, ref.y - m - sy},
                               {ref.x - m + sx, ref.y - m - sy}};
    canvas.SetBrush({background, BrushStyle::Solid});
    canvas.SetPen({background, 1});
    DrawDevicePolygon(canvas, band);
  }

  const std::vector<Cp932Char> fontChars = SplitText(fontName);
  const std::u16string ownFace =
      fontName.empty() ? std::u16string(kGothicFace) : DecodeText(fontName);
  const bool fontIsDoubleByte = !fontChars.empty() && fontChars.front().IsDoubleByte();

  auto step = [&](double degrees, double length) {
    return TaPoint2D{std::cos(degrees * kDegree) * length,
                     yf * std::sin(degrees * kDegree) * length};
  };
  auto FontOf = [&](const FontKey& k) {
    Font f;
    f.height = k.height;
    f.width = k.width;
    f.escapement = f.orientation = k.escapement;
    f.weight = k.bold ? 700 : 400;
    f.italic = k.italic;
    f.underline = k.underline;
    f.strikeOut = k.strikeOut;
    f.face = k.gothic ? std::u16string(kGothicFace) : ownFace;
    return f;
  };
  // Characters of one font and colour go to the canvas together.
  struct Run {
    FontKey key;
    std::vector<TPoint> cells;
    std::u16string text;
  } run;
  auto flush = [&] {
    if (run.cells.empty()) return;
    canvas.SetFont(FontOf(run.key));
    canvas.SetTextColor(run.key.color);
    if (run.cells.size() == 1) {
      canvas.TextOut(run.cells.front(), run.text);
    } else {
      canvas.TextOutEach(run.cells, run.text);
    }
    run.cells.clear();
    run.text.clear();
  };

  TaPoint2D pos = ref;
  TaPoint2D prevCell = ref;
  bool prevDoubleByte = false;
  double prevHeight = hpx;
  for (const DrawnChar& d : drawn) {
    double h = hpx, w = halfW, turn = glyphAngle;
    TaPoint2D at = pos;
    const Placement p = d.placement;
    // Overstrikes sit at (cos D p/2, yf sin D q/2) from the previous character's cell.
    auto fromPrevious = [&](double dirDegrees, double px, double qy) {
      const double r = Degrees360(dirDegrees) * kDegree;
      return TaPoint2D{prevCell.x + std::cos(r) * px / 2, prevCell.y + yf * std::sin(r) * qy / 2};
    };
    const double overHeight = fontIsDoubleByte ? hpx : prevHeight;
    switch (p) {
      case Placement::Normal:
        if (vertical && IsIn(kTurnedChars, d.code)) {
          turn = glyphAngle - 90 < 0 ? glyphAngle + 270 : glyphAngle - 90;
          const TaPoint2D m = step(glyphAngle, wpx + spx);
          at = {pos.x + m.x, pos.y + m.y};
        } else if (vertical && IsIn(kDiagonalChars, d.code)) {
          const TaPoint2D m = step(glyphAngle + 45, wpx + spx);
          at = {pos.x + m.x, pos.y + m.y};
        }
        break;
      case Placement::Superscript:
      case Placement::Centred:
      case Placement::Subscript: {
        h = hpx / 2;
        w = d.doubleByte ? halfW / 2 : halfW;
        const double dist =
            p == Placement::Superscript ? 0 : (p == Placement::Centred ? hpx / 1.8 : hpx);
        const double shift = p == Placement::Superscript ? -5 : (p == Placement::Centred ? 3 : 10);
        const double r = Degrees360(angle + 250) * kDegree;
        at = {pos.x + std::cos(r) * dist / 2 + shift, pos.y + yf * std::sin(r) * dist / 2};
        break;
      }
      case Placement::OverSmall: {
        w = d.doubleByte ? halfW / 2.2 : halfW / 1.7;
        h = hpx / 1.9;
        at = prevDoubleByte ? fromPrevious(glyphAngle + 325, 3 * w, 3.5 * w)
                            : fromPrevious(glyphAngle + 325, 1.5 * w, 2.2 * w);
        break;
      }
      case Placement::OverBefore:
      case Placement::OverBeforeB: {
        const double s = d.doubleByte ? wpx : halfW;
        const bool big = prevDoubleByte && !d.doubleByte;
        const double k = p == Placement::OverBefore ? (big ? 1.5 : 0.4) : (big ? 1 : 0.3);
        h = overHeight;
        at = fromPrevious(angle, k * s, k * s);
        break;
      }
      case Placement::OverNarrow:
        h = overHeight;
        at = prevCell;
        if (vertical) at.x -= std::sin(rad) * 2.2 * halfW / 2;
        break;
      case Placement::OverSame:
        h = overHeight;
        at = prevCell;
        break;
      case Placement::Pair:
        w = halfW / 1.7;
        h = hpx / 2;
        at = fromPrevious(angle + 305, 2.2 * w, 2.2 * w);
        break;
    }

    const int32_t fontHeight = RoundHalfEven(h);
    const char16_t first = d.text.front();
    // The share of the picture the character's cell may cover.
    const double cover = std::min(1.0, double(fontHeight) * std::max(double(fontHeight), 2 * w) /
                                           std::max(1.0, double(canvas.Width()) * canvas.Height()));
    // A character under half a pixel high is not drawn: GDI would take height 0 for its
    // default size and show a large character instead. Control characters have no glyph.
    // A cell reaches no farther from its corner than its height and twice its width: a
    // character whose corner lies farther off the picture cannot show.
    const double reach = 2 * (std::abs(h) + 2 * std::abs(w)) + 16;
    const bool near = at.x >= -reach && at.y >= -reach && at.x <= canvas.Width() + reach &&
                      at.y <= canvas.Height() + reach;
    if (fontHeight > 0 && fontHeight <= kMaxFontHeight && near && first >= 0x20 && first != 0x7F &&
        (budget == nullptr || budget->pictures >= cover)) {
      if (budget != nullptr) budget->pictures -= cover;
      const FontKey key{fontHeight,
                        std::abs(RoundHalfEven(w)),
                        RoundHalfEven(-yf * turn * 10),
                        d.style.bold,
                        d.style.italic,
                        d.style.underline,
                        d.style.strikeOut,
                        d.style.gothic,
                        d.style.color};
      const TPoint cell{RoundHalfEven(at.x), RoundHalfEven(at.y)};
      if (settings.backgroundMode == 1) {
        // Each glyph filled in the text's colour and ringed by the background colour.
        canvas.SetFont(FontOf(key));
        canvas.SetTextColor(key.color);
        canvas.SetBrush({0, BrushStyle::Clear});
        canvas.BeginPath();
        canvas.TextOut(cell, d.text);
        canvas.EndPath();
        canvas.SetBrush({style.Color, BrushStyle::Solid});
        canvas.SetPen({background, 3});
        canvas.StrokeAndFillPath();
      } else if (d.text.size() == 1) {
        if (!(key == run.key)) flush();
        run.key = key;
        run.cells.push_back(cell);
        run.text += first;
      } else {
        flush();
        canvas.SetFont(FontOf(key));
        canvas.SetTextColor(key.color);
        canvas.TextOut(cell, d.text);
      }
    }

    if (Overstrikes(p)) continue;
    prevCell = pos;
    prevDoubleByte = d.doubleByte;
    prevHeight = h;
    const double length = d.doubleByte && p == Placement::Normal ? wpx + spx : (wpx + spx) / 2;
    const TaPoint2D m = step(angle, length);
    pos = {pos.x + m.x, pos.y + m.y};
  }
  flush();
  return 1;
}

}  // namespace kestril
