// The command buffer against the recording canvas: every drawing drawn both ways must
// come back from the buffer as the same drawing operations, with the same pens,
// brushes, fonts and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "graphics/canvas/path_recorder.h"
#include "graphics/canvas/recording_canvas.h"
#include "support/fixtures.h"
#include "support/real_drawings.h"
#include "web/command_buffer.h"
#include "web/command_canvas.h"
#include "web/web_drawing.h"

namespace kestril::web {
namespace {

using testing::Fixture;

// Only the state an operation is drawn with is compared.
DecodedOp Relevant(DecodedOp d) {
  bool pen = false, brush = false, text = false;
  switch (d.op) {
    case Op::Polyline:
    case Op::PolyBezier:
    case Op::Arc:
    case Op::StrokePath:
      pen = true;
      break;
    case Op::Polygon:
    case Op::Ellipse:
    case Op::StrokeAndFillPath:
      pen = brush = true;
      break;
    case Op::FillRect:
      brush = true;
      break;
    case Op::Text:
      text = true;
      break;
    case Op::StrokeTextPath:
    case Op::StrokeAndFillTextPath:
      pen = brush = true;
      break;
    default:
      break;
  }
  const bool font = text || d.op == Op::StrokeTextPath || d.op == Op::StrokeAndFillTextPath;
  if (!pen) d.pen = {};
  if (!brush) d.brush = {};
  if (!font) d.font = {};
  if (!text) {
    d.textColor = 0;
    d.background = BackgroundMode::Opaque;
  }
  return d;
}

// What a GDI-like canvas draws for the recorded calls: invalid calls dropped, the path
// bracket traced, a path's texts after its figures, TextOutEach one character at a time.
std::vector<DecodedOp> ExpectedOps(const std::vector<CanvasCall>& calls) {
  std::vector<DecodedOp> out;
  PathRecorder path;
  TPoint pos;
  std::vector<CanvasCall> pathTexts;
  auto add = [&](Op op, const CanvasCall& c) -> DecodedOp& {
    DecodedOp& d = out.emplace_back();
    d.op = op;
    d.pen = c.pen;
    d.brush = c.brush;
    d.font = c.font;
    d.textColor = c.textColor;
    d.background = c.background;
    d.rect = c.rect;
    d.points = c.points;
    return d;
  };
  for (const CanvasCall& c : calls) {
    const size_t n = c.points.size();
    const bool open = path.IsOpen();
    switch (c.op) {
      case CanvasOp::MoveTo:
        pos = c.points[0];
        path.MoveTo(pos);
        break;
      case CanvasOp::Polyline:
        if (open)
          path.Polyline(c.points);
        else if (n >= 2)
          add(Op::Polyline, c);
        break;
      case CanvasOp::PolyBezier:
        if (open)
          path.PolyBezier(c.points);
        else if (n >= 4 && n % 3 == 1)
          add(Op::PolyBezier, c);
        break;
      case CanvasOp::PolyBezierTo:
        if (n == 0 || n % 3 != 0) break;
        if (open) {
          path.PolyBezierTo(c.points);
        } else {
          DecodedOp& d = add(Op::PolyBezier, c);
          d.points.insert(d.points.begin(), pos);
        }
        pos = c.points.back();
        break;
      case CanvasOp::Polygon:
        if (open)
          path.Polygon(c.points);
        else if (n >= 2)
          add(Op::Polygon, c);
        break;
      case CanvasOp::Ellipse:
        if (open)
          path.Ellipse(c.rect[0], c.rect[1], c.rect[2], c.rect[3]);
        else
          add(Op::Ellipse, c).points.clear();
        break;
      case CanvasOp::Arc:
        if (open)
          path.Arc(c.rect[0], c.rect[1], c.rect[2], c.rect[3], c.points[0], c.points[1]);
        else
          add(Op::Arc, c);
        break;
      case CanvasOp::FillRect:
        add(Op::FillRect, c).points.clear();
        break;
      case CanvasOp::BeginPath:
        path.Begin(pos);
        pathTexts.clear();
        break;
      case CanvasOp::EndPath:
        path.End();
        break;
      case CanvasOp::FlattenPath:
        path.Flatten();
        break;
      case CanvasOp::StrokePath:
      case CanvasOp::StrokeAndFillPath: {
        if (!path.HasPath()) break;
        const bool fill = c.op == CanvasOp::StrokeAndFillPath;
        if (!path.Points().empty()) {
          DecodedOp& d = add(fill ? Op::StrokeAndFillPath : Op::StrokePath, c);
          d.points = path.Points();
          d.types = path.Types();
        }
        for (const CanvasCall& t : pathTexts) {
          DecodedOp& d = add(fill ? Op::StrokeAndFillTextPath : Op::StrokeTextPath, c);
          d.font = t.font;
          d.points = t.points;
          d.text = t.text;
        }
        pathTexts.clear();
        path.Discard();
        break;
      }
      case CanvasOp::TextOut:
        if (c.text.empty()) break;
        if (c.inPath)
          pathTexts.push_back(c);
        else
          add(Op::Text, c).text = c.text;
        break;
      case CanvasOp::StretchImage: {
        DecodedOp& d = add(Op::Image, c);
        d.points.clear();
        d.imageSize = c.imageSize;
        break;
      }
      default:
        break;
    }
  }
  return out;
}

std::string Describe(const DecodedOp& d) {
  std::string s = "op " + std::to_string(static_cast<int>(d.op)) + " points";
  for (const TPoint& p : d.points) s += " " + std::to_string(p.x) + "," + std::to_string(p.y);
  s += " rect " + std::to_string(d.rect[0]) + "," + std::to_string(d.rect[1]) + "," +
       std::to_string(d.rect[2]) + "," + std::to_string(d.rect[3]);
  s += " pen " + std::to_string(d.pen.color) + "/" + std::to_string(d.pen.width);
  s += " brush " + std::to_string(d.brush.color) + " text " + std::to_string(d.text.size());
  return s;
}

struct Case {
  std::string name;
  std::vector<uint8_t> bytes;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

void ExpectSameOps(const std::vector<CanvasCall>& recorded, const std::vector<uint32_t>& words,
                   int32_t width, int32_t height) {
  const DecodedBuffer decoded = DecodeCommands(words);
  EXPECT_EQ(decoded.width, width);
  EXPECT_EQ(decoded.height, height);
  EXPECT_EQ(decoded.background, 0xFFFFFFu);
  const std::vector<DecodedOp> expected = ExpectedOps(recorded);
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(decoded.ops.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const DecodedOp want = Relevant(expected[i]);
    const DecodedOp got = Relevant(decoded.ops[i]);
    ASSERT_TRUE(got == want) << "operation " << i << "\n got  " << Describe(got) << "\n want "
                             << Describe(want);
  }
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const Fixture& f : testing::Fixtures()) cases.push_back({f.name, f.bytes});
  for (const std::string& name : testing::RealDrawings()) {
    std::ifstream in(testing::RealDrawingPath(name), std::ios::binary);
    cases.push_back({name, {std::istreambuf_iterator<char>(in), {}}});
  }
  return cases;
}

class CommandBufferTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandBufferTest, ReadsBackAsTheRecordedCalls) {
  WebDrawing drawing(GetParam().bytes, GetParam().name, 0);
  ASSERT_TRUE(drawing.Info().ok);
  // The fit picture, and one zoomed into a corner with the drawing partly off it.
  for (const auto& [zoom, panX, panY] : {std::tuple{1.0, 0.0, 0.0}, {3.5, -420.0, 130.0}}) {
    SCOPED_TRACE("zoom " + std::to_string(zoom));
    RecordingCanvas recording(640, 480);
    drawing.DrawOn(recording, zoom, panX, panY);
    ExpectSameOps(recording.Calls(), drawing.Draw(640, 480, zoom, panX, panY), 640, 480);
  }
}

INSTANTIATE_TEST_SUITE_P(Drawings, CommandBufferTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           return testing::RealDrawingTestName(info.param.name);
                         });

// Calls the drawings above may not make: outlined text in a path bracket, curves from
// the current position, invalid calls, images, pens without ink.
void Scene(Canvas& c) {
  const TPoint line[] = {{1, 2}, {30, 40}, {-5, 7}};
  const TPoint curve[] = {{10, 10}, {20, 0}, {30, 20}, {40, 10}};
  c.SetPen({0x123456, 3, PenStyle::Solid, true, PenCap::Flat});
  c.Polyline(line);
  c.Polyline(std::span(line, 1));  // too short: nothing
  c.MoveTo({5, 5});
  c.PolyBezierTo(std::span(curve + 1, 3));
  c.SetBrush({0xABCDEF, BrushStyle::Solid});
  c.Polygon(line);
  c.Ellipse(10, 20, 60, 45);
  c.SetPen({0, 1, PenStyle::Null});
  c.Arc(0, 0, 50, 50, {50, 25}, {25, 0});
  c.FillRect(40, 30, 2, 1);
  c.SetFont({.height = 18,
             .width = 9,
             .escapement = 300,
             .orientation = 300,
             .weight = 700,
             .italic = true,
             .underline = true,
             .face = u"ＭＳ 明朝"});
  c.SetTextColor(0x0000FF);
  c.SetBackgroundMode(BackgroundMode::Transparent);
  c.TextOut({7, 8}, u"漢字 and text");
  const TPoint cells[] = {{1, 1}, {20, 1}, {40, 1}};
  c.TextOutEach(cells, u"一二三");
  c.SetBrush({0, BrushStyle::Clear});
  c.BeginPath();
  c.TextOut({3, 4}, u"縁取り");
  c.PolyBezier(curve);
  c.EndPath();
  c.FlattenPath();
  c.SetBrush({0x00FF00, BrushStyle::Solid});
  c.SetPen({0xFFFFFF, 3});
  c.StrokeAndFillPath();
  c.BeginPath();
  c.TextOutEach(cells, u"abc");
  c.EndPath();
  c.StrokePath();
  DecodedImage image = AllocateImage(3, 2);
  image.Row(1)[4] = 200;
  c.StretchImage(50, 40, 20, 60, image);
}

TEST(CommandBufferScene, ReadsBackAsTheRecordedCalls) {
  RecordingCanvas recording(80, 60);
  CommandCanvas commands(80, 60);
  Scene(recording);
  Scene(commands);
  ExpectSameOps(recording.Calls(), commands.Words(), 80, 60);
}

// A buffer that would pass its limit ends with the last command that fitted whole: what
// it holds is the start of the drawing, and nothing more is recorded.
TEST(CommandBufferLimit, KeepsWholeCommandsUpToTheLimit) {
  std::ifstream in(testing::RealDrawingPath("site-plan-v700.jww"), std::ios::binary);
  WebDrawing drawing(std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}}, "site.jww", 0);
  CommandCanvas whole(640, 480);
  drawing.DrawOn(whole, 1, 0, 0);
  ASSERT_FALSE(whole.Truncated());
  const std::vector<DecodedOp> all = DecodeCommands(whole.Words()).ops;
  for (size_t limit : {size_t{4}, size_t{100}, whole.Words().size() / 2}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    CommandCanvas part(640, 480, limit);
    drawing.DrawOn(part, 1, 0, 0);
    EXPECT_TRUE(part.Truncated());
    EXPECT_LE(part.Words().size(), std::max<size_t>(limit, kHeaderWords));
    const std::vector<DecodedOp> ops = DecodeCommands(part.Words()).ops;
    ASSERT_LT(ops.size(), all.size());
    EXPECT_TRUE(std::equal(ops.begin(), ops.end(), all.begin()));
    if (limit > 100) {
      EXPECT_GT(ops.size(), all.size() / 4);
    }
  }
}

// Damaged buffers are refused, never read past their end.
TEST(CommandBufferDecode, RefusesMalformedBuffers) {
  CommandCanvas canvas(10, 10);
  canvas.SetFont({.height = 12, .face = u"MS Gothic"});
  canvas.TextOut({1, 2}, u"abc");
  const TPoint line[] = {{0, 0}, {5, 5}};
  canvas.Polyline(line);
  const std::vector<uint32_t> good = canvas.Words();
  ASSERT_NO_THROW(DecodeCommands(good));
  // Cut inside the last command (op, count, two points).
  for (ptrdiff_t cut = 1; cut < 6; ++cut) {
    const std::vector<uint32_t> shorter(good.begin(), good.end() - cut);
    EXPECT_ANY_THROW(DecodeCommands(shorter)) << "cut by " << cut;
  }
  std::vector<uint32_t> unknown = good;
  unknown.push_back(99);
  EXPECT_ANY_THROW(DecodeCommands(unknown));
  std::vector<uint32_t> huge = good;
  huge.insert(huge.end(), {static_cast<uint32_t>(Op::Polyline), 0xFFFFFFFFu});
  EXPECT_ANY_THROW(DecodeCommands(huge));
  EXPECT_ANY_THROW(DecodeCommands(std::vector<uint32_t>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace kestril::web
